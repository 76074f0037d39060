#pragma once
// Teldra's central record, one per process; almost every function of the
// window manager takes it first. The SDK fills the head.
#include <X11/Xlib.h>

#include <ctime>

#include "platform/sdk/SdkScreen.h"
#include "wm/shell/HotKeys.h"

class CardInterpreter;
struct CardVerifier;
struct ClassRecord;
struct CommandService;
struct LockScreenRecord;
struct LoginDialog;
struct SaverStyle;
struct ManagedWindow;
struct NLSFont;
struct SimpleMenu;
struct SimpleWindow;
struct TempregService;
struct WindowSwitcher;

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

struct ScreenState {
  SdkScreen sdk;  // first: the SDK's callbacks get its address

  // Options.
  int loginMode;
  int noSwitchBox;
  int allowRoot;
  int allowCore;
  int dialUp;
  int opaqueMoves;
  int servicesStartedInLoginMode;
  char* displayName;  // owned
  const char* programName;

  // Work area: left, top, right, bottom.
  int workArea[4];

  // Preferences with their built-in defaults.
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

  // Session.
  time_t sessionStartTime;
  int locked;
  int serviceClientSeen;
  int serviceClientCount;
  int administratorSession;
  const char* desktopCommand;
  const char* adminDesktopCommand;

  // The time stamp of the last PropertyNotify, twice.
  Time eventTime[2];

  // Start-up values.
  Atom atoms[WmAtomCount];
  unsigned int altMask, numLockMask, scrollLockMask;
  int iconCell[4];       // desktop icon cell geometry: 32, 32, 96, 64
  long memoryFigures[3];  // the memory monitor's last figures, -1 at start
  SimpleWindow* desktopWindow;

  // Managed clients, newest first, and what their frames draw with.
  ManagedWindow* managedWindows;
  ManagedWindow* stackTop;      // the topmost top-level frame
  ManagedWindow* activeWindow;  // focused most recently
  Window focusedClient;         // the client last given the focus, 0 for pointer root
  ManagedWindow* pressedWindow; // the frame that holds a press on its decoration
  ClassRecord* classRecords;    // remembered geometry per class key, newest first
  Colormap installedColormap, lastColormap;
  int colormapRepeats;
  Colormap serviceColormap;
  int systemColormapFlag;
  Colormap systemColormap;
  int defaultColormapInstalled;
  GC frameGC;
  unsigned long frameFace, frameHighlight, frameShadow, titleBackground, titleText;
  unsigned long inactiveTitleBackground, inactiveTitleText;
  GC outlineGC;
  GC iconGC;
  unsigned long iconLabelBackground, iconLabelText;
  int desktopIconCount;  // icons laid out at the last clearing of the root
  SimpleMenu* windowMenu;
  ManagedWindow* windowMenuFrame;  // the frame the window menu is up for
  SimpleMenu* rootMenu;
  SimpleMenu* iconPlacementMenu;
  WindowSwitcher* switcher;  // while Alt+Tab is held
  KeyBinding hotKeys[HotKeyCount];
  int hotKeyCount;
  Time lastIconPress;  // of the select button on a desktop icon

  // Appearance.
  NLSFont* titleFont;
  NLSFont* generalFont;
  NLSFont* titleFont2;
  NLSFont* largeFont;
  NLSFont* menuFont;
  NLSFont* menuFont2;
  NLSFont* messageBoxFont;
  int backgroundFromServerPrefs;
  Pixmap backgroundTile;
  Pixmap defaultIcon, defaultIconMask;
  Pixmap shellIcon, shellIconMask;  // of toolkit shell windows, made on first use
  char* splashFile;  // owned
  Pixmap splashPixmap;  // the splash picture scaled to the screen, while at the log-in screen
  int splashMissing;    // the splash file could not be read
  TempregService* tempreg;
  unsigned long lowMemoryTimer;
  int lowMemoryCountdown;
  CommandService* commandService;  // the "teldra" local service
  // The colour theme's published pictures and its menu.
  Pixmap toolbarPixmap, appbarPixmap, themeBackgroundPixmap;
  SimpleMenu* themeMenu;

  // Log-in, screen lock and screen saver.
  LoginDialog* loginDialog;  // the log-in screen's dialog
  int cardReader;            // QX_SMARTCARD_DEVICE is set
  CardInterpreter* card;     // the card session's handle
  CardVerifier* cardVerifier;
  unsigned char cardDigest[16];  // MD5 of the credential data read at log-in
  int cardLogin;                 // the session was logged in with a card
  int administratorCard;
  int passwordFallback;
  LockScreenRecord* lockRecord;
  unsigned long cardPollTimer;  // the card reader's presence poll, 0 none
  int saverActive;
  int saverStartState;  // 1 starting, 0 ready, 2 no extension
  int saverEventBase, saverErrorBase;
  SimpleWindow* saverWindow;
  Window saverServerWindow;
  int saverStyleCounter;
  SaverStyle* saverStyle;
};

// The one ScreenState of the process, for signal callbacks and child reports.
ScreenState* TheScreenState();
void SetTheScreenState(ScreenState* state);
