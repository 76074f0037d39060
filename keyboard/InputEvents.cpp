#include "keyboard/InputEvents.h"

#include <algorithm>

#include "base/LogMsg.h"
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

int LightPen::calculateLightPenTipOffset(DisplayBag* d) const {
  const unsigned int rows = d->rows(), columns = d->columns();
  if (row_ < 1 || row_ > rows || column_ < 1 || column_ > columns) return -1;
  const unsigned int correction = std::min<unsigned int>(d->lightPenCorrection(), column_ - 1);
  return static_cast<int>((row_ - 1) * columns + column_ - 1 - correction);
}

unsigned int LightPen::processInNormalUnlockedState(DisplayBag* d) {
  const int tip = calculateLightPenTipOffset(d);
  if (tip < 0) {
    LogMsg(LevelDebug, "QWC0447 light pen at row %u column %u is off the screen\n", row_, column_);
    return 0;
  }
  d->formatTable().getArea(static_cast<unsigned int>(tip))->lightPenWrite(d);
  return 0;
}

unsigned int LightPen::processInSystemRequestState(DisplayBag* d) {
  const int tip = calculateLightPenTipOffset(d);
  if (tip < 0) {
    LogMsg(LevelDebug, "QWC0447 light pen at row %u column %u is off the screen\n", row_, column_);
    return 0;
  }
  d->formatTable().getArea(static_cast<unsigned int>(tip))->lightPenPosition(d, static_cast<unsigned int>(tip));
  return 0;
}
