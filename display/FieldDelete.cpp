// Delete, Close, Dup, Erase EOF, the shaping keys, Reverse and cut in entry
// fields, and the refusals of the areas that take no input.
#include <vector>

#include "display/ASDInfo.h"
#include "display/FieldEditingSupport.h"
#include "display/WordWrapLayout.h"

using namespace field_editing;

// Areas that take no input refuse the editing keys.
int AreaOfScreen::deleteKey(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int AreaOfScreen::dup(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int AreaOfScreen::eraseEOF(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int AreaOfScreen::fieldExit(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int AreaOfScreen::fieldMark(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int AreaOfScreen::fieldMinus(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int AreaOfScreen::reverse(DisplayBag* d) { return Raise(d, kErrorNotInField); }

int ProtectedField::asdKey(DisplayBag* d, unsigned int) { return Raise(d, kErrorNotInField); }
int ProtectedField::close(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int ProtectedField::dataKey(DisplayBag* d, DataKeystroke*) { return Raise(d, kErrorNotInField); }
int ProtectedField::deleteKey(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int ProtectedField::dup(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int ProtectedField::eraseEOF(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int ProtectedField::fieldExit(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int ProtectedField::fieldMark(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int ProtectedField::fieldMinus(DisplayBag* d) { return Raise(d, kErrorNotInField); }
int ProtectedField::reverse(DisplayBag* d) { return Raise(d, kErrorNotInField); }

int WordWrapField::close(DisplayBag* d) { return Raise(d, kErrorWordWrap); }
int RTLWordWrapField::close(DisplayBag* d) { return Raise(d, kErrorWordWrap); }
int WordWrapField::reverse(DisplayBag* d) { return Raise(d, kErrorWordWrap); }
int RTLWordWrapField::reverse(DisplayBag* d) { return Raise(d, kErrorWordWrap); }

namespace {
// Every successful delete leaves the field modified and ends a pending exit.
void AfterDelete(DisplayBag* d, EntryField* f) {
  f->markEdited();
  ClearExitPending(d);
}

bool OnSign(DisplayBag* d, EntryField* f) {
  return f->isSignedNumeric() && CursorAt(d) == f->getLastSegmentPtr()->end;
}

// Shift types whose fields refuse Close, Reverse and the shaping keys:
// 0 accepted, else the error.
unsigned int ShiftRefusal(DisplayBag* d, EntryField* f) {
  switch (f->shiftType()) {
    case EntryField::kNumericShift:
    case EntryField::kNumericOnly:
    case EntryField::kDigitsOnly:
      return kErrorNumericOnly;
    case EntryField::kSignedNumericShift:
      return CursorAt(d) == f->getFirstPartEnd() ? kErrorSignPosition : kErrorSignedNumeric;
    default:
      return 0;
  }
}
}  // namespace

// Delete.

void LTRField::deleteLTRCursorDirection(DisplayBag* d, unsigned int count, unsigned int,
                                        int offset) {
  const unsigned int at = offset < 0 ? d->cursor().getCursorShifted() : static_cast<unsigned int>(offset);
  DeleteInTypingOrder(d, this, at, count);
}

int LTRField::asdDeleteCharacter(DisplayBag* d) {
  DeleteInTypingOrder(d, this, CursorAt(d), 1);
  return 0;
}

int RTLField::asdDeleteCharacter(DisplayBag* d) {
  DeleteInTypingOrder(d, this, CursorAt(d), 1);
  return 0;
}

namespace {
void ShapedDelete(DisplayBag* d, EntryField* f) {
  ASDInfoDP info(f);
  d->asd().deleteLogicalCharacter(info);
}
}  // namespace

int LTRField::deleteKey(DisplayBag* d) {
  if (ShapingActive(d))
    ShapedDelete(d, this);
  else if (RightToLeftCursor(d))
    asdDeleteCharacter(d);
  else
    deleteLTRCursorDirection(d, 1, 0, -1);
  AfterDelete(d, this);
  return 0;
}

int RTLField::deleteKey(DisplayBag* d) {
  if (ShapingActive(d))
    ShapedDelete(d, this);
  else
    asdDeleteCharacter(d);
  AfterDelete(d, this);
  return 0;
}

int SignedNumericField::deleteKey(DisplayBag* d) {
  if (OnSign(d, this)) return Raise(d, kErrorSignPosition);
  DeleteInTypingOrder(d, this, CursorAt(d), 1);
  AfterDelete(d, this);
  return 0;
}

int WordWrapField::deleteKey(DisplayBag* d) { return DeleteInWordWrapField(d, this); }
int RTLWordWrapField::deleteKey(DisplayBag* d) { return DeleteInWordWrapField(d, this); }

// Close: the part of the field on the cursor's row closes up over its nulls.

namespace {
int CloseInField(DisplayBag* d, EntryField* f, bool rightToLeft) {
  if (ExitPending(d)) return Raise(d, kErrorExitPending);
  if (const unsigned int refusal = ShiftRefusal(d, f)) return Raise(d, refusal);
  if (const int error = f->interruptShaping(d)) return Raise(d, static_cast<unsigned int>(error));
  d->modeFlagsA() |= DisplayBag::kANewArea;
  SetInsertMode(d, false);
  const EntryFieldSegment* s = f->getSegmentForOffset(CursorAt(d));
  CursorClass& cursor = d->cursor();
  unsigned int left = cursor.getUnShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(s->start, s->end);
  unsigned int right = cursor.getUnShiftedOffsetOfRightFieldBoundaryOnLineOfScreen(s->start, s->end);
  // On a reversed screen the boundaries come mirrored.
  if (left > right) {
    const unsigned int t = left;
    left = right;
    right = t;
  }
  std::vector<unsigned int> part;
  if (!rightToLeft)
    for (unsigned int p = left; p <= right; ++p) part.push_back(p);
  else
    for (unsigned int p = right + 1u; p-- > left;) part.push_back(p);
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  size_t firstNull = part.size();
  for (size_t i = 0; i < part.size(); ++i)
    if (ps.getCharacter(part[i]) == kNull) {
      firstNull = i;
      break;
    }
  if (firstNull == part.size()) {
    if (s->isLastSegment() && part.back() == (rightToLeft ? s->start : s->end)) return f->fieldAdvance(d);
    MoveWithin(d, part.back());
    f->asdMoveLeft(d);
    return 0;
  }
  size_t to = firstNull;
  for (size_t i = firstNull; i < part.size(); ++i) {
    const unsigned char c = ps.getCharacter(part[i]);
    if (c != kNull) ps.writeCharacter(part[to++], c);
  }
  for (size_t i = to; i < part.size(); ++i) ps.writeCharacter(part[i], kNull);
  d->modeFlagsA() &= ~DisplayBag::kARTLCursor;
  d->indicators().current().reset(Indicators::kRightToLeftCursor);
  MoveWithin(d, part[to < part.size() ? to : part.size() - 1]);
  f->setFlags(Field::kMDT);
  return 0;
}
}  // namespace

int LTRField::close(DisplayBag* d) { return CloseInField(d, this, false); }
int RTLField::close(DisplayBag* d) { return CloseInField(d, this, true); }

// The shaping keys act only while shaping runs right to left; the shaper
// then takes them.
int EntryField::asdKey(DisplayBag* d, unsigned int key) {
  if (ExitPending(d)) return Raise(d, kErrorExitPending);
  if (const unsigned int refusal = ShiftRefusal(d, this)) return Raise(d, refusal);
  if (!ShapingActive(d)) return 0;
  ASDInfoDP info(this);
  ASD& asd = d->asd();
  switch (key) {
    case 1: asd.baseKey(info); break;
    case 2: asd.farsiBaseKey(info); break;
    case 3: asd.finalKey(info); break;
    case 4: asd.initialKey(info); break;
    case 5: asd.middleKey(info); break;
    default: break;
  }
  return 0;
}

// Dup and Erase EOF.

namespace {
// Dup and Erase EOF end a shaping run first: the word before the cursor
// takes its final shapes. 1 when the shaper took the key (nothing more is
// written), 0 to go on, or the error raised.
int EndShapingRun(DisplayBag* d, EntryField* f, bool& took) {
  took = false;
  if (!ShapingActive(d)) return 0;
  ASDInfoDP info(f);
  unsigned int interrupted = 0;
  if (const int error = d->asd().interruptASDType1(info, 0, interrupted))
    return Raise(d, static_cast<unsigned int>(error));
  took = interrupted != 0;
  return 0;
}
}  // namespace

int EntryField::dup(DisplayBag* d) {
  if (!isDupAllowed()) return Raise(d, kErrorDupOrMark);
  if (ExitPending(d)) return Raise(d, kErrorExitPending);
  markEdited();
  bool took = false;
  if (const int error = EndShapingRun(d, this, took)) return error;
  if (!took) FillToLogicalEnd(d, this, d->cursor().getCursorShifted(), kDupCharacter);
  if (const int error = verifySelfCheck(d, 1)) {
    MoveWithin(d, getLogicalStartOffset(d));
    return Raise(d, static_cast<unsigned int>(error));
  }
  return LeaveAfterExit(d, this, 0);
}

int EntryField::eraseEOF(DisplayBag* d) {
  bool took = false;
  if (!ExitPending(d))
    if (const int error = EndShapingRun(d, this, took)) return error;
  if (!took) {
    FillToLogicalEnd(d, this, d->cursor().getCursorShifted(), kNull);
    afterErase(d);
  }
  ClearExitPending(d);
  markEdited();
  return 0;
}

// Reverse: the typing direction inside the field turns.

int EntryField::reverse(DisplayBag* d) {
  if (ExitPending(d)) return Raise(d, kErrorExitPending);
  if (const unsigned int refusal = ShiftRefusal(d, this)) return Raise(d, refusal);
  if (const int error = interruptShaping(d)) return Raise(d, static_cast<unsigned int>(error));
  SetInsertMode(d, false);
  const bool wasRightToLeft = RightToLeftCursor(d);
  if (wasRightToLeft) {
    d->modeFlagsA() &= ~DisplayBag::kARTLCursor;
    d->indicators().current().reset(Indicators::kRightToLeftCursor);
  } else {
    d->modeFlagsA() |= DisplayBag::kARTLCursor;
    d->indicators().current().set(Indicators::kRightToLeftCursor);
  }
  if (d->modeFlagsA() & DisplayBag::kAMarked) {
    d->modeFlagsA() &= ~DisplayBag::kAMarked;
    return 0;
  }
  const EntryFieldSegment* s = getSegmentForOffset(CursorAt(d));
  CursorClass& c = d->cursor();
  MoveWithin(d, wasRightToLeft ? c.getUnShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(s->start, s->end)
                               : c.getUnShiftedOffsetOfRightFieldBoundaryOnLineOfScreen(s->start, s->end));
  return 0;
}

namespace {
void FlipDirection(DisplayBag* d) {
  d->modeFlagsA() ^= DisplayBag::kARTLCursor;
  if (d->modeFlagsA() & DisplayBag::kARTLCursor)
    d->indicators().current().set(Indicators::kRightToLeftCursor);
  else
    d->indicators().current().reset(Indicators::kRightToLeftCursor);
}
}  // namespace

void LTRField::toggleCursorDirection(DisplayBag* d) {
  if (shiftType() == kAlphanumericShift || shiftType() == kAlphabeticOnly) FlipDirection(d);
}
void RTLField::toggleCursorDirection(DisplayBag* d) { FlipDirection(d); }

// Cut: a rectangle of characters leaves the field, the text closes up.

int LTRField::cut(DisplayBag* d, unsigned int start, unsigned int rows, unsigned int width) {
  if (rows == 0 || width == 0) return 0;
  const FieldPositions order = TypingOrder(d, this, true);
  int cursorIndex = IndexOf(order, CursorAt(d));
  const unsigned int c = d->columns();
  for (unsigned int r = rows; r-- > 0;) {
    const int at = IndexOf(order, start + r * c);
    if (at < 0 || static_cast<size_t>(at) + width > order.size()) continue;
    DeleteInTypingOrder(d, this, order[static_cast<size_t>(at)], width, true);
    if (cursorIndex > at + static_cast<int>(width) - 1) cursorIndex -= static_cast<int>(width);
  }
  if (cursorIndex >= 0) MoveWithin(d, order[static_cast<size_t>(cursorIndex)]);
  ClearExitPending(d);
  markEdited();
  return 0;
}

int WordWrapField::cut(DisplayBag* d, unsigned int start, unsigned int rows, unsigned int width) {
  return CutWordWrapField(d, this, start, rows, width);
}
int RTLWordWrapField::cut(DisplayBag* d, unsigned int start, unsigned int rows, unsigned int width) {
  return CutWordWrapField(d, this, start, rows, width);
}

void WordWrapField::afterErase(DisplayBag* d) { RewrapAfterErase(d, this); }
void RTLWordWrapField::afterErase(DisplayBag* d) { RewrapAfterErase(d, this); }

// Word-wrap typing: the field's text with the edit applied is written back,
// word-wrapped where it fits.

int WordWrapField::insertCharacterAtCursor(DisplayBag* d, unsigned char c) {
  unsigned int index = 0;
  const std::vector<unsigned char> text = GetWordWrapText(d, this, kGetDataInsert, c, CursorAt(d), index);
  return RewriteWordWrapField(d, this, text, index);
}

int WordWrapField::replaceCharacterAtCursor(DisplayBag* d, unsigned char c) {
  unsigned int index = 0;
  const std::vector<unsigned char> text = GetWordWrapText(d, this, kGetDataReplace, c, CursorAt(d), index);
  return RewriteWordWrapField(d, this, text, index);
}

int RTLWordWrapField::insertCharacterAtCursor(DisplayBag* d, unsigned char c) {
  unsigned int index = 0;
  const std::vector<unsigned char> text = GetWordWrapText(d, this, kGetDataInsert, c, CursorAt(d), index);
  return RewriteWordWrapField(d, this, text, index);
}

int RTLWordWrapField::replaceCharacterAtCursor(DisplayBag* d, unsigned char c) {
  unsigned int index = 0;
  const std::vector<unsigned char> text = GetWordWrapText(d, this, kGetDataReplace, c, CursorAt(d), index);
  return RewriteWordWrapField(d, this, text, index);
}
