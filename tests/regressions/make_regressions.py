#!/usr/bin/env python3
"""Writes the small MIDI files of tests/regressions/ that real files once broke in the reader:
each holds one kind of damage (or an unusual but valid layout) around a C major chord, so that a
test can check that the chord is still found and the warning says what was done.

Run from anywhere: python3 tests/regressions/make_regressions.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
END_OF_TRACK = bytes([0x00, 0xFF, 0x2F, 0x00])


def header(fmt, tracks, division):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, tracks, division)


def chunk(tag, body, length=None):
    return tag + struct.pack(">I", len(body) if length is None else length) + body


def track(body, end=True):
    return chunk(b"MTrk", body + (END_OF_TRACK if end else b""))


def name(text):
    data = text.encode()
    return bytes([0x00, 0xFF, 0x03, len(data)]) + data


def chord(channel=0, velocity=0x60):
    """C, E and G struck together and released a beat later (96 ticks)."""
    on, off = 0x90 | channel, 0x80 | channel
    return bytes([0x00, on, 60, velocity, 0x00, on, 64, velocity, 0x00, on, 67, velocity,
                  0x60, off, 60, 0x40, 0x00, off, 64, 0x40, 0x00, off, 67, 0x40])


def files():
    tempo_120 = bytes([0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20])
    # 25 frames a second, 40 ticks a frame: 1,000 ticks a second whatever the tempo says.
    yield "smpte-division.mid", header(1, 1, 0xE728) + track(name("Guitar") + tempo_120 + chord())
    # A writer that puts velocities of 0x80 and more into note-ons.
    yield "velocity-high-bit.mid", header(0, 1, 96) + track(name("Piano") + chord(velocity=0x9F))
    # Three track chunks where the header declares one; the chord is spread over them.
    notes = [bytes([0x00, 0x90, n, 0x60, 0x60, 0x80, n, 0x40]) for n in (60, 64, 67)]
    yield "more-tracks-than-declared.mid", header(1, 1, 96) + b"".join(track(n) for n in notes)
    # 201 tracks: the last one, beyond those the settings hold, plays the chord.
    quiet = track(bytes([0x00, 0xC0, 0x19]))
    yield "tracks-beyond-200.mid", header(1, 201, 96) + quiet * 200 + track(chord())
    # A chord, then a meta event that claims 4,000,000 bytes inside a short chunk.
    bad_meta = bytes([0x00, 0xFF, 0x01, 0x81, 0xF4, 0x92, 0x00]) + b"text"
    yield "meta-length-past-chunk.mid", header(1, 2, 96) + track(chord()) + track(
        name("Bass") + chord(channel=1) + bad_meta, end=False)


def main():
    for file_name, data in files():
        with open(os.path.join(HERE, file_name), "wb") as out:
            out.write(data)
        print(file_name, len(data), "bytes")


if __name__ == "__main__":
    main()
