#include "xfront/EmulatorActions.h"

#include <cstring>
#include <utility>

#include "base/LogMsg.h"

namespace {

using K = EmulatorActionKind;

const EmulatorAction kActions[kEmulatorActionCount] = {
    {"up", K::Keystroke, 3},
    {"down", K::Keystroke, 4},
    {"left", K::Keystroke, 5},
    {"right", K::Keystroke, 6},
    {"newline", K::Keystroke, 7},
    {"home", K::Keystroke, 8},
    {"tab", K::Keystroke, 9},
    {"backtab", K::Keystroke, 10},
    {"end", K::Keystroke, 11},
    {"tabadvancefunction", K::Keystroke, 12},
    {"tabfunction", K::Keystroke, 13},
    {"insert", K::Keystroke, 14},
    {"delete", K::Keystroke, 15},
    {"backspace", K::Keystroke, 16},
    {"erase-eof", K::Keystroke, 19},
    {"erase-input", K::Keystroke, 20},
    {"dup", K::Keystroke, 21},
    {"field-mark", K::Keystroke, 22},
    {"pf1", K::Keystroke, 24},
    {"pf2", K::Keystroke, 25},
    {"pf3", K::Keystroke, 26},
    {"pf4", K::Keystroke, 27},
    {"pf5", K::Keystroke, 28},
    {"pf6", K::Keystroke, 29},
    {"pf7", K::Keystroke, 30},
    {"pf8", K::Keystroke, 31},
    {"pf9", K::Keystroke, 32},
    {"pf10", K::Keystroke, 33},
    {"pf11", K::Keystroke, 34},
    {"pf12", K::Keystroke, 35},
    {"pf13", K::Keystroke, 36},
    {"pf14", K::Keystroke, 37},
    {"pf15", K::Keystroke, 38},
    {"pf16", K::Keystroke, 39},
    {"pf17", K::Keystroke, 40},
    {"pf18", K::Keystroke, 41},
    {"pf19", K::Keystroke, 42},
    {"pf20", K::Keystroke, 43},
    {"pf21", K::Keystroke, 44},
    {"pf22", K::Keystroke, 45},
    {"pf23", K::Keystroke, 46},
    {"pf24", K::Keystroke, 47},
    {"clear", K::Keystroke, 48},
    {"enter", K::Keystroke, 49},
    {"pa1", K::Keystroke, 50},
    {"pa2", K::Keystroke, 51},
    {"pa3", K::Keystroke, 52},
    {"sysreq", K::Keystroke, 53},
    {"reset", K::Keystroke, 54},
    {"hex-entry", K::Keystroke, 58},
    {"cursor-select", K::Keystroke, 61},
    {"attention", K::Keystroke, 62},
    {"print", K::Keystroke, 63},
    {"help", K::Keystroke, 64},
    {"rolldown", K::Keystroke, 65},
    {"rollup", K::Keystroke, 66},
    {"fieldexit", K::Keystroke, 69},
    {"fieldplus", K::Keystroke, 70},
    {"fieldminus", K::Keystroke, 71},
    {"testreq", K::Keystroke, 72},
    {"fastleft", K::Keystroke, 74},
    {"fastright", K::Keystroke, 75},
    {"textcarrierreturn", K::Keystroke, 76},
    {"textrqtabfunction", K::Keystroke, 77},
    {"textunderscore", K::Keystroke, 79},
    {"textintensify", K::Keystroke, 80},
    {"textendattribute", K::Keystroke, 81},
    {"textsymbolscmdprompt", K::Keystroke, 82},
    {"textrqspace", K::Keystroke, 83},
    {"texttopofpage", K::Keystroke, 84},
    {"textbottomofpage", K::Keystroke, 85},
    {"textbeginofline", K::Keystroke, 86},
    {"textpageend", K::Keystroke, 87},
    {"textstopcodefunction", K::Keystroke, 88},
    {"textstopcodeadvance", K::Keystroke, 89},
    {"textaltd", K::Keystroke, 90},
    {"textcent", K::Keystroke, 92},
    {"textwordunderscore", K::Keystroke, 95},
    {"texthalfindexup", K::Keystroke, 96},
    {"texthalfindexdown", K::Keystroke, 97},
    {"kanji", K::Keystroke, 98},
    {"cancelprint", K::Keystroke, 100},
    {"charadvance", K::Keystroke, 104},
    {"displaySOSI", K::Keystroke, 105},
    {"reverseVid", K::Keystroke, 106},
    {"displaytextsymb", K::Keystroke, 108},
    {"adjust-copy-left", K::Keystroke, 110},
    {"adjust-copy-right", K::Keystroke, 111},
    {"adjust-copy-up", K::Keystroke, 112},
    {"adjust-copy-down", K::Keystroke, 113},
    {"adjust-copy-anchor-left", K::Keystroke, 114},
    {"adjust-copy-anchor-right", K::Keystroke, 115},
    {"adjust-copy-anchor-up", K::Keystroke, 116},
    {"adjust-copy-anchor-down", K::Keystroke, 117},
    {"toggle-default-copy-type", K::Keystroke, 118},
    {"paste", K::Keystroke, 119},
    {"copy", K::Keystroke, 120},
    {"cut", K::Keystroke, 121},
    {"nothing", K::Other, -1},
    {"noop", K::Other, -1},
    {"menu-bar-focus", K::Other, -1},
    {"reverse", K::Other, -1},
    {"reverse-scn", K::Other, -1},
    {"close", K::Other, -1},
    {"farsi", K::Other, -1},
    {"base", K::Other, -1},
    {"ruleline", K::Other, -1},
    {"string", K::Other, -1},
    {"hex", K::Other, -1},
    {"inserteuro", K::Other, -1},
    {"play", K::Other, -1},
    {"record", K::Other, -1},
    {"pause", K::Other, -1},
    {"local-screen-print", K::Other, -1},
    {"print-screen-now", K::Other, -1},
    {"extended", K::Other, -1},
    {"toggle_text_side", K::Other, -1},
    {"scroll_image_up", K::Other, -1},
    {"scroll_image_left", K::Other, -1},
    {"scroll_image_right", K::Other, -1},
    {"scroll_image_down", K::Other, -1},
    {"wider-font", K::Other, -1},
    {"narrower-font", K::Other, -1},
    {"taller-font", K::Other, -1},
    {"shorter-font", K::Other, -1},
    {"jump", K::Other, -1},
    {"jump-to-session", K::Other, -1},
    {"delay", K::Other, -1},
    {"mouse-move", K::Mouse, 0},
    {"btn1-press", K::Mouse, 1},
    {"btn1-release", K::Mouse, 2},
    {"btn2-press", K::Mouse, 4},
    {"btn2-release", K::Mouse, 5},
    {"btn3-press", K::Mouse, 7},
    {"btn3-release", K::Mouse, 8},
    {"shift-btn1-press", K::Mouse, 10},
    {"shift-btn1-release", K::Mouse, 11},
    {"shift-btn2-press", K::Mouse, 13},
    {"shift-btn2-release", K::Mouse, 14},
    {"shift-btn3-press", K::Mouse, 16},
    {"shift-btn3-release", K::Mouse, 17},
};

XtActionProc gProcs[kEmulatorActionCount] = {};
KeystrokeActionProc gKeystrokeProc = nullptr;

void Dispatch(size_t index, Widget w, XEvent* event, String* params, Cardinal* numParams) {
  const EmulatorAction& a = kActions[index];
  if (gProcs[index]) {
    gProcs[index](w, event, params, numParams);
  } else if (a.kind == K::Keystroke && gKeystrokeProc) {
    gKeystrokeProc(w, event, a.value);
  } else if (DebugFlag()) {
    LogMsg(LevelDebug, "Action %s has no session work attached.\n", a.name);
  }
}

template <size_t I>
void Trampoline(Widget w, XEvent* event, String* params, Cardinal* numParams) {
  Dispatch(I, w, event, params, numParams);
}

template <size_t... I>
XtActionList BuildList(std::index_sequence<I...>) {
  return new XtActionsRec[kEmulatorActionCount]{{const_cast<String>(kActions[I].name), &Trampoline<I>}...};
}

}  // namespace

const EmulatorAction* EmulatorActionTable() { return kActions; }

const EmulatorAction* FindEmulatorAction(const char* name) {
  if (!name) return nullptr;
  for (const EmulatorAction& a : kActions)
    if (std::strcmp(a.name, name) == 0) return &a;
  return nullptr;
}

XtActionList EmulatorActionList() {
  return BuildList(std::make_index_sequence<kEmulatorActionCount>());
}

bool SetEmulatorActionProc(const char* name, XtActionProc proc) {
  const EmulatorAction* a = FindEmulatorAction(name);
  if (!a) return false;
  gProcs[a - kActions] = proc;
  return true;
}

void SetKeystrokeActionProc(KeystrokeActionProc proc) { gKeystrokeProc = proc; }
