// Moving the cursor between the areas of the screen: the cursor keys,
// character advance and backspace, field advance, Cursor Select, and the
// input-capable-position searches of the format table.
#include <vector>

#include "display/FieldEditingSupport.h"
#include "base/ErrorHalt.h"

using namespace field_editing;

namespace {
constexpr unsigned short kModuleFormatTable = 2836;

// Moves that leave a field look only for input-capable positions while input
// is pending, or always when the user chose input-only cursor movement.
bool InputOnly(DisplayBag* d) {
  return (d->modeFlagsB() & DisplayBag::kBPendingMask) != 0 || d->options().inputOnlyCursorMovement;
}

// The target of a vertical move from the cursor and the area there.
unsigned int VerticalTarget(DisplayBag* d, AreaOfScreen* from, AreaOfScreen*& to, bool down) {
  CursorClass& c = d->cursor();
  FormatTable& t = d->formatTable();
  unsigned int p = c.getCursorOffset();
  to = from;
  for (unsigned int i = 0; i < d->rows(); ++i) {
    p = down ? c.getPositionDownward(p) : c.getPositionUpward(p);
    if (InputOnly(d)) p = down ? t.nextInputCapablePositionDownward(p) : t.nextInputCapablePositionUpward(p);
    to = t.getNonBypassArea(p);
    if (!to->isUnavailableAt(p, from)) break;
  }
  return p;
}

int MoveAcross(DisplayBag* d, AreaOfScreen* from, unsigned int p, AreaOfScreen* to) {
  if (to == from)
    MoveWithin(d, p);
  else
    MoveToNewArea(d, p);
  return 0;
}

// One step of Cursor Left or Right from outside the current area: each area
// that the cursor reaches says where the move goes on.
void HorizontalLoop(DisplayBag* d, unsigned int p, bool left) {
  FormatTable& t = d->formatTable();
  for (unsigned int guard = 0; guard <= d->presentationSpace().lastOffset() + 1u; ++guard) {
    AreaOfScreen* a = t.getNonBypassArea(p);
    const int next = left ? a->enterMovingLeft(d, p) : a->enterMovingRight(d, p);
    if (next < 0) return;
    p = static_cast<unsigned int>(next);
  }
}

unsigned int OneStep(DisplayBag* d, bool left) {
  CursorClass& c = d->cursor();
  return left ? c.getPositionToLeft(c.getCursorOffset(), 1, 0)
              : c.getPositionToRight(c.getCursorOffset(), 1, 0);
}

bool InErrorState(DisplayBag* d) {
  const KeyboardState::State s = d->keyboardState().state();
  return s == KeyboardState::kError || s == KeyboardState::kPostHelpError;
}
}  // namespace

void moveHorizontallyFrom(DisplayBag* d, unsigned int offset, bool left) { HorizontalLoop(d, offset, left); }

int commonCursorDownCode(DisplayBag* d, AreaOfScreen* from, AreaOfScreen*& to) {
  return static_cast<int>(VerticalTarget(d, from, to, true));
}

int commonCursorUpCode(DisplayBag* d, AreaOfScreen* from, AreaOfScreen*& to) {
  return static_cast<int>(VerticalTarget(d, from, to, false));
}

// Vertical moves.

int AreaOfScreen::cursorDown(DisplayBag* d) {
  AreaOfScreen* to = nullptr;
  const unsigned int p = VerticalTarget(d, this, to, true);
  return MoveAcross(d, this, p, to);
}

int AreaOfScreen::cursorUp(DisplayBag* d) {
  AreaOfScreen* to = nullptr;
  const unsigned int p = VerticalTarget(d, this, to, false);
  return MoveAcross(d, this, p, to);
}

namespace {
int EntryVertical(DisplayBag* d, EntryField* f, bool down) {
  ClearExitPending(d);
  AreaOfScreen* to = nullptr;
  const unsigned int p = VerticalTarget(d, f, to, down);
  if (to == f) {
    MoveWithin(d, p);
    return 0;
  }
  if (const int error = CheckLeaving(d, f)) return error;
  MoveToNewArea(d, p);
  return 0;
}
}  // namespace

int EntryField::cursorDown(DisplayBag* d) { return EntryVertical(d, this, true); }
int EntryField::cursorUp(DisplayBag* d) { return EntryVertical(d, this, false); }

// Horizontal moves.

int AreaOfScreen::cursorLeft(DisplayBag* d, unsigned int count) {
  for (unsigned int i = 0; i < count && !InErrorState(d); ++i) HorizontalLoop(d, OneStep(d, true), true);
  return 0;
}

int AreaOfScreen::cursorRight(DisplayBag* d, unsigned int count) {
  for (unsigned int i = 0; i < count && !InErrorState(d); ++i) HorizontalLoop(d, OneStep(d, false), false);
  return 0;
}

int AreaOfScreen::enterMovingLeft(DisplayBag* d, unsigned int offset) {
  if (InputOnly(d)) {
    const int q = d->formatTable().nextInputCapablePositionToLeft(static_cast<int>(offset));
    if (q >= 0 && static_cast<unsigned int>(q) != offset) return q;
  }
  MoveToNewArea(d, offset);
  return -1;
}

int AreaOfScreen::enterMovingRight(DisplayBag* d, unsigned int offset) {
  if (InputOnly(d)) {
    const int q = d->formatTable().nextInputCapablePositionToRight(static_cast<int>(offset));
    if (q >= 0 && static_cast<unsigned int>(q) != offset) return q;
  }
  MoveToNewArea(d, offset);
  return -1;
}

int EntryField::enterMovingLeft(DisplayBag* d, unsigned int offset) {
  MoveToNewArea(d, offset);
  return -1;
}

int EntryField::enterMovingRight(DisplayBag* d, unsigned int offset) {
  MoveToNewArea(d, offset);
  return -1;
}

namespace {
int EntryHorizontal(DisplayBag* d, EntryField* f, unsigned int count, bool left) {
  for (unsigned int i = 0; i < count; ++i) {
    if (d->getCurrentArea() != f) {
      // The field was left on an earlier step: the area there goes on.
      return left ? d->getCurrentArea()->cursorLeft(d, count - i)
                  : d->getCurrentArea()->cursorRight(d, count - i);
    }
    if (ExitPending(d)) {
      ClearExitPending(d);
      // Against the typing direction the key only ends the pending exit.
      const bool rtl = RightToLeftCursor(d) != d->screenReversed();
      if (left != rtl) return 0;
    }
    const unsigned int p = OneStep(d, left);
    if (f->containsOffset(p, d->columns())) {
      MoveWithin(d, p);
      continue;
    }
    if (const int error = CheckLeaving(d, f)) return error;
    HorizontalLoop(d, p, left);
  }
  return 0;
}
}  // namespace

int EntryField::cursorLeft(DisplayBag* d, unsigned int count) { return EntryHorizontal(d, this, count, true); }
int EntryField::cursorRight(DisplayBag* d, unsigned int count) { return EntryHorizontal(d, this, count, false); }

// Character advance and backspace.

int AreaOfScreen::characterAdvance(DisplayBag* d) { return fieldAdvance(d); }

int AreaOfScreen::characterBackspace(DisplayBag* d) {
  if (Field* f = d->formatTable().getPreviousLogicalNonBypassField(nullptr, CursorAt(d)))
    enterFieldByCharacterBackspace(d, f);
  return 0;
}

int EntryField::characterAdvance(DisplayBag* d) {
  ClearExitPending(d);
  if (asdAtEnd(d)) return fieldAdvance(d);
  asdMoveLeft(d);
  return 0;
}

int EntryField::characterBackspace(DisplayBag* d) {
  if (ExitPending(d)) {
    ClearExitPending(d);
    return 0;
  }
  const bool destructive = d->options().destructiveBackspace;
  const bool atStart = asdAtStart(d) != 0;
  if (atStart && !destructive) {
    if (const int error = CheckLeaving(d, this)) return error;
    FormatTable& t = d->formatTable();
    Field* f = t.getPreviousCursorProgressionField(this);
    if (!f) f = t.getPreviousLogicalNonBypassField(this, CursorAt(d));
    if (f) enterFieldByCharacterBackspace(d, f);
    return 0;
  }
  if (!atStart) asdMoveRight(d);
  if (destructive) return deleteKey(d);
  return 0;
}

void enterFieldByCharacterBackspace(DisplayBag* d, Field* f) {
  MoveToNewArea(d, f->getLastCursorOffset(d));
  if (!f->isWordWrap()) return;
  EntryField* e = static_cast<EntryField*>(f);
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  if (ps.getCharacter(CursorAt(d)) != kNull) return;
  const int back = e->previousPositionInField(CursorAt(d));
  if (back < 0) return;
  MoveWithin(d, static_cast<unsigned int>(back));
  if (ps.getCharacter(static_cast<unsigned int>(back)) != kNull) {
    const int forward = e->nextPositionInField(static_cast<unsigned int>(back));
    if (forward >= 0) MoveWithin(d, static_cast<unsigned int>(forward));
  }
}

// Field advance.

int AreaOfScreen::fieldAdvance(DisplayBag* d) {
  unsigned int wrapped = 0;
  Field* f = d->formatTable().getNextLogicalNonBypassField(nullptr, wrapped, CursorAt(d));
  if (!f) {
    unsigned int home = d->cursor().getHomePosition();
    if (home > d->presentationSpace().lastOffset()) home = 0;
    MoveWithin(d, home);
    return 0;
  }
  MoveToNewArea(d, f->getFirstCursorOffset(d));
  return 0;
}

int EntryField::fieldAdvance(DisplayBag* d) {
  ClearExitPending(d);
  if (const int error = CheckLeaving(d, this)) return error;
  return advanceToNextLogicalField(d);
}

int Field::advanceToNextLogicalField(DisplayBag* d) {
  unsigned int wrapped = 0;
  Field* next = d->formatTable().getNextLogicalNonBypassField(this, wrapped, getStartOffset());
  if (wrapped)
    d->modeFlagsA() |= DisplayBag::kAStopPaste;
  else
    d->modeFlagsA() &= ~DisplayBag::kAStopPaste;
  if (next) MoveToNewArea(d, next->getFirstCursorOffset(d));
  return 0;
}

int EntryField::advanceToNextLogicalField(DisplayBag* d) {
  if (const unsigned int n = getCursorProgressionNumber()) {
    if (Field* target = d->formatTable().getSpecificField(n, 1)) {
      MoveToNewArea(d, target->getFirstCursorOffset(d));
      return 0;
    }
  }
  return Field::advanceToNextLogicalField(d);
}

// Cursor Select.

int AreaOfScreen::cursorSelect(DisplayBag* d) { return Raise(d, kErrorNotInField); }

int EntryField::cursorSelect(DisplayBag* d) {
  if (!ExitPending(d)) {
    if (format_[1] & kCursorSelectAid) {
      flags_ |= kMDT;
      if (const int error = checkBeforeAid(d, kAidCursorSelect))
        return Raise(d, static_cast<unsigned int>(error));
      d->postAidCode(kAidCursorSelect);
      return 0;
    }
    if (format_[1] & kLightPenWrite) {
      lightPenWrite(d);
      return 0;
    }
  }
  return Raise(d, kErrorCursorSelect);
}

// Input-capable positions.

int FormatTable::nextInputCapablePositionToRight(int p) {
  const int positions = static_cast<int>(highest_) + 1;
  if (p < -1 || p > positions) ErrorHalt(kModuleFormatTable, 19, static_cast<unsigned long>(p));
  for (int q = p + 1; q < positions; ++q)
    if (getArea(static_cast<unsigned int>(q))->isInputCapableAt(static_cast<unsigned int>(q))) return q;
  for (int q = 0; q <= p && q < positions; ++q)
    if (getArea(static_cast<unsigned int>(q))->isInputCapableAt(static_cast<unsigned int>(q))) return q;
  return -1;
}

int FormatTable::nextInputCapablePositionToLeft(int p) {
  const int positions = static_cast<int>(highest_) + 1;
  if (p < -1 || p > positions) ErrorHalt(kModuleFormatTable, 18, static_cast<unsigned long>(p));
  for (int q = p - 1; q >= 0; --q)
    if (getArea(static_cast<unsigned int>(q))->isInputCapableAt(static_cast<unsigned int>(q))) return q;
  const int stop = p < 0 ? 0 : p;
  for (int q = positions - 1; q >= stop; --q)
    if (getArea(static_cast<unsigned int>(q))->isInputCapableAt(static_cast<unsigned int>(q))) return q;
  return -1;
}

namespace {
// The position of field `f` nearest `target`: the target itself when the
// field takes input there, else the edge of the segment that holds `edge`.
unsigned int NearestInField(DisplayBag* d, Field* f, unsigned int edge, unsigned int target,
                            unsigned int columns) {
  if (f->containsOffset(target, columns) && f->isInputCapableAt(target)) return target;
  const unsigned int start = f->getSegmentStartAt(edge), end = f->getSegmentEndAt(edge);
  unsigned int r = target < start ? start : (target > end ? end : edge);
  if (d->screenReversed()) r = f->mirrorOffset(r);
  return r;
}
}  // namespace

unsigned int FormatTable::nextInputCapablePositionDownward(unsigned int offset) {
  const unsigned int c = columns();
  CursorClass& cursor = owner_->cursor();
  if (cursor.getRememberedColumn() == 0) cursor.setRememberedColumn(offset % c + 1);
  const unsigned int rowStart = offset - offset % c;
  const int first = nextInputCapablePositionToRight(static_cast<int>(rowStart) - 1);
  if (first < 0) return 0;
  const unsigned int p = static_cast<unsigned int>(first);
  const unsigned int r = p / c;
  Field* f = getField(p);
  if (!f) return p;
  unsigned int e = f->getSegmentEndAt(p);
  const unsigned int t = r * c + cursor.getRememberedColumn() - 1u;
  for (unsigned int guard = 0; e < t && guard <= fieldCount_; ++guard) {
    const int q = nextInputCapablePositionToRight(static_cast<int>(e));
    if (q < 0 || static_cast<unsigned int>(q) <= e || static_cast<unsigned int>(q) / c != r) break;
    Field* g = getField(static_cast<unsigned int>(q));
    if (!g) break;
    const unsigned int e2 = g->getSegmentEndAt(static_cast<unsigned int>(q));
    if (e2 >= t) {
      // The field whose edge lies nearer the target column wins.
      if (!(static_cast<unsigned int>(q) > t && static_cast<unsigned int>(q) - t > t - e)) {
        f = g;
        e = e2;
      }
      break;
    }
    f = g;
    e = e2;
  }
  const unsigned int result = NearestInField(owner_, f, e, t, c);
  return result < r * c ? r * c : result;
}

unsigned int FormatTable::nextInputCapablePositionUpward(unsigned int offset) {
  const unsigned int c = columns();
  CursorClass& cursor = owner_->cursor();
  if (cursor.getRememberedColumn() == 0) cursor.setRememberedColumn(offset % c + 1);
  const unsigned int nextRowStart = offset - offset % c + c;
  const int first = nextInputCapablePositionToLeft(
      static_cast<int>(nextRowStart > highest_ + 1u ? highest_ + 1u : nextRowStart));
  if (first < 0) return 0;
  const unsigned int p = static_cast<unsigned int>(first);
  const unsigned int r = p / c;
  Field* f = getField(p);
  if (!f) return p;
  unsigned int s = f->getSegmentStartAt(p);
  const unsigned int t = r * c + cursor.getRememberedColumn() - 1u;
  for (unsigned int guard = 0; s > t && guard <= fieldCount_; ++guard) {
    const int q = nextInputCapablePositionToLeft(static_cast<int>(s));
    if (q < 0 || static_cast<unsigned int>(q) >= s || static_cast<unsigned int>(q) / c != r) break;
    Field* g = getField(static_cast<unsigned int>(q));
    if (!g) break;
    const unsigned int s2 = g->getSegmentStartAt(static_cast<unsigned int>(q));
    if (s2 <= t) {
      if (!(static_cast<unsigned int>(q) < t && t - static_cast<unsigned int>(q) > s - t)) {
        f = g;
        s = s2;
      }
      break;
    }
    f = g;
    s = s2;
  }
  const unsigned int result = NearestInField(owner_, f, s, t, c);
  const unsigned int rowEnd = r * c + c - 1u;
  return result > rowEnd ? rowEnd : result;
}
