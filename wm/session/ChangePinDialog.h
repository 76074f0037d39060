#pragma once
// Change PIN of the session's smart card, when no desktop program is there
// to run it: a dialog on the desktop with the old PIN, the new PIN and the
// new PIN again in hidden boxes, and Ok and Cancel. Ok asks the card to
// change the PIN and tells what the card answered (tries left included,
// when the card counts them in its answer). The dialog holds the grab
// while it is up.
#include "platform/sdk/TextBox.h"

struct ScreenState;
struct SimpleWindow;

struct ChangePinDialog {
  SimpleWindow* window;
  ScreenState* state;
  TextBox boxes[3];  // old, new, new again
  int focus;         // the box with the keyboard
  int boxRect[3][4];
  int buttonRect[2][4];  // Ok, Cancel
  int pressed;           // the button under a press, -1 none
  int width, height;
  int exposed;
};

// Opens the dialog (an open one is raised); null without a card session or
// when it cannot be made.
ChangePinDialog* OpenChangePinDialog(ScreenState* state);
void CloseChangePinDialog(ScreenState* state);
