#!/bin/sh
# Times tabulon-chords (read + chord analysis, the whole process) and read_tracks (the song
# loaded into its tracks as the program loads it, nothing else, in a fresh process) against other
# readers of Standard MIDI Files, all in one hyperfine run per file, best of RUNS (default 20):
#   - drumstick's QSmf, which streams the events through Qt signals (bench/peers, built here with
#     its own small command against Qt 5 and libdrumstick-dev; never part of the CMake build),
#   - midicsv, which turns the file into text,
#   - Python's mido, which reads the file into message lists.
# Files: a 1,000,000-event file of 16 tracks (written by bench_smf_read) and two real game
# scores, downloaded from Debian, not installed: the largest of OpenTTD's openmsx set (package
# openttd-openmsx, 13,484 events) and of Simutrans's music (simutrans-data, 29,813 events).
# Installs what it needs with apt-get when it is missing. CI does not run it.
#
#   bench/compare_read.sh [BUILD_DIR]      (default: build/release)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-"$ROOT/build/release"}
RUNS=${RUNS:-20}
WORK=/tmp/tabulon-compare
PYTHON=${PYTHON:-/usr/bin/python3}  # Debian's python3-mido lives with the system interpreter
mkdir -p "$WORK"

need() {  # need PROGRAM-OR-FILE PACKAGE...
    [ -e "$1" ] || command -v "$1" >/dev/null 2>&1 && return 0
    shift
    apt-get install -y --no-install-recommends "$@" >/dev/null
}
need hyperfine hyperfine
need midicsv midicsv
need /usr/lib/python3/dist-packages/mido python3-mido
need /usr/include/drumstick/qsmf.h libdrumstick-dev
need /usr/include/x86_64-linux-gnu/qt5/QtCore/QObject qtbase5-dev

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$BUILD" -j2 tabulon-chords read_tracks bench_smf_read >/dev/null
CHORDS="$BUILD/src/tabulon-chords"
READ="$BUILD/bench/read_tracks"
PEER="$WORK/drumstick_count"
g++ -O2 -fPIC -std=c++17 "$ROOT/bench/peers/drumstick_count.cpp" -o "$PEER" \
    $(pkg-config --cflags --libs drumstick-file Qt5Core)

BIG="$WORK/1m-events-16-tracks.mid"
[ -f "$BIG" ] || "$BUILD/bench/bench_smf_read" --write-file "$BIG"
REAL="$WORK/keep_on_rolling.mid"
if [ ! -f "$REAL" ]; then
    (cd "$WORK" && apt-get download openttd-openmsx >/dev/null &&
        dpkg-deb -x openttd-openmsx_*.deb openmsx &&
        cp openmsx/usr/share/games/openttd/baseset/openmsx/keep_on_rolling.mid "$REAL")
fi

REAL2="$WORK/steamin-across-the-prairies.mid"
if [ ! -f "$REAL2" ]; then
    (cd "$WORK" && apt-get download simutrans-data >/dev/null &&
        dpkg-deb -x simutrans-data_*.deb simutrans &&
        cp simutrans/usr/share/games/simutrans/music/12-Steamin-across-the-prairies.mid "$REAL2")
fi

for FILE in "$BIG" "$REAL" "$REAL2"; do
    echo "== $(basename "$FILE"): $(stat -c %s "$FILE") bytes, $(midicsv "$FILE" | wc -l) midicsv lines"
    "$PEER" "$FILE"
    "$READ" "$FILE"  # the load alone: its time, events per second and page faults
    hyperfine -N --warmup 2 --runs "$RUNS" --export-json "$WORK/times.json" \
        -n tabulon-chords "$CHORDS $FILE" \
        -n read_tracks "$READ $FILE --quiet" \
        -n drumstick "$PEER $FILE" \
        -n midicsv "midicsv $FILE $WORK/out.csv" \
        -n mido "$PYTHON -c 'import mido,sys; mido.MidiFile(sys.argv[1])' $FILE" >/dev/null
    "$PYTHON" - "$WORK/times.json" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
ours = results["tabulon-chords"]["min"]
for name, r in results.items():
    print(f"  {name:15s} best {r['min'] * 1000:8.1f} ms   mean {r['mean'] * 1000:8.1f} ms"
          f"   {r['min'] / ours:6.1f}x tabulon-chords")
PY
done
