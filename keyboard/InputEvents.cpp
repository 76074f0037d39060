#include "keyboard/InputEvents.h"

#include "display/DisplayBag.h"

unsigned int OperatorError::processInNormalUnlockedState(DisplayBag* d) {
  d->keyboardState().enterErrorState(number_, 0, 1, 0, 0);
  return 0;
}

unsigned int OperatorError::processInNormalLockedState(DisplayBag* d) {
  return processInNormalUnlockedState(d);
}

unsigned int OperatorError::processInWPState(DisplayBag* d) {
  // The text session knows the two type-ahead reports as 253 and 254.
  const unsigned int text = number_ == 1111 ? 253 : number_ == 9999 ? 254 : number_;
  d->keyboardState().enterErrorState(text, 0, 1, 0, 0);
  return 0;
}
