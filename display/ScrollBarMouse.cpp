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

// The slider's first cell for `position` in a shaft of `cells` with a
// slider of `size`: the share of the total before the shown part.
unsigned int Placement(uint64_t position, uint64_t total, unsigned int cells, unsigned int size) {
  if (total == 0 || size >= cells) return 0;
  uint64_t at = cells * position / total;
  if (at > cells - size) at = cells - size;
  return static_cast<unsigned int>(at);
}
}  // namespace

unsigned int ScrollBarField::shaftCells() const {
  const unsigned int arrows = 2 * firstShaftCell();
  return barSize_ > arrows ? barSize_ - arrows : 0;
}

unsigned int ScrollBarField::lastSliderOffset() const {
  const unsigned int cells = shaftCells();
  return firstShaftCell() + (cells > sliderSize_ ? cells - sliderSize_ : 0);
}

unsigned int ScrollBarField::calculateSliderOffset() const {
  return firstShaftCell() + Placement(position_, totalRows_, shaftCells(), sliderSize_);
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
  // The first position whose slider stands on the dragged cell, kept
  // strictly between the top and the end (those are the end cells' cases).
  const unsigned int cells = shaftCells();
  const uint64_t k = sliderOffset_ - firstShaftCell();
  uint64_t q = cells ? (k * total + cells - 1) / cells : 0;
  if (q < 1) q = 1;
  if (range >= 2 && q > range - 1) q = range - 1;
  if (range < 2) q = range;
  const uint64_t start = position_;
  uint64_t increment = q > start ? q - start : start - q;
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
      q = back ? (start > increment ? start - increment : 0) : start + increment;
      if (q > range) q = range;
    }
  }
  position_ = static_cast<unsigned int>(q);
  const unsigned int placed = calculateSliderOffset();
  if (placed != sliderOffset_) {
    sliderOffset_ = static_cast<unsigned char>(placed);
    paintShaft(d);
  }
  return static_cast<unsigned int>(increment);
}
