#pragma once
// The screen lock: a full-screen window that holds the pointer and keyboard
// grabs and animates the sphere until the user proves to be the one who
// logged in (lock password, account password, or card and PIN), with an
// attempt limit that ends the session.
#include <X11/Xlib.h>

struct LockWindowOwner;
struct LoginDialog;
struct SaverStyle;
struct ScreenState;
struct SimpleWindow;

struct LockScreenRecord {
  SimpleWindow* window;
  LockWindowOwner* owner;  // the window's own connection, null when Teldra's owns it
  ScreenState* state;
  SaverStyle* style;
  LoginDialog* dialog;
  int passwordUnlock;
  int attemptsLeft;
  char* lockPassword;
  int grabbed;             // the pointer and keyboard are Teldra's
  int ungrabbedTicks;      // watch ticks without the grabs
  unsigned long watchTimer;
  int exhausted;           // the attempt limit was reached: the session ends
  unsigned long endTimer;
  int reserve;             // the record kept for a lock without memory
};

// Locks and returns the record. The lock fails closed: without memory it
// uses a record kept for the purpose, and when another client holds the
// pointer or keyboard the lock window covers the screen while the grabs
// are tried again until they are had. Null only when already locked or no
// window can be made (with a log line).
LockScreenRecord* LockScreen(ScreenState* state, const char* lockPassword);
// While locked, the desktop window's events: a top-level window mapped,
// moved in the stacking order or circulated puts the lock back on top.
void LockScreenWatchStacking(ScreenState* state, XEvent* event);
// A child ended: 1 when it was the lock program of QX_LOCK_PROGRAM. Unless
// it exited with status 0 (the user unlocked it) Teldra locks the screen
// itself: the program could not be run, crashed or was killed.
int LockProgramEnded(ScreenState* state, int pid, int status);
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
// The unlock dialog's first button: 1 unlocked, 0 refused, 2 while the
// account password's check runs (the dialog is told how it ended).
int VerifyUnlock(LockScreenRecord* lock);
void CloseUnlockDialog(LockScreenRecord* lock);
void UnlockDialogLogoff(LockScreenRecord* lock);
void LockScreenCardRemoved(LockScreenRecord* lock);
void LockScreenCardInserted(LockScreenRecord* lock);
void LockScreenRestoreGrab(LockScreenRecord* lock);
