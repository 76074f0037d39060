#include "tests/support/XKeys.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace qwtest {

bool HasXTest(Display* display) {
  int ev, err, major, minor;
  return XTestQueryExtension(display, &ev, &err, &major, &minor);
}

static bool fakeKey(Display* display, KeySym key, bool down) {
  KeyCode code = XKeysymToKeycode(display, key);
  if (code == 0) return false;
  XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
  return true;
}

bool KeyDown(Display* display, KeySym key) {
  bool ok = fakeKey(display, key, true);
  XSync(display, False);
  return ok;
}

bool KeyUp(Display* display, KeySym key) {
  bool ok = fakeKey(display, key, false);
  XSync(display, False);
  return ok;
}

bool PressKey(Display* display, KeySym key, const std::vector<KeySym>& modifiers) {
  if (XKeysymToKeycode(display, key) == 0) return false;
  for (KeySym m : modifiers)
    if (!fakeKey(display, m, true)) return false;
  fakeKey(display, key, true);
  fakeKey(display, key, false);
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) fakeKey(display, *it, false);
  XSync(display, False);
  return true;
}

bool BindKeysyms(Display* display, const std::vector<KeySym>& keysyms) {
  int minCode = 0, maxCode = 0, perCode = 0;
  XDisplayKeycodes(display, &minCode, &maxCode);
  KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
  if (!map) return false;
  bool ok = true;
  int code = maxCode;  // free keycodes are taken from the top down
  for (KeySym sym : keysyms) {
    if (XKeysymToKeycode(display, sym) != 0) continue;
    for (; code >= minCode; --code) {
      bool empty = true;
      for (int i = 0; i < perCode; ++i) empty = empty && map[(code - minCode) * perCode + i] == NoSymbol;
      if (empty) break;
    }
    if (code < minCode) {
      ok = false;
      break;
    }
    KeySym both[2] = {sym, sym};
    XChangeKeyboardMapping(display, code, 2, both, 1);
    --code;
  }
  XFree(map);
  XSync(display, False);
  return ok;
}

bool TypeText(Display* display, const std::string& text) {
  for (unsigned char c : text) {
    KeySym sym;
    if (c == '\n')
      sym = XK_Return;
    else if (c == '\t')
      sym = XK_Tab;
    else if (c >= 0x20 && c < 0x7f)
      sym = c;  // Latin-1 keysyms equal the ASCII codes
    else
      return false;
    KeyCode code = XKeysymToKeycode(display, sym);
    if (code == 0) return false;
    // Shifted when the character is the second symbol of its key.
    bool shift = XkbKeycodeToKeysym(display, code, 0, 0) != sym &&
                 XkbKeycodeToKeysym(display, code, 0, 1) == sym;
    if (!PressKey(display, sym, shift ? std::vector<KeySym>{XK_Shift_L} : std::vector<KeySym>{}))
      return false;
  }
  return true;
}

}  // namespace qwtest
