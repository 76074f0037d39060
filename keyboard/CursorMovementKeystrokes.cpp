// The cursor keys, Tab and Back Tab, Home, New Line and the character
// advance and backspace keys: each asks the area holding the cursor to move
// in its own way, or the text session in text assist.
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/TextSession.h"
#include "keyboard/KeystrokeClasses.h"

namespace {
bool ErrorEndsByCursorKey(DisplayBag* d) {
  const unsigned char p = d->options().errorResetPreference;
  return p == 1 || p == 2;
}
}  // namespace

unsigned int CursorMovementKeystrokeBase::processInNormalUnlockedState(DisplayBag* d) {
  // The area learns that the cursor may leave it: a shaping run ends first.
  if (const int error = d->getCurrentArea()->interruptShaping(d)) {
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return 0;
  }
  return moveInArea(d);
}

unsigned int CursorMovementKeystrokeBase::processInErrorState(DisplayBag* d) {
  if (!ErrorEndsByCursorKey(d)) return 0;
  KeyboardState& k = d->keyboardState();
  k.exitErrorState();
  if (k.state() == KeyboardState::kNormalUnlocked) return moveInArea(d);
  return 0;
}

unsigned int CursorMovementKeystrokeBase::processInPostCopyState(DisplayBag* d) {
  KeyboardState& k = d->keyboardState();
  k.exitPostCopyState();
  if (k.state() == KeyboardState::kWordProcessing) return processInWPState(d);
  return processInNormalUnlockedState(d);
}

unsigned int CursorMovementKeystrokeBase::processInWPErrorState(DisplayBag* d) {
  TextSession* t = d->textSession();
  if (!(t->stateWord() & TextSession::kErrorShown) || !ErrorEndsByCursorKey(d)) return 0;
  t->c_textreset();
  if (!t->errorFlag()) return processInWPState(d);
  return 0;
}

unsigned int CharacterAdvanceKeystroke::moveInArea(DisplayBag* d) {
  d->getCurrentArea()->characterAdvance(d);
  return 0;
}
unsigned int CharacterAdvanceKeystroke::processInWPState(DisplayBag*) { return 0; }

unsigned int CharacterBackSpaceKeystroke::moveInArea(DisplayBag* d) {
  d->getCurrentArea()->characterBackspace(d);
  return 0;
}
unsigned int CharacterBackSpaceKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textbackspace();
  return 0;
}

unsigned int CursorDownKeystroke::moveInArea(DisplayBag* d) {
  d->getCurrentArea()->cursorDown(d);
  return 0;
}
unsigned int CursorDownKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textdown();
  return 0;
}

unsigned int CursorUpKeystroke::moveInArea(DisplayBag* d) {
  d->getCurrentArea()->cursorUp(d);
  return 0;
}
unsigned int CursorUpKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textup();
  return 0;
}

// On a reversed screen the buffer holds the mirrored image: left and right
// trade places.
unsigned int CursorLeftKeystroke::moveInArea(DisplayBag* d) {
  AreaOfScreen* a = d->getCurrentArea();
  if (d->screenReversed())
    a->cursorRight(d, count());
  else
    a->cursorLeft(d, count());
  return 0;
}
unsigned int CursorLeftKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textleft();
  return 0;
}
unsigned int FastCursorLeftKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textfastleft();
  return 0;
}

unsigned int CursorRightKeystroke::moveInArea(DisplayBag* d) {
  AreaOfScreen* a = d->getCurrentArea();
  if (d->screenReversed())
    a->cursorLeft(d, 1);
  else
    a->cursorRight(d, 1);
  return 0;
}
unsigned int CursorRightKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textright();
  return 0;
}

unsigned int FastCursorRightKeystroke::moveInArea(DisplayBag* d) {
  AreaOfScreen* a = d->getCurrentArea();
  if (d->screenReversed())
    a->cursorLeft(d, 3);
  else
    a->cursorRight(d, 3);
  return 0;
}
unsigned int FastCursorRightKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textfastright();
  return 0;
}

unsigned int FieldAdvanceKeystroke::moveInArea(DisplayBag* d) {
  d->getCurrentArea()->fieldAdvance(d);
  return 0;
}
unsigned int FieldAdvanceKeystroke::processInWPState(DisplayBag*) { return 0; }
unsigned int TabKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_texttabadvance();
  return 0;
}
unsigned int ShiftedTabKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_texttabfunction();
  return 0;
}

unsigned int FieldBackspaceKeystroke::moveInArea(DisplayBag* d) {
  d->getCurrentArea()->fieldBackspace(d);
  return 0;
}
unsigned int FieldBackspaceKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textbacktab();
  return 0;
}

unsigned int HomeKeystroke::moveInArea(DisplayBag* d) {
  if (d->keyboardState().state() == KeyboardState::kSystemRequest) {
    // The start of the system-request line, the only field meanwhile.
    if (Field* f = d->formatTable().firstRecord())
      d->cursor().moveCursorToNewArea(static_cast<int>(f->getFirstCursorOffset(d)), CursorOffsetLogical);
    return 0;
  }
  if (d->modeFlagsA() & DisplayBag::kAHomePending) {
    d->modeFlagsA() &= ~DisplayBag::kAHomePending;
    d->controlData().clearCursorRequestBits(KeyboardState::kHomePendingOutput);
  }
  d->getCurrentArea()->home(d);
  return 0;
}
unsigned int HomeKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_texthome();
  return 0;
}

unsigned int NewlineKeystroke::moveInArea(DisplayBag* d) {
  d->getCurrentArea()->newline(d);
  return 0;
}
unsigned int NewlineKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textnewline();
  return 0;
}
