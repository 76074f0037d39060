// The preferences that act on the session window: ENTER_KEY and PRINT_KEY
// change what its keys send (keys pressed through XTEST on the drawing
// widget, the actions they reach recorded; on a 5250 keyboard, known from
// the terminal registry, ENTER_KEY changes nothing), and the rule line
// preferences show or hide its rule line.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/keysym.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "session/AppResources.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "session/RegistryFacts.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/XKeys.h"
#include "tests/support/XWindows.h"
#include "xfront/EmulatorActions.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;

// Keystroke codes of the actions, and a mark for the local screen print.
constexpr int kNewline = 7, kEnter = 49, kPrint = 63, kFieldExit = 69, kTextCarrierReturn = 76;
constexpr int kLocalScreenPrint = 1000;

std::vector<int> g_codes;
void RecordKeystroke(Widget, XEvent*, int code) { g_codes.push_back(code); }
void RecordLocalPrint(Widget, XEvent*, String*, Cardinal*) { g_codes.push_back(kLocalScreenPrint); }

class MiscPreferenceKeysTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    test_ = StartSessionSuite(&error);
    ASSERT_NE(test_, nullptr) << error;
  }

  void SetUp() override {
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    ASSERT_TRUE(qwtest::HasXTest(test_));
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = 1;  // never tried: the test does not pump for the 100 ms
    createSessionUnderThisProcess(o, nullptr, nullptr);
    block_ = NewestSession();
    ASSERT_NE(block_, nullptr);
    drawing_ = XtWindow(block_->xstuff.x_get_text_widget());
    ASSERT_TRUE(RunUntil([&] {
      XWindowAttributes a;
      return XGetWindowAttributes(test_, drawing_, &a) && a.map_state == IsViewable;
    }));
    SetKeystrokeActionProc(RecordKeystroke);
    ASSERT_TRUE(SetEmulatorActionProc("local-screen-print", RecordLocalPrint));
  }
  void TearDown() override {
    SetKeystrokeActionProc(nullptr);
    SetEmulatorActionProc("local-screen-print", nullptr);
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  // The action codes one key (with modifiers) reaches.
  std::vector<int> Press(KeySym key, const std::vector<KeySym>& modifiers = {}) {
    g_codes.clear();
    XSetInputFocus(test_, drawing_, RevertToParent, CurrentTime);
    XSync(test_, False);
    if (!qwtest::PressKey(test_, key, modifiers)) return {-1};
    RunUntil([] { return !g_codes.empty(); }, 2000);
    // One round trip more: a second action of the same key would be here now.
    XSync(XtDisplay(block_->xstuff.shell()), False);
    Pump(0);
    return g_codes;
  }
  int One(KeySym key, const std::vector<KeySym>& modifiers = {}) {
    const std::vector<int> codes = Press(key, modifiers);
    return codes.size() == 1 ? codes[0] : -2;
  }

  static Display* test_;
  AppResourceStruct saved_{};
  SessionControlBlock* block_ = nullptr;
  Window drawing_ = 0;
};

Display* MiscPreferenceKeysTest::test_ = nullptr;

TEST_F(MiscPreferenceKeysTest, EnterKeyChoosesWhatReturnAndRightControlSend) {
  struct Case {
    unsigned char value;
    int ret, shiftRet, altRet, controlR, shiftControlR;
  } cases[] = {
      {1, kEnter, kEnter, kTextCarrierReturn, kNewline, kNewline},
      {2, kNewline, kNewline, kTextCarrierReturn, kEnter, kEnter},
      {3, kEnter, kEnter, kTextCarrierReturn, kFieldExit, kNewline},
      {4, kFieldExit, kNewline, kTextCarrierReturn, kEnter, kEnter},
      // Back to the defaults: Return is Enter, the right Control key New Line.
      {0, kEnter, kEnter, kTextCarrierReturn, kNewline, kNewline},
      // A value it does not know is the default too, kept as 0.
      {9, kEnter, kEnter, kTextCarrierReturn, kNewline, kNewline},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "ENTER_KEY " << int(c.value));
    UpdateMiscellaneousPreference(block_, misc_pref::kEnterKey, c.value);
    EXPECT_EQ(block_->miscPreferences.value[misc_pref::kEnterKey], c.value > 4 ? 0 : c.value);
    EXPECT_EQ(One(XK_Return), c.ret);
    EXPECT_EQ(One(XK_Return, {XK_Shift_L}), c.shiftRet);
    EXPECT_EQ(One(XK_Return, {XK_Alt_L}), c.altRet);
    EXPECT_EQ(One(XK_Control_R), c.controlR);
    EXPECT_EQ(One(XK_Control_R, {XK_Shift_L}), c.shiftControlR);
  }
}

TEST_F(MiscPreferenceKeysTest, PrintKeyAndEnterKeyStayInForceTogether) {
  // The default: Print is the host's print, shifted Print prints here.
  ASSERT_EQ(One(XK_Print), kPrint);
  EXPECT_EQ(One(XK_Print, {XK_Shift_L}), kLocalScreenPrint);
  UpdateMiscellaneousPreference(block_, misc_pref::kPrintKey, 2);
  EXPECT_EQ(One(XK_Print), kLocalScreenPrint);
  EXPECT_EQ(One(XK_Print, {XK_Shift_L}), kPrint);
  // ENTER_KEY set and reset again: PRINT_KEY 2 is still in force.
  UpdateMiscellaneousPreference(block_, misc_pref::kEnterKey, 3);
  EXPECT_EQ(One(XK_Control_R), kFieldExit);
  EXPECT_EQ(One(XK_Print), kLocalScreenPrint);
  UpdateMiscellaneousPreference(block_, misc_pref::kEnterKey, 0);
  EXPECT_EQ(One(XK_Control_R), kNewline);
  EXPECT_EQ(One(XK_Print), kLocalScreenPrint);
  // And the other way round.
  UpdateMiscellaneousPreference(block_, misc_pref::kEnterKey, 2);
  UpdateMiscellaneousPreference(block_, misc_pref::kPrintKey, 0);
  EXPECT_EQ(One(XK_Print), kPrint);
  EXPECT_EQ(One(XK_Return), kNewline);
  UpdateMiscellaneousPreference(block_, misc_pref::kPrintKey, 1);
  EXPECT_EQ(One(XK_Print, {XK_Shift_L}), kLocalScreenPrint);
  EXPECT_EQ(One(XK_Print), kPrint);
  EXPECT_EQ(One(XK_Return), kNewline);
}

TEST_F(MiscPreferenceKeysTest, OnA5250KeyboardEnterKeyChangesNothing) {
  qwtest::TempDir registry;
  registry.WriteFile("boot/unique", "keyboard-id = 113\n");
  registry.WriteFile("boot/nvram", "");
  setenv("QX_REGISTRY_DIR", registry.Path().c_str(), 1);
  GetRegistryInformation();
  ASSERT_EQ(is5250Keyboard(WhichKeyboard()), 1);
  UpdateMiscellaneousPreference(block_, misc_pref::kEnterKey, 2);
  EXPECT_EQ(block_->miscPreferences.value[misc_pref::kEnterKey], 0);
  const int ret = One(XK_Return);
  // The registry back as it was (no objects: keyboard 0), before any check
  // can end the test.
  unsetenv("QX_REGISTRY_DIR");
  GetRegistryInformation();
  EXPECT_EQ(ret, kEnter);
  EXPECT_EQ(WhichKeyboard(), 0);
  // Off the 5250 keyboard the same setting takes effect.
  UpdateMiscellaneousPreference(block_, misc_pref::kEnterKey, 2);
  EXPECT_EQ(One(XK_Return), kNewline);
}

}  // namespace

namespace {

// The rule line preferences on the session window: mode 1 shows the line
// at once, the key modes (2 and 3) and 0 do not; a new style keeps a shown
// line shown, and a new mode hides it first.
TEST_F(MiscPreferenceKeysTest, RuleLineModeShowsOrHidesTheLineAtOnce) {
  XStuff& x = block_->xstuff;
  struct Step {
    unsigned char id, value;
    bool shown;
  } steps[] = {
      {misc_pref::kRuleLine, 0, false}, {misc_pref::kRuleLine, 1, true},  {misc_pref::kRuleLineStyle, 1, true},
      {misc_pref::kRuleLineStyle, 2, true}, {misc_pref::kRuleLine, 3, false}, {misc_pref::kRuleLine, 1, true},
      {misc_pref::kRuleLine, 2, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "preference " << int(s.id) << " value " << int(s.value));
    UpdateMiscellaneousPreference(block_, s.id, s.value);
    EXPECT_EQ(x.ruleLineShown(), s.shown);
    EXPECT_EQ(x.ruleLineMode(), block_->miscPreferences.value[misc_pref::kRuleLine]);
  }
}

}  // namespace
