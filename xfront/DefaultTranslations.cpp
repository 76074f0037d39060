#include "xfront/DefaultTranslations.h"

#include <cstdio>
#include <cstring>

#include "xfront/VendorKeysyms.h"

namespace {

// Collects translation lines; keys with a Motif virtual keysym get the same
// line again for that keysym.
class Lines {
 public:
  explicit Lines(bool (*known)(const char*)) : known_(known) {}

  void add(const char* mods, const char* key, const char* action, const char* osfKey = nullptr) {
    one(mods, key, action);
    if (osfKey) one(mods, osfKey, action);
  }
  // "Alt or Mod2": one line with each modifier.
  void altOrMod2(const char* key, const char* action, const char* osfKey = nullptr) {
    add("Alt", key, action, osfKey);
    add("Mod2", key, action, osfKey);
  }
  void raw(const char* text) { text_ += text; }
  std::string take() { return std::move(text_); }

 private:
  void one(const char* mods, const char* key, const char* action) {
    text_ += mods;
    text_ += "<Key>";
    text_ += keyName(key);
    text_ += ": ";
    text_ += action;
    text_ += " \n";
  }
  std::string keyName(const char* key) const {
    if (!known_) return key;
    for (const VendorKeysym& v : kVendorKeysyms) {
      if (std::strcmp(v.name, key) == 0 && !known_(key)) {
        char hex[24];
        std::snprintf(hex, sizeof hex, "0x%lx", v.value);
        return hex;
      }
    }
    return key;
  }
  bool (*known_)(const char*);
  std::string text_;
};

const char* const kMouseAndCatchAll =
    "Shift<Btn1Motion>: mouse-move() \n"
    "Shift<Btn1Down>: shift-btn1-press() \n"
    "Shift<Btn1Up>: shift-btn1-release() \n"
    "Shift<Btn2Motion>: mouse-move() \n"
    "Shift<Btn2Down>: shift-btn2-press() \n"
    "Shift<Btn2Up>: shift-btn2-release() \n"
    "Shift<Btn3Motion>: mouse-move() \n"
    "Shift<Btn3Down>: shift-btn3-press() \n"
    "Shift<Btn3Up>: shift-btn3-release() \n"
    "<Btn1Motion>: mouse-move() \n"
    "<Btn1Down>: btn1-press() \n"
    "<Btn1Up>: btn1-release() \n"
    "<Btn2Motion>: mouse-move() \n"
    "<Btn2Down>: btn2-press() \n"
    "<Btn2Up>: btn2-release() \n"
    "<Btn3Motion>: mouse-move() \n"
    "<Btn3Down>: btn3-press() \n"
    "<Btn3Up>: btn3-release() \n"
    "Ctrl<Key>: noop() \n"
    "Shift<Key>: string() \n"
    "<Key>: string()";

// Alt-letter bindings of the text-assist functions, in table order.
struct Letter {
  const char* key;
  const char* action;
};
const Letter k5250Letters[] = {
    {"a", "textsymbolscmdprompt()"}, {"b", "textintensify()"},    {"d", "textaltd()"},
    {"h", "texthalfindexdown()"},    {"i", "displaytextsymb()"},  {"j", "textendattribute()"},
    {"l", "extended()"},             {"n", "textstopcodeadvance()"}, {"p", "textpageend()"},
    {"s", "textstopcodefunction()"}, {"t", "textrqtabfunction()"}, {"u", "textunderscore()"},
    {"w", "textwordunderscore()"},   {"y", "texthalfindexup()"},  {"c", "textcent()"},
    {"m", "reverseVid()"},           {"f", "farsi()"},            {"g", "reverse-scn()"},
    {"r", "reverse()"},              {"v", "base()"},             {"z", "close()"},
};
const Letter kPcLetters[] = {
    {"a", "textsymbolscmdprompt()"}, {"b", "textintensify()"},    {"d", "textaltd()"},
    {"h", "texthalfindexdown()"},    {"i", "displaytextsymb()"},  {"j", "textendattribute()"},
    {"n", "textstopcodeadvance()"},  {"p", "textpageend()"},      {"s", "textstopcodefunction()"},
    {"t", "textrqtabfunction()"},    {"u", "textunderscore()"},   {"w", "textwordunderscore()"},
    {"y", "texthalfindexup()"},      {"c", "textcent()"},         {"6", "textcent()"},
};

// The three fixed texts of a 5250 keyboard.
std::string Build5250(bool (*known)(const char*)) {
  Lines l(known);
  // Function keys.
  l.add("Shift", "Z3270_Attn", "sysreq()");
  l.add("", "Z3270_Attn", "attention()");
  l.altOrMod2("Clear", "clear()", "osfClear");
  l.add("", "Z3270_CursorSelect", "cursor-select()");
  l.add("Shift", "Z3270_EraseInput", "erase-input()");
  l.add("", "Z3270_EraseInput", "erase-eof()");
  l.add("Shift", "Z3270_PrintScreen", "local-screen-print()");
  l.add("", "Z3270_PrintScreen", "print()");
  l.altOrMod2("Help", "hex-entry()");
  l.add("", "Help", "help()");
  l.altOrMod2("Z3270_Play", "testreq()");
  l.add("", "Z3270_Play", "play()");
  l.add("", "Z3270_Record", "record()");
  l.add("Shift", "Z3270_BackTab", "pa1()");
  l.add("", "Z3270_BackTab", "backtab()");
  l.add("Shift", "Z3270_Duplicate", "pa2()");
  l.add("", "Z3270_Duplicate", "dup()");
  l.altOrMod2("Z3270_FieldMark", "displaytextsymb()");
  l.add("Shift", "Z3270_FieldMark", "pa3()");
  l.add("", "Z3270_FieldMark", "field-mark()");
  l.add("", "Linefeed", "newline()");
  // Cursor and field keys.
  l.add("Alt", "Insert", "menu-bar-focus()", "osfInsert");
  l.add("", "Insert", "insert()", "osfInsert");
  l.add("", "Delete", "delete()", "osfDelete");
  struct Arrow {
    const char *key, *osf, *alt, *shift, *plain;
  };
  const Arrow arrows[] = {
      {"Up", "osfUp", "texttopofpage()", "rollup()", "up()"},
      {"Down", "osfDown", "textbottomofpage()", "rolldown()", "down()"},
      {"Left", "osfLeft", "textbeginofline()", "fastleft()", "left()"},
      {"Right", "osfRight", "end()", "fastright()", "right()"},
  };
  for (const Arrow& a : arrows) {
    l.altOrMod2(a.key, a.alt, a.osf);
    l.add("Shift", a.key, a.shift, a.osf);
    l.add("", a.key, a.plain, a.osf);
  }
  l.altOrMod2("Z3270_Rule", "home()");
  l.add("", "Z3270_Rule", "ruleline()");
  l.add("", "BackSpace", "backspace()", "osfBackSpace");
  l.altOrMod2("Tab", "textrqtabfunction()");
  l.add("Shift", "Tab", "tabfunction()");
  l.add("", "Tab", "tabadvancefunction()");
  l.altOrMod2("Z5250_FieldExit", "textcarrierreturn()");
  l.add("", "Z5250_FieldExit", "fieldexit()");
  l.add("", "Z3270_Reset", "reset()");
  l.altOrMod2("Z5250_FieldMinus", "textcarrierreturn()");
  l.add("", "Z5250_FieldMinus", "fieldminus()");
  l.altOrMod2("Z5250_FieldPlus", "textcarrierreturn()");
  l.add("", "Z5250_FieldPlus", "fieldplus()");
  l.add("", "Z5250_CharAdvance", "charadvance()");
  l.add("", "Return", "enter()");
  // Keypad, function keys, Alt letters and the mouse.
  const char* const scroll[10] = {nullptr, nullptr, "scroll_image_down()", nullptr, "scroll_image_left()",
                                  nullptr, "scroll_image_right()", nullptr, "scroll_image_up()", nullptr};
  for (int d : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
    char key[8], action[16];
    std::snprintf(key, sizeof key, "KP_%d", d);
    std::snprintf(action, sizeof action, "string(%d)", d);
    if (scroll[d]) l.add("Alt", key, scroll[d]);
    l.add("", key, action);
  }
  l.add("", "KP_Decimal", "string()");
  l.add("", "KP_Separator", "string()");
  for (int f = 1; f <= 24; ++f) {
    char key[8], action[16];
    std::snprintf(key, sizeof key, "F%d", f);
    std::snprintf(action, sizeof action, "pf%d()", f);
    if (f == 1) l.add("", "osfHelp", action);
    if (f == 10) l.add("", "osfMenuBar", action);
    l.add("", key, action);
  }
  l.altOrMod2("space", "textrqspace()");
  for (const Letter& k : k5250Letters) l.altOrMod2(k.key, k.action);
  l.raw(kMouseAndCatchAll);
  return l.take();
}

std::string BuildPc(int keyboardId, bool (*known)(const char*)) {
  Lines l(known);
  // Cancel and Scroll Lock.
  l.add("Alt", "Cancel", "testreq()");
  l.add("", "Cancel", "help()");
  l.add("Alt", "Scroll_Lock", "testreq()");
  l.add("", "Scroll_Lock", "help()");
  // Print, page keys and Escape.
  l.add("Alt", "Print", "sysreq()");
  l.add("Shift", "Print", "local-screen-print()");
  l.add("", "Print", "print()");
  l.add("Alt", "7", "hex-entry()");
  l.add("Alt", "Prior", "play()", "osfPageUp");
  l.add("Shift", "Prior", "clear()", "osfPageUp");
  l.add("", "Prior", "rolldown()", "osfPageUp");
  l.add("Alt", "Next", "ruleline()", "osfPageDown");
  l.add("Shift", "Next", "pa3()", "osfPageDown");
  l.add("", "Next", "rollup()", "osfPageDown");
  l.add("Shift", "Escape", "attention()");
  l.add("", "Escape", "attention()");
  l.add("", "osfCancel", "attention()");
  // Image scrolling and copy adjustment.
  l.add("Alt", "KP_4", "scroll_image_left()");
  l.add("Alt", "KP_6", "scroll_image_right()");
  l.add("Alt", "KP_2", "scroll_image_down()");
  l.add("Alt", "KP_8", "scroll_image_up()");
  l.add("Ctrl Alt Shift", "Up", "toggle-default-copy-type()", "osfUp");
  const char* const arrows[4][4] = {{"Up", "osfUp", "adjust-copy-anchor-up()", "adjust-copy-up()"},
                                    {"Down", "osfDown", "adjust-copy-anchor-down()", "adjust-copy-down()"},
                                    {"Left", "osfLeft", "adjust-copy-anchor-left()", "adjust-copy-left()"},
                                    {"Right", "osfRight", "adjust-copy-anchor-right()", "adjust-copy-right()"}};
  for (const auto& a : arrows) {
    l.add("Ctrl Shift", a[0], a[2], a[1]);
    l.add("Ctrl", a[0], a[3], a[1]);
  }
  l.add("Ctrl", "x", "cut()");
  l.add("Ctrl", "c", "copy()");
  l.add("Ctrl", "v", "paste()");
  // The keys the window manager keeps for itself.
  l.add("Alt", "space", "noop()");
  l.add("Alt", "Tab", "noop()");
  l.add("Alt Shift", "Tab", "noop()");
  l.add("Alt", "Escape", "noop()");
  for (const char* f : {"F6", "F5", "F7", "F8", "F9", "F10", "F3", "F4"}) l.add("Alt", f, "noop()");
  // Main PC bindings.
  l.add("Alt", "Home", "record()", "osfBeginLine");
  l.add("Shift", "Home", "field-mark()", "osfBeginLine");
  l.add("", "Home", "home()", "osfBeginLine");
  l.add("Shift", "Tab", "backtab()");
  l.add("", "Tab", "tab()");
  l.add("Alt", "End", "erase-input()", "osfEndLine");
  l.add("Shift", "End", "pa2()", "osfEndLine");
  l.add("", "End", "end()", "osfEndLine");
  l.add("Alt", "Insert", "cursor-select()", "osfInsert");
  l.add("Shift", "Insert", "dup()", "osfInsert");
  l.add("", "Insert", "insert()", "osfInsert");
  l.add("Alt", "Delete", "erase-eof()", "osfDelete");
  l.add("Shift", "Delete", "pa1()", "osfDelete");
  l.add("", "Delete", "delete()", "osfDelete");
  l.add("Shift", "BackSpace", "charadvance()", "osfBackSpace");
  l.add("", "BackSpace", "backspace()", "osfBackSpace");
  l.add("", "Control_L", "reset()");
  l.add("Shift", "Up", "texttopofpage()", "osfUp");
  l.add("Alt", "Up", "menu-bar-focus()", "osfUp");
  l.add("", "Up", "up()", "osfUp");
  l.add("Shift", "Down", "textbottomofpage()", "osfDown");
  l.add("", "Down", "down()", "osfDown");
  l.add("Shift", "Left", "textbeginofline()", "osfLeft");
  l.add("Alt", "Left", "fastleft()", "osfLeft");
  l.add("", "Left", "left()", "osfLeft");
  l.add("Shift", "Right", "end()", "osfRight");
  l.add("Alt", "Right", "fastright()", "osfRight");
  l.add("", "Right", "right()", "osfRight");
  l.add("Alt", "Return", "textcarrierreturn()");
  l.add("Shift", "Return", "enter()");
  l.add("", "Return", "enter()");
  l.add("", "KP_Enter", "enter()");
  l.add("", "osfActivate", "enter()");
  for (const Letter& k : kPcLetters) l.add("Alt", k.key, k.action);
  for (int f = 1; f <= 12; ++f) {
    char key[8], shifted[16], plain[16];
    std::snprintf(key, sizeof key, "F%d", f);
    std::snprintf(shifted, sizeof shifted, "pf%d()", f + 12);
    std::snprintf(plain, sizeof plain, "pf%d()", f);
    if (f == 1) {
      l.add("Shift", "osfHelp", shifted);
      l.add("", "osfHelp", plain);
    }
    if (f == 10) {
      l.add("Shift", "osfMenuBar", shifted);
      l.add("", "osfMenuBar", plain);
    }
    l.add("Shift", key, shifted);
    l.add("", key, plain);
  }
  for (int f = 13; f <= 24; ++f) {
    char key[8], action[16];
    std::snprintf(key, sizeof key, "F%d", f);
    std::snprintf(action, sizeof action, "pf%d()", f);
    l.add("", key, action);
  }
  // The keypad with Mod5: digits and signs.
  l.add("Mod5", "KP_Add", "string(+)");
  l.add("Mod5", "KP_Subtract", "string(-)");
  for (int d : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
    char key[8], action[16];
    std::snprintf(key, sizeof key, "KP_%d", d);
    std::snprintf(action, sizeof action, "string(%d)", d);
    l.add("Mod5", key, action);
  }
  l.add("Mod5", "KP_Separator", "string()");
  l.add("Mod5", "KP_Decimal", "string()");
  l.raw(KeypadDivideMultiplyLines(keyboardId).c_str());
  // Final bindings: the keypad as cursor keys, font keys, the rest.
  l.add("", "KP_Add", "fieldexit()");
  l.add("", "KP_Subtract", "fieldminus()");
  const char* const keypad[10] = {"insert()", "end()",  "down()", "rollup()", "left()",
                                  "nothing()", "right()", "home()", "up()",     "rolldown()"};
  for (int d : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
    char key[8];
    std::snprintf(key, sizeof key, "KP_%d", d);
    l.add("", key, keypad[d]);
  }
  l.add("", "KP_Separator", "delete()");
  l.add("", "KP_Decimal", "delete()");
  l.add("", "Execute", "newline()");
  l.add("", "Control_R", "newline()");
  l.add("", "Clear", "clear()");
  l.add("Alt Shift", "F", "narrower-font()");
  l.add("Alt", "f", "wider-font()");
  l.add("Alt Shift", "R", "shorter-font()");
  l.add("Alt", "r", "taller-font()");
  l.add("Alt", "g", "reverse-scn()");
  l.add("Alt", "v", "base()");
  l.add("Alt", "m", "reverseVid()");
  l.add("Alt", "l", "extended()");
  l.add("Alt", "z", "close()");
  l.raw(kMouseAndCatchAll);
  return l.take();
}

}  // namespace

bool IsKeyboard5250(int keyboardId) { return keyboardId >= 113 && keyboardId <= 123; }

std::string KeypadDivideMultiplyLines(int keyboardId) {
  static const int kSlash[] = {0, 43, 47, 140, 142, 143, 145, 151, 152, 153, 156, 157, 160, 162, 169};
  static const int kSigns[] = {4,   5,   6,   7,   8,   9,   10,  12,  13,  14,  15,  44,
                               45,  46,  109, 110, 111, 112, 141, 144, 146, 147, 149, 150,
                               154, 155, 158, 159, 161, 163, 164, 165, 166, 167, 170, 171};
  for (int id : kSlash)
    if (id == keyboardId) return "<Key>KP_Divide:     string(/) \n<Key>KP_Multiply:   string(*) \n";
  for (int id : kSigns)
    if (id == keyboardId) return "<Key>KP_Divide:     hex(F7) \n<Key>KP_Multiply:   hex(D7) \n";
  return "";
}

DefaultTranslations BuildDefaultTranslations(int keyboardId, bool (*keysymKnown)(const char* name)) {
  DefaultTranslations t;
  if (IsKeyboard5250(keyboardId)) {
    Lines print(keysymKnown);
    print.add("Shift", "Z3270_PrintScreen", "print()");
    print.add("", "Z3270_PrintScreen", "local-screen-print()");
    t.printKeyLocal = print.take();
    print.add("Shift", "Z3270_PrintScreen", "local-screen-print()");
    print.add("", "Z3270_PrintScreen", "print()");
    t.printKeySwapped = print.take();
    t.text = Build5250(keysymKnown);
  } else {
    t.printKeyLocal = "Alt<Key>Print: sysreq() \nShift<Key>Print: print() \n<Key>Print: local-screen-print()";
    t.printKeySwapped =
        "Alt<Key>Print: sysreq() \nShift<Key>Print: local-screen-print() \n<Key>Print: print()";
    t.text = BuildPc(keyboardId, keysymKnown);
  }
  return t;
}
