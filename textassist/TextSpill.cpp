// Word spill: a word pushed past the right margin of a text line moves to
// the next line. In replace mode it lays over the start of the next line;
// in insert mode it pushes the next line's text right or opens a new line
// (scrolling an unchanged line off the bottom, or the top, of the text).
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {

bool isAttribute(unsigned char c) { return c >= 0x20 && c <= 0x3F; }
bool wordStartDelimiter(unsigned char c) {
  return c == 0x40 || c == kTab || c == kRequiredTab || c == 0x0B || c == 0x0D || c == 0x00;
}
}  // namespace

bool TextSession::wordSpillDelimiter(unsigned char c) const {
  switch (c) {
    case 0x40: case 0x06: case 0x1F: case 0x00: case 0x41: case 0x0C: case 0x1E: case 0x1A: case 0x0B: case 0x0D:
      return true;
    case 0x74:
      return languageUsesAltReqSpace();
    default:
      return false;
  }
}

bool TextSession::spill(unsigned int& cursor, bool& hostMustSpill) {
  hostMustSpill = false;
  if (!cursor) return false;
  if (isRightToLeftLine(rowOf(cursorPos)) && rowOf(cursor) == rowOf(cursorPos)) return bidispill(cursor, hostMustSpill);
  const unsigned int row = rowOf(cursor - 1);
  if (!textLine(row)) return false;
  const unsigned int R = rightmar(row);
  const TabContext t = tabfunctionact(R ? R - 1 : R);
  if (restrictedEditing()) {
    cursor = leftmar(findnonoutputonlyln(row, 3, false));
    return true;
  }
  if (!searchscaleline(row, 2) || (line(row).ctl & 0x04000000u)) return false;
  if (t.active && t.tabType == kTab && t.stopType != 3) return false;
  bool ok;
  if (promptInput()) {
    ok = insertMode() ? false : replacespill(cursor);
  } else if (insertMode() || charAt(cursorPos + 1u) == kPageEnd) {
    ok = insertspill(cursor, hostMustSpill);
  } else {
    ok = replacespill(cursor);
  }
  if (ok) line(row).editFlags &= ~0x80000000u;
  return ok;
}

unsigned int TextSession::spillwordsize(unsigned int row, bool& hyphenate, unsigned int& start,
                                        unsigned int& trailingBlanks) {
  hyphenate = false;
  trailingBlanks = 0;
  const unsigned int M = leftmar(row), R = rightmar(row);
  const unsigned int rowEnd = row * cols - 1u;
  unsigned int scan = R;
  const unsigned char after = R < rowEnd ? charAt(R + 1) : 0;
  if ((line(row).editFlags & 0x80000000u) && after && !isAttribute(after) && after != kCarrierReturn) scan = R + 1;
  if (isTab(charAt(scan)) && cursorPos != R) {
    start = R;
    return 1;
  }
  if (R > M && isTab(charAt(R - 1))) {
    start = R - 1;
    return 1;
  }
  unsigned int end = scan;
  unsigned int p = scan;
  bool haveEnd = false;
  if (charAt(p) == reqCarrierReturnChar || charAt(p) == kPageEnd) {
    haveEnd = true;
    if (p > M) --p;
  }
  // Trailing blanks stay with the word; nulls and carrier returns after it
  // do not.
  while (p > M) {
    const unsigned char c = charAt(p);
    if (c == 0x40) {
      if (!haveEnd) {
        end = p;
        haveEnd = true;
      }
      if (!line(row).segments) ++trailingBlanks;
    } else if (c != 0x00 && c != kCarrierReturn) {
      break;
    } else if (haveEnd && c == kCarrierReturn) {
      break;
    }
    --p;
  }
  if (p <= M && (charAt(p) == 0x40 || !charAt(p) || charAt(p) == kCarrierReturn)) {
    hyphenate = true;
    start = R;
    return 1;
  }
  if (!haveEnd) end = p;
  if (bidihosteditor() && (positionInSegment(p) || line(row).segments || charAt(p) == 0x0B || charAt(p) == 0x0D)) {
    const unsigned int n = spillsegmentsize(row, hyphenate, p, start);
    return start <= end && !hyphenate ? end - start + 1 : n;
  }
  unsigned int s = p;
  while (s > M) {
    const unsigned char c = charAt(s - 1);
    if (wordStartDelimiter(c) && (end - s + 1) >= cursorOutState) break;
    --s;
  }
  if (s == M && !wordSpillDelimiter(charAt(M)) && !wordStartDelimiter(charAt(M))) {
    hyphenate = true;
    start = R;
    if (scan == R + 1 && after != kCarrierReturn) return 2;
    return 1;
  }
  start = s;
  return end - s + 1;
}

bool TextSession::replacespill(unsigned int& cursor) {
  if (isRightToLeftLine(rowOf(cursorPos)) && rowOf(cursor) == rowOf(cursorPos)) return bidireplacespill(cursor);
  const unsigned int row = rowOf(cursor - 1);
  const unsigned int N = row + 1;
  if (N > kRows || N > textDef.lastTextRow) return false;
  bool hyphenate = false;
  unsigned int start = 0, blanks = 0;
  const unsigned int length = spillwordsize(row, hyphenate, start, blanks);
  const LineControlRecord& n = line(N);
  if (n.ctl & (line_ctl::kNotText | line_ctl::kShownOnly)) return false;
  if ((line(row).ctl & 0x02000000u) && ((n.ctl3 ^ line(row).ctl3) & 0x80000000u)) return false;
  const unsigned int E = effectiveleftmar(N);
  for (unsigned int i = 0; i < length; ++i) {
    switch (charAt(E + i)) {
      case 0x1C: case 0x07: case 0xFC: case 0x0B: case 0x0D: case 0x1A:
        return false;
      default:
        break;
    }
  }
  if (!searchscaleline(N, 1)) return false;
  if (length > rightmar(N) - leftmar(N)) return false;
  for (unsigned int i = 0; i < length; ++i)
    if (charAt(E + i) == kPageEnd) {
      bool host = false;
      return insertspill(cursor, host);
    }
  if (!spillSegmentWord(start, length, E, blanks, hyphenate)) spillword(start, length, E, hyphenate, Plane2, false);
  CRonline(row);
  line(N).ctl |= line_ctl::kChanged;
  cursor = E + length;
  return true;
}

bool TextSession::cursorInSpillWord(unsigned int cursor, unsigned int start, unsigned int length) const {
  return cursor >= start && cursor <= start + length;
}

bool TextSession::rcrcheck(unsigned int start, unsigned int length) const {
  for (unsigned int i = 0; i < length; ++i)
    if (charAt(start + i) == reqCarrierReturnChar) return true;
  return false;
}

bool TextSession::tabcharsexist(unsigned int row) {
  for (unsigned int p = leftmar(row); p <= rightmar(row); ++p)
    if (isTab(charAt(p))) return true;
  return false;
}

unsigned int TextSession::spilllineroom(unsigned int row) {
  const unsigned int E = effectiveleftmar(row), R = rightmar(row);
  for (unsigned int p = R + 1; p-- > E;)
    if (charAt(p)) return R - p;
  return R - E + 1;
}

unsigned int TextSession::computeindentoffset(unsigned int row, bool toRightMargin) {
  const unsigned int E = effectiveleftmar(row), R = rightmar(row);
  const unsigned int to = toRightMargin ? R : (cursorPos ? cursorPos - 1u : 0);
  unsigned int count = 0;
  for (unsigned int p = E; p <= to && p <= R; ++p)
    if (charAt(p) == kRequiredTab) ++count;
  if (!count) return 0;
  unsigned int at = E;
  while (count) {
    unsigned char type = 0;
    const int stop = findtabstop(at, R, type);
    if (stop < 0) break;
    at = static_cast<unsigned int>(stop);
    --count;
  }
  unsigned int indent = at - E + count;
  if (E + indent > R) indent = R - E - 1;
  return indent;
}

bool TextSession::cinsertpossible(unsigned int cursor, unsigned int indent, unsigned int length) {
  const unsigned int row = rowOf(cursor ? cursor - 1 : cursor);
  const unsigned int E = effectiveleftmar(row), R = rightmar(row);
  const unsigned int needed = length + (addtabchar(cursor) ? 1u : 0u);
  return E + indent + needed <= R;
}

bool TextSession::addtabchar(unsigned int pos) {
  if (!(textDef.defFlags & 0x80000000u) || pos > lastOffsetOfScreen()) return false;
  const unsigned char c = charAt(pos);
  if (c != kCarrierReturn && c != reqCarrierReturnChar) return false;
  return tabfunctionact(pos).active;
}

void TextSession::copyRows(unsigned int from, unsigned int to, unsigned int dest) {
  if (from > to) return;
  const unsigned int first = (from - 1) * cols, last = to * cols - 1, d = (dest - 1) * cols;
  if (last > lastOffsetOfScreen() || d + (last - first) > lastOffsetOfScreen()) return;
  psBuffer->copyRange(first, last, d);
  if (extendedPlanes()) primaryBuffer->copyRangeInAllECBPlanes(first, last, d);
}

void TextSession::emptyRow(unsigned int row) {
  nullline(row);
  if (extendedPlanes() && row >= 1 && row <= rows)
    primaryBuffer->clearAllECBPlanes(static_cast<int>((row - 1) * cols), static_cast<int>(row * cols - 1));
}

void TextSession::copylinesdown(unsigned int row) {
  copyRows(row + 1, textDef.lastTextRow - 1, row + 2);
}

void TextSession::copylinesup(unsigned int row) {
  copyRows(textDef.firstTextRow + 1, row, textDef.firstTextRow);
}

namespace {
// The columns of a row that move under column editing: the text between
// the margins with the attribute positions on either side of it (a word
// pushed past the right margin waits in the one after it), or the four side
// columns before the left margin and after the right margin when the
// definition asks for them; kept on the row.
struct ColumnSpan {
  unsigned int first, last;
};

ColumnSpan columnSpan(unsigned int rowStart, unsigned int rowLast, unsigned int left, unsigned int right,
                      uint32_t defFlags) {
  ColumnSpan c{left > rowStart ? left - 1 : left, right < rowLast ? right + 1 : right};
  if (defFlags & 0x40000000u) c.first = left >= rowStart + 4 ? left - 4 : rowStart;
  if (defFlags & 0x20000000u) c.last = right + 4 <= rowLast ? right + 4 : rowLast;
  return c;
}
}  // namespace

void TextSession::coleditcpylinesdown(unsigned int row) {
  const unsigned int last = textDef.lastTextRow;
  if (last < 2 || last > rows || row + 1 > last) return;
  // From the bottom up, so that no row is overwritten before it moved.
  for (unsigned int r = last - 1; r > row; --r) {
    const ColumnSpan c =
        columnSpan((r - 1) * cols, r * cols - 1u, leftmar(r), rightmar(r), textDef.defFlags);
    if (c.last < c.first || c.last + cols > lastOffsetOfScreen()) continue;
    psBuffer->copyRange(c.first, c.last, c.first + cols);
    if (extendedPlanes()) primaryBuffer->copyRangeInAllECBPlanes(c.first, c.last, c.first + cols);
  }
}

void TextSession::coleditcpylinesup(unsigned int row) {
  const unsigned int first = textDef.firstTextRow;
  if (first < 1 || row > rows) return;
  for (unsigned int r = first + 1; r <= row; ++r) {
    const ColumnSpan c =
        columnSpan((r - 1) * cols, r * cols - 1u, leftmar(r), rightmar(r), textDef.defFlags);
    if (c.last < c.first || c.first < cols) continue;
    psBuffer->copyRange(c.first, c.last, c.first - cols);
    if (extendedPlanes()) primaryBuffer->copyRangeInAllECBPlanes(c.first, c.last, c.first - cols);
  }
}

void TextSession::nullColEditLine(unsigned int row) {
  if (row < 1 || row > rows) return;
  const unsigned int rowStart = (row - 1) * cols, rowLast = row * cols - 1u;
  const unsigned int L = leftmar(row), R = rightmar(row);
  const unsigned int first = L > rowStart ? L - 1 : L;
  const unsigned int last = R < rowLast ? R + 1 : R;
  if (last < first) return;
  psBuffer->fillRange(first, last, 0x00);
  if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(first), static_cast<int>(last));
}

bool TextSession::continuousinsert(unsigned int row, int& direction, unsigned int indent) {
  const unsigned int first = textDef.firstTextRow, last = textDef.lastTextRow;
  if (last > rows || first < 1 || row < first || row > last) return false;
  const bool columns = (textDef.defFlags & 0x80000000u) != 0;
  // Under column editing the side columns of the line go to the new line.
  unsigned char side[3][8] = {};
  const unsigned int L = leftmar(row), R = rightmar(row);
  const unsigned int rowStart = (row - 1) * cols, rowLast = row * cols - 1u;
  const bool leftSide = columns && (textDef.defFlags & 0x40000000u) && L >= rowStart + 4;
  const bool rightSide = columns && (textDef.defFlags & 0x20000000u) && R + 4 <= rowLast;
  auto keepSides = [&]() {
    for (unsigned int k = 0; k < 2; ++k) {
      if (!(k ? rightSide : leftSide)) continue;
      const unsigned int at = k ? R + 1 : L - 4;
      psBuffer->getData(at, 4, side[0] + 4 * k);
      if (!extendedPlanes()) continue;
      primaryBuffer->getData(at, 4, side[1] + 4 * k);
      secondaryBuffer->getData(at, 4, side[2] + 4 * k);
    }
  };
  auto putSides = [&](unsigned int shift) {
    for (unsigned int k = 0; k < 2; ++k) {
      if (!(k ? rightSide : leftSide)) continue;
      const unsigned int at = (k ? R + 1 : L - 4) + shift;
      if (at + 3 > lastOffsetOfScreen()) continue;
      psBuffer->writeData(side[0] + 4 * k, 4, at);
      if (!extendedPlanes()) continue;
      primaryBuffer->writeData(side[1] + 4 * k, 4, at);
      secondaryBuffer->writeData(side[2] + 4 * k, 4, at);
    }
  };
  if (!(line(last).ctl & line_ctl::kChanged) && row != last) {
    direction = 3;
    if (columns) {
      keepSides();
      coleditcpylinesdown(row);
      nullColEditLine(row + 1);
      putSides(cols);
    } else {
      copylinesdown(row);
      emptyRow(row + 1);
    }
  } else if ((line(first).ctl & line_ctl::kChanged) || row == first) {
    operatorerror(76);
    return false;
  } else {
    direction = 2;
    firstLineNumber += line(first).spacing;
    if (columns) {
      keepSides();
      coleditcpylinesup(row);
      nullColEditLine(row);
      putSides(0);
    } else {
      copylinesup(row);
      emptyRow(row);
    }
  }
  updatelcdtable(direction, row, indent);
  return true;
}

bool TextSession::insertspill(unsigned int& cursor, bool& hostMustSpill) {
  if (isRightToLeftLine(rowOf(cursorPos)) && rowOf(cursor) == rowOf(cursorPos))
    return bidiinsertspill(cursor, hostMustSpill);
  unsigned int row = rowOf(cursor - 1);
  if (!searchscaleline(row, 1) && !getLCDindentoffset(row)) {
    hostMustSpill = true;
    return false;
  }
  bool hyphenate = false;
  unsigned int start = 0, blanks = 0;
  unsigned int length = spillwordsize(row, hyphenate, start, blanks);
  const unsigned int indent = computeindentoffset(row, true);
  const unsigned int C = cursor;
  unsigned int N = row + 1;
  const bool nextUsable = N <= textDef.lastTextRow && N < kRows && textLine(N);
  if (nextUsable) {
    const unsigned int EN = effectiveleftmar(N), EL = effectiveleftmar(row);
    const bool sameColumn = !(searchscaleline(N, 1) || EN > leftmar(N)) || columnOf(EN) == columnOf(EL) + indent;
    if (length <= spilllineroom(N) && !tabcharsexist(N) && !rcrcheck(start, length) &&
        !(line(row).ctl & 0x02000000u) && line(row).scaleLineId == line(N).scaleLineId &&
        !(line(N).ctl & line_ctl::kShownOnly) && (searchscaleline(N, 1) || !getLCDindentoffset(row)) && sameColumn) {
      // Room on the next line: its text moves right by the word's length.
      unsigned int lastUsed = EN;
      bool any = false;
      for (unsigned int p = rightmar(N) + 1; p-- > EN;)
        if (charAt(p)) {
          lastUsed = p;
          any = true;
          break;
        }
      if (any) shiftchars(EN, lastUsed - EN + 1, static_cast<int>(length));
      if (!spillSegmentWord(start, length, EN, blanks, hyphenate))
        if (!spillSegmentWord(start, length, EN, blanks, hyphenate)) spillword(start, length, EN, hyphenate, Plane2, false);
      if (cursorInSpillWord(C, start, length)) {
        cursor = EN + (C - start);
        cursorPlane = leftmostActivePlane(cursor);
      }
      CRonline(row);
      updateLineEnder(N);
      return true;
    }
  }
  const unsigned int rowEnd = row * cols - 1u;
  if (rightmar(row) < rowEnd && charAt(rightmar(row) + 1) == hyphenChar && !(line(row).editFlags & 0x80000000u))
    ++length;
  if (!cinsertpossible(C, indent, length)) return false;
  int direction = 3;
  if (!continuousinsert(row, direction, indent)) return false;
  if (direction == 2) {
    row -= 1;
    start -= cols;
    cursor -= cols;
  }
  N = row + 1;
  unsigned int EN = effectiveleftmar(N);
  if (EN > rightmar(N)) EN = rightmar(N);
  if (!spillSegmentWord(start, length, EN, blanks, hyphenate)) spillword(start, length, EN, hyphenate, Plane2, false);
  const unsigned int c = direction == 2 ? C - cols : C;
  if (cursorInSpillWord(c, start, length)) {
    cursor = EN + (c - start);
    cursorPlane = leftmostActivePlane(cursor);
  }
  CRonline(row);
  if (line(row).ctl & 0x02000000u) {
    line(row).ctl &= ~0x02000000u;
    line(N).ctl |= 0x02000000u;
  }
  updateLineEnder(N);
  return true;
}

void TextSession::spillword(unsigned int start, unsigned int length, unsigned int dest, bool hyphenate,
                            PlaneNumber, bool addTab) {
  const unsigned int S = rowOf(start), D = rowOf(dest);
  if (!length || length > kMaxColumns) return;
  // The attribute positions stay in front of the destination, before a tab
  // that goes with the word.
  const unsigned int before = dest;
  if (addTab && intabbounds(start).active && dest < D * cols - 1u) {
    psBuffer->writeCharacter(dest, kTab);
    ++dest;
  }
  if (dest + length - 1 > D * cols - 1u || start + length - 1 > lastOffsetOfScreen()) return;
  const bool planes = extendedPlanes();
  // A word-underscore run through the word: where it starts and ends.
  unsigned int runStart = 0, runEnd = 0;
  const bool underscored = planes && WUSIsActive(start, Plane2, runStart, runEnd);
  unsigned char word[kMaxColumns], prim[kMaxColumns] = {}, sec[kMaxColumns] = {};
  psBuffer->getData(start, length, word);
  if (planes) {
    primaryBuffer->getData(start, length, prim);
    secondaryBuffer->getData(start, length, sec);
  }
  const unsigned int rowStart = (S - 1) * cols;
  // The display attribute in effect before the word.
  unsigned char attribute = 0;
  for (unsigned int p = start; p-- > rowStart;)
    if (isAttribute(charAt(p))) {
      attribute = charAt(p);
      break;
    }
  // The primary attribute in effect at the word's start, back to the
  // position before the left margin.
  unsigned char primaryInEffect = 0;
  if (planes) {
    const unsigned int L = leftmar(S);
    const unsigned int from = L > rowStart ? L - 1 : L;
    for (unsigned int p = start + 1; p-- > from;)
      if (planeByte(p, 1) & 0x80) {
        primaryInEffect = planeByte(p, 1);
        break;
      }
  }
  const unsigned int R = rightmar(S);
  const unsigned int clearTo = R + 1 <= S * cols - 1u ? R + 1 : R;
  psBuffer->fillRange(start, clearTo, 0x00);
  if (planes) primaryBuffer->clearAllECBPlanes(static_cast<int>(start), static_cast<int>(clearTo));
  psBuffer->writeData(word, length, dest);
  if (planes) {
    primaryBuffer->writeData(prim, length, dest);
    secondaryBuffer->writeData(sec, length, dest);
    if (underscored) {
      // The run is cut where the word left: what stays ends before it, the
      // moved part is a run of its own from the destination on.
      const auto mark = [&](unsigned int first, unsigned int last) {
        for (unsigned int p = first; p < last; ++p)
          secondaryBuffer->writeCharacter(p, static_cast<unsigned char>(planeByte(p, 2) | 0x84));
        const unsigned char b = planeByte(last, 2);
        secondaryBuffer->writeCharacter(
            last, first == last ? static_cast<unsigned char>(b | 0x84) : static_cast<unsigned char>((b & ~0x04) | 0x80));
      };
      if (runStart < start) mark(runStart, start - 1);
      const unsigned int movedEnd = runEnd < start + length ? runEnd : start + length - 1;
      mark(dest, dest + (movedEnd - start));
      line(D).ctl3 |= 1u << 26;
    }
    setTermHalfIndexAttr(S);
  }
  updatetermattr(S);
  if (before > (D - 1) * cols) {
    const unsigned int at = before - 1;
    if (planes || !attribute)
      psBuffer->writeCharacter(at, 0x20);
    else
      psBuffer->writeCharacter(at, attribute);
    if (planes) {
      primaryBuffer->writeCharacter(at, (line(S).ctl3 & 0x08000000u) ? primaryInEffect : 0);
      // A half-index shift still open at the end of the source line opens
      // again in front of the word.
      const unsigned char open = getRMSecAttr(S);
      if (open) secondaryBuffer->writeCharacter(at, open == 0x81 ? 0x82 : 0x81);
      setTermHalfIndexAttr(D);
    }
  }
  updatetermattr(D);
  line(D).ctl |= line_ctl::kChanged;
  line(S).ctl |= line_ctl::kChanged;
  if (hyphenate) psBuffer->writeCharacter(R, hyphenChar);
}

void TextSession::setTermHalfIndexAttr(unsigned int row) {
  if (!extendedPlanes() || !secondaryBuffer || row < 1 || row > rows) return;
  const unsigned int rowStart = (row - 1) * cols, rowLast = row * cols - 1u;
  const unsigned int E = effectiveleftmar(row), R = rightmar(row);
  unsigned char state = 0;
  for (unsigned int p = E > rowStart ? E - 1 : E; p <= R; ++p) {
    const unsigned char a = planeByte(p, 2);
    if (!(a & 0x80)) continue;
    if (a & 0x01)
      state = state == 0x81 ? 0 : 0x82;
    else if (a & 0x02)
      state = state == 0x82 ? 0 : 0x81;
  }
  secondaryBuffer->writeCharacter(R < rowLast ? R + 1 : R, state);
}

unsigned char TextSession::getRMSecAttr(unsigned int row) {
  if (!extendedPlanes() || !secondaryBuffer || row < 1 || row > rows) return 0;
  const unsigned int R = rightmar(row);
  const unsigned char a = planeByte(R < row * cols - 1u ? R + 1 : R, 2);
  if (a & 0x01) return 0x81;
  if (a & 0x02) return 0x82;
  return 0;
}

void TextSession::updatetermattr(unsigned int row) {
  if (!textLine(row)) return;
  const unsigned int R = rightmar(row);
  if (R + 1 > row * cols - 1u) return;
  LineControlRecord& l = line(row);
  if (extendedPlanes()) {
    unsigned char inEffect = 0;
    for (unsigned int p = R + 1; p-- > (row - 1) * cols;)
      if (planeByte(p, 1) & 0x80) {
        inEffect = planeByte(p, 1);
        break;
      }
    if ((inEffect & 0x80) && inEffect != 0x80) {
      primaryBuffer->writeCharacter(R + 1, 0x80);
      if ((textDef.defFlags & 0xA0000000u) == 0xA0000000u) psBuffer->writeCharacter(R + 1, 0x20);
      l.ctl3 |= 0x08000000u;
    } else {
      primaryBuffer->writeCharacter(R + 1, 0x00);
      l.ctl3 &= ~0x08000000u;
    }
    return;
  }
  unsigned char inEffect = 0;
  for (unsigned int p = R + 1; p-- > (row - 1) * cols;)
    if (isAttribute(charAt(p))) {
      inEffect = charAt(p);
      break;
    }
  if (inEffect >= 0x21 && inEffect <= 0x27) psBuffer->writeCharacter(R + 1, 0x20);
  l.ctl3 &= ~0x08000000u;
}

bool TextSession::CRonline(unsigned int row) {
  if (!textLine(row)) return false;
  if (isRightToLeftLine(row)) return bidiCRonline(row);
  const unsigned int L = leftmar(row), R = rightmar(row);
  unsigned int last = 0;
  bool any = false;
  for (unsigned int p = R + 1; p-- > L;)
    if (charAt(p)) {
      last = p;
      any = true;
      break;
    }
  if (!any || last >= R || !searchscaleline(row, 2)) return false;
  const unsigned char c = charAt(last);
  if (c == kCarrierReturn || c == hyphenChar || c == reqCarrierReturnChar || c == kPageEnd) return false;
  if (isTab(c)) {
    unsigned char type = 0;
    const int stop = findtabstop(last, R, type);
    psBuffer->writeCharacter(stop >= 0 ? static_cast<unsigned int>(stop) : last + 1, kCarrierReturn);
    return true;
  }
  psBuffer->writeCharacter(last + 1, kCarrierReturn);
  return true;
}

void TextSession::updateLineEnder(unsigned int row) {
  if (!textLine(row)) return;
  if (isRightToLeftLine(row)) {
    bidiupdateLineEnder(row);
    return;
  }
  const unsigned int L = leftmar(row), R = rightmar(row);
  for (unsigned int p = R + 1; p-- > L;) {
    const unsigned char c = charAt(p);
    if (!c) continue;
    if (p < R && c != reqCarrierReturnChar && c != kCarrierReturn && c != hyphenChar)
      psBuffer->writeCharacter(p + 1, kCarrierReturn);
    return;
  }
}
