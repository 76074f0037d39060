#include "display/ScrollBarField.h"

#include <cstdint>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/RestoreSense.h"

ScrollBarField::ScrollBarField() { flags_ |= kBypass; }

void ScrollBarField::setScrollBarParameters(unsigned int start, unsigned int totalRows,
                                            unsigned int position, unsigned int barSize) {
  start_ = cursorOffset_ = static_cast<unsigned short>(start);
  barSize_ = static_cast<unsigned char>(barSize);
  // The data stream refuses a total below the bar or a position past the
  // last page; what slips through is clamped, never fatal.
  totalRows_ = totalRows < barSize_ ? barSize_ : totalRows;
  position_ = position > totalRows_ - barSize_ ? totalRows_ - barSize_ : position;
  if (barSize_ > 4) barFlags_ |= kArrows;
  else barFlags_ &= static_cast<unsigned char>(~kArrows);
  // The slider: the whole shaft when every row shows, one cell less when one
  // row is hidden, else its share of the shaft less two cells, at least one.
  const uint64_t free = shaftCells(), total = totalRows_;
  uint64_t size;
  if (total == barSize_) size = free;
  else if (total == barSize_ + 1u) size = free > 1 ? free - 1 : 1;
  else size = (free > 2 ? free - 2 : 0) * barSize_ / (total - 2);
  if (size < 1) size = 1;
  if (size > free) size = free;
  sliderSize_ = static_cast<unsigned char>(size);
  sliderOffset_ = static_cast<unsigned char>(calculateSliderOffset());
}

unsigned int ScrollBarField::lastCell(unsigned int columns) const {
  const unsigned int cells = barSize_ ? barSize_ - 1u : 0u;
  return start_ + cells * cellDistance(columns);
}

int ScrollBarField::fieldHook55(DisplayBag*, unsigned int barSize) {
  return barSize == barSize_ ? 0 : 3;
}
unsigned int ScrollBarField::getFirstPartEnd() const { return lastCell(columns_); }
unsigned int ScrollBarField::getStartOffset() const { return start_; }
Field* ScrollBarField::getNextRecord() { return recordAfter(sizeof(VerticalScrollBar)); }
int ScrollBarField::countsAsField() const { return 0; }

int ScrollBarField::isPartOfSelectionField(unsigned int askMDT) {
  if (barFlags_ & kInSelectionField) return 0;
  return askMDT == 0 || isModified();
}

int ScrollBarField::containsOffset(unsigned int offset, unsigned int columns) const {
  if (offset < start_ || barSize_ == 0) return 0;
  const unsigned int step = cellDistance(columns ? columns : columns_);
  if (step == 0) return 0;
  const unsigned int distance = offset - start_;
  return distance % step == 0 && distance / step < barSize_;
}

unsigned int ScrollBarField::getLastCursorOffset(DisplayBag*) { return cursorOffset_; }
unsigned int ScrollBarField::getFirstCursorOffset(DisplayBag*) { return cursorOffset_; }

int ScrollBarField::markAndCheck(DisplayBag* d, unsigned short* map, unsigned int number) {
  const unsigned int size = d->formatTable().highestOffset() + 1;
  const unsigned int step = cellDistance(columns_);
  if (barSize_ == 0) return 3;
  int result = 0;
  for (unsigned int i = 0; i < barSize_; ++i) {
    const unsigned int cell = start_ + i * step;
    const int r = checkAndUpdateRegionDefinition(map, size, static_cast<unsigned short>(number),
                                                 cell, cell);
    if (r == 3) return 3;
    if (r == 2 || result == 0) result = r;
  }
  return result;
}

// Every read format gives the pending scroll increment, big-endian, and
// starts a new one.
int ScrollBarField::readIncrement(unsigned char* out, unsigned int room) {
  if (room < 4) return 0;
  out[0] = static_cast<unsigned char>(increment_ >> 24);
  out[1] = static_cast<unsigned char>(increment_ >> 16);
  out[2] = static_cast<unsigned char>(increment_ >> 8);
  out[3] = static_cast<unsigned char>(increment_);
  increment_ = 0;
  return 4;
}
int ScrollBarField::readFieldMDTAltFormat(DisplayBag*, unsigned char* out, unsigned int room) {
  return readIncrement(out, room);
}
int ScrollBarField::readFieldMDTFormat(DisplayBag*, unsigned char* out, unsigned int room) {
  return readIncrement(out, room);
}
int ScrollBarField::readFieldNormalFormat(DisplayBag*, unsigned char* out, unsigned int room) {
  return readIncrement(out, room);
}

void ScrollBarField::saveField(qrnOStream* out) const {
  Field::saveField(out);
  out->save(barFlags_, 8);
  out->hostPut16(start_);
  out->hostPut16(cursorOffset_);
  out->hostPut32(totalRows_);
  out->hostPut32(position_);
  out->save(barSize_, 8);
  out->save(sliderOffset_, 8);
  out->save(sliderSize_, 8);
  out->save(shaftChar_, 8);
  out->save(sliderChar_, 8);
}

unsigned int ScrollBarField::restoreField(DisplayBag* d, FormatTable* table, qrnIStream* in) {
  Field::restoreField(d, table, in);
  unsigned char barFlags = 0, barSize = 0, sliderOffset = 0, sliderSize = 0;
  unsigned int start = 0, cursor = 0, total = 0, position = 0;
  in->restore(barFlags, 8);
  in->hostGet16(start);
  in->hostGet16(cursor);
  in->hostGet32(total);
  in->hostGet32(position);
  in->restore(barSize, 8);
  in->restore(sliderOffset, 8);
  in->restore(sliderSize, 8);
  in->restore(shaftChar_, 8);
  in->restore(sliderChar_, 8);
  if (in->checkRestore()) return RestoreRejected("scroll bar", "stream ends early");
  barFlags_ = barFlags;
  start_ = static_cast<unsigned short>(start);
  barSize_ = barSize;
  columns_ = static_cast<unsigned char>(d->columns());
  if (barSize == 0 || start > table->highestOffset() || lastCell(columns_) > table->highestOffset() ||
      cursor != start || sliderOffset + sliderSize > barSize)
    return RestoreRejected("scroll bar", "bar or slider out of range");
  if (position > total) return RestoreRejected("scroll bar", "position beyond the rows");
  cursorOffset_ = static_cast<unsigned short>(cursor);
  totalRows_ = total;
  position_ = position;
  sliderOffset_ = sliderOffset;
  sliderSize_ = sliderSize;
  increment_ = 0;
  return 0;
}


unsigned int VerticalScrollBar::cellIndex(unsigned int offset, unsigned int columns) const {
  return columns ? offset / columns : 0;
}
unsigned int VerticalScrollBar::clampOffset(unsigned int offset, unsigned int columns) const {
  return offset == start_ + 1 ? start_ : offset;
}
void VerticalScrollBar::drawBar(DisplayBag* d) { paintShaft(d); }

unsigned int HorizontalScrollBar::cellIndex(unsigned int offset, unsigned int columns) const {
  return columns ? offset % columns : 0;
}
unsigned int HorizontalScrollBar::clampOffset(unsigned int offset, unsigned int columns) const {
  if (offset < start_) return start_;
  if (offset > lastCell(columns)) return lastCell(columns);
  return offset;
}
void HorizontalScrollBar::drawBar(DisplayBag* d) { paintShaft(d); }
