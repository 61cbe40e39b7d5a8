#!/bin/sh
# Builds clock_jitter in a release build of its own and runs it.
#   bench/clock_jitter.sh [BUILD_DIR] [clock_jitter options...]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release-bench}
[ $# -gt 0 ] && shift
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 clock_jitter
"$build/bench/clock_jitter" "$@"
