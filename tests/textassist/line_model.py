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




# ---- Left-to-right typing under tab stops and spill that opens a line ----
# Run as "line_model.py ltr FILE" (stdin empty): each line of FILE is one
# command.
#
# "tabtype;pairs;column;keys;line": insert-mode typing on one line with a
# tab, from the given column; the tab's stop decides where the text grows
# (a right stop: to the left, ending on the stop; a decimal stop: to the
# left up to the stop, to the right after it; a left or centre stop: to the
# right, a centre stop blanking the nulls in front of a null cursor first),
# and the tabbed text is aligned again after every key. Gives "line column".
#
# "opening;left;right;column;keys;rows;ids;changed": insert-mode typing from
# the column of the row marked with a leading '>' (rows separated by '/',
# '%' a required carrier return);
# changed holds 'F' when the first text row is changed and 'L' when the last
# text row of the page (beyond the rows given) is. A spill that needs a new
# line scrolls the rows below down when the last text row is unchanged, else
# the rows above up (the first text row's text leaves the page), else fails
# with operator error 76 and the row is put back. Gives "rows cursorRowIndex
# cursorColumn ids halfLinesScrolledOff error".


def ltr_tab_of(row, pos, left):
    """The index of the tab character governing index pos, or None."""
    for i in range(pos - 1, left - 2, -1):
        if row[i] in TABS:
            return i
    return None


def ltr_stop(pairs, tab, bound):
    """(index, code) of the tab stop after the tab at index tab, up to the
    index bound; (None, 0) when none."""
    for c, code in pairs:
        if c - 1 > tab and 3 <= code <= 9:
            return (c - 1, code) if c - 1 <= bound else (None, 0)
    return None, 0


def ltr_insert_right(row, c, ch, right):
    """Insert at index c pushing to the first null before the right margin;
    False when there is none (a spill, not modelled here)."""
    free = [j for j in range(c, right - 1) if row[j] == "_"]
    if not free:
        return False
    e = free[0]
    row[c + 1:e + 1] = row[c:e]
    row[c] = ch
    return True


def ltr_insert_left(row, c, ch, left):
    """Insert before index c by pushing the text left of it into the last
    null before it; False when there is none or a tab stands in between."""
    if c <= left - 1:
        return False
    nulls = [j for j in range(left - 1, c) if row[j] == "_"]
    if not nulls:
        return False
    j = nulls[-1]
    if any(row[k] in TABS for k in range(j, c)):
        return False
    row[j:c - 1] = row[j + 1:c]
    row[c - 1] = ch
    return True


def ltr_align(row, pairs, right, cursor):
    """Aligns the text after the line's tab on its stop; gives the cursor."""
    tab = next((i for i, ch in enumerate(row) if ch in TABS), None)
    if tab is None:
        return cursor
    R = right - 1
    stop, code = ltr_stop(pairs, tab, R)
    texts = [i for i in range(tab + 1, R + 1) if row[i] != "_"]
    if not texts or stop is None:
        return cursor
    L, E = texts[0], texts[-1]
    seg = row[L:E + 1]
    C = L + anchor(seg, code, row[tab] == "^")
    if C < stop:
        k = stop - C
        ns = E + 1
        assert all(row[j] == "_" for j in range(ns, ns + k)) and ns + k - 1 < R
        if L <= cursor < ns:
            cursor += k
        elif ns <= cursor < ns + k:
            cursor = ns + k
        row[L:E + 1 + k] = ["_"] * k + seg
    elif C > stop:
        k = C - stop
        free = 0
        while free < k and row[L - 1 - free] == "_":
            free += 1
        k = free
        if k:
            if L <= cursor <= E or (cursor == E + 1 and (row[E + 1] == "_" or row[E] in TABS)):
                cursor -= k
            row[L - k:E + 1] = seg + ["_"] * k
    return cursor


def ltr_blank_to_next(row, pos, R):
    """The nulls after index pos up to the next character before the
    right margin become blanks, unless that character follows directly."""
    if pos >= R:
        return
    b = pos + 1
    while b <= R and row[b] == "_":
        b += 1
    if b == pos + 1 or b > R:
        return
    for j in range(pos + 1, b):
        row[j] = " "


def ltr_tabtype(fields):
    pairs = [tuple(int(v) for v in p.split(":")) for p in fields[1].split(",")]
    col, keys = int(fields[2]), fields[3]
    row = list(fields[4].ljust(COLS, "_"))
    left, right = margins(pairs)
    c = col - 1
    for ch in keys:
        tab = ltr_tab_of(row, c, left)
        stop, code = (None, 0)
        if tab is not None:
            bound = next((i for i in range(c + 1, right) if row[i] in TABS), right - 1)
            stop, code = ltr_stop(pairs, tab, bound)
        if stop is not None and row[tab] == "~" and code in (4, 9):
            done = ltr_insert_left(row, c, ch, left)
            if not done:
                assert ltr_insert_right(row, c, ch, right)
                c += 1
        elif stop is not None and row[tab] == "~" and code in (6, 7, 8):
            if c > stop:
                assert ltr_insert_right(row, c, ch, right)
                c += 1
            elif not ltr_insert_left(row, c, ch, left):
                assert ltr_insert_right(row, c, ch, right)
                c += 1
        elif stop is not None and code == 5 and row[c] == "_":
            # A null under a centre stop: the text after the cursor decides
            # whether the nulls in front of it become blanks.
            assert c != right - 1, "typing on the right margin is not modelled"
            R = right - 1
            f = next((i for i in range(c, R) if row[i] != "_"), None)
            end = f
            while end is not None and end < R and row[end] not in "_^~":
                end += 1
            if f is None or (end < R and (end - f) % 2 == 1):
                ltr_blank_to_next(row, c - 1, R)
            else:
                assert end >= R, "replacing under a centre stop is not modelled"
            assert ltr_insert_right(row, c, ch, right)
            c += 1
        else:
            assert ltr_insert_right(row, c, ch, right)
            c += 1
        c = ltr_align(row, pairs, right, c)
    return "%s %d" % ("".join(row).rstrip("_"), c + 1)


def ltr_opening(fields):
    left, right = int(fields[1]), int(fields[2])
    col, keys = int(fields[3]), fields[4]
    texts = fields[5].split("/")
    r = next(i for i, t in enumerate(texts) if t.startswith(">"))
    rows = [list(t.lstrip(">").ljust(COLS, "_")) for t in texts]
    ids = [tuple(int(v) for v in x.split(".")) for x in fields[6].split("/")]
    first_changed, last_changed = "F" in fields[7], "L" in fields[7]
    L, R = left - 1, right - 1
    scrolled, error = 0, 0
    for ch in keys:
        row = rows[r]
        c = col - 1
        if ltr_insert_right(row, c, ch, right):
            blank_gap(row, col, left)
            col += 1
            continue
        saved = row[:]
        row[c + 1:R + 2] = row[c:R + 1]
        row[c] = ch
        blank_gap(row, col, left)
        cursor = c + 1
        scan = R + 1 if row[R + 1] not in "_|" else R
        start, n, hyph = word_at_end(row, left, right, scan)
        word = row[start:start + n]
        nxt = rows[r + 1] if r + 1 < len(rows) else None
        last = last_text(nxt, left, right) if nxt else None
        room = R - L + 1 if last is None else R - last
        # A word holding a required carrier return ('%') never joins the
        # next row.
        if nxt and n <= room and not any(x in TABS for x in nxt[L:R + 1]) and "%" not in word:
            body = nxt[L:R + 1]
            nxt[L:R + 1] = word + body[:len(body) - n]
        else:
            if not last_changed:
                rows.insert(r + 1, ["_"] * COLS)
                rows.pop()
                new_id(ids, r + 1)
                ids.pop()
            elif first_changed or r == 0:
                rows[r] = saved
                error = 76
                break
            else:
                rows.pop(0)
                ids.pop(0)
                rows.insert(r, ["_"] * COLS)
                new_id(ids, r)
                scrolled += 2
                r -= 1
                row = rows[r]
            nxt = rows[r + 1]
            nxt[L:L + n] = word
        nxt[L - 1] = "@"
        for j in range(start, R + 2):
            row[j] = "_"
        if hyph:
            row[R] = "-"
        cr_on_line(row, left, right)
        last = last_text(nxt, left, right)
        if last is not None and last < R and nxt[last] not in "|%-":
            nxt[last + 1] = "|"
        if start <= cursor <= start + n:
            r, col = r + 1, left + (cursor - start)
        else:
            col = cursor + 1
    shown = "/".join("".join(x).rstrip("_") for x in rows)
    return "%s %d %d %s %d %d" % (shown, r, col, "/".join("%d.%d" % v for v in ids), scrolled, error)


if sys.argv[1:2] == ["ltr"]:
    with open(sys.argv[2]) as commands:
        for raw in commands:
            raw = raw.rstrip("\n")
            if raw.startswith("tabtype;"):
                print(ltr_tabtype(raw.split(";")))
            elif raw.startswith("opening;"):
                print(ltr_opening(raw.split(";")))


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


# ---- Tabbed text pushed to the right margin by its alignment spills ----
# "tabspill;pairs;column;keys;rows" (run with "ltr") and "rtltabspill;..."
# (rows in reading order as above): insert-mode typing on the first row at
# a null between a tab and its stop, the text after the stop reaching the
# right margin. Under a required tab ('^') or a left stop the typed text
# starts on the stop: the nulls between the typed character and the text
# become blanks and the whole text moves towards the margin. When no null
# is left before the margin the last word spills to the next row; a
# required tab indents the row that opens for it by the distance of the
# first stop from the left margin, so the word lands under that stop. The
# move goes on with the room the spill freed. Gives "rows rowIndex column".


def tab_free_run(row, end, count, R):
    """(index, n) of the null run after index end that the text can take."""
    for p in range(end, R):
        if row[p] == "_":
            n = 0
            q = p
            while q <= R and n < count and row[q] == "_":
                n += 1
                q += 1
            return p, n
    return None, 0


def tab_spill_word(rows, r, left, right, indent, rtl):
    """Moves the last word of rows[r] to the front of the next row when it
    has room, no tab and no indent is needed, else to a row opened below."""
    row = rows[r]
    R = right - 1
    if rtl:
        scan = right if row[right] not in "_|@-" else R
        start, n, hyph = rtl_word(row, left, right, scan)
    else:
        start, n, hyph = word_at_end(row, left, right, R)
    word = row[start:start + n]
    nxt = rows[r + 1] if r + 1 < len(rows) else None
    last = last_text(nxt, left, right) if nxt else None
    room = R - (left - 1) + 1 if last is None else R - last
    if rtl and last is not None:
        room -= 1
    if nxt and not indent and n <= room and not any(x in TABS for x in nxt[left - 1:R + 1]):
        body = nxt[left - 1:R + 1]
        nxt[left - 1:R + 1] = word + body[:len(body) - n]
    else:
        rows.insert(r + 1, ["_"] * COLS)
        rows.pop()
        nxt = rows[r + 1]
    dest = left - 1 + indent
    nxt[dest:dest + n] = word
    nxt[dest - 1] = "@"
    if rtl:
        if nxt[right] == "_":
            nxt[right] = "@"
        for j in range(start, start + n + 1):
            row[j] = "_"
        row[right] = "@"
        if hyph:
            row[R] = "-"
        rtl_end_line(row, left, right)
        rtl_end_line(nxt, left, right)
    else:
        for j in range(start, R + 2):
            row[j] = "_"
        if hyph:
            row[R] = "-"
        cr_on_line(row, left, right)
        last = last_text(nxt, left, right)
        if last is not None and last < R and nxt[last] not in "|%-":
            nxt[last + 1] = "|"


def tab_spill(fields, rtl):
    pairs = [tuple(int(v) for v in p.split(":")) for p in fields[1].split(",")]
    col, keys = int(fields[2]), fields[3]
    rows = [list(t.ljust(COLS, "_")) for t in fields[4].split("/")]
    left, right = margins(pairs)
    R = right - 1
    r, c = 0, col - 1
    for ch in keys:
        row = rows[r]
        tab = ltr_tab_of(row, c, left)
        stop, code = ltr_stop(pairs, tab, R)
        assert row[c] == "_" and tab < c < stop
        assert row[tab] == "^" or code == 3, "only text that starts on its stop"
        row[c] = ch
        nxt = next(i for i in range(c + 1, COLS) if row[i] != "_")
        if nxt <= stop and nxt < R:
            for j in range(c + 1, nxt):
                row[j] = " "
        cursor = c + 1
        L = c
        E = max(i for i in range(L, R + 1) if row[i] != "_")
        k = stop - L
        indent = (stop - (left - 1)) if "^" in row[left - 1:R + 1] else 0
        while k > 0:
            p, n = tab_free_run(row, E, k, R)
            if n == 0:
                tab_spill_word(rows, r, left, right, indent, rtl)
                while E > left - 1 and row[E] == "_":
                    E -= 1
                if E <= L:
                    break
                continue
            row[L + n:p + n] = row[L:p]
            row[L:L + n] = ["_"] * n
            if L <= cursor < p + n:
                cursor = p + n if cursor >= p else cursor + n
            L, E, k = L + n, E + n, k - n
        c = cursor
    shown = "/".join("".join(x).rstrip("_") for x in rows)
    return "%s %d %d" % (shown, r, c + 1)


if sys.argv[1:2] == ["ltr"]:
    with open(sys.argv[2]) as commands:
        for raw in commands:
            raw = raw.rstrip("\n")
            if raw.startswith("tabspill;"):
                print(tab_spill(raw.split(";"), False))
            elif raw.startswith("rtltabspill;"):
                print(tab_spill(raw.split(";"), True))


main()
