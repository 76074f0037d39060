// The selection cursor field: the cursor stands on the start of one of its
// segments, moves past it two positions at a time, and enters it from the
// positions around it.
#include "base/ErrorHalt.h"
#include "display/FieldEditingSupport.h"

using namespace field_editing;

namespace {
constexpr unsigned short kModuleSegmentLookup = 2825;
}  // namespace

// Geometry: a segment with the positions just before and after it.

EntryFieldSegment* SelectionCursorField::getSegmentForOffset(unsigned int offset) {
  for (EntryFieldSegment* s = getFirstSegmentPtr();; ++s) {
    if (offset + 1u >= s->start && offset <= s->end + 1u) return s;
    if (s->isLastSegment()) break;
  }
  ErrorHalt(kModuleSegmentLookup, 2, offset);
}

int SelectionCursorField::containsOffset(unsigned int offset, unsigned int) const {
  for (const EntryFieldSegment* s = requireSegments();; ++s) {
    if (offset + 1u >= s->start && offset <= s->end + 1u) return 1;
    if (s->isLastSegment()) return 0;
  }
}

unsigned int SelectionCursorField::getSegmentStartAt(unsigned int offset) {
  const unsigned int start = getSegmentForOffset(offset)->start;
  return start > 0 ? start - 1u : 0u;
}
unsigned int SelectionCursorField::getSegmentEndAt(unsigned int offset) {
  return getSegmentForOffset(offset)->end + 1u;
}

unsigned int SelectionCursorField::getLastCursorOffset(DisplayBag*) { return getFirstSegmentPtr()->start; }
unsigned int SelectionCursorField::getLogicalStartOffset(DisplayBag*) { return getFirstSegmentPtr()->start; }
unsigned int SelectionCursorField::getLogicalEndOffset(DisplayBag*) { return getFirstSegmentPtr()->start; }
unsigned int SelectionCursorField::getEntryOffset(DisplayBag*) { return getFirstSegmentPtr()->start; }

// The cursor never moves inside a segment: it is always at both ends.
void SelectionCursorField::asdMoveLeft(DisplayBag*) {}
void SelectionCursorField::asdMoveRight(DisplayBag*) {}
int SelectionCursorField::asdAtEnd(DisplayBag*) { return 1; }
int SelectionCursorField::asdAtStart(DisplayBag*) { return 1; }

// Where the cursor stands.

void SelectionCursorField::settleCursor(DisplayBag* d) {
  const unsigned int start = getSegmentForOffset(CursorAt(d))->start;
  if (CursorAt(d) != start) MoveWithin(d, start);
}

void SelectionCursorField::positionCursor(DisplayBag* d) {
  const unsigned int first = getFirstSegmentPtr()->start;
  if (CursorAt(d) != first) MoveWithin(d, first);
}

int SelectionCursorField::enterAtOffset(DisplayBag* d, unsigned int) {
  MoveToNewArea(d, getFirstSegmentPtr()->start);
  return 0;
}

int SelectionCursorField::enterMovingLeft(DisplayBag* d, unsigned int offset) {
  MoveToNewArea(d, getSegmentForOffset(offset)->start);
  return -1;
}

int SelectionCursorField::enterMovingRight(DisplayBag* d, unsigned int offset) {
  MoveToNewArea(d, getSegmentForOffset(offset)->start);
  return -1;
}

// A vertical move that starts here never stops here again.
int SelectionCursorField::isUnavailableAt(unsigned int, AreaOfScreen* from) { return from == this ? 1 : 0; }

// The keys that move.

int SelectionCursorField::cursorLeft(DisplayBag* d, unsigned int count) {
  for (unsigned int i = 0; i < count; ++i) {
    if (d->getCurrentArea() != this) return d->getCurrentArea()->cursorLeft(d, count - i);
    const unsigned int start = getSegmentForOffset(CursorAt(d))->start;
    moveHorizontallyFrom(d, d->cursor().getPositionToLeft(start, 2, 1), true);
  }
  return 0;
}

int SelectionCursorField::cursorRight(DisplayBag* d, unsigned int count) {
  for (unsigned int i = 0; i < count; ++i) {
    if (d->getCurrentArea() != this) return d->getCurrentArea()->cursorRight(d, count - i);
    const unsigned int end = getSegmentForOffset(CursorAt(d))->end;
    moveHorizontallyFrom(d, d->cursor().getPositionToRight(end, 2, 1), false);
  }
  return 0;
}

int SelectionCursorField::home(DisplayBag* d) {
  // The cursor is home when the home position is one of this field's.
  if (!containsOffset(d->cursor().getHomePosition(), d->columns())) return goHome(d);
  if (const int error = checkBeforeAid(d, kAidRecordBackspace)) return Raise(d, static_cast<unsigned int>(error));
  d->postAidCode(kAidRecordBackspace);
  return 0;
}

int SelectionCursorField::newline(DisplayBag* d) {
  // From the line after the field's last segment.
  const unsigned int last = getLastSegmentPtr()->end;
  const unsigned int next = d->presentationSpace().getFirstPositionOfNextLine(last);
  FormatTable& t = d->formatTable();
  Field* f = next <= t.highestOffset() ? t.getArea(next)->findNextFieldForward(d, next) : nullptr;
  MoveToNewArea(d, f ? f->getFirstCursorOffset(d) : next);
  return 0;
}

// Focus: the station's selection-cursor indicator around the highlight.

void SelectionCursorField::turnFieldIndicatorsOn(DisplayBag* d) {
  d->modeFlagsA() |= DisplayBag::kASelectionCursor;
  ProtectedField::turnFieldIndicatorsOn(d);
}

void SelectionCursorField::turnFieldIndicatorsOff(DisplayBag* d) {
  ProtectedField::turnFieldIndicatorsOff(d);
  d->modeFlagsA() &= ~DisplayBag::kASelectionCursor;
}
