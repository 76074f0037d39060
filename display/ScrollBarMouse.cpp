// Clicks on a scroll bar and drags of its slider. A click on the shaft or
// an arrow posts the scroll AID with the pending increment 0 (a page) or 1
// (an arrow); a drag moves the slider cell by cell and its release posts the
// AID with the rows the slider stands for. Nothing a host defined or an
// operator does here ends the program: offsets are clamped onto the bar.
#include <cstdint>

#include "display/DisplayBag.h"
#include "display/ScrollBarField.h"
#include "display/SelectionField.h"

namespace {
constexpr unsigned int kToTheEnd = 0xFFFFFFFFu;

// Totals of 2^24 rows and more are counted in units of total / 2^24 + 1.
uint64_t Unit(uint64_t total) { return total >= (1u << 24) ? (total >> 24) + 1 : 1; }
}  // namespace

unsigned int ScrollBarField::shaftCells() const {
  const unsigned int arrows = 2 * firstShaftCell();
  return barSize_ > arrows ? barSize_ - arrows : 0;
}

unsigned int ScrollBarField::lastSliderOffset() const {
  const unsigned int cells = shaftCells();
  return firstShaftCell() + (cells > sliderSize_ ? cells - sliderSize_ : 0);
}

// Position 0 puts the slider on the first shaft cell and the last page on
// the last cells; any other position shares the cells between them, so an
// arrow always has a row to step to until the list is at its end.
unsigned int ScrollBarField::calculateSliderOffset() const {
  const unsigned int first = firstShaftCell(), free = shaftCells();
  const unsigned int last = lastSliderOffset();
  if (position_ == 0 || free <= sliderSize_) return first;
  const uint64_t total = totalRows_, unit = Unit(total);
  if (position_ + uint64_t{barSize_} >= total) return last;
  const uint64_t inner = free - sliderSize_ - 1u;
  const uint64_t at = position_ / unit;
  const uint64_t range = total > barSize_ + 1u ? (total - barSize_ - 1u) / unit : 0;
  const uint64_t offset = inner * (at > 0 ? at - 1 : 0) / (range ? range : 1) + 1 + first;
  return offset > last ? last : static_cast<unsigned int>(offset);
}

void ScrollBarField::paintShaft(DisplayBag* d) {
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const unsigned int step = cellDistance(d->columns());
  if (barSize_ == 0 || step == 0 || lastCell(d->columns()) > ps.lastOffset()) return;
  const unsigned int first = firstShaftCell(), cells = shaftCells();
  for (unsigned int i = first; i < first + cells; ++i) {
    const bool slider = i >= sliderOffset_ && i < sliderOffset_ + sliderSize_;
    ps.writeCharacter(start_ + i * step, slider ? sliderChar_ : shaftChar_);
  }
}

int ScrollBarField::cursorForClick(DisplayBag* d, unsigned int offset) {
  bool move = (barFlags_ & kCursorFollowsClick) != 0;
  if (!move && (barFlags_ & kInSelectionField)) {
    // A list's bar takes the cursor into the list unless it is there.
    const unsigned int cursor = d->cursor().getCursorOffset();
    FormatTable& t = d->formatTable();
    Field* f = cursor <= t.highestOffset() ? t.getField(cursor) : nullptr;
    move = !f || f->getFieldClassID() != kSelectionField;
  }
  if (!move) return 0;
  return d->services()->moveCursorThroughArea(d->getCurrentArea(), offset);
}

int ScrollBarField::postScrollAid(DisplayBag* d, unsigned char aid) {
  const bool modified = isModified();
  setFlags(kMDT);
  if (const int error = d->getCurrentArea()->checkBeforeAid(d, aid)) {
    if (!modified) clearFlags(kMDT);
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return error;
  }
  d->postAidCode(aid);
  return 0;
}

int ScrollBarField::mouseClick(DisplayBag* d, unsigned int offset) {
  const unsigned int columns = d->columns();
  const unsigned int step = cellDistance(columns);
  if (barSize_ == 0 || step == 0) return 0;
  offset = clampOffset(offset, columns);
  const unsigned int last = lastCell(columns);
  if (offset < start_) offset = start_;
  if (offset > last) offset = last;
  const unsigned int cell = (offset - start_) / step;
  if (cell >= sliderOffset_ && cell < sliderOffset_ + sliderSize_) {
    d->keyboardState().enterDragAndDropState(this, offset);
    return 0;
  }
  const bool arrows = (barFlags_ & kArrows) != 0;
  const bool backArrow = arrows && cell == 0, forwardArrow = arrows && cell + 1 == barSize_;
  if (backArrow && sliderOffset_ <= firstShaftCell()) return 0;
  if (forwardArrow && sliderOffset_ >= lastSliderOffset()) return 0;
  if (cursorForClick(d, offset) != 0) return 0;
  const bool back = cell < sliderOffset_;
  increment_ = (back ? backArrow : forwardArrow) ? 1u : 0u;
  const int error = postScrollAid(d, back ? backAid() : forwardAid());
  if (error) increment_ = 0;
  return error;
}

void ScrollBarField::mouseMovementInDragDropState(DisplayBag* d, unsigned int offset) {
  KeyboardState& k = d->keyboardState();
  const unsigned int columns = d->columns();
  if (offset > d->presentationSpace().lastOffset()) return;
  const int now = static_cast<int>(cellIndex(offset, columns));
  const int before = static_cast<int>(cellIndex(k.dragPointer(), columns));
  if (now == before) return;
  k.setDragPointer(offset);
  const int arrows = static_cast<int>(firstShaftCell());
  const int top = static_cast<int>(cellIndex(start_, columns)) + arrows;
  const int bottom = static_cast<int>(cellIndex(lastCell(columns), columns)) - arrows;
  if ((before < top && now < top) || (before > bottom && now > bottom)) return;
  int slider = sliderOffset_;
  if (now < before) {
    const int d1 = (before > bottom ? bottom : before) - now;
    slider -= d1;
    if (slider < arrows) slider = arrows;
  } else {
    const int d1 = now - (before < top ? top : before);
    slider += d1;
    if (slider > static_cast<int>(lastSliderOffset())) slider = static_cast<int>(lastSliderOffset());
  }
  if (slider == sliderOffset_) return;
  sliderOffset_ = static_cast<unsigned char>(slider);
  paintShaft(d);
}

void ScrollBarField::leftButtonReleaseInDragDropState(DisplayBag* d) {
  const unsigned int old = d->keyboardState().exitDragAndDropState();
  if (sliderOffset_ == old) return;
  const unsigned int step = cellDistance(d->columns());
  const bool back = sliderOffset_ < old;
  if (cursorForClick(d, start_ + sliderOffset_ * step) == 0) {
    const unsigned int position = position_;
    const unsigned int increment = calculateScrollBarIncrement(d, old);
    increment_ = increment;
    if (postScrollAid(d, back ? backAid() : forwardAid()) == 0) return;
    position_ = position;
    increment_ = 0;
  }
  sliderOffset_ = static_cast<unsigned char>(old);
  paintShaft(d);
}

void ScrollBarField::resetDragDropState(DisplayBag* d) {
  KeyboardState& k = d->keyboardState();
  if (k.state() != KeyboardState::kDragAndDrop || k.dragScrollBar() != this) return;
  sliderOffset_ = static_cast<unsigned char>(k.exitDragAndDropState());
  paintShaft(d);
}

unsigned int ScrollBarField::calculateScrollBarIncrement(DisplayBag* d, unsigned int old) {
  const uint64_t total = totalRows_;
  const uint64_t range = total > barSize_ ? total - barSize_ : 0;
  const bool back = sliderOffset_ < old;
  if (sliderOffset_ <= firstShaftCell()) {
    position_ = back ? 0 : static_cast<unsigned int>(range);
    return kToTheEnd;
  }
  if (sliderOffset_ >= lastSliderOffset()) {
    position_ = back ? 0 : static_cast<unsigned int>(range);
    return kToTheEnd;
  }
  // The rows one cell of the shaft stands for, times the cells moved; then
  // corrected step by step until the slider of the new position stands on
  // the dragged cell. Positions stay strictly between the top and the last
  // page (the end cells are the cases above).
  const uint64_t unit = Unit(total);
  const uint64_t inner = shaftCells() - sliderSize_ - 1u;  // at least 1 here
  const uint64_t cells = back ? old - sliderOffset_ : sliderOffset_ - old;
  const uint64_t span = range > 0 ? (range - 1) / unit : 0;
  const uint64_t start = position_;
  const uint64_t lowest = 1, highest = range > 1 ? range - 1 : 1;
  const auto positionFor = [&](uint64_t increment) {
    uint64_t q = back ? (start > increment ? start - increment : 0) : start + increment;
    if (q < lowest) q = lowest;
    if (q > highest) q = highest;
    return q;
  };
  const unsigned int dragged = sliderOffset_;
  uint64_t increment = span * cells / inner * unit;
  uint64_t step = (range > 0 ? (range - 1) / 2 : 0) / inner;
  if (step < 1) step = 1;
  int lastDirection = 0;
  for (int attempt = 0; attempt < 255; ++attempt) {
    position_ = static_cast<unsigned int>(positionFor(increment));
    const unsigned int placed = calculateSliderOffset();
    if (placed == dragged) break;
    const bool past = back ? placed < dragged : placed > dragged;
    const int direction = past ? -1 : 1;
    if (lastDirection != 0 && direction != lastDirection && step > 1) step /= 2;
    lastDirection = direction;
    if (past) increment = increment > step ? increment - step : 0;
    else increment += step;
  }
  increment = position_ > start ? position_ - start : start - position_;
  if (d->options().avoidControlBytes) {
    uint64_t adjusted = 0;
    for (int i = 3; i >= 0; --i) {
      unsigned int b = static_cast<unsigned int>(increment >> (8 * i)) & 0xFF;
      if (b == 0x04) b = 0x03;
      if (b >= 0x0E && b <= 0x11) b = 0x0D;
      adjusted = adjusted << 8 | b;
    }
    if (adjusted != increment) {
      increment = adjusted;
      position_ = static_cast<unsigned int>(back ? start - increment : start + increment);
    }
  }
  // No position may put the slider exactly there (a shaft with more cells
  // than rows): the slider goes where the position puts it.
  const unsigned int placed = calculateSliderOffset();
  if (placed != sliderOffset_) {
    sliderOffset_ = static_cast<unsigned char>(placed);
    paintShaft(d);
  }
  return static_cast<unsigned int>(increment);
}
