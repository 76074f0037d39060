// A plain left click: a shaping run at the cursor ends first, then the area
// under the pointer takes the click.
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "keyboard/MouseEvents.h"

unsigned int LeftButtonPress::processInNormalUnlockedState(DisplayBag* d) {
  if (const int error = d->getCurrentArea()->interruptShaping(d)) {
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return 0;
  }
  d->formatTable().getArea(offset_)->mouseClick(d, offset_);
  return 0;
}
