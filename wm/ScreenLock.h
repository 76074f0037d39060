#pragma once
// The screen lock: a full-screen window that holds the pointer and keyboard
// grabs and animates the sphere until the user proves to be the one who
// logged in (lock password, account password, or card and PIN), with an
// attempt limit that ends the session.
struct LoginDialog;
struct SaverStyle;
struct ScreenState;
struct SimpleWindow;

struct LockScreenRecord {
  SimpleWindow* window;
  ScreenState* state;
  SaverStyle* style;
  LoginDialog* dialog;
  int passwordUnlock;
  int attemptsLeft;
  char* lockPassword;
};

// Locks and returns the record; null when memory runs out or the grabs
// cannot be had (the screen is then left as it was, with a log line).
LockScreenRecord* LockScreen(ScreenState* state, const char* lockPassword);
// Lock now as the desktop's lock command does: the program named by
// QX_LOCK_PROGRAM when set, else (unless already locked) the lock-password
// prompt or the lock itself. The entry point for other lock requests.
void LockScreenNow(ScreenState* state);
// While locked: the lock (and its dialog or message box) stays on top
// and keeps the input focus, whoever tried to take it.
void LockScreenKeepFocus(ScreenState* state);
// 1 while the screen is locked.
int ScreenIsLocked(const ScreenState* state);

void PromptLockPassword(ScreenState* state);
int SetLockPassword(LoginDialog* dialog);
void CancelLockPassword(LoginDialog* dialog);
int VerifyUnlock(LockScreenRecord* lock);
void CloseUnlockDialog(LockScreenRecord* lock);
void UnlockDialogLogoff(LockScreenRecord* lock);
void LockScreenCardRemoved(LockScreenRecord* lock);
void LockScreenCardInserted(LockScreenRecord* lock);
void LockScreenRestoreGrab(LockScreenRecord* lock);
