// Segments of the other writing direction inside a text line, the word
// underscore marks of the secondary plane, and the character mirroring of
// right-to-left text.
#include <cstring>

#include "display/ECBScreenBuffer.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "textassist/TextSession.h"

namespace {
constexpr uint32_t kStartsInSegment = 1u << 30;  // LineControlRecord::ctl3
constexpr uint32_t kWordUnderscore = 1u << 26;   // LineControlRecord::ctl3
constexpr uint32_t kRightToLeftLanguage = (1u << 15) | (1u << 14);  // textFlagsA

// Paired characters that swap when text runs right to left. Only the pairs
// that stand at the same code in every EBCDIC code page: ( ) and < >.
struct MirrorTable {
  unsigned char map[256];
  MirrorTable() {
    for (unsigned int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(i);
    const unsigned char pairs[][2] = {{0x4D, 0x5D}, {0x4C, 0x6E}};
    for (const auto& p : pairs) {
      map[p[0]] = p[1];
      map[p[1]] = p[0];
    }
  }
};
const MirrorTable kMirror;

// A screen attribute byte that opens or closes a segment.
bool SegmentAttribute(unsigned char ch) { return ch >= 0x21 && ch <= 0x3F && (ch & 0x10); }
}  // namespace

void TextSession::delCharAtCursor(unsigned int a, unsigned int b, int direction) {
  const unsigned int pos = direction == 1 ? b : a;
  const unsigned int row = rowOf(pos);
  if (!psBuffer || row < 1 || row > rows || pos > psBuffer->lastOffset()) return;
  const unsigned int first = (row - 1) * cols;
  psBuffer->deleteCharacters(pos, isRightToLeftLine(row) ? first : first + cols - 1, 1);
}

const unsigned char* TextSession::rightToLeftTable() const {
  return (textFlagsA & kRightToLeftLanguage) ? kMirror.map : nullptr;
}

int TextSession::findActiveBR(unsigned int pos, bool rtl) {
  const unsigned int row = rowOf(pos);
  if (row < 1 || row > rows || !psBuffer) return -1;
  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  unsigned int bound = rtl ? convertLVOffset(leftmar(row)) : leftmar(row);
  if (bound < first) bound = first;
  if (bound > last) bound = last;
  if (rtl ? pos > bound : pos < bound) return -1;
  for (unsigned int p = pos;; rtl ? ++p : --p) {
    const unsigned char ch = charAt(p);
    if (ch == kSegmentBegin) return static_cast<int>(p);
    if (ch == kSegmentEnd) return -1;
    if (p == bound) return (line(row).ctl3 & kStartsInSegment) ? static_cast<int>(p) : -1;
  }
}

int TextSession::findActiveER(unsigned int pos, bool rtl) {
  const unsigned int row = rowOf(pos);
  if (row < 1 || row > rows || !psBuffer) return -1;
  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  unsigned int bound = rtl ? convertLVOffset(rightmar(row)) : rightmar(row);
  if (bound < first) bound = first;
  if (bound > last) bound = last;
  unsigned int from = pos;
  if (pos == cursorPos && charAt(pos) == kSegmentBegin && (modes & text_mode::kSegmentEnd)) {
    if (pos == bound) return -1;
    from = rtl ? pos - 1 : pos + 1;
  }
  if (rtl ? from < bound : from > bound) return -1;
  for (unsigned int p = from;; rtl ? --p : ++p) {
    const unsigned char ch = charAt(p);
    if (ch == kSegmentEnd) return p != pos ? static_cast<int>(p) : -1;
    if (ch == kSegmentBegin) return -1;
    if (p == bound) return line(row).segments ? static_cast<int>(p) : -1;
  }
}

bool TextSession::positionInSegment(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  if (row < 1 || row > rows || !(line(row).ctl3 & kLineHasSegments)) return false;
  if (findActiveBR(pos, isRightToLeftLine(row)) < 0) return false;
  return charAt(pos) != kSegmentBegin || (pos == cursorPos && (modes & text_mode::kSegmentEnd));
}

bool TextSession::wordDelimiter(unsigned char ch) const {
  switch (ch) {
    case 0x40:
    case 0x06:
    case 0x1F:
    case 0x00:
    case 0x41:
    case 0x05:
    case 0x02:
    case 0x0C:
    case 0x1E:
    case 0x1A:
      return true;
    default:
      return extendedPlanes() && ch >= 0x20 && ch <= 0x3F;
  }
}

void TextSession::putWordUnderscore(unsigned int pos, unsigned int limit) {
  if (!secondaryBuffer || pos > secondaryBuffer->lastOffset()) return;
  secondaryBuffer->writeCharacter(pos, static_cast<unsigned char>(secondaryBuffer->getCharacter(pos) | 0x80));
  unsigned int start = pos;
  while (start > limit) {
    const unsigned int p = start - 1;
    const unsigned char a = secondaryBuffer->getCharacter(p);
    if (wordDelimiter(charAt(p)) || !(a & 0x80)) break;
    secondaryBuffer->writeCharacter(p, static_cast<unsigned char>(a | 0x04));
    start = p;
  }
  secondaryBuffer->writeCharacter(start, 0x84);
}

bool TextSession::WUSIsActive(unsigned int pos, PlaneNumber plane, unsigned int& start, unsigned int& end) {
  const unsigned int row = rowOf(pos);
  if (row < 1 || row > rows || !(line(row).ctl3 & kWordUnderscore) || !secondaryBuffer) return false;
  const unsigned int left = effectiveleftmar(row), right = rightmar(row);
  if (pos < left || pos > right) return false;
  unsigned int s = pos;
  if (wordDelimiter(charAt(s)) && s > left) --s;
  while (s > left && !wordDelimiter(charAt(s - 1))) --s;
  if (!(secondaryBuffer->getCharacter(s) & 0x04)) return false;
  unsigned int e = s;
  for (;;) {
    const unsigned char a = secondaryBuffer->getCharacter(e);
    if ((a & 0x80) && !(a & 0x04)) break;  // the word's last character
    if (e >= right || wordDelimiter(charAt(e + 1))) break;
    ++e;
  }
  start = s;
  end = e;
  if (pos < s || pos > e) return false;
  return pos != e || plane == Plane2;
}

bool TextSession::wordUnderscoreOnLine(unsigned int row) {
  if (row < 1 || row > rows) return false;
  const unsigned int left = effectiveleftmar(row), right = rightmar(row);
  for (unsigned int p = left; p <= right; ++p) {
    if (extendedPlanes()) {
      const unsigned char a = secondaryBuffer->getCharacter(p);
      if (a == 0x84 || a == 0x80) return true;
    } else if (charAt(p) == 0x1D) {
      return true;
    }
  }
  return false;
}

void TextSession::restoreHostOrder(unsigned char* bytes, unsigned int n, bool rtlLine, bool markers,
                                   bool attributes, unsigned int skip) const {
  const unsigned char* table = rightToLeftTable();
  // A shown attribute that bounds a segment: written without its segment bit.
  auto boundary = [&](unsigned char ch) { return attributes && ch >= 0x20 && ch <= 0x2F; };
  auto opens = [&](unsigned char ch) { return (markers && ch == kSegmentBegin) || boundary(ch); };
  unsigned int last = n;  // one past the last byte that is not null
  while (last > skip && !bytes[last - 1]) --last;
  for (unsigned int i = skip; i < n;) {
    const unsigned char ch = bytes[i];
    if (!opens(ch)) {
      if (table && rtlLine) bytes[i] = table[ch];
      ++i;
      continue;
    }
    if (boundary(ch)) bytes[i] = static_cast<unsigned char>(ch | 0x10);
    unsigned int end = i + 1;
    while (end < n && !(markers && (bytes[end] == kSegmentEnd || bytes[end] == kSegmentBegin)) && !boundary(bytes[end]))
      ++end;
    // A segment without its closing byte ends at the last byte that is not null.
    const unsigned int stop = end == n ? (last > i + 1 ? last : i + 1) : end;
    for (unsigned int lo = i + 1, hi = stop; lo + 1 < hi; ++lo, --hi) {
      const unsigned char t = bytes[lo];
      bytes[lo] = bytes[hi - 1];
      bytes[hi - 1] = t;
    }
    if (table && !rtlLine)
      for (unsigned int k = i + 1; k < stop; ++k) bytes[k] = table[bytes[k]];
    if (end == n) break;
    const unsigned char closing = bytes[end];
    if (boundary(closing)) {
      bytes[end] = static_cast<unsigned char>(closing | 0x10);
      i = end + 1;
    } else if (closing == kSegmentEnd) {
      i = end + 1;
    } else {
      i = end;  // a new segment begins at once
    }
  }
}

bool TextSession::composeBidiLine(const LineControlRecord& lcd, const unsigned char* text, unsigned int n,
                                  unsigned char* out, bool& endsWithAttribute) const {
  endsWithAttribute = false;
  const bool rtlLine = (lcd.ctl3 & 0x80000000u) != 0;
  const bool markers = (lcd.ctl3 & kLineHasSegments) != 0;
  const bool attributes = (lcd.ctl3 & kStartsInSegment) != 0;
  const bool restricted = (textDef.defFlags & 0x08000000u) != 0;
  const unsigned char* table = rightToLeftTable();
  // A right-to-left line keeps its in-line command field as it stands.
  const unsigned int skip =
      rtlLine && !(lcd.ctl & line_ctl::kNotText) ? (n < textDef.lineCmdFieldSize ? n : textDef.lineCmdFieldSize) : 0;
  std::memcpy(out, text, skip);
  unsigned int last = n;  // one past the last byte that is not null
  while (last > skip && !text[last - 1]) --last;
  for (unsigned int i = skip; i < n;) {
    const unsigned char ch = text[i];
    const bool opensWithMarker = markers && ch == kSegmentBegin;
    const bool opensWithAttribute = SegmentAttribute(ch);
    if (opensWithAttribute && !attributes) return false;  // no segment may open here
    if (!opensWithMarker && !opensWithAttribute) {
      out[i] = table && rtlLine ? table[ch] : ch;
      ++i;
      continue;
    }
    // A segment: from the byte after the opening to its end, written in
    // reverse order.
    out[i] = opensWithAttribute ? static_cast<unsigned char>(ch & ~0x10) : ch;
    unsigned int end = i + 1;
    while (end < n && text[end] != kSegmentEnd && text[end] != kSegmentBegin && !SegmentAttribute(text[end])) ++end;
    unsigned int stop = end;
    if (end == n) stop = last > i + 1 ? last : i + 1;  // no closing byte: the last byte that is not null
    for (unsigned int k = 0; k < stop - (i + 1); ++k) {
      const unsigned char c = text[stop - 1 - k];
      out[i + 1 + k] = table && !rtlLine ? table[c] : c;
    }
    for (unsigned int k = stop; k < end; ++k) out[k] = text[k];
    if (end == n) break;
    const unsigned char closing = text[end];
    if (SegmentAttribute(closing)) {
      endsWithAttribute = true;
      out[end] = static_cast<unsigned char>(closing & ~0x10);
      if (restricted) {
        out[i] = out[end];
        out[end] = 0x40;
      }
      i = end + 1;
    } else if (closing == kSegmentEnd) {
      out[end] = closing;
      i = end + 1;
    } else {
      i = end;  // a new segment begins at once
    }
  }
  return true;
}
