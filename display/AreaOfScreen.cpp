#include "display/AreaOfScreen.h"

#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "keyboard/AidType.h"

int AreaOfScreen::raise(DisplayBag* d, unsigned int code) {
  d->keyboardState().enterErrorState(code, 0, 1, 0, 0);
  return static_cast<int>(code);
}

void AreaOfScreen::settleCursor(DisplayBag*) {}
unsigned int AreaOfScreen::adjustCursorOffset(DisplayBag*, unsigned int offset) { return offset; }
int AreaOfScreen::asdKey(DisplayBag* d, unsigned int) { return raise(d, kErrorNotInField); }
int AreaOfScreen::close(DisplayBag* d) { return raise(d, kErrorNotInField); }
int AreaOfScreen::cut(DisplayBag*, unsigned int, unsigned int, unsigned int) { return 0; }
int AreaOfScreen::dataKey(DisplayBag* d, DataKeystroke*) { return raise(d, kErrorNotInField); }
unsigned int AreaOfScreen::determinePollType(DisplayBag*) { return 0; }
// The Enter key: the screen check for AID 0xF1, then the AID or the error.
int AreaOfScreen::enter(DisplayBag* d) {
  if (const int error = checkBeforeAid(d, 0xF1)) {
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return 0;
  }
  d->postAidCode(0xF1);
  return 0;
}
int AreaOfScreen::isUnavailableAt(unsigned int, AreaOfScreen*) { return 0; }
unsigned int AreaOfScreen::getEntryOffset(DisplayBag* d) { return d->cursor().getHomePosition(); }

int AreaOfScreen::enterArea(DisplayBag* d, unsigned int) {
  d->modeFlagsA() &= ~DisplayBag::kAEnterNotified;
  return 0;
}

int AreaOfScreen::ownsOffset(unsigned int) { return 0; }
int AreaOfScreen::isEntryField() { return 0; }
int AreaOfScreen::isInputCapableAt(unsigned int) { return 0; }
int AreaOfScreen::isWordWrap() { return 0; }
void AreaOfScreen::lightPenWrite(DisplayBag*) {}

void AreaOfScreen::lightPenPosition(DisplayBag* d, unsigned int offset) {
  d->cursor().moveCursorToNewArea(static_cast<int>(offset), CursorOffsetAsShown);
}

int AreaOfScreen::pasteCharacter(DisplayBag* d, unsigned char) { return raise(d, kErrorNotInField); }
void AreaOfScreen::positionCursor(DisplayBag*) {}
void AreaOfScreen::resetKey(DisplayBag*) {}
void AreaOfScreen::choiceHook45(DisplayBag*) {}
void AreaOfScreen::toggleCursorDirection(DisplayBag*) {}
int AreaOfScreen::areaHook48(DisplayBag*, unsigned int) { return 1; }

void AreaOfScreen::setCursorDirectionIndicator(DisplayBag* d) {
  d->modeFlagsA() &= ~DisplayBag::kARTLCursor;
  d->indicators().current().reset(Indicators::kRightToLeftCursor);
}

unsigned int AreaOfScreen::mirrorOffset(unsigned int offset) { return offset; }
int AreaOfScreen::interruptShaping(DisplayBag*) { return 0; }

int AreaOfScreen::checkBeforeAid(DisplayBag* d, unsigned char aid) {
  const unsigned int type = aidType(d, aid);
  if (type != 1 && type != 2) return 0;
  unsigned int error = 0;
  if (Field* f = d->formatTable().validateScreen(&error)) {
    d->cursor().moveCursorToNewArea(static_cast<int>(f->getFirstCursorOffset(d)),
                                    CursorOffsetAsShown);
    return static_cast<int>(error);
  }
  return 0;
}

int AreaOfScreen::isCutAllowed(DisplayBag* d, unsigned int start, unsigned int rows,
                               unsigned int width) {
  if (!isEntryField() || rows == 0 || width == 0) return 0;
  Field* f = static_cast<Field*>(this);
  if (f->isBypass()) return 0;
  const unsigned int last = start + (rows - 1) * d->columns() + width - 1;
  return f->containsOffset(start, d->columns()) && f->containsOffset(last, d->columns());
}

int OutputArea::gainFocus(DisplayBag*) { return 0; }
void OutputArea::loseFocus(DisplayBag*) {}
