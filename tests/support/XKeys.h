// Keyboard input through the XTEST extension.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace qwtest {

bool HasXTest(Display* display);

// Presses and releases a key, holding the modifier keys (e.g. XK_Shift_L,
// XK_Control_L) around it. False when the keysym has no key on this server.
bool PressKey(Display* display, KeySym key, const std::vector<KeySym>& modifiers = {});
// Holds or releases one key.
bool KeyDown(Display* display, KeySym key);
bool KeyUp(Display* display, KeySym key);

// Gives each keysym that no key of the server has a key of its own (a
// keycode without symbols, both levels the keysym), so PressKey can type
// it. Do it before the client under test starts: its keyboard mapping is then
// read with them. False when there are not enough free keycodes.
bool BindKeysyms(Display* display, const std::vector<KeySym>& keysyms);

// Types printable ASCII text (shift added where the character needs it;
// '\n' is Return, '\t' is Tab). False when a character has no key.
bool TypeText(Display* display, const std::string& text);

}  // namespace qwtest
