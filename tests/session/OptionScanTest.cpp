// The command-line scan of QW5250's start-up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "session/Language.h"
#include "session/StartOptions.h"
#include "tests/session/StartupTestHelpers.h"

using namespace startuptest;

namespace {

SessionStartOptions Scan(Args args) {
  SessionStartOptions out;
  ScanSessionOptions(args.argc(), args.argv(), out);
  return out;
}

std::vector<unsigned char> Bytes(std::initializer_list<int> b) {
  return std::vector<unsigned char>(b.begin(), b.end());
}

// The keypad list of names, as the hand-off and the keypad builder read it.
std::vector<unsigned char> KeypadList(const std::vector<std::string>& names) {
  std::vector<unsigned char> list(3, 0);
  for (const std::string& n : names) {
    list.insert(list.end(), n.begin(), n.end());
    list.push_back(0);
  }
  list[0] = static_cast<unsigned char>(list.size() >> 8);
  list[1] = static_cast<unsigned char>(list.size());
  list[2] = static_cast<unsigned char>(names.size());
  return list;
}

// LANG set to a known language for every scan unless a test changes it.
class OptionScan : public ::testing::Test {
 protected:
  ScopedEnv lang_{"LANG", "en_US"};
};

}  // namespace

TEST_F(OptionScan, NoOptionsGiveTheDefaults) {
  LogCapture log;
  SessionStartOptions o = Scan({});
  EXPECT_TRUE(o.hostName.empty());
  EXPECT_TRUE(o.title.empty());
  EXPECT_TRUE(o.sslValue.empty());
  EXPECT_EQ(o.port, 0);
  EXPECT_EQ(o.wideOption, 3);
  EXPECT_EQ(o.imageOption, 3);
  EXPECT_EQ(o.largestImage, 0);
  EXPECT_EQ(o.DisplayNameSoftRequirementOption, 0);
  EXPECT_EQ(o.languageId, "NIL");
  EXPECT_EQ(o.PDTOption, 0);
  EXPECT_EQ(o.TitleOption, 0);
  EXPECT_EQ(o.startupPlayback, 1);
  EXPECT_EQ(o.EuroOption, 0);
  EXPECT_EQ(o.thaiDisplayMode, -1);
  EXPECT_EQ(o.retryCount, -1);
  EXPECT_EQ(o.retryInterval, 0);
  EXPECT_EQ(o.inactivityTimeout, -1);
  EXPECT_EQ(o.CopyPasteOption, 0);
  EXPECT_EQ(o.ECLOption, 0);
  EXPECT_EQ(o.FontSizesOption, 0);
  EXPECT_EQ(o.initialKeypads, Bytes({0, 3, 0}));
  EXPECT_STREQ(o.geometry.geometryString, "");
  EXPECT_FALSE(o.browserStart);
  EXPECT_TRUE(log.lines().empty()) << log.All();
}

// Every numeric result of the scan: value, range checks (compared as unsigned
// numbers, so negative values are out of range), first-one-wins rules.
TEST_F(OptionScan, NumericOptions) {
  struct Case {
    std::vector<std::string> args;
    int SessionStartOptions::*field;
    int expected;
    const char* logId;  // the out-of-range line expected, or null for none
  } cases[] = {
      {{"-wide", "enable"}, &SessionStartOptions::wideOption, 1, nullptr},
      {{"-wide", "disable"}, &SessionStartOptions::wideOption, 2, nullptr},
      {{"-wide", "ENABLE"}, &SessionStartOptions::wideOption, 3, nullptr},
      {{"-wide"}, &SessionStartOptions::wideOption, 3, nullptr},
      {{"-image", "enable"}, &SessionStartOptions::imageOption, 1, nullptr},
      {{"-image", "disable"}, &SessionStartOptions::imageOption, 2, nullptr},
      {{"-image", "x"}, &SessionStartOptions::imageOption, 3, nullptr},

      {{"-LARGEST_IMAGE", "100"}, &SessionStartOptions::largestImage, 100000, nullptr},
      {{"-LARGEST_IMAGE", "9999"}, &SessionStartOptions::largestImage, 9999000, nullptr},
      {{"-LARGEST_IMAGE", "99"}, &SessionStartOptions::largestImage, 0, "QWC0516"},
      {{"-LARGEST_IMAGE", "10000"}, &SessionStartOptions::largestImage, 0, "QWC0516"},
      {{"-LARGEST_IMAGE", "-400"}, &SessionStartOptions::largestImage, 0, "QWC0516"},
      {{"-LARGEST_IMAGE", "9999999999"}, &SessionStartOptions::largestImage, 0, "QWC0516"},

      {{"-port", "23"}, &SessionStartOptions::port, 23, nullptr},
      {{"-PORT", "65535"}, &SessionStartOptions::port, 65535, nullptr},
      {{"-PORT", "2", "-port", "1"}, &SessionStartOptions::port, 1, nullptr},
      {{"-port", "0"}, &SessionStartOptions::port, 0, "QWC0540"},
      {{"-port", "65536"}, &SessionStartOptions::port, 0, "QWC0540"},
      {{"-port", "-23"}, &SessionStartOptions::port, 0, "QWC0540"},
      {{"-port", "telnet"}, &SessionStartOptions::port, 0, "QWC0540"},
      {{"-port"}, &SessionStartOptions::port, 0, nullptr},

      {{"-THAI_DISPLAYMODE", "1"}, &SessionStartOptions::thaiDisplayMode, 1, nullptr},
      {{"-THAI_DISPLAYMODE", "5"}, &SessionStartOptions::thaiDisplayMode, 5, nullptr},
      {{"-THAI_DISPLAYMODE", "0"}, &SessionStartOptions::thaiDisplayMode, -1, "QWC0541"},
      {{"-THAI_DISPLAYMODE", "6"}, &SessionStartOptions::thaiDisplayMode, -1, "QWC0541"},
      {{"-THAI_DISPLAYMODE", "-3"}, &SessionStartOptions::thaiDisplayMode, -1, "QWC0541"},

      {{"-RETRY_COUNT", "0"}, &SessionStartOptions::retryCount, 0, nullptr},
      {{"-RETRY_COUNT", "9999"}, &SessionStartOptions::retryCount, 9999, nullptr},
      {{"-RETRY_COUNT", "10000"}, &SessionStartOptions::retryCount, -1, "QWC0159"},
      {{"-RETRY_COUNT", "-5"}, &SessionStartOptions::retryCount, -1, "QWC0159"},
      {{"-RETRY_INTERVAL", "1"}, &SessionStartOptions::retryInterval, 1, nullptr},
      {{"-RETRY_INTERVAL", "9999"}, &SessionStartOptions::retryInterval, 9999, nullptr},
      {{"-RETRY_INTERVAL", "0"}, &SessionStartOptions::retryInterval, 0, "QWC0158"},
      {{"-RETRY_INTERVAL", "10000"}, &SessionStartOptions::retryInterval, 0, "QWC0158"},
      {{"-INACTIVITY", "0"}, &SessionStartOptions::inactivityTimeout, 0, nullptr},
      {{"-INACTIVITY", "99999"}, &SessionStartOptions::inactivityTimeout, 99999, nullptr},
      {{"-INACTIVITY", "100000"}, &SessionStartOptions::inactivityTimeout, -1, "QWC0173"},
      {{"-INACTIVITY", "-1"}, &SessionStartOptions::inactivityTimeout, -1, "QWC0173"},

      {{"-PDT"}, &SessionStartOptions::PDTOption, 2, nullptr},
      {{"-NO_PDT"}, &SessionStartOptions::PDTOption, 1, nullptr},
      {{"-PDT", "-NO_PDT"}, &SessionStartOptions::PDTOption, 1, nullptr},
      {{"-NO_PDT", "-PDT"}, &SessionStartOptions::PDTOption, 1, nullptr},

      {{"-TITLE_OPTION", "TEXT_AND_SESSION_ID"}, &SessionStartOptions::TitleOption, 1, nullptr},
      {{"-TITLE_OPTION", "TEXT_ONLY"}, &SessionStartOptions::TitleOption, 2, nullptr},
      {{"-TITLE_OPTION", "SESSION_ID_ONLY"}, &SessionStartOptions::TitleOption, 3, nullptr},
      {{"-TITLE_OPTION", "TEXT_AND_HOST"}, &SessionStartOptions::TitleOption, 4, nullptr},
      {{"-TITLE_OPTION", "TEXT_HOST_AND_SESSION_ID"}, &SessionStartOptions::TitleOption, 5,
       nullptr},
      {{"-TITLE_OPTION", "text_only"}, &SessionStartOptions::TitleOption, 0, nullptr},

      {{"-trace"}, &SessionStartOptions::trace, 1, nullptr},
      {{"-TRACE"}, &SessionStartOptions::trace, 1, nullptr},
      {{"-iconic"}, &SessionStartOptions::iconic, 1, nullptr},
      {{"-ICONIC"}, &SessionStartOptions::iconic, 1, nullptr},
      {{"-FORCE_MRI_FONT"}, &SessionStartOptions::forceTranslatedFont, 1, nullptr},

      {{"-EURO"}, &SessionStartOptions::EuroOption, 1, nullptr},
      {{"-euro"}, &SessionStartOptions::EuroOption, 1, nullptr},
      {{"-Euro"}, &SessionStartOptions::EuroOption, 1, nullptr},
      {{"-NOEURO"}, &SessionStartOptions::EuroOption, 2, nullptr},
      {{"-EURO", "-NOEURO"}, &SessionStartOptions::EuroOption, 2, nullptr},

      {{"-NO_COPY_PASTE"}, &SessionStartOptions::CopyPasteOption, 3, nullptr},
      {{"-SESSION_COPY_PASTE_ONLY"}, &SessionStartOptions::CopyPasteOption, 2, nullptr},
      {{"-COPY_PASTE"}, &SessionStartOptions::CopyPasteOption, 1, nullptr},
      {{"-COPY_PASTE", "-NO_COPY_PASTE"}, &SessionStartOptions::CopyPasteOption, 3, nullptr},
      {{"-COPY_PASTE", "-SESSION_COPY_PASTE_ONLY"}, &SessionStartOptions::CopyPasteOption, 2,
       nullptr},

      {{"-ECL"}, &SessionStartOptions::ECLOption, 2, nullptr},
      {{"-NO_ECL"}, &SessionStartOptions::ECLOption, 1, nullptr},
      {{"-NO_ECL", "-ECL"}, &SessionStartOptions::ECLOption, 2, nullptr},

      {{"-DISPLAY_NAME", "d"}, &SessionStartOptions::DisplayNameSoftRequirementOption, 0, nullptr},
      {{"-DISPLAY_NAME_SOFT", "d"}, &SessionStartOptions::DisplayNameSoftRequirementOption, 2,
       nullptr},
      {{"-DISPLAY_NAME_HARD", "d"}, &SessionStartOptions::DisplayNameSoftRequirementOption, 1,
       nullptr},
      {{"-DISPLAY_NAME_HARD", "h", "-DISPLAY_NAME_SOFT", "s"},
       &SessionStartOptions::DisplayNameSoftRequirementOption, 2, nullptr},
      {{"-DISPLAY_NAME_SOFT", "s", "-DISPLAY_NAME", "d"},
       &SessionStartOptions::DisplayNameSoftRequirementOption, 0, nullptr},
  };
  for (const Case& c : cases) {
    std::string label;
    for (const std::string& a : c.args) label += a + " ";
    SCOPED_TRACE(label);
    LogCapture log;
    SessionStartOptions o = Scan(Args(c.args));
    EXPECT_EQ(o.*c.field, c.expected);
    if (c.logId) {
      EXPECT_EQ(log.Count(c.logId), 1) << log.All();
      EXPECT_EQ(log.Count("[ ERROR ]"), 1) << log.All();
    } else {
      EXPECT_TRUE(log.lines().empty()) << log.All();
    }
  }
}

TEST_F(OptionScan, StringOptions) {
  struct Case {
    std::vector<std::string> args;
    std::string SessionStartOptions::*field;
    const char* expected;
  } cases[] = {
      {{"-TN", "IBM-3477-FC"}, &SessionStartOptions::terminalName, "IBM-3477-FC"},
      {{"-tn", "b", "-TN", "a"}, &SessionStartOptions::terminalName, "a"},
      {{"-title", "My host"}, &SessionStartOptions::title, "My host"},
      {{"-title"}, &SessionStartOptions::title, ""},
      {{"-SESSION_ID", "S1"}, &SessionStartOptions::sessionId, "S1"},
      {{"-SSL", "ring"}, &SessionStartOptions::sslValue, "ring"},
      {{"-ssl", "b", "-SSL", "a"}, &SessionStartOptions::sslValue, "a"},
      {{"-ssl", "b", "-no_ssl"}, &SessionStartOptions::sslValue, "__NO_SSL_STRING"},
      {{"-NO_SSL"}, &SessionStartOptions::sslValue, "__NO_SSL_STRING"},
      {{"-PLAYBACK", "b", "-playback", "a"}, &SessionStartOptions::playbackFile, "a"},
      {{"-keyfile", "b", "-KEYFILE", "a"}, &SessionStartOptions::keyFile, "a"},
      {{"-DISPLAY_NAME", "d1"}, &SessionStartOptions::displayName, "d1"},
      {{"-DISPLAY_NAME_SOFT", "s1"}, &SessionStartOptions::displayName, "s1"},
      {{"-DISPLAY_NAME_HARD", "h1"}, &SessionStartOptions::displayName, "h1"},
      // An option in last position has no value and counts as absent.
      {{"-DISPLAY_NAME_HARD", "h1", "-DISPLAY_NAME"}, &SessionStartOptions::displayName, "h1"},
  };
  for (const Case& c : cases) {
    std::string label;
    for (const std::string& a : c.args) label += a + " ";
    SCOPED_TRACE(label);
    SessionStartOptions o = Scan(Args(c.args));
    EXPECT_EQ(o.*c.field, c.expected);
  }
}

TEST_F(OptionScan, LanguageIdOption) {
  struct Case {
    std::vector<std::string> args;
    const char* id;
    const char* logId;
  } cases[] = {
      {{}, "NIL", nullptr},
      {{"-LANGID", "en_US"}, "ENU", nullptr},
      {{"-LANGID", "de_CH"}, "DES", nullptr},
      {{"-LANGID", "ENU"}, "NIL", "QWC0107"},
      {{"-LANGID", "ja_JP.QAV930"}, "JPK", nullptr},
      {{"-LANGID", "ja_JP.QAV939"}, "JPL", nullptr},
      {{"-LANGID", "ja_JP"}, "JPN", nullptr},
      {{"-LANGID", "xx_XX"}, "NIL", "QWC0108"},
      {{"-LANGID", "abcdefghijkl"}, "NIL", "QWC0108"},
      // Only the full value counts: a longer value is not cut to 12 characters.
      {{"-LANGID", "ja_JP.QAV930x"}, "NIL", "QWC0107"},
      {{"-LANGID", "de_DE@euro"}, "NIL", "QWC0107"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    LogCapture log;
    SessionStartOptions o = Scan(Args(c.args));
    EXPECT_EQ(o.languageId, c.id);
    if (c.logId) {
      EXPECT_EQ(log.Count(c.logId), 1) << log.All();
      EXPECT_EQ(log.Count("not supported"), 1) << log.All();
    } else {
      EXPECT_TRUE(log.lines().empty()) << log.All();
    }
  }
}

TEST_F(OptionScan, MissingLangIsReportedOnlyWithoutLangId) {
  ScopedEnv noLang("LANG", nullptr);
  {
    LogCapture log;
    EXPECT_EQ(Scan({}).languageId, "NIL");
    EXPECT_EQ(log.Count("QWC0513: getenv call for LANG return code = 0"), 1) << log.All();
  }
  {
    LogCapture log;
    EXPECT_EQ(Scan({"-LANGID", "fr_FR"}).languageId, "FRA");
    EXPECT_EQ(log.Count("QWC0513"), 0) << log.All();
  }
}

TEST_F(OptionScan, Geometry) {
  const std::string g24 = "1024x768+100+100-abcdefg";  // 24 characters
  ASSERT_EQ(g24.size(), 24u);
  {
    LogCapture log;
    SessionStartOptions o = Scan({"-geometry", g24.c_str()});
    EXPECT_EQ(std::string(o.geometry.geometryString), g24);
    EXPECT_TRUE(log.lines().empty());
  }
  {
    LogCapture log;
    SessionStartOptions o = Scan({"-geometry", (g24 + "X").c_str()});
    EXPECT_STREQ(o.geometry.geometryString, "");
    EXPECT_EQ(log.Count("QWC0545"), 1) << log.All();
  }
  SessionStartOptions o = Scan({"-geometry", ""});
  EXPECT_STREQ(o.geometry.geometryString, "");
  EXPECT_EQ(o.geometry.xGiven, 0);
  EXPECT_EQ(o.geometry.widthGiven, 0);
}

TEST_F(OptionScan, KeypadList) {
  EXPECT_EQ(Scan({"-keypad", "a", "-KEYPAD", "b"}).initialKeypads,
            Bytes({0, 7, 2, 'a', 0, 'b', 0}));
  // All "-keypad" names come before the "-KEYPAD" names.
  EXPECT_EQ(Scan({"-KEYPAD", "b", "-keypad", "a", "-KEYPAD", "c", "-keypad", "d"}).initialKeypads,
            KeypadList({"a", "d", "b", "c"}));
  // A value is not taken for an option; an option in last position has none.
  EXPECT_EQ(Scan({"-keypad", "-keypad", "x", "-KEYPAD"}).initialKeypads,
            KeypadList({"-keypad"}));

  std::vector<std::string> args;
  std::vector<std::string> ten;
  for (int i = 0; i < 11; ++i) {
    std::string name = "pad" + std::to_string(i);
    args.push_back(i % 2 ? "-KEYPAD" : "-keypad");
    args.push_back(name);
  }
  for (int i = 0; i < 11; i += 2) ten.push_back("pad" + std::to_string(i));
  for (int i = 1; i < 11 && ten.size() < 10; i += 2) ten.push_back("pad" + std::to_string(i));
  LogCapture log;
  SessionStartOptions o = Scan(Args(args));
  EXPECT_EQ(o.initialKeypads, KeypadList(ten));
  EXPECT_EQ(log.Count("QWC0542"), 1) << log.All();
  EXPECT_EQ(log.Count("pad9"), 1) << log.All();
}

// The list must fit the 501 bytes that the hand-off keeps for it: a name that
// does not fit is refused, later names that fit are still taken.
TEST_F(OptionScan, KeypadListIsBoundedInBytes) {
  const std::string big(300, 'k');
  const std::string mid(197, 'm');   // 3 + 301 + 198 = 502: one byte too many
  const std::string fits(196, 'f');  // 3 + 301 + 197 = 501: exactly full
  LogCapture log;
  SessionStartOptions o = Scan({"-keypad", big.c_str(), "-keypad", mid.c_str(), "-keypad",
                                fits.c_str(), "-keypad", "z"});
  EXPECT_EQ(o.initialKeypads, KeypadList({big, fits}));
  EXPECT_EQ(o.initialKeypads.size(), kMaxInitialKeypadListBytes);
  EXPECT_EQ(log.Count("QWC0543"), 2) << log.All();

  const std::string huge(70000, 'h');
  SessionStartOptions h = Scan({"-keypad", huge.c_str(), "-keypad", "ok"});
  EXPECT_EQ(h.initialKeypads, KeypadList({"ok"}));
}

TEST_F(OptionScan, BrowserStartAndLanguageShift) {
  EXPECT_TRUE(Scan({"-BROWSER_START"}).browserStart);
  EXPECT_FALSE(Scan({"-browser_start"}).browserStart);
  ScopedEnv lang("LANG", "fr_FR");
  EXPECT_EQ(Scan({}).languageShift, FindLanguageRowByLocale("fr_FR")->languageShift);
}

TEST(ArgLookup, GetArgValueAndIsValidArg) {
  Args a{"-port", "23", "-title", "-port", "-last"};
  int index = -7;
  EXPECT_STREQ(GetArgValue("-port", a.argc(), a.argv(), index), "23");
  EXPECT_EQ(index, 2);
  index = -7;
  EXPECT_STREQ(GetArgValue("-title", a.argc(), a.argv(), index), "-port");
  EXPECT_EQ(index, 4);
  index = -7;
  EXPECT_EQ(GetArgValue("-last", a.argc(), a.argv(), index), nullptr);  // no value follows
  EXPECT_EQ(index, -7);
  EXPECT_EQ(GetArgValue("-missing", a.argc(), a.argv(), index), nullptr);
  EXPECT_EQ(GetArgValue("qw5250", a.argc(), a.argv(), index), nullptr);  // program name
  EXPECT_EQ(index, -7);

  EXPECT_EQ(isValidArg("-last", a.argc(), a.argv()), 1);
  EXPECT_EQ(isValidArg("23", a.argc(), a.argv()), 1);
  EXPECT_EQ(isValidArg("-Port", a.argc(), a.argv()), 0);
  EXPECT_EQ(isValidArg("qw5250", a.argc(), a.argv()), 0);
  Args none{};
  EXPECT_EQ(isValidArg("-port", none.argc(), none.argv()), 0);
  EXPECT_EQ(GetArgValue("-port", none.argc(), none.argv(), index), nullptr);
}

TEST(ArgLookup, ParseIntArg) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {
      {"23", 23},          {" 23", 23},          {"+7", 7},
      {"-5", -5},          {"12abc", 12},        {"abc", 0},
      {"", 0},             {nullptr, 0},         {"2147483647", INT_MAX},
      {"2147483648", INT_MAX}, {"99999999999999999999", INT_MAX},
      {"-2147483649", INT_MIN}, {"-99999999999999999999", INT_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    EXPECT_EQ(ParseIntArg(c.text), c.value);
  }
}

TEST(ArgLookup, PrintArgValuesWritesEachArgumentWithItsBytes) {
  Args a{"-x", "\xE9"};
  LogCapture log;
  PrintArgValues(a.argc(), a.argv());
  ASSERT_EQ(log.lines().size(), 1u) << log.All();
  EXPECT_EQ(log.lines()[0], "[ DEBUG ]: qw5250(717735323530)-x(2d78)\xE9(e9)\n");
}

// Changing the working directory for core dumps: FFDC first, then HOME.
class WorkingDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    start_ = buf;
    char ffdc[] = "/tmp/qwffdcXXXXXX";
    char home[] = "/tmp/qwhomeXXXXXX";
    ASSERT_NE(mkdtemp(ffdc), nullptr);
    ASSERT_NE(mkdtemp(home), nullptr);
    ffdc_ = ffdc;
    home_ = home;
    SetDebugFlag(true);
  }
  void TearDown() override {
    SetDebugFlag(false);
    EXPECT_EQ(chdir(start_.c_str()), 0);
    rmdir(ffdc_.c_str());
    rmdir(home_.c_str());
  }
  static std::string Cwd() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
  }
  std::string start_, ffdc_, home_;
};

TEST_F(WorkingDirectory, FfdcThenHomeThenNeither) {
  struct Case {
    bool ffdcSet, ffdcGood, homeSet, homeGood;
    int result;
    const char* logText;
    bool inHome;
  } cases[] = {
      {true, true, true, true, 0, "core dumps to FFDC dir", false},
      {true, false, true, true, 0, "core dumps to HOME dir", true},
      {false, false, true, true, 0, "core dumps to HOME dir", true},
      {true, false, true, false, -1, "QWC0178: working directory not set", false},
      {false, false, false, false, -1, "QWC0178: working directory not set", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ffdcSet << c.ffdcGood << c.homeSet << c.homeGood);
    ASSERT_EQ(chdir(start_.c_str()), 0);
    std::string ffdc = c.ffdcGood ? ffdc_ : ffdc_ + "/missing";
    std::string home = c.homeGood ? home_ : home_ + "/missing";
    ScopedEnv f("FFDC", c.ffdcSet ? ffdc.c_str() : nullptr);
    ScopedEnv h("HOME", c.homeSet ? home.c_str() : nullptr);
    LogCapture log;
    EXPECT_EQ(SetCoreDumpDirectory(), c.result);
    EXPECT_EQ(log.Count(c.logText), 1) << log.All();
    EXPECT_EQ(log.Count("QWC0544"), c.homeSet ? 0 : 1) << log.All();
    if (c.result == 0) EXPECT_EQ(Cwd(), c.inHome ? home_ : ffdc_);
  }
}

TEST_F(WorkingDirectory, PrepareStartOptionsRunsTheWholeScan) {
  SetDebugFlag(false);
  ScopedEnv f("FFDC", ffdc_.c_str());
  ScopedEnv lang("LANG", "de_DE");
  Args a{"-debug", "-port", "992", "-LANGID", "es_ES", "-BROWSER_START", "host"};
  LogCapture log;
  SessionStartOptions o;
  EXPECT_EQ(PrepareStartOptions(a.argc(), a.argv(), o), 0);
  EXPECT_TRUE(DebugFlag());
  EXPECT_EQ(Cwd(), ffdc_);
  EXPECT_EQ(o.port, 992);
  EXPECT_EQ(o.languageId, "ESP");
  EXPECT_TRUE(o.browserStart);
  EXPECT_TRUE(o.hostName.empty());
  EXPECT_EQ(LanguageShiftSwitch(), o.languageShift);
  EXPECT_EQ(log.Count("[ DEBUG ]: qw5250("), 1) << log.All();
  EXPECT_EQ(log.Count("[ INFORMATIONAL ]: Build Date: "), 1) << log.All();
}
