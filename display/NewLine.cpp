// The New Line key: the cursor goes to the first input field from the start
// of the next line on (a continued field's next segment on a lower row
// first), wrapping at the end of the screen.
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/FieldEditingSupport.h"
#include "display/SelectionField.h"

using namespace field_editing;

namespace {
// The field that New Line reaches from the start of the line after `offset`.
Field* FieldOnNextLine(DisplayBag* d, unsigned int offset) {
  const unsigned int next = d->presentationSpace().getFirstPositionOfNextLine(offset);
  FormatTable& t = d->formatTable();
  if (next > t.highestOffset()) return nullptr;
  return t.getArea(next)->findNextFieldForward(d, next);
}
}  // namespace

Field* AreaOfScreen::findNextFieldForward(DisplayBag* d, unsigned int offset) {
  FormatTable& t = d->formatTable();
  if (offset > t.highestOffset()) return nullptr;
  // The first input field that starts at the offset or after it, else
  // (wrapping) the screen's first.
  unsigned int wrapped = 0;
  if (offset == 0) return t.getFirstNonBypassField();
  return t.getNextNonBypassFieldInLTROrder(nullptr, wrapped, offset - 1);
}

Field* EntryField::findNextFieldForward(DisplayBag* d, unsigned int offset) {
  const EntryFieldSegment* s = getFirstSegmentPtr();
  const bool inFirstSegment = offset >= s->start && offset <= s->end;
  const bool closingPosition = offset == lastDataOffset() && d->presentationSpace().getCharacter(offset) == 0x0F;
  if (!isBypass() && inFirstSegment && !closingPosition) return this;
  return AreaOfScreen::findNextFieldForward(d, offset);
}

int AreaOfScreen::newline(DisplayBag* d) {
  const unsigned int cursor = CursorAt(d);
  if (Field* f = FieldOnNextLine(d, cursor)) {
    MoveToNewArea(d, f->getFirstCursorOffset(d));
    return 0;
  }
  // No input field: the start of the next line.
  MoveToNewArea(d, d->presentationSpace().getFirstPositionOfNextLine(cursor));
  return 0;
}

int EntryField::newline(DisplayBag* d) {
  ClearExitPending(d);
  const unsigned int cursor = CursorAt(d);
  const unsigned int columns = d->columns();
  const unsigned int row = columns ? cursor / columns : 0;
  // A later segment of this field on a lower row: its nearest position.
  bool past = false;
  for (const EntryFieldSegment* s = getFirstSegmentPtr();; ++s) {
    if (past && columns && s->start / columns > row) {
      const unsigned int column = cursor % columns;
      unsigned int target = s->start;
      if (s->start / columns == s->end / columns) {
        const unsigned int want = s->start / columns * columns + column;
        target = want < s->start ? s->start : want > s->end ? s->end : want;
      }
      MoveWithin(d, target);
      return 0;
    }
    if (cursor >= s->start && cursor <= s->end) past = true;
    if (s->isLastSegment()) break;
  }
  Field* f = FieldOnNextLine(d, cursor);
  if (!f) return AreaOfScreen::newline(d);
  if (f == this && columns && f->getFirstCursorOffset(d) / columns > row) {
    MoveWithin(d, f->getFirstCursorOffset(d));
    return 0;
  }
  if (const int error = verifySelfCheck(d, 0)) {
    MoveWithin(d, getLogicalStartOffset(d));
    return Raise(d, static_cast<unsigned int>(error));
  }
  MoveToNewArea(d, f->getFirstCursorOffset(d));
  return 0;
}

Field* SelectionField::findNextFieldForward(DisplayBag* d, unsigned int offset) {
  const unsigned int n = builtChoices();
  for (unsigned int i = 1; i < n; ++i) {
    const SelectionFieldChoice* c = choice(i);
    if (offset >= c->start && offset <= c->end) return AreaOfScreen::findNextFieldForward(d, offset);
  }
  if (isBypass()) return AreaOfScreen::findNextFieldForward(d, offset);
  return this;
}

int SelectionField::newline(DisplayBag* d) {
  const unsigned int columns = d->columns() ? d->columns() : 1u;
  const unsigned int row = CursorAt(d) / columns;
  SelectionFieldChoice* c = cursorChoice(d);
  for (SelectionFieldChoice* next = c ? nextCursorableChoice(c) : firstCursorableChoice(); next;
       next = nextCursorableChoice(next)) {
    if (next->start / columns != row) {
      moveToChoice(d, next);
      return 0;
    }
  }
  const unsigned int n = builtChoices();
  const unsigned int last = n ? choice(n - 1)->end : getFirstPartEnd();
  if (Field* f = FieldOnNextLine(d, last)) {
    if (f != this) {
      MoveToNewArea(d, f->getFirstCursorOffset(d));
      return 0;
    }
    if (SelectionFieldChoice* first = firstCursorableChoice()) moveToChoice(d, first);
    return 0;
  }
  MoveToNewArea(d, d->presentationSpace().getFirstPositionOfNextLine(last));
  return 0;
}
