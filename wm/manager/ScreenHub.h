#pragma once
// What every part of Teldra shares: the SDK's record of the screen, the
// command line's common options, the atoms, the fonts, the card session and
// the desktop preferences. Each group adds its own part on top (ManagerState,
// ServiceState, ShellState, ScreenState); the process has one of them.
#include <X11/Xlib.h>

#include <ctime>

#include "platform/sdk/SdkScreen.h"

class CardInterpreter;
struct CardVerifier;
struct NLSFont;
struct SimpleWindow;

enum WmAtom {
  AtomMitPriorityColors,
  AtomWmChangeState,
  AtomWmState,
  AtomWmColormapWindows,
  AtomWmProtocols,
  AtomWmTakeFocus,
  AtomWmSaveYourself,
  AtomWmDeleteWindow,
  AtomWmClientMachine,
  AtomWmName,
  AtomWmIconName,
  AtomWmCommand,
  AtomMotifWmHints,
  AtomQxLockScreen,
  AtomNetWmName,
  AtomUtf8String,
  AtomCompoundText,
  AtomWinLayer,
  AtomWinWorkarea,
  AtomQxBorderSizes,
  WmAtomCount
};

struct ScreenHub {
  SdkScreen sdk;  // first: the SDK's callbacks get its address (HubOf)

  int loginMode;
  char* displayName;  // owned
  const char* programName;

  // The time stamp of the last PropertyNotify, twice.
  Time eventTime[2];
  Atom atoms[WmAtomCount];
  SimpleWindow* desktopWindow;

  NLSFont* titleFont;
  NLSFont* generalFont;
  NLSFont* titleFont2;
  NLSFont* largeFont;
  NLSFont* menuFont;
  NLSFont* menuFont2;
  NLSFont* messageBoxFont;

  // The user's session and its card.
  time_t sessionStartTime;
  int locked;
  CardInterpreter* card;  // the card session's handle
  CardVerifier* cardVerifier;
  int cardLogin;  // the session was logged in with a card
};

// The user's desktop preferences with their built-in defaults.
struct DesktopPreferences {
  int disableMinimize;
  int iconPlacement;
  int constrainedMode;
  int anonymous;
  int lockAllowed;
  int specialKeysEnabled;
  int confirmLogoff, logoffBoxSystemModal;
  int confirmLock, lockBoxSystemModal;
  int maxUnlockAttempts;
  int rootMenuEnabled;
  int showLogoffDuringLock;
  int promptForLockPassword;
  int lockWhenScreenSaves;
  int screenSaverDisabled;
  int cardMayStay;
};

// The hub whose SDK record `screen` is.
inline ScreenHub* HubOf(SdkScreen* screen) { return reinterpret_cast<ScreenHub*>(screen); }
