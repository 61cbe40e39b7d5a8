#!/usr/bin/env python3
"""Scores chord sheets against the truth set of make_chord_truth.

    score_chord_truth.py TOOL FOLDER --config NAME="OPTIONS" [--config ...]

TOOL is tabulon-chords; each config runs it on every FOLDER/truth-NN.mid with its OPTIONS (for
example --channels 1, or --guitar) and reads the tab-separated sheet: the tick in the first column,
the root's name in the second. A truth chord counts as named with the right root when the sheet's
chord that is in force for the longest part of the chord's span has one of the chord's roots (for
aug and dim7, whose notes repeat, any root of the same notes). Silence before the first chord of
the sheet counts as no chord. Prints a table per quality, then per style, in Markdown.
"""

import argparse
import collections
import glob
import os
import shlex
import subprocess
import sys

NAMES = {"C": 0, "C#": 1, "Db": 1, "D": 2, "D#": 3, "Eb": 3, "E": 4, "F": 5, "F#": 6, "Gb": 6,
         "G": 7, "G#": 8, "Ab": 8, "A": 9, "A#": 10, "Bb": 10, "B": 11}


def read_truth(path):
    chords = []
    with open(path) as f:
        for line in f:
            start, end, root, quality, roots, style = line.rstrip("\n").split("\t")
            chords.append((int(start), int(end), int(root), quality,
                           {int(r) for r in roots.split(",")}, style))
    return chords


def read_sheet(tool, song, options):
    run = subprocess.run([tool, song] + options, capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"{tool} {song} failed: {run.stderr.strip()}")
    entries = []
    for line in run.stdout.splitlines():
        fields = line.split("\t")
        entries.append((int(fields[0]), NAMES.get(fields[1])))
    return entries


def root_in_force(entries, start, end):
    """The root of the sheet's chord that sounds longest within [start, end)."""
    shares = collections.Counter()
    for k, (tick, root) in enumerate(entries):
        until = entries[k + 1][0] if k + 1 < len(entries) else float("inf")
        overlap = min(until, end) - max(tick, start)
        if overlap > 0:
            shares[root] += overlap
    if entries:
        shares[None] += max(0, min(entries[0][0], end) - start)
    else:
        shares[None] += end - start
    return shares.most_common(1)[0][0] if shares else None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("tool")
    parser.add_argument("folder")
    parser.add_argument("--config", action="append", required=True,
                        help='NAME="OPTIONS" (options passed to the tool)')
    args = parser.parse_args()
    configs = []
    for c in args.config:
        name, _, options = c.partition("=")
        configs.append((name, shlex.split(options)))

    songs = sorted(glob.glob(os.path.join(args.folder, "truth-*.mid")))
    if not songs:
        sys.exit(f"no truth-*.mid in {args.folder} (run make_chord_truth first)")
    by_quality = collections.defaultdict(lambda: collections.Counter())
    by_style = collections.defaultdict(lambda: collections.Counter())
    totals = collections.Counter()
    order = []
    for song in songs:
        truth = read_truth(song[:-4] + ".truth")
        sheets = {name: read_sheet(args.tool, song, options) for name, options in configs}
        for start, end, root, quality, roots, style in truth:
            if quality not in order:
                order.append(quality)
            by_quality[quality]["n"] += 1
            by_style[style]["n"] += 1
            totals["n"] += 1
            for name, _ in configs:
                if root_in_force(sheets[name], start, end) in roots:
                    by_quality[quality][name] += 1
                    by_style[style][name] += 1
                    totals[name] += 1

    names = [name for name, _ in configs]

    def row(label, counts):
        cells = [f"{100.0 * counts[n] / counts['n']:.1f} %" for n in names]
        return f"| {label} | {counts['n']} | " + " | ".join(cells) + " |"

    print("| quality | chords | " + " | ".join(names) + " |")
    print("|---|---|" + "---|" * len(names))
    for quality in order:
        print(row(quality or "(major)", by_quality[quality]))
    print(row("**all**", totals))
    print()
    print("| style | chords | " + " | ".join(names) + " |")
    print("|---|---|" + "---|" * len(names))
    for style in sorted(by_style):
        print(row(style, by_style[style]))


if __name__ == "__main__":
    main()
