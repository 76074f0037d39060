#!/usr/bin/env python3
"""An independent model of one text line: its margins from the scale line,
the tab stop after a tab, and where the text after the tab comes to stand.

Each input line is "pairs;line": pairs as column:code separated by commas,
the line from column 1 of an 80-column row with '~' a tab, '^' a required
tab, '|' a carrier return and '_' a null. Each output line is
"left right stop code line": the margin columns, the stop after the first
tab (0 0 when none) and the line after alignment.
"""
import sys

COLS = 80
TABS = "~^"


def margins(pairs):
    codes = [c for _, c in pairs]
    left, right = 2, COLS - 1
    if codes[:1] == [1]:
        left = pairs[0][0]
    elif codes[:2] == [11, 1]:
        left = pairs[1][0]
    if codes[-1:] == [2]:
        right = pairs[-1][0]
    elif len(codes) >= 2 and codes[-2] == 2 and codes[-1] in (11, 12):
        right = pairs[-2][0]
    elif codes[-3:] == [2, 11, 12]:
        right = pairs[-3][0]
    return left, right


def stop_after(pairs, column, right):
    for c, code in pairs:
        if c > column and 3 <= code <= 8:
            return (c, code) if c <= right else (0, 0)
    return 0, 0


def anchor(seg, code, required):
    """The index in the tabbed text that must stand on the stop."""
    adj = 0 if seg[-1] in "|" + TABS else 1
    if required or code == 3:
        return 0
    if code == 4:
        return len(seg) - 1 + adj
    if code == 5:
        return (len(seg) - 1 + adj) // 2
    wanted = {6: ".", 7: ",", 8: ":"}[code] + ")>"
    hits = [i for i, ch in enumerate(seg) if ch in wanted]
    return min(hits) if hits else len(seg) - 1 + adj


def align(pairs, text):
    row = list(text.ljust(COLS, "_"))
    left, right = margins(pairs)
    tab = next((i for i, ch in enumerate(row) if ch in TABS), None)
    if tab is None:
        return left, right, 0, 0, "".join(row)
    column = tab + 1
    stop, code = stop_after(pairs, column, right)
    start = next(i for i in range(tab + 1, COLS) if row[i] != "_")
    end = max(i for i in range(start, right) if row[i] != "_")
    seg = row[start:end + 1]
    if not stop:
        target = tab + 1
    else:
        target = (stop - 1) - anchor(seg, code, row[tab] == "^")
        target = max(target, tab + 1)
        if target + len(seg) - 1 > right - 1:
            # No room: the text moves until it reaches the right margin
            # (the word spill that would follow is not modelled).
            target = max(start, right - len(seg))
    row[start:end + 1] = ["_"] * len(seg)
    row[target:target + len(seg)] = seg
    return left, right, stop, code, "".join(row)


for raw in sys.stdin:
    raw = raw.rstrip("\n")
    if not raw:
        continue
    scale, text = raw.split(";")
    pairs = [tuple(int(v) for v in p.split(":")) for p in scale.split(",")]
    print(*align(pairs, text))
