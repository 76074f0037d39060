// The text-assist keys: they mean something only in a text-assist session,
// where each calls its text-session handler; elsewhere they do nothing
// (system request refuses them).
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/TextSession.h"
#include "keyboard/KeystrokeClasses.h"

unsigned int TextKeystrokeBase::processInSystemRequestState(DisplayBag* d) {
  d->keyboardState().enterErrorState(6, 0, 1, 0, 0);
  return 0;
}

unsigned int TxEndOfLineKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->endKey(d, 1);
  return 0;
}

unsigned int TxUnderscoreKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textunderscore();
  return 0;
}
unsigned int TxEndAttrKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textendattribute();
  return 0;
}
unsigned int TxBoldKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textintensify();
  return 0;
}
unsigned int TxWordUndKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textwordunderscore();
  return 0;
}
unsigned int TxSuperKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->processsecattr(0x81, 2, 0xFD);
  return 0;
}
unsigned int TxSubKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->processsecattr(0x82, 1, 0xFE);
  return 0;
}
unsigned int TxStopFuncKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textstopcodefunction();
  return 0;
}
unsigned int TxRqSpaceKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textrqspace();
  return 0;
}
unsigned int TxStopAdvKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textstopcodeadvance();
  return 0;
}
unsigned int TxPagendKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textpageend();
  return 0;
}
unsigned int TxCenterKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textcentertext();
  return 0;
}
unsigned int TxSymbolsKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->altAKey(0xFB, 0xD5);
  return 0;
}
unsigned int TxAltDKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textaltd();
  return 0;
}
unsigned int TxCarRetKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textcarrierreturn();
  return 0;
}
unsigned int TxBegOfLineKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textbeginofline();
  return 0;
}
unsigned int TxEndOfLineKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textendofline();
  return 0;
}
unsigned int TxRqdTabKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textrqtabfunction();
  return 0;
}
unsigned int TxTopOfPageKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_texttopofpage();
  return 0;
}
unsigned int TxBotOfPageKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textbottomofpage();
  return 0;
}
