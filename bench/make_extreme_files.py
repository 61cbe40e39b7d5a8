#!/usr/bin/env python3
"""Writes the extreme but valid MIDI files that bench/extreme_shapes.sh times:
  many-tracks.mid   65,535 tracks of one note each
  huge-sysex.mid    one system-exclusive message of 200 MB
  long-track.mid    one track of 5,000,000 events
Usage: make_extreme_files.py DIR [SCALE]   (SCALE < 1 makes smaller files of the same shapes)
"""
import os
import struct
import sys

END = bytes([0x00, 0xFF, 0x2F, 0x00])


def header(fmt, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, tracks, 96)


def track(body):
    return b"MTrk" + struct.pack(">I", len(body) + len(END)) + body + END


def varlen(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def many_tracks(count):
    one = track(bytes([0x00, 0x90, 60, 0x40, 0x60, 0x80, 60, 0x40]))
    return header(1, count) + one * count


def huge_sysex(size):
    body = bytes([0x00, 0xF0]) + varlen(size + 1) + bytes(size) + bytes([0xF7])
    body += bytes([0x00, 0x90, 60, 0x40, 0x60, 0x80, 60, 0x40])
    return header(0, 1) + track(body)


def long_track(events):
    # Note-on / note-off pairs with running status: C, E, G, C, ... three bytes an event.
    pair = bytearray()
    for note in (60, 64, 67, 72):
        pair += bytes([0x00, note, 0x40, 0x30, note, 0x00])
    body = bytes([0x00, 0x90, 60, 0x40]) + bytes(pair) * ((events - 1) // 8)
    return header(0, 1) + track(body)


def main():
    out = sys.argv[1]
    scale = float(sys.argv[2]) if len(sys.argv) > 2 else 1.0
    os.makedirs(out, exist_ok=True)
    shapes = {
        "many-tracks.mid": many_tracks(max(1, int(65535 * scale))),
        "huge-sysex.mid": huge_sysex(max(1, int(200_000_000 * scale))),
        "long-track.mid": long_track(max(9, int(5_000_000 * scale))),
    }
    for name, data in shapes.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(name, len(data), "bytes")


if __name__ == "__main__":
    main()
