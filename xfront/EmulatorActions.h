#pragma once
// The action table of the emulator's drawing widget: 141 action names that
// translations, keypads, macros and the programming interface use. The
// procedures registered with the widget class are fixed; what each one does
// is looked up at call time, so the session code can attach the real work
// later. An action without attached work logs at debug level and does nothing.
#include <X11/Intrinsic.h>

#include <cstddef>

enum class EmulatorActionKind {
  Keystroke,  // hands `value` (a keystroke code) to the session
  Mouse,      // a mouse event of kind `value`
  Other,      // a local operation of the window
};

struct EmulatorAction {
  const char* name;
  EmulatorActionKind kind;
  int value;  // keystroke code or mouse kind; -1 for Other
};

constexpr size_t kEmulatorActionCount = 141;

// The table, in class order.
const EmulatorAction* EmulatorActionTable();
// The entry of a name, or null.
const EmulatorAction* FindEmulatorAction(const char* name);

// A new toolkit action list (kEmulatorActionCount entries, delete[] it or
// keep it for good): the toolkit compiles a class's list in place, so each
// user gets its own.
XtActionList EmulatorActionList();

// Attaches the work of one action (null detaches); false for an unknown name.
bool SetEmulatorActionProc(const char* name, XtActionProc proc);
// Attaches the work of every keystroke action at once: called with the
// action's keystroke code. A procedure attached by name takes precedence.
using KeystrokeActionProc = void (*)(Widget w, XEvent* event, int keystrokeCode);
void SetKeystrokeActionProc(KeystrokeActionProc proc);
