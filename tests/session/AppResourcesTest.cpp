// The application resources, the option table and the values derived from them.
#include <gtest/gtest.h>
#include <X11/StringDefs.h>
#include <X11/Xresource.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "session/AppResources.h"
#include "session/ResourceKeywords.h"
#include "tests/session/StartupTestHelpers.h"

using namespace startuptest;

namespace {

// The resources in the order the record keeps them.
const char* const kResourceOrder[] = {
    "command", "edit", "option", "control", "localPrint", "help", "changeIPAddress", "fontMenu",
    "keyPad", "playBack", "drevask", "colorMap", "keyRemap", "keypadPath", "playBackPath",
    "defaultColorMapPath", "colorMapPath", "keymapPath", "keymap101Path", "keymap102Path",
    "keymap106Path", "keymap122Path", "keymap122_3270Path", "BLINKING_TEXT", "browserStart",
    "BROWSER_START_NEW_WIN", "CONNECT_TIMEOUT", "COPY_PASTE_ACCESS", "DEBUG", "DESKTOP_FUNCTION",
    "DISPLAY_NAME", "DISPLAY_NAME_SOFT", "DSMDEBUG", "ECL", "EMULATOR_GEOMETRY",
    "ENTRY_FIELD_HIGHLIGHTING", "EURO", "fileNameCodePage", "FONT_SIZES", "FONTS_TO_USE",
    "FORCE_MRI_FONT", "forTestcases", "ICONIC", "ICONIFIED_ACTION", "INACTIVITY_TIMEOUT",
    "MAX_SESSIONS", "MAX_WRITE_CHARACTERS", "MULTI_CLICK_TIME", "NEGOTIATE_TIMEOUT", "PDT", "PORT",
    "QUICK_RETRY_INTERVAL", "RESERVE_WM_KEYS", "RESIZE_TUNING", "RETRY_COUNT", "RETRY_INTERVAL",
    "SESSION_ID", "SSL", "STARTUP_PLAYBACK", "THAI_DISPLAY_MODE", "TITLE", "TITLE_OPTION", "TRACE",
    "27x132", "27X132_IN_800X600", "imageView", "LARGEST_IMAGE", "columnSeparator",
    "TERMINAL_TYPE", "testcase",
    // The miscellaneous preferences.
    "AUDIO_ALARM", "CURSOR_BLINK", "CURSOR_STYLE", "DEFAULT_COPY_TYPE", "DESTRUCTIVE_BACKSPACE",
    "ERROR_RESET_KEYS", "KEYBOARD_BUFFERING", "HOTSPOTS", "HOTSPOT_HIGHLIGHTING",
    "INPUT_ONLY_CURSOR_MOVEMENT", "INSERT_MODE", "PASTE_LOCATION", "PRINT_KEY",
    "ROW_COLUMN_INDICATOR", "RULE_LINE", "RULE_LINE_STYLE", "AUTOMATIC_HELP", "BLUE_UNDERSCORE",
    "ENTER_KEY", "LARGE_SCREEN_BEHAVIOR"};
static_assert(sizeof(kResourceOrder) / sizeof(kResourceOrder[0]) == kAppResourceCount, "90");

const XtResource* FindResource(const char* name) {
  Cardinal n = 0;
  const XtResource* list = AppResourceList(&n);
  for (Cardinal i = 0; i < n; ++i)
    if (std::strcmp(list[i].resource_name, name) == 0) return &list[i];
  return nullptr;
}

std::string DefaultString(const XtResource& r) {
  if (std::strcmp(r.default_type, XtRString) == 0)
    return r.default_addr ? static_cast<const char*>(r.default_addr) : "(null)";
  return r.default_addr ? "(immediate)" : "(none)";
}

// The resource database left by parsing a command line with the table, and
// the arguments it did not consume.
struct Parsed {
  XrmDatabase db = nullptr;
  std::vector<std::string> rest;
  ~Parsed() {
    if (db) XrmDestroyDatabase(db);
  }
  // The value of the resource qw5250<specifier>, or null.
  const char* Value(const char* specifier) const {
    std::string name = std::string("qw5250") + specifier;
    std::string cls = std::string("QW5250") + specifier;
    char* type = nullptr;
    XrmValue v{};
    if (!db || !XrmGetResource(db, name.c_str(), cls.c_str(), &type, &v)) return nullptr;
    return static_cast<const char*>(static_cast<void*>(v.addr));
  }
};

void Parse(std::initializer_list<const char*> args, Parsed& out) {
  XrmInitialize();
  Args a(args);
  int argc = a.argc();
  Cardinal n = 0;
  const XrmOptionDescRec* table = AppOptionTable(&n);
  XrmParseCommand(&out.db, const_cast<XrmOptionDescRec*>(table), static_cast<int>(n), "qw5250",
                  &argc, a.argv());
  for (int i = 0; i < argc; ++i) out.rest.push_back(a.argv()[i]);
}

// The record as the toolkit fills it when no resource is set: every default
// converted.
void FillFromDefaults(AppResourceStruct& res) {
  Cardinal n = 0;
  const XtResource* list = AppResourceList(&n);
  char* base = reinterpret_cast<char*>(&res);
  for (Cardinal i = 0; i < n; ++i) {
    const XtResource& r = list[i];
    char* field = base + r.resource_offset;
    const char* def = static_cast<const char*>(r.default_addr);
    const std::string type = r.resource_type;
    if (type == XtRInt) {
      int v = static_cast<int>(std::strtol(def, nullptr, 10));
      std::memcpy(field, &v, sizeof v);
    } else if (type == XtRString) {
      std::memcpy(field, &def, sizeof def);
    } else if (type == XtRBoolean) {
      *field = False;
    } else {
      unsigned char code = 0;
      QwFunctionFromString(def, &code);
      *field = static_cast<char>(code);
    }
  }
}

}  // namespace

TEST(AppResourceList, CountOrderAndLayout) {
  Cardinal n = 0;
  const XtResource* list = AppResourceList(&n);
  ASSERT_EQ(n, kAppResourceCount);
  std::set<std::string> names;
  for (Cardinal i = 0; i < n; ++i) {
    const XtResource& r = list[i];
    SCOPED_TRACE(r.resource_name);
    EXPECT_STREQ(r.resource_name, kResourceOrder[i]);
    EXPECT_TRUE(names.insert(r.resource_name).second) << "duplicate";
    // The fields follow each other in the order of the list.
    if (i > 0) EXPECT_GT(r.resource_offset, list[i - 1].resource_offset);
    EXPECT_LE(r.resource_offset + r.resource_size, offsetof(AppResourceStruct, mriLocale));
    const std::string type = r.resource_type;
    if (type == XtRInt)
      EXPECT_EQ(r.resource_size, sizeof(int));
    else if (type == XtRString)
      EXPECT_EQ(r.resource_size, sizeof(char*));
    else if (type == XtRBoolean)
      EXPECT_EQ(r.resource_size, sizeof(Boolean));
    else if (type == XtRQwFunction)
      EXPECT_EQ(r.resource_size, sizeof(unsigned char));
    else
      ADD_FAILURE() << "type " << type;
  }
  EXPECT_EQ(FindResource("PORT")->resource_offset, offsetof(AppResourceStruct, PORT));
  EXPECT_EQ(FindResource("27X132_IN_800X600")->resource_offset,
            offsetof(AppResourceStruct, _27X132_IN_800X600));
  EXPECT_EQ(FindResource("LARGE_SCREEN_BEHAVIOR")->resource_offset,
            offsetof(AppResourceStruct, LARGE_SCREEN_BEHAVIOR));
}

TEST(AppResourceList, ClassesAndDefaults) {
  struct Case {
    const char* name;
    const char* cls;
    const char* type;
    const char* def;  // as DefaultString shows it
  } cases[] = {
      {"command", "Command", XtRQwFunction, "enable"},
      {"changeIPAddress", "ChangeIPAddress", XtRQwFunction, "enable"},
      {"drevask", "Drevask", XtRQwFunction, "enable"},
      {"colorMap", "ColorMap", XtRQwFunction, "basic"},
      {"keyRemap", "KeyRemap", XtRQwFunction, "disable"},
      {"keypadPath", "KeyPadPath", XtRString, "(none)"},
      {"keymap122_3270Path", "keymap122_3270Path", XtRString, "(none)"},
      {"browserStart", "BrowserStart", XtRQwFunction, "disable"},
      {"CONNECT_TIMEOUT", "CONNECT_TIMEOUT", XtRInt, "15"},
      {"DEBUG", "DEBUG", XtRBoolean, "False"},
      {"EURO", "EURO", XtRQwFunction, "NOT_SPECIFIED"},
      {"fileNameCodePage", "FileNameCodePage", XtRQwFunction, "819"},
      {"FONTS_TO_USE", "FONTS_TO_USE", XtRString, "STANDARD"},
      {"forTestcases", "ForTestcases", XtRBoolean, "False"},
      {"MAX_SESSIONS", "MAX_SESSIONS", XtRInt, "99"},
      {"MULTI_CLICK_TIME", "MULTI_CLICK_TIME", XtRInt, "250"},
      {"PORT", "PORT", XtRInt, "23"},
      {"RETRY_COUNT", "RETRY_COUNT", XtRInt, "144"},
      {"RETRY_INTERVAL", "RETRY_INTERVAL", XtRInt, "300"},
      {"THAI_DISPLAY_MODE", "THAI_DISPLAY_MODE", XtRInt, "5"},
      {"TITLE_OPTION", "TITLE_OPTION", XtRQwFunction, "TEXT_AND_SESSION_ID"},
      {"27x132", "27X132", XtRQwFunction, "enable"},
      {"27X132_IN_800X600", "27X132_IN_800X600", XtRQwFunction, "DISABLE"},
      {"imageView", "ImageView", XtRQwFunction, "enable"},
      {"LARGEST_IMAGE", "LARGEST_IMAGE", XtRInt, "400"},
      {"columnSeparator", "ColumnSeparator", XtRQwFunction, "disable"},
      {"testcase", "Testcase", XtRBoolean, "False"},
      {"CURSOR_STYLE", "CURSOR_STYLE", XtRQwFunction, "BLOCK_INSERT_UNDERSCORE_REPLACE"},
      {"RULE_LINE", "RULE_LINE", XtRQwFunction, "ENABLE_KEY_FOLLOW_CURSOR"},
      {"HOTSPOTS", "HOTSPOTS", XtRQwFunction, "SINGLE_CLICK"},
      {"KEYBOARD_BUFFERING", "KEYBOARD_BUFFERING", XtRQwFunction, "USE_HQ600_SETTING"},
      {"LARGE_SCREEN_BEHAVIOR", "LARGE_SCREEN_BEHAVIOR", XtRQwFunction, "USE_LAST_FONT"},
      {"AUDIO_ALARM", "AUDIO_ALARM", XtRQwFunction, "ENABLE"},
      {"BLUE_UNDERSCORE", "BLUE_UNDERSCORE", XtRQwFunction, "DISABLE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const XtResource* r = FindResource(c.name);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->resource_class, c.cls);
    EXPECT_STREQ(r->resource_type, c.type);
    EXPECT_EQ(DefaultString(*r), c.def);
  }
}

// Every default is a value that its converter takes: a keyword, a number or a
// Boolean name; a String without default is null.
TEST(AppResourceList, EveryDefaultConverts) {
  Cardinal n = 0;
  const XtResource* list = AppResourceList(&n);
  for (Cardinal i = 0; i < n; ++i) {
    const XtResource& r = list[i];
    SCOPED_TRACE(r.resource_name);
    const std::string type = r.resource_type;
    if (type == XtRString && std::strcmp(r.default_type, XtRImmediate) == 0) {
      EXPECT_EQ(r.default_addr, nullptr);
      continue;
    }
    ASSERT_STREQ(r.default_type, XtRString);
    const char* def = static_cast<const char*>(r.default_addr);
    ASSERT_NE(def, nullptr);
    if (type == XtRQwFunction) {
      unsigned char code = 0;
      EXPECT_TRUE(QwFunctionFromString(def, &code)) << def;
    } else if (type == XtRInt) {
      char* end = nullptr;
      std::strtol(def, &end, 10);
      EXPECT_TRUE(*def && *end == '\0') << def;
    } else if (type == XtRBoolean) {
      EXPECT_STREQ(def, "False");
    }
  }
}

// Every option is consumed with its value and sets its specifier, so that the
// host is the only argument left.
TEST(AppOptionTable, EveryOptionIsConsumed) {
  struct Case {
    const char* option;
    const char* specifier;
    const char* value;  // null: the option takes the next word
  } cases[] = {
      {"-BROWSER_START", ".browserStart", "enable"},
      {"-COPY_PASTE", ".copy_paste_", "ENABLE"},
      {"-SESSION_COPY_PASTE_ONLY", ".copy_paste_", "SESSION_ONLY"},
      {"-NO_COPY_PASTE", ".copy_paste_", "DISABLE"},
      {"-debug", ".DEBUG", "TRUE"},
      {"-DEBUG", ".DEBUG", "TRUE"},
      {"-BLOCK_COPY", ".DEFAULT_COPY_TYPE", "BLOCK"},
      {"-NO_DESKTOP", ".DESKTOP_FUNCTION", "DISABLE"},
      {"-DISPLAY_NAME", ".display_name_", nullptr},
      {"-DISPLAY_NAME_SOFT", ".disp_name_soft_", nullptr},
      {"-DISPLAY_NAME_HARD", ".disp_name_hard_", nullptr},
      {"-dsmdebug", ".DSMDEBUG", "TRUE"},
      {"-nodsmdebug", ".DSMDEBUG", "FALSE"},
      {"-ECL", ".ecl_", "ENABLE"},
      {"-NO_ECL", ".ecl_", "DISABLE"},
      {"-EURO", ".euro_", "ENABLE"},
      {"-euro", ".euro_", "ENABLE"},
      {"-Euro", ".euro_", "ENABLE"},
      {"-NOEURO", ".euro_", "False"},
      {"-FONT_SIZES", ".font_sizes_", nullptr},
      {"-FORCE_MRI_FONT", ".force_mri_font_", "ENABLE"},
      {"-fortestcases", ".forTestcases", "True"},
      {"-geometry", ".emul_geometry_", nullptr},
      {"-iconic", ".iconic_", "ENABLE"},
      {"-ICONIC", ".iconic_", "ENABLE"},
      {"-INACTIVITY", ".inactivity_", nullptr},
      {"-keyfile", ".keyfile_", nullptr},
      {"-KEYFILE", ".keyfile_", nullptr},
      {"-keypad", ".startupKeypad_", nullptr},
      {"-KEYPAD", ".startupKeypad_", nullptr},
      {"-LANGID", ".langid_", nullptr},
      {"-PDT", ".pdt_", "ENABLE"},
      {"-NO_PDT", ".pdt_", "DISABLE"},
      {"-port", ".port_", nullptr},
      {"-PORT", ".port_", nullptr},
      {"-RETRY_COUNT", ".retry_count_", nullptr},
      {"-RETRY_INTERVAL", ".retry_interval_", nullptr},
      {"-playback", ".playback_", nullptr},
      {"-PLAYBACK", ".playback_", nullptr},
      {"-SESSION_ID", ".session_id_", nullptr},
      {"-SSL", ".SSL_", nullptr},
      {"-ssl", ".SSL_", nullptr},
      {"-NO_SSL", ".SSL_", ""},
      {"-no_ssl", ".SSL_", ""},
      {"-THAI_DISPLAYMODE", ".thai_display_mode_", nullptr},
      {"-TITLE_OPTION", ".title_option_", nullptr},
      {"-trace", ".trace_", "TRUE"},
      {"-TRACE", ".trace_", "TRUE"},
      {"-malloc_id", ".malloc_id_", nullptr},
      {"-malloc_num", ".malloc_num_", nullptr},
      {"-wide", ".wide_", nullptr},
      {"-image", ".image_", nullptr},
      {"-LARGEST_IMAGE", ".largest_image_", nullptr},
      {"-tn", ".terminal_name_", nullptr},
      {"-TN", ".terminal_name_", nullptr},
      {"-testcase", ".testcase", "True"},
      {"-notestcase", ".testcase", "False"},
  };
  Cardinal n = 0;
  const XrmOptionDescRec* table = AppOptionTable(&n);
  ASSERT_EQ(n, kAppOptionCount);
  ASSERT_EQ(sizeof(cases) / sizeof(cases[0]), kAppOptionCount);
  std::set<std::string> options;
  for (Cardinal i = 0; i < n; ++i) {
    EXPECT_TRUE(options.insert(table[i].option).second) << table[i].option;
    EXPECT_TRUE(table[i].argKind == XrmoptionNoArg || table[i].argKind == XrmoptionSepArg);
    if (table[i].argKind == XrmoptionNoArg) EXPECT_NE(table[i].value, nullptr) << table[i].option;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    EXPECT_EQ(options.count(c.option), 1u);
    Parsed p;
    if (c.value) {
      Parse({c.option, "host"}, p);
      EXPECT_STREQ(p.Value(c.specifier), c.value);
    } else {
      Parse({c.option, "word", "host"}, p);
      EXPECT_STREQ(p.Value(c.specifier), "word");
    }
    EXPECT_EQ(p.rest, (std::vector<std::string>{"qw5250", "host"}));
  }
}

TEST(AppOptionTable, OptionsReadByTheScanAreNotTakenForTheHost) {
  {
    Parsed p;
    Parse({"-NO_PDT", "h"}, p);
    EXPECT_EQ(p.rest, (std::vector<std::string>{"qw5250", "h"}));
  }
  {
    Parsed p;
    Parse({"-DISPLAY_NAME_HARD", "DEV01", "-port", "23", "h", "-keypad", "k"}, p);
    EXPECT_EQ(p.rest, (std::vector<std::string>{"qw5250", "h"}));
  }
  {
    Parsed p;
    Parse({"-unknown", "h"}, p);
    EXPECT_EQ(p.rest, (std::vector<std::string>{"qw5250", "-unknown", "h"}));
  }
}

TEST(AppResourceValues, DefaultPathsUnderKdvshared) {
  struct Case {
    const char* kdvshared;
    const char* playback;
    const char* buttons;
  } cases[] = {
      {"/shared/u1", "/shared/u1/QW5250/P", "/shared/u1/QW5250/W"},
      {"", "/QW5250/P", "/QW5250/W"},
      {nullptr, "/QW5250/P", "/QW5250/W"},
  };
  AppResourceStruct res{};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kdvshared ? c.kdvshared : "(unset)");
    ScopedEnv env("KDVSHARED", c.kdvshared);
    ComputeDefaultPaths(res);  // a second call replaces the first values
    EXPECT_STREQ(res.playbackDirectory, c.playback);
    EXPECT_STREQ(res.buttonDirectory, c.buttons);
  }
  free(res.playbackDirectory);
  free(res.buttonDirectory);
}

TEST(AppResourceValues, ScreenSizeAndSessionLimit) {
  struct Case {
    int width, height, maxSessions;
    unsigned char expected27In800;
    int expectedMax;
    bool logged;
  } cases[] = {
      {800, 600, 99, QwEnable, 99, false},
      {1024, 768, 99, QwDisable, 99, false},
      {800, 768, 1, QwDisable, 1, false},
      {640, 600, 50, QwDisable, 50, false},
      {800, 600, 0, QwEnable, 1, true},
      {800, 600, -4, QwEnable, 1, true},
      {800, 600, 100, QwEnable, 99, true},
      {800, 600, 2147483647, QwEnable, 99, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " " << c.maxSessions);
    AppResourceStruct res{};
    res._27X132_IN_800X600 = QwEnable;
    res.MAX_SESSIONS = c.maxSessions;
    LogCapture log;
    ApplyResourceLimits(res, c.width, c.height);
    EXPECT_EQ(res._27X132_IN_800X600, c.expected27In800);
    EXPECT_EQ(res.MAX_SESSIONS, c.expectedMax);
    if (c.logged) {
      ASSERT_EQ(log.lines().size(), 1u);
      EXPECT_EQ(log.lines()[0],
                "[ ERROR ]: QWC0177: MAX_SESSIONS resource value of " +
                    std::to_string(c.maxSessions) + " out of range (1-99). Value set to " +
                    std::to_string(c.expectedMax) + ".\n");
    } else {
      EXPECT_TRUE(log.lines().empty()) << log.All();
    }
  }
}

TEST(AppResourceValues, DebugDump) {
  AppResourceStruct res{};
  FillFromDefaults(res);
  res.DEBUG = True;
  LogCapture log;
  LogAppResources(res);
  const std::vector<std::string>& l = log.lines();
  ASSERT_EQ(l.size(), 2u + kAppResourceCount) << log.All();
  EXPECT_EQ(l[0], "[ DEBUG ]: Default Application Resource Values\n");
  EXPECT_EQ(l[1],
            "[ DEBUG ]: (Some may be overridden by session command line options or Misc Prefs):\n");
  for (Cardinal i = 0; i < kAppResourceCount; ++i)
    EXPECT_EQ(l[2 + i].rfind(std::string("[ DEBUG ]:      ") + kResourceOrder[i] + " = ", 0), 0u)
        << l[2 + i];
  const char* const expected[] = {
      "[ DEBUG ]:      command = ENABLE\n",
      "[ DEBUG ]:      colorMap = basic\n",
      "[ DEBUG ]:      PORT = 23\n",
      "[ DEBUG ]:      DEBUG = True\n",
      "[ DEBUG ]:      DSMDEBUG = False\n",
      "[ DEBUG ]:      SSL = NULL\n",
      "[ DEBUG ]:      FONTS_TO_USE = STANDARD\n",
      "[ DEBUG ]:      TITLE_OPTION = TEXT_AND_SESSION_ID\n",
      "[ DEBUG ]:      CURSOR_STYLE = BLOCK_INSERT_UNDERSCORE_REPLACE\n",
      "[ DEBUG ]:      LARGE_SCREEN_BEHAVIOR = USE_LAST_FONT\n",
      "[ DEBUG ]:      RULE_LINE_STYLE = BOTH\n",
      "[ DEBUG ]:      AUDIO_ALARM = ENABLE\n",
  };
  for (const char* e : expected) EXPECT_EQ(log.Count(e), 1) << e;
}

// The toolkit rewrites a list it is given (names to quarks, offsets negated):
// every call hands out an intact list again, and the dump does not read it.
TEST(AppResourceList, FreshListAfterTheToolkitCompiledIt) {
  Cardinal n = 0;
  XtResource* list = const_cast<XtResource*>(AppResourceList(&n));
  for (Cardinal i = 0; i < n; ++i) {
    list[i].resource_name = reinterpret_cast<char*>(static_cast<uintptr_t>(i + 1));
    list[i].resource_offset = static_cast<Cardinal>(-static_cast<int>(list[i].resource_offset) - 1);
  }
  LogCapture log;
  AppResourceStruct res{};
  res.PORT = 23;
  LogAppResources(res);
  EXPECT_EQ(log.Count("     PORT = 23\n"), 1) << log.All();
  list = const_cast<XtResource*>(AppResourceList(&n));
  EXPECT_STREQ(list[0].resource_name, "command");
  EXPECT_EQ(list[0].resource_offset, offsetof(AppResourceStruct, command));
}
