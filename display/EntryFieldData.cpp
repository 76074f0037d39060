// The text of entry fields: taken out of the presentation space for the
// inbound records (three read formats, the sign of signed-numeric fields)
// and put back by the plain and the word-wrapping writers.
#include <cstring>

#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/FieldEditingSupport.h"
#include "display/FieldFormatBits.h"
#include "base/ErrorHalt.h"

namespace {
using namespace field_format;

constexpr unsigned short kModuleWrite = 2835;
constexpr unsigned char kNull = 0x00;
constexpr unsigned char kBlank = 0x40;
constexpr unsigned char kMinus = 0x60;
// Field flag: the last word-wrap write did not fit.
constexpr unsigned char kWordWrapOverflow = 0x04;
constexpr int kDoesNotFit = 12;

unsigned int TrimTrailingNulls(const unsigned char* data, unsigned int n) {
  while (n > 0 && data[n - 1] == kNull) --n;
  return n;
}

void NullsToBlanks(unsigned char* data, unsigned int n) {
  for (unsigned int i = 0; i < n; ++i)
    if (data[i] == kNull) data[i] = kBlank;
}

// One line of a word-wrap field: a row's part of a segment.
struct Line {
  unsigned int first, last;
};
}  // namespace

bool EntryField::isTransparent() const { return (format_[kControl] & kTransparent) != 0; }
bool EntryField::wordWrapOverflow() const { return (flags_ & kWordWrapOverflow) != 0; }

// ---- Getters --------------------------------------------------------------

unsigned int EntryField::getDataFromEntryField(DisplayBag* d, unsigned char* buffer,
                                               unsigned int capacity) {
  const PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  unsigned int n = 0;
  for (const EntryFieldSegment* s = requireSegments();; ++s) {
    const unsigned int size = s->end - s->start + 1u;
    const unsigned int take = size <= capacity - n ? size : capacity - n;
    ps.getData(s->start, take, buffer + n);
    n += take;
    if (s->isLastSegment() || n == capacity) break;
  }
  return n;
}

namespace {
// The text of a word-wrap field: its non-null bytes in reading order (a
// right-to-left field reads each segment from its last position).
unsigned int WordWrapText(DisplayBag* d, EntryField* f, unsigned char* out, unsigned int room) {
  // In typing order: a right-to-left field row by row from each row's right
  // end, also where one segment runs over several rows.
  const PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  field_editing::FieldPositions order;
  field_editing::LayoutOrder(d, f, order);
  unsigned int n = 0;
  for (unsigned int i = 0; i < order.size() && n < room; ++i) {
    const unsigned char c = ps.getCharacter(order[i]);
    if (c != kNull) out[n++] = c;
  }
  return n;
}
}  // namespace

// ---- Reads ----------------------------------------------------------------

int EntryField::readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  unsigned int n = getDataFromEntryField(d, out, room);
  if (!isTransparent()) {
    n = TrimTrailingNulls(out, n);
    NullsToBlanks(out, n);
  }
  return static_cast<int>(n);
}

int EntryField::readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  unsigned int n = getDataFromEntryField(d, out, room);
  if (!isTransparent() && !d->options().keepNullsOnAlternateRead) n = TrimTrailingNulls(out, n);
  return static_cast<int>(n);
}

int EntryField::readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  // Always the whole field; a buffer too small for it gets what fits.
  const unsigned int total = getTotalFieldSize();
  const unsigned int want = total <= room ? total : room;
  unsigned int n = getDataFromEntryField(d, out, want);
  std::memset(out + n, kBlank, want - n);
  n = want;
  if (!isTransparent()) NullsToBlanks(out, n);
  return static_cast<int>(n);
}

int EntryField::readWordWrapText(DisplayBag* d, unsigned char* out, unsigned int room, bool pad) {
  unsigned int n = WordWrapText(d, this, out, room);
  if (pad) {
    const unsigned int total = getTotalFieldSize();
    const unsigned int want = total <= room ? total : room;
    if (n < want) std::memset(out + n, kBlank, want - n);
    if (n < want) n = want;
  }
  return static_cast<int>(n);
}

int WordWrapField::readFieldMDTAltFormat(DisplayBag* d, unsigned char* o, unsigned int r) {
  return readWordWrapText(d, o, r, false);
}
int WordWrapField::readFieldMDTFormat(DisplayBag* d, unsigned char* o, unsigned int r) {
  return readWordWrapText(d, o, r, false);
}
int WordWrapField::readFieldNormalFormat(DisplayBag* d, unsigned char* o, unsigned int r) {
  return readWordWrapText(d, o, r, true);
}
int RTLWordWrapField::readFieldMDTAltFormat(DisplayBag* d, unsigned char* o, unsigned int r) {
  return readWordWrapText(d, o, r, false);
}
int RTLWordWrapField::readFieldMDTFormat(DisplayBag* d, unsigned char* o, unsigned int r) {
  return readWordWrapText(d, o, r, false);
}
int RTLWordWrapField::readFieldNormalFormat(DisplayBag* d, unsigned char* o, unsigned int r) {
  return readWordWrapText(d, o, r, true);
}

int SignedNumericField::readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  const int n = EntryField::readFieldMDTFormat(d, out, room);
  // The sign handling may need a second byte on a reversed screen.
  if (isTransparent() || room < 2) return n;
  return static_cast<int>(processSignCharacterForReads(d, out, static_cast<unsigned int>(n)));
}

int SignedNumericField::readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  const int n = EntryField::readFieldMDTAltFormat(d, out, room);
  if (isTransparent() || d->options().keepNullsOnAlternateRead || room < 2) return n;
  return static_cast<int>(processSignCharacterForReads(d, out, static_cast<unsigned int>(n)));
}

int SignedNumericField::readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  const int n = EntryField::readFieldNormalFormat(d, out, room);
  if (isTransparent() || room < 2) return n;
  return static_cast<int>(processSignCharacterForReads(d, out, static_cast<unsigned int>(n)));
}

unsigned int SignedNumericField::processSignCharacterForReads(DisplayBag* d, unsigned char* data,
                                                              unsigned int length) {
  const bool reversed = d->screenReversed();
  const unsigned int signAt = reversed ? getStartOffset() : getFirstPartEnd();
  const bool minus = d->presentationSpace().getCharacter(signAt) == kMinus;
  auto negate = [](unsigned char& c) { c = static_cast<unsigned char>(0xD0 | (c & 0x0F)); };
  if (!reversed) {
    if (length == 0 || length != getTotalFieldSize()) return length;
    --length;
    if (minus && length > 0) negate(data[length - 1]);
    return length;
  }
  if (length == 0) return 0;
  if (minus) {
    // The caller's buffer holds the whole field, which has at least two
    // positions.
    if (length == 1) data[length++] = kNull;
    negate(data[1]);
  }
  std::memmove(data, data + 1, length - 1);
  return length - 1;
}

// ---- Writers --------------------------------------------------------------

int EntryField::writeDataToEntryField(DisplayBag* d, const unsigned char* data, unsigned int length,
                                      unsigned int cursorIndex, unsigned int& cursorOffset) {
  return writePlain(d, data, length, cursorIndex, cursorOffset, false);
}

int EntryField::writeData(DisplayBag* d, const unsigned char* data, unsigned int length) {
  unsigned int offset = 0;
  return writeDataToEntryField(d, data, length, 0, offset);
}

int LTRField::writeDataToEntryField(DisplayBag* d, const unsigned char* data, unsigned int length,
                                    unsigned int cursorIndex, unsigned int& cursorOffset) {
  return writePlain(d, data, length, cursorIndex, cursorOffset, false);
}

int RTLField::writeDataToEntryField(DisplayBag* d, const unsigned char* data, unsigned int length,
                                    unsigned int cursorIndex, unsigned int& cursorOffset) {
  return writePlain(d, data, length, cursorIndex, cursorOffset, true);
}

int EntryField::writePlain(DisplayBag* d, const unsigned char* data, unsigned int length,
                           unsigned int cursorIndex, unsigned int& cursorOffset, bool backwards) {
  // An empty text is a field of nulls with the cursor on its first position.
  if (length > 0 && cursorIndex >= length) ErrorHalt(kModuleWrite, 1, cursorIndex);
  const unsigned int total = getTotalFieldSize();
  const unsigned int sign = isSignedNumeric() ? 1u : 0u;
  if (length > total - sign) return kDoesNotFit;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const EntryFieldSegment* first = requireSegments();
  cursorOffset = backwards ? first->end : first->start;
  unsigned int done = 0;
  for (const EntryFieldSegment* s = first;; ++s) {
    const unsigned int size = s->end - s->start + 1u;
    const unsigned int take = length - done < size ? length - done : size;
    if (cursorIndex >= done && cursorIndex < done + take)
      cursorOffset = backwards ? s->end - (cursorIndex - done) : s->start + (cursorIndex - done);
    if (backwards) {
      if (take) ps.writeDataBackwards(data + done, take, s->end);
      if (take < size) ps.fillRange(s->start, s->end - take, kNull);
    } else {
      if (take) ps.writeData(data + done, take, s->start);
      if (take < size) ps.fillRange(s->start + take, s->end, kNull);
    }
    done += take;
    if (s->isLastSegment()) break;
  }
  return 0;
}

int EntryField::writeWordWrap(DisplayBag* d, const unsigned char* data, unsigned int length,
                              unsigned int cursorIndex, unsigned int& cursorOffset,
                              bool backwards) {
  if (length > 0 && cursorIndex >= length) ErrorHalt(kModuleWrite, 2, cursorIndex);
  d->options().wordWrapWritten = true;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const unsigned int columns = d->columns();
  const EntryFieldSegment* first = requireSegments();
  const EntryFieldSegment* lastSegment = getLastSegmentPtr();

  // Pass 0 measures, pass 1 writes: a text that does not fit changes nothing.
  for (int pass = 0; pass < 2; ++pass) {
    const bool writing = pass == 1;
    unsigned int done = 0;
    if (writing) cursorOffset = backwards ? first->end : first->start;
    for (const EntryFieldSegment* s = first;; ++s) {
      for (unsigned int lineStart = s->start; lineStart <= s->end;) {
        const unsigned int rowEnd = lineStart - lineStart % columns + columns - 1;
        const Line line{lineStart, rowEnd < s->end ? rowEnd : s->end};
        const unsigned int size = line.last - line.first + 1u;
        const bool veryLast = s == lastSegment && line.last == s->end;
        unsigned int take = length - done < size ? length - done : size;
        // A filled line does not end inside a word that goes on.
        if (take == size && !veryLast && data[done + take - 1] > kBlank && done + take < length &&
            data[done + take] > kBlank) {
          unsigned int keep = take;
          while (keep > 0 && data[done + keep - 1] > kBlank) --keep;
          take = keep;
        }
        if (writing) {
          if (cursorIndex >= done && cursorIndex < done + take)
            cursorOffset = backwards ? line.last - (cursorIndex - done)
                                     : line.first + (cursorIndex - done);
          if (backwards) {
            if (take) ps.writeDataBackwards(data + done, take, line.last);
            if (take < size) ps.fillRange(line.first, line.last - take, kNull);
          } else {
            if (take) ps.writeData(data + done, take, line.first);
            if (take < size) ps.fillRange(line.first + take, line.last, kNull);
          }
        }
        done += take;
        lineStart = line.last + 1;
      }
      if (s->isLastSegment()) break;
    }
    if (!writing && done < length) {
      flags_ |= kWordWrapOverflow;
      return kDoesNotFit;
    }
  }
  flags_ &= static_cast<unsigned char>(~kWordWrapOverflow);
  return 0;
}

int WordWrapField::writeDataToEntryField(DisplayBag* d, const unsigned char* data,
                                         unsigned int length, unsigned int cursorIndex,
                                         unsigned int& cursorOffset) {
  return writeWordWrap(d, data, length, cursorIndex, cursorOffset, false);
}

int RTLWordWrapField::writeDataToEntryField(DisplayBag* d, const unsigned char* data,
                                            unsigned int length, unsigned int cursorIndex,
                                            unsigned int& cursorOffset) {
  return writeWordWrap(d, data, length, cursorIndex, cursorOffset, true);
}

int WordWrapField::writeData(DisplayBag* d, const unsigned char* data, unsigned int length) {
  unsigned int offset = 0;
  if (writeWordWrap(d, data, length, 0, offset, false) == 0) return 0;
  return writePlain(d, data, length, 0, offset, false);
}

int RTLWordWrapField::writeData(DisplayBag* d, const unsigned char* data, unsigned int length) {
  unsigned int offset = 0;
  if (writeWordWrap(d, data, length, 0, offset, true) == 0) return 0;
  return writePlain(d, data, length, 0, offset, true);
}
