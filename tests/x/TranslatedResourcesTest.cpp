// The translated resource file on a private X server: merged over the
// fallbacks, published on RESOURCE_MANAGER, bad lines skipped.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "session/MriLineRules.h"
#include "session/TranslatedResources.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/XProps.h"
#include "tests/support/XServerTest.h"

#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xatom.h>

#include <cstdlib>
#include <map>

namespace qwtest {
namespace {

struct Labels {
  String testLabel;
  String otherLabel;
};

class TranslatedResourcesTest : public XServerTest {
 protected:
  void SetUp() override {
    XServerTest::SetUp();
    if (HasFatalFailure()) return;
    home_.reset(new ScopedEnv("HOME", mriRoot_.Path().c_str()));  // no ~/.Xdefaults
    xenv_.reset(new ScopedEnv("XENVIRONMENT", nullptr));
    XSelectInput(display_, DefaultRootWindow(display_), PropertyChangeMask);
  }
  void TearDown() override {
    if (app_) XtDestroyApplicationContext(app_);
    xenv_.reset();
    home_.reset();
    XServerTest::TearDown();
  }
  // The application as start-up makes it: class "QW5250" with fallbacks.
  Widget MakeTopLevel() {
    static String fallbacks[] = {const_cast<char*>("QW5250*testLabel: fallback"),
                                 const_cast<char*>("QW5250*otherLabel: built-in"), nullptr};
    XtToolkitInitialize();
    app_ = XtCreateApplicationContext();
    XtAppSetFallbackResources(app_, fallbacks);
    int argc = 0;
    appDisplay_ = XtOpenDisplay(app_, server_.DisplayName().c_str(), "qw5250", "QW5250", nullptr, 0,
                                &argc, nullptr);
    EXPECT_NE(appDisplay_, nullptr);
    if (!appDisplay_) return nullptr;
    return XtAppCreateShell(nullptr, "QW5250", applicationShellWidgetClass, appDisplay_, nullptr,
                            0);
  }
  Labels GetLabels(Widget top) {
    static XtResource resources[] = {
        {const_cast<char*>("testLabel"), const_cast<char*>("TestLabel"), XtRString, sizeof(String),
         XtOffsetOf(Labels, testLabel), XtRString, const_cast<char*>("none")},
        {const_cast<char*>("otherLabel"), const_cast<char*>("OtherLabel"), XtRString,
         sizeof(String), XtOffsetOf(Labels, otherLabel), XtRString, const_cast<char*>("none")},
    };
    Labels labels = {nullptr, nullptr};
    XtGetApplicationResources(top, &labels, resources, XtNumber(resources), nullptr, 0);
    return labels;
  }
  // The published RESOURCE_MANAGER read as a database: name -> value.
  std::string Published(const std::string& name) {
    PropertyValue p = ReadRootProperty(display_, "RESOURCE_MANAGER");
    XrmDatabase db = XrmGetStringDatabase(p.bytes.c_str());
    char* type = nullptr;
    XrmValue v = {0, nullptr};
    std::string out = XrmGetResource(db, name.c_str(), name.c_str(), &type, &v) ? v.addr : "(none)";
    XrmDestroyDatabase(db);
    return out;
  }
  int ResourceManagerChanges() {
    XSync(appDisplay_, False);
    XSync(display_, False);
    int n = 0;
    Atom rm = XA_RESOURCE_MANAGER;
    while (XPending(display_)) {
      XEvent ev;
      XNextEvent(display_, &ev);
      if (ev.type == PropertyNotify && ev.xproperty.atom == rm) ++n;
    }
    return n;
  }

  TempDir mriRoot_;
  std::unique_ptr<ScopedEnv> home_, xenv_;
  XtAppContext app_ = nullptr;
  Display* appDisplay_ = nullptr;
};

TEST_F(TranslatedResourcesTest, FileIsMergedOverTheFallbacksAndPublished) {
  const std::string longLine = "QW5250*tooLong: " + std::string(5000, 'x');
  mriRoot_.WriteFile("de_DE/K7_2Resc",
                     "! German texts\n"
                     "QW5250*testLabel: translated\r\n"
                     "QW5250*joined: one \\\n"
                     "two\n" +
                         longLine +
                         "\n"
                         "QW5250*missingColon translated\n"
                         "\x01\x02\xff\xfe\n"
                         "ZE3270*testLabel: other emulator\n"
                         "Brimvault*actionDef.labelString: Define\n"
                         "QW5250*ErrorMsgNoPrinters: Kein Drucker\n");
  SetRootProperty8(display_, "RESOURCE_MANAGER", "STRING", "Other*keep:\tyes\n");
  ScopedEnv mri("MRIPATH", (mriRoot_.Path() + "/de_DE@euro").c_str());
  ScopedEnv lc("LC_MESSAGES", "de_DE@euro");
  Widget top = MakeTopLevel();
  ASSERT_NE(top, nullptr);
  ResourceManagerChanges();

  LogCapture log;
  char* language = nullptr;
  setApplicationResources("K7_2Resc", top, &language, 0);
  ASSERT_NE(language, nullptr);
  EXPECT_STREQ(language, "de_DE");
  EXPECT_EQ(ResourceHelperMode(), HelperModeNone);

  Labels labels = GetLabels(top);
  EXPECT_STREQ(labels.testLabel, "translated");
  EXPECT_STREQ(labels.otherLabel, "built-in");
  char* type = nullptr;
  XrmValue v = {0, nullptr};
  ASSERT_TRUE(
      XrmGetResource(XtDatabase(appDisplay_), "QW5250.testLabel", "QW5250.TestLabel", &type, &v));
  EXPECT_STREQ(v.addr, "translated");

  EXPECT_EQ(ResourceManagerChanges(), 1);
  const std::map<std::string, std::string> expected = {
      {"QW5250.testLabel", "translated"},
      {"QW5250.joined", "one two"},
      {"Other.keep", "yes"},
      {"Vosmerk.actionHelp.labelString", "Define"},
      {"Brimvault.actionDef.labelString", "Define"},
      {"HelpView.ErrorMsgNoPrinters", "Kein Drucker"},
      {"Trosvel.ErrorMsgNoPrinters", "Kein Drucker"},
      {"QW5250.tooLong", "(none)"},
      {"ZE3270.testLabel", "(none)"},
  };
  for (const auto& e : expected) EXPECT_EQ(Published(e.first), e.second) << e.first;
  EXPECT_TRUE(log.Contains("QWC0192: unable to open"));  // the @euro directory
  EXPECT_TRUE(log.Contains("line 5 is longer than 4096 bytes"));
  EXPECT_TRUE(log.Contains("line 6 is not a resource line"));
  EXPECT_TRUE(log.Contains("line 7 is not a resource line"));
}

TEST_F(TranslatedResourcesTest, LongFileIsPublishedInPiecesAndReadsBackWhole) {
  std::string content;
  std::map<std::string, std::string> values;
  for (int i = 0; i < 4000; ++i) {
    std::string name = "QW5250.label" + std::to_string(i);
    std::string value = "text " + std::to_string(i) + " " + std::string(80, 'a' + i % 26);
    content += name + ": " + value + "\n";
    values[name] = value;
  }
  ASSERT_GT(content.size(), 300000u);  // longer than one request of the server
  mriRoot_.WriteFile("en_US/K7_2Resc", content);
  ScopedEnv mri("MRIPATH", (mriRoot_.Path() + "/en_US").c_str());
  ScopedEnv lc("LC_MESSAGES", "en_US");
  Widget top = MakeTopLevel();
  ASSERT_NE(top, nullptr);
  ResourceManagerChanges();

  char* language = nullptr;
  setApplicationResources("K7_2Resc", top, &language, 0);
  EXPECT_STREQ(language, "en_US");
  EXPECT_GE(ResourceManagerChanges(), 2) << "one replace and at least one append";

  PropertyValue p = ReadRootProperty(display_, "RESOURCE_MANAGER");
  EXPECT_GT(p.bytes.size(), 300000u);
  XrmDatabase db = XrmGetStringDatabase(p.bytes.c_str());
  int found = 0;
  for (const auto& e : values) {
    char* type = nullptr;
    XrmValue v = {0, nullptr};
    if (XrmGetResource(db, e.first.c_str(), e.first.c_str(), &type, &v) && e.second == v.addr)
      ++found;
  }
  XrmDestroyDatabase(db);
  EXPECT_EQ(found, 4000);
}

TEST_F(TranslatedResourcesTest, WithoutAFileTheFallbacksStay) {
  struct Case {
    const char* what;
    const char* mriPath;  // relative to the temporary root; null: unset
    const char* logId;
  };
  const Case cases[] = {
      {"MRIPATH unset", nullptr, "QWC0193: MRIPATH environment variable not defined; the built-in English texts (en_US) are used."},
      {"no file anywhere", "fr_FR", "failed to open also"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = c.mriPath ? mriRoot_.Path() + "/" + c.mriPath : "";
    ScopedEnv mri("MRIPATH", c.mriPath ? path.c_str() : nullptr);
    ScopedEnv lc("LC_MESSAGES", "fr_FR");
    if (app_) XtDestroyApplicationContext(app_);
    app_ = nullptr;
    Widget top = MakeTopLevel();
    ASSERT_NE(top, nullptr);
    LogCapture log;
    char* language = nullptr;
    setApplicationResources("K7_2Resc", top, &language, 0);
    EXPECT_STREQ(language, "FB");
    EXPECT_TRUE(log.Contains(c.logId));
    EXPECT_STREQ(GetLabels(top).testLabel, "fallback");
    EXPECT_FALSE(ReadRootProperty(display_, "RESOURCE_MANAGER").exists);
  }
}

TEST_F(TranslatedResourcesTest, HelperModeReadsTheKeymapFileAndRenames) {
  mriRoot_.WriteFile("en_US/K7_2KeyM",
                     "Sarvoket*title: shared title\n"
                     "Trosvel*title: keymap only\n"
                     "Brimvault*actionDef.labelString: Define\n");
  ScopedEnv mri("MRIPATH", (mriRoot_.Path() + "/en_US").c_str());
  ScopedEnv lc("LC_MESSAGES", "en_US.UTF-8");
  Widget top = MakeTopLevel();
  ASSERT_NE(top, nullptr);
  char* language = nullptr;
  setApplicationResources("K7_2KeyP", top, &language, 0);
  EXPECT_STREQ(language, "en_US");
  EXPECT_EQ(ResourceHelperMode(), HelperModeKeyP);
  EXPECT_EQ(Published("Ombrath.title"), "shared title");
  EXPECT_EQ(Published("Trosvel.title"), "(none)");
  EXPECT_EQ(Published("Ombrath.actionHelp.labelString"), "Define");
  EXPECT_EQ(Published("Ombrath.actionDef.labelString"), "Define");
  SetResourceHelperMode(HelperModeNone);
}

}  // namespace
}  // namespace qwtest
