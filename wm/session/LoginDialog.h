#pragma once
// The dialog that asks for a secret: the log-in screen (user name and
// password, or PIN), the unlock dialog of a locked screen and the entry of a
// new lock password. A simple window of the desktop window with two text
// boxes and two or three buttons that it draws and drives itself.
#include "platform/sdk/TextBox.h"

struct LockScreenRecord;
struct ScreenState;
struct SimpleWindow;

enum LoginDialogMode {
  LoginByPassword = 0,
  LoginByCard = 1,
  UnlockByPassword = 2,
  UnlockByCard = 3,
  EnterLockPassword = 4,
  UnlockByLockPassword = 5,
  LoginDialogThirdButton = 8,  // flag of the mode word
};

enum LoginDialogFocus { FocusButtons = 0, FocusFirstBox = 1, FocusSecondBox = 2 };

struct LoginDialog {
  SimpleWindow* window;
  ScreenState* state;
  int mode;
  int exposed;
  char* title;
  int ownsTitle;
  LockScreenRecord* lock;
  TextBox first;
  int oneBox;
  TextBox second;
  int focus;  // LoginDialogFocus
  int threeButtons;
  int current;  // 0, 1 or 2
  int pressed[3];
  int pressButton;  // the mouse button that pressed a dialog button, -1 none
  const char* labels[3];
  int boxRect[2][4];
  int buttonRect[3][4];
  int width, height;
  int checkFd;  // a check in a child process runs: its pipe, else -1
  void (*checkDone)(LoginDialog* dialog, int fd);
};

// Created, not mapped; null when memory runs out.
LoginDialog* CreateLoginDialog(ScreenState* state, int width, int height, const char* initialText,
                               int modeWord);
void DestroyLoginDialog(LoginDialog* dialog);
void ResetLoginDialog(LoginDialog* dialog);
// Maps the dialog, waits for the server and gives it the keyboard focus.
void ShowLoginDialog(LoginDialog* dialog);
// What Return does: in a box the first button's action, on the buttons the
// current one's (on the log-in screen always the first button's).
void LoginDialogActivate(LoginDialog* dialog);
// The check behind the first button runs in a child process: the dialog
// waits for `fd` to become readable, takes no key or press meanwhile, and
// then hands the descriptor to `done` (the dialog still exists then; its
// destruction drops the check).
void LoginDialogWaitForCheck(LoginDialog* dialog, int fd, void (*done)(LoginDialog* dialog, int fd));
// The first button's action failed after such a wait: as after any failed
// action, the boxes are cleared and the focus returns.
void LoginDialogFailed(LoginDialog* dialog);
