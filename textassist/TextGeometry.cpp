// The geometry of one text line: its margins from the scale line, its tab
// characters and tab stops, and the re-alignment of tabbed text on its stop.
#include <cstring>

#include "display/DisplayBag.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

void TextSession::cacheMargins(unsigned int row) {
  const unsigned char* s = scaleLineOfRow(row);
  if (!s) return;
  if (marginCache.id != s[2]) marginCache = MarginCache();
  marginCache.id = s[2];
}

unsigned int TextSession::leftmar(unsigned int row) {
  const unsigned int first = (row - 1) * cols;
  const bool whole = (textDef.defFlags & 0x80000000u) != 0;
  if (!textLine(row) && !whole) return first;
  const unsigned char* s = scaleLineOfRow(row);
  for (unsigned int r = row; !s && whole && r > 1;) s = scaleLineOfRow(--r);
  if (!s) return first + textDef.lineCmdFieldSize + 1;
  if (marginCache.id == s[2] && marginCache.left) return first + marginCache.left - 1;
  const unsigned int len = s[0];
  unsigned int column = textDef.lineCmdFieldSize + 2;
  if (len >= 5 && s[4] == 1)
    column = s[3];
  else if (len >= 7 && s[4] == 11 && s[6] == 1)
    column = s[5];
  if (column < 1 || column > cols) column = textDef.lineCmdFieldSize + 2;
  if (marginCache.id != s[2]) marginCache = MarginCache();
  marginCache.id = s[2];
  marginCache.left = static_cast<uint16_t>(column);
  return first + column - 1;
}

unsigned int TextSession::rightmar(unsigned int row) {
  const unsigned int first = (row - 1) * cols;
  const bool whole = (textDef.defFlags & 0x80000000u) != 0;
  if (!textLine(row) && !whole) return first + cols - 1;
  const unsigned char* s = scaleLineOfRow(row);
  for (unsigned int r = row; !s && whole && r > 1;) s = scaleLineOfRow(--r);
  if (!s) return first + cols - 2;
  if (marginCache.id == s[2] && marginCache.right) return first + marginCache.right - 1;
  const unsigned int len = s[0];
  unsigned int column = cols - 1u;
  auto code = [&](unsigned int fromEnd) { return s[len - 2 * fromEnd + 1]; };
  auto col = [&](unsigned int fromEnd) { return s[len - 2 * fromEnd]; };
  const unsigned int pairs = len >= 3 ? (len - 3) / 2 : 0;
  if (pairs >= 1 && code(1) == 2)
    column = col(1);
  else if (len > 6 && pairs >= 2 && code(2) == 2 && (code(1) == 11 || code(1) == 12))
    column = col(2);
  else if (len > 8 && pairs >= 3 && code(3) == 2 && code(2) == 11 && code(1) == 12)
    column = col(3);
  if (column < 1 || column > cols) column = cols - 1u;
  if (marginCache.id != s[2]) marginCache = MarginCache();
  marginCache.id = s[2];
  marginCache.right = static_cast<uint16_t>(column);
  return first + column - 1;
}

unsigned int TextSession::effectiveleftmar(unsigned int row) {
  const unsigned int left = leftmar(row);
  if (!textLine(row) && !(textDef.defFlags & 0x80000000u)) return left;
  const unsigned int last = row * cols - 1;
  const unsigned int e = left + line(row).leftMarginOffset;
  return e <= last ? e : last;
}

bool TextSession::scaleLineError(unsigned int row) {
  if (row < 1 || row > kRows || scaleLineOfRow(row) || !textLine(row)) return false;
  modes |= text_mode::kScaleError;
  operatorerror(78);
  textSendAid(cursorPos, 0xE1);
  return true;
}

int TextSession::findtabchar(unsigned int pos, unsigned char& type, int direction) const {
  type = kTab;
  const unsigned int row = rowOf(pos);
  TextSession& self = const_cast<TextSession&>(*this);
  const unsigned int left = self.leftmar(row), right = self.rightmar(row);
  if (direction == 1) {
    if (pos > right) {
      if (isTab(charAt(right))) {
        type = charAt(right);
        return static_cast<int>(right);
      }
      return -1;
    }
    for (unsigned int p = pos; p <= right; ++p)
      if (isTab(charAt(p))) {
        type = charAt(p);
        return static_cast<int>(p);
      }
    return -1;
  }
  if (pos < left) {
    if (isTab(charAt(left))) {
      type = charAt(left);
      return static_cast<int>(left);
    }
    return -1;
  }
  for (unsigned int p = pos + 1; p-- > left;)
    if (isTab(charAt(p))) {
      type = charAt(p);
      return static_cast<int>(p);
    }
  return -1;
}

int TextSession::findtabstop(unsigned int from, unsigned int to, unsigned char& type) const {
  const unsigned char* s = scaleLineOfRow(rowOf(from));
  if (!s || s[0] < 4) return -1;
  const unsigned int len = s[0];
  const unsigned int fromColumn = columnOf(from), toColumn = columnOf(to);
  const unsigned int rowStart = (rowOf(from) - 1) * cols;
  unsigned int p = 3;
  while (p + 1 < len && s[p] <= fromColumn) p += 2;
  if (p + 1 >= len) return -1;
  auto stopCode = [](unsigned int c) { return c >= 3 && c <= 8; };
  if (!stopCode(s[p + 1])) {
    unsigned int q = p + 2;
    while (q + 1 < len && s[q] < toColumn && !stopCode(s[q + 1])) q += 2;
    if (q + 1 < len && stopCode(s[q + 1])) p = q;
  }
  const unsigned int column = s[p], code = s[p + 1];
  if (column > fromColumn && column <= toColumn && code >= 3 && code <= 9) {
    type = static_cast<unsigned char>(code);
    return static_cast<int>(rowStart + column - 1);
  }
  return -1;
}

unsigned int TextSession::findaligncolumn(unsigned int start, unsigned int end, unsigned int stopType) const {
  const unsigned char last = charAt(end);
  const unsigned int adj =
      (last == kCarrierReturn || last == reqCarrierReturnChar || last == kPageEnd || isTab(last)) ? 0 : 1;
  switch (stopType) {
    case 3:
      return start;
    case 4:
      return end + adj;
    case 5:
      return start + (end - start + adj) / 2;
    case 6:
    case 7:
    case 8: {
      static const unsigned char kDecimal[3] = {0x4B, 0x6B, 0x7A};
      const unsigned char wanted[3] = {kDecimal[stopType - 6], 0x5D, 0x6E};
      for (unsigned int p = start; p <= end; ++p)
        for (unsigned char w : wanted)
          if (charAt(p) == w) return p;
      return end + adj;
    }
    default:
      return start;
  }
}

// Alignment of tabbed text.

int TextSession::alignleftbound(unsigned int pos, int& tabPos, unsigned char& tabType) {
  const unsigned int row = rowOf(pos);
  int t = findtabchar(pos, tabType, 0);
  if (t < 0) {
    const uint32_t inherited = line(row).ctl2 & 0x60000000u;
    if (!searchscaleline(row, 1) && inherited) {
      t = static_cast<int>(effectiveleftmar(row)) - 1;
      tabType = (inherited & 0x40000000u) ? kRequiredTab : kTab;
    } else {
      t = findtabchar(pos, tabType, 1);
    }
  }
  if (t < 0) return -1;
  tabPos = t;
  const unsigned int right = rightmar(row);
  for (unsigned int p = static_cast<unsigned int>(t) + 1; p <= right; ++p)
    if (charAt(p)) return static_cast<int>(p);
  return -1;
}

int TextSession::alignrightbound(unsigned int pos) {
  unsigned char type;
  const int t = findtabchar(pos, type, 1);
  if (t >= 0) return t;
  const unsigned int right = rightmar(rowOf(pos));
  for (unsigned int p = right + 1; p-- > pos;)
    if (charAt(p)) return static_cast<int>(p);
  return -1;
}

unsigned int TextSession::findnullstoright(unsigned int pos, unsigned int count, unsigned int& nullStart) {
  const unsigned int right = rightmar(rowOf(pos));
  for (unsigned int p = pos; p < right; ++p) {
    if (charAt(p)) continue;
    unsigned int n = 0;
    for (unsigned int q = p; q <= right && n < count && !charAt(q); ++q) ++n;
    nullStart = p;
    return n;
  }
  const unsigned char before = charAt(right - 1);
  if (before == kCarrierReturn || (before == hyphenChar && count == 1)) {
    nullStart = right - 1;
    return 1;
  }
  return 0;
}

unsigned int TextSession::findnullstoleft(unsigned int pos, unsigned int count) {
  const unsigned int left = leftmar(rowOf(pos));
  unsigned int n = 0;
  for (unsigned int p = pos; n < count && p >= left && !charAt(p); --p) {
    ++n;
    if (p == 0) break;
  }
  return n;
}

void TextSession::savelineimage(unsigned int row) {
  const unsigned int first = (row - 1) * cols;
  std::memset(lineImageSave, 0, sizeof lineImageSave);
  psBuffer->getData(first, cols, lineImageSave[0]);
  if (extendedPlanes()) {
    primaryBuffer->getData(first, cols, lineImageSave[1]);
    secondaryBuffer->getData(first, cols, lineImageSave[2]);
  }
}

void TextSession::restorelineimage(unsigned int row) {
  const unsigned int first = (row - 1) * cols;
  psBuffer->writeData(lineImageSave[0], cols, first);
  if (extendedPlanes()) {
    primaryBuffer->writeData(lineImageSave[1], cols, first);
    secondaryBuffer->writeData(lineImageSave[2], cols, first);
  }
}

bool TextSession::alignspill(unsigned int& cursor, unsigned int row) {
  alignRowsUp = 0;
  if (alignTurnedRow && alignTurnedRow == row) {
    // A right-to-left line being aligned is turned round: it spills as it
    // is shown, and is turned round again on the row where it ends up.
    const unsigned int lo = (row - 1) * cols + textDef.lineCmdFieldSize;
    auto mirror = [&](unsigned int c) { return rowOf(c) == row && c >= lo ? convertLVOffset(c) : c; };
    turnLineRound(row);
    line(row).ctl3 |= 0x80000000u;
    unsigned int c = mirror(cursor);
    const uint32_t firstLine = firstLineNumber;
    const bool failed = bidialignspill(c, row);
    if (!failed && firstLineNumber != firstLine && row > 1) alignRowsUp = 1;
    const unsigned int now = row - alignRowsUp;
    alignTurnedRow = now;
    line(now).ctl3 &= ~0x80000000u;
    turnLineRound(now);
    const unsigned int lo2 = (now - 1) * cols + textDef.lineCmdFieldSize;
    cursor = rowOf(c) == now && c >= lo2 ? convertLVOffset(c) : c;
    return failed;
  }
  savelineimage(row);
  unsigned int c = cursor;
  bool hostMustSpill = false;
  const uint32_t firstLine = firstLineNumber;
  if (spill(c, hostMustSpill)) {
    if (firstLineNumber != firstLine && row > 1) alignRowsUp = 1;
    cursor = c;
    alignSpilled = true;
    return false;
  }
  if (cursor > row * cols - 2u && hostEdges() && hostMustSpill && !(line(row).ctl & 0x04000000u)) {
    textSendAid(cursor, 0xD7);
    return true;
  }
  const unsigned int right = rightmar(row);
  const unsigned char after = right + 1 < row * cols ? charAt(right + 1) : 0;
  if (after != 0x00 && after != kCarrierReturn) operatorerror(70);
  restorelineimage(row);
  return true;
}

bool TextSession::aligntoright(unsigned int start, unsigned int& end, unsigned int count, unsigned int& cursor,
                               bool& moved) {
  unsigned int row = rowOf(start);
  // A spill frees at least one position: at most one per position of the
  // line before the text stands on its stop.
  for (unsigned int spills = 0; count > 0;) {
    unsigned int nullStart = 0;
    const unsigned int k = findnullstoright(end, count, nullStart);
    if (!k) {
      if (++spills > cols) return true;
      const unsigned int R = rightmar(row);
      const unsigned int given = cursor > end || rowOf(cursor) != row || cursor == (row - 1) * cols ? R : cursor;
      unsigned int c = given;
      if (alignspill(c, row)) return true;
      alignSpilled = true;
      if (alignRowsUp) {
        // The text above scrolled: the aligned row is one row up.
        row -= 1;
        start -= cols;
        end -= cols;
      }
      const unsigned int left = leftmar(row);
      while (end > left && !charAt(end)) --end;
      if (c != given) {
        cursor = c;
        moved = true;
      }
      if (end <= start) return false;
      continue;
    }
    count -= k;
    if (nullStart > start) psBuffer->copyRange(start, nullStart - 1, start + k);
    psBuffer->fillRange(start, start + k - 1, 0x00);
    if (extendedPlanes()) {
      if (nullStart > start) primaryBuffer->copyRangeInAllECBPlanes(start, nullStart - 1, start + k);
      primaryBuffer->clearAllECBPlanes(static_cast<int>(start), static_cast<int>(start + k - 1));
    }
    if (cursor >= start && cursor < nullStart + k) {
      cursor = cursor >= nullStart ? nullStart + k : cursor + k;
      moved = true;
    }
    start += k;
    end += k;
  }
  return false;
}

void TextSession::aligntoleft(unsigned int start, unsigned int& end, unsigned int count, unsigned int& cursor,
                              bool& moved) {
  if (!start) return;
  const unsigned int k = findnullstoleft(start - 1, count);
  if (!k) return;
  if ((cursor >= start && cursor <= end) ||
      (cursor == end + 1 && (!charAt(end + 1) || isTab(charAt(end))))) {
    cursor -= k;
    moved = true;
  }
  psBuffer->copyRange(start, end, start - k);
  psBuffer->fillRange(end - k + 1, end, 0x00);
  if (extendedPlanes()) {
    primaryBuffer->copyRangeInAllECBPlanes(start, end, start - k);
    primaryBuffer->clearAllECBPlanes(static_cast<int>(end - k + 1), static_cast<int>(end));
  }
  end -= k;
}

void TextSession::removeNulls(unsigned int tabPos, unsigned int textStart) {
  const unsigned int row = rowOf(tabPos);
  const unsigned int right = rightmar(row);
  unsigned int gapStart = tabPos + 1;
  while (gapStart <= textStart && charAt(gapStart)) ++gapStart;
  if (gapStart > textStart) return;
  unsigned int gapEnd = gapStart;
  while (gapEnd <= right && !charAt(gapEnd)) ++gapEnd;
  if (gapEnd > right) return;
  if (line(row).ctl2 & 0x08000000u) {
    unsigned int lastNull = right;
    while (lastNull > tabPos && charAt(lastNull)) --lastNull;
    if (lastNull + 1 == textStart) return;
  }
  const unsigned int gap = gapEnd - gapStart;
  psBuffer->copyRange(gapEnd, right, gapStart);
  psBuffer->fillRange(right - gap + 1, right, 0x00);
  if (extendedPlanes()) {
    primaryBuffer->copyRangeInAllECBPlanes(gapEnd, right, gapStart);
    primaryBuffer->clearAllECBPlanes(static_cast<int>(right - gap + 1), static_cast<int>(right));
  }
}

bool TextSession::align(unsigned int pos, unsigned int& cursor) {
  const unsigned int row = rowOf(pos);
  if (!textLine(row)) return false;
  const unsigned int right = rightmar(row);
  unsigned int s = pos;
  if (isTab(charAt(pos)) && pos > 0)
    s = pos - 1;
  else if (pos > 1 && isTab(charAt(pos - 1)))
    s = pos - 2;
  bool moved = false;
  // Each pass re-aligns one segment and moves s to its end: at most one
  // pass per position of the line.
  for (unsigned int pass = 0; s < right && pass <= cols; ++pass) {
    int tabPos = -1;
    unsigned char tabType = kTab;
    const int start = alignleftbound(s, tabPos, tabType);
    if (start < 0) break;
    unsigned char stopType = 0;
    const int stop = findtabstop(static_cast<unsigned int>(tabPos), right, stopType);
    if (stop < 0) {
      removeNulls(static_cast<unsigned int>(tabPos), static_cast<unsigned int>(start));
      break;
    }
    const int e = alignrightbound(static_cast<unsigned int>(tabPos) + 1);
    if (e < 0) break;
    unsigned int end = static_cast<unsigned int>(e);
    const unsigned int L = static_cast<unsigned int>(start), S = static_cast<unsigned int>(stop);
    if (alignTurnedRow == row) {
      // A right-to-left line: text reaching past a right stop ends before
      // it whatever the tab (text that starts on or past the stop keeps
      // its end: the segment would be empty).
      if (stopType == 4 && end > S && S > L) end = S - 1;
    } else if (stopType == 4 && end > S && S > L && tabType == kTab) {
      end = S - 1;
    }
    const unsigned int column = tabType == kRequiredTab ? L : findaligncolumn(L, end, stopType);
    bool spilled = false;
    alignSpilled = false;
    if (column < S)
      spilled = aligntoright(L, end, S - column, cursor, moved);
    else if (column > S)
      aligntoleft(L, end, column - S, cursor, moved);
    if (spilled || alignSpilled || !isTab(charAt(end))) break;
    s = end;
  }
  return moved;
}
