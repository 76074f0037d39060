#include "session/ResourceKeywords.h"

#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <cstring>

#include "base/LogMsg.h"

namespace {

struct Keyword {
  const char* text;
  unsigned char code;
};

// General keywords; "enable" and "disable" are accepted in lower case too.
const Keyword kGeneral[] = {
    {"disable_and_hide", 101},
    {"DISABLE", 102},
    {"disable", 102},
    {"ENABLE", 103},
    {"enable", 103},
    {"basic", 104},
    {"advanced", 105},
    {"playback_only", 106},
    {"disable_no_resize_or_move", 107},
    {"keypad_only", 108},
    {"keyboard_only_local_print", 109},
    {"819", 110},
    {"lower_819_only", 111},
    {"true", 112},
    {"false", 113},
    {"SESSION_ONLY", 114},
    {"TEXT_AND_SESSION_ID", 115},
    {"SESSION_ID_ONLY", 116},
    {"TEXT_ONLY", 117},
    {"NOT_SPECIFIED", 118},
    {"fixed_fonts_only", 119},
    {"TEXT_AND_HOST", 120},
    {"TEXT_HOST_AND_SESSION_ID", 121},
    {"DEICONIFY", 122},
    {"BEEP", 123},
    {"BLINK", 124},
    {"disable_and_allow_wm_close", 125},
    {"ENABLE_WITH_ADDITIONAL_CHARS", 126},
};

struct Preference {
  const char* name;
  Keyword keywords[6];  // ends with a null text
};

// The preferences whose values are keywords of their own. "ENABLE" and
// "DISABLE" convert to the general codes for every resource.
const Preference kPreferences[] = {
    {"CURSOR_STYLE",
     {{"UNDERSCORE", 0}, {"BLOCK", 1}, {"BLOCK_INSERT_UNDERSCORE_REPLACE", 2},
      {"UNDERSCORE_INSERT_BLOCK_REPLACE", 3}, {nullptr, 0}}},
    {"DEFAULT_COPY_TYPE", {{"LINEAR", 0}, {"BLOCK", 1}, {nullptr, 0}}},
    {"ERROR_RESET_KEYS",
     {{"RESET_KEY_ONLY", 0}, {"CURSOR_MOVEMENT_ALSO", 1}, {"MOST_KEYS", 2}, {nullptr, 0}}},
    {"KEYBOARD_BUFFERING",
     {{"ENABLE", QwEnable}, {"DISABLE", QwDisable}, {"USE_HQ600_SETTING", 2}, {nullptr, 0}}},
    {"HOTSPOTS",
     {{"ENABLE", QwEnable}, {"DISABLE", QwDisable}, {"SINGLE_CLICK", 1}, {"DOUBLE_CLICK", 2},
      {nullptr, 0}}},
    {"INSERT_MODE",
     {{"DEFAULT_OFF_AUTOMATIC_RESET", 0}, {"DEFAULT_OFF_NO_AUTOMATIC_RESET", 1},
      {"DEFAULT_ON_NO_AUTOMATIC_RESET", 2}, {nullptr, 0}}},
    {"PASTE_LOCATION", {{"AT_CURSOR", 0}, {"AT_MOUSE_POINTER", 1}, {nullptr, 0}}},
    {"PRINT_KEY",
     {{"USE_DEFAULT", 0}, {"SHIFTED_PRINT_IS_SCREEN_PRINT", 1}, {"PRINT_IS_SCREEN_PRINT", 2},
      {nullptr, 0}}},
    {"RULE_LINE",
     {{"DISABLE", QwDisable}, {"ENABLE_FOLLOW_CURSOR", 1}, {"ENABLE_KEY_FIXED", 2},
      {"ENABLE_KEY_FOLLOW_CURSOR", 3}, {nullptr, 0}}},
    {"RULE_LINE_STYLE", {{"BOTH", 0}, {"HORIZONTAL", 1}, {"VERTICAL", 2}, {nullptr, 0}}},
    {"ENTER_KEY",
     {{"USE_DEFAULT", 0}, {"ENTER_ENTER_AND_RIGHT_CTRL_NEWLINE", 1},
      {"ENTER_NEWLINE_AND_RIGHT_CTRL_ENTER", 2}, {"ENTER_ENTER_AND_RIGHT_CTRL_FIELD_EXIT", 3},
      {"ENTER_FIELD_EXIT_AND_RIGHT_CTRL_ENTER", 4}, {nullptr, 0}}},
    {"LARGE_SCREEN_BEHAVIOR",
     {{"USE_DEFAULT", 0}, {"MOVE_WINDOW_AND_REDUCE_FONT_IF_NEEDED", 1}, {"REDUCE_FONT_ONLY", 2},
      {"USE_LAST_FONT", 3}, {"REDUCE_FONT_AND_MOVE_WINDOW_IF_NEEDED", 4}}},
};

const char* const kUnknownValue = "Unknown Value";

unsigned char g_convertedValue;  // result when the caller gives no buffer

Boolean CvtStringToQwFunction(Display* display, XrmValue* args, Cardinal* numArgs, XrmValue* from,
                              XrmValue* to, XtPointer* converterData) {
  if (*numArgs != 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "String to Function conversion needs no extra arguments\n");
    return False;
  }
  unsigned char code = 0;
  const char* text = from && from->addr ? static_cast<const char*>(from->addr) : nullptr;
  // An Xt resource string is terminated, but a value handed to
  // XtConvertAndStore need not be: never read past its size. No keyword is
  // as long as the buffer.
  char bounded[64];
  if (text) {
    const size_t n = strnlen(text, from->size);
    if (n < sizeof bounded) {
      memcpy(bounded, text, n);
      bounded[n] = '\0';
      text = bounded;
    } else {
      text = nullptr;
    }
  }
  if (!text || !QwFunctionFromString(text, &code)) {
    XtDisplayStringConversionWarning(display, text ? text : "", const_cast<char*>(XtRQwFunction));
    return False;
  }
  if (to->addr) {
    if (to->size < sizeof(unsigned char)) {
      to->size = sizeof(unsigned char);
      return False;
    }
    *static_cast<unsigned char*>(static_cast<void*>(to->addr)) = code;
  } else {
    g_convertedValue = code;
    to->addr = reinterpret_cast<XPointer>(&g_convertedValue);
  }
  to->size = sizeof(unsigned char);
  return True;
}

}  // namespace

bool QwFunctionFromString(const char* text, unsigned char* code) {
  if (!text) return false;
  for (const auto& k : kGeneral) {
    if (strcmp(text, k.text) == 0) {
      if (code) *code = k.code;
      return true;
    }
  }
  for (const auto& p : kPreferences) {
    for (const Keyword* k = p.keywords; k < p.keywords + 6 && k->text; ++k) {
      if (strcmp(text, k->text) == 0) {
        if (code) *code = k->code;
        return true;
      }
    }
  }
  return false;
}

const char* GetResourceValueStr(unsigned char code) {
  for (const auto& k : kGeneral) {
    // The first entry of a code is its capitalised form where there are two.
    if (k.code == code) return k.text;
  }
  LogMsg(LevelError, "Unknown resource value %d encountered.\n", code);
  return kUnknownValue;
}

const char* GetDrevaskResourceValueStr(const char* preference, unsigned char code) {
  if (!preference) return kUnknownValue;
  for (const auto& p : kPreferences) {
    if (strcmp(preference, p.name) != 0) continue;
    for (const Keyword* k = p.keywords; k < p.keywords + 6 && k->text; ++k)
      if (k->code == code) return k->text;
    return kUnknownValue;
  }
  return kUnknownValue;
}

void RegisterQwFunctionConverter() {
  XtSetTypeConverter(XtRString, XtRQwFunction, CvtStringToQwFunction, nullptr, 0, XtCacheAll, nullptr);
}
