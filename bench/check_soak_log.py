#!/usr/bin/env python3
"""Checks a tabulon log of one play against the song that was played.

usage: check_soak_log.py SONG.mid LOG

The log's sent-event lines,
    "<sum>: Event <n> sent: time=<delta>, message=0x<ss>(<d1>,<d2>,<d3>): ..."
must hold every channel event of the song exactly once, at its absolute tick: the running sums
are the absolute ticks, so the multiset of (tick, status, data1, data2) of the log's channel
events must equal the song's. The sums never decrease and each one is the previous sum plus the
line's delta; the event numbers run 1..N without a gap. Other lines of the log are ignored.
The play must have been made without transposition or muted tracks, from a fresh program (the
counters start at 0), of a song without system-exclusive events in the middle of other tracks'
notes (they may delay those notes' deltas).

Exit status 0 when everything matches, 1 on a mismatch (with a message saying what differs),
2 when a file cannot be read.
"""

import collections
import re
import sys

SENT_LINE = re.compile(
    r"^(\d+): Event (-?\d+) sent: time=(\d+), "
    r"message=0x([0-9a-f]{2})\(([0-9a-f]{2}),([0-9a-f]{2}),([0-9a-f]{2})\)")


class SongError(Exception):
    pass


def read_vlq(data, at, end):
    value = 0
    for _ in range(4):
        if at >= end:
            raise SongError("truncated variable-length number at byte %d" % at)
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at
    raise SongError("variable-length number longer than 4 bytes at byte %d" % at)


def track_events(data, at, end, track):
    """The channel events of one track chunk as (absolute tick, status, data1, data2). Running
    status goes on across meta and system-exclusive events, as the player reads it."""
    events = []
    tick = 0
    running = None
    while at < end:
        delta, at = read_vlq(data, at, end)
        tick += delta
        if at >= end:
            raise SongError("track %d ends inside an event" % track)
        byte = data[at]
        if byte == 0xFF:  # meta event
            if at + 2 > end:
                raise SongError("truncated meta event in track %d" % track)
            kind = data[at + 1]
            length, at = read_vlq(data, at + 2, end)
            at += length
            if kind == 0x2F:
                break
            continue
        if byte in (0xF0, 0xF7):  # system exclusive or escape packet
            length, at = read_vlq(data, at + 1, end)
            at += length
            continue
        if byte >= 0x80:
            running = byte
            at += 1
        elif running is None:
            raise SongError("data byte 0x%02x without status in track %d" % (byte, track))
        size = 1 if (running & 0xF0) in (0xC0, 0xD0) else 2
        if at + size > end:
            raise SongError("truncated channel message in track %d" % track)
        data1 = data[at]
        data2 = data[at + 1] if size == 2 else 0
        at += size
        events.append((tick, running, data1, data2))
    return events


def song_events(path):
    with open(path, "rb") as f:
        data = f.read()
    begin, end = 0, len(data)
    if data[:4] == b"RIFF" and data[8:12] == b"RMID":  # a RIFF MIDI file: its "data" chunk
        at = 12
        while at + 8 <= len(data) and data[at:at + 4] != b"data":
            at += 8 + int.from_bytes(data[at + 4:at + 8], "little")
            at += at & 1
        if at + 8 > len(data):
            raise SongError("RIFF MIDI file without a data chunk")
        begin = at + 8
        end = min(len(data), begin + int.from_bytes(data[at + 4:at + 8], "little"))
    if data[begin:begin + 4] != b"MThd" or end - begin < 14:
        raise SongError("not a Standard MIDI File")
    header_length = int.from_bytes(data[begin + 4:begin + 8], "big")
    declared = int.from_bytes(data[begin + 10:begin + 12], "big")
    at = begin + 8 + header_length
    events = []
    track = 0
    while at + 8 <= end and track < declared:
        kind = data[at:at + 4]
        length = int.from_bytes(data[at + 4:at + 8], "big")
        body = at + 8
        at = min(end, body + length)
        if kind == b"MTrk":
            events.extend(track_events(data, body, at, track))
            track += 1
    return events, track


def log_lines(path):
    sent = []
    with open(path, "r", encoding="latin-1") as f:
        for number, line in enumerate(f, 1):
            m = SENT_LINE.match(line)
            if m:
                values = [int(m.group(i)) for i in (1, 2, 3)]
                values += [int(m.group(i), 16) for i in (4, 5, 6, 7)]
                sent.append((number,) + tuple(values))
    return sent


def describe(event):
    tick, status, data1, data2 = event
    return "tick %d, 0x%02x(%02x,%02x)" % (tick, status, data1, data2)


def check(song_path, log_path):
    """The list of problems found; empty when the log matches the song."""
    problems = []
    song, tracks = song_events(song_path)
    sent = log_lines(log_path)
    if not sent:
        return ["the log has no sent-event lines"], song, sent, tracks
    previous_sum = 0
    for index, (line, total, count, delta, status, d1, d2, d3) in enumerate(sent):
        if count != index + 1:
            problems.append("line %d: event number %d where %d was due" % (line, count, index + 1))
            break
    for index, (line, total, count, delta, status, d1, d2, d3) in enumerate(sent):
        if total < previous_sum:
            problems.append("line %d: the time sum %d goes back from %d" %
                            (line, total, previous_sum))
            break
        if total != previous_sum + delta:
            problems.append("line %d: the time sum %d is not %d + the delta %d" %
                            (line, total, previous_sum, delta))
            break
        previous_sum = total
    logged = collections.Counter(
        (total, status, d1, d2)
        for (line, total, count, delta, status, d1, d2, d3) in sent if 0x80 <= status < 0xF0)
    expected = collections.Counter(song)
    missing = expected - logged
    extra = logged - expected
    if missing:
        first = sorted(missing.elements())[:5]
        problems.append("%d channel events of the song are not in the log, first: %s" %
                        (sum(missing.values()), "; ".join(describe(e) for e in first)))
    if extra:
        first = sorted(extra.elements())[:5]
        problems.append("%d channel events of the log are not in the song (or repeated), "
                        "first: %s" % (sum(extra.values()), "; ".join(describe(e) for e in first)))
    return problems, song, sent, tracks


def main(argv):
    if len(argv) != 3:
        print("usage: check_soak_log.py SONG.mid LOG", file=sys.stderr)
        return 2
    try:
        problems, song, sent, tracks = check(argv[1], argv[2])
    except (OSError, SongError) as error:
        print("check_soak_log: %s" % error, file=sys.stderr)
        return 2
    if problems:
        for problem in problems:
            print("check_soak_log: MISMATCH: %s" % problem, file=sys.stderr)
        return 1
    print("check_soak_log: OK: %d events sent, all %d channel events of the song's %d tracks "
          "once and in time order, last at tick %d" % (len(sent), len(song), tracks, sent[-1][1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
