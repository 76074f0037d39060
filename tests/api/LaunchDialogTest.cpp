// The dialog that starts a programming-interface client program: the
// command it builds (a table, with the environment's values bounded) and a
// real start from a session window, through a stand-in "java" on PATH that
// writes down the arguments it was given.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/MessageB.h>
#include <Xm/SelectioB.h>
#include <Xm/Text.h>
#include <Xm/Xm.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "api/ECLDialog.h"
#include "api/ProgrammingInterface.h"
#include "session/AppResources.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SessionMenuClicks.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/XKeys.h"
#include "xfront/XuStartTask.h"

namespace {

using namespace qwtest::session_toolkit;
using Args = std::vector<std::string>;

TEST(LaunchCommandTest, ArgumentsComeFromTheEnvironmentAndTheTypedText) {
  const std::string path = "/opt/cp:/opt/java/lib/qlbxacl.jar:/home/u";
  const struct {
    const char* what;
    std::string typed, host;
    int number;
    const char *classPath, *javaHome, *home;
    Args expected;  // empty: refused
  } cases[] = {
      {"an applet", "MyApplet", "h", 3, "/opt/cp", "/opt/java", "/home/u",
       {"java", "-classpath", path, kEclWrapperClass, "5250", "MyApplet", "h", "3"}},
      {"words are arguments, nothing is a shell's", "My; rm -rf $(id) `x` 'q'", "host1", 12, "/opt/cp",
       "/opt/java", "/home/u",
       {"java", "-classpath", path, kEclWrapperClass, "5250", "My;", "rm", "-rf", "$(id)", "`x`", "'q'", "host1",
        "12"}},
      {"no text typed", "  ", "h", 1, "/opt/cp", "/opt/java", "/home/u",
       {"java", "-classpath", path, kEclWrapperClass, "5250", "h", "1"}},
      {"CLASSPATH missing", "A", "h", 1, nullptr, "/opt/java", "/home/u", {}},
      {"JAVA_HOME missing", "A", "h", 1, "/opt/cp", nullptr, "/home/u", {}},
      {"HOME missing", "A", "h", 1, "/opt/cp", "/opt/java", nullptr, {}},
      {"a class path longer than the command may be", "A", "h", 1, "", "/opt/java", "/home/u", {}},
      {"a host name of 46 bytes", "A", std::string(46, 'h'), 1, "/opt/cp", "/opt/java", "/home/u", {}},
      {"a host name of 45 bytes", "A", std::string(45, 'h'), 1, "/opt/cp", "/opt/java", "/home/u",
       {"java", "-classpath", path, kEclWrapperClass, "5250", "A", std::string(45, 'h'), "1"}},
      {"typed text longer than the command may be", std::string(1000, 'x'), "h", 1, "/opt/cp", "/opt/java",
       "/home/u", {}},
  };
  const std::string longPath(1200, 'p');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string why;
    const char* classPath = c.classPath && !*c.classPath ? longPath.c_str() : c.classPath;
    const Args got = EclLaunchCommand(c.typed, c.host, c.number, classPath, c.javaHome, c.home, &why);
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(got.empty(), !why.empty()) << why;
  }
}

class LaunchDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A private server port, and no event listener.
    setenv("QW_ECL_PORT", "0", 1);
    setenv("QW_ECL_EVENT_HOST", "127.0.0.1", 1);
    setenv("QW_ECL_EVENT_PORT", "1", 1);
    std::string error;
    test_ = StartSessionSuite(&error);
    ASSERT_NE(test_, nullptr) << error;
    AttachProgrammingInterface();
  }
  static void TearDownTestSuite() {
    StopProgrammingInterface();
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }
  void SetUp() override {
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    // The stand-in java writes its arguments, one a line, and renames the
    // file when it is complete.
    bin_ = dir_.Path() + "/bin";
    mkdir(bin_.c_str(), 0700);
    args_ = dir_.Path() + "/args";
    const std::string script = bin_ + "/java";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << args_ << ".tmp'\nmv '" << args_ << ".tmp' '"
                          << args_ << "'\n";
    chmod(script.c_str(), 0700);
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    setenv("PATH", (bin_ + ":" + savedPath_).c_str(), 1);
    setenv("CLASSPATH", "/opt/ecl", 1);
    setenv("JAVA_HOME", "/opt/jre", 1);
  }
  void TearDown() override {
    if (Widget d = ECLDialog::Current()) XtDestroyWidget(XtParent(d));
    EndSessions(1);
    Pump(20);
    setenv("PATH", savedPath_.c_str(), 1);
    AppResources() = saved_;
  }
  SessionControlBlock* NewSession() {
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = 1;
    o.ECLOption = 2;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    return NewestSession();
  }
  // A menu entry chosen by clicks on the menu bar and the entry; the
  // dialog it opens, once it is shown.
  static Widget Choose(SessionControlBlock* b, const char* item) {
    std::string why;
    EXPECT_TRUE(SettleSessionWindow(b));
    EXPECT_TRUE(ChooseMenuByClicks(test_, b, item, &why)) << why;
    Widget dialog = nullptr;
    RunUntil([&] {
      dialog = ECLDialog::Current();
      return dialog && WidgetViewable(test_, dialog);
    });
    return dialog;
  }
  // A button of the dialog clicked.
  static void ClickChild(Widget dialog, unsigned char which) {
    ASSERT_TRUE(ClickWidget(test_, XmSelectionBoxGetChild(dialog, which)));
  }
  // The text typed into the dialog's field, which has the keyboard.
  static void TypeInto(Widget dialog, const std::string& text) {
    Widget field = XmSelectionBoxGetChild(dialog, XmDIALOG_TEXT);
    // Without a window manager the dialog gets the focus from the test.
    XSetInputFocus(test_, XtWindow(XtParent(dialog)), RevertToParent, CurrentTime);
    ASSERT_TRUE(ClickWidget(test_, field));
    ASSERT_TRUE(qwtest::TypeText(test_, text));
    XSync(test_, False);
    ASSERT_TRUE(RunUntil([&] {
      char* now = XmTextGetString(field);
      const bool done = now && text == now;
      XtFree(now);
      return done;
    })) << "typed: " << text;
  }
  Args WaitForArgs() {
    Args out;
    if (!RunUntil([&] { return access(args_.c_str(), F_OK) == 0; })) return out;
    std::ifstream in(args_);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }
  static bool Viewable(Window w) {
    XWindowAttributes a;
    return w && XGetWindowAttributes(test_, w, &a) && a.map_state == IsViewable;
  }

  static Display* test_;
  qwtest::TempDir dir_;
  std::string bin_, args_, savedPath_;
  AppResourceStruct saved_{};
};

Display* LaunchDialogTest::test_ = nullptr;

TEST_F(LaunchDialogTest, KeypadEnterStartsTheClientWithTheSessionsName) {
  SessionControlBlock* s = NewSession();
  ASSERT_NE(s, nullptr);
  const int number = SessionEntry(s->slot)->instance;
  Widget dialog = Choose(s, "runAppletButton");
  ASSERT_NE(dialog, nullptr);
  EXPECT_STREQ(XtName(dialog), "runAppletDialog");
  EXPECT_FALSE(XtIsManaged(XmSelectionBoxGetChild(dialog, XmDIALOG_HELP_BUTTON)));
  TypeInto(dialog, "MyApplet -x $(id)");
  ASSERT_TRUE(qwtest::PressKey(test_, XK_KP_Enter));
  const Args args = WaitForArgs();
  EXPECT_EQ(args, (Args{"-classpath", "/opt/ecl:/opt/jre/lib/qlbxacl.jar:" + std::string(std::getenv("HOME")),
                        kEclWrapperClass, "5250", "MyApplet", "-x", "$(id)", "127.0.0.1", std::to_string(number)}));
  EXPECT_EQ(ECLDialog::Current(), nullptr);  // the dialog closed
}

TEST_F(LaunchDialogTest, CancelAndMissingValuesStartNothing) {
  SessionControlBlock* s = NewSession();
  ASSERT_NE(s, nullptr);
  Widget first = Choose(s, "runAppletButton");
  ASSERT_NE(first, nullptr);
  // The menu raises the open dialog instead of making a second one. (The
  // dialog is moved off the menu bar first, as a user would.)
  XMoveWindow(test_, XtWindow(XtParent(first)), 700, 600);
  XSync(test_, False);
  EXPECT_EQ(Choose(s, "runAppletButton"), first);
  ClickChild(first, XmDIALOG_CANCEL_BUTTON);
  EXPECT_TRUE(RunUntil([] { return ECLDialog::Current() == nullptr; }));

  // Without JAVA_HOME nothing starts; the next menu choice makes a new dialog.
  unsetenv("JAVA_HOME");
  const size_t running = XuRunningTaskCount();
  Widget second = Choose(s, "runAppletButton");
  ASSERT_NE(second, nullptr);
  TypeInto(second, "MyApplet");
  ClickChild(second, XmDIALOG_OK_BUTTON);
  EXPECT_TRUE(RunUntil([] { return ECLDialog::Current() == nullptr; }));
  EXPECT_EQ(XuRunningTaskCount(), running);
  EXPECT_NE(access(args_.c_str(), F_OK), 0);
}

// A client that cannot start is shown to the user in a box that says why;
// the dialog wears the session's colours.
TEST_F(LaunchDialogTest, ClientThatCannotStartIsShownInABox) {
  const struct {
    const char* what;
    const char* unset;  // an environment variable taken away
    bool noJava;        // PATH without java
    const char* says;
  } cases[] = {
      {"no CLASSPATH", "CLASSPATH", false,
       "The programming-interface client was not started: CLASSPATH is not set."},
      {"no JAVA_HOME", "JAVA_HOME", false,
       "The programming-interface client was not started: JAVA_HOME is not set."},
      {"no java", nullptr, true,
       "The programming-interface client was not started: the program \"java\" could not be started (No such file or "
       "directory)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    setenv("CLASSPATH", "/opt/ecl", 1);
    setenv("JAVA_HOME", "/opt/jre", 1);
    if (c.unset) unsetenv(c.unset);
    qwtest::ScopedEnv path("PATH", c.noJava ? "/nonexistent" : (bin_ + ":" + savedPath_).c_str());
    SessionControlBlock* s = NewSession();
    ASSERT_NE(s, nullptr);
    Widget dialog = Choose(s, "runAppletButton");
    ASSERT_NE(dialog, nullptr);
    Pixel menuBackground = 0, dialogBackground = 1;
    XtVaGetValues(XtNameToWidget(s->xstuff.shell(), "*menuBar"), XmNbackground, &menuBackground, nullptr);
    XtVaGetValues(dialog, XmNbackground, &dialogBackground, nullptr);
    EXPECT_EQ(dialogBackground, menuBackground);
    // A name typed, OK clicked.
    TypeInto(dialog, "MyApplet");
    ClickChild(dialog, XmDIALOG_OK_BUTTON);
    Widget box = nullptr;
    ASSERT_TRUE(RunUntil([&] {
      box = XtNameToWidget(s->xstuff.shell(), "*appletNotStartedDialog");
      return box && XtIsRealized(box) && Viewable(XtWindow(XtParent(box)));
    }));
    XmString text = nullptr;
    XtVaGetValues(box, XmNmessageString, &text, nullptr);
    char* said = nullptr;
    ASSERT_TRUE(XmStringGetLtoR(text, const_cast<char*>(XmFONTLIST_DEFAULT_TAG), &said));
    EXPECT_STREQ(said, c.says);
    XtFree(said);
    XmStringFree(text);
    EXPECT_EQ(ECLDialog::Current(), nullptr);
    EXPECT_NE(access(args_.c_str(), F_OK), 0);
    EndSession(s, 1);
    Pump(20);
  }
}

}  // namespace
