#!/bin/sh
# Times tabulon-chords over a folder of a few thousand MIDI files with one worker and with two,
# side by side in one hyperfine run, and prints the ratio with the CPU time that each spent (the
# work a second worker adds: the parent's reading and writing, the forks) and the machine's load
# before and after, since a busy machine makes the ratio meaningless. The files are truth-set songs
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

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine -N --warmup 2 --runs 20 --export-json "$JSON" \
    -n "jobs 1" "$SHEET $FOLDER --jobs 1 --guitar" \
    -n "jobs 2" "$SHEET $FOLDER --jobs 2 --guitar"
python3 - "$JSON" <<'PY'
import json, sys
runs = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
one, two = runs["jobs 1"], runs["jobs 2"]
cpu = lambda r: (r["user"] + r["system"]) * 1000
print(f"jobs 1: {one['mean'] * 1000:.0f} ms ({cpu(one):.0f} ms CPU), "
      f"jobs 2: {two['mean'] * 1000:.0f} ms ({cpu(two):.0f} ms CPU), "
      f"speed-up {one['mean'] / two['mean']:.2f}x, CPU {cpu(two) / cpu(one):.2f}x")
PY
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
