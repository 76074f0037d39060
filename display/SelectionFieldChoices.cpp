// The choices of a selection field: lookup, the cursorable-choice
// navigation, selection and deselection with their attributes and
// indicator characters, the auto-enter check and numeric selection.
#include "display/DisplayBag.h"
#include "display/FieldEditingSupport.h"
#include "display/Rendering.h"
#include "display/SelectionField.h"

using namespace field_editing;

namespace {
constexpr unsigned char kDefaultAid = 0xF1;
bool IsDigit(unsigned char c) { return c >= 0xF0 && c <= 0xF9; }
}  // namespace

// Lookup.

SelectionFieldChoice* SelectionField::getCurrentChoicePtr(unsigned int offset) {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i)
    if (c[i].end + 1u >= offset) return c + i;
  return n ? c + n - 1 : nullptr;
}

SelectionFieldChoice* SelectionField::cursorChoice(DisplayBag* d) {
  if (d->getCurrentArea() != this) return nullptr;
  return getCurrentChoicePtr(CursorAt(d));
}

SelectionFieldChoice* SelectionField::getFirstSelectedChoice() {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i)
    if (c[i].isSelected()) return c + i;
  return nullptr;
}

SelectionFieldChoice* SelectionField::getMnemonicChoice(unsigned char m) {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i)
    if (c[i].isCursorable() && c[i].mnemonic && c[i].mnemonic == m) return c + i;
  return nullptr;
}

// Navigation.

SelectionFieldChoice* SelectionField::firstCursorableChoice() {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i)
    if (c[i].isCursorable()) return c + i;
  return nullptr;
}

SelectionFieldChoice* SelectionField::lastCursorableChoice() {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = n; i-- > 0;)
    if (c[i].isCursorable()) return c + i;
  return nullptr;
}

SelectionFieldChoice* SelectionField::nextCursorableChoice(SelectionFieldChoice* from) {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = static_cast<unsigned int>(from - c) + 1; i < n; ++i)
    if (c[i].isCursorable()) return c + i;
  return nullptr;
}

SelectionFieldChoice* SelectionField::previousCursorableChoice(SelectionFieldChoice* from) {
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = static_cast<unsigned int>(from - c); i-- > 0;)
    if (c[i].isCursorable()) return c + i;
  return nullptr;
}

// The next cursorable choice with the same column number; past the last
// one the next column (after the last column the first) from its top.
SelectionFieldChoice* SelectionField::nextCursorableChoiceVertical(SelectionFieldChoice* from) {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  const unsigned int columns = columns_ ? columns_ : 1;
  unsigned int column = from->column;
  unsigned int i = static_cast<unsigned int>(from - c) + 1;
  for (unsigned int round = 0; round <= columns; ++round) {
    for (; i < n; ++i)
      if (c[i].column == column && c[i].isCursorable()) return c + i;
    column = column >= columns ? 1 : column + 1;
    i = 0;
  }
  return nullptr;
}

SelectionFieldChoice* SelectionField::previousCursorableChoiceVertical(SelectionFieldChoice* from) {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  const unsigned int columns = columns_ ? columns_ : 1;
  unsigned int column = from->column;
  unsigned int i = static_cast<unsigned int>(from - c);
  for (unsigned int round = 0; round <= columns; ++round) {
    while (i-- > 0)
      if (c[i].column == column && c[i].isCursorable()) return c + i;
    column = column <= 1 ? columns : column - 1;
    i = n;
  }
  return nullptr;
}

// Painting.

void SelectionField::paintChoice(DisplayBag* d, const SelectionFieldChoice* c, bool current) const {
  const unsigned int kind = !c->isAvailable() ? 2 : (c->isSelected() ? 1 : 0);
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  if (c->start >= 1) ps.writeCharacter(c->start - 1u, indicators_[(current ? 0 : 3) + kind]);
  if (selectionType() == kTypeIndicator && c->start >= 2)
    ps.writeCharacter(c->start - 2u, c->isSelected() ? selectedChar_ : deselectedChar_);
}

void SelectionField::moveToChoice(DisplayBag* d, SelectionFieldChoice* c) {
  if (d->getCurrentArea() == this) {
    if (SelectionFieldChoice* old = cursorChoice(d)) paintChoice(d, old, false);
    MoveWithin(d, c->start);
    paintChoice(d, c, true);
    choiceHook45(d);
    return;
  }
  MoveToNewArea(d, c->start);
}

void SelectionField::choiceHook45(DisplayBag* d) {
  const unsigned int type = selectionType();
  if (type == kTypeNumeric1 || type == kTypeNumeric2) fillEntryPosition(d, cursorChoice(d));
}

void SelectionField::turnFieldIndicatorsOn(DisplayBag* d) {
  if (SelectionFieldChoice* c = cursorChoice(d)) paintChoice(d, c, true);
}

void SelectionField::turnFieldIndicatorsOff(DisplayBag* d) {
  if (SelectionFieldChoice* c = cursorChoice(d)) paintChoice(d, c, false);
  const unsigned int type = selectionType();
  if (type == kTypeNumeric1 || type == kTypeNumeric2) fillEntryPosition(d, getFirstSelectedChoice());
}

int SelectionField::gainFocus(DisplayBag* d) {
  turnFieldIndicatorsOn(d);
  return 0;
}
void SelectionField::loseFocus(DisplayBag* d) { turnFieldIndicatorsOff(d); }

// The entry position of a numeric-selection field (before the first
// choice) shows the number of `c`, or blanks.
void SelectionField::fillEntryPosition(DisplayBag* d, const SelectionFieldChoice* c) {
  const unsigned int first = getStartOffset();
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  if (selectionType() == kTypeNumeric1) {
    if (first < 2) return;
    ps.writeCharacter(first - 2, c ? ps.getCharacter(c->start) : kBlank);
  } else if (selectionType() == kTypeNumeric2) {
    if (first < 3) return;
    ps.writeCharacter(first - 3, c ? ps.getCharacter(c->start) : kBlank);
    ps.writeCharacter(first - 2, c ? ps.getCharacter(c->start + 1u) : kBlank);
  }
}

// Selection.

void SelectionField::selectChoice(DisplayBag* d, SelectionFieldChoice* c, SelectionFieldChoice* current,
                                  unsigned char) {
  if (c->isSelected()) return;
  if (isSingleChoice()) deselectAllChoices(d, current);
  c->state |= SelectionFieldChoice::kSelected;
  paintChoice(d, c, c == current);
  fillEntryPosition(d, c);
}

void SelectionField::deselectAChoice(DisplayBag* d, SelectionFieldChoice* c, SelectionFieldChoice* current) {
  if (!c->isSelected()) return;
  c->state &= static_cast<unsigned char>(~SelectionFieldChoice::kSelected);
  paintChoice(d, c, c == current);
  if (c == getFirstSelectedChoice() || !getFirstSelectedChoice()) fillEntryPosition(d, getFirstSelectedChoice());
}

void SelectionField::deselectAllChoices(DisplayBag* d, SelectionFieldChoice* current) {
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i) deselectAChoice(d, c + i, current);
}

void SelectionField::deselectAll(DisplayBag* d) {
  if (selectionFlags_ & kDeselectAll) deselectAllChoices(d, cursorChoice(d));
}

int SelectionField::postChecked(DisplayBag* d, unsigned char aid) {
  if (const int error = checkBeforeAid(d, aid)) return Raise(d, static_cast<unsigned int>(error));
  d->postAidCode(aid);
  return 0;
}

int SelectionField::autoEnter(DisplayBag* d, SelectionFieldChoice* c, bool select, unsigned char key) {
  SelectionFieldChoice* current = cursorChoice(d);
  const bool withAid = (flags_ & kAutoEnter) && (select || (selectionFlags_ & kAutoEnterOnDeselect));
  const unsigned char mdt = flags_ & kMDT;
  flags_ |= kMDT;
  if (!withAid) {
    if (select)
      selectChoice(d, c, current, key);
    else
      deselectAChoice(d, c, current);
    return 0;
  }
  const unsigned char aid = c->aid ? c->aid : kDefaultAid;
  if (const int error = checkBeforeAid(d, aid)) {
    flags_ = static_cast<unsigned char>((flags_ & ~kMDT) | mdt);
    return Raise(d, static_cast<unsigned int>(error));
  }
  if (select)
    selectChoice(d, c, current, key);
  else
    deselectAChoice(d, c, current);
  d->postAidCode(aid);
  return 0;
}

int SelectionField::selectChoiceWithAutoEnterCheck(DisplayBag* d, SelectionFieldChoice* c,
                                                   SelectionFieldChoice*, unsigned char key) {
  return autoEnter(d, c, true, key);
}

int SelectionField::deselectChoiceWithAutoEnterCheck(DisplayBag* d, SelectionFieldChoice* c,
                                                     SelectionFieldChoice*) {
  return autoEnter(d, c, false, 0);
}

// Numeric selection: choice numbers are the first one or two characters of
// the choice texts.
int SelectionField::numericChoiceSelection(DisplayBag* d, unsigned char digit) {
  if (!IsDigit(digit)) return Raise(d, kErrorNoSuchChoice);
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  const auto take = [&](SelectionFieldChoice* choice) {
    moveToChoice(d, choice);
    if (choice->isAvailable()) return selectChoiceWithAutoEnterCheck(d, choice, choice, digit);
    return 0;
  };
  if (selectionType() == kTypeNumeric1) {
    for (unsigned int i = 0; i < n; ++i)
      if (c[i].isCursorable() && ps.getCharacter(c[i].start) == digit) return take(c + i);
    return Raise(d, kErrorNoSuchChoice);
  }
  const unsigned int first = getStartOffset();
  if (first < 3) return Raise(d, kErrorNoSuchChoice);
  const unsigned char waiting = ps.getCharacter(first - 3), second = ps.getCharacter(first - 2);
  // A first digit waits: the two make the number.
  if (second == kBlank && IsDigit(waiting)) {
    for (unsigned int i = 0; i < n; ++i)
      if (c[i].isCursorable() && ps.getCharacter(c[i].start) == waiting &&
          ps.getCharacter(c[i].start + 1u) == digit)
        return take(c + i);
  }
  // A one-digit number.
  for (unsigned int i = 0; i < n; ++i)
    if (c[i].isCursorable() && ps.getCharacter(c[i].start) == kBlank && ps.getCharacter(c[i].start + 1u) == digit) {
      const int r = take(c + i);
      return r;
    }
  // The first digit of a two-digit number: the cursor goes to the lowest
  // such choice and the digit waits for the second.
  SelectionFieldChoice* lowest = nullptr;
  for (unsigned int i = 0; i < n; ++i)
    if (c[i].isCursorable() && ps.getCharacter(c[i].start) == digit &&
        (!lowest || ps.getCharacter(c[i].start + 1u) < ps.getCharacter(lowest->start + 1u)))
      lowest = c + i;
  if (!lowest) return Raise(d, kErrorNoSuchChoice);
  moveToChoice(d, lowest);
  ps.writeCharacter(first - 3, digit);
  ps.writeCharacter(first - 2, kBlank);
  return 0;
}

// Push buttons: one for each choice marked to have one whose row lies in
// the range; a selected choice shows a highlighted button.
void SelectionField::drawPushButtons(DisplayBag* d, unsigned int first, unsigned int last) {
  if (selectionType() != kTypePushButtons) return;
  const unsigned int columns = d->columns();
  if (!columns) return;
  const unsigned int firstRow = first / columns, lastRow = last / columns;
  const unsigned int n = builtChoices();
  const SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i) {
    if (!(c[i].layout & SelectionFieldChoice::kPushButton)) continue;
    const unsigned int row = c[i].start / columns;
    if (row < firstRow || row > lastRow) continue;
    unsigned int start = c[i].start;
    if (d->screenReversed()) start = d->presentationSpace().reverseAddress(c[i].end);
    d->getRendering()->drawPushButton(start, c[i].end - c[i].start + 1u, c[i].isSelected() ? 1 : 0, 0);
  }
}

void SelectionField::removeGUISelectionFieldConstructs(DisplayBag* d) {
  if (selectionType() != kTypePushButtons) return;
  const unsigned int n = builtChoices();
  SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i) {
    if (!(c[i].layout & SelectionFieldChoice::kPushButton)) continue;
    unsigned int start = c[i].start;
    if (d->screenReversed()) start = d->presentationSpace().reverseAddress(c[i].end);
    d->getRendering()->erasePushButtons(start, start);
    c[i].layout &= static_cast<unsigned char>(~SelectionFieldChoice::kPushButton);
  }
}

unsigned char SelectionField::eraseInput(DisplayBag* d) {
  SelectionFieldChoice* current = cursorChoice(d);
  SelectionFieldChoice* first = nullptr;
  for (unsigned int i = 0, n = builtChoices(); i < n; ++i) {
    SelectionFieldChoice* c = choice(i);
    if (!c->isSelected()) continue;
    deselectAChoice(d, c, current);
    if (!first) first = c;
  }
  if (first && (flags_ & kAutoEnter) && (selectionFlags_ & kAutoEnterOnDeselect))
    return first->aid ? first->aid : kDefaultAid;
  clearFlags(kMDT);
  return 0;
}

void SelectionField::resetKey(DisplayBag* d) {
  positionCursor(d);
  if (SelectionFieldChoice* c = cursorChoice(d)) paintChoice(d, c, true);
}
