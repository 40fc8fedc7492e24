#!/usr/bin/env bash
# Runs modal-atlas-cli's scale and chord commands and checks what a guitarist can check by hand;
# then each command's help and a practice in a style of its own.
# Usage: CliTheoryTest.sh PATH-TO-modal-atlas-cli
set -u
cli="$1"
failures=0

# expect NAME EXPECTED-STDOUT COMMAND...: stdout must match exactly and the status must be 0.
expect() {
    local name="$1" expected="$2"
    shift 2
    local actual status
    actual="$("$cli" "$@" 2>/dev/null)"
    status=$?
    if [[ $status -ne 0 || "$actual" != "$expected" ]]; then
        echo "FAIL: $name (status $status)"
        echo "--- expected"; echo "$expected"
        echo "--- actual"; echo "$actual"
        failures=$((failures + 1))
    fi
}

# expect_error NAME TEXT COMMAND...: status 2, nothing on stdout, TEXT on stderr.
expect_error() {
    local name="$1" text="$2"
    shift 2
    local out err status
    err="$("$cli" "$@" 2>&1 >/dev/null)"
    status=$?
    out="$("$cli" "$@" 2>/dev/null)"
    if [[ $status -ne 2 || -n "$out" || "$err" != *"$text"* ]]; then
        echo "FAIL: $name (status $status, stderr '$err', stdout '$out')"
        failures=$((failures + 1))
    fi
}

expect "C major by name" $'C Major\n48 50 52 53 55 57 59\nC D E F G A B' \
    scale --root C --scale Major
expect "A Hungarian minor by MIDI number" \
    $'A Hungarian minor\n57 59 60 63 64 65 68\nA B C D# E F G#' \
    scale --root 57 --scale "Hungarian minor"
# A root of the tool's list may be written whole or by either of its two names; names are sharp.
for root in "F#/Gb" "F#" "Gb"; do
    expect "F# Dorian as $root" $'F# Dorian\n54 56 57 59 61 63 64\nF# G# A B C# D# E' \
        scale --root "$root" --scale Dorian
done
expect "E minor pentatonic" $'E Pentatonic minor\n52 55 57 59 62\nE G A B D' \
    scale --root E --scale "Pentatonic minor"
expect "B diminished has eight notes" \
    $'B Diminished\n59 61 62 64 65 67 68 70\nB C# D E F G G# A#' \
    scale --root B --scale Diminished
# Asked for, the names are those the key is written with; the default stays sharp.
expect "Eb major as the key writes it" $'Eb Major\n51 53 55 56 58 60 62\nEb F G Ab Bb C D' \
    scale --root 51 --scale Major --spelling key
expect "Eb major in sharps" $'D# Major\n51 53 55 56 58 60 62\nD# F G G# A# C D' \
    scale --root 51 --scale Major --spelling sharps
expect "B-flat chord as the key writes it" \
    $'Name: Bb - Major\nFormula: 1-3-5\nNotes: 46 53 58 62 65\nFrets: 1 3 3 3 1 x\nBarre: 1' \
    chord --root A# --type 1 --spelling key

# The A-string barre shape at the third fret, low E string silent.
expect "C major chord" $'Name: C - Major\nFormula: 1-3-5\nNotes: 48 55 60 64 67\nFrets: 3 5 5 5 3 x\nBarre: 3' \
    chord --root C --type 1
# The E-string shape at the fifth fret: A E A C# E A.
expect "A major chord" $'Name: A - Major\nFormula: 1-3-5\nNotes: 45 52 57 61 64 69\nFrets: 5 5 6 7 7 5\nBarre: 5' \
    chord --root A --type 1
expect "E major chord at the seventh fret" \
    $'Name: E - Major\nFormula: 1-3-5\nNotes: 52 59 64 68 71\nFrets: 7 9 9 9 7 x\nBarre: 7' \
    chord --root E --type 1
# The open E minor seventh form (0 3 0 0 2 0) moved up to the third fret: G D F Bb F G.
expect "G minor seventh by symbol" \
    $'Name: Gm7 - Minor seventh\nFormula: 1-b3-5-b7\nNotes: 43 50 53 58 65 67\nFrets: 3 6 3 3 5 3\nBarre: 3' \
    chord --root G --type m7
# No shape for the augmented seventh: placed in open position instead.
expect "C augmented seventh without a shape" \
    $'Name: C+7 - Augmented 7th\nFormula: 1-3-#5-b7\nNotes: 48 52 56 60 64\nFrets: 0 1 1 2 3 x\nBarre: none (placed without a shape)' \
    chord --root C --type 6

err="$("$cli" chord --root C --type 9 2>&1 >/dev/null)"
if [[ "$err" != *"Unknown chord type: 9"* ]]; then
    echo "FAIL: chord type 9 does not report that it has no shape: '$err'"
    failures=$((failures + 1))
fi

expect_error "unknown spelling" "unknown spelling 'flats'" scale --root C --scale Major --spelling flats
expect_error "unknown scale" "unknown scale 'major'" scale --root C --scale major
expect_error "unknown root" "unknown root 'H'" scale --root H --scale Major
expect_error "root beyond the note table" "unknown root '132'" chord --root 132 --type 1
expect_error "unknown chord symbol" "unknown chord type 'min7'" chord --root C --type min7
expect_error "chord type 0" "unknown chord type '0'" chord --root C --type 0
expect_error "missing type" "usage" chord --root C
expect_error "unknown option" "unknown option '--octave'" scale --root C --scale Major --octave 4

# Every command prints its own usage for --help, and succeeds.
for command in scale chord practice midi-dump devices; do
    out="$("$cli" "$command" --help 2>/dev/null)"
    status=$?
    if [[ $status -ne 0 || "$out" != "Usage: modal-atlas-cli $command"* ]]; then
        echo "FAIL: $command --help (status $status): '$out'"
        failures=$((failures + 1))
    fi
done

# A style named alone plays its own first groove (the built library has no "2 Rock" in Blues).
if [[ -d "$(dirname "$cli")/Grooves/Blues" ]]; then
    if ! err="$("$cli" practice --style Blues 2>&1 >/dev/null)"; then
        echo "FAIL: practice --style Blues: $err"
        failures=$((failures + 1))
    fi
fi

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
