// The two ways a paste starts: the edit menu's Paste and the shifted right
// button.
#include "display/DisplayBag.h"
#include "keyboard/MouseEvents.h"

unsigned int ShiftedRightButtonPress::processInNormalUnlockedState(DisplayBag* d) {
  if (d->mouseButtons().isProgrammed(button_)) {
    d->mouseButtons().processProgrammedEvent(d->services(), button_, offset_);
    return 0;
  }
  d->pasteCopiedData(0, offset_);
  return 0;
}

unsigned int MenuPaste::processInNormalUnlockedState(DisplayBag* d) {
  d->pasteCopiedData(1, 0);
  return 0;
}
