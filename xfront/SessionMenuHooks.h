#pragma once
// The work behind session-window menu items that belongs to other parts of
// the program (helper programs, keypads, the clipboard, font switching, the
// host side's key glue). The window creates the items and calls what is
// attached here; an item without attached work logs at debug level and does
// nothing.
typedef struct _WidgetRec* Widget;
typedef union _XEvent XEvent;
class SessionControlBlock;

enum class SessionMenuCommand : int {
  NewSession,       // Command "new5250"
  Keypad,           // Option "pfkeys"
  CustomizeKeypad,  // Option "customize"
  Miscellaneous,    // Option "misc"
  ColorMap,         // Option "colormap"
  KeyboardRemap,    // Option "keymap"
  RunApplet,        // Option "runApplet"
  Help,             // the help cascade
  Paste,            // Edit "paste"
  Copy,             // Edit "copy"
  Cut,              // Edit "cut"
  Font,             // a toggle of the font menu that became set
  Count
};

// `item` is the activated widget, `event` the event that activated it (may
// be null).
using SessionMenuProc = void (*)(SessionControlBlock* session, Widget item, XEvent* event);
void SetSessionMenuProc(SessionMenuCommand command, SessionMenuProc proc);
SessionMenuProc GetSessionMenuProc(SessionMenuCommand command);

// The host side's key glue: keystroke codes of the Control and Print menus
// and of the drawing widget's key callback. Without it the codes are only
// logged at debug level.
using SessionKeyProc = void (*)(SessionControlBlock* session, const unsigned char* codes, int length);
void SetSessionKeyProc(SessionKeyProc proc);
SessionKeyProc GetSessionKeyProc();
