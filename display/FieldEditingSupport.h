#pragma once
// Station flags and cursor helpers shared by the field editing, navigation
// and delete operations, and the positions of an entry field in typing
// order.
#include <vector>

#include "display/DisplayBag.h"
#include "display/EntryField.h"

namespace field_editing {

// Operator error numbers of field editing.
enum : unsigned int {
  kErrorNotInField = 5,
  kErrorNotInSystemRequest = 6,
  kErrorMandatoryEntry = 7,
  kErrorAlphabeticOnly = 8,
  kErrorNumericOnly = 9,
  kErrorSignedNumeric = 10,
  kErrorSignPosition = 11,
  kErrorNoRoom = 12,
  kErrorMandatoryFill = 14,
  kErrorSelfCheck = 15,
  kErrorFieldMinus = 16,
  kErrorFillNotComplete = 17,
  kErrorExitPending = 18,
  kErrorDupOrMark = 19,
  kErrorExitRequired = 20,
  kErrorNoDataEntered = 21,
  kErrorDigitsOnly = 24,
  kErrorNotDigit = 26,
  kErrorCursorSelect = 37,
  kErrorSelectionField = 82,
  kErrorWordWrap = 91,
};

constexpr unsigned char kNull = 0x00;
constexpr unsigned char kBlank = 0x40;
constexpr unsigned char kDupCharacter = 0x1C;
constexpr unsigned char kFieldMarkCharacter = 0x1E;
constexpr unsigned char kMinusSign = 0x60;
constexpr unsigned char kAidEnter = 0xF1;
constexpr unsigned char kAidAutoEnterAlternate = 0x50;
constexpr unsigned char kAidCursorSelect = 0x3F;
constexpr unsigned char kAidRecordBackspace = 0xF8;
constexpr unsigned char kAidHelpInError = 0x03;

// Raises operator error `code`; returns it.
inline int Raise(DisplayBag* d, unsigned int code) {
  d->keyboardState().enterErrorState(code, 0, 1, 0, 0);
  return static_cast<int>(code);
}

inline unsigned int CursorAt(DisplayBag* d) { return d->cursor().getCursorOffset(); }
inline void MoveWithin(DisplayBag* d, unsigned int offset) {
  d->cursor().moveCursorWithinSameArea(offset, CursorOffsetAsShown);
}
inline void MoveToNewArea(DisplayBag* d, unsigned int offset) {
  d->cursor().moveCursorToNewArea(static_cast<int>(offset), CursorOffsetAsShown);
}

inline bool InsertMode(DisplayBag* d) { return (d->modeFlagsA() & DisplayBag::kAInsert) != 0; }
inline bool RightToLeftCursor(DisplayBag* d) {
  return (d->modeFlagsA() & DisplayBag::kARTLCursor) != 0;
}

// Field-exit pending and its output flag.
inline bool ExitPending(DisplayBag* d) { return (d->modeFlagsA() & DisplayBag::kAHomePending) != 0; }
inline void SetExitPending(DisplayBag* d) {
  d->modeFlagsA() |= DisplayBag::kAHomePending;
  d->controlData().setCursorRequestBits(KeyboardState::kHomePendingOutput);
}
inline void ClearExitPending(DisplayBag* d) {
  d->modeFlagsA() &= ~DisplayBag::kAHomePending;
  d->controlData().clearCursorRequestBits(KeyboardState::kHomePendingOutput);
}

inline void SetInsertMode(DisplayBag* d, bool on) {
  if (on) {
    d->modeFlagsA() |= DisplayBag::kAInsert;
    d->indicators().current().set(Indicators::kInsert);
    d->controlData().setCursorRequestBits(DisplayControlData::kRequestInsert);
  } else {
    d->modeFlagsA() &= ~DisplayBag::kAInsert;
    d->indicators().current().reset(Indicators::kInsert);
    d->controlData().clearCursorRequestBits(DisplayControlData::kRequestInsert);
  }
}

// Arabic or Farsi shaping runs while a shaping language is set and the
// cursor moves right to left (on a reversed screen too: the focused field's
// data is then held reversed, so the operator sees it typed right to left).
inline bool ShapingActive(DisplayBag* d) { return d->asd().language() != 0 && RightToLeftCursor(d); }

inline bool IsRightToLeftClass(const EntryField* f) {
  const FieldClassID id = f->getFieldClassID();
  return id == kRTLField || id == kRTLWordWrapField;
}

// The field's positions in typing order: row by row through the segments,
// each row left to right (right to left in a right-to-left field; a left-to-right
// field typed right to left runs from its last position back to its
// first). `withSign` false leaves out the sign position of a signed-numeric
// field.
// Held in place (no heap), so that typing allocates nothing.
class FieldPositions {
 public:
  static constexpr unsigned int kCapacity = 4096;
  unsigned int size() const { return size_; }
  bool empty() const { return size_ == 0; }
  unsigned int operator[](size_t i) const { return at_[i]; }
  unsigned int front() const { return at_[0]; }
  unsigned int back() const { return at_[size_ - 1]; }
  void push_back(unsigned int p) {
    if (size_ < kCapacity) at_[size_++] = static_cast<unsigned short>(p);
  }
  void pop_back() { --size_; }
  void swap(size_t i, size_t j) {
    const unsigned short t = at_[i];
    at_[i] = at_[j];
    at_[j] = t;
  }

 private:
  unsigned short at_[kCapacity];
  unsigned int size_ = 0;
};
void TypingOrder(DisplayBag* d, EntryField* f, FieldPositions& order, bool withSign = false);
// The order in which the field's writers lay text out: row by row through
// the segments, each row from its first position (from its last in a
// right-to-left field), whatever the cursor's direction.
void LayoutOrder(DisplayBag* d, EntryField* f, FieldPositions& order);
inline FieldPositions TypingOrder(DisplayBag* d, EntryField* f, bool withSign = false) {
  FieldPositions order;
  TypingOrder(d, f, order, withSign);
  return order;
}
// The index of `offset` in `order`, or -1.
int IndexOf(const FieldPositions& order, unsigned int offset);
// Fills from `offset` to the field's logical end (in typing order, sign
// excluded) with `c`.
void FillToLogicalEnd(DisplayBag* d, EntryField* f, unsigned int offset, unsigned char c);
// Deletes `count` characters at `offset`: the text after them in typing
// order closes up, nulls enter at the logical end.
void DeleteInTypingOrder(DisplayBag* d, EntryField* f, unsigned int offset, unsigned int count,
                         bool withSign = false);

// Before the cursor leaves `f` for another area: the field's self-check. An
// error keeps the cursor in the field at its logical start and is raised;
// the move must not happen. 0 when the cursor may leave.
int CheckLeaving(DisplayBag* d, EntryField* f);
// Steps 3 and 4 of leaving a field after an exit: the next field, or the
// auto-enter AID. `flags` non-zero suppresses auto-enter while the keyboard
// is not in the normal unlocked state.
int LeaveAfterExit(DisplayBag* d, EntryField* f, unsigned int flags);

}  // namespace field_editing

// Leaves a field after its last position was typed or an exit key taken.
int ExitEntryField(DisplayBag* d, EntryField* f, unsigned int flags);
// The cursor enters `f` backwards by Field Backspace (home without a field).
void EnterFieldByFieldBackspace(DisplayBag* d, Field* f);
// The target offset of Cursor Down (Up) from the cursor in `from`, and the
// area there.
int commonCursorDownCode(DisplayBag* d, AreaOfScreen* from, AreaOfScreen*& to);
int commonCursorUpCode(DisplayBag* d, AreaOfScreen* from, AreaOfScreen*& to);
// A horizontal move that leaves an area: from `offset` each area that the
// cursor reaches says where the move goes on.
void moveHorizontallyFrom(DisplayBag* d, unsigned int offset, bool left);
// The cursor enters `f` backwards by Character Backspace.
void enterFieldByCharacterBackspace(DisplayBag* d, Field* f);
