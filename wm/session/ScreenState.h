#pragma once
// Teldra's central record, one per process: the session's part (options of
// its own, the desktop command, log-in, screen lock and saver, the memory
// monitor) on top of the other groups' parts. The SDK fills the head.
#include <X11/Xlib.h>

#include "wm/shell/ShellState.h"

struct ChangePinDialog;
struct LockScreenRecord;
struct LoginDialog;
struct SaverStyle;

struct ScreenState : ShellState {
  // Options.
  int allowRoot;
  int allowCore;
  int dialUp;
  int servicesStartedInLoginMode;

  int administratorSession;
  const char* desktopCommand;
  const char* adminDesktopCommand;

  long memoryFigures[3];  // the memory monitor's last figures, -1 at start
  unsigned long lowMemoryTimer;
  int lowMemoryCountdown;

  // Log-in, screen lock and screen saver.
  LoginDialog* loginDialog;  // the log-in screen's dialog
  int cardReader;            // QX_SMARTCARD_DEVICE is set
  unsigned char cardDigest[16];  // MD5 of the credential data read at log-in
  int administratorCard;
  int passwordFallback;
  LockScreenRecord* lockRecord;
  ChangePinDialog* changePinDialog;  // Teldra's own Change PIN dialog, when up
  unsigned long cardPollTimer;  // the card reader's presence poll, 0 none
  int saverActive;
  int saverStartState;  // 1 starting, 0 ready, 2 no extension
  int saverEventBase, saverErrorBase;
  SimpleWindow* saverWindow;
  Window saverServerWindow;
  int saverStyleCounter;
  SaverStyle* saverStyle;
};

// The state whose SDK record `screen` is.
inline ScreenState* StateOf(SdkScreen* screen) { return static_cast<ScreenState*>(HubOf(screen)); }

// The one ScreenState of the process, for signal callbacks and child reports.
ScreenState* TheScreenState();
void SetTheScreenState(ScreenState* state);
