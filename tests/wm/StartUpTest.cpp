#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wm/Appearance.h"
#include "wm/Options.h"
#include "wm/WindowManager.h"

namespace {

TEST(LockProgramPidTest, OnlyASingleOtherProcessIsSignalled) {
  struct {
    const char* text;
    int pid;
  } cases[] = {{nullptr, 0}, {"", 0},   {"-1", 0},   {"0", 0},  {"1", 0},
               {"2", 2},     {"4242", 4242}, {"12x", 0}, {" 7", 7}, {"99999999999999999999", 0}};
  for (const auto& c : cases) EXPECT_EQ(LockProgramPid(c.text), c.pid) << (c.text ? c.text : "null");
}

TEST(TeldraOptionsTest, OptionsEndAtTheFirstPlainWord) {
  struct Case {
    std::vector<const char*> args;
    bool ok;
    bool login;
    int first;
  } cases[] = {
      {{"teldra"}, true, false, 1},
      {{"teldra", "-login", "-restart", "-tv"}, true, true, 4},
      {{"teldra", "rest", "-login"}, true, false, 1},
      {{"teldra", "-tvborder", "3", "-ppp"}, true, false, 4},
      {{"teldra", "-display"}, false, false, 0},
      {{"teldra", "-display", "-login"}, false, false, 0},
      {{"teldra", "-tvborder", "-x"}, false, false, 0},
      {{"teldra", "-unknown"}, false, false, 0},
  };
  for (const auto& c : cases) {
    std::vector<char*> argv;
    for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    TeldraOptions o;
    const bool ok = ParseTeldraOptions(static_cast<int>(c.args.size()), argv.data(), &o);
    EXPECT_EQ(ok, c.ok) << c.args.back();
    if (!ok || !c.ok) continue;
    EXPECT_EQ(o.login, c.login) << c.args.back();
    EXPECT_EQ(o.firstArgument, c.first) << c.args.back();
  }
  char* argv[] = {const_cast<char*>("teldra"), const_cast<char*>("-display"), const_cast<char*>(":7"),
                  nullptr};
  TeldraOptions o;
  ASSERT_TRUE(ParseTeldraOptions(3, argv, &o));
  EXPECT_STREQ(o.displayName, ":7") << "the display given reaches the screen's opening";
}

std::vector<std::string>* gPresent = nullptr;
bool Present(const char* name) {
  for (const auto& p : *gPresent)
    if (p == name) return true;
  return false;
}

TEST(ChooseSplashFileTest, LanguageThenWidthThenTheDefaults) {
  struct Case {
    const char* lang;
    int width;
    std::vector<std::string> present;
    const char* chosen;
  } cases[] = {
      {"de", 1024, {"login/splash.de.jpg", "login/splash1024.jpg"}, "login/splash.de.jpg"},
      {"fr", 1024, {"login/splash.de.jpg", "login/splash1024.jpg"}, "login/splash1024.jpg"},
      {nullptr, 1024, {}, "login/splash.jpg"},
      {"", 800, {}, "login/splash.jpg"},
      {nullptr, 799, {}, "login/splash640.jpg"},
      {nullptr, 640, {}, "login/splash640.jpg"},
  };
  for (auto& c : cases) {
    gPresent = &c.present;
    EXPECT_EQ(ChooseSplashFile(c.lang, c.width, Present), c.chosen) << c.width;
  }
  gPresent = nullptr;
}

}  // namespace
