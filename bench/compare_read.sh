#!/bin/sh
# Compares how fast a big MIDI file (1,000,000 events, 16 tracks, format 1) is read by our
# library and by Python's mido. Builds bench_smf_read in a release build directory, makes the
# file with it, then times both readers with hyperfine and prints the ratio.
#
#   bench/compare_read.sh [BUILD_DIR]      (default: build/release-compare)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-"$ROOT/build/release-compare"}
FILE=/tmp/tabulon-compare-1m-events.mid
OURS_JSON=/tmp/tabulon-compare-ours.json
MIDO_JSON=/tmp/tabulon-compare-mido.json
# Debian's python3-mido lives with the system interpreter.
PYTHON=${PYTHON:-/usr/bin/python3}

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$BUILD" -j2 bench_smf_read >/dev/null
BENCH="$BUILD/bench/bench_smf_read"

"$BENCH" --write-file "$FILE"
"$BENCH" --read "$FILE"
"$PYTHON" -c "import mido, sys; m = mido.MidiFile(sys.argv[1]); print(sum(len(t) for t in m.tracks), 'messages in', len(m.tracks), 'tracks (mido, with meta messages)')" "$FILE"

hyperfine --warmup 2 --runs 20 --export-json "$OURS_JSON" "$BENCH --read $FILE"
hyperfine --warmup 1 --runs 3 --export-json "$MIDO_JSON" \
    "$PYTHON -c \"import mido, sys; mido.MidiFile(sys.argv[1])\" $FILE"

"$PYTHON" - "$OURS_JSON" "$MIDO_JSON" <<'PY'
import json, sys
ours = json.load(open(sys.argv[1]))["results"][0]
mido = json.load(open(sys.argv[2]))["results"][0]
def cpu(r):
    return r["user"] + r["system"]
print(f"ours: {ours['mean'] * 1000:.1f} ms wall, {cpu(ours) * 1000:.1f} ms CPU")
print(f"mido: {mido['mean'] * 1000:.1f} ms wall, {cpu(mido) * 1000:.1f} ms CPU")
print(f"ratio (mido / ours): {mido['mean'] / ours['mean']:.0f}x wall, {cpu(mido) / cpu(ours):.0f}x CPU")
PY
