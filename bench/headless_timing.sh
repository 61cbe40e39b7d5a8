#!/usr/bin/env bash
# Wall time of `tabulon --headless` playing a demo song against the song's own length:
#   bench/headless_timing.sh [BUILD_DIR] [DEVICE] [SONG...]   (default: build/release, null,
#                                                              the three demo songs)
# The song's length is the time of its last event, from its tempo map (computed here from the
# file's bytes). The program ends when the clock reports the song done, which it does one beat
# after the last event; that beat is reported separately. Limit: within 1% of the song's length.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
device=${2:-null}
shift $(( $# > 2 ? 2 : $# ))
songs=("$@")
[ ${#songs[@]} -gt 0 ] || songs=("$build"/examples/demo-{progression,tempo-change,blues}.mid)
export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$(mktemp -d)}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
for song in "${songs[@]}"; do
    read -r length beat < <(python3 - "$song" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
division = struct.unpack('>H', data[12:14])[0]
pos, events = 14, []
while pos + 8 <= len(data):
    kind, size = data[pos:pos+4], struct.unpack('>I', data[pos+4:pos+8])[0]
    body, pos = data[pos+8:pos+8+size], pos + 8 + size
    if kind != b'MTrk':
        continue
    i, tick, status = 0, 0, 0
    def vlq():
        global i
        value = 0
        while True:
            b = body[i]; i += 1
            value = (value << 7) | (b & 0x7F)
            if b < 0x80: return value
    while i < len(body):
        tick += vlq()
        if body[i] & 0x80: status = body[i]; i += 1
        if status == 0xFF:
            meta = body[i]; i += 1; n = vlq()
            if meta == 0x51: events.append((tick, int.from_bytes(body[i:i+3], 'big')))
            elif meta != 0x2F: events.append((tick, None))
            i += n
        elif status in (0xF0, 0xF7):
            n = vlq(); i += n
        else:
            i += 1 if status & 0xF0 in (0xC0, 0xD0) else 2
            events.append((tick, None))
events.sort(key=lambda e: e[0])
tempo, last_tick, seconds = 500000, 0, 0.0
for tick, new_tempo in events:
    seconds += (tick - last_tick) * tempo / division / 1e6
    last_tick = tick
    if new_tempo: tempo = new_tempo
print(f"{seconds:.4f} {tempo / 1e6:.4f}")
PY
)
    start=$(date +%s%N)
    "$build/src/tabulon" --headless --device "$device" "$song" 2> /dev/null
    end=$(date +%s%N)
    python3 - "$song" "$length" "$beat" "$start" "$end" <<'PY'
import sys
song, length, beat, start, end = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
wall = (end - start) / 1e9
played = wall - beat  # the done message comes one beat after the last event
off = (played - length) / length * 100
print(f"{song.split('/')[-1]}: length {length:.3f} s, wall {wall:.3f} s "
      f"(= {played:.3f} s + done beat {beat:.3f} s), {off:+.2f}% {'PASS' if abs(off) <= 1 else 'OVER'}")
PY
done
