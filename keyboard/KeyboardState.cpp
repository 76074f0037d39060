#include "keyboard/KeyboardState.h"

#include <cstring>

#include "datastream/ReadMgr.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "display/ScrollBarField.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

namespace {
constexpr unsigned short kModule = 2839;
}  // namespace

KeyboardState::KeyboardState(DisplayBag* display, unsigned int extraRow)
    : display_(display), errorRow_(extraRow ? 25 : 24) {}

bool KeyboardState::refuse(const char* operation) const {
  LogMsg(LevelWarning, "QWC0430 keyboard: %s refused in state %u\n", operation,
         static_cast<unsigned int>(state_));
  return false;
}

unsigned int KeyboardState::rows() const { return display_->rows(); }

bool KeyboardState::setErrorRow(unsigned int row) {
  if (row == errorRow_) return true;  // nothing changes, even while the line is swapped in
  if (row < 1 || row > rows() + 1 || errorLineSwapped_) {
    LogMsg(LevelError, "Error line row %u refused (rows %u, line %s).\n", row, rows(),
           errorLineSwapped_ ? "swapped in" : "free");
    return false;
  }
  errorRow_ = static_cast<unsigned char>(row);
  return true;
}
unsigned int KeyboardState::columns() const { return display_->columns(); }
bool KeyboardState::reversed() const { return display_->screenReversed(); }
AreaOfScreen* KeyboardState::areaAtCursor() { return display_->getCurrentArea(); }

unsigned int KeyboardState::mirrored(unsigned int offset) const {
  return reversed() ? display_->presentationSpace().reverseAddress(offset) : offset;
}

void KeyboardState::lockDisplay() {
  display_->indicators().current().set(Indicators::kSystem);
  display_->controlData().setControlBits(kKeyboardLocked);
  DisplayControlData& c = display_->controlData();
  c.setCursorState(static_cast<unsigned char>(c.cursorState() | kLockOutput));
}

void KeyboardState::unlockDisplay() {
  display_->indicators().current().reset(Indicators::kSystem);
  display_->controlData().clearControlBits(kKeyboardLocked);
  DisplayControlData& c = display_->controlData();
  c.setCursorState(static_cast<unsigned char>(c.cursorState() & ~kLockOutput));
}

void KeyboardState::leaveInsertModeUnlessKept() {
  if (display_->options().keepsInsertMode()) return;
  display_->modeFlagsA() &= ~DisplayBag::kAInsert;
  display_->indicators().current().reset(Indicators::kInsert);
  display_->controlData().clearCursorRequestBits(DisplayControlData::kRequestInsert);
}

bool KeyboardState::isLockedState() const {
  switch (state_) {
    case kNormalLocked:
      return true;
    case kSystemRequest:
    case kError:
    case kPostHelpError:
      if (savedState_ == kNormalLocked) return true;
      if (savedState_ == kWordProcessing) return display_->textSession()->keyboardLocked();
      return false;
    case kWordProcessing:
      return display_->textSession()->keyboardLocked();
    default:
      return false;
  }
}

bool KeyboardState::enterNormalLockedState() {
  if (state_ != kNormalUnlocked) return refuse("lock");
  leaveInsertModeUnlessKept();
  lockDisplay();
  state_ = kNormalLocked;
  return true;
}

bool KeyboardState::enterNormalUnlockState() {
  if (state_ != kNormalLocked) return refuse("unlock");
  unlockDisplay();
  state_ = kNormalUnlocked;
  return true;
}

bool KeyboardState::changeErrorStateToLocked() {
  if (state_ != kError) return refuse("change error state to locked");
  savedState_ = kNormalLocked;
  return true;
}

bool KeyboardState::changeErrorStateToUnlocked() {
  if (state_ != kError) return refuse("change error state to unlocked");
  savedState_ = kNormalUnlocked;
  return true;
}

bool KeyboardState::enterErrorState(unsigned int code, unsigned char hostMessage,
                                     unsigned char column, unsigned char endColumn,
                                     unsigned int reentry) {
  const bool allowed = state_ == kNormalUnlocked || state_ == kNormalLocked ||
                       state_ == kSystemRequest || state_ == kPostCopy ||
                       state_ == kWordProcessing || (state_ == kError && reentry && !hostMessage);
  if (!allowed) return refuse("error");
  if (column < 1 || column > columns() || (endColumn && (endColumn < column || endColumn > columns())))
    return refuse("error line outside the row");
  if (state_ == kSystemRequest) exitSystemRequestStateWhenAreaIsInFocus();
  if (state_ == kPostCopy) exitPostCopyState();
  if (state_ == kWordProcessing) {
    display_->textSession()->operatorerror(code & 0xFFFF);
    return true;
  }
  if (state_ != kNormalUnlocked && state_ != kNormalLocked && state_ != kError)
    return refuse("error");
  if (state_ != kError) savedState_ = state_;
  if (const int shaping = areaAtCursor()->interruptShaping(display_))
    code = static_cast<unsigned int>(shaping);
  errorColumn_ = column;
  DisplayControlData& c = display_->controlData();
  c.setControlBits(kKeyboardLocked);
  c.setCursorRequestBits(kErrorOutput);
  display_->indicators().current().set(Indicators::kSystem);
  if (hostMessage) {
    swapErrorLine(kSwapIn, column, endColumn);
    keyboardErrorShown_ = 0;
  } else {
    keyboardErrorShown_ = 1;
    if (state_ != kError) swapErrorLine(kSwapIn, 0, 0);
    errorLine_[0] = kErrorAttribute;
    unsigned int n = code % 10000;
    for (int i = 4; i >= 1; --i) {
      errorLine_[i] = static_cast<unsigned char>(0xF0 + n % 10);
      n /= 10;
    }
    const unsigned int rowStart = (errorRow_ - 1u) * columns();
    PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
    if (!reversed() && rowStart + 5 <= ps.lastOffset()) ps.writeData(errorLine_, 6, rowStart);
  }
  state_ = kError;
  if (display_->options().has(StationOptions::kAlarmOnError)) c.setControlBits(DisplayControlData::kAlarm);
  if (display_->options().has(StationOptions::kHelpInError) && keyboardErrorShown_) {
    enterPostHelpErrorState();
    display_->postAidCode(3);
  }
  return true;
}

bool KeyboardState::exitErrorState() {
  if (state_ != kError) return refuse("leave the error state");
  if (savedState_ != kNormalUnlocked && savedState_ != kNormalLocked)
    ErrorHalt(kModule, 101, savedState_);
  display_->controlData().clearCursorRequestBits(kErrorOutput);
  swapErrorLine(kSwapBack, 0, 0);
  if (savedState_ == kNormalUnlocked) {
    display_->controlData().clearControlBits(kKeyboardLocked);
    display_->indicators().current().reset(Indicators::kSystem);
  } else {
    leaveInsertModeUnlessKept();
    lockDisplay();
  }
  state_ = savedState_;
  areaAtCursor()->positionCursor(display_);
  display_->contentionError().resetContentionError(display_);
  return true;
}

bool KeyboardState::enterPostHelpErrorState() {
  if (state_ != kError) return refuse("post-help error");
  state_ = kPostHelpError;
  errorLine_[0] = kHelpErrorAttribute;
  const unsigned int at = (errorRow_ - 1u) * columns() + errorColumn_ - 1u;
  if (!reversed() && at <= display_->presentationSpace().lastOffset())
    display_->presentationSpace().writeCharacter(at, kHelpErrorAttribute);
  return true;
}

bool KeyboardState::exitPostHelpErrorState() {
  if (state_ != kPostHelpError) return refuse("leave the post-help error state");
  state_ = kError;
  return true;
}

bool KeyboardState::enterSystemRequestState() {
  if (state_ != kNormalUnlocked && state_ != kNormalLocked && state_ != kWordProcessing)
    return refuse("system request");
  const unsigned int cols = columns();
  const unsigned int start = (errorRow_ - 1u) * cols;
  if (start + cols - 1 > display_->presentationSpace().lastOffset() ||
      start + cols - 2 > display_->formatTable().highestOffset())
    return refuse("system request line outside the screen");
  const unsigned char from = state_;
  savedState_ = state_;
  CursorClass& cursor = display_->cursor();
  cursor.saveForSystemRequest();
  display_->savedModeFlagsA() = display_->modeFlagsA();
  swapErrorLine(kSwapIn, 0, 0);
  cursor.detachCursorFromArea();
  display_->formatTable().enterSystemRequestMode(start + 1, start + cols - 2);
  PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
  ps.writeCharacter(start, kSystemRequestAttribute);
  ps.writeCharacter(start + cols - 1, kEndAttribute);
  cursor.setWindowRestrictedCursorMovement(1, cols, errorRow_, errorRow_);
  cursor.initializeCursorToArea(static_cast<int>(start + 1), 0, CursorOffsetAsShown);
  DisplayControlData& c = display_->controlData();
  if (from == kWordProcessing) {
    if (display_->options().has(StationOptions::kTextAssistCursorPlanes))
      display_->getRendering()->setCursorPlane(Plane0);
    display_->indicators().current().reset(Indicators::kRightToLeftScreen);
    c.setCursorState(static_cast<unsigned char>(c.cursorState() | kWPSystemOutput));
  } else {
    leaveInsertModeUnlessKept();
    c.setCursorRequestBits(kSystemRequestOutput);
  }
  if (display_->modeFlagsA() & DisplayBag::kAHomePending) {
    display_->modeFlagsA() &= ~DisplayBag::kAHomePending;
    c.clearCursorRequestBits(kHomePendingOutput);
  }
  display_->indicators().current().reset(Indicators::kSystem);
  c.clearControlBits(kKeyboardLocked);
  display_->modeFlagsA() |= DisplayBag::kANewArea;
  display_->getRendering()->enablePaste(0);
  state_ = kSystemRequest;
  return true;
}

bool KeyboardState::exitSystemRequestState() {
  if (state_ != kSystemRequest) return refuse("leave system request");
  CursorClass& cursor = display_->cursor();
  display_->formatTable().exitSystemRequestMode();
  cursor.detachCursorFromArea();
  swapErrorLine(kSwapBack, 0, 0);
  state_ = savedState_;
  cursor.restoreFromSystemRequest();
  const unsigned int saved = display_->savedModeFlagsA();
  if (saved & DisplayBag::kARTLCursor) {
    display_->modeFlagsA() |= DisplayBag::kARTLCursor;
    display_->indicators().current().set(Indicators::kRightToLeftCursor);
  }
  DisplayControlData& c = display_->controlData();
  TextSession* text = display_->textSession();
  if (state_ == kWordProcessing) {
    if (display_->options().has(StationOptions::kTextAssistCursorPlanes))
      display_->getRendering()->setCursorPlane(static_cast<PlaneNumber>(text->currentPlane()));
    if (text->isRightToLeftLine(cursor.getCursorRow()))
      display_->indicators().current().set(Indicators::kRightToLeftScreen);
    c.setCursorState(static_cast<unsigned char>(c.cursorState() & ~kWPSystemOutput));
    display_->getRendering()->textTimer(text);
  } else {
    if (saved & DisplayBag::kAInsert) {
      display_->modeFlagsA() |= DisplayBag::kAInsert;
      display_->indicators().current().set(Indicators::kInsert);
    } else {
      leaveInsertModeUnlessKept();
    }
    if (saved & DisplayBag::kAHomePending) {
      display_->modeFlagsA() |= DisplayBag::kAHomePending;
      c.setCursorRequestBits(kHomePendingOutput);
    }
    areaAtCursor()->positionCursor(display_);
    c.clearCursorRequestBits(kSystemRequestOutput);
    display_->getRendering()->enablePaste(1);
  }
  if (state_ == kNormalLocked || (state_ == kWordProcessing && text->errorFlag())) {
    display_->indicators().current().set(Indicators::kSystem);
    c.setControlBits(kKeyboardLocked);
  }
  return true;
}

bool KeyboardState::exitSystemRequestStateWhenAreaIsInFocus() {
  if (state_ != kSystemRequest) return refuse("leave system request");
  display_->cursor().detachCursorFromArea();
  exitSystemRequestState();
  display_->cursor().initializeCursorToArea(-1, 0, CursorOffsetAsShown);
  return true;
}

bool KeyboardState::enterDragAndDropState(ScrollBarField* bar, unsigned int offset) {
  if (state_ != kNormalUnlocked || !bar) return refuse("drag and drop");
  dragScrollBar_ = bar;
  dragOffset_ = static_cast<unsigned short>(offset);
  dragStartValue_ = static_cast<unsigned short>(bar->sliderOffset());
  display_->controlData().setControlBits(kScrollDragTracking);
  display_->controlData().clearControlBits(kCopyTracking);
  state_ = kDragAndDrop;
  return true;
}

unsigned int KeyboardState::exitDragAndDropState() {
  if (state_ != kDragAndDrop) {
    refuse("leave drag and drop");
    return 0;
  }
  display_->controlData().clearControlBits(kScrollDragTracking | kCopyTracking);
  state_ = kNormalUnlocked;
  dragScrollBar_ = nullptr;
  return dragStartValue_;
}

bool KeyboardState::enterTwoMouseEventState(unsigned int button, unsigned int offset) {
  if (state_ != kNormalUnlocked) return refuse("two mouse events");
  if (offset > display_->presentationSpace().lastOffset()) return refuse("two mouse events off the screen");
  mouseButton_ = static_cast<unsigned short>(button);
  mouseOffset_ = static_cast<unsigned short>(offset);
  display_->mouseButtons().drawMarkerBoxIfNeeded(display_->services(), button, mirrored(offset));
  display_->controlData().setControlBits(kMarkingInProgress);
  state_ = kTwoMouseEvents;
  return true;
}

bool KeyboardState::exitTwoMouseEventState() {
  if (state_ != kTwoMouseEvents) return refuse("leave two mouse events");
  display_->mouseButtons().eraseMarkerBoxIfNeeded(display_->services(), mouseButton_,
                                                  mirrored(mouseOffset_));
  display_->controlData().clearControlBits(kMarkingInProgress);
  state_ = kNormalUnlocked;
  return true;
}

bool KeyboardState::enterWPState() {
  if (state_ != kNormalUnlocked && state_ != kNormalLocked) return refuse("text assist");
  display_->formatTable().clearFormatTable();
  display_->modeFlagsB() &= ~(DisplayBag::kBReversed | DisplayBag::kBNoSymmetricSwap);
  DisplayControlData& c = display_->controlData();
  c.setTextSymbolsDisplay();
  c.setCursorState(static_cast<unsigned char>(c.cursorState() | kWPOutput));
  state_ = kWordProcessing;
  display_->modeFlagsB() |= DisplayBag::kBWPMode;
  return true;
}

bool KeyboardState::exitWPState() {
  if (state_ != kWordProcessing) return refuse("leave text assist");
  Rendering* r = display_->getRendering();
  r->setShadowCursorRow(0);
  if (display_->options().has(StationOptions::kTextAssistCursorPlanes)) r->setCursorPlane(Plane0);
  DisplayControlData& c = display_->controlData();
  c.resetTextSymbolsDisplay();
  c.clearCursorRequestBits(kTextAssistRequests);
  c.setCursorState(static_cast<unsigned char>(c.cursorState() & ~kTextAssistStates));
  c.setControlBits(kKeyboardLocked);
  c.clearControlBits(kErrorLineOnExtraRow);
  display_->indicators().current().set(Indicators::kSystem);
  display_->indicators().current().reset(Indicators::kRightToLeftScreen);
  state_ = kNormalLocked;
  display_->modeFlagsB() &= ~DisplayBag::kBWPMode;
  return true;
}

unsigned int KeyboardState::determinePollType(unsigned int& flag) {
  flag = 0;
  switch (state_) {
    case kSystemRequest:
      if (display_->modeFlagsA() & DisplayBag::kANewArea) {
        flag = 1;
        display_->modeFlagsA() &= ~DisplayBag::kANewArea;
      }
      return 8;
    case kError:
    case kPostHelpError:
      return 9;
    case kNormalLocked:
      return 10;
    case kWordProcessing:
      return display_->textSession()->determinePollType(flag);
    case kCopy:
    case kPostCopy:
      if (copySavedState_ == kWordProcessing) return display_->textSession()->determinePollType(flag);
      return 0;
    default:
      return 0;
  }
}

void KeyboardState::processBufferedEvent() {
  if (state_ != kNormalUnlocked || !display_->readMgr().queryReadPending()) return;
  if (bufferedAid_) {
    std::memcpy(display_->pendingAidCursor(), bufferedAidCursor_, 2);
    const unsigned char aid = bufferedAid_;
    bufferedAid_ = 0;
    display_->postAidCode(aid);
    return;
  }
  display_->mouseButtons().processAnyBufferedProgrammedEvent(display_->services());
}

void KeyboardState::storeImageStatus(unsigned char aid, const unsigned char* twoBytes) {
  if (bufferedAid_) return;
  bufferedAid_ = aid;
  std::memcpy(bufferedAidCursor_, twoBytes, 2);
}

// ---- error line ----------------------------------------------------------------------------

void KeyboardState::prepareErrorLine(unsigned int rowStart, unsigned int first, unsigned int last) {
  PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
  const unsigned int a = rowStart + first - 1, b = rowStart + last - 1;
  if (b > ps.lastOffset() || a > b) return;
  ps.fillRange(a, b, 0);
  PrimaryECBScreenBuffer& primary = display_->primaryPlane();
  if (primary.AreECBsInUse()) {
    primary.clearAllECBPlanes(static_cast<int>(a), static_cast<int>(b));
    primary.writeCharacter(a, 0x80);
    display_->secondaryPlane().writeCharacter(a, 0x80);
    display_->colourPlane().writeCharacter(a, 0x80);
  }
  if (display_->options().has(StationOptions::kEnhancedDisplay))
    display_->getRendering()->erasePushButtons(mirrored(a), mirrored(b));
}

void KeyboardState::swapErrorLine(SwapType type, unsigned int first, unsigned int last) {
  if (type == kSwapIn && errorLineSwapped_) ErrorHalt(kModule, 102);
  if (type == kSwapBack && !errorLineSwapped_) ErrorHalt(kModule, 103);
  errorLineSwapped_ = type == kSwapIn ? 1 : 0;
  const unsigned int cols = columns();
  if (last == 0) {
    first = 1;
    last = cols;
  }
  const unsigned int rowStart = (errorRow_ - 1u) * cols;
  DisplayControlData& c = display_->controlData();
  if (errorRow_ > rows()) {
    if (type == kSwapIn) {
      prepareErrorLine(rowStart, first, last);
      c.setControlBits(kErrorLineOnExtraRow);
    } else {
      c.clearControlBits(kErrorLineOnExtraRow);
    }
    return;
  }
  PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
  PrimaryECBScreenBuffer& primary = display_->primaryPlane();
  const unsigned int saveStart = rows() * cols;
  if (type == kSwapIn) {
    ps.copyRange(rowStart, rowStart + cols - 1, saveStart);
    if (primary.AreECBsInUse()) primary.copyRangeInAllECBPlanes(rowStart, rowStart + cols - 1, saveStart);
    prepareErrorLine(rowStart, first, last);
    return;
  }
  ps.copyRange(saveStart, saveStart + cols - 1, rowStart);
  if (primary.AreECBsInUse()) primary.copyRangeInAllECBPlanes(saveStart, saveStart + cols - 1, rowStart);
  if (reversed()) ps.updateLimits(rowStart, rowStart + cols - 1);
  if (display_->options().has(StationOptions::kEnhancedDisplay)) {
    FormatTable& t = display_->formatTable();
    for (Field* f = t.firstRecord(); f; f = t.nextRecord(f))
      f->drawPushButtons(display_, rowStart, rowStart + cols - 1);
  }
}

unsigned int KeyboardState::swappedErrorLineOffsetCheck(unsigned int offset) const {
  if (!errorLineSwapped_ || errorRow_ > rows()) return offset;
  const unsigned int cols = columns();
  if (offset / cols + 1 != errorRow_) return offset;
  return rows() * cols + offset % cols;
}

void KeyboardState::writeOperatorErrorToScreen() {
  if ((state_ != kError && state_ != kPostHelpError) || !keyboardErrorShown_) return;
  Rendering* r = display_->getRendering();
  unsigned char* buffer = static_cast<unsigned char*>(r->WsGetBuffer(6));
  std::memcpy(buffer, errorLine_, 6);
  r->updatePresentationSpacePlane(buffer, 0, (errorRow_ - 1u) * columns(), 6);
  r->WsFreeBuffer(buffer);
}

unsigned int KeyboardState::getErrorCode() const {
  unsigned int code = 0;
  for (int i = 1; i <= 4; ++i) code = (code << 4) | (errorLine_[i] & 0x0Fu);
  return code;
}

void KeyboardState::setErrorCode(unsigned int value) {
  for (int i = 4; i >= 1; --i) {
    errorLine_[i] = static_cast<unsigned char>(value & 0x0F);
    value >>= 4;
  }
}

// ---- save and restore ----------------------------------------------------------------------

void KeyboardState::saveKeyboardState(qrnOStream* out) {
  if (state_ == kTwoMouseEvents) exitTwoMouseEventState();
  if (state_ == kDragAndDrop) exitDragAndDropState();
  if (state_ == kCopy) exitCopyState();
  if (state_ == kPostCopy) exitPostCopyState();
  out->save(state_, 8);
  out->save(errorLineSwapped_, 8);
  out->save(errorRow_, 8);
  out->save(errorColumn_, 8);
  out->hostPutData(errorLine_, 6);
  out->save(savedState_, 8);
  out->save(keyboardErrorShown_, 8);
}

namespace {
bool ErrorDigitValid(unsigned char b) { return (b & 0xF0) == 0x00 || (b >= 0xF0 && b <= 0xF9); }
}  // namespace

unsigned int KeyboardState::restoreKeyboardState(qrnIStream* in) {
  unsigned char state = 0, swapped = 0, row = 0, column = 0, saved = 0, shown = 0;
  unsigned char line[6] = {};
  in->restore(state, 8);
  in->restore(swapped, 8);
  in->restore(row, 8);
  in->restore(column, 8);
  in->hostGetData(line, 6);
  in->restore(saved, 8);
  in->restore(shown, 8);
  if (in->checkRestore()) return RestoreRejected("keyboard state", "stream ends early");
  // Only the states a save can leave: the transient ones are left before it.
  const bool stateOk = state <= kRestoredLocked || state == kWordProcessing;
  const bool errorLike = state == kSystemRequest || state == kError || state == kPostHelpError;
  const bool savedOk = saved == kNormalUnlocked || saved == kNormalLocked ||
                       (saved == kWordProcessing && (state == kSystemRequest || !errorLike));
  if (!stateOk || !savedOk) return RestoreRejected("keyboard state", "state out of range");
  if (swapped > 1 || (swapped != 0) != errorLike)
    return RestoreRejected("keyboard state", "error line swap does not match the state");
  if ((row != 24 && row != 25) || column == 0 || shown > 1)
    return RestoreRejected("keyboard state", "error row or column out of range");
  if (line[5] != kEndAttribute ||
      (line[0] != 0 && line[0] != kErrorAttribute && line[0] != kHelpErrorAttribute) ||
      !ErrorDigitValid(line[1]) || !ErrorDigitValid(line[2]) || !ErrorDigitValid(line[3]) ||
      !ErrorDigitValid(line[4]))
    return RestoreRejected("keyboard state", "error line bytes not valid");

  const bool wasText = state_ == kWordProcessing, isText = state == kWordProcessing;
  if (isText && !wasText) display_->controlData().setTextSymbolsDisplay();
  if (wasText && !isText) {
    display_->getRendering()->setShadowCursorRow(0);
    if (display_->options().has(StationOptions::kTextAssistCursorPlanes))
      display_->getRendering()->setCursorPlane(Plane0);
    display_->controlData().resetTextSymbolsDisplay();
  }
  state_ = state;
  errorLineSwapped_ = swapped;
  errorRow_ = row;
  errorColumn_ = column;
  std::memcpy(errorLine_, line, 6);
  savedState_ = saved;
  keyboardErrorShown_ = shown;
  dragScrollBar_ = nullptr;
  cutArea_ = nullptr;
  cutInText_ = 0;
  return 0;
}
