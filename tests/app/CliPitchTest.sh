#!/usr/bin/env bash
# modal-atlas-cli pitch over recordings that sox makes: the readings name the tone sox played,
# silence reads as none, and bad input fails with a message.
# Usage: CliPitchTest.sh PATH-TO-modal-atlas-cli
set -u
cli="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A4 25 cents sharp (446.40 Hz), stereo; then half a second of silence.
sox -n -r 44100 -b 16 -c 2 "$dir/a.wav" synth 0.5 sine 446.40 pad 0 0.5
out="$("$cli" pitch "$dir/a.wav")" || fail "pitch exited with $?"
# From 0.1 s to the tone's end every reading is A4 at 446.40 Hz, +25 cents.
bad="$(awk -F'\t' '$1 >= 0.1 && $1 <= 0.5 && !($2 > 446.35 && $2 < 446.45 && $3 == "A4" &&
                   $4 ~ /^\+2[45]\.[0-9]$/)' <<<"$out")"
[[ -z "$bad" ]] || fail "readings of the tone: $bad"
[[ "$(tail -n 1 <<<"$out")" == $'1.000\t0.00\t-\t-' ]] || fail "silence: $(tail -n 1 <<<"$out")"
[[ "$(wc -l <<<"$out")" -eq 30 ]] || fail "one line per 1/30 s block: $(wc -l <<<"$out") lines"

printf 'not a wave file' >"$dir/bad.wav"
"$cli" pitch "$dir/bad.wav" >/dev/null 2>"$dir/err"
[[ $? -eq 1 && -s "$dir/err" ]] || fail "a broken file exits with 1 and a message"
"$cli" pitch --hop 0 "$dir/a.wav" >/dev/null 2>&1
[[ $? -eq 2 ]] || fail "a hop of 0 is refused"

exit $((failures > 0))
