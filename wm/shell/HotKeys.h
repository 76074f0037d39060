#pragma once
// The 14 global hot keys: each a binding in the syntax of X Toolkit
// translations ("Ctrl Alt<Key>V"), grabbed on the root window by key code
// (from the server's keyboard mapping) with every combination of the lock
// modifiers.
#include <X11/Xlib.h>

#include <string>

struct QXRegObject;
struct ShellState;

enum HotKeyAction {
  HotKeyWindowClose, HotKeyRootMenu, HotKeyWindowMenu, HotKeyWindowMenuAlt, HotKeyWindowSwitch,
  HotKeyWindowSwitchBack, HotKeyVersion, HotKeyLogoff, HotKeyWindowKill, HotKeyLoginName,
  HotKeyInformation, HotKeyPrintScreen, HotKeyPrintWindow, HotKeyToggleKeys, HotKeyCount
};

struct KeyBinding {
  unsigned int required;  // modifiers that must be down
  unsigned int compared;  // modifiers looked at
  KeySym lower, upper;    // 0: no key (unless printScreen)
  int printScreen;
  int action;
};

// The preference key and built-in binding of a row.
const char* HotKeyPreferenceKey(int action);
const char* HotKeyDefaultBinding(int action);
// The current text of a row (the default until preferences change it).
const std::string& HotKeyText(int action);
void ResetHotKeyTexts();

void ParseKeyBinding(ShellState* state, const char* text, int action, KeyBinding* binding);
void GrabKeyBinding(ShellState* state, const KeyBinding& binding, int synchronous);
void UngrabKeyBinding(ShellState* state, const KeyBinding& binding);
// The action of the first binding that matches the key press, or -1.
int MatchKeyBinding(ShellState* state, const XKeyEvent& event, const KeyBinding* bindings, int count);

// Parses the current texts into the state's bindings and grabs them
// (switcher keys left out with -noswapbox; only the toggle key when the
// special keys are off).
void LoadHotKeys(ShellState* state);
void UnloadHotKeys(ShellState* state);
// Reads the rows' preference keys; changed bindings are grabbed anew
// unless `initial`.
void LoadHotKeyPreferences(ShellState* state, const QXRegObject* object, int initial);
// The toggle key: every other binding is let go, or grabbed again.
void ToggleHotKeys(ShellState* state);
