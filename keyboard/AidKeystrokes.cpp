#include "keyboard/AidKeystrokes.h"

#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/TextSession.h"

namespace {
constexpr unsigned int kErrorNotInSystemRequest = 6;

void raise(DisplayBag* d, unsigned int error) { d->keyboardState().enterErrorState(error, 0, 1, 0, 0); }


// The area holding the cursor checks the screen; the AID goes out only when
// it finds nothing wrong.
unsigned int aidCheck(DisplayBag* d, unsigned int aid) {
  const unsigned char a = static_cast<unsigned char>(aid);
  if (const int error = d->getCurrentArea()->checkBeforeAid(d, a)) {
    raise(d, static_cast<unsigned int>(error));
    return 0;
  }
  d->postAidCode(a);
  return 0;
}
}  // namespace

unsigned int AidKeystroke::processInSystemRequestState(DisplayBag* d) {
  raise(d, kErrorNotInSystemRequest);
  return 0;
}

unsigned int EnterKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->enter(d);
  return 0;
}

unsigned int EnterKeystroke::processInSystemRequestState(DisplayBag* d) {
  // The system request goes out with the line typed after it, before the
  // state is left.
  d->getCurrentArea()->positionCursor(d);
  d->readMgr().activateReadProcess(kAidSystemRequestSignal, 0);
  d->keyboardState().exitSystemRequestStateWhenAreaIsInFocus();
  d->contentionError().resetContentionError(d);
  return 0;
}

unsigned int EnterKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->enterKey();
  return 0;
}

unsigned int HelpKeystroke::processInErrorState(DisplayBag* d) {
  d->keyboardState().enterPostHelpErrorState();
  d->postAidCode(kAidHelpInErrorSignal);
  return 0;
}

unsigned int TestRequestKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->postAidCode(kAidTestRequestSignal);
  return 0;
}

unsigned int ClearKeystroke::processInNormalUnlockedState(DisplayBag* d) { return aidCheck(d, aid_); }

unsigned int HelpKeystroke::processInNormalUnlockedState(DisplayBag* d) { return aidCheck(d, aid_); }

unsigned int PAKeystroke::processInNormalUnlockedState(DisplayBag* d) { return aidCheck(d, aid_); }

unsigned int PFKeystroke::processInNormalUnlockedState(DisplayBag* d) { return aidCheck(d, aid_); }

unsigned int PrintKeystroke::processInNormalUnlockedState(DisplayBag* d) { return aidCheck(d, aid_); }

unsigned int RollDownKeystroke::processInNormalUnlockedState(DisplayBag* d) { return aidCheck(d, aid_); }

unsigned int RollUpKeystroke::processInNormalUnlockedState(DisplayBag* d) { return aidCheck(d, aid_); }

// Word processing: the text session reports the key to the host's editor.
unsigned int ClearKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textclear();
  return 0;
}
unsigned int HelpKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_texthelp();
  return 0;
}
// While the text shows an operator error Help asks the host about it; it
// does not end the error.
unsigned int HelpKeystroke::processInWPErrorState(DisplayBag* d) {
  if (d->textSession()->errorFlag()) d->textSession()->c_texthelp();
  return 0;
}
unsigned int PrintKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textprint();
  return 0;
}
unsigned int RollDownKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textpgup();
  return 0;
}
unsigned int RollUpKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textpgdown();
  return 0;
}
unsigned int TestRequestKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_texttestrequest();
  return 0;
}
// PF keys 1-24 go through the host's command-key table. The PA keys mean
// nothing to the host's text editor: in text assist they do nothing.
unsigned int PFKeystroke::processInWPState(DisplayBag* d) {
  const unsigned int key = aid_ >= 0xB1 ? aid_ - 0xB1 + 13 : aid_ - 0x31 + 1;
  d->textSession()->pfCmdKey(key, static_cast<unsigned char>(aid_));
  return 0;
}
