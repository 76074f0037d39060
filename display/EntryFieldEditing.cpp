// Typing into entry fields: data keys in insert and replace mode, the exit
// keys (Field Exit, Field Plus, Field Minus), Field Mark, Field Backspace,
// End and Home, the self-check and exit checks, right adjustment and the
// field highlight.
#include <vector>

#include "display/ASDInfo.h"
#include "display/FieldEditingSupport.h"
#include "display/SelfCheckDigits.h"
#include "display/WordWrapLayout.h"
#include "keyboard/AidType.h"
#include "keyboard/UserInput.h"

using namespace field_editing;

namespace field_editing {

void LayoutOrder(DisplayBag* d, EntryField* f, FieldPositions& order) {
  const bool rtlClass = IsRightToLeftClass(f);
  const unsigned int columns = d->columns() ? d->columns() : 1u;
  for (const EntryFieldSegment* s = f->getFirstSegmentPtr();; ++s) {
    for (unsigned int first = s->start; first <= s->end;) {
      const unsigned int rowEnd = first - first % columns + columns - 1u;
      const unsigned int last = rowEnd < s->end ? rowEnd : s->end;
      if (rtlClass) {
        for (unsigned int p = last + 1u; p-- > first;) order.push_back(p);
      } else {
        for (unsigned int p = first; p <= last; ++p) order.push_back(p);
      }
      first = last + 1u;
    }
    if (s->isLastSegment()) break;
  }
}

void TypingOrder(DisplayBag* d, EntryField* f, FieldPositions& order, bool withSign) {
  const bool rtlClass = IsRightToLeftClass(f);
  LayoutOrder(d, f, order);
  if (!withSign && f->isSignedNumeric() && order.size() > 1) order.pop_back();
  if (!rtlClass && RightToLeftCursor(d)) {
    for (size_t i = 0, j = order.size(); i + 1 < j; ++i, --j) order.swap(i, j - 1);
  }
}

int IndexOf(const FieldPositions& order, unsigned int offset) {
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] == offset) return static_cast<int>(i);
  return -1;
}

void FillToLogicalEnd(DisplayBag* d, EntryField* f, unsigned int offset, unsigned char c) {
  const FieldPositions order = TypingOrder(d, f);
  const int at = IndexOf(order, offset);
  if (at < 0) return;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  for (size_t i = static_cast<size_t>(at); i < order.size(); ++i) ps.writeCharacter(order[i], c);
}

void DeleteInTypingOrder(DisplayBag* d, EntryField* f, unsigned int offset, unsigned int count,
                         bool withSign) {
  const FieldPositions order = TypingOrder(d, f, withSign);
  const int at = IndexOf(order, offset);
  if (at < 0 || count == 0) return;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const size_t n = order.size();
  for (size_t i = static_cast<size_t>(at); i < n; ++i) {
    const size_t from = i + count;
    ps.writeCharacter(order[i], from < n ? ps.getCharacter(order[from]) : kNull);
  }
}

int CheckLeaving(DisplayBag* d, EntryField* f) {
  const int error = f->verifySelfCheck(d, 0);
  if (!error) return 0;
  MoveWithin(d, f->getLogicalStartOffset(d));
  return Raise(d, static_cast<unsigned int>(error));
}

int LeaveAfterExit(DisplayBag* d, EntryField* f, unsigned int flags) {
  if (!f->isAutoEnter()) return f->advanceToNextLogicalField(d);
  if (flags && d->keyboardState().state() != KeyboardState::kNormalUnlocked) return 0;
  const unsigned char aid =
      (f->formatByte(0) & EntryField::kAlternateAid) ? kAidAutoEnterAlternate : kAidEnter;
  if (const int error = f->checkBeforeAid(d, aid)) return Raise(d, static_cast<unsigned int>(error));
  d->postAidCode(aid);
  return 0;
}

}  // namespace field_editing

int ExitEntryField(DisplayBag* d, EntryField* f, unsigned int flags) {
  if (f->isFieldExitRequired() || f->isSignedNumeric() || f->isRightAdjust()) {
    SetExitPending(d);
    return 0;
  }
  if (const int error = CheckLeaving(d, f)) return error;
  return LeaveAfterExit(d, f, flags);
}

void EnterFieldByFieldBackspace(DisplayBag* d, Field* f) {
  if (!f) {
    MoveToNewArea(d, d->cursor().getHomePosition());
    return;
  }
  MoveToNewArea(d, f->isCuaCompliant() ? f->getLastCursorOffset(d) : f->getFirstCursorOffset(d));
}

// Geometry in typing order.

int EntryField::nextPositionInField(unsigned int offset) const {
  for (const EntryFieldSegment* s = getFirstSegmentPtr();; ++s) {
    if (offset >= s->start && offset <= s->end) {
      if (offset < s->end) return static_cast<int>(offset + 1);
      return s->isLastSegment() ? -1 : static_cast<int>((s + 1)->start);
    }
    if (s->isLastSegment()) return -1;
  }
}

int EntryField::previousPositionInField(unsigned int offset) const {
  for (const EntryFieldSegment* s = getFirstSegmentPtr();; ++s) {
    if (offset >= s->start && offset <= s->end) {
      if (offset > s->start) return static_cast<int>(offset - 1);
      return s->isFirstSegment() || s == getFirstSegmentPtr() ? -1 : static_cast<int>((s - 1)->end);
    }
    if (s->isLastSegment()) return -1;
  }
}

unsigned int EntryField::lastDataOffset() {
  const EntryFieldSegment* s = getLastSegmentPtr();
  return isSignedNumeric() && s->end > s->start ? s->end - 1u : s->end;
}

namespace {
unsigned int LogicalStart(DisplayBag* d, EntryField* f) {
  const FieldPositions order = TypingOrder(d, f);
  return order.front();
}
unsigned int LogicalEnd(DisplayBag* d, EntryField* f) {
  const FieldPositions order = TypingOrder(d, f);
  return order.back();
}
// One step in typing order from the cursor (forward or back); false at the
// end of the field.
bool StepCursor(DisplayBag* d, EntryField* f, bool forward) {
  const FieldPositions order = TypingOrder(d, f, true);
  const int at = IndexOf(order, CursorAt(d));
  if (at < 0) return false;
  const int to = forward ? at + 1 : at - 1;
  if (to < 0 || static_cast<size_t>(to) >= order.size()) return false;
  MoveWithin(d, order[static_cast<size_t>(to)]);
  return true;
}
bool OnSignPosition(DisplayBag* d, EntryField* f) {
  return f->isSignedNumeric() && CursorAt(d) == f->getLastSegmentPtr()->end;
}
}  // namespace

unsigned int LTRField::getLogicalStartOffset(DisplayBag* d) { return LogicalStart(d, this); }
unsigned int LTRField::getLogicalEndOffset(DisplayBag* d) { return LogicalEnd(d, this); }
unsigned int RTLField::getLogicalStartOffset(DisplayBag* d) { return LogicalStart(d, this); }
unsigned int RTLField::getLogicalEndOffset(DisplayBag* d) { return LogicalEnd(d, this); }
unsigned int SignedNumericField::getLogicalEndOffset(DisplayBag* d) { return LogicalEnd(d, this); }

int LTRField::asdAtEnd(DisplayBag* d) { return CursorAt(d) == getLogicalEndOffset(d); }
int LTRField::asdAtStart(DisplayBag* d) { return CursorAt(d) == getLogicalStartOffset(d); }
int RTLField::asdAtEnd(DisplayBag* d) { return CursorAt(d) == getLogicalEndOffset(d); }
int RTLField::asdAtStart(DisplayBag* d) { return CursorAt(d) == getLogicalStartOffset(d); }
int SignedNumericField::asdAtEnd(DisplayBag* d) { return CursorAt(d) == getLogicalEndOffset(d); }

// Slot 91 steps one character forward, slot 92 one back, in typing order.
void LTRField::asdMoveLeft(DisplayBag* d) { StepCursor(d, this, true); }
void LTRField::asdMoveRight(DisplayBag* d) { StepCursor(d, this, false); }
void RTLField::asdMoveLeft(DisplayBag* d) { StepCursor(d, this, true); }
void RTLField::asdMoveRight(DisplayBag* d) { StepCursor(d, this, false); }

void LTRField::fillForward(DisplayBag* d, unsigned int offset, unsigned char c) {
  FillToLogicalEnd(d, this, offset, c);
}
void RTLField::fillForward(DisplayBag* d, unsigned int offset, unsigned char c) {
  FillToLogicalEnd(d, this, offset, c);
}

namespace {
void FillToLogicalStart(DisplayBag* d, EntryField* f, unsigned int offset, unsigned char c) {
  const FieldPositions order = TypingOrder(d, f);
  const int at = IndexOf(order, offset);
  for (int i = at; i >= 0; --i) d->presentationSpace().writeCharacter(order[static_cast<size_t>(i)], c);
}
}  // namespace

void LTRField::fillBackward(DisplayBag* d, unsigned int offset, unsigned char c) {
  FillToLogicalStart(d, this, offset, c);
}
void RTLField::fillBackward(DisplayBag* d, unsigned int offset, unsigned char c) {
  FillToLogicalStart(d, this, offset, c);
}

// Data keys.

int EntryField::dataKey(DisplayBag* d, DataKeystroke* key) {
  const unsigned int shift = shiftType();
  if ((shift == kNumericOnly || shift == kSignedNumericShift) && key->actsAsFieldMinus())
    return fieldMinus(d);
  if (ExitPending(d)) return Raise(d, kErrorExitPending);
  if (const int error = key->errorForFieldShift(d, shift))
    return Raise(d, static_cast<unsigned int>(error));
  if (OnSignPosition(d, this)) return Raise(d, kErrorSignPosition);
  const unsigned char c =
      isMonocase() ? key->getMonocasedCodePoint(d) : key->functionWord().code;
  return dataInsertReplace(d, c, 0);
}

namespace {
// The field's text, the cursor and the shaping state before a shaped edit,
// put back when the edit does not fit: an edit is refused whole, never
// completed by dropping what the operator typed.
class ShapedEditGuard {
 public:
  ShapedEditGuard(DisplayBag* d, EntryField* f) : d_(d), asd_(d->asd()), cursor_(CursorAt(d)) {
    TypingOrder(d, f, order_, true);
    const PresentationSpaceScreenBuffer& ps = d->presentationSpace();
    for (unsigned int i = 0; i < order_.size(); ++i) bytes_[i] = ps.getCharacter(order_[i]);
  }
  void restore() {
    PresentationSpaceScreenBuffer& ps = d_->presentationSpace();
    for (unsigned int i = 0; i < order_.size(); ++i) ps.writeCharacter(order_[i], bytes_[i]);
    MoveWithin(d_, cursor_);
    d_->asd() = asd_;
  }

 private:
  DisplayBag* d_;
  ASD asd_;
  unsigned int cursor_;
  FieldPositions order_;
  unsigned char bytes_[FieldPositions::kCapacity];
};
}  // namespace

int EntryField::shapedInsertReplace(DisplayBag* d, unsigned char c, unsigned int flags) {
  ASDInfoDP info(this);
  ASD& asd = d->asd();
  ShapedEditGuard guard(d, this);
  if (InsertMode(d)) {
    if (const int error = asd.insertLogicalCharacter(info, c)) {
      guard.restore();
      return Raise(d, static_cast<unsigned int>(error));
    }
    if (isWordWrap()) RewrapAfterShapedEdit(d, this);
    markEdited();
    return 0;
  }
  const bool atEnd = CursorAt(d) == getLogicalEndOffset(d);
  unsigned int interrupted = 0;
  if (const int error = asd.replaceLogicalCharacter(info, c, interrupted)) {
    guard.restore();
    return Raise(d, static_cast<unsigned int>(error));
  }
  if (isWordWrap()) RewrapAfterShapedEdit(d, this);
  markEdited();
  if (!atEnd) return 0;
  if (const int error = asd.interruptASDType1(info, 0, interrupted))
    return Raise(d, static_cast<unsigned int>(error));
  return ExitEntryField(d, this, flags);
}

int EntryField::interruptShaping(DisplayBag* d) {
  if (!ShapingActive(d)) return 0;
  ASDInfoDP info(this);
  return d->asd().interruptASDType2(info, 0);
}

int EntryField::dataInsertReplace(DisplayBag* d, DBChar c, unsigned int flags) {
  const unsigned char ch = SingleByteOf(c);
  if (ShapingActive(d)) return shapedInsertReplace(d, ch, flags);
  if (InsertMode(d)) {
    if (const int error = insertCharacterAtCursor(d, ch))
      return Raise(d, static_cast<unsigned int>(error));
    markEdited();
    return 0;
  }
  if (const int error = replaceCharacterAtCursor(d, ch))
    return Raise(d, static_cast<unsigned int>(error));
  markEdited();
  if (CursorAt(d) != getLogicalEndOffset(d)) {
    asdMoveLeft(d);
    return 0;
  }
  return ExitEntryField(d, this, flags);
}

int EntryField::insertCharacterAtCursor(DisplayBag* d, unsigned char c) {
  return insertCharacter(d, c);
}

int EntryField::replaceCharacterAtCursor(DisplayBag* d, unsigned char c) {
  const unsigned int at = CursorAt(d);
  if (!containsOffset(at, d->columns())) return kErrorNoRoom;
  d->presentationSpace().writeCharacter(at, c);
  return 0;
}

namespace {
// Inserts `c` at the cursor; the text after it moves one position on in
// typing order, which needs a null in the field's last data position.
int InsertInTypingOrder(DisplayBag* d, EntryField* f, unsigned char c, bool advance = true) {
  const FieldPositions order = TypingOrder(d, f);
  const int at = IndexOf(order, CursorAt(d));
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  if (at < 0 || ps.getCharacter(order.back()) != kNull) return kErrorNoRoom;
  for (size_t i = order.size() - 1; i > static_cast<size_t>(at); --i)
    ps.writeCharacter(order[i], ps.getCharacter(order[i - 1]));
  ps.writeCharacter(order[static_cast<size_t>(at)], c);
  if (advance && static_cast<size_t>(at) + 1 < order.size()) MoveWithin(d, order[static_cast<size_t>(at) + 1]);
  return 0;
}
}  // namespace

int LTRField::insertCharacter(DisplayBag* d, unsigned char c) { return InsertInTypingOrder(d, this, c); }
int RTLField::insertCharacter(DisplayBag* d, unsigned char c) { return InsertInTypingOrder(d, this, c); }
// The shaper's insert: the cursor stays on the new character.
int EntryField::asdInsertCharacter(DisplayBag* d, unsigned char c) {
  return InsertInTypingOrder(d, this, c, false);
}

// Exit keys.

namespace {
// Steps 1 to 5 of Field Exit (also run by Field Minus): 0, or the error
// raised.
int ExitKeyChecksAndErase(DisplayBag* d, EntryField* f) {
  const bool pending = ExitPending(d);
  const unsigned int cursor = CursorAt(d);
  const unsigned int start = f->getLogicalStartOffset(d);
  if (f->isMandatoryFill() && !f->isSignedNumeric() && !pending && cursor != start) {
    MoveWithin(d, start);
    return Raise(d, kErrorFillNotComplete);
  }
  if (f->isMandatoryEntry() && !pending && (cursor == start || !f->isChangedByOperator()))
    return Raise(d, kErrorNoDataEntered);
  f->markEdited();
  // The rest of the field is erased and the field adjusted unless the exit
  // key only ends a pending exit (the cursor then stands on typed data).
  if (!pending) {
    bool erase = true;
    unsigned int from = cursor;
    if (ShapingActive(d)) {
      // The word before the cursor takes its final shapes first (a seen
      // letter may grow its tail and move the cursor on).
      ASDInfoDP info(f);
      unsigned int interrupted = 0;
      if (const int error = d->asd().interruptASDType1(info, 0, interrupted))
        return Raise(d, static_cast<unsigned int>(error));
      from = CursorAt(d);
      erase = !interrupted && !d->asd().afterText();
    }
    if (erase) FillToLogicalEnd(d, f, from, kNull);
    f->afterErase(d);
    f->rightAdjust(d);
  }
  ClearExitPending(d);
  return 0;
}

// Step 7 of Field Exit: the self-check, then leaving the field.
int ExitKeyLeave(DisplayBag* d, EntryField* f, unsigned int cursor, unsigned int start) {
  if (const int error = f->verifySelfCheck(d, cursor == start ? 2 : 1)) {
    MoveWithin(d, start);
    return Raise(d, static_cast<unsigned int>(error));
  }
  return LeaveAfterExit(d, f, 0);
}
}  // namespace

int EntryField::fieldExit(DisplayBag* d) {
  const unsigned int cursor = CursorAt(d);
  const unsigned int start = getLogicalStartOffset(d);
  if (const int error = ExitKeyChecksAndErase(d, this)) return error;
  if (isSignedNumeric()) d->presentationSpace().writeCharacter(getLastSegmentPtr()->end, kNull);
  return ExitKeyLeave(d, this, cursor, start);
}

int EntryField::fieldMinus(DisplayBag* d) {
  const unsigned int shift = shiftType();
  if (segmentCount() > 1 || (shift != kNumericOnly && shift != kSignedNumericShift))
    return Raise(d, kErrorFieldMinus);
  const unsigned int cursor = CursorAt(d);
  const unsigned int start = getLogicalStartOffset(d);
  if (const int error = ExitKeyChecksAndErase(d, this)) return error;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const unsigned int last = getLastSegmentPtr()->end;
  if (isSignedNumeric()) {
    ps.writeCharacter(last, kMinusSign);
  } else {
    const unsigned char c = ps.getCharacter(last);
    if (c != kNull && (c < 0xF0 || c > 0xF9)) return Raise(d, kErrorNotDigit);
    ps.writeCharacter(last, static_cast<unsigned char>(0xD0 | (c & 0x0F)));
  }
  return ExitKeyLeave(d, this, cursor, start);
}

int EntryField::fieldMark(DisplayBag* d) {
  if (!d->options().fieldMarkAllowed || !isDupAllowed()) return Raise(d, kErrorDupOrMark);
  if (ExitPending(d)) return Raise(d, kErrorExitPending);
  if (OnSignPosition(d, this)) return Raise(d, kErrorSignPosition);
  return dataInsertReplace(d, kFieldMarkCharacter, 0);
}

int EntryField::fieldBackspace(DisplayBag* d) {
  ClearExitPending(d);
  const unsigned int start = getLogicalStartOffset(d);
  const unsigned int cursor = CursorAt(d);
  if (cursor != start) {
    MoveWithin(d, start);
    return 0;
  }
  if (const int error = CheckLeaving(d, this)) return error;
  FormatTable& t = d->formatTable();
  if (Field* p = t.getPreviousCursorProgressionField(this)) {
    MoveToNewArea(d, p->getFirstCursorOffset(d));
    return 0;
  }
  EnterFieldByFieldBackspace(d, t.getPreviousLogicalNonBypassField(this, cursor));
  return 0;
}

int AreaOfScreen::fieldBackspace(DisplayBag* d) {
  EnterFieldByFieldBackspace(
      d, d->formatTable().getPreviousLogicalNonBypassField(nullptr, CursorAt(d)));
  return 0;
}

// End and Home.

namespace {
int EndInField(DisplayBag* d, EntryField* f) {
  if (const int error = f->interruptShaping(d)) return Raise(d, static_cast<unsigned int>(error));
  const FieldPositions order = TypingOrder(d, f);
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  size_t i = order.size();
  while (i > 0 && ps.getCharacter(order[i - 1]) == kNull) --i;
  // After the last character; on it when it fills the field.
  const size_t to = i == 0 ? 0 : (i < order.size() ? i : order.size() - 1);
  MoveWithin(d, order[to]);
  return 0;
}
}  // namespace

int LTRField::endKey(DisplayBag* d, unsigned int) { return EndInField(d, this); }
int RTLField::endKey(DisplayBag* d, unsigned int) { return EndInField(d, this); }

int AreaOfScreen::endKey(DisplayBag* d, unsigned int how) {
  fieldAdvance(d);
  if (how) {
    AreaOfScreen* reached = d->getCurrentArea();
    if (reached != this) reached->endKey(d, 0);
  }
  return 0;
}

int AreaOfScreen::home(DisplayBag* d) {
  if (CursorAt(d) != d->cursor().getHomePosition()) return goHome(d);
  if (const int error = checkBeforeAid(d, kAidRecordBackspace))
    return Raise(d, static_cast<unsigned int>(error));
  d->postAidCode(kAidRecordBackspace);
  return 0;
}

int AreaOfScreen::goHome(DisplayBag* d) {
  unsigned int home = d->cursor().getHomePosition();
  if (home > d->presentationSpace().lastOffset()) home = 0;
  return d->formatTable().getNonBypassArea(home)->enterAtOffset(d, home);
}

int EntryField::goHome(DisplayBag* d) {
  if (const int error = CheckLeaving(d, this)) return error;
  return AreaOfScreen::goHome(d);
}

int AreaOfScreen::enterAtOffset(DisplayBag* d, unsigned int offset) {
  MoveToNewArea(d, offset);
  return 0;
}

// Checks.

int EntryField::verifySelfCheck(DisplayBag* d, unsigned int how) {
  if (!isChangedByOperator()) return 0;
  const unsigned int shift = shiftType();
  if (how == 0 && d->options().exitCheck &&
      (isSignedNumeric() || ((shift == kNumericOnly || shift == kDigitsOnly) && isRightAdjust())))
    return kErrorExitPending;
  std::vector<unsigned char> run;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const unsigned int last = lastDataOffset();
  for (const EntryFieldSegment* s = getFirstSegmentPtr();; ++s) {
    for (unsigned int p = s->start; p <= s->end && p <= last; ++p) run.push_back(ps.getCharacter(p));
    if (s->isLastSegment() || s->end >= last) break;
  }
  if (how < 2 && isMandatoryFill()) {
    for (unsigned char c : run)
      if (c == kNull) return kErrorMandatoryFill;
  }
  const unsigned int count = static_cast<unsigned int>(run.size());
  if ((format_[2] & kModulus10) && SelfCheckModulo10(run.data(), count)) return kErrorSelfCheck;
  if ((format_[2] & kModulus11) && SelfCheckModulo11(run.data(), count)) return kErrorSelfCheck;
  format_[1] &= static_cast<unsigned char>(~kChangedByEditKey);
  return 0;
}

int EntryField::checkBeforeExit(DisplayBag* d) {
  if ((isRightAdjust() || isSignedNumeric()) && isChangedByOperator() && !ExitPending(d) &&
      !RightToLeftCursor(d))
    return kErrorExitRequired;
  return 0;
}

int EntryField::checkBeforeAid(DisplayBag* d, unsigned char aid) {
  if (aid != kAidHelpInError) {
    if (const int error = interruptShaping(d)) return error;
  }
  switch (aidType(d, aid)) {
    case 1:
    case 3: {
      if (const int error = checkBeforeExit(d)) return error;
      if (const int error = verifySelfCheck(d, 0)) {
        MoveWithin(d, getLogicalStartOffset(d));
        return error;
      }
      return AreaOfScreen::checkBeforeAid(d, aid);
    }
    case 2:
      return AreaOfScreen::checkBeforeAid(d, aid);
    case 4:
      return checkBeforeExit(d);
    default:
      // Not an AID: nothing to check (a key or a host-defined button never
      // ends the program).
      return 0;
  }
}

// Right adjustment.

void EntryField::rightAdjust(DisplayBag* d) {
  if (!isRightAdjust() && !isSignedNumeric()) return;
  if (RightToLeftCursor(d)) return;
  const unsigned int first = getStartOffset();
  unsigned int last = getFirstPartEnd();
  if (d->screenReversed() && first / d->columns() != getLastSegmentPtr()->end / d->columns()) return;
  if (isSignedNumeric()) {
    if (last == first) return;
    --last;
  }
  const unsigned char fill = fillType() == kRightAdjustZero ? getZeroCharacter() : kBlank;
  d->presentationSpace().bulkInsert(first, last, fill);
}

// Field highlight.

void EntryField::turnFieldIndicatorsOn(DisplayBag* d) {
  const unsigned char highlight = highlightAttribute();
  if (!highlight) return;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  for (EntryFieldSegment* s = getFirstSegmentPtr();; ++s) {
    if (s->start > 0) {
      const unsigned int at = d->keyboardState().swappedErrorLineOffsetCheck(s->start - 1u);
      const unsigned char c = ps.getCharacter(at);
      if (c >= 0x20 && c <= 0x3F) {
        s->attribute = c & 0x3F;
        ps.writeCharacter(at, static_cast<unsigned char>(0x20 | highlight));
      }
    }
    if (s->isLastSegment()) break;
  }
}

void EntryField::turnFieldIndicatorsOff(DisplayBag* d) {
  if (!highlightAttribute()) return;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  for (EntryFieldSegment* s = getFirstSegmentPtr();; ++s) {
    if (s->start > 0 && (s->attribute & 0x20)) {
      const unsigned int at = d->keyboardState().swappedErrorLineOffsetCheck(s->start - 1u);
      const unsigned char c = ps.getCharacter(at);
      if (c >= 0x20 && c <= 0x3F) ps.writeCharacter(at, s->attribute);
    }
    if (s->isLastSegment()) break;
  }
}

int EntryField::gainFocus(DisplayBag* d) {
  // On a reversed screen the field's data is shown reversed while it has
  // the focus, so that it is typed in the order the operator sees.
  if (d->screenReversed()) d->presentationSpace().reverseEntryFieldData(this);
  setCursorDirectionIndicator(d);
  turnFieldIndicatorsOn(d);
  return 0;
}

void EntryField::loseFocus(DisplayBag* d) {
  turnFieldIndicatorsOff(d);
  d->presentationSpace().unReverseEntryFieldData(this);
}

void RTLField::setCursorDirectionIndicator(DisplayBag* d) {
  d->modeFlagsA() |= DisplayBag::kARTLCursor;
  d->indicators().current().set(Indicators::kRightToLeftCursor);
}
