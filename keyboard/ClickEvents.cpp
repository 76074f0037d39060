// What the mouse buttons do in each keyboard state.
#include "base/LogMsg.h"
#include "datastream/HostInterface.h"
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/Rendering.h"
#include "display/ScrollBarField.h"
#include "keyboard/HotSpotActions.h"
#include "keyboard/InObjGen.h"
#include "keyboard/MouseEvents.h"

namespace {
// The error-reset preference lets a mouse press end the error state.
bool PressResetsError(DisplayBag* d) {
  const unsigned char p = d->options().errorResetPreference;
  return p == 1 || p == 2;
}
KeyboardState::CopyType Type(unsigned char t) { return static_cast<KeyboardState::CopyType>(t ? 1 : 0); }
// A press on the error row (or on the extra row that holds the error line)
// resets the error as the Reset key does; true when it did.
bool ResetErrorOnErrorRow(DisplayBag* d, unsigned int offset) {
  KeyboardState& k = d->keyboardState();
  const unsigned int columns = d->columns();
  const unsigned int row = columns ? offset / columns + 1 : 0;
  const bool extraRow = (d->controlData().controlWord() & KeyboardState::kErrorLineOnExtraRow) != 0;
  if (row != k.errorRow() && !(extraRow && row == d->rows())) return false;
  k.exitErrorState();
  d->dataStreamManager().finishWTDUnlock();
  return true;
}

}  // namespace

// ---- the common behaviour ---------------------------------------------------------------------

unsigned int MouseEvent::runProgrammed(DisplayBag* d) {
  if (button_ == 0 || !d->mouseButtons().isProgrammed(button_)) return 0;
  d->mouseButtons().processProgrammedEvent(d->services(), button_, offset_);
  return 1;
}

unsigned int MouseEvent::markingOffset(DisplayBag* d) const {
  return d->screenReversed() ? d->presentationSpace().reverseAddress(offset_) : offset_;
}

unsigned int MouseEvent::processInNormalUnlockedState(DisplayBag* d) {
  runProgrammed(d);
  return 0;
}

unsigned int MouseEvent::processInSystemRequestState(DisplayBag*) { return 0; }

unsigned int MouseEvent::processInErrorState(DisplayBag* d) {
  if (!isPress() || !PressResetsError(d)) return 0;
  KeyboardState& k = d->keyboardState();
  k.exitErrorState();
  if (k.state() == KeyboardState::kNormalUnlocked) return processInNormalUnlockedState(d);
  return 0;
}

unsigned int MouseEvent::processInNormalLockedState(DisplayBag* d) {
  ProgrammableMouseButtonsTable& b = d->mouseButtons();
  if (button_ && b.isProgrammedAndQueableInNormalLockedState(button_))
    b.bufferProgrammedMouseEvent(button_, offset_);
  return 0;
}

unsigned int MouseEvent::processInDragAndDropState(DisplayBag* d) {
  if (ScrollBarField* bar = d->keyboardState().dragScrollBar()) bar->resetDragDropState(d);
  return 0;
}

unsigned int MouseEvent::processInTwoMouseEventState(DisplayBag* d) {
  KeyboardState& k = d->keyboardState();
  d->mouseButtons().twoEventStateProcessing(d->services(), k.twoEventButton(), button_, offset_);
  return 0;
}

unsigned int MouseEvent::processInCopyState(DisplayBag* d) {
  d->keyboardState().exitCopyState();
  return 0;
}

unsigned int MouseEvent::processInWPErrorState(DisplayBag* d) {
  TextSession* t = d->textSession();
  if (!isPress() || !t->errorFlag() || !PressResetsError(d)) return 0;
  t->c_textreset();
  if (!t->errorFlag()) return processInWPState(d);
  return 0;
}

unsigned int MouseEvent::preProcess(DisplayBag* d) {
  const KeyboardState& k = d->keyboardState();
  const KeyboardState::State s = k.state();
  if (!d->readMgr().queryReadPending() && d->hostInterface() &&
      d->hostInterface()->isLuSessionActive(d->getRendering()) == 1 && s != KeyboardState::kError &&
      s != KeyboardState::kNormalLocked && s != KeyboardState::kWordProcessing) {
    const bool textMarking = (s == KeyboardState::kCopy || s == KeyboardState::kPostCopy) &&
                             k.copySavedState() == KeyboardState::kWordProcessing;
    if (!textMarking) return 1;
  }
  if (d->screenReversed() && offset_ <= d->presentationSpace().lastOffset())
    offset_ = d->presentationSpace().reverseAddress(offset_);
  return 0;
}

// ---- movement ------------------------------------------------------------------------------

unsigned int MouseMovementEvent::processInDragAndDropState(DisplayBag* d) {
  if (ScrollBarField* bar = d->keyboardState().dragScrollBar()) bar->mouseMovementInDragDropState(d, offset_);
  return 0;
}

unsigned int MouseMovementEvent::processInCopyState(DisplayBag* d) {
  d->keyboardState().updateCopyState(markingOffset(d));
  return 0;
}

// ---- the left button -----------------------------------------------------------------------

unsigned int LeftButtonPress::processInNormalUnlockedState(DisplayBag* d) {
  unsigned int& a = d->modeFlagsA();
  a &= ~(DisplayBag::kAHomePending | DisplayBag::kADoubleClickArmed);
  d->controlData().clearCursorRequestBits(KeyboardState::kHomePendingOutput);
  if (const int error = d->getCurrentArea()->interruptShaping(d)) {
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return 0;
  }
  if (offset_ > d->presentationSpace().lastOffset()) return 0;
  AreaOfScreen* area = d->formatTable().getArea(offset_);
  // The paging words of the output area come first.
  if (d->options().singleClickHotSpots() && area->areaHook48(d, offset_) == 0) return 0;
  area->mouseClick(d, offset_);
  return 0;
}

unsigned int LeftButtonPress::processInErrorState(DisplayBag* d) {
  d->modeFlagsA() &= ~DisplayBag::kADoubleClickArmed;
  KeyboardState& k = d->keyboardState();
  if (ResetErrorOnErrorRow(d, offset_)) return 0;
  if (!PressResetsError(d)) return 0;
  k.exitErrorState();
  if (k.state() == KeyboardState::kNormalUnlocked) return processInNormalUnlockedState(d);
  return 0;
}

unsigned int LeftButtonPress::processInWPErrorState(DisplayBag* d) {
  TextSession* t = d->textSession();
  if (t->errorFlag() && PressResetsError(d)) t->c_textreset();
  t->c_textmouseclick(offset_);
  return 0;
}

unsigned int LeftButtonPress::processInWPState(DisplayBag* d) {
  if (d->options().clickStartsMarking())
    d->keyboardState().enterCopyState(Type(d->options().copyType), offset_, 1);
  else
    d->textSession()->c_textmouseclick(offset_);
  return 0;
}

unsigned int LeftButtonRelease::processInDragAndDropState(DisplayBag* d) {
  if (ScrollBarField* bar = d->keyboardState().dragScrollBar()) bar->leftButtonReleaseInDragDropState(d);
  return 0;
}

unsigned int LeftButtonRelease::processInCopyState(DisplayBag* d) {
  d->keyboardState().enterPostCopyState(-1, KeyboardState::kLinearCopy);
  return 0;
}

unsigned int LeftButtonDoubleClick::processInNormalUnlockedState(DisplayBag* d) {
  unsigned int& a = d->modeFlagsA();
  const bool armed = (a & DisplayBag::kADoubleClickArmed) != 0;
  a &= ~DisplayBag::kADoubleClickArmed;
  if (runProgrammed(d) || !armed) return 0;
  if (d->options().hotSpotClickMode == 2) {
    isHotSpotIfSoDoIt(d, offset_);
    return 0;
  }
  // The Enter key, as an object of its own (this one stays untouched).
  FunctionWord enter{6, 4};
  d->inObjGen().processKeystrokeEvent(d, &enter);
  return 0;
}

unsigned int LeftButtonDoubleClick::processInWPState(DisplayBag* d) {
  d->textSession()->c_textmousedoubleclick(offset_);
  return 0;
}

// ---- the right and middle buttons ----------------------------------------------------------

unsigned int RightButtonPress::press(DisplayBag* d, unsigned int hotSpotMode, unsigned char copyType) {
  if (runProgrammed(d)) return 0;
  StationOptions& o = d->options();
  if (o.hotSpotClickMode == hotSpotMode && offset_ <= d->presentationSpace().lastOffset() &&
      isHotSpotIfSoDoIt(d, offset_))
    return 0;
  if (o.has(StationOptions::kCopyPaste))
    d->keyboardState().enterPostCopyState(static_cast<int>(markingOffset(d)), Type(copyType));
  return 0;
}

unsigned int RightButtonPress::processInNormalUnlockedState(DisplayBag* d) {
  return press(d, 1, d->options().copyType);
}

unsigned int RightButtonDoubleClick::processInNormalUnlockedState(DisplayBag* d) {
  return press(d, 2, d->options().alternativeCopyType);
}

unsigned int RightButtonPress::processInPostCopyState(DisplayBag* d) {
  KeyboardState& k = d->keyboardState();
  if (k.copySavedState() != KeyboardState::kWordProcessing && d->mouseButtons().isProgrammed(button_)) {
    k.exitPostCopyState();
    runProgrammed(d);
    return 0;
  }
  k.enterPostCopyState(static_cast<int>(markingOffset(d)), KeyboardState::kLinearCopy);
  return 0;
}

unsigned int RightButtonRelease::processInPostCopyState(DisplayBag* d) {
  if (d->mouseButtons().isProgrammed(button_)) {
    d->keyboardState().exitPostCopyState();
    runProgrammed(d);
  }
  return 0;
}

unsigned int MiddleButtonPress::processInNormalUnlockedState(DisplayBag* d) {
  if (!runProgrammed(d)) d->getRendering()->popupEditMenu();
  return 0;
}

unsigned int MiddleButtonPress::processInPostCopyState(DisplayBag* d) {
  d->getRendering()->popupEditMenu();
  return 0;
}

unsigned int MiddleButtonPress::processInWPState(DisplayBag* d) {
  if (!d->textSession()->errorFlag()) d->getRendering()->popupEditMenu();
  return 0;
}

// In text assist: marking from the cursor (right) or at the click (shifted
// left), unless the text shows an error; otherwise the click goes to the
// text.
unsigned int RightButtonPress::processInWPState(DisplayBag* d) {
  StationOptions& o = d->options();
  if (o.has(StationOptions::kCopyPaste) && !d->textSession()->errorFlag())
    d->keyboardState().enterPostCopyState(static_cast<int>(offset_),
                                          Type(button_ == 6 ? o.alternativeCopyType : o.copyType));
  return 0;
}

unsigned int ShiftedLeftButtonPress::processInWPState(DisplayBag* d) {
  StationOptions& o = d->options();
  TextSession* t = d->textSession();
  if (!t->errorFlag() && o.has(StationOptions::kCopyPaste))
    d->keyboardState().enterCopyState(Type(button_ == 12 ? o.alternativeCopyType : o.copyType), offset_, 0);
  else if (button_ == 12)
    t->c_textmousedoubleclick(offset_);
  else
    t->c_textmouseclick(offset_);
  return 0;
}

// ---- the shifted left button ---------------------------------------------------------------

unsigned int ShiftedLeftButtonPress::press(DisplayBag* d, unsigned char copyType) {
  if (runProgrammed(d)) return 0;
  if (d->options().has(StationOptions::kCopyPaste))
    d->keyboardState().enterCopyState(Type(copyType), markingOffset(d), 0);
  return 0;
}

unsigned int ShiftedLeftButtonPress::processInNormalUnlockedState(DisplayBag* d) {
  return press(d, d->options().copyType);
}

unsigned int ShiftedLeftButtonDoubleClick::processInNormalUnlockedState(DisplayBag* d) {
  return press(d, d->options().alternativeCopyType);
}

unsigned int ShiftedLeftButtonPress::processInErrorState(DisplayBag* d) {
  if (ResetErrorOnErrorRow(d, offset_)) return 0;
  return MouseEvent::processInErrorState(d);
}

unsigned int ShiftedLeftButtonRelease::processInCopyState(DisplayBag* d) {
  d->keyboardState().enterPostCopyState(-1, KeyboardState::kLinearCopy);
  return 0;
}
