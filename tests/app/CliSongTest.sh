#!/usr/bin/env bash
# modal-atlas-cli song: the parts and length of a song over the built grooves, its MIDI and WAVE
# exports, and the status and words for a song that can't be read.
# Usage: CliSongTest.sh PATH-TO-modal-atlas-cli
set -u
cli="$1"
grooves="$(cd "$(dirname "$cli")" && pwd)/Grooves"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Verse: degrees 1 and 4 of C major, then E flat major; played twice at 120.
printf '%s\r\n' "Start of Song Info= " "Name=Check" "Tempo=120.00" "Repeat=1" "Parts=Verse~1^Verse~1^" \
    "End of Song Info= " "" "" "Start of Song Part= " "Name=Verse" "Groove style=Rock" \
    "Groove name=2 Rock" "Groove file=$grooves/Rock/2 Rock.mid" "Scale=Major" "Scale root=48" \
    "Chords=48/0/0/1/4/1,48/0/0/1/4/4,28/3/1/1/0/0," "End of Song Part= " "" "" > "$dir/Check.Song"

out="$("$cli" song "$dir/Check.Song" --midi "$dir/Check.mid" --wav "$dir/Check.wav")" ||
    fail "song exits with $?"
expected=$'Verse: groove Rock/2 Rock; scale C Major; chords C, F, Eb\nPlay order: Verse, Verse; repeat 1; 6 measures; 12.00 s'
[[ "$out" == "$expected"* ]] || fail "summary: '$out'"
# Six measures of a groove with eight hi-hat, two snare and three kick hits a measure.
drums=$(midicsv "$dir/Check.mid" | awk -F', ' '$3 == "Note_on_c" && $4 == 9 && $6 > 0' | wc -l)
[[ $drums -eq 78 ]] || fail "drum hits in the MIDI file: $drums"
length=$(soxi -D "$dir/Check.wav" 2>/dev/null)
awk -v l="$length" 'BEGIN { exit !(l > 11.5 && l < 12.5) }' || fail "WAVE length $length"

sed 's/Scale=Major/Scale=Majestic/' "$dir/Check.Song" > "$dir/Bad.Song"
err="$("$cli" song "$dir/Bad.Song" 2>&1 >/dev/null)"
status=$?
[[ $status -eq 2 && "$err" == *"Bad.Song, line 14: Can't load part: Unknown scale (Majestic)"* ]] ||
    fail "bad scale: status $status, '$err'"
exit $((failures > 0))
