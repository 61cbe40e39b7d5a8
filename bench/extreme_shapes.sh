#!/bin/sh
# Times tabulon-chords (read + analysis, whole process) on the extreme but valid files that
# bench/make_extreme_files.py writes: 65,535 tracks of one note, one 200 MB system-exclusive
# message, one track of 5,000,000 events. Prints wall time and peak RSS of each; then plays the
# 65,535-track file through the null device (the window program, headless) and prints the same
# with how late the events were sent.
#
#   bench/extreme_shapes.sh [BUILD_DIR]      (default: build/release)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-"$ROOT/build/release"}
DIR=/tmp/tabulon-extreme

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$BUILD" -j2 tabulon-chords tabulon >/dev/null
python3 "$ROOT/bench/make_extreme_files.py" "$DIR" >/dev/null
for file in many-tracks long-track huge-sysex; do
    /usr/bin/time -f "$file: %e s wall, %M KB peak RSS" \
        "$BUILD/src/tabulon-chords" "$DIR/$file.mid" >/dev/null 2>/tmp/tabulon-extreme.err ||
        { cat /tmp/tabulon-extreme.err; exit 1; }
    tail -n 1 /tmp/tabulon-extreme.err
done
QT_QPA_PLATFORM=offscreen /usr/bin/time -f "many-tracks played: %e s wall, %U s user, %M KB peak RSS" \
    "$BUILD/src/tabulon" --headless --device null --stats "$DIR/many-tracks.mid" \
    >/dev/null 2>/tmp/tabulon-extreme.err || { cat /tmp/tabulon-extreme.err; exit 1; }
tail -n 2 /tmp/tabulon-extreme.err
