#!/bin/sh
# Times tabulon-chords over a folder of a few thousand MIDI files with one worker and with two,
# side by side in one hyperfine run, and prints the ratio. The files are truth-set songs
# (make_chord_truth, 48 chords with melody and drums each), written with as many seeds as needed.
#
#   bench/chord_batch.sh [BUILD_DIR] [FILES]     (defaults: build/release, 3200)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-"$ROOT/build/release"}
FILES=${2:-3200}
FOLDER=/tmp/tabulon-chord-batch-$FILES
JSON=/tmp/tabulon-chord-batch.json

"$ROOT/scripts/install-packages" hyperfine >/dev/null
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$BUILD" -j2 tabulon-chords make_chord_truth >/dev/null
SHEET="$BUILD/src/tabulon-chords"

if [ "$(find "$FOLDER" -name '*.mid' 2>/dev/null | wc -l)" -lt "$FILES" ]; then
    rm -rf "$FOLDER"
    seed=1
    while [ "$(find "$FOLDER" -name '*.mid' 2>/dev/null | wc -l)" -lt "$FILES" ]; do
        mkdir -p "$FOLDER/seed-$seed"
        "$BUILD/bench/make_chord_truth" "$FOLDER/seed-$seed" "$seed" >/dev/null
        seed=$((seed + 1))
    done
fi
echo "$(find "$FOLDER" -name '*.mid' | wc -l) files in $FOLDER"

hyperfine --warmup 1 --runs 10 --export-json "$JSON" \
    -n "jobs 1" "$SHEET $FOLDER --jobs 1 --guitar" \
    -n "jobs 2" "$SHEET $FOLDER --jobs 2 --guitar"
python3 - "$JSON" <<'PY'
import json, sys
runs = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
one, two = runs["jobs 1"]["mean"], runs["jobs 2"]["mean"]
print(f"jobs 1: {one * 1000:.0f} ms, jobs 2: {two * 1000:.0f} ms, speed-up {one / two:.2f}x")
PY
