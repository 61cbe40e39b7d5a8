#!/usr/bin/env bash
# Start-up of the window application to its first painted frame, offscreen, over 10 runs:
#   bench/startup.sh [BUILD_DIR] [SONG]      (default: build/release and its demo progression)
# Each run starts tabulon with TABULON_STARTUP_PROBE set to the launch time, so that it prints
# the time from the launch (exec, libraries, start-up) and from main() to the end of the first
# paint, and quits. The wall time of the whole process, exit included, is shown as well. All use
# the default output device (the built-in synth). Limit: 300 ms from launch to first paint.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
song=${2:-$build/examples/demo-progression.mid}
runs=10
export QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$(mktemp -d)}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
TABULON_STARTUP_PROBE=1 "$build/src/tabulon" "$song" > /dev/null 2>&1 || true  # warm the cache
inside=()
launch=()
wall=()
for _ in $(seq $runs); do
    start=$(date +%s%N)
    line=$(TABULON_STARTUP_PROBE=$start "$build/src/tabulon" "$song" 2> /dev/null | grep "first paint")
    end=$(date +%s%N)
    inside+=("$(echo "$line" | awk '{print $4}')")
    launch+=("$(echo "$line" | awk '{print $8}')")
    wall+=("$(( (end - start) / 1000 ))")
done
summary() {
    printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1; s+=$1} END {
        printf "median %.1f ms, mean %.1f ms, max %.1f ms", a[int((NR+1)/2)]/1000, s/NR/1000, a[NR]/1000}'
}
echo "launch to first paint:        $(summary "${launch[@]}")"
echo "main() to first paint:        $(summary "${inside[@]}")"
echo "launch to exit (wall):        $(summary "${wall[@]}")"
max=$(printf '%s\n' "${launch[@]}" | sort -n | tail -1)
if [ "$max" -le 300000 ]; then echo "PASS: every run <= 300 ms"; else echo "OVER: slowest run > 300 ms"; fi
