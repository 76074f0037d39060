#include "keyboard/UserInput.h"

#include "display/DisplayBag.h"
#include "display/ScrollBarField.h"
#include "display/TextSession.h"

unsigned int UserInput::processInSystemRequestState(DisplayBag* d) {
  return processInNormalUnlockedState(d);
}

unsigned int UserInput::processInErrorState(DisplayBag* d) {
  if (d->options().errorResetPreference != 2) return 0;
  KeyboardState& k = d->keyboardState();
  k.exitErrorState();
  if (k.state() == KeyboardState::kNormalUnlocked) return processInNormalUnlockedState(d);
  return 0;
}

unsigned int UserInput::processInPostHelpErrorState(DisplayBag*) { return 0; }

unsigned int UserInput::processInNormalLockedState(DisplayBag*) { return 0; }

unsigned int UserInput::processInDragAndDropState(DisplayBag* d) {
  if (ScrollBarField* bar = d->keyboardState().dragScrollBar()) bar->resetDragDropState(d);
  return processInNormalUnlockedState(d);
}

unsigned int UserInput::processInTwoMouseEventState(DisplayBag* d) {
  d->keyboardState().exitTwoMouseEventState();
  return processInNormalUnlockedState(d);
}

unsigned int UserInput::processInCopyState(DisplayBag* d) {
  KeyboardState& k = d->keyboardState();
  k.exitCopyState();
  if (k.state() == KeyboardState::kWordProcessing) return processInWPState(d);
  return processInNormalUnlockedState(d);
}

unsigned int UserInput::processInPostCopyState(DisplayBag* d) {
  KeyboardState& k = d->keyboardState();
  k.exitPostCopyState();
  if (k.state() == KeyboardState::kWordProcessing) return processInWPState(d);
  return processInNormalUnlockedState(d);
}

unsigned int UserInput::processInWPErrorState(DisplayBag* d) {
  TextSession* t = d->textSession();
  if (!(t->stateWord() & TextSession::kErrorShown) || d->options().errorResetPreference != 2)
    return 0;
  t->c_textreset();
  if (!t->errorFlag()) return processInWPState(d);
  return 0;
}

unsigned int UserInput::processInWPState(DisplayBag*) { return 0; }

unsigned int UserInput::preProcess(DisplayBag*) { return 0; }

void UserInput::preProcessWhenPending(DisplayBag* d) {
  d->modeFlagsB() &= ~DisplayBag::kBPendingMask;
}

void UserInput::preProcessWhenMarked(DisplayBag* d) { d->modeFlagsA() &= ~DisplayBag::kAMarked; }

int DataKeystroke::actsAsFieldMinus() { return 0; }
