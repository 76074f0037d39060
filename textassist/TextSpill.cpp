// Word spill: a word pushed past the right margin of a text line moves to
// the next line. In replace mode it lays over the start of the next line;
// in insert mode it pushes the next line's text right or opens a new line
// (scrolling an unchanged line off the bottom, or the top, of the text).
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned char kTab = 0x05;
constexpr unsigned char kRequiredTab = 0x02;
constexpr unsigned char kCarrierReturn = 0x03;
constexpr unsigned char kPageEnd = 0x0C;

bool isTab(unsigned char c) { return c == kTab || c == kRequiredTab; }
bool isAttribute(unsigned char c) { return c >= 0x20 && c <= 0x3F; }
bool wordStartDelimiter(unsigned char c) {
  return c == 0x40 || c == kTab || c == kRequiredTab || c == 0x0B || c == 0x0D || c == 0x00;
}
}  // namespace

bool TextSession::wordSpillDelimiter(unsigned char c) const {
  switch (c) {
    case 0x40: case 0x06: case 0x1F: case 0x00: case 0x41: case 0x0C: case 0x1E: case 0x1A: case 0x0B: case 0x0D:
      return true;
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
  return E + indent + length <= R;
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

bool TextSession::continuousinsert(unsigned int row, int& direction, unsigned int indent) {
  const unsigned int first = textDef.firstTextRow, last = textDef.lastTextRow;
  if (last > rows || first < 1 || row < first || row > last) return false;
  if (!(line(last).ctl & line_ctl::kChanged) && row != last) {
    direction = 3;
    copyRows(row + 1, last - 1, row + 2);
    emptyRow(row + 1);
  } else if ((line(first).ctl & line_ctl::kChanged) || row == first) {
    operatorerror(76);
    return false;
  } else {
    direction = 2;
    firstLineNumber += line(first).spacing;
    copyRows(first + 1, row, first);
    emptyRow(row);
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
  if (addTab && intabbounds(start).active) {
    psBuffer->writeCharacter(dest, kTab);
    ++dest;
  }
  if (dest + length - 1 > D * cols - 1u || start + length - 1 > lastOffsetOfScreen()) return;
  unsigned char word[kMaxColumns], prim[kMaxColumns] = {}, sec[kMaxColumns] = {};
  psBuffer->getData(start, length, word);
  if (extendedPlanes()) {
    primaryBuffer->getData(start, length, prim);
    secondaryBuffer->getData(start, length, sec);
  }
  // The attribute in effect before the word.
  unsigned char attribute = 0;
  for (unsigned int p = start; p-- > (S - 1) * cols;)
    if (isAttribute(charAt(p))) {
      attribute = charAt(p);
      break;
    }
  const unsigned int R = rightmar(S);
  const unsigned int clearTo = R + 1 <= S * cols - 1u ? R + 1 : R;
  psBuffer->fillRange(start, clearTo, 0x00);
  if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(start), static_cast<int>(clearTo));
  psBuffer->writeData(word, length, dest);
  if (extendedPlanes()) {
    primaryBuffer->writeData(prim, length, dest);
    secondaryBuffer->writeData(sec, length, dest);
  }
  updatetermattr(S);
  if (dest > (D - 1) * cols) {
    if (extendedPlanes() || !attribute)
      psBuffer->writeCharacter(dest - 1, 0x20);
    else
      psBuffer->writeCharacter(dest - 1, attribute);
  }
  updatetermattr(D);
  line(D).ctl |= line_ctl::kChanged;
  line(S).ctl |= line_ctl::kChanged;
  if (hyphenate) psBuffer->writeCharacter(R, hyphenChar);
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
