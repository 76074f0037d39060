// The editing and mode keys (Insert, Delete, Erase EOF, Erase Input, Field
// Mark, Close, Cursor Select, Reverse, Reverse Screen, Reverse Video, the
// shaping and copy keys) and the image status event.
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/TextSession.h"
#include "keyboard/KeystrokeClasses.h"
#include "keyboard/MouseEvents.h"

namespace {
constexpr unsigned int kErrorNotInSystemRequest = 6;
constexpr unsigned int kErrorNoReverseScreen = 92;
constexpr unsigned int kReverseVideo = 0x20000000u;  // display-control word

void Raise(DisplayBag* d, unsigned int error) { d->keyboardState().enterErrorState(error, 0, 1, 0, 0); }

// Insert mode with its indicator and cursor request.
void SetInsert(DisplayBag* d, bool on) {
  if (on) {
    d->modeFlagsA() |= DisplayBag::kAInsert;
    d->indicators().current().set(Indicators::kInsert);
    d->controlData().setCursorRequestBits(DisplayControlData::kRequestInsert);
  } else {
    d->modeFlagsA() &= ~DisplayBag::kAInsert;
    d->indicators().current().reset(Indicators::kInsert);
    d->controlData().clearCursorRequestBits(DisplayControlData::kRequestInsert);
  }
}
}  // namespace

// Shaping keys.

unsigned int ASDKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->asdKey(d, kind_);
  return 0;
}
unsigned int ASDBaseKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textbasekey();
  return 0;
}
unsigned int ASDFarsiBaseKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textfarsibasekey();
  return 0;
}
unsigned int ASDFinalKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textfinalkey();
  return 0;
}
unsigned int ASDInitialKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textinitialkey();
  return 0;
}
unsigned int ASDMiddleKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textmiddlekey();
  return 0;
}

// Editing keys.

unsigned int CloseKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->close(d);
  return 0;
}
unsigned int CloseKeystroke::processInSystemRequestState(DisplayBag* d) {
  Raise(d, kErrorNotInSystemRequest);
  return 0;
}
unsigned int CloseKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textendpush();
  return 0;
}

unsigned int CursorSelectKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  // The area at the cursor, bypass fields included.
  d->formatTable().getArea(d->cursor().getCursorOffset())->cursorSelect(d);
  return 0;
}
unsigned int CursorSelectKeystroke::processInSystemRequestState(DisplayBag* d) {
  Raise(d, kErrorNotInSystemRequest);
  return 0;
}

unsigned int DeleteKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->deleteKey(d);
  return 0;
}
unsigned int DeleteKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->deleteKey(0xFE, 0xE8);
  return 0;
}

unsigned int DisplayTextSymbolsKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textdisplaytextsymbols();
  return 0;
}

unsigned int EraseEOFKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->eraseEOF(d);
  return 0;
}

unsigned int EraseInputKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  // Every modified input field takes its input back; a field may name an
  // AID for the host (the first one named is sent).
  FormatTable& t = d->formatTable();
  unsigned char aid = 0;
  for (Field* f = t.firstRecord(); f; f = t.nextRecord(f)) {
    if (f->isBypass() || !f->isModified()) continue;
    const unsigned char named = f->eraseInput(d);
    if (!aid) aid = named;
  }
  if (d->modeFlagsA() & DisplayBag::kAHomePending) {
    d->modeFlagsA() &= ~DisplayBag::kAHomePending;
    d->controlData().clearCursorRequestBits(KeyboardState::kHomePendingOutput);
  }
  d->asd().initializeASD();
  if (aid) {
    if (const int error = d->getCurrentArea()->checkBeforeAid(d, aid))
      d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    else
      d->postAidCode(aid);
    return 0;
  }
  if (d->keyboardState().state() == KeyboardState::kSystemRequest) {
    if (Field* f = t.firstRecord())
      d->cursor().moveCursorToNewArea(static_cast<int>(f->getFirstCursorOffset(d)), CursorOffsetLogical);
    return 0;
  }
  d->getCurrentArea()->goHome(d);
  return 0;
}
unsigned int EraseInputKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_texterase();
  return 0;
}

unsigned int FieldMarkKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->fieldMark(d);
  return 0;
}
unsigned int FieldMarkKeystroke::processInSystemRequestState(DisplayBag* d) {
  Raise(d, kErrorNotInSystemRequest);
  return 0;
}

unsigned int InsertKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  SetInsert(d, (d->modeFlagsA() & DisplayBag::kAInsert) == 0);
  return 0;
}
unsigned int InsertKeystroke::processInPostCopyState(DisplayBag* d) {
  // The marked area stays.
  if (d->keyboardState().copySavedState() == KeyboardState::kWordProcessing) return processInWPState(d);
  return processInNormalUnlockedState(d);
}
unsigned int InsertKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textinsertkey();
  return 0;
}

unsigned int KeyboardCopyKeys::processInNormalUnlockedState(DisplayBag* d) {
  d->keyboardState().processKeyboardCopyKeys(key_);
  return 0;
}
unsigned int KeyboardCopyKeys::processInPostCopyState(DisplayBag* d) {
  d->keyboardState().processKeyboardCopyKeys(key_);
  return 0;
}
unsigned int KeyboardCopyKeys::processInWPState(DisplayBag* d) {
  d->keyboardState().processKeyboardCopyKeys(key_);
  return 0;
}

unsigned int ReverseKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->reverse(d);
  return 0;
}
unsigned int ReverseKeystroke::processInSystemRequestState(DisplayBag* d) {
  Raise(d, kErrorNotInSystemRequest);
  return 0;
}
unsigned int ReverseKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textpush();
  return 0;
}
// The mark of a mouse-click move stays for the field's own test.
void ReverseKeystroke::preProcessWhenMarked(DisplayBag*) {}

unsigned int ReverseScreenKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  if (d->options().has(StationOptions::kReverseScreenNotAllowed)) {
    Raise(d, kErrorNoReverseScreen);
    return 0;
  }
  CursorClass& cursor = d->cursor();
  FormatTable& t = d->formatTable();
  cursor.detachCursorFromArea();
  if (d->screenReversed()) {
    t.unReverseFieldOrientationsForReverseScreen();
    t.resetBypassFieldsDueToReverseScreen();
    d->modeFlagsB() &= ~DisplayBag::kBReversed;
  } else {
    t.reverseFieldOrientationsForReverseScreen();
    d->modeFlagsB() |= DisplayBag::kBReversed;
  }
  cursor.initializeCursorToArea(-1, 0, CursorOffsetAsShown);
  d->modeFlagsA() |= DisplayBag::kANewArea;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  if (ps.lastOffset() >= ps.columns()) ps.updateLimits(0, ps.lastOffset() - ps.columns());
  t.eraseAndRedrawAllPushButtons();
  return 0;
}
unsigned int ReverseScreenKeystroke::processInSystemRequestState(DisplayBag* d) {
  Raise(d, kErrorNotInSystemRequest);
  return 0;
}

unsigned int ReverseVideoScreenKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  DisplayControlData& c = d->controlData();
  if (c.controlWord() & kReverseVideo)
    c.clearControlBits(kReverseVideo);
  else
    c.setControlBits(kReverseVideo);
  return 0;
}
unsigned int ReverseVideoScreenKeystroke::processInWPState(DisplayBag* d) {
  return processInNormalUnlockedState(d);
}

// Image status.

namespace {
// The AID of an image status; 0 for a status that names none.
unsigned char ImageStatusAid(unsigned int status) {
  switch (status) {
    case 1: return 0x82;
    case 2: return 0x83;
    case 3: return 0x81;
    default: return 0;
  }
}
}  // namespace

unsigned int ImageStatus::processInNormalUnlockedState(DisplayBag* d) {
  const unsigned char aid = ImageStatusAid(status_);
  if (!aid) return 0;
  if (!d->readMgr().queryReadPending()) return processInNormalLockedState(d);
  d->pendingAidCursor()[0] = cursor_[0];
  d->pendingAidCursor()[1] = cursor_[1];
  d->postAidCode(aid);
  return 0;
}

unsigned int ImageStatus::processInNormalLockedState(DisplayBag* d) {
  const unsigned char aid = ImageStatusAid(status_);
  if (aid) d->keyboardState().storeImageStatus(aid, cursor_);
  return 0;
}
