// Hot spots of the character plane: function-key labels ("F3=Exit",
// "PF7"), paging words ("More...", "Bottom", and the signs of "+/-"),
// numbered menu options ("12. Work with ...") and web addresses. A click
// asks about one position; the painter marks every hot spot of a range.
#include "base/ErrorHalt.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/StationServices.h"

namespace {

constexpr unsigned short kModuleHotSpots = 0x0B1A;

constexpr unsigned char kBlank = 0x40, kNull = 0x00;
constexpr unsigned char kPlus = 0x4E, kSlash = 0x61, kMinus = 0x60;
constexpr unsigned char kEquals = 0x7E, kPeriod = 0x4B, kShiftOut = 0x0E, kGreater = 0x6E;
constexpr unsigned char kColon = 0x7A;
constexpr unsigned char kLetterF = 0xC6, kLetterP = 0xD7;

// "More...", "MORE..." (forward) and "Bottom", "BOTTOM" (back).
constexpr unsigned char kMore[] = {0xD4, 0x96, 0x99, 0x85, 0x4B, 0x4B, 0x4B, 0};
constexpr unsigned char kMoreUpper[] = {0xD4, 0xD6, 0xD9, 0xC5, 0x4B, 0x4B, 0x4B, 0};
constexpr unsigned char kBottom[] = {0xC2, 0x96, 0xA3, 0xA3, 0x96, 0x94, 0};
constexpr unsigned char kBottomUpper[] = {0xC2, 0xD6, 0xE3, 0xE3, 0xD6, 0xD4, 0};
constexpr unsigned char kPageDownAid = 0xF5, kPageUpAid = 0xF4;

bool IsAttribute(unsigned char c) { return c >= 0x20 && c <= 0x3F; }
bool IsBlankOrNull(unsigned char c) { return c == kBlank || c == kNull; }
bool IsSeparator(unsigned char c) { return IsBlankOrNull(c) || IsAttribute(c); }
bool IsDigit(unsigned char c) { return c >= 0xF0 && c <= 0xF9; }
bool IsNonDisplay(unsigned char attribute) {
  return IsAttribute(attribute) && (attribute & 0x07) == 0x07;
}
unsigned char PFKeyAid(unsigned int key) {
  return static_cast<unsigned char>(key <= 12 ? 0x30 + key : 0xB0 + key - 12);
}
// Upper or lower case of an EBCDIC letter.
bool Letter(unsigned char c, unsigned char upper) { return c == upper || c == (upper & 0xBF); }

}  // namespace

bool PresentationSpaceScreenBuffer::inTextAssist() const {
  return station_ && station_->textAssistActive();
}

bool PresentationSpaceScreenBuffer::hotSpotQualifies(unsigned int offset) const {
  if (station_ && !station_->hotSpotPositionAllowed(offset)) return false;
  return !IsNonDisplay(getPreviousAttribute(offset, 0));
}

unsigned int PresentationSpaceScreenBuffer::isWithin(unsigned int offset, const unsigned char* text,
                                                      unsigned int& start,
                                                      unsigned int& length) const {
  if (offset > lastOffset_) ErrorHalt(kModuleHotSpots, 17, offset);
  unsigned int n = 0;
  while (text && text[n]) ++n;
  if (n == 0 || n > lastOffset_ + 1u) return 0;
  const unsigned char* b = buffer();
  for (unsigned int k = 0; k < n; ++k) {
    if (offset < k) break;
    const unsigned int s = offset - k;
    if (s + n - 1 > lastOffset_) continue;
    unsigned int i = 0;
    while (i < n && b[s + i] == text[i]) ++i;
    if (i == n) {
      start = s;
      length = n;
      return 1;
    }
  }
  return 0;
}

// The key number of a label that begins at p ("F3=", "F12=", "PF7",
// "PF12"), or 0.
unsigned int PresentationSpaceScreenBuffer::keyLabelAt(unsigned int p, unsigned int rowEnd) const {
  const unsigned char* b = buffer();
  auto at = [&](unsigned int i) -> unsigned char { return p + i <= rowEnd ? b[p + i] : kNull; };
  unsigned int key = 0;
  if (at(0) == kLetterF && IsDigit(at(1))) {
    if (at(2) == kEquals)
      key = at(1) - 0xF0u;
    else if (IsDigit(at(2)) && at(3) == kEquals)
      key = (at(1) - 0xF0u) * 10 + at(2) - 0xF0u;
  } else if (at(0) == kLetterP && at(1) == kLetterF && IsDigit(at(2))) {
    if (!IsDigit(at(3)))
      key = at(2) - 0xF0u;
    else if (!IsDigit(at(4)))
      key = (at(2) - 0xF0u) * 10 + at(3) - 0xF0u;
  }
  return key >= 1 && key <= 24 ? key : 0;
}

unsigned int PresentationSpaceScreenBuffer::pagingAid(unsigned int offset, unsigned int& start,
                                                      unsigned int& length) const {
  const unsigned char* b = buffer();
  const unsigned int rowStart = offset - offset % columns_;
  const unsigned int rowEnd = rowStart + columns_ - 1;
  if (b[offset] == kPlus && offset + 2 <= rowEnd && b[offset + 1] == kSlash && b[offset + 2] == kMinus) {
    start = offset;
    length = 1;
    return kPageDownAid;
  }
  if (isWithin(offset, kMore, start, length) || isWithin(offset, kMoreUpper, start, length))
    return kPageDownAid;
  if (b[offset] == kMinus && offset >= rowStart + 2 && b[offset - 1] == kSlash && b[offset - 2] == kPlus) {
    start = offset;
    length = 1;
    return kPageUpAid;
  }
  if (isWithin(offset, kBottom, start, length) || isWithin(offset, kBottomUpper, start, length))
    return kPageUpAid;
  return 0;
}

// The first position from `from` on that ends a key hot spot: an
// attribute, the first of two blanks or nulls, or the row's end + 1.
unsigned int PresentationSpaceScreenBuffer::hotSpotStop(unsigned int from, unsigned int rowEnd) const {
  const unsigned char* b = buffer();
  unsigned int q = from;
  while (q <= rowEnd && !IsAttribute(b[q]) && !(q < rowEnd && IsBlankOrNull(b[q]) && IsBlankOrNull(b[q + 1])))
    ++q;
  return q;
}

unsigned int PresentationSpaceScreenBuffer::isHotspot(unsigned int offset, unsigned int& start,
                                                      unsigned int& length) const {
  if (offset > lastOffset_) ErrorHalt(kModuleHotSpots, 15, offset);
  const bool textAssist = inTextAssist();
  if (!textAssist && !hotSpotQualifies(offset)) return 0;
  unsigned int aid = textAssist ? 0 : pagingAid(offset, start, length);
  const unsigned int rowEnd = offset - offset % columns_ + columns_ - 1;
  unsigned int key = 0;
  const int label = labelLeftOf(offset, key);
  if (label < 0) return aid;
  start = static_cast<unsigned int>(label);
  length = hotSpotStop(offset, rowEnd) - start;
  return PFKeyAid(key);
}

// Walks left from offset within its row to the function-key label that
// the position belongs to: its first position (and key), or -1.
int PresentationSpaceScreenBuffer::labelLeftOf(unsigned int offset, unsigned int& key) const {
  const unsigned char* b = buffer();
  const unsigned int rowStart = offset - offset % columns_;
  const unsigned int rowEnd = rowStart + columns_ - 1;
  for (unsigned int p = offset;; --p) {
    const unsigned char c = b[p];
    if (IsAttribute(c)) return -1;
    if (p > rowStart && IsBlankOrNull(c) && IsBlankOrNull(b[p - 1])) return -1;
    if (p == rowStart || IsSeparator(b[p - 1])) {
      key = keyLabelAt(p, rowEnd);
      if (key) return static_cast<int>(p);
    }
    if (p == rowStart) return -1;
  }
}

int PresentationSpaceScreenBuffer::isMenuHotSpot(unsigned int offset, unsigned int& start,
                                                 unsigned int& length) const {
  if (offset > lastOffset_) ErrorHalt(kModuleHotSpots, 16, offset);
  if (inTextAssist()) return -1;
  const unsigned char* b = buffer();
  const unsigned int rowStart = offset - offset % columns_;
  const unsigned int rowEnd = rowStart + columns_ - 1;
  // The nearest pair of separators (or "> " before an attribute) to the
  // left; the number begins two positions after its first byte.
  unsigned int number = 0;
  bool found = false;
  for (unsigned int q = offset; q > rowStart; --q) {
    const unsigned char left = b[q - 1], right = b[q];
    if ((IsSeparator(left) && IsSeparator(right)) || (left == kGreater && IsAttribute(right))) {
      number = q + 1;
      found = true;
      break;
    }
  }
  if (!found) {
    if (!IsSeparator(b[rowStart])) return -1;
    number = rowStart + 1;
  }
  if (number > offset) return -1;
  unsigned int digits = 0;
  while (number + digits <= rowEnd && IsDigit(b[number + digits])) ++digits;
  if (digits < 1 || digits > 5) return -1;
  const unsigned int period = number + digits;
  if (period + 1 > rowEnd || b[period] != kPeriod) return -1;
  const unsigned char after = b[period + 1];
  if (!IsBlankOrNull(after) && after != kShiftOut) return -1;
  if (!hotSpotQualifies(number)) return -1;
  unsigned int end = period + 1;
  while (end <= rowEnd && !(end < rowEnd && IsSeparator(b[end]) && IsSeparator(b[end + 1])) &&
         !(b[end] == kGreater && IsSeparator(b[end - 1])))
    ++end;
  start = number;
  length = end - number;
  return static_cast<int>(number);
}

// Whether a word of bytes above the blank that starts at p begins with
// "http://" or "ftp://", in either case.
bool PresentationSpaceScreenBuffer::urlWordAt(unsigned int p, unsigned int rowEnd) const {
  const unsigned char* b = buffer();
  auto at = [&](unsigned int i) -> unsigned char { return p + i <= rowEnd ? b[p + i] : kNull; };
  unsigned int scheme = 0;
  if (Letter(at(0), 0xC8) && Letter(at(1), 0xE3) && Letter(at(2), 0xE3) && Letter(at(3), 0xD7))
    scheme = 4;
  else if (Letter(at(0), 0xC6) && Letter(at(1), 0xE3) && Letter(at(2), 0xD7))
    scheme = 3;
  return scheme && at(scheme) == kColon && at(scheme + 1) == kSlash && at(scheme + 2) == kSlash;
}

unsigned int PresentationSpaceScreenBuffer::isURLHotSpot(unsigned int offset, unsigned int& start,
                                                         unsigned int& length,
                                                         unsigned int enabled) const {
  if (offset > lastOffset_) ErrorHalt(kModuleHotSpots, 33, offset);
  if (!enabled) return 0;
  const unsigned char* b = buffer();
  if (b[offset] <= kBlank) return 0;
  const unsigned int rowStart = offset - offset % columns_;
  const unsigned int rowEnd = rowStart + columns_ - 1;
  unsigned int s = offset;
  while (s > rowStart && b[s - 1] > kBlank) --s;
  if (!urlWordAt(s, rowEnd) || !hotSpotQualifies(s)) return 0;
  unsigned int e = offset;
  while (e <= rowEnd && b[e] > kBlank) ++e;
  start = s;
  length = e - s;
  return 1;
}

namespace {
void Mark(unsigned short* marks, unsigned int from, unsigned int to, unsigned int first, unsigned int last,
          unsigned short value) {
  if (from < first) from = first;
  if (to > last) to = last;
  for (unsigned int p = from; p <= to && p >= from; ++p) marks[p] |= value;
}
}  // namespace

void PresentationSpaceScreenBuffer::markHotspotsInArea(unsigned int first, unsigned int last,
                                                       unsigned short* marks,
                                                       unsigned short value) const {
  if (first > last || last > lastOffset_) ErrorHalt(kModuleHotSpots, 34, first, last);
  const unsigned char* b = buffer();
  const bool textAssist = inTextAssist();
  // A position's own answer: qualification is per position, paging words
  // and labels are found once per row and then checked position by
  // position against their extents.
  unsigned char attribute = first ? getPreviousAttribute(first - 1, 0) : 0;
  unsigned int labelEnd = 0;  // positions below it lie in a label's hot spot
  bool inLabel = false;
  for (unsigned int p = first; p <= last; ++p) {
    const unsigned int rowStart = p - p % columns_;
    const unsigned int rowEnd = rowStart + columns_ - 1;
    const unsigned char c = b[p];
    if (IsAttribute(c)) attribute = c;
    if (p == rowStart) inLabel = false;
    if (inLabel && p >= labelEnd) inLabel = false;
    if (p == first && p != rowStart) {
      // A range that begins inside a label's hot spot.
      unsigned int key = 0;
      const int label = labelLeftOf(p, key);
      if (label >= 0 && hotSpotStop(static_cast<unsigned int>(label), rowEnd) > p) {
        inLabel = true;
        labelEnd = hotSpotStop(static_cast<unsigned int>(label), rowEnd);
      }
    }
    // A label starts a hot spot at a word start, up to its stop.
    if (!inLabel && !IsAttribute(c) && (p == rowStart || IsSeparator(b[p - 1])) && keyLabelAt(p, rowEnd)) {
      inLabel = true;
      labelEnd = hotSpotStop(p, rowEnd);
    }
    const bool qualifies = textAssist || (!IsNonDisplay(attribute) &&
                                          (!station_ || station_->hotSpotPositionAllowed(p)));
    if (!qualifies) continue;
    if (inLabel) {
      marks[p] |= value;
      continue;
    }
    if (textAssist) continue;
    unsigned int s = 0, n = 0;
    if (c == kPlus || c == kMinus || c == 0xD4 || c == 0x96 || c == 0x99 || c == 0x85 || c == kPeriod ||
        c == 0xC2 || c == 0xA3 || c == 0x94 || c == 0xD6 || c == 0xD9 || c == 0xC5 || c == 0xE3)
      if (pagingAid(p, s, n)) marks[p] |= value;
  }
}

void PresentationSpaceScreenBuffer::markMenuHotSpots(unsigned int first, unsigned int last,
                                                     unsigned short* marks,
                                                     unsigned short value) const {
  if (first > last || last > lastOffset_) ErrorHalt(kModuleHotSpots, 35, first, last);
  if (inTextAssist()) return;
  for (unsigned int p = first; p <= last; ++p) {
    unsigned int s = 0, n = 0;
    if (isMenuHotSpot(p, s, n) < 0 || p < s || p >= s + n) continue;
    // The later positions of the option answer the same up to the next
    // pair that a walk to the left would stop at.
    const unsigned char* b = buffer();
    unsigned int q = p;
    for (; q < s + n && q <= last; ++q) {
      if (q > p && ((IsSeparator(b[q - 1]) && IsSeparator(b[q])) || (b[q - 1] == kGreater && IsAttribute(b[q]))))
        break;
      marks[q] |= value;
    }
    p = q - 1;
  }
}

void PresentationSpaceScreenBuffer::markURLHotSpots(unsigned int first, unsigned int last,
                                                    unsigned short* marks,
                                                    unsigned short value) const {
  if (first > last || last > lastOffset_) ErrorHalt(kModuleHotSpots, 36, first, last);
  const unsigned char* b = buffer();
  // Word by word: a word is a web address as a whole or not at all.
  for (unsigned int p = first; p <= last; ++p) {
    if (b[p] <= kBlank) continue;
    unsigned int s = 0, n = 0;
    const bool url = isURLHotSpot(p, s, n, 1) != 0;
    const unsigned int rowEnd = p - p % columns_ + columns_ - 1;
    unsigned int e = p;
    while (e < rowEnd && b[e + 1] > kBlank) ++e;
    if (url) Mark(marks, p, e, first, last, value);
    p = e;
  }
}
