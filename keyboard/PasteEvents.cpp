// The edit menu's Cut, Copy and Paste, and the shifted right button's
// paste.
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
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

unsigned int ShiftedRightButtonPress::processInWPState(DisplayBag* d) {
  if (!d->textSession()->errorFlag()) d->pasteCopiedDataToWP(0, offset_);
  return 0;
}

unsigned int MenuPaste::processInWPState(DisplayBag* d) {
  if (!d->textSession()->errorFlag()) d->pasteCopiedDataToWP(1, 0);
  return 0;
}

unsigned int MenuCopy::processInPostCopyState(DisplayBag* d) {
  d->keyboardState().copyMarkedArea();
  return 0;
}

unsigned int MenuCut::processInPostCopyState(DisplayBag* d) {
  KeyboardState& k = d->keyboardState();
  if (k.copyMarkedArea()) k.exitPostCopyStateWithDelete();
  return 0;
}
