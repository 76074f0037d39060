#include "datastream/KbdStTrn.h"

#include "datastream/Databyte.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
#include "base/LogMsg.h"

KeyboardState& KbdStTrn::keyboard(Databyte* db) { return db->display->keyboardState(); }

int KbdStTrn::kbdStateTransition(Databyte* db) {
  KeyboardState& k = keyboard(db);
  for (unsigned int step = 0; step < kMaxSteps; ++step) {
    cachedState = k.state();
    const unsigned char before = cachedState;
    if (processInput(db)) return 1;
    if (k.state() == before) {
      // The keyboard refused the step (it logged why): stay where it is.
      LogMsg(LevelWarning, "QWC0701 keyboard state %u does not move towards %u\n", before,
             static_cast<unsigned int>(db->targetKeyboardState & 0xFF));
      return 1;
    }
  }
  LogMsg(LevelWarning, "QWC0701 keyboard state %u does not reach %u\n",
         static_cast<unsigned int>(k.state()),
         static_cast<unsigned int>(db->targetKeyboardState & 0xFF));
  return 1;
}

int KbdStTrn::processInput(Databyte* db) {
  KeyboardState& k = keyboard(db);
  const unsigned int target = db->targetKeyboardState & 0xFF;
  auto enterError = [&]() {
    k.enterErrorState(errorCode, errorHostMessage, errorColumn, errorEndColumn, 0);
    return 0;
  };
  switch (cachedState) {
    case KeyboardState::kNormalUnlocked:
      if (target == KeyboardState::kError) return enterError();
      if (target == KeyboardState::kNormalLocked) {
        k.enterNormalLockedState();
        return 0;
      }
      return 1;
    case KeyboardState::kSystemRequest:
      if (target == KeyboardState::kError) return enterError();
      k.exitSystemRequestState();
      return 0;
    case KeyboardState::kError:
      if (target == KeyboardState::kError) {
        if (lockInError)
          k.changeErrorStateToLocked();
        else
          k.changeErrorStateToUnlocked();
        return 1;
      }
      k.exitErrorState();
      return 0;
    case KeyboardState::kPostHelpError:
      if (target == KeyboardState::kPostHelpError) {
        // Re-entered: the error behind the help stays, locked or not.
        k.exitPostHelpErrorState();
        if (lockInError)
          k.changeErrorStateToLocked();
        else
          k.changeErrorStateToUnlocked();
        k.enterPostHelpErrorState();
        return 1;
      }
      k.exitPostHelpErrorState();
      return 0;
    case KeyboardState::kNormalLocked:
      if (target == KeyboardState::kError) return enterError();
      if (target == KeyboardState::kNormalUnlocked) {
        k.enterNormalUnlockState();
        return 0;
      }
      return 1;
    case KeyboardState::kDragAndDrop:
      k.exitDragAndDropState();
      return 0;
    case KeyboardState::kTwoMouseEvents:
      k.exitTwoMouseEventState();
      return 0;
    case KeyboardState::kCopy:
      k.exitCopyState();
      return 0;
    case KeyboardState::kPostCopy:
      k.exitPostCopyState();
      return 0;
    case KeyboardState::kWordProcessing:
      if (target == KeyboardState::kWordProcessing) return 1;
      k.exitWPState();
      return 0;
    default:
      // States 5 and 6: no transition is defined.
      return 1;
  }
}
