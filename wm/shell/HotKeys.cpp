#include "wm/shell/HotKeys.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <strings.h>

#include <cstring>

#include "platform/QXRegistry.h"
#include "wm/shell/ShellState.h"

namespace {

struct Row {
  const char* key;
  const char* binding;
  int synchronous;
};

constexpr Row kRows[HotKeyCount] = {
    {"key_window_close", "Alt<Key>F4", 0},
    {"key_root_menu", "Alt<Key>F10", 0},
    {"key_window_menu", "Alt<Key>space", 0},
    {"key_window_menu_alt", "Alt<Key>minus", 0},
    {"key_window_switch", "~Shift Alt<Key>Tab", 1},
    {"key_window_switch_back", "Shift Alt<Key>Tab", 1},
    {"key_version", "Ctrl Alt<Key>V", 0},
    {"key_logoff", "Ctrl Alt<Key>BackSpace", 0},
    {"key_window_kill", "Ctrl Alt<Key>Delete", 0},
    {"key_login_name", "Ctrl Alt<Key>L", 0},
    {"key_information", "Ctrl Alt<Key>I", 0},
    {"key_print_screen", "~Alt<Key>PrtSc", 0},
    {"key_print_window", "Alt<Key>PrtSc", 0},
    {"key_toggle_keys", "Shift Ctrl Alt<Key>F11", 0},
};

std::string& Text(int action) {
  static std::string texts[HotKeyCount];
  static bool set = false;
  if (!set) {
    for (int i = 0; i < HotKeyCount; ++i) texts[i] = kRows[i].binding;
    set = true;
  }
  return texts[action];
}

bool Separator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '+' || c == '-'; }

unsigned int ModifierOfKeysyms(ShellState* s, KeySym a, KeySym b) {
  Display* d = s->sdk.display;
  XModifierKeymap* map = XGetModifierMapping(d);
  if (!map) return 0;
  unsigned int bits = 0;
  for (KeySym sym : {a, b}) {
    if (!sym) continue;
    const KeyCode code = XKeysymToKeycode(d, sym);
    if (!code) continue;
    for (int m = 0; m < 8; ++m)
      for (int k = 0; k < map->max_keypermod; ++k)
        if (map->modifiermap[m * map->max_keypermod + k] == code) bits |= 1u << m;
  }
  XFreeModifiermap(map);
  return bits;
}

unsigned int ModifierBits(ShellState* s, const std::string& word) {
  static const struct {
    const char* name;
    unsigned int bits;
  } kFixed[] = {{"Ctrl", ControlMask}, {"c", ControlMask},   {"Shift", ShiftMask},     {"s", ShiftMask},
                {"Lock", LockMask},    {"l", LockMask},      {"Mod1", Mod1Mask},       {"Mod2", Mod2Mask},
                {"Mod3", Mod3Mask},    {"Mod4", Mod4Mask},   {"Mod5", Mod5Mask},       {"Button1", Button1Mask},
                {"Button2", Button2Mask}, {"Button3", Button3Mask}, {"Button4", Button4Mask},
                {"Button5", Button5Mask}};
  for (const auto& f : kFixed)
    if (!strcasecmp(word.c_str(), f.name)) return f.bits;
  if (!strcasecmp(word.c_str(), "Alt") || !strcasecmp(word.c_str(), "a")) return s->altMask;
  if (!strcasecmp(word.c_str(), "Meta") || !strcasecmp(word.c_str(), "m"))
    return ModifierOfKeysyms(s, XK_Meta_L, XK_Meta_R);
  if (!strcasecmp(word.c_str(), "Hyper") || !strcasecmp(word.c_str(), "h"))
    return ModifierOfKeysyms(s, XK_Hyper_L, XK_Hyper_R);
  if (!strcasecmp(word.c_str(), "Super") || !strcasecmp(word.c_str(), "su"))
    return ModifierOfKeysyms(s, XK_Super_L, XK_Super_R);
  if (word.size() > 1 && word[0] == '@') {
    const KeySym sym = XStringToKeysym(word.c_str() + 1);
    return sym == NoSymbol ? 0 : ModifierOfKeysyms(s, sym, 0);
  }
  return 0;
}

// The key code of a print-screen binding: the key that sends Sys_Req with
// Alt, else the one that sends Print.
KeyCode PrintScreenCode(ShellState* s, const KeyBinding& b) {
  Display* d = s->sdk.display;
  if (b.required & s->altMask) {
    if (KeyCode c = XKeysymToKeycode(d, XK_Sys_Req)) return c;
  }
  return XKeysymToKeycode(d, XK_Print);
}

KeyCode CodeOf(ShellState* s, const KeyBinding& b) {
  if (b.printScreen) return PrintScreenCode(s, b);
  if (!b.lower) return 0;
  return XKeysymToKeycode(s->sdk.display, b.lower);
}

// The eight combinations of the lock modifiers not already compared.
template <typename F>
void ForEachLockCombination(ShellState* s, const KeyBinding& b, F f) {
  const unsigned int locks[3] = {LockMask, s->numLockMask, s->scrollLockMask};
  for (int i = 0; i < 8; ++i) {
    unsigned int mods = b.required;
    for (int k = 0; k < 3; ++k)
      if ((i & (1 << k)) && locks[k] && !(b.compared & locks[k])) mods |= locks[k];
    f(mods);
  }
}

bool Grabbed(ShellState* s, int action) {
  if (s->noSwitchBox && (action == HotKeyWindowSwitch || action == HotKeyWindowSwitchBack)) return false;
  return s->specialKeysEnabled || action == HotKeyToggleKeys;
}

}  // namespace

const char* HotKeyPreferenceKey(int action) { return action >= 0 && action < HotKeyCount ? kRows[action].key : ""; }
const char* HotKeyDefaultBinding(int action) {
  return action >= 0 && action < HotKeyCount ? kRows[action].binding : "";
}
const std::string& HotKeyText(int action) { return Text(action); }
void ResetHotKeyTexts() {
  for (int i = 0; i < HotKeyCount; ++i) Text(i) = kRows[i].binding;
}

void ParseKeyBinding(ShellState* s, const char* text, int action, KeyBinding* b) {
  *b = KeyBinding{};
  b->action = action;
  if (!text) return;
  std::string t(text);
  if (t.size() >= 1024) return;
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n')) t.pop_back();
  size_t i = 0;
  bool negate = false, exact = false;
  while (i < t.size() && t[i] != '<' && t[i] != '"') {
    const char c = t[i];
    if (Separator(c)) {
      ++i;
      continue;
    }
    if (c == '!') {
      b->compared = ~0u;
      ++i;
      continue;
    }
    if (c == '~') {
      negate = true;
      ++i;
      continue;
    }
    if (c == ':') {
      exact = true;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < t.size() && !Separator(t[end]) && t[end] != '<' && t[end] != '"' && t[end] != '!' &&
           t[end] != '~' && t[end] != ':')
      ++end;
    const std::string word = t.substr(i, end - i);
    i = end;
    if (word == "Any") {
    } else if (word == "None") {
      b->required = 0;
      b->compared = ~0u;
    } else {
      const unsigned int bits = ModifierBits(s, word);
      b->compared |= bits;
      if (!negate) b->required |= bits;
    }
    negate = false;
  }
  if (i < t.size() && t[i] == '<') {
    const size_t close = t.find('>', i);
    if (close == std::string::npos) return;
    i = close + 1;
    if (i < t.size() && t[i] == '(') {
      const size_t end = t.find(')', i);
      if (end == std::string::npos) return;
      i = end + 1;
    }
    if (i >= t.size()) return;
  }
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  if (i >= t.size()) return;
  KeySym sym = NoSymbol;
  if (t[i] == '"') {
    ++i;
    for (;;) {
      if (i >= t.size()) return;
      if (t[i] == '^') {
        b->required |= ControlMask;
        b->compared |= ControlMask;
        ++i;
      } else if (t[i] == '$') {
        const unsigned int meta = ModifierOfKeysyms(s, XK_Meta_L, XK_Meta_R);
        b->required |= meta;
        b->compared |= meta;
        ++i;
      } else {
        break;
      }
    }
    if (t[i] == '\\' && i + 1 < t.size()) ++i;
    sym = static_cast<unsigned char>(t[i]);
  } else {
    size_t end = i;
    while (end < t.size() && t[end] != ' ' && t[end] != '\t') ++end;
    const std::string name = t.substr(i, end - i);
    if (name == "PrintScreen" || name == "PrtSc") {
      b->printScreen = 1;
      return;
    }
    if (name == "NoSymbol") return;
    sym = XStringToKeysym(name.c_str());
    if (sym == NoSymbol) return;
  }
  if (exact) {
    b->lower = b->upper = sym;
  } else {
    XConvertCase(sym, &b->lower, &b->upper);
  }
}

void GrabKeyBinding(ShellState* s, const KeyBinding& b, int synchronous) {
  const KeyCode code = CodeOf(s, b);
  if (!code) return;
  Display* d = s->sdk.display;
  ForEachLockCombination(s, b, [&](unsigned int mods) {
    XGrabKey(d, code, mods, s->sdk.root, True, GrabModeAsync, synchronous ? GrabModeSync : GrabModeAsync);
  });
}

void UngrabKeyBinding(ShellState* s, const KeyBinding& b) {
  const KeyCode code = CodeOf(s, b);
  if (!code) return;
  Display* d = s->sdk.display;
  ForEachLockCombination(s, b, [&](unsigned int mods) { XUngrabKey(d, code, mods, s->sdk.root); });
}

int MatchKeyBinding(ShellState* s, const XKeyEvent& e, const KeyBinding* bindings, int count) {
  XKeyEvent copy = e;
  KeySym sym = XLookupKeysym(&copy, 0);
  if (sym == XK_Print || sym == XK_Sys_Req) sym = 0;
  const KeyCode print = XKeysymToKeycode(s->sdk.display, XK_Print);
  const KeyCode sysReq = XKeysymToKeycode(s->sdk.display, XK_Sys_Req);
  for (int i = 0; i < count; ++i) {
    const KeyBinding& b = bindings[i];
    if ((e.state & b.compared) != b.required) continue;
    if (sym) {
      if (!b.printScreen && b.lower && (sym == b.lower || sym == b.upper)) return b.action;
    } else if (b.printScreen && e.keycode && (e.keycode == print || e.keycode == sysReq)) {
      return b.action;
    }
  }
  return -1;
}

void LoadHotKeys(ShellState* s) {
  for (int i = 0; i < HotKeyCount; ++i) {
    ParseKeyBinding(s, Text(i).c_str(), i, &s->hotKeys[i]);
    if (Grabbed(s, i)) GrabKeyBinding(s, s->hotKeys[i], kRows[i].synchronous);
  }
  s->hotKeyCount = HotKeyCount;
}

void UnloadHotKeys(ShellState* s) {
  for (int i = 0; i < s->hotKeyCount; ++i)
    if (Grabbed(s, i)) UngrabKeyBinding(s, s->hotKeys[i]);
}

void LoadHotKeyPreferences(ShellState* s, const QXRegObject* o, int initial) {
  bool changed = false;
  for (int i = 0; i < HotKeyCount; ++i) {
    const char* v = QXRegGetStringValue(o, kRows[i].key);
    if (v && Text(i) != v) {
      Text(i) = v;
      changed = true;
    }
  }
  if (changed && !initial) {
    UnloadHotKeys(s);
    LoadHotKeys(s);
  }
}

void ToggleHotKeys(ShellState* s) {
  for (int i = 0; i < s->hotKeyCount; ++i) {
    if (i == HotKeyToggleKeys) continue;
    if (s->noSwitchBox && (i == HotKeyWindowSwitch || i == HotKeyWindowSwitchBack)) continue;
    if (s->specialKeysEnabled)
      UngrabKeyBinding(s, s->hotKeys[i]);
    else
      GrabKeyBinding(s, s->hotKeys[i], kRows[i].synchronous);
  }
  s->specialKeysEnabled = !s->specialKeysEnabled;
}
