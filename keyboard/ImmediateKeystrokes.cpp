// The keys that act even while the keyboard is locked: Attention, Reset and
// System Request.
#include "datastream/ContentionError.h"
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/TextSession.h"
#include "keyboard/KeystrokeClasses.h"

namespace {
constexpr unsigned int kErrorNotInSystemRequest = 6;
constexpr unsigned char kAttentionSignal = 0x02;

void LeaveInsertModeUnlessKept(DisplayBag* d) {
  if (d->options().keepsInsertMode()) return;
  d->modeFlagsA() &= ~DisplayBag::kAInsert;
  d->indicators().current().reset(Indicators::kInsert);
  d->controlData().clearCursorRequestBits(DisplayControlData::kRequestInsert);
}

// The attention signal: the station ends a shaping run first, as for any
// AID but Help in the error state.
unsigned int PostAttention(DisplayBag* d) {
  d->postAidCode(kAttentionSignal);
  return 0;
}
}  // namespace

unsigned int AttentionKeystroke::processInNormalUnlockedState(DisplayBag* d) { return PostAttention(d); }
unsigned int AttentionKeystroke::processInSystemRequestState(DisplayBag* d) {
  d->keyboardState().enterErrorState(kErrorNotInSystemRequest, 0, 1, 0, 0);
  return 0;
}
unsigned int AttentionKeystroke::processInErrorState(DisplayBag* d) { return PostAttention(d); }
unsigned int AttentionKeystroke::processInPostHelpErrorState(DisplayBag* d) { return PostAttention(d); }
unsigned int AttentionKeystroke::processInNormalLockedState(DisplayBag* d) { return PostAttention(d); }
unsigned int AttentionKeystroke::processInWPErrorState(DisplayBag* d) {
  d->textSession()->c_textattention();
  return 0;
}
unsigned int AttentionKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textattention();
  return 0;
}

unsigned int ResetKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  LeaveInsertModeUnlessKept(d);
  d->getCurrentArea()->resetKey(d);
  return 0;
}

unsigned int ResetKeystroke::processInSystemRequestState(DisplayBag* d) {
  const bool insert = (d->modeFlagsA() & DisplayBag::kAInsert) != 0;
  if (insert && !(d->modeFlagsB() & DisplayBag::kBWPMode)) {
    // The first Reset ends insert mode; the next one leaves system request.
    LeaveInsertModeUnlessKept(d);
    if (!d->options().keepsInsertMode()) return 0;
  }
  d->keyboardState().exitSystemRequestStateWhenAreaIsInFocus();
  d->contentionError().resetContentionError(d);
  return 0;
}

unsigned int ResetKeystroke::processInErrorState(DisplayBag* d) {
  d->keyboardState().exitErrorState();
  d->dataStreamManager().finishWTDUnlock();
  return 0;
}

unsigned int ResetKeystroke::processInPostCopyState(DisplayBag* d) {
  // The marked area stays.
  if (d->keyboardState().copySavedState() == KeyboardState::kWordProcessing) return processInWPState(d);
  return processInNormalUnlockedState(d);
}

unsigned int ResetKeystroke::processInWPErrorState(DisplayBag* d) {
  d->textSession()->c_textreset();
  return 0;
}
unsigned int ResetKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textreset();
  return 0;
}

unsigned int SystemRequestKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->keyboardState().enterSystemRequestState();
  return 0;
}
unsigned int SystemRequestKeystroke::processInNormalLockedState(DisplayBag* d) {
  d->keyboardState().enterSystemRequestState();
  return 0;
}
unsigned int SystemRequestKeystroke::processInWPErrorState(DisplayBag* d) {
  d->textSession()->c_textsysrequest();
  return 0;
}
unsigned int SystemRequestKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textsysrequest();
  return 0;
}
