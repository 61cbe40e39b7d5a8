#!/usr/bin/env bash
# Start-up of the window application to its first painted frame, offscreen, over 10 runs:
#   bench/startup.sh [BUILD_DIR ...] [SONG]     (default: build/release and its demo progression)
# Each run starts BUILD_DIR/src/tabulon with TABULON_STARTUP_PROBE set to the launch time, so that
# it prints the time from the launch (exec, libraries, start-up) and from main() to the end of the
# first paint, and quits. The wall time of the whole process, exit included, is shown as well.
# All use the default output device (the built-in synth, which opens in the background). Several
# build folders are measured in turns, run by run, so that a busy machine slows them alike: give
# an older build beside the current one to compare them in one run. Target: a median of at most
# 50 ms from launch to the first paint.
set -euo pipefail
cd "$(dirname "$0")/.."
builds=()
song=""
for argument in "$@"; do
    case "$argument" in
        *.mid) song=$argument ;;
        *) builds+=("$argument") ;;
    esac
done
[ ${#builds[@]} -gt 0 ] || builds=(build/release)
song=${song:-${builds[-1]}/examples/demo-progression.mid}
runs=10
export QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$(mktemp -d)}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
declare -A inside launch wall
for build in "${builds[@]}"; do
    TABULON_STARTUP_PROBE=1 "$build/src/tabulon" "$song" > /dev/null 2>&1 || true  # warm the cache
done
for _ in $(seq $runs); do
    for build in "${builds[@]}"; do
        start=$(date +%s%N)
        line=$(TABULON_STARTUP_PROBE=$start "$build/src/tabulon" "$song" 2> /dev/null |
            grep "first paint")
        end=$(date +%s%N)
        inside[$build]+="$(echo "$line" | awk '{print $4}') "
        launch[$build]+="$(echo "$line" | awk '{print $8}') "
        wall[$build]+="$(((end - start) / 1000)) "
    done
done
summary() {
    printf '%s\n' $1 | sort -n | awk '{a[NR]=$1; s+=$1} END {
        printf "median %.1f ms, mean %.1f ms, max %.1f ms", a[int((NR+1)/2)]/1000, s/NR/1000, a[NR]/1000}'
}
status=0
for build in "${builds[@]}"; do
    echo "$build ($song):"
    echo "  launch to first paint:        $(summary "${launch[$build]}")"
    echo "  main() to first paint:        $(summary "${inside[$build]}")"
    echo "  launch to exit (wall):        $(summary "${wall[$build]}")"
    median=$(printf '%s\n' ${launch[$build]} | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    if [ "$median" -le 50000 ]; then
        echo "  PASS: median launch to first paint <= 50 ms"
    else
        echo "  OVER: median launch to first paint > 50 ms"
        status=1
    fi
done
exit $status
