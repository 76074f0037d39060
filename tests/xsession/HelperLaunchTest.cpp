// The session window's menu entries that start the desktop's helper
// programs, under a private X server, with stand-in helpers (small scripts
// on PATH that record their arguments): each starts with its argument
// vector, values from the session reach it unread by any shell, a second
// choice while the helper starts or runs starts no other, a helper running
// for another session is refused, and a helper that cannot be started can be
// started again.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <Xm/List.h>
#include <Xm/Xm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/Language.h"
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
#include "tools/PlaybackFile.h"
#include "tools/PlayRecord.h"
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
    if (c.kind != HelperKind::ColorMapper) {
      // The session's language: host code page and locale.
      EXPECT_TRUE(HasPair(args, "-em_ebc_cp", b->languageRow->codePage));
      EXPECT_TRUE(HasPair(args, "-keyboardLang", b->languageRow->locale));
    }
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
    long raise, close;
  } cases[] = {{kHelpers[0], 25, 5}, {kHelpers[1], 22L << 24, 21L << 24}, {kHelpers[2], 22L << 24, 21L << 24}};
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
    // The owner's end told the helper to close.
    ASSERT_TRUE(qwtest::WaitUntil([&] { return XPending(test) > 0; }, kWaitMs, test));
    XNextEvent(test, &ev);
    EXPECT_EQ(ev.type, ClientMessage);
    EXPECT_EQ(ev.xclient.data.l[0], c.close);
    XSync(test, True);
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
  EXPECT_TRUE(HasPair(help, "-asciiCodepage", b->languageRow->localCodeSet));
  EXPECT_EQ(Starts(), 2);
}

TEST_F(HelperLaunchTest, HelpTopicFollowsWhatTheSessionDoes) {
  InstallHelper("daltrue");
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  PlayRecord& pr = b->playRecord;
  const std::string macro = dir_ + "/long";
  std::string error;
  ASSERT_TRUE(WritePlaybackFile(macro, std::vector<uint8_t>(2000, 0xC1), &error)) << error;
  const struct {
    const char* what;
    void (*enter)(PlayRecord&, const std::string&);
    void (*leave)(PlayRecord&);
    const char* topic;  // null: none
  } cases[] = {
      {"nothing going on", [](PlayRecord&, const std::string&) {}, [](PlayRecord&) {}, nullptr},
      {"recording",
       [](PlayRecord& p, const std::string&) {
         p.materializeRecordControls();
         p.startRecording();
       },
       [](PlayRecord& p) { p.wmCloseRecord(); }, "REC"},
      {"playing",
       [](PlayRecord& p, const std::string& file) {
         p.materializePlaybackControls(true);
         p.startPlaybackFile(file);
       },
       [](PlayRecord& p) { p.wmClosePlayback(); }, "PLY"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.enter(pr, macro);
    Choose(b, "helpCascade");
    const std::vector<std::string> args = ArgsOf("daltrue");
    if (c.topic) {
      EXPECT_TRUE(HasPair(args, "-startTopic", c.topic));
    } else {
      EXPECT_EQ(std::find(args.begin(), args.end(), "-startTopic"), args.end());
    }
    c.leave(pr);
    RunUntil([] { return XuRunningTaskCount() == 0; });
    unlink((dir_ + "/daltrue.args").c_str());
  }
}

TEST_F(HelperLaunchTest, ProgrammingInterfaceEntryExplainsWhatIsMissing) {
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = 1;
  o.ECLOption = 2;
  createSessionUnderThisProcess(o, nullptr, nullptr);
  SessionControlBlock* b = NewestSession();
  ASSERT_NE(b, nullptr);
  qwtest::LogCapture log;
  Choose(b, "runAppletButton");
  EXPECT_TRUE(log.Contains("ECLDialog"));
  EXPECT_NE(XtNameToWidget(b->xstuff.shell(), "*unavailableDialog"), nullptr);
}

TEST_F(HelperLaunchTest, NewSessionTakesThisOnesOptionsAndItsSize) {
  SessionControlBlock* a = NewSession("first");
  ASSERT_NE(a, nullptr);
  const int before = getNumberOfSessions();
  Choose(a, "new5250Button");
  ASSERT_EQ(getNumberOfSessions(), before + 1);
  SessionControlBlock* b = NewestSession();
  ASSERT_NE(b, a);
  const SessionStartOptions* o = SessionStartOptionsOf(b->slot);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->hostName, "127.0.0.1");
  EXPECT_EQ(o->title, "first");
  EXPECT_TRUE(o->playbackFile.empty());
  EXPECT_TRUE(o->geometry.widthGiven && o->geometry.heightGiven);
  EXPECT_FALSE(o->geometry.xGiven || o->geometry.yGiven);
  const Geometry g = a->xstuff.get24x80Geometry();
  EXPECT_EQ(o->geometry.width, g.width);
  EXPECT_EQ(o->geometry.height, g.height);

  // A session with a start-up macro asks first, in the start-session dialog.
  SessionStartOptions withMacro;
  withMacro.hostName = "127.0.0.1";
  withMacro.port = 1;
  withMacro.playbackFile = "signon";
  createSessionUnderThisProcess(withMacro, nullptr, nullptr);
  SessionControlBlock* c = NewestSession();
  const int now = getNumberOfSessions();
  Choose(c, "new5250Button");
  EXPECT_EQ(getNumberOfSessions(), now);
  Widget dialog = XtNameToWidget(TopLevelWidget(), "*hostNameDialog");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(XtIsManaged(dialog));
  XtDestroyWidget(XtParent(dialog));
}

TEST_F(HelperLaunchTest, PlaybackEditorStartsWithTheFileChosenInThePlaybackDialog) {
  InstallHelper("vosmerk");
  setenv("KDVSHARED", dir_.c_str(), 1);
  ComputeDefaultPaths(AppResources());
  // The old directories are freed: the fixture puts back the new ones.
  saved_.playbackDirectory = AppResources().playbackDirectory;
  saved_.buttonDirectory = AppResources().buttonDirectory;
  const std::string playback = AppResources().playbackDirectory;
  mkdir((dir_ + "/QW5250").c_str(), 0755);
  mkdir(playback.c_str(), 0755);
  std::string error;
  ASSERT_TRUE(WritePlaybackFile(playback + "/logon", {0xC1}, &error)) << error;
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  b->playRecord.materializePlaybackControls(true);
  Widget dialog = b->playRecord.dialogShell("playbackControl");
  ASSERT_NE(dialog, nullptr);
  Widget edit = XtNameToWidget(dialog, "*editBtn");
  EXPECT_FALSE(XtIsSensitive(edit));
  XmListSelectPos(XtNameToWidget(dialog, "*playbackFileList"), 1, True);
  EXPECT_TRUE(XtIsSensitive(edit));
  XmAnyCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(edit, XmNactivateCallback, &cbs);
  const std::vector<std::string> args = ArgsOf("vosmerk");
  EXPECT_TRUE(HasPair(args, "-playbackFileToEdit", "logon"));
  EXPECT_TRUE(HasPair(args, "-rows", "18"));
  EXPECT_TRUE(HasPair(args, "-cols", "50"));
  EXPECT_EQ(GetAppState(ApplicationAtoms().vosmerkState, Display_()), '1');
  EXPECT_TRUE(b->xstuff.helper(HelperKind::PlaybackEditor).owner);
}

}  // namespace
