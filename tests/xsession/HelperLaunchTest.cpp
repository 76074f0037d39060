// The session window's menu entries that start the desktop's helper
// programs, under a private X server, with stand-in helpers (small scripts
// on PATH that record their arguments): each starts with its argument
// vector, values from the session reach it unread by any shell, a second
// choice while the helper starts or runs starts no other, a helper running
// for another session is refused, and a helper that cannot be started can be
// started again.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <Xm/Xm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "base/LogMsg.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/XWindows.h"
#include "xfront/HelperLaunch.h"
#include "xfront/HelperPrograms.h"
#include "xfront/WatchCursor.h"
#include "tools/AppStartedFlag.h"
#include "xfront/XStuff.h"
#include "xfront/XuStartTask.h"

namespace {

using namespace qwtest::session_toolkit;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class HelperLaunchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(StartToolkit(0, &error)) << error;
      SetDebugFlag(true);
    }
    // An open dialog keeps the master alive when a test ends its last session.
    ASSERT_GE(TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr), 0);
    // A flag of this process's own: parallel tests and real helpers are untouched.
    SetAppStartedFlagKey(static_cast<key_t>(0x52000000 | (getpid() & 0xFFFFFF)));
  }
  static void TearDownTestSuite() {
    EndWatchCursor();
    const int id = shmget(AppStartedFlagKey(), 1, 0);
    if (id >= 0) shmctl(id, IPC_RMID, nullptr);
  }

  void SetUp() override {
    ASSERT_NE(ApplicationContext(), nullptr);
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    AppResources().keyPad = QwEnable;
    AppResources().colorMap = QwEnable;
    AppResources().keyRemap = QwEnable;
    AppResources().drevask = QwEnable;
    char tmpl[] = "/tmp/qwhelpersXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    setenv("PATH", (dir_ + ":" + savedPath_).c_str(), 1);
    const QwAtoms& a = ApplicationAtoms();
    for (Atom atom : {a.tintwellState, a.brastorState, a.keypad3270State, a.vosmerkState})
      SetAppState(atom, Display_(), '0');
  }
  void TearDown() override {
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
    setenv("PATH", savedPath_.c_str(), 1);
    SetPreferencesProgramStarted(false);
    SetPreferencesProgramWindow(0);
    std::system(("rm -rf " + dir_).c_str());
  }

  static Display* Display_() { return XtDisplay(TopLevelWidget()); }

  // A stand-in helper: writes its arguments, one a line, to <name>.args
  // and appends its name to "starts".
  void InstallHelper(const std::string& name) {
    const std::string script = dir_ + "/" + name;
    std::ofstream out(script);
    out << "#!/bin/sh\n"
        << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << dir_ << "/" << name << ".tmp'\n"
        << "mv '" << dir_ << "/" << name << ".tmp' '" << dir_ << "/" << name << ".args'\n"
        << "echo " << name << " >> '" << dir_ << "/starts'\n";
    out.close();
    chmod(script.c_str(), 0755);
  }
  std::vector<std::string> ArgsOf(const std::string& name) {
    const std::string file = dir_ + "/" + name + ".args";
    EXPECT_TRUE(RunUntil([&] { return Exists(file); })) << name << " did not start";
    std::vector<std::string> args;
    std::istringstream in(ReadFile(file));
    for (std::string line; std::getline(in, line);) args.push_back(line);
    return args;
  }
  int Starts() {
    // Every child that was started has ended and written its line.
    RunUntil([] { return XuRunningTaskCount() == 0; });
    std::istringstream in(ReadFile(dir_ + "/starts"));
    int n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
  }

  static SessionControlBlock* NewSession(const std::string& title = "") {
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = 1;
    o.title = title;
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
  static bool HasPair(const std::vector<std::string>& args, const std::string& option, const std::string& value) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
      if (args[i] == option && args[i + 1] == value) return true;
    return false;
  }

  AppResourceStruct saved_{};
  std::string dir_, savedPath_;
};

struct HelperCase {
  const char* item;
  const char* program;
  HelperKind kind;
  const char* titleOption;
};
const HelperCase kHelpers[] = {
    {"colormapButton", "tintwell", HelperKind::ColorMapper, "-emulTitle"},
    {"keymapButton", "brastor", HelperKind::KeyboardRemapper, "-emulTitle"},
    {"customizeButton", "keypad", HelperKind::KeypadCustomizer, "-hostSess"},
};

TEST_F(HelperLaunchTest, MenuEntryStartsItsHelperWithAnArgumentVectorThatNoShellReads) {
  const std::string trap = dir_ + "/ran";
  const std::string title = "T $(touch " + trap + ") `touch " + trap + "` ; touch " + trap;
  for (const HelperCase& c : kHelpers) {
    SCOPED_TRACE(c.program);
    InstallHelper(c.program);
    SessionControlBlock* b = NewSession(title);
    ASSERT_NE(b, nullptr);
    Choose(b, c.item);
    const std::vector<std::string> args = ArgsOf(c.program);
    ASSERT_GE(args.size(), 4u);
    EXPECT_EQ(args[0], "-display");
    EXPECT_EQ(args[1], DisplayString(Display_()));
    EXPECT_TRUE(HasPair(args, "-qwxxxx", "QW5250"));
    EXPECT_TRUE(HasPair(args, c.titleOption, title));
    EXPECT_EQ(GetAppState(HelperStateAtom(c.kind), Display_()), '1');
    EXPECT_TRUE(b->xstuff.helper(c.kind).owner);
    EXPECT_TRUE(b->xstuff.helper(c.kind).startedHere);
    // The watch cursor stays until the helper announces itself.
    EXPECT_EQ(WatchCursorWidget(), b->xstuff.shell());
    Pump(300);
    EXPECT_EQ(WatchCursorWidget(), b->xstuff.shell());
    SetGetAppStartedFlag(true, 1, AppStartedFlagKey());
    EXPECT_TRUE(RunUntil([] { return WatchCursorWidget() == nullptr; }));
    // The session's end gives the helper back.
    EndSession(b, 1);
    EXPECT_EQ(GetAppState(HelperStateAtom(c.kind), Display_()), '0');
  }
  EXPECT_EQ(Starts(), 3);
  EXPECT_FALSE(Exists(trap));
}

TEST_F(HelperLaunchTest, SecondChoiceStartsNoOtherAndAnotherSessionIsRefused) {
  Display* test = XOpenDisplay(DisplayString(Display_()));
  ASSERT_NE(test, nullptr);
  const Window helperWindow = XCreateSimpleWindow(test, DefaultRootWindow(test), 0, 0, 10, 10, 0, 0, 0);
  XSync(test, False);
  const struct {
    HelperCase helper;
    long raise;
  } cases[] = {{kHelpers[0], 25}, {kHelpers[1], 22L << 24}, {kHelpers[2], 22L << 24}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.helper.program);
    InstallHelper(c.helper.program);
    SessionControlBlock* owner = NewSession();
    SessionControlBlock* other = NewSession();
    ASSERT_NE(other, nullptr);
    const int startsBefore = Starts();
    Choose(owner, c.helper.item);
    Choose(owner, c.helper.item);  // still being started: nothing more
    EXPECT_EQ(Starts(), startsBefore + 1);

    // The helper announces itself: running, with its window.
    SetAppState(HelperStateAtom(c.helper.kind), test, '2');
    owner->xstuff.helper(c.helper.kind).window = helperWindow;
    XSync(test, False);
    Choose(owner, c.helper.item);
    XEvent ev;
    ASSERT_TRUE(qwtest::WaitUntil([&] { return XPending(test) > 0; }, kWaitMs, test));
    XNextEvent(test, &ev);
    EXPECT_EQ(ev.type, ClientMessage);
    EXPECT_EQ(ev.xclient.message_type, HelperInterfaceAtom(c.helper.kind));
    EXPECT_EQ(ev.xclient.data.l[0], c.raise);

    const int dialogs = TheErrorDialogs().getNumberOfActiveDialogs();
    Choose(other, c.helper.item);
    EXPECT_EQ(TheErrorDialogs().getNumberOfActiveDialogs(), dialogs + 1);
    EXPECT_FALSE(other->xstuff.helper(c.helper.kind).owner);
    EXPECT_EQ(Starts(), startsBefore + 1);
    EndSessions(1);
    Pump(20);
    EXPECT_EQ(GetAppState(HelperStateAtom(c.helper.kind), test), '0');
    XSync(test, True);  // the session's close message to the helper
  }
  XDestroyWindow(test, helperWindow);
  XCloseDisplay(test);
}

TEST_F(HelperLaunchTest, MissingHelperIsReportedAndCanBeStartedLater) {
  for (const HelperCase& c : kHelpers) {
    SCOPED_TRACE(c.program);
    SessionControlBlock* b = NewSession();
    ASSERT_NE(b, nullptr);
    {
      qwtest::LogCapture log;
      Choose(b, c.item);
      EXPECT_TRUE(log.Contains(std::string("The helper program ") + c.program + " could not be started."));
    }
    EXPECT_NE(XtNameToWidget(b->xstuff.shell(), "*helperNotStartedDialog"), nullptr);
    EXPECT_EQ(WatchCursorWidget(), nullptr);
    EXPECT_EQ(GetAppState(HelperStateAtom(c.kind), Display_()), '0');
    EXPECT_FALSE(b->xstuff.helper(c.kind).owner);
    EXPECT_FALSE(b->xstuff.helper(c.kind).startedHere);

    InstallHelper(c.program);
    Choose(b, c.item);
    EXPECT_FALSE(ArgsOf(c.program).empty());
    EXPECT_EQ(GetAppState(HelperStateAtom(c.kind), Display_()), '1');
    EndSession(b, 1);
  }
}

TEST_F(HelperLaunchTest, PreferencesProgramAndHelpViewer) {
  InstallHelper("zembrot");
  InstallHelper("daltrue");
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  Choose(b, "miscButton");
  Choose(b, "miscButton");  // being started: no second program
  const std::vector<std::string> prefs = ArgsOf("zembrot");
  EXPECT_TRUE(HasPair(prefs, "-geometry", "-0+0"));
  EXPECT_TRUE(b->xstuff.ownsPreferencesProgram());
  EXPECT_TRUE(PreferencesProgramStarted());

  Choose(b, "helpCascade");
  const std::vector<std::string> help = ArgsOf("daltrue");
  EXPECT_TRUE(HasPair(help, "-helpFile", "K7_2Help"));
  EXPECT_EQ(Starts(), 2);
}

}  // namespace
