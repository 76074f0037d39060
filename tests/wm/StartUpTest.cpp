#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wm/session/Options.h"
#include "wm/session/WindowManager.h"
#include "wm/shell/Appearance.h"

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

#include <X11/keysym.h>

#include "tests/support/XTestServer.h"
#include "wm/session/ScreenState.h"

namespace {

TEST(GetModifierMaskTest, FindsTheModifierOfTheKeysUnderXvfb) {
  qwtest::XTestServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  ScreenState state = {};
  ASSERT_EQ(InitScreenInfo(&state.sdk, "test", 1, 0, nullptr, server.DisplayName().c_str()), 0);
  // Xvfb's default map: Alt_L on Mod1, Num_Lock on Mod2.
  EXPECT_EQ(GetModifierMask(&state, XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R), static_cast<unsigned>(Mod1Mask));
  EXPECT_EQ(GetModifierMask(&state, XK_Num_Lock, 0, 0, 0), static_cast<unsigned>(Mod2Mask));
  EXPECT_EQ(GetModifierMask(&state, 0, 0, XK_Shift_L, 0), static_cast<unsigned>(ShiftMask))
      << "second choice when the first keys are absent";
  EXPECT_EQ(GetModifierMask(&state, XK_F13, 0, 0, 0), 0u);
  CloseScreenInfo(&state.sdk);
}

}  // namespace
