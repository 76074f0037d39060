// The keys in a selection field: the cursor keys, character and field
// advance and backspace move among the choices (or leave the field), Enter
// and Delete select and deselect, and the data keys select by the selection
// character, by mnemonic or by number.
#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "display/FieldEditingSupport.h"
#include "display/SelectionField.h"
#include "keyboard/UserInput.h"

using namespace field_editing;

namespace {
constexpr unsigned char kSlash = 0x61;
constexpr unsigned char kAidRollDown = 0xF4;
constexpr unsigned char kAidRollUp = 0xF5;
constexpr unsigned char kAidRollRight = 0xDA;

bool OnSameRow(DisplayBag* d, const SelectionFieldChoice* a, const SelectionFieldChoice* b) {
  return a && b && a->start / d->columns() == b->start / d->columns();
}

// The last (first) choice of the row that holds `c`.
SelectionFieldChoice* RowEnd(SelectionFieldChoice* c, bool last) {
  const unsigned char edge = last ? SelectionFieldChoice::kLastOnRow : SelectionFieldChoice::kFirstOnRow;
  for (unsigned int guard = 0; guard < 256 && !(c->layout & edge); ++guard) {
    if (last && c->isLastChoice()) break;
    if (!last && c->isFirstChoice()) break;
    c = last ? c + 1 : c - 1;
  }
  return c;
}

// The marker positions in front of a choice: its attribute and, by type,
// the indicator character or the numeric entry positions.
unsigned int MarkerWidth(unsigned int type) {
  switch (type) {
    case SelectionField::kTypeIndicator:
    case SelectionField::kTypeNumeric1: return 4;
    case SelectionField::kTypeNumeric2: return 5;
    default: return 2;
  }
}
}  // namespace

// Character advance and backspace.

int SelectionField::characterAdvance(DisplayBag* d) {
  SelectionFieldChoice* c = cursorChoice(d);
  if (SelectionFieldChoice* next = c ? nextCursorableChoice(c) : nullptr) {
    moveToChoice(d, next);
    return 0;
  }
  return fieldAdvance(d);
}

int SelectionField::characterBackspace(DisplayBag* d) {
  SelectionFieldChoice* c = cursorChoice(d);
  if (SelectionFieldChoice* previous = c ? previousCursorableChoice(c) : nullptr) {
    moveToChoice(d, previous);
    return 0;
  }
  FormatTable& t = d->formatTable();
  Field* f = t.getPreviousCursorProgressionField(this);
  if (!f) f = t.getPreviousLogicalNonBypassField(this, CursorAt(d));
  if (f) enterFieldByCharacterBackspace(d, f);
  return 0;
}

// Vertical moves.

int SelectionField::cursorDown(DisplayBag* d) {
  SelectionFieldChoice* c = cursorChoice(d);
  if (c && (c->state & SelectionFieldChoice::kDownAid)) return postChecked(d, kAidRollUp);
  if (!c || !(selectionFlags_ & kCursorKeysAmong)) return AreaOfScreen::cursorDown(d);
  SelectionFieldChoice* next = nullptr;
  if (selectionFlags_ & kInOrder) {
    next = nextCursorableChoice(c);
    if (!next) next = firstCursorableChoice();
  } else {
    next = nextCursorableChoiceVertical(c);
  }
  if (next) moveToChoice(d, next);
  return 0;
}

int SelectionField::cursorUp(DisplayBag* d) {
  SelectionFieldChoice* c = cursorChoice(d);
  if (c && (c->state & SelectionFieldChoice::kUpAid)) return postChecked(d, kAidRollDown);
  if (!c || !(selectionFlags_ & kCursorKeysAmong)) return AreaOfScreen::cursorUp(d);
  SelectionFieldChoice* previous = nullptr;
  if (selectionFlags_ & kInOrder) {
    previous = previousCursorableChoice(c);
    if (!previous) previous = lastCursorableChoice();
  } else {
    previous = previousCursorableChoiceVertical(c);
  }
  if (previous) moveToChoice(d, previous);
  return 0;
}

// Horizontal moves.

int SelectionField::cursorRight(DisplayBag* d, unsigned int count) {
  for (unsigned int i = 0; i < count; ++i) {
    if (d->getCurrentArea() != this) return d->getCurrentArea()->cursorRight(d, count - i);
    SelectionFieldChoice* c = cursorChoice(d);
    if (!c) return 0;
    if (c->state & SelectionFieldChoice::kRightAid) return postChecked(d, kAidRollRight);
    SelectionFieldChoice* next = nextCursorableChoice(c);
    if (selectionFlags_ & kCursorKeysAmong) {
      if (!next) next = firstCursorableChoice();
      if (next) moveToChoice(d, next);
      continue;
    }
    if (!(c->layout & SelectionFieldChoice::kLastOnRow) && OnSameRow(d, c, next)) {
      moveToChoice(d, next);
      continue;
    }
    // Out of the construct, two positions right of the row's last choice.
    moveHorizontallyFrom(d, d->cursor().getPositionToRight(RowEnd(c, true)->end, 2, 1), false);
  }
  return 0;
}

int SelectionField::cursorLeft(DisplayBag* d, unsigned int count) {
  for (unsigned int i = 0; i < count; ++i) {
    if (d->getCurrentArea() != this) return d->getCurrentArea()->cursorLeft(d, count - i);
    SelectionFieldChoice* c = cursorChoice(d);
    if (!c) return 0;
    SelectionFieldChoice* previous = previousCursorableChoice(c);
    if (selectionFlags_ & kCursorKeysAmong) {
      if (!previous) previous = lastCursorableChoice();
      if (previous) moveToChoice(d, previous);
      continue;
    }
    if (!(c->layout & SelectionFieldChoice::kFirstOnRow) && OnSameRow(d, c, previous)) {
      moveToChoice(d, previous);
      continue;
    }
    moveHorizontallyFrom(
        d, d->cursor().getPositionToLeft(RowEnd(c, false)->start, MarkerWidth(selectionType()), 1), true);
  }
  return 0;
}

int SelectionField::enterMovingRight(DisplayBag* d, unsigned int offset) {
  SelectionFieldChoice* c = getCurrentChoicePtr(offset);
  if (!c) return -1;
  if (c->isCursorable()) {
    MoveToNewArea(d, c->start);
    return -1;
  }
  SelectionFieldChoice* next = nextCursorableChoice(c);
  if (!(c->layout & SelectionFieldChoice::kLastOnRow) && OnSameRow(d, c, next)) {
    MoveToNewArea(d, next->start);
    return -1;
  }
  return static_cast<int>(d->cursor().getPositionToRight(RowEnd(c, true)->end, 2, 1));
}

int SelectionField::enterMovingLeft(DisplayBag* d, unsigned int offset) {
  SelectionFieldChoice* c = getCurrentChoicePtr(offset);
  if (!c) return -1;
  if (c->isCursorable()) {
    MoveToNewArea(d, c->start);
    return -1;
  }
  SelectionFieldChoice* previous = previousCursorableChoice(c);
  if (!(c->layout & SelectionFieldChoice::kFirstOnRow) && OnSameRow(d, c, previous)) {
    MoveToNewArea(d, previous->start);
    return -1;
  }
  return static_cast<int>(
      d->cursor().getPositionToLeft(RowEnd(c, false)->start, MarkerWidth(selectionType()), 1));
}

// Field advance and backspace, and the exit keys that act as Field Advance.

int SelectionField::fieldAdvance(DisplayBag* d) {
  if (isCuaComplianceForFieldAdvanceFieldBackSpace()) {
    SelectionFieldChoice* c = cursorChoice(d);
    if (SelectionFieldChoice* next = c ? nextCursorableChoice(c) : nullptr) {
      moveToChoice(d, next);
      return 0;
    }
  }
  return advanceToNextLogicalField(d);
}

int SelectionField::fieldBackspace(DisplayBag* d) {
  SelectionFieldChoice* c = cursorChoice(d);
  SelectionFieldChoice* previous = c ? previousCursorableChoice(c) : nullptr;
  if (previous) {
    moveToChoice(d, isCuaComplianceForFieldAdvanceFieldBackSpace() ? previous : firstCursorableChoice());
    return 0;
  }
  FormatTable& t = d->formatTable();
  if (Field* f = t.getPreviousCursorProgressionField(this)) {
    MoveToNewArea(d, f->getFirstCursorOffset(d));
    return 0;
  }
  EnterFieldByFieldBackspace(d, t.getPreviousLogicalNonBypassField(this, CursorAt(d)));
  return 0;
}

int SelectionField::fieldExit(DisplayBag* d) { return fieldAdvance(d); }
int SelectionField::fieldMinus(DisplayBag* d) { return fieldAdvance(d); }
int SelectionField::fieldMark(DisplayBag* d) { return Raise(d, kErrorSelectionField); }
int SelectionField::reverse(DisplayBag* d) { return Raise(d, kErrorSelectionField); }
int SelectionField::asdKey(DisplayBag* d, unsigned int) { return Raise(d, kErrorSelectionField); }
int SelectionField::close(DisplayBag* d) { return Raise(d, kErrorSelectionField); }
int SelectionField::cursorSelect(DisplayBag* d) { return Raise(d, kErrorSelectionField); }
int SelectionField::dup(DisplayBag* d) { return Raise(d, kErrorSelectionField); }
int SelectionField::eraseEOF(DisplayBag* d) { return Raise(d, kErrorSelectionField); }

// End and Home.

int SelectionField::endKey(DisplayBag* d, unsigned int) {
  if (SelectionFieldChoice* last = lastCursorableChoice()) moveToChoice(d, last);
  return 0;
}

int SelectionField::home(DisplayBag* d) {
  const unsigned int home = d->cursor().getHomePosition();
  SelectionFieldChoice* c = cursorChoice(d);
  const SelectionFieldChoice* homeChoice = choiceAt(home);
  if (!c || homeChoice != c) return goHome(d);
  if (const int error = checkBeforeAid(d, kAidRecordBackspace)) return Raise(d, static_cast<unsigned int>(error));
  d->postAidCode(kAidRecordBackspace);
  return 0;
}

// Where the cursor enters.

int SelectionField::enterAtOffset(DisplayBag* d, unsigned int offset) {
  SelectionFieldChoice* c = getCurrentChoicePtr(offset);
  if (c && !c->isCursorable()) c = nextCursorableChoice(c) ? nextCursorableChoice(c) : previousCursorableChoice(c);
  MoveToNewArea(d, c ? c->start : offset);
  return 0;
}

unsigned int SelectionField::getEntryOffset(DisplayBag* d) { return getFirstCursorOffset(d); }

void SelectionField::positionCursor(DisplayBag* d) {
  if (SelectionFieldChoice* c = cursorChoice(d))
    if (CursorAt(d) != c->start) MoveWithin(d, c->start);
}

// Enter and Delete.

int SelectionField::enter(DisplayBag* d) {
  if (!(selectionFlags_ & kEnterSelects)) return AreaOfScreen::enter(d);
  SelectionFieldChoice* c = cursorChoice(d);
  if (!c || !c->isAvailable()) return Raise(d, kErrorChoiceUnavailable);
  const unsigned char mdt = flags_ & kMDT;
  flags_ |= kMDT;
  const unsigned char aid = c->aid ? c->aid : kAidEnter;
  if (const int error = checkBeforeAid(d, aid)) {
    flags_ = static_cast<unsigned char>((flags_ & ~kMDT) | mdt);
    return Raise(d, static_cast<unsigned int>(error));
  }
  selectChoice(d, c, c, d->options().selectionCharacter);
  d->postAidCode(aid);
  return 0;
}

int SelectionField::deleteKey(DisplayBag* d) {
  SelectionFieldChoice* c = cursorChoice(d);
  if (c && c->isSelected() && c->isAvailable()) return deselectChoiceWithAutoEnterCheck(d, c, c);
  return 0;
}

// A click on a choice moves the cursor to it and toggles it as a blank
// typed there would, with the auto-enter check.
int SelectionField::mouseClick(DisplayBag* d, unsigned int offset) {
  SelectionFieldChoice* c = getCurrentChoicePtr(offset);
  if (!c || !c->isCursorable()) return Raise(d, kErrorChoiceUnavailable);
  moveToChoice(d, c);
  if (!c->isAvailable()) return Raise(d, kErrorChoiceUnavailable);
  if (c->isSelected()) return deselectChoiceWithAutoEnterCheck(d, c, c);
  return selectChoiceWithAutoEnterCheck(d, c, c, kBlank);
}

// Data keys.

int SelectionField::dataKey(DisplayBag* d, DataKeystroke* key) {
  const unsigned char code = key->functionWord().code;
  const unsigned char selectionCharacter = d->options().selectionCharacter;
  SelectionFieldChoice* c = cursorChoice(d);
  if (c && (code == kBlank || code == kSlash || (selectionCharacter && code == selectionCharacter))) {
    if (!c->isAvailable()) return Raise(d, kErrorChoiceUnavailable);
    if (c->isSelected() && code == kBlank) return deselectChoiceWithAutoEnterCheck(d, c, c);
    if (c->isSelected()) return 0;
    return selectChoiceWithAutoEnterCheck(d, c, c, code);
  }
  const unsigned int type = selectionType();
  if (type == kTypeNumeric1 || type == kTypeNumeric2) return numericChoiceSelection(d, code);
  // A shaped letter is its own mnemonic in every shape.
  unsigned char mnemonic = key->getMonocasedCodePoint(d);
  if (d->asd().language() != 0) mnemonic = d->asd().getBaseShape(mnemonic);
  SelectionFieldChoice* m = getMnemonicChoice(mnemonic);
  if (!m) return Raise(d, kErrorNoSuchChoice);
  moveToChoice(d, m);
  if (!m->isAvailable()) return Raise(d, kErrorChoiceUnavailable);
  return selectChoiceWithAutoEnterCheck(d, m, m, code);
}
