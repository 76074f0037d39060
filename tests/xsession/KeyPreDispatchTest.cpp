// Keys of a real session window under XTEST, dispatched as the program's
// main loop does: the Shift keys and the lock key set the shift and caps
// indicators before the key is translated, the key translator follows the
// focus, and a key file remaps a key (the host receives the remapped
// function), also after the translations were reset.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/keysym.h>
#include <Xm/RowColumn.h>
#include <Xm/Xm.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/KeyGlue.h"
#include "session/Language.h"
#include "keyboard/TAXlate.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "session/PreDispatch.h"
#include "session/RegistryFacts.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestClock.h"
#include "tests/support/XKeys.h"
#include "xfront/KeyFile.h"
#include "xfront/ThaiFonts.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

// A screen without input fields, the host waiting for an AID.
const Bytes kScreen = {0x00, 0x17, 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x40, 0x03, 0x04, 0x40,
                       0x04, 0x11, 0x00, 0x08, 0x13, 9,    33,   0x04, 0x52, 0x00, 0x00};

class KeyPreDispatchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    test_ = StartSessionSuite(&error);
    ASSERT_NE(test_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(qwtest::HasXTest(test_));
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
  }
  void TearDown() override {
    SetCapsLockBehaviour('C');
    // Leave the lock key off for the next test.
    if (session_ && session_->xstuff.capsLockIndicator()) qwtest::PressKey(test_, XK_Caps_Lock);
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  void Open(const std::string& keyFile = "") {
    ASSERT_TRUE(host_.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host_.Port();
    o.keyFile = keyFile;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    session_ = NewestSession();
    ASSERT_NE(session_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, HostPump()));
    drawing_ = XtWindow(session_->xstuff.x_get_text_widget());
    ASSERT_TRUE(RunUntil([&] {
      XWindowAttributes a;
      return XGetWindowAttributes(test_, drawing_, &a) && a.map_state == IsViewable;
    }));
    host_.SendRecord(kScreen);
    ASSERT_TRUE(host_.Barrier(kWaitMs, HostPump()));
    Focus(drawing_);
  }
  void Focus(Window w) {
    XSetInputFocus(test_, w, RevertToParent, CurrentTime);
    XSync(test_, False);
  }

  // The main loop's dispatch: translator, pre-dispatch, Xt.
  static void DispatchPending() { DispatchPendingAsMainLoop(); }
  static bool Until(const std::function<bool()>& done) {
    qwtest::Deadline deadline(kWaitMs);
    XSync(test_, False);
    while (!done()) {
      if (deadline.Expired()) return false;
      DispatchPending();
      Pump(5);
    }
    return true;
  }
  // Settles every event the server has for the program so far.
  static void Settle() {
    XSync(test_, False);
    XSync(XtDisplay(TopLevelWidget()), False);
    DispatchPending();
  }
  // The AID of the host's next read.
  int NextAid() {
    std::vector<uint8_t> record;
    qwtest::Deadline deadline(kWaitMs);
    while (!host_.WaitForRecord(0, HostPump(), &record)) {
      if (deadline.Expired()) return -1;
      DispatchPending();
      Pump(5);
    }
    host_.SendRecord(kScreen);
    EXPECT_TRUE(host_.Barrier(kWaitMs, [] {
      DispatchPending();
      Pump(5);
    }));
    return record.size() > 12 ? record[12] : -1;
  }

  static Display* test_;
  qwtest::TestHost5250 host_;
  SessionControlBlock* session_ = nullptr;
  Window drawing_ = 0;
  AppResourceStruct saved_{};
};

Display* KeyPreDispatchTest::test_ = nullptr;

TEST_F(KeyPreDispatchTest, BothShiftKeysHeldKeepTheShiftIndicator) {
  Open();
  XStuff& x = session_->xstuff;
  ASSERT_TRUE(qwtest::KeyDown(test_, XK_Shift_L));
  ASSERT_TRUE(Until([&] { return session_->leftShiftHeld != 0; }));
  EXPECT_TRUE(x.shiftIndicator());
  ASSERT_TRUE(qwtest::KeyDown(test_, XK_Shift_R));
  ASSERT_TRUE(Until([&] { return session_->rightShiftHeld != 0; }));
  ASSERT_TRUE(qwtest::KeyUp(test_, XK_Shift_L));
  ASSERT_TRUE(Until([&] { return session_->leftShiftHeld == 0; }));
  EXPECT_TRUE(x.shiftIndicator()) << "the right Shift is still held";
  EXPECT_NE(session_->display->indicators().current().get() & Indicators::kShift, 0u);
  ASSERT_TRUE(qwtest::KeyUp(test_, XK_Shift_R));
  ASSERT_TRUE(Until([&] { return session_->rightShiftHeld == 0; }));
  EXPECT_FALSE(x.shiftIndicator());
  EXPECT_EQ(session_->display->indicators().current().get() & Indicators::kShift, 0u);
}

TEST_F(KeyPreDispatchTest, CapsLockTogglesTheCapsIndicator) {
  Open();
  XStuff& x = session_->xstuff;
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Caps_Lock));
  ASSERT_TRUE(Until([&] { return x.capsLockIndicator(); }));
  EXPECT_FALSE(x.shiftIndicator());
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Caps_Lock));
  ASSERT_TRUE(Until([&] { return !x.capsLockIndicator(); }));
}

TEST_F(KeyPreDispatchTest, AsShiftLockTheLockKeyHoldsShiftOverAShiftRelease) {
  Open();
  SetCapsLockBehaviour('S');
  XStuff& x = session_->xstuff;
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Caps_Lock));
  ASSERT_TRUE(Until([&] { return x.shiftIndicator(); }));
  EXPECT_FALSE(x.capsLockIndicator());
  // Shift pressed and released while the lock is on: the shift stays.
  ASSERT_TRUE(qwtest::KeyDown(test_, XK_Shift_L));
  ASSERT_TRUE(Until([&] { return session_->leftShiftHeld != 0; }));
  ASSERT_TRUE(qwtest::KeyUp(test_, XK_Shift_L));
  ASSERT_TRUE(Until([&] { return session_->leftShiftHeld == 0; }));
  Settle();
  EXPECT_TRUE(x.shiftIndicator());
  // The lock key again turns it off.
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Caps_Lock));
  ASSERT_TRUE(Until([&] { return !x.shiftIndicator(); }));
}

TEST_F(KeyPreDispatchTest, AltWithAShiftKeySetsTheLanguageShift) {
  Open();
  const unsigned char saved = LanguageShiftSwitch();
  SetLanguageShiftSwitch(1);
  ASSERT_NE(session_->taxlate, nullptr);
  // Latin layer first: Alt with the left Shift sets the language shift,
  // with the right Shift clears it.
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_L, {XK_Alt_L}));
  ASSERT_TRUE(Until([&] { return session_->taxlate->languageShift(); }));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_R, {XK_Alt_L}));
  ASSERT_TRUE(Until([&] { return !session_->taxlate->languageShift(); }));
  // Without the switch Alt and Shift leave it alone.
  SetLanguageShiftSwitch(0);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_L, {XK_Alt_L}));
  ASSERT_TRUE(Until([&] { return session_->leftShiftHeld == 0 && !session_->xstuff.shiftIndicator(); }));
  Settle();
  EXPECT_FALSE(session_->taxlate->languageShift());
  SetLanguageShiftSwitch(saved);
}

TEST_F(KeyPreDispatchTest, ControlWithTheRightShiftSwitchesThaiComposition) {
  // A Latin session first: the keys leave its composition off.
  Open();
  XStuff& latin = session_->xstuff;
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_R, {XK_Control_L}));
  ASSERT_TRUE(Until([&] { return session_->rightShiftHeld == 0 && !latin.shiftIndicator(); }));
  Settle();
  EXPECT_FALSE(latin.thaiCompose());
  EndSessions(1);
  Pump(20);
  host_.Stop();

  // A Thai session composes from the start, in the composing font of a Thai
  // font pair; each Control+Shift_R switches, and the font with it (the
  // font's name as the drawing area has it).
  Open();
  XStuff& x = session_->xstuff;
  x.setThaiSession(true);
  ASSERT_NE(session_->nationalLayer, 0);
  ASSERT_TRUE(x.thaiCompose());
  const thai::FontPair* pairs = thai::FontPairs(nullptr);
  const int pair = thai::PairNamed(x.drawingFontName(), true);
  ASSERT_GE(pair, 0) << "not a composing Thai font (is xfonts-thai installed?): " << x.drawingFontName();
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_R, {XK_Control_L}));
  ASSERT_TRUE(Until([&] { return !x.thaiCompose(); }));
  EXPECT_EQ(x.drawingFontName(), pairs[pair].separate);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_R, {XK_Control_R}));
  ASSERT_TRUE(Until([&] { return x.thaiCompose(); }));
  EXPECT_EQ(x.drawingFontName(), pairs[pair].composing);
  // Neither the left Shift with Control nor the right Shift alone does.
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_L, {XK_Control_L}));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_R));
  ASSERT_TRUE(Until([&] { return session_->rightShiftHeld == 0 && session_->leftShiftHeld == 0 && !x.shiftIndicator(); }));
  Settle();
  EXPECT_TRUE(x.thaiCompose());
}

TEST_F(KeyPreDispatchTest, TheTranslatorFollowsTheFocus) {
  Open();
  // Any event after the focus change selects the translator.
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_L));
  ASSERT_TRUE(Until([&] { return InstalledKeyTranslator() == 0 && session_->leftShiftHeld == 0; }));
  // Away from every session window: the Motif translator, and keys of
  // other windows leave the session alone.
  const unsigned long changes = KeyTranslatorChanges();
  Focus(XtWindow(TopLevelWidget()));
  ASSERT_TRUE(qwtest::KeyDown(test_, XK_Shift_R));
  ASSERT_TRUE(Until([&] { return InstalledKeyTranslator() == 1; }));
  Settle();
  EXPECT_EQ(session_->rightShiftHeld, 0);
  ASSERT_TRUE(qwtest::KeyUp(test_, XK_Shift_R));
  // Back to the session: the toolkit's again, one change each way.
  Focus(drawing_);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_L));
  ASSERT_TRUE(Until([&] { return InstalledKeyTranslator() == 0; }));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(qwtest::PressKey(test_, XK_Shift_L));
  Settle();
  EXPECT_EQ(KeyTranslatorChanges(), changes + 2);
}

TEST_F(KeyPreDispatchTest, AKeyFileRemapsAKeyAlsoAfterAReset) {
  qwtest::TempDir shared;
  const std::string k = shared.Path() + "/QW5250/K";
  ASSERT_EQ(mkdir((shared.Path() + "/QW5250").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(k.c_str(), 0700), 0);
  const std::string extension = keyfile::KeyboardExtension(WhichKeyboard());
  std::ofstream(k + "/Default." + extension) << "# v4.2 keys of this desk\n# F5 enters\n<Key>F5: enter() \n";
  const char* before = std::getenv("KDVSHARED");
  const std::string saved = before ? before : "";
  setenv("KDVSHARED", shared.Path().c_str(), 1);
  Open();
  if (before)
    setenv("KDVSHARED", saved.c_str(), 1);
  else
    unsetenv("KDVSHARED");
  // The translations kept as the defaults hold the key file's binding, and
  // the menu bar's accelerator is the key bound to menu-bar-focus there.
  const std::string& kept = session_->xstuff.defaultTranslations();
  EXPECT_NE(kept.find("<KeyPress>F5: enter()"), std::string::npos);
  const size_t focus = kept.find("menu-bar-focus");
  ASSERT_NE(focus, std::string::npos);
  const size_t lineStart = kept.rfind('\n', focus) == std::string::npos ? 0 : kept.rfind('\n', focus) + 1;
  std::string binding = kept.substr(lineStart, kept.find(':', lineStart) - lineStart);
  while (!binding.empty() && binding[0] == ' ') binding.erase(0, 1);
  String accelerator = nullptr;
  XtVaGetValues(session_->xstuff.menuBar(), XmNmenuAccelerator, &accelerator, nullptr);
  ASSERT_NE(accelerator, nullptr);
  EXPECT_EQ(binding, accelerator);

  ASSERT_TRUE(qwtest::PressKey(test_, XK_F5));
  EXPECT_EQ(NextAid(), 0xF1) << "F5 is Enter now";
  ASSERT_TRUE(qwtest::PressKey(test_, XK_F6));
  EXPECT_EQ(NextAid(), 0x36) << "F6 is still PF6";

  // Another Enter arrangement and back to none: the key file's
  // translations come back, not the built-in ones.
  if (is5250Keyboard(WhichKeyboard())) return;
  UpdateMiscellaneousPreference(session_, misc_pref::kEnterKey, 3);
  UpdateMiscellaneousPreference(session_, misc_pref::kEnterKey, 0);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_F5));
  EXPECT_EQ(NextAid(), 0xF1);
}

TEST_F(KeyPreDispatchTest, TheCommandLineKeyFileIsFoundInTheKeyDirectory) {
  qwtest::TempDir shared;
  const std::string k = shared.Path() + "/QW5250/K";
  ASSERT_EQ(mkdir((shared.Path() + "/QW5250").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(k.c_str(), 0700), 0);
  const std::string extension = keyfile::KeyboardExtension(WhichKeyboard());
  std::ofstream(k + "/mykeys." + extension) << "<Key>F7: enter() \n";
  std::ofstream(k + "/Default." + extension) << "<Key>F8: enter() \n";
  const char* before = std::getenv("KDVSHARED");
  const std::string saved = before ? before : "";
  setenv("KDVSHARED", shared.Path().c_str(), 1);
  struct Case {
    std::string name;
    std::vector<const char*> logged;
    const char* bound;
  } cases[] = {
      {"mykeys", {"QWC0100"}, "F7"},
      {"mykeys.101", {"QWC0101"}, "F7"},
      {"mykeys." + extension, {}, "F7"},
      {"nothere", {"QWC0100", "QWC0102"}, "F8"},
      {"../K/mykeys." + extension, {"QWC0102"}, "F8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qwtest::LogCapture log;
    Open(c.name);
    for (const char* id : {"QWC0100", "QWC0101", "QWC0102"}) {
      bool expected = false;
      for (const char* l : c.logged) expected = expected || std::string(l) == id;
      EXPECT_EQ(log.Contains(id), expected) << id;
    }
    const std::string& kept = session_->xstuff.defaultTranslations();
    EXPECT_NE(kept.find(std::string("<KeyPress>") + c.bound + ": enter()"), std::string::npos);
    EndSessions(1);
    Pump(20);
    host_.Stop();
    session_ = nullptr;
  }
  if (before)
    setenv("KDVSHARED", saved.c_str(), 1);
  else
    unsetenv("KDVSHARED");
}

}  // namespace
