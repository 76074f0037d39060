#include "session/AppResources.h"

#include <X11/StringDefs.h>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "session/ResourceKeywords.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"

namespace {

constexpr int kMaxSessions = 99;

char* S(const char* text) { return const_cast<char*>(text); }

// One application resource as the toolkit's list gives it. The toolkit
// compiles a list in place (names become quarks), so the list handed out is
// copied from these each time and these stay readable for the debug dump.
struct ResourceSpec {
  const char* name;
  const char* cls;
  const char* type;
  Cardinal size;
  Cardinal offset;
  const char* defaultType;
  const char* defaultValue;
};

#define QW_OFFSET(field) static_cast<Cardinal>(offsetof(AppResourceStruct, field))

// A QwFunction resource with a keyword default.
#define QW_FUNCTION(name, cls, field, def) \
  {name, cls, XtRQwFunction, sizeof(unsigned char), QW_OFFSET(field), XtRString, def}
// A String resource without a default is null.
#define QW_STRING(name, cls, field) \
  {name, cls, XtRString, sizeof(char*), QW_OFFSET(field), XtRImmediate, nullptr}
#define QW_STRING_DEFAULT(name, field, def) \
  {name, name, XtRString, sizeof(char*), QW_OFFSET(field), XtRString, def}
#define QW_INT(name, field, def) \
  {name, name, XtRInt, sizeof(int), QW_OFFSET(field), XtRString, def}
#define QW_BOOLEAN(name, cls, field, def) \
  {name, cls, XtRBoolean, sizeof(Boolean), QW_OFFSET(field), XtRString, def}
// A resource whose field has the resource's name and whose class equals it.
#define QW_FUNCTION1(name, def) QW_FUNCTION(#name, #name, name, def)
#define QW_STRING1(name) QW_STRING(#name, #name, name)

// The position where the twenty miscellaneous preferences start.
constexpr Cardinal kFirstPreference = 70;

const ResourceSpec kResources[] = {
    QW_FUNCTION("command", "Command", command, "enable"),
    QW_FUNCTION("edit", "Edit", edit, "enable"),
    QW_FUNCTION("option", "Option", option, "enable"),
    QW_FUNCTION("control", "Control", control, "enable"),
    QW_FUNCTION("localPrint", "LocalPrint", localPrint, "enable"),
    QW_FUNCTION("help", "Help", help, "enable"),
    QW_FUNCTION("changeIPAddress", "ChangeIPAddress", changeIPAddress, "enable"),
    QW_FUNCTION("fontMenu", "FontMenu", fontMenu, "enable"),
    QW_FUNCTION("keyPad", "KeyPad", keyPad, "enable"),
    QW_FUNCTION("playBack", "PlayBack", playBack, "enable"),
    QW_FUNCTION("drevask", "Drevask", drevask, "enable"),
    QW_FUNCTION("colorMap", "ColorMap", colorMap, "basic"),
    QW_FUNCTION("keyRemap", "KeyRemap", keyRemap, "disable"),
    QW_STRING("keypadPath", "KeyPadPath", keypadPath),
    QW_STRING1(playBackPath),
    QW_STRING1(defaultColorMapPath),
    QW_STRING1(colorMapPath),
    QW_STRING1(keymapPath),
    QW_STRING1(keymap101Path),
    QW_STRING1(keymap102Path),
    QW_STRING1(keymap106Path),
    QW_STRING1(keymap122Path),
    QW_STRING1(keymap122_3270Path),
    QW_FUNCTION1(BLINKING_TEXT, "DISABLE"),
    QW_FUNCTION("browserStart", "BrowserStart", browserStart, "disable"),
    QW_FUNCTION1(BROWSER_START_NEW_WIN, "enable"),
    QW_INT("CONNECT_TIMEOUT", CONNECT_TIMEOUT, "15"),
    QW_FUNCTION1(COPY_PASTE_ACCESS, "ENABLE"),
    QW_BOOLEAN("DEBUG", "DEBUG", DEBUG, "False"),
    QW_FUNCTION1(DESKTOP_FUNCTION, "ENABLE"),
    QW_STRING1(DISPLAY_NAME),
    QW_FUNCTION1(DISPLAY_NAME_SOFT, "DISABLE"),
    QW_BOOLEAN("DSMDEBUG", "DSMDEBUG", DSMDEBUG, "False"),
    QW_FUNCTION1(ECL, "DISABLE"),
    QW_STRING1(EMULATOR_GEOMETRY),
    QW_STRING1(ENTRY_FIELD_HIGHLIGHTING),
    QW_FUNCTION1(EURO, "NOT_SPECIFIED"),
    QW_FUNCTION("fileNameCodePage", "FileNameCodePage", fileNameCodePage, "819"),
    QW_STRING1(FONT_SIZES),
    QW_STRING_DEFAULT("FONTS_TO_USE", FONTS_TO_USE, "STANDARD"),
    QW_FUNCTION1(FORCE_MRI_FONT, "DISABLE"),
    QW_BOOLEAN("forTestcases", "ForTestcases", forTestcases, "False"),
    QW_FUNCTION1(ICONIC, "DISABLE"),
    QW_FUNCTION1(ICONIFIED_ACTION, "DISABLE"),
    QW_INT("INACTIVITY_TIMEOUT", INACTIVITY_TIMEOUT, "0"),
    QW_INT("MAX_SESSIONS", MAX_SESSIONS, "99"),
    QW_INT("MAX_WRITE_CHARACTERS", MAX_WRITE_CHARACTERS, "50"),
    QW_INT("MULTI_CLICK_TIME", MULTI_CLICK_TIME, "250"),
    QW_INT("NEGOTIATE_TIMEOUT", NEGOTIATE_TIMEOUT, "60"),
    QW_FUNCTION1(PDT, "DISABLE"),
    QW_INT("PORT", PORT, "23"),
    QW_INT("QUICK_RETRY_INTERVAL", QUICK_RETRY_INTERVAL, "20"),
    QW_FUNCTION1(RESERVE_WM_KEYS, "ENABLE"),
    QW_INT("RESIZE_TUNING", RESIZE_TUNING, "10"),
    QW_INT("RETRY_COUNT", RETRY_COUNT, "144"),
    QW_INT("RETRY_INTERVAL", RETRY_INTERVAL, "300"),
    QW_STRING1(SESSION_ID),
    QW_STRING1(SSL),
    QW_STRING1(STARTUP_PLAYBACK),
    QW_INT("THAI_DISPLAY_MODE", THAI_DISPLAY_MODE, "5"),
    QW_STRING1(TITLE),
    QW_FUNCTION1(TITLE_OPTION, "TEXT_AND_SESSION_ID"),
    QW_BOOLEAN("TRACE", "TRACE", TRACE, "False"),
    QW_FUNCTION("27x132", "27X132", _27x132, "enable"),
    QW_FUNCTION("27X132_IN_800X600", "27X132_IN_800X600", _27X132_IN_800X600, "DISABLE"),
    QW_FUNCTION("imageView", "ImageView", imageView, "enable"),
    QW_INT("LARGEST_IMAGE", LARGEST_IMAGE, "400"),
    QW_FUNCTION("columnSeparator", "ColumnSeparator", columnSeparator, "disable"),
    QW_STRING1(TERMINAL_TYPE),
    QW_BOOLEAN("testcase", "Testcase", testcase, "False"),
    // Miscellaneous preferences.
    QW_FUNCTION1(AUDIO_ALARM, "ENABLE"),
    QW_FUNCTION1(CURSOR_BLINK, "DISABLE"),
    QW_FUNCTION1(CURSOR_STYLE, "BLOCK_INSERT_UNDERSCORE_REPLACE"),
    QW_FUNCTION1(DEFAULT_COPY_TYPE, "LINEAR"),
    QW_FUNCTION1(DESTRUCTIVE_BACKSPACE, "ENABLE"),
    QW_FUNCTION1(ERROR_RESET_KEYS, "RESET_KEY_ONLY"),
    QW_FUNCTION1(KEYBOARD_BUFFERING, "USE_HQ600_SETTING"),
    QW_FUNCTION1(HOTSPOTS, "SINGLE_CLICK"),
    QW_FUNCTION1(HOTSPOT_HIGHLIGHTING, "DISABLE"),
    QW_FUNCTION1(INPUT_ONLY_CURSOR_MOVEMENT, "DISABLE"),
    QW_FUNCTION1(INSERT_MODE, "DEFAULT_OFF_AUTOMATIC_RESET"),
    QW_FUNCTION1(PASTE_LOCATION, "AT_CURSOR"),
    QW_FUNCTION1(PRINT_KEY, "USE_DEFAULT"),
    QW_FUNCTION1(ROW_COLUMN_INDICATOR, "ENABLE"),
    QW_FUNCTION1(RULE_LINE, "ENABLE_KEY_FOLLOW_CURSOR"),
    QW_FUNCTION1(RULE_LINE_STYLE, "BOTH"),
    QW_FUNCTION1(AUTOMATIC_HELP, "ENABLE"),
    QW_FUNCTION1(BLUE_UNDERSCORE, "DISABLE"),
    QW_FUNCTION1(ENTER_KEY, "USE_DEFAULT"),
    QW_FUNCTION1(LARGE_SCREEN_BEHAVIOR, "USE_LAST_FONT"),
};
static_assert(sizeof(kResources) / sizeof(kResources[0]) == kAppResourceCount,
              "one list entry per application resource");

#define QW_NOARG(opt, spec, value) {S(opt), S(spec), XrmoptionNoArg, S(value)}
#define QW_SEPARG(opt, spec) {S(opt), S(spec), XrmoptionSepArg, nullptr}

// An option without a value gives the empty string, never null: the resource
// manager copies the value of every option it applies.
const XrmOptionDescRec kOptions[] = {
    QW_NOARG("-BROWSER_START", ".browserStart", "enable"),
    QW_NOARG("-COPY_PASTE", ".copy_paste_", "ENABLE"),
    QW_NOARG("-SESSION_COPY_PASTE_ONLY", ".copy_paste_", "SESSION_ONLY"),
    QW_NOARG("-NO_COPY_PASTE", ".copy_paste_", "DISABLE"),
    QW_NOARG("-debug", ".DEBUG", "TRUE"),
    QW_NOARG("-DEBUG", ".DEBUG", "TRUE"),
    QW_NOARG("-BLOCK_COPY", ".DEFAULT_COPY_TYPE", "BLOCK"),
    QW_NOARG("-NO_DESKTOP", ".DESKTOP_FUNCTION", "DISABLE"),
    QW_SEPARG("-DISPLAY_NAME", ".display_name_"),
    QW_SEPARG("-DISPLAY_NAME_SOFT", ".disp_name_soft_"),
    QW_SEPARG("-DISPLAY_NAME_HARD", ".disp_name_hard_"),
    QW_NOARG("-dsmdebug", ".DSMDEBUG", "TRUE"),
    QW_NOARG("-nodsmdebug", ".DSMDEBUG", "FALSE"),
    QW_NOARG("-ECL", ".ecl_", "ENABLE"),
    QW_NOARG("-NO_ECL", ".ecl_", "DISABLE"),
    QW_NOARG("-EURO", ".euro_", "ENABLE"),
    QW_NOARG("-euro", ".euro_", "ENABLE"),
    QW_NOARG("-Euro", ".euro_", "ENABLE"),
    QW_NOARG("-NOEURO", ".euro_", "False"),
    QW_SEPARG("-FONT_SIZES", ".font_sizes_"),
    QW_NOARG("-FORCE_MRI_FONT", ".force_mri_font_", "ENABLE"),
    QW_NOARG("-fortestcases", ".forTestcases", "True"),
    QW_SEPARG("-geometry", ".emul_geometry_"),
    QW_NOARG("-iconic", ".iconic_", "ENABLE"),
    QW_NOARG("-ICONIC", ".iconic_", "ENABLE"),
    QW_SEPARG("-INACTIVITY", ".inactivity_"),
    QW_SEPARG("-keyfile", ".keyfile_"),
    QW_SEPARG("-KEYFILE", ".keyfile_"),
    QW_SEPARG("-keypad", ".startupKeypad_"),
    QW_SEPARG("-KEYPAD", ".startupKeypad_"),
    QW_SEPARG("-LANGID", ".langid_"),
    QW_NOARG("-PDT", ".pdt_", "ENABLE"),
    QW_NOARG("-NO_PDT", ".pdt_", "DISABLE"),
    QW_SEPARG("-port", ".port_"),
    QW_SEPARG("-PORT", ".port_"),
    QW_SEPARG("-RETRY_COUNT", ".retry_count_"),
    QW_SEPARG("-RETRY_INTERVAL", ".retry_interval_"),
    QW_SEPARG("-playback", ".playback_"),
    QW_SEPARG("-PLAYBACK", ".playback_"),
    QW_SEPARG("-SESSION_ID", ".session_id_"),
    QW_SEPARG("-SSL", ".SSL_"),
    QW_SEPARG("-ssl", ".SSL_"),
    QW_NOARG("-NO_SSL", ".SSL_", ""),
    QW_NOARG("-no_ssl", ".SSL_", ""),
    QW_SEPARG("-THAI_DISPLAYMODE", ".thai_display_mode_"),
    QW_SEPARG("-TITLE_OPTION", ".title_option_"),
    QW_NOARG("-trace", ".trace_", "TRUE"),
    QW_NOARG("-TRACE", ".trace_", "TRUE"),
    QW_SEPARG("-malloc_id", ".malloc_id_"),
    QW_SEPARG("-malloc_num", ".malloc_num_"),
    QW_SEPARG("-wide", ".wide_"),
    QW_SEPARG("-image", ".image_"),
    QW_SEPARG("-LARGEST_IMAGE", ".largest_image_"),
    QW_SEPARG("-tn", ".terminal_name_"),
    QW_SEPARG("-TN", ".terminal_name_"),
    QW_NOARG("-testcase", ".testcase", "True"),
    QW_NOARG("-notestcase", ".testcase", "False"),
};
static_assert(sizeof(kOptions) / sizeof(kOptions[0]) == kAppOptionCount,
              "one table entry per option");

// A directory under KDVSHARED, from LocalMalloc.
char* SharedSubdirectory(const char* label, const char* leaf) {
  const char* shared = std::getenv("KDVSHARED");
  std::string path = std::string(shared ? shared : "") + "/QW5250" + leaf;
  char* out = static_cast<char*>(LocalMalloc(label, path.size() + 1, MallocFailExitMaster));
  if (out) std::memcpy(out, path.c_str(), path.size() + 1);
  return out;
}

// The keyword of a QwFunction value; preferences by their own keywords first.
const char* KeywordOf(const ResourceSpec& r, unsigned char code, bool preference) {
  if (preference) {
    const char* kw = GetDrevaskResourceValueStr(r.name, code);
    bool general = code >= QwDisableAndHide && code <= QwEnableWithAdditionalChars;
    if (std::strcmp(kw, "Unknown Value") != 0 || !general) return kw;
  }
  return GetResourceValueStr(code);
}

}  // namespace

AppResourceStruct& AppResources() {
  static AppResourceStruct resources{};
  return resources;
}

const XtResource* AppResourceList(Cardinal* count) {
  static XtResource list[kAppResourceCount];
  for (Cardinal i = 0; i < kAppResourceCount; ++i) {
    const ResourceSpec& r = kResources[i];
    list[i] = XtResource{S(r.name),   S(r.cls),         S(r.type),
                         r.size,      r.offset,         S(r.defaultType),
                         S(r.defaultValue)};
  }
  if (count) *count = kAppResourceCount;
  return list;
}

const XrmOptionDescRec* AppOptionTable(Cardinal* count) {
  if (count) *count = kAppOptionCount;
  return kOptions;
}

void ComputeDefaultPaths(AppResourceStruct& res) {
  std::free(res.playbackDirectory);
  std::free(res.buttonDirectory);
  res.playbackDirectory = SharedSubdirectory("playback_directory", "/P");
  res.buttonDirectory = SharedSubdirectory("button_directory", "/W");
}

void ApplyResourceLimits(AppResourceStruct& res, int screenWidth, int screenHeight) {
  if (screenWidth != 800 || screenHeight != 600) res._27X132_IN_800X600 = QwDisable;
  if (res.MAX_SESSIONS < 1 || res.MAX_SESSIONS > kMaxSessions) {
    int given = res.MAX_SESSIONS;
    res.MAX_SESSIONS = given > kMaxSessions ? kMaxSessions : 1;
    LogMsg(LevelError, "%s: MAX_SESSIONS resource value of %d out of range (1-%d). Value set to %d.\n",
           "QWC0177", given, kMaxSessions, res.MAX_SESSIONS);
  }
}

void LogAppResources(const AppResourceStruct& res) {
  LogMsg(LevelDebug, "Default Application Resource Values\n");
  LogMsg(LevelDebug, "(Some may be overridden by session command line options or Misc Prefs):\n");
  const char* base = reinterpret_cast<const char*>(&res);
  for (Cardinal i = 0; i < kAppResourceCount; ++i) {
    const ResourceSpec& r = kResources[i];
    const char* field = base + r.offset;
    if (std::strcmp(r.type, XtRInt) == 0) {
      int v;
      std::memcpy(&v, field, sizeof v);
      LogMsg(LevelDebug, "     %s = %d\n", r.name, v);
    } else if (std::strcmp(r.type, XtRBoolean) == 0) {
      LogMsg(LevelDebug, "     %s = %s\n", r.name, *field ? "True" : "False");
    } else if (std::strcmp(r.type, XtRString) == 0) {
      const char* v;
      std::memcpy(&v, field, sizeof v);
      LogMsg(LevelDebug, "     %s = %s\n", r.name, v ? v : "NULL");
    } else {
      unsigned char code = static_cast<unsigned char>(*field);
      LogMsg(LevelDebug, "     %s = %s\n", r.name,
             KeywordOf(r, code, i >= kFirstPreference));
    }
  }
}
