#pragma once
// The decisions of the session window that need no X: which menus and items
// the function resources allow, the icon name of a title mode, the class-hint
// name, the copy/paste mode, and the Thai display flags. The session window
// applies them; tests check them as tables.
#include <string>

// The function resources that gate the window, as one-byte keyword codes
// (session/ResourceKeywords.h). Each session keeps its own copy, so that a
// console session does not strip the menus of the sessions after it.
struct MenuResources {
  unsigned char command, edit, option, control, localPrint, help, changeIPAddress, fontMenu, keyPad,
      playBack, drevask, colorMap, keyRemap;
};

struct AppResourceStruct;
MenuResources MenuResourcesOf(const AppResourceStruct& res);

// The host name of a console session, whose window offers no host functions.
constexpr const char* kConsoleHostName = "*CONSOLE";
// Hides what a console session may not use: command, localPrint, help,
// keyPad, playBack, drevask, colorMap and keyRemap become "disable_and_hide".
void ForceConsoleResources(MenuResources& r);

// One menu item: whether it is created, and whether it starts insensitive.
struct MenuItemPlan {
  bool present = false;
  bool greyed = false;
};

// The menu bar of a session window.
struct SessionMenuPlan {
  bool menuBar = false;
  bool commandMenu = false;   // "cmdCascade": "new5250", "quit"
  bool editMenu = false;      // "editCascade" and the Btn2 pop-up: "paste", "copy", "cut"
  bool optionMenu = false;    // "optCascade"
  bool controlMenu = false;   // "ctlCascade"
  bool printMenu = false;     // "prtCascade"
  bool helpCascade = false;   // "helpCascade"
  // Items of the option menu.
  MenuItemPlan fonts, keypad, customize, record, playback, misc, colormap, keymap, runApplet;
};

// copyPasteAllowed: the session's copy/paste-allowed bit after the edit
// permission; programmingInterface: the session's programming-interface option.
SessionMenuPlan PlanSessionMenus(const MenuResources& r, bool copyPasteAllowed, bool programmingInterface);

// Copy/paste access from COPY_PASTE_ACCESS when the session has no mode:
// 1 all, 2 session only, 3 none.
int CopyPasteModeFromResource(unsigned char copyPasteAccess);

// Local print is allowed for "ENABLE" and "keyboard_only_local_print".
bool LocalPrintAllowed(unsigned char localPrint);

// The icon name of a session by title mode 1-5: 1 title and session id,
// 2 title only, 3 id only, 4 title and host, 5 title, host and id; parts
// joined by " : ". Any other mode is taken as 1.
std::string SessionIconName(int titleMode, const std::string& title, const std::string& host,
                            const std::string& sessionId);

// Text in the locale's multibyte encoding as UTF-8; bytes that the locale
// cannot decode are taken as ISO 8859-1.
std::string LocaleTextToUtf8(const std::string& text);

// The name part of the session shell's class hint.
std::string SessionClassHintName(bool maximized);
// The class part.
constexpr const char* kSessionWindowClass = "QW5250";

// The Thai display flags of THAI_DISPLAY_MODE: 1 none, 2 compose, 3 compose
// and space align, 4 compose and end-of-field align, 5 (and any other value)
// all three.
struct ThaiDisplayFlags {
  bool compose, spaceAlign, endOfFieldAlign;
};
ThaiDisplayFlags ThaiFlagsForMode(int mode);

// The Motif window-manager functions of the session shell: -1 when they are
// not limited, else the MWM_FUNC_* bits that stay.
long SessionShellWmFunctions(const MenuResources& r);

// The four blank-padded digits that the status line shows for a
// communication message number ("7" is "7   "; only the four lowest digits).
std::string CommMessageText(unsigned int number);
