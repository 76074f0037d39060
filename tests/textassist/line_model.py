#!/usr/bin/env python3
"""An independent model of one text line: its margins from the scale line,
the tab stop after a tab, and where the text after the tab comes to stand.

Each input line is "pairs;line": pairs as column:code separated by commas,
the line from column 1 of an 80-column row with '~' a tab, '^' a required
tab, '|' a carrier return and '_' a null. Each output line is
"left right stop code line": the margin columns, the stop after the first
tab (0 0 when none) and the line after alignment.

Right-to-left lines, rows in reading order: "rtlspill;..." and
"rtlcentre;..." as below (see the functions at the end).

Editing lines: "centre;left;right;line" gives "line column" (the centred
line and the cursor column after it); "spill;left;right;mode;column;keys;
rows;ids" types the keys (mode R replace, I insert) from the column of the
first row, rows separated by '/', the line ids as high.low per row, and gives
"rows cursorRowIndex cursorColumn ids" after the word spills.
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


# Editing: typing with word spill, centring and the ids of inserted lines.
# Rows use the same alphabet, '@' is the attribute 0x20 and '-' the hyphen.
DELIMS = " _~^"


def last_text(row, left, right):
    for i in range(right - 1, left - 2, -1):
        if row[i] != "_":
            return i
    return None


def blank_gap(row, col, left):
    """Nulls between the text and a typed character become blanks; a
    carrier return just before them too."""
    i = col - 1
    while i >= left and row[i - 1] == "_":
        i -= 1
    if i < left:
        return
    prev = i - 1
    if row[prev] == "|":
        for j in range(prev, col - 1):
            row[j] = " "
    else:
        for j in range(i - 1 + 1, col - 1):
            row[j] = " "


def word_at_end(row, left, right, scan):
    """(start, length, hyphenate) of the word that spills; scan is the
    0-based index where the search starts."""
    end = None
    i = scan
    while i > left - 1:
        ch = row[i]
        if ch == " ":
            end = i if end is None else end
        elif ch in "_|":
            pass
        else:
            break
        i -= 1
    if end is None:
        end = i
    s = i
    while s > left - 1 and row[s - 1] not in DELIMS:
        s -= 1
    if s == left - 1 and row[s] not in DELIMS:
        return right - 1, 1, True
    return s, end - s + 1, False


def cr_on_line(row, left, right):
    last = last_text(row, left, right)
    if last is None or last >= right - 1 or row[last] in "|^-":
        return
    row[last + 1] = "|"


def new_id(ids, at):
    """The id of a line inserted at index at (ids as (high, low) pairs)."""
    prev = ids[at - 1][0] * 256 + ids[at - 1][1]
    if at < len(ids):
        nxt = ids[at][0] * 256 + ids[at][1]
        mean = (prev + nxt) // 2
        if mean != prev and mean % 256:
            ids.insert(at, (mean // 256, mean % 256))
            return
    elif (prev + 1) % 256:
        ids.insert(at, ((prev + 1) // 256, (prev + 1) % 256))
        return
    high = prev // 256
    ids.insert(at, (high, 1))
    start = next(i for i, v in enumerate(ids) if v[0] == high)
    if ids[start][1] == 0:
        start += 1
    end = start
    while end < len(ids) and ids[end][0] == high:
        end += 1
    step = 255 // (end - start + 1)
    for k, i in enumerate(range(start, end)):
        ids[i] = (high, step * (k + 1))


def type_keys(mode, left, right, col, keys, rows, ids):
    r = 0
    for ch in keys:
        row = rows[r]
        c = col - 1
        if mode == "R":
            row[c] = ch
            blank_gap(row, col, left)
            col += 1
            if col == right + 1:
                start, n, hyph = word_at_end(row, left, right, right - 1)
                word = row[start:start + n]
                nxt = rows[r + 1]
                nxt[left - 1:left - 1 + n] = word
                nxt[left - 2] = "@"
                for j in range(start, right + 1):
                    row[j] = "_"
                if hyph:
                    row[right - 1] = "-"
                cr_on_line(row, left, right)
                r, col = r + 1, left + n
            continue
        free = [j for j in range(c, right - 1) if row[j] == "_"]
        if free:
            e = free[0]
            row[c + 1:e + 1] = row[c:e]
            row[c] = ch
            blank_gap(row, col, left)
            col += 1
            continue
        if row[right - 2] == "|":
            row[c + 1:right] = row[c:right - 1]
            row[c] = ch
            col += 1
            continue
        row[c + 1:right + 1] = row[c:right]
        row[c] = ch
        blank_gap(row, col, left)
        cursor = col + 1
        scan = right if row[right] not in "_|" else right - 1
        start, n, hyph = word_at_end(row, left, right, scan)
        word = row[start:start + n]
        nxt = rows[r + 1]
        last = last_text(nxt, left, right)
        room = right - left + 1 if last is None else right - 1 - last
        if n <= room and not any(x in "~^" for x in nxt[left - 1:right]):
            body = nxt[left - 1:right]
            nxt[left - 1:right] = word + body[:len(body) - n]
        else:
            rows.insert(r + 1, ["_"] * COLS)
            rows.pop()
            new_id(ids, r + 1)
            ids.pop()
            nxt = rows[r + 1]
            nxt[left - 1:left - 1 + n] = word
        nxt[left - 2] = "@"
        for j in range(start, right + 1):
            row[j] = "_"
        if hyph:
            row[right - 1] = "-"
        cr_on_line(row, left, right)
        last = last_text(nxt, left, right)
        if last is not None and last < right - 1 and nxt[last] not in "|^-":
            nxt[last + 1] = "|"
        if start + 1 <= cursor <= start + 1 + n:
            r, col = r + 1, left + (cursor - start - 1)
        else:
            col = cursor
    return r, col


def centre(left, right, row):
    L, R = left - 1, right - 1
    t = R
    while t >= L and row[t] in "_ ":
        t -= 1
    if t < L:
        return row, None
    ender = None
    if row[t] in "|^":
        ender = row[t]
        while t >= L and row[t] in "_ |^":
            t -= 1
    f = L
    while f < t and row[f] in "_ |":
        f += 1
    n = t - f + 1
    d = (L + (R - L + 1) // 2) - (f + n // 2)
    text = row[f:t + 1]
    if d > 0:
        room = R - t - (0 if ender else 1)
        k = min(room, d)
        if k > 0:
            for j in range(L, R + 1):
                row[j] = "_"
            for j in range(L, f + k):
                row[j] = " "
            row[f + k:f + k + n] = text
            if ender:
                row[f + k + n] = ender
    elif d < 0:
        room = f - L - 1
        k = min(room, -d)
        if k > 0:
            for j in range(f - k, R + 1):
                row[j] = "_"
            if room >= -d:
                for j in range(L, f - k):
                    row[j] = " "
            row[f - k:f - k + n] = text
            if ender:
                row[f - k + n] = ender
    last = max(i for i in range(L, R + 1) if row[i] not in "_|^")
    return row, last + 1


def edit(fields):
    kind = fields[0]
    left, right = int(fields[1]), int(fields[2])
    if kind == "centre":
        row, col = centre(left, right, list(fields[3].ljust(COLS, "_")))
        return "".join(row).rstrip("_") + " " + str(col)
    mode, col, keys = fields[3], int(fields[4]), fields[5]
    rows = [list(x.ljust(COLS, "_")) for x in fields[6].split("/")]
    ids = [tuple(int(v) for v in x.split(".")) for x in fields[7].split("/")]
    r, col = type_keys(mode, left, right, col, keys, rows, ids)
    shown = "/".join("".join(x).rstrip("_") for x in rows)
    return "%s %d %d %s" % (shown, r, col, "/".join("%d.%d" % v for v in ids))


def main():
    for raw in sys.stdin:
        raw = raw.rstrip("\n")
        if not raw:
            continue
        if raw.startswith(("rtlspill;", "rtlcentre;")):
            print(rtl_edit(raw.split(";")))
            continue
        if raw.startswith(("spill;", "centre;")):
            print(edit(raw.split(";")))
            continue
        scale, text = raw.split(";")
        pairs = [tuple(int(v) for v in p.split(":")) for p in scale.split(",")]
        print(*align(pairs, text))


# Right-to-left lines. A row is given in reading order: index 0 is the
# row's last column, index i column 80 - i, so that the margins keep the
# indexes they have on a left-to-right row. What differs from the other
# direction:
# - the word that spills takes every blank and null between it and the
#   scan start; the scan starts on the margin, or one further out when the
#   position past the margin holds a required carrier return or a character
#   pushed there;
# - the emptied positions run one past the word's end, and the position past
#   the source's right margin then shows the attribute 0x20;
# - the word goes to the next row's effective left margin with the
#   attribute 0x20 before it, and 0x20 past that row's right margin when
#   that position is empty;
# - centring moves the text without writing blanks: the positions it
#   leaves become nulls, the line end ('|') follows the text, and the cursor
#   goes to the text's first character.
END_CHARS = "|"
WORD_ENDS = " _~^"


def rtl_word(row, left, right, scan):
    """(start, length, hyphenate) of the word to spill, start the index of
    its first character in reading order; length 0: nothing to spill."""
    M = left - 1
    p = scan
    passed = None
    while p > M and row[p] in " _":
        passed = row[p]
        p -= 1
    if p == M and row[M] in " _":
        if passed != " " and row[M] != " ":
            return 0, 0, False
        return right - 1, 1, True
    s = p
    while s > M and row[s - 1] not in WORD_ENDS:
        s -= 1
    if s == M and row[M] not in WORD_ENDS:
        return right - 1, (2 if scan == right else 1), True
    return s, scan - s + 1, False


def rtl_gap(row, col, left):
    """Nulls between the text and a typed character become blanks, a
    carrier return at the text's end too."""
    c = col - 1
    i = c - 1
    while i >= left - 1 and row[i] == "_":
        i -= 1
    if i < left - 1 or i == c - 1 and row[i] != "|":
        return
    start = i if row[i] == "|" else i + 1
    for j in range(start, c):
        row[j] = " "


def rtl_end_line(row, left, right):
    """A carrier return after the row's text when the text stops short of
    the margin and has no line end."""
    last = None
    for i in range(right - 1, left - 2, -1):
        if row[i] != "_":
            last = i
            break
    if last is None or last >= right - 1 or row[last] in "|^-":
        return
    row[last + 1] = "|"


def rtl_move_word(rows, r, left, right, start, n, hyph, into_new):
    row, nxt = rows[r], rows[r + 1]
    word = row[start:start + n]
    if not into_new:
        body = nxt[left - 1:right]
        last = max((i for i, ch in enumerate(body) if ch != "_"), default=None)
        kept = body[:last + 1] if last is not None else []
        nxt[left - 1:right] = (word + kept + ["_"] * len(body))[:len(body)]
    else:
        nxt[left - 1:left - 1 + n] = word
    nxt[left - 2] = "@"
    if nxt[right] == "_":
        nxt[right] = "@"
    for j in range(start, start + n + 1):
        row[j] = "_"
    row[right] = "@"
    if hyph:
        row[right - 1] = "-"


def rtl_type_keys(mode, left, right, col, keys, rows, ids):
    r = 0
    for ch in keys:
        row = rows[r]
        c = col - 1
        if mode == "R":
            row[c] = ch
            rtl_gap(row, col, left)
            col += 1
            if col == right + 1:
                start, n, hyph = rtl_word(row, left, right, right - 1)
                nxt = rows[r + 1]
                if n == 0 or any(x in "~^" for x in nxt[left - 1:right]):
                    raise SystemExit("case outside the model")
                rtl_move_word(rows, r, left, right, start, n, hyph, True)
                rtl_end_line(row, left, right)
                r, col = r + 1, left + n
            continue
        free = [j for j in range(c, right - 1) if row[j] == "_"] if c < right - 1 else []
        if free:
            e = free[0]
            row[c + 1:e + 1] = row[c:e]
            row[c] = ch
            rtl_gap(row, col, left)
            col += 1
            continue
        if c < right - 1 and row[right - 2] == "|":
            row[c + 1:right] = row[c:right - 1]
            row[c] = ch
            rtl_gap(row, col, left)
            col += 1
            continue
        # The row is full: its end moves past the margin and the last word
        # spills.
        row[c + 1:right + 1] = row[c:right]
        row[c] = ch
        rtl_gap(row, col, left)
        cursor = col + 1
        scan = right if row[right] not in "_|@-" else right - 1
        start, n, hyph = rtl_word(row, left, right, scan)
        nxt = rows[r + 1]
        last = last_text(nxt, left, right)
        room = right - left + 1 if last is None else right - 1 - last
        fits = n <= room and not any(x in "~^" for x in nxt[left - 1:right])
        if not fits:
            rows.insert(r + 1, ["_"] * COLS)
            rows.pop()
            new_id(ids, r + 1)
            ids.pop()
        rtl_move_word(rows, r, left, right, start, n, hyph, not fits)
        rtl_end_line(rows[r], left, right)
        rtl_end_line(rows[r + 1], left, right)
        if start + 1 <= cursor <= start + 1 + n:
            r, col = r + 1, left + (cursor - start - 1)
        else:
            col = cursor
    return r, col


def rtl_centre(left, right, row):
    L, R = left - 1, right - 1
    t = R
    while t >= L and row[t] in "_ ":
        t -= 1
    if t < L:
        return row, None
    ender = None
    if row[t] in END_CHARS:
        ender = row[t]
        while t >= L and row[t] in "_ " + END_CHARS:
            t -= 1
    f = L
    while f < t and row[f] in "_ |":
        f += 1
    n = t - f + 1
    d = (R - L + 1) // 2 - ((f - L) + n // 2)
    k = 0
    if d > 0:
        room = R - t - (0 if ender else 1)
        k = min(room, d) if room > 0 else 0
    elif d < 0:
        room = f - L - 1
        k = -min(room, -d) if room > 0 else 0
    if k:
        text = row[f:t + 1]
        for j in range(f, t + 1):
            row[j] = "_"
        if ender:
            for j in range(t + 1, R + 1):
                if row[j] == ender:
                    row[j] = "_"
        row[f + k:f + k + n] = text
        if ender and f + k + n <= R:
            row[f + k + n] = ender
    return row, f + k + 1


def rtl_edit(fields):
    kind = fields[0]
    left, right = int(fields[1]), int(fields[2])
    if kind == "rtlcentre":
        row, col = rtl_centre(left, right, list(fields[3].ljust(COLS, "_")))
        return "".join(row).rstrip("_") + " " + str(col)
    mode, col, keys = fields[3], int(fields[4]), fields[5]
    rows = [list(x.ljust(COLS, "_")) for x in fields[6].split("/")]
    ids = [tuple(int(v) for v in x.split(".")) for x in fields[7].split("/")]
    r, col = rtl_type_keys(mode, left, right, col, keys, rows, ids)
    shown = "/".join("".join(x).rstrip("_") for x in rows)
    return "%s %d %d %s" % (shown, r, col, "/".join("%d.%d" % v for v in ids))


main()
