// The geometry of one text line: its margins from the scale line, its tab
// characters and tab stops, and the re-alignment of tabbed text on its stop.
#include <cstring>

#include "display/DisplayBag.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned char kTab = 0x05;
constexpr unsigned char kRequiredTab = 0x02;
constexpr unsigned char kCarrierReturn = 0x03;
constexpr unsigned char kPageEnd = 0x0C;

bool isTab(unsigned char c) { return c == kTab || c == kRequiredTab; }
}  // namespace

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
