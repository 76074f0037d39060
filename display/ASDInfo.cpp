#include "display/ASDInfo.h"

#include "display/DisplayBag.h"
#include "display/EntryField.h"

// The field's hooks are named by screen direction in a right-to-left
// field: its "left" is the next character in typing order.
void ASDInfoDP::moveLeft(DisplayBag* d) { field_->asdMoveRight(d); }
void ASDInfoDP::moveRight(DisplayBag* d) { field_->asdMoveLeft(d); }
int ASDInfoDP::deleteCharacter(DisplayBag* d) { return field_->asdDeleteCharacter(d); }
int ASDInfoDP::insertCharacter(DisplayBag* d, unsigned char c) { return field_->asdInsertCharacter(d, c); }
int ASDInfoDP::atStart(DisplayBag* d) { return field_->asdAtStart(d); }
int ASDInfoDP::atEnd(DisplayBag* d) { return field_->asdAtEnd(d); }
void ASDInfoDP::setPosition(DisplayBag* d, unsigned int offset) {
  d->cursor().moveCursorWithinSameArea(offset, CursorOffsetAsShown);
}
