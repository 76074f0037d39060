#include "display/ScreenBuffer.h"

#include "display/CharacterBufferImplementation.h"
#include "base/ErrorHalt.h"

namespace {
constexpr unsigned short kModulePlanes = 0x0B1A;

enum PlaneCheck : unsigned short {
  CheckConstruction = 2,
  CheckCopy = 5,
  CheckDelete = 6,
  CheckFill = 7,
  CheckVerticalFill = 8,
  CheckFind = 9,
  CheckFindMismatch = 10,
  CheckGetData = 11,
  CheckInsert = 14,
  CheckWrite = 21,
  CheckWriteData = 22,
  CheckWriteBackwards = 23,
  CheckChangedRange = 24,
  CheckOr = 25,
  CheckFindRange = 26,
};

inline unsigned int Low(unsigned int a, unsigned int b) { return a < b ? a : b; }
inline unsigned int High(unsigned int a, unsigned int b) { return a < b ? b : a; }
}  // namespace

ScreenBuffer::ScreenBuffer(StationServices* station, CharacterBufferImplementation* store,
                           unsigned int size, unsigned int rows, unsigned int columns,
                           unsigned int compareFlag)
    : station_(station), store_(store), bufferSize_(static_cast<unsigned short>(size)) {
  if (size > 0xFFFF || !sizeFits(rows, columns, size))
    ErrorHalt(kModulePlanes, CheckConstruction, size, rows, columns);
  setGeometry(rows, columns);
  flags_ = kPlaneClear | (compareFlag ? kCompareBeforeWrite : 0);
}

bool ScreenBuffer::sizeFits(unsigned int rows, unsigned int columns, unsigned int size) {
  if (rows == 0 || columns == 0 || rows > 255 || columns > 255) return false;
  return rows * columns + columns <= size;
}

void ScreenBuffer::setGeometry(unsigned int rows, unsigned int columns) {
  rows_ = static_cast<unsigned char>(rows);
  columns_ = static_cast<unsigned char>(columns);
  lastOffset_ = static_cast<unsigned short>(rows * columns + columns - 1);
}

void ScreenBuffer::checkOffset(unsigned int offset, unsigned short code) const {
  if (offset > lastOffset_) ErrorHalt(kModulePlanes, code, offset, lastOffset_);
}

void ScreenBuffer::checkRange(unsigned int first, unsigned int last, unsigned short code) const {
  if (first > lastOffset_ || last > lastOffset_)
    ErrorHalt(kModulePlanes, code, first, last, lastOffset_);
}

unsigned int ScreenBuffer::changedCount() const {
  return hasChanges() ? changedHigh_ - changedLow_ + 1u : 0u;
}

void ScreenBuffer::setChangedRange(unsigned int first, unsigned int last) {
  const unsigned int lo = Low(first, last), hi = High(first, last);
  if (!hasChanges()) {
    changedLow_ = static_cast<unsigned short>(lo);
    changedHigh_ = static_cast<unsigned short>(hi);
  } else {
    if (lo < changedLow_) changedLow_ = static_cast<unsigned short>(lo);
    if (hi > changedHigh_) changedHigh_ = static_cast<unsigned short>(hi);
  }
}

void ScreenBuffer::markChanged(unsigned int first, unsigned int last) {
  setChangedRange(first, last);
  flags_ &= ~kPlaneClear;
}

void ScreenBuffer::updateLimits(unsigned int first, unsigned int last) {
  checkRange(first, last, CheckChangedRange);
  markChanged(first, last);
}

unsigned char ScreenBuffer::getCharacter(unsigned int offset) const {
  checkOffset(offset, CheckGetData);
  return store_->getCharacter(offset);
}

void ScreenBuffer::writeCharacter(unsigned int offset, unsigned char byte) {
  checkOffset(offset, CheckWrite);
  if (compareBeforeWrite() && store_->getCharacter(offset) == byte) return;
  store_->writeCharacter(offset, byte);
  markChanged(offset, offset);
}

void ScreenBuffer::orCharacter(unsigned int offset, unsigned char bits) {
  checkOffset(offset, CheckOr);
  const unsigned char now = store_->getCharacter(offset);
  const unsigned char next = static_cast<unsigned char>(now | bits);
  if (compareBeforeWrite() && now == next) return;
  store_->writeCharacter(offset, next);
  markChanged(offset, offset);
}

void ScreenBuffer::writeData(const unsigned char* bytes, unsigned int count, unsigned int first) {
  if (count == 0) return;
  const unsigned int last = first + count - 1;
  checkRange(first, last, CheckWriteData);
  unsigned int lo = first, hi = last;
  if (compareBeforeWrite()) {
    const int f = store_->compareRangeWithData(first, last, bytes);
    if (f < 0) return;
    lo = static_cast<unsigned int>(f);
    // Position lo differs: the search ends there at the latest.
    hi = static_cast<unsigned int>(store_->findLastMismatchWithData(lo, hi, bytes + (lo - first)));
    store_->writeRangeOfCharacters(bytes + (lo - first), hi - lo + 1, lo);
  } else {
    store_->writeRangeOfCharacters(bytes, count, first);
  }
  markChanged(lo, hi);
}

void ScreenBuffer::writeDataBackwards(const unsigned char* bytes, unsigned int count,
                                      unsigned int last) {
  if (count == 0) return;
  if (last > lastOffset_ || count > last + 1u)
    ErrorHalt(kModulePlanes, CheckWriteBackwards, last, count, lastOffset_);
  const unsigned int first = last + 1 - count;
  if (compareBeforeWrite()) {
    // bytes[i] goes to last - i: position p holds bytes[last - p].
    const int f = store_->compareRangeWithDataReversed(first, last, bytes);
    if (f < 0) return;
    const unsigned int lo = static_cast<unsigned int>(f);
    const unsigned int hi = static_cast<unsigned int>(store_->compareRangeWithData(last, lo, bytes));
    store_->writeRangeOfCharactersReversed(bytes + (last - hi), hi - lo + 1, hi);
    markChanged(lo, hi);
    return;
  }
  store_->writeRangeOfCharactersReversed(bytes, count, last);
  markChanged(first, last);
}

void ScreenBuffer::fillRange(unsigned int first, unsigned int last, unsigned char byte) {
  checkRange(first, last, CheckFill);
  unsigned int lo = Low(first, last), hi = High(first, last);
  if (compareBeforeWrite()) {
    const int f = store_->findMismatchInRange(lo, hi, byte);
    if (f < 0) return;
    lo = static_cast<unsigned int>(f);
    hi = static_cast<unsigned int>(store_->findMismatchInRange(hi, lo, byte));
  }
  store_->fillRangeWithACharacter(lo, hi, byte);
  markChanged(lo, hi);
}

void ScreenBuffer::fillVerticalRange(unsigned int first, unsigned int count, unsigned char byte) {
  if (count == 0) return;
  const unsigned long long last =
      first + static_cast<unsigned long long>(count - 1) * columns_;
  if (first > lastOffset_ || last > lastOffset_)
    ErrorHalt(kModulePlanes, CheckVerticalFill, first, count, lastOffset_);
  bool any = false;
  unsigned int lo = 0, hi = 0;
  for (unsigned int i = 0; i < count; ++i) {
    const unsigned int at = first + i * columns_;
    if (compareBeforeWrite() && store_->getCharacter(at) == byte) continue;
    store_->writeCharacter(at, byte);
    if (!any) lo = at;
    hi = at;
    any = true;
  }
  if (any) markChanged(lo, hi);
}

void ScreenBuffer::copyRange(unsigned int first, unsigned int last, unsigned int destination) {
  const unsigned int lo = Low(first, last), hi = High(first, last);
  const unsigned int n = hi - lo + 1;
  if (hi > lastOffset_ || destination > lastOffset_ || n - 1 > lastOffset_ - destination)
    ErrorHalt(kModulePlanes, CheckCopy, first, last, destination);
  unsigned int dlo = destination, dhi = destination + n - 1;
  if (compareBeforeWrite()) {
    const int f = store_->compareRanges(destination, dhi, lo);
    if (f < 0) return;
    dlo = static_cast<unsigned int>(f);
    dhi = static_cast<unsigned int>(store_->compareRanges(dhi, destination, hi));
  }
  store_->copyRange(lo, hi, destination);
  markChanged(dlo, dhi);
}

int ScreenBuffer::insertCharacter(unsigned int offset, unsigned int end, unsigned char byte) {
  checkRange(offset, end, CheckInsert);
  if (store_->getCharacter(end) != 0) return -1;
  if (offset == end) {
    writeCharacter(offset, byte);
    return 0;
  }
  const int dir = end > offset ? 1 : -1;
  // The data to move: up to the last non-null position before end, or
  // everything before end when writes are not compared.
  int tail = static_cast<int>(end - dir);
  if (compareBeforeWrite()) tail = store_->findMismatchInRange(end - dir, offset, 0);
  bool changed = false;
  unsigned int lo = offset, hi = offset;
  // Shift [offset, tail] one step towards end, from the far end.
  for (unsigned int at = static_cast<unsigned int>(tail) + dir; tail >= 0; at -= dir) {
    const unsigned char from = store_->getCharacter(at - dir);
    if (store_->getCharacter(at) != from || !compareBeforeWrite()) {
      store_->writeCharacter(at, from);
      if (!changed) lo = hi = at;
      lo = Low(lo, at);
      hi = High(hi, at);
      changed = true;
    }
    if (at - dir == offset) break;
  }
  if (store_->getCharacter(offset) != byte || !compareBeforeWrite()) {
    store_->writeCharacter(offset, byte);
    if (!changed) lo = hi = offset;
    lo = Low(lo, offset);
    hi = High(hi, offset);
    changed = true;
  }
  if (changed) markChanged(lo, hi);
  return 0;
}

void ScreenBuffer::deleteCharacters(unsigned int offset, unsigned int end, unsigned int count) {
  checkRange(offset, end, CheckDelete);
  const unsigned int span = (end >= offset ? end - offset : offset - end) + 1;
  if (count == 0 || count > span) ErrorHalt(kModulePlanes, CheckDelete, offset, end, count);
  const int dir = end >= offset ? 1 : -1;
  // The data runs up to the last non-null position of the range.
  const int lastData = store_->findMismatchInRange(end, offset, 0);
  if (lastData < 0) return;  // nothing but nulls
  const unsigned int stop = static_cast<unsigned int>(lastData);
  const unsigned int dataSpan = (stop >= offset ? stop - offset : offset - stop) + 1;
  bool changed = false;
  unsigned int lo = offset, hi = offset;
  for (unsigned int i = 0; i < dataSpan; ++i) {
    const unsigned int at = offset + dir * static_cast<int>(i);
    const unsigned char next =
        i + count < dataSpan ? store_->getCharacter(at + dir * static_cast<int>(count)) : 0;
    if (store_->getCharacter(at) == next && compareBeforeWrite()) continue;
    store_->writeCharacter(at, next);
    if (!changed) lo = hi = at;
    lo = Low(lo, at);
    hi = High(hi, at);
    changed = true;
  }
  if (changed) markChanged(lo, hi);
}

int ScreenBuffer::findCharacter(unsigned int first, unsigned int last, unsigned char byte) const {
  checkRange(first, last, CheckFind);
  return store_->findCharacterInRange(first, last, byte);
}

int ScreenBuffer::findCharacter(unsigned int first, unsigned int last, unsigned char low,
                                unsigned char high) const {
  checkRange(first, last, CheckFindRange);
  return store_->findCharacterInRange(first, last, low, high);
}

int ScreenBuffer::findMismatch(unsigned int first, unsigned int last, unsigned char byte) const {
  checkRange(first, last, CheckFindMismatch);
  return store_->findMismatchInRange(first, last, byte);
}

void ScreenBuffer::getData(unsigned int first, unsigned int count, unsigned char* out) const {
  if (count == 0) return;
  if (first > lastOffset_ || count - 1 > lastOffset_ - first)
    ErrorHalt(kModulePlanes, CheckGetData, first, count, lastOffset_);
  store_->getRangeOfCharacters(first, count, out);
}

unsigned int ScreenBuffer::getFirstPositionOfNextLine(unsigned int offset) const {
  const unsigned int next = (offset / columns_ + 1) * columns_;
  // The message line is never the next line.
  return next >= static_cast<unsigned int>(rows_) * columns_ ? 0 : next;
}

void ScreenBuffer::clearEntirePlane(unsigned int skipFill) {
  flags_ |= kClearSeen;
  if (flags_ & kPlaneClear) return;
  if (!skipFill) store_->fillRangeWithACharacter(0, lastOffset_, 0);
  flags_ |= kPlaneClear | kDeviceClearPending;
  emptyChangedRange();
}

bool ScreenBuffer::changeScreenSize(unsigned int rows, unsigned int columns) {
  if (!sizeFits(rows, columns, bufferSize_)) return false;
  setGeometry(rows, columns);
  emptyChangedRange();
  return true;
}

unsigned int ScreenBuffer::reverseAddress(unsigned int offset) const {
  const unsigned int row = offset / columns_;
  return row * 2u * columns_ + columns_ - offset - 1;
}
