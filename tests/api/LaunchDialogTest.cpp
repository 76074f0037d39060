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
  static void Choose(SessionControlBlock* b, const char* item) {
    Widget w = XtNameToWidget(b->xstuff.shell(), (std::string("*") + item).c_str());
    ASSERT_NE(w, nullptr) << item;
    XmAnyCallbackStruct cbs = {};
    cbs.reason = XmCR_ACTIVATE;
    XtCallCallbacks(w, XmNactivateCallback, &cbs);
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
  Choose(s, "runAppletButton");
  Widget dialog = ECLDialog::Current();
  ASSERT_NE(dialog, nullptr);
  EXPECT_STREQ(XtName(dialog), "runAppletDialog");
  EXPECT_FALSE(XtIsManaged(XmSelectionBoxGetChild(dialog, XmDIALOG_HELP_BUTTON)));
  Widget text = XmSelectionBoxGetChild(dialog, XmDIALOG_TEXT);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XtWindow(text)); }));
  XmTextSetString(text, const_cast<char*>("MyApplet -x $(id)"));
  XSetInputFocus(test_, XtWindow(XtParent(dialog)), RevertToParent, CurrentTime);
  XSync(test_, False);
  XmProcessTraversal(text, XmTRAVERSE_CURRENT);
  Pump(20);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_KP_Enter));
  const Args args = WaitForArgs();
  EXPECT_EQ(args, (Args{"-classpath", "/opt/ecl:/opt/jre/lib/qlbxacl.jar:" + std::string(std::getenv("HOME")),
                        kEclWrapperClass, "5250", "MyApplet", "-x", "$(id)", "127.0.0.1", std::to_string(number)}));
  EXPECT_EQ(ECLDialog::Current(), nullptr);  // the dialog closed
}

TEST_F(LaunchDialogTest, CancelAndMissingValuesStartNothing) {
  SessionControlBlock* s = NewSession();
  ASSERT_NE(s, nullptr);
  Choose(s, "runAppletButton");
  Widget first = ECLDialog::Current();
  ASSERT_NE(first, nullptr);
  // The menu raises the open dialog instead of making a second one.
  Choose(s, "runAppletButton");
  EXPECT_EQ(ECLDialog::Current(), first);
  XmAnyCallbackStruct cbs = {};
  cbs.reason = XmCR_CANCEL;
  XtCallCallbacks(first, XmNcancelCallback, &cbs);
  Pump(20);
  EXPECT_EQ(ECLDialog::Current(), nullptr);

  // Without JAVA_HOME nothing starts; the next menu choice makes a new dialog.
  unsetenv("JAVA_HOME");
  const size_t running = XuRunningTaskCount();
  Choose(s, "runAppletButton");
  Widget second = ECLDialog::Current();
  ASSERT_NE(second, nullptr);
  XmTextSetString(XmSelectionBoxGetChild(second, XmDIALOG_TEXT), const_cast<char*>("MyApplet"));
  cbs.reason = XmCR_OK;
  XtCallCallbacks(second, XmNokCallback, &cbs);
  EXPECT_EQ(ECLDialog::Current(), nullptr);
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
    Choose(s, "runAppletButton");
    Widget dialog = ECLDialog::Current();
    ASSERT_NE(dialog, nullptr);
    Pixel menuBackground = 0, dialogBackground = 1;
    XtVaGetValues(XtNameToWidget(s->xstuff.shell(), "*menuBar"), XmNbackground, &menuBackground, nullptr);
    XtVaGetValues(dialog, XmNbackground, &dialogBackground, nullptr);
    EXPECT_EQ(dialogBackground, menuBackground);
    // OK clicked.
    Widget ok = XmSelectionBoxGetChild(dialog, XmDIALOG_OK_BUTTON);
    // (a gadget: its place in its parent's window)
    ASSERT_TRUE(RunUntil([&] { return XtIsRealized(dialog) && Viewable(XtWindowOfObject(ok)); }));
    Position ox = 0, oy = 0;
    Dimension width = 0, height = 0;
    XtVaGetValues(ok, XmNx, &ox, XmNy, &oy, XmNwidth, &width, XmNheight, &height, nullptr);
    if (XtIsWidget(ok)) ox = oy = 0;
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(test_, XtWindowOfObject(ok), DefaultRootWindow(test_), ox + width / 2, oy + height / 2, &x,
                          &y, &child);
    XTestFakeMotionEvent(test_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(test_, 1, True, CurrentTime);
    XTestFakeButtonEvent(test_, 1, False, CurrentTime);
    XSync(test_, False);
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
