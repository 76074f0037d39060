// Keypads and macros in the C locale and in a UTF-8 locale: keypad labels
// (UTF-8 in the file) show as the locale can, a character it cannot show
// becoming a blank, and a macro plays the same keys to the host in both.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <Xm/Xm.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TestLocales.h"
#include "tools/PlayRecord.h"
#include "tools/PlaybackFile.h"
#include "xfront/KeypadButtons.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

std::string LabelOf(Widget w) {
  XmString s = nullptr;
  XtVaGetValues(w, XmNlabelString, &s, nullptr);
  char* text = nullptr;
  XmStringGetLtoR(s, const_cast<char*>(XmFONTLIST_DEFAULT_TAG), &text);
  std::string out = text ? text : "";
  XtFree(text);
  XmStringFree(s);
  return out;
}

class MacroLocaleTest : public ::testing::TestWithParam<qwtest::TestLocale> {
 protected:
  void SetUp() override {
    const std::string lang = qwtest::LocaleName(GetParam());
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(StartToolkit(0, &error, lang)) << error;
      SetDebugFlag(true);
      ASSERT_GE(TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr), 0);
    }
    if (g_lang != lang) GTEST_SKIP() << "this process runs the toolkit in locale " << g_lang;
    started_ = true;
    setenv("KDVSHARED", shared_.Path().c_str(), 1);
    ComputeDefaultPaths(AppResources());
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    AppResources().playBack = QwEnable;
    mkdir((shared_.Path() + "/QW5250").c_str(), 0755);
    mkdir(AppResources().playbackDirectory, 0755);
    mkdir(AppResources().buttonDirectory, 0755);
  }
  void TearDown() override {
    if (!started_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  qwtest::TempDir shared_;
  AppResourceStruct saved_{};
  bool started_ = false;
};

TEST_P(MacroLocaleTest, KeypadLabelsAndMacroKeys) {
  const std::string keypads = AppResources().buttonDirectory;
  std::ofstream(keypads + "/pad") << "1\n0 0\n1 2\n4\nCaf\xC3\xA9s:enter()\n\xE2\x82\xACuro:enter()\n";
  std::string error;
  ASSERT_TRUE(WritePlaybackFile(std::string(AppResources().playbackDirectory) + "/user",
                                {0x98, 0xA4, 0xA2, 0x85, 0x99, 0xFF, 0x31}, &error))
      << error;

  qwtest::TestHost5250 host;
  ASSERT_TRUE(host.Start());
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = host.Port();
  createSessionUnderThisProcess(o, nullptr, nullptr);
  SessionControlBlock* b = NewestSession();
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs, HostPump()));
  const Bytes body = {0x04, 0x40, 0x04, 0x11, 0x00, 0x08, 0x11, 6, 52, 0x1D, 0x40, 0x00, 0x24, 0x00, 10,
                      0x13, 6, 53, 0x04, 0x52, 0x00, 0x00};
  Bytes record = {0, static_cast<uint8_t>(body.size() + 10), 0x12, 0xA0, 0, 0, 0x04, 0, 0x40, 0x03};
  record.insert(record.end(), body.begin(), body.end());
  host.SendRecord(record);
  ASSERT_TRUE(host.Barrier(kWaitMs, HostPump()));

  KeypadButtons& pads = b->xstuff.keypadButtons();
  ASSERT_EQ(pads.createPopUpKeypad(0, keypads + "/pad"), 1);
  const std::vector<std::string> labels = [&] {
    std::vector<std::string> out;
    WidgetList kids = nullptr;
    Cardinal n = 0;
    Widget board = XtNameToWidget(pads.popupShell(0), "*keypad");
    XtVaGetValues(board, XmNchildren, &kids, XmNnumChildren, &n, nullptr);
    for (Cardinal i = 0; i < n; ++i) out.push_back(LabelOf(kids[i]));
    return out;
  }();
  ASSERT_EQ(labels.size(), 2u);
  if (GetParam() == qwtest::TestLocale::C) {
    EXPECT_EQ(labels[0], "Caf ");  // four characters
    EXPECT_EQ(labels[1], " uro");
  } else {
    EXPECT_EQ(labels[0], "Caf\xC3\xA9");  // four characters, not four bytes
    EXPECT_EQ(labels[1], "\xE2\x82\xACuro");
  }

  b->playRecord.playKey("user");
  Bytes inbound;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &inbound));
  ASSERT_GE(inbound.size(), 13u);
  EXPECT_EQ(Bytes(inbound.begin() + 13, inbound.end()), (Bytes{0x11, 6, 53, 0x98, 0xA4, 0xA2, 0x85, 0x99}));
}

INSTANTIATE_TEST_SUITE_P(Locales, MacroLocaleTest, qwtest::TestLocales(), qwtest::TestLocaleName);

}  // namespace
