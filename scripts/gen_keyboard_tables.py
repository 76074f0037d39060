#!/usr/bin/env python3
"""Generates keyboard/GeneratedTables.cpp: the built-in keyboard translation
tables, the dead-key composition tables and the monocasing lists of the
keyboard translator.

The character data comes from the EBCDIC code pages of Python's standard
codecs (cp037, cp273, cp500, cp1140, cp875, cp1026) and Unicode
normalisation, so the tables follow the code pages exactly:

  * dead keys: base + combining accent, NFC-composed, encoded back into the
    country's code page (no composed character or not in the page: none);
  * monocasing: the upper-case partner of each lower-case letter of a page.

Usage:
  gen_keyboard_tables.py            write keyboard/GeneratedTables.cpp
  gen_keyboard_tables.py --stdout   print the file instead
Only the standard library is used; the output is deterministic.
"""
import os
import sys
import unicodedata

# ---------------------------------------------------------------------------
# Countries (diacritic country numbers) and their code pages.
# The first is the default: its results come first in every result list.
LIST_COUNTRIES = [
    (0x19, "cp037"),   # default: US/Canada and the other 037 languages
    (0x0B, "cp273"),   # Germany and Austria
    (0x0C, "cp500"),   # international (Belgium, Switzerland, ...)
    (0x1A, "cp1140"),  # 037 with the euro sign
]
# Countries above 48 have tables of their own: any base character.
OWN_COUNTRIES = [
    (0x31, "cp1026"),  # Turkish
    (0x32, "cp875"),   # Greek
]

# Accent numbers of the dead keys (category 37/38 codes 1-12), with the
# combining character and the spacing character that the space base gives.
ACCENTS = [
    (1, "\u0301", "\u00b4"),   # acute
    (2, "\u0300", "`"),        # grave
    (3, "\u0302", "^"),        # circumflex
    (4, "\u0308", "\u00a8"),   # diaeresis
    (5, "\u0303", "~"),        # tilde
    (6, "\u030a", "\u00b0"),   # ring above
    (7, "\u0327", "\u00b8"),   # cedilla
    (8, "\u030c", "\u02c7"),   # caron
    (9, "\u0306", "\u02d8"),   # breve
    (10, "\u030b", "\u02dd"),  # double acute
    (11, "\u0328", "\u02db"),  # ogonek
    (12, "\u0307", "\u02d9"),  # dot above
]
# The 17 base characters of the shared dead-key table.
BASES = " aAcCeEiInNoOuUyY"


def page(cp):
    return bytes(range(256)).decode(cp)


def encode(ch, cp):
    """The EBCDIC byte of a character in a page, or None."""
    try:
        b = ch.encode(cp)
    except UnicodeEncodeError:
        return None
    return b[0] if len(b) == 1 and b[0] >= 0x40 and b[0] != 0xFF else None


def compose(base, accent):
    _, combining, spacing = accent
    if base == " ":
        return spacing
    c = unicodedata.normalize("NFC", base + combining)
    return c if len(c) == 1 else None


# ---------------------------------------------------------------------------
# Dead keys.
def dead_key_tables():
    default_cp = LIST_COUNTRIES[0][1]
    slots = []    # [base][accent] -> (count, offset)
    results = []  # (country, result) pairs
    for base in BASES:
        row = []
        for accent in ACCENTS:
            c = compose(base, accent)
            pairs = []
            if c is not None:
                default = encode(c, default_cp)
                if default is not None:
                    pairs.append((0, default))
                for country, cp in LIST_COUNTRIES[1:]:
                    r = encode(c, cp)
                    if r is not None and r != default:
                        pairs.append((country, r))
                if default is None and pairs:
                    # Only some countries have it: the default entry says none.
                    pairs.insert(0, (0, 0))
            row.append((len(pairs), len(results)))
            results.extend(pairs)
        slots.append(row)
    own = []
    for country, cp in OWN_COUNTRIES:
        chars = page(cp)
        entries = []
        for code in range(0x40, 0xFF):
            base = chars[code]
            if not (base == " " or unicodedata.category(base).startswith("L")):
                continue
            res = []
            for accent in ACCENTS:
                c = compose(base, accent)
                r = encode(c, cp) if c is not None else None
                res.append(r or 0)
            if any(res):
                entries.append([code] + res)
        own.append((country, entries))
    return slots, results, own


# ---------------------------------------------------------------------------
# Monocasing: lower-case letters beyond a-z (which the translator raises by
# itself) and their upper-case partners, per country; a character whose
# partner differs between the countries is marked 0xFF and resolved by its
# (country, partner) list.
def upper_partner(code, cp):
    chars = page(cp)
    ch = chars[code]
    if not unicodedata.category(ch) == "Ll":
        return 0
    up = ch.upper()
    if len(up) != 1 or up == ch:
        return 0
    return encode(up, cp) or 0


def plain_lower(code):
    return 0x81 <= code <= 0x89 or 0x91 <= code <= 0x99 or 0xA2 <= code <= 0xA9


def monocase_lists():
    pairs = []
    country_lists = []  # (character, count, offset)
    country_pairs = []
    for code in range(0x40, 0xFF):
        if plain_lower(code):
            continue
        partners = [(country, upper_partner(code, cp)) for country, cp in LIST_COUNTRIES]
        values = {p for _, p in partners}
        if values == {0}:
            continue
        if len(values) == 1:
            pairs.append((code, partners[0][1]))
            continue
        pairs.append((code, 0xFF))
        default = partners[0][1]
        entries = [(0, default)] + [(c, p) for c, p in partners[1:] if p != default]
        country_lists.append((code, len(entries), len(country_pairs)))
        country_pairs.extend(entries)
    return pairs, country_lists, country_pairs


# ---------------------------------------------------------------------------
# Built-in translation tables (keyboard code "BC", EBCDIC 037 characters).
E = lambda ch: encode(ch, "cp037")


def base_planes(digit, flags):
    typewriter = digit in ("1", "3")
    decimal_comma = digit in ("3", "4")
    p0 = [(35, 0)] * 128
    p1 = [(35, 0)] * 128

    def key(scan, unshifted, shifted=None):
        p0[scan] = unshifted
        p1[scan] = shifted if shifted is not None else unshifted

    def letters(first, text):
        for i, ch in enumerate(text):
            key(first + i, (10, E(ch)), (9, E(ch.upper())))

    def data(scan, lower, upper):
        key(scan, (11, E(lower)), (11, E(upper)))

    letters(0x01, "zxcvbnm")
    data(0x08, ",", "<")
    data(0x09, ".", ">")
    data(0x0A, "/", "?")
    key(0x0F, (16, 0x40))
    letters(0x11, "asdfghjkl")
    data(0x1A, ";", ":")
    data(0x1B, "'", '"')
    data(0x1C, "\\", "|")
    key(0x1D, (34, 0))
    letters(0x21, "qwertyuiop")
    data(0x2B, "[", "{")
    data(0x2C, "]", "}")
    for i, (digit_ch, upper) in enumerate(zip("1234567890", "!@#$%\u00ac&*()")):
        key(0x31 + i, (13, E(digit_ch)), (11, E(upper)))
    data(0x3B, "-", "_")
    data(0x3C, "=", "+")
    data(0x3D, "\u00a2", "!")
    key(0x3E, (38, 2), (37, 1))
    for i in range(10):
        key(0x40 + i, (14, 0xF0 + i))
    key(0x4A, (11, E("," if decimal_comma else ".")))
    if typewriter:
        key(0x4B, (11, E("-")))
        key(0x4C, (11, E("+")))
    else:
        key(0x4B, (2, 2))
        key(0x4C, (2, 3))
    key(0x4D, (11, E("." if decimal_comma else ",")))
    key(0x4E, (6, 4))
    key(0x4F, (39, 0x40))
    key(0x50, (1, 1))
    key(0x51, (23, 3))
    key(0x52, (1, 10), (1, 12))
    key(0x53, (1, 8), (1, 9))
    key(0x54, (32, 1))
    key(0x56, (32, 3))
    key(0x57, (32, 2))
    key(0x58, (3, 16))
    key(0x59, (6, 4))
    key(0x5A, (4, 1))
    key(0x5B, (4, 2), (4, 3))
    key(0x5C, (1, 6))
    key(0x5D, (1, 7))
    key(0x5E, (1, 2), (1, 4))
    key(0x5F, (1, 3), (1, 5))
    key(0x60, (1, 13))
    data(0x61, "`", "~")
    key(0x62, (3, 1))
    key(0x63, (3, 2))
    key(0x64, (3, 3))
    key(0x65, (3, 10))
    key(0x66, (2, 1), (2, 4))
    key(0x67, (3, 11))
    key(0x68, (6, 7))
    key(0x69, (6, 1))
    key(0x6A, (6, 2))
    key(0x6B, (6, 3))
    key(0x6C, (6, 5))
    key(0x6D, (6, 8), (6, 9))
    key(0x6E, (6, 10), (6, 6))
    key(0x6F, (3, 12))
    for i in range(12):
        key(0x70 + i, (5, i + 1), (5, i + 13))
    key(0x7C, (1, 14))
    return p0, p1


PF13_TO_24_SCANS = [0x0B, 0x0C, 0x0D, 0x0E, 0x10, 0x1E, 0x1F, 0x20, 0x2D, 0x2E, 0x2F, 0x30]


def six_planes():
    p0, p1 = base_planes("2", 0x10)
    for i in range(12):
        p0[0x70 + i] = p1[0x70 + i] = (5, i + 1)
        p0[PF13_TO_24_SCANS[i]] = p1[PF13_TO_24_SCANS[i]] = (5, i + 13)
    for plane in (p0, p1):
        plane[0x54] = (32, 9)    # Caps Lock
        plane[0x55] = (32, 7)    # left Alt
        plane[0x7D] = (32, 8)    # right Alt
        plane[0x7E] = (32, 13)   # left layer
        plane[0x7F] = (32, 14)   # right layer
    # The Alt plane: no functions of its own besides the shift-type keys (in
    # text assist the translator then asks for the Alt functions).
    p2 = [(34, 0)] * 128
    for scan in (0x00, 0x51):
        p2[scan] = p0[scan]
    for scan in range(128):
        if p0[scan][0] == 32:
            p2[scan] = p0[scan]
    return [p0, p1, p2, list(p0), list(p1), list(p2)]


BUILT_INS = [  # name digit, flags, plane count word
    ("2", 0x00), ("4", 0x00), ("1", 0x00), ("3", 0x00), ("5", 0x10),
]


def table_image(digit, flags):
    name = ("AJL" + digit + "Y0BC").encode("cp037")
    if digit == "5":
        planes = six_planes()
        plane_word = 3
    else:
        planes = list(base_planes(digit, flags))
        plane_word = 1
    head = bytearray(42)
    head[12:20] = name
    head[20:22] = b"\x80\x00"
    head[22:24] = "10".encode("cp037")
    head[38:40] = plane_word.to_bytes(2, "big")
    head[40] = 0x19
    head[41] = flags
    body = bytearray()
    for plane in planes:
        for cat, code in plane:
            body += bytes((cat, code))
    return bytes(head) + bytes(body)


# ---------------------------------------------------------------------------
def c_bytes(data, indent="    ", per_line=16):
    lines = []
    for i in range(0, len(data), per_line):
        lines.append(indent + ", ".join("0x%02X" % b for b in data[i:i + per_line]) + ",")
    return "\n".join(lines)


def generate():
    out = []
    w = out.append
    w("// Generated by scripts/gen_keyboard_tables.py from the EBCDIC code pages.")
    w("// Do not edit: change the script and run it again.")
    w('#include "keyboard/GeneratedTables.h"')
    w("")
    w("namespace keyboard_data {")
    w("")
    names = []
    for digit, flags in BUILT_INS:
        image = table_image(digit, flags)
        ident = "kTableAJL%sY0BC" % digit
        names.append(ident)
        w("// \"AJL%sY0BC\": %d entries." % (digit, (len(image) - 42) // 2))
        w("alignas(2) const unsigned char %s[%d] = {" % (ident, len(image)))
        w(c_bytes(image))
        w("};")
        w("")
    w("const unsigned char* const kBuiltInTables[kBuiltInTableCount] = {")
    for n in names:
        w("    %s," % n)
    w("};")
    w("const unsigned int kBuiltInTableLengths[kBuiltInTableCount] = {")
    for n, (digit, flags) in zip(names, BUILT_INS):
        w("    sizeof %s," % n)
    w("};")
    w("")

    slots, results, own = dead_key_tables()
    w("const unsigned char kDiacriticBases[kDiacriticBaseCount] = {")
    w(c_bytes([E(ch) for ch in BASES]))
    w("};")
    w("")
    w("// [base][accent - 1]: the run of (country, result) pairs; the first pair")
    w("// (country 0) is the default.")
    w("const DiacriticSlot kDiacriticSlots[kDiacriticBaseCount][kAccentCount] = {")
    for row in slots:
        w("    {" + ", ".join("{%d, %d}" % s for s in row) + "},")
    w("};")
    w("const DiacriticResult kDiacriticResults[%d] = {" % max(1, len(results)))
    for i in range(0, len(results), 8):
        w("    " + " ".join("{0x%02X, 0x%02X}," % r for r in results[i:i + 8]))
    w("};")
    w("const unsigned int kDiacriticResultCount = %d;" % len(results))
    w("")
    for country, entries in own:
        w("// Country 0x%02X: base character, then the result of accents 1-12." % country)
        w("const unsigned char kOwnDiacritics%02X[%d] = {" % (country, len(entries) * 13))
        for e in entries:
            w("    " + ", ".join("0x%02X" % b for b in e) + ",")
        w("};")
    w("const CountryDiacriticTable kCountryDiacriticTables[kCountryDiacriticTableCount] = {")
    for country, entries in own:
        w("    {0x%02X, 13, %d, kOwnDiacritics%02X}," % (country, len(entries), country))
    for _ in range(6 - len(own)):
        w("    {0, 13, 0, nullptr},")
    w("};")
    w("")

    pairs, country_lists, country_pairs = monocase_lists()
    w("// Lower-case character, upper-case partner (0xFF: by country).")
    w("const unsigned char kMonocasePairs[%d][2] = {" % len(pairs))
    for i in range(0, len(pairs), 8):
        w("    " + " ".join("{0x%02X, 0x%02X}," % p for p in pairs[i:i + 8]))
    w("};")
    w("const unsigned int kMonocasePairCount = %d;" % len(pairs))
    w("const MonocaseCountryList kMonocaseCountryLists[%d] = {" % len(country_lists))
    for c in country_lists:
        w("    {0x%02X, %d, %d}," % c)
    w("};")
    w("const unsigned int kMonocaseCountryListCount = %d;" % len(country_lists))
    w("const DiacriticResult kMonocaseCountryPairs[%d] = {" % len(country_pairs))
    for i in range(0, len(country_pairs), 8):
        w("    " + " ".join("{0x%02X, 0x%02X}," % r for r in country_pairs[i:i + 8]))
    w("};")
    w("")
    w("const CountryCodePage kCountryCodePages[kCountryCount] = {")
    for country, cp in LIST_COUNTRIES + OWN_COUNTRIES:
        w('    {0x%02X, "%s"},' % (country, cp))
    w("};")
    w("")
    w("}  // namespace keyboard_data")
    return "\n".join(out) + "\n"


def main():
    text = generate()
    if "--stdout" in sys.argv[1:]:
        sys.stdout.write(text)
        return
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(root, "keyboard", "GeneratedTables.cpp"), "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
