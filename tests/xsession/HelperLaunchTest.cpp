// The session window's menu entries that start the desktop's helper
// programs, under a private X server, with stand-in helpers (small scripts
// on PATH that record their arguments): each starts with its argument
// vector, values from the session reach it unread by any shell, a second
// choice while the helper starts or runs starts no other, a helper running
// for another session is refused, and a helper that cannot be started can be
// started again.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/cursorfont.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/IntrinsicP.h>
#include <Xm/CascadeB.h>
#include <Xm/CascadeBG.h>
#include <Xm/List.h>
#include <Xm/MenuShell.h>
#include <Xm/PushB.h>
#include <Xm/PushBG.h>
#include <Xm/Xm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
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
#include "tests/support/ScopedEnv.h"
#include "tests/support/SessionMenuClicks.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/XKeys.h"
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
    // The stand-ins still running are ended (only the children of this test).
    for (pid_t pid : XuRunningTasks()) kill(pid, SIGTERM);
    RunUntil([] { return XuRunningTaskCount() == 0; });
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
  // and appends its name to "starts"; then, as a helper that runs, it stays
  // (until the test ends it), having left "up.<its pid>" behind, or ends at
  // once.
  void InstallHelper(const std::string& name, bool stays = true) {
    const std::string script = dir_ + "/" + name;
    std::ofstream out(script);
    out << "#!/bin/sh\n"
        << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << dir_ << "/" << name << ".tmp'\n"
        << "mv '" << dir_ << "/" << name << ".tmp' '" << dir_ << "/" << name << ".args'\n"
        << "echo " << name << " >> '" << dir_ << "/starts'\n";
    if (stays) out << ": > '" << dir_ << "/up.'$$\n" << "exec sleep 3600\n";
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
    // Every child that was started has written its line: it ended, or it
    // stays and says so.
    RunUntil([&] {
      for (pid_t pid : XuRunningTasks())
        if (!Exists(dir_ + "/up." + std::to_string(pid))) return false;
      return true;
    });
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
  InstallHelper("daltrue", false);
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

// The pointer's image as the server shows it now, with its hot spot.
struct CursorLook {
  int width = 0, height = 0, xhot = 0, yhot = 0;
  std::vector<unsigned long> pixels;
  bool operator==(const CursorLook& o) const {
    return width == o.width && height == o.height && xhot == o.xhot && yhot == o.yhot && pixels == o.pixels;
  }
};
CursorLook CursorNow(Display* d) {
  CursorLook look;
  XSync(d, False);
  XFixesCursorImage* image = XFixesGetCursorImage(d);
  if (!image) return look;
  look.width = image->width;
  look.height = image->height;
  look.xhot = image->xhot;
  look.yhot = image->yhot;
  look.pixels.assign(image->pixels, image->pixels + image->width * image->height);
  XFree(image);
  return look;
}

class HelperClickTest : public HelperLaunchTest {
 protected:
  void SetUp() override {
    HelperLaunchTest::SetUp();
    test_ = XOpenDisplay(DisplayString(Display_()));
    ASSERT_NE(test_, nullptr);
    int event = 0, error = 0;
    ASSERT_TRUE(XTestQueryExtension(test_, &event, &error, &event, &error));
    ASSERT_TRUE(XFixesQueryExtension(test_, &event, &error));
  }
  void TearDown() override {
    if (test_) XCloseDisplay(test_);
    HelperLaunchTest::TearDown();
  }
  bool Viewable(Window w) {
    XWindowAttributes a;
    return w && XGetWindowAttributes(test_, w, &a) && a.map_state == IsViewable;
  }
  // The pointer to (x, y) of a widget or gadget, or to its middle.
  void PointAt(Widget w, int x = -1, int y = -1) { ASSERT_TRUE(PointAtWidget(test_, w, x, y)) << XtName(w); }
  // A menu entry chosen as a user does: its menu bar button, then the entry.
  void ChooseByClicks(SessionControlBlock* b, const char* item) {
    std::string why;
    ASSERT_TRUE(ChooseMenuByClicks(test_, b, item, &why)) << why;
  }
  // The watch cursor's image, as a window of the test shows it.
  CursorLook WatchLook() {
    Window w = XCreateSimpleWindow(test_, DefaultRootWindow(test_), 0, 0, 40, 40, 0, 0, 0);
    Cursor watch = XCreateFontCursor(test_, XC_watch);
    XDefineCursor(test_, w, watch);
    XMapRaised(test_, w);
    XSync(test_, False);
    RunUntil([&] { return Viewable(w); });
    XTestFakeMotionEvent(test_, -1, 20, 20, CurrentTime);
    CursorLook look = CursorNow(test_);
    XDestroyWindow(test_, w);
    XFreeCursor(test_, watch);
    XSync(test_, False);
    return look;
  }

  Display* test_ = nullptr;
};

// A helper that ends at once, before it ever announces itself, gives its
// menu entry back: chosen again (by clicks on the menu), it starts again,
// and the pointer over the window is the normal one, not the watch.
TEST_F(HelperClickTest, HelperThatEndsAtOnceStartsAgainAndLeavesNoWatch) {
  const struct {
    const char* item;
    const char* program;
  } cases[] = {{"keymapButton", "brastor"}, {"colormapButton", "tintwell"}, {"customizeButton", "keypad"},
               {"miscButton", "zembrot"}};
  const CursorLook watch = WatchLook();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    InstallHelper(c.program, false);
    SessionControlBlock* b = NewSession();
    ASSERT_NE(b, nullptr);
    Widget menuBar = XtNameToWidget(b->xstuff.shell(), "*menuBar");
    ASSERT_NE(menuBar, nullptr);
    Dimension width = 0, height = 0;
    XtVaGetValues(menuBar, XmNwidth, &width, XmNheight, &height, nullptr);
    // The empty end of the menu bar shows the window's own pointer.
    PointAt(menuBar, width - 4, height / 2);
    const CursorLook normal = CursorNow(test_);
    ASSERT_FALSE(normal == watch);

    const int before = Starts();
    for (int round = 1; round <= 2; ++round) {
      SCOPED_TRACE(round);
      unlink((dir_ + "/" + c.program + ".args").c_str());
      ChooseByClicks(b, c.item);
      EXPECT_FALSE(ArgsOf(c.program).empty());
      ASSERT_TRUE(RunUntil([] { return XuRunningTaskCount() == 0; }));
      EXPECT_EQ(Starts(), before + round);
      EXPECT_EQ(WatchCursorWidget(), nullptr);
      PointAt(menuBar, width - 4, height / 2);
      EXPECT_TRUE(RunUntil([&] { return CursorNow(test_) == normal; })) << "the watch stays";
    }
    EXPECT_EQ(XtNameToWidget(b->xstuff.shell(), "*helperNotStartedDialog"), nullptr);
    EndSession(b, 1);
  }
}

// The session's dialog colours as X resources for the life of an object,
// then put back as they were.
class ScopedDialogColors {
 public:
  ScopedDialogColors(Display* d, const std::vector<std::pair<std::string, std::string>>& colours) : d_(d) {
    XrmDatabase db = XtDatabase(d_);
    String name = nullptr, cls = nullptr;
    XtGetApplicationNameAndClass(d_, &name, &cls);
    for (const auto& c : colours) {
      std::string resourceClass = c.first;
      resourceClass[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(resourceClass[0])));
      char* type = nullptr;
      XrmValue value = {};
      const bool had = XrmGetResource(db, (std::string(name) + "." + c.first).c_str(),
                                      (std::string(cls) + "." + resourceClass).c_str(), &type, &value) &&
                       value.addr;
      old_.emplace_back("*" + c.first, had ? std::string(value.addr) : "");
      XrmPutStringResource(&db, ("*" + c.first).c_str(), c.second.c_str());
    }
  }
  ~ScopedDialogColors() {
    XrmDatabase db = XtDatabase(d_);
    // (A colour that was not set is set to what the window takes without it.)
    static const char* const kDefaults[] = {"black", "grey75", "black", "grey75", "LightGray", "white"};
    for (size_t i = 0; i < old_.size(); ++i)
      XrmPutStringResource(&db, old_[i].first.c_str(), old_[i].second.empty() ? kDefaults[i] : old_[i].second.c_str());
  }

 private:
  Display* d_;
  std::vector<std::pair<std::string, std::string>> old_;
};

// Every helper started from the session's menus (and the playback editor
// from the playback dialog), chosen by clicks, gets the session's dialog
// colours on its command line; the colour mapper also gets the
// administrator's colour directories in a shared segment (key and size on
// its line) and the advanced colour file the window's colours came from.
TEST_F(HelperClickTest, HelpersGetTheSessionsColoursAndTheColourMapperItsHandOff) {
  const std::vector<std::pair<std::string, std::string>> colours = {
      {"menuForeground", "#102030"}, {"menuBackground", "#c1c2c3"}, {"textForeground", "#203040"},
      {"groupBoxBackground", "#d1d2d3"}, {"formBackground", "#e1e2e3"}, {"entryAreaBackground", "#f1f2f4"}};
  ScopedDialogColors scopedColours(Display_(), colours);
  // The administrator's directories, one of them with a blank in its name.
  static char directories[] = "/srv/colours/site,/srv/shared colours";
  AppResources().colorMapPath = directories;
  AppResources().colorMap = QwAdvanced;
  // The session's colours from an advanced file, through the default file.
  qwtest::ScopedEnv shared("KDVSHARED", dir_.c_str());
  mkdir((dir_ + "/QW5250").c_str(), 0755);
  mkdir((dir_ + "/QW5250/C").c_str(), 0755);
  {
    std::ofstream advanced(dir_ + "/night.colours");
    for (int i = 0; i < 22; ++i) advanced << "#" << (i % 2 ? "102030" : "c0c0c0") << "\n";
    std::ofstream(dir_ + "/QW5250/C/Default.default") << dir_ << "/night.colours\n";
  }
  const std::string playback = dir_ + "/QW5250/playback";
  ComputeDefaultPaths(AppResources());
  saved_.playbackDirectory = AppResources().playbackDirectory;
  saved_.buttonDirectory = AppResources().buttonDirectory;
  mkdir(AppResources().playbackDirectory, 0755);
  std::string error;
  ASSERT_TRUE(WritePlaybackFile(std::string(AppResources().playbackDirectory) + "/logon", {0xC1}, &error)) << error;

  const struct {
    const char* item;
    const char* program;
  } cases[] = {{"colormapButton", "tintwell"}, {"keymapButton", "brastor"}, {"customizeButton", "keypad"},
               {"miscButton", "zembrot"},      {"helpCascade", "daltrue"},  {"editBtn", "vosmerk"}};
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(SettleSessionWindow(b));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    InstallHelper(c.program, false);
    std::string why;
    if (std::string(c.item) == "editBtn") {
      // The playback dialog, its first file clicked, then "Edit".
      ASSERT_TRUE(ChooseMenuByClicks(test_, b, "playbackButton", &why)) << why;
      ASSERT_TRUE(RunUntil([&] { return b->playRecord.dialogShell("playbackControl") != nullptr; }));
      Widget dialog = b->playRecord.dialogShell("playbackControl");
      Widget list = XtNameToWidget(dialog, "*playbackFileList");
      ASSERT_TRUE(PointAtWidget(test_, list, 8, 8));
      PressButton1(test_, true);
      PressButton1(test_, false);
      Widget edit = XtNameToWidget(dialog, "*editBtn");
      ASSERT_TRUE(RunUntil([&] { return XtIsSensitive(edit); })) << "the file is not selected";
      ASSERT_TRUE(ClickWidget(test_, edit));
    } else {
      ASSERT_TRUE(ChooseMenuByClicks(test_, b, c.item, &why)) << why;
    }
    const std::vector<std::string> args = ArgsOf(c.program);
    ASSERT_GE(args.size(), 12u);
    // The six colour options: last, but for the help viewer, which has them
    // first.
    const size_t at = std::string(c.program) == "daltrue" ? 0 : args.size() - 12;
    for (size_t i = 0; i < colours.size(); ++i) {
      EXPECT_EQ(args[at + 2 * i], "-" + colours[i].first);
      EXPECT_EQ(args[at + 2 * i + 1], colours[i].second);
    }
    if (std::string(c.program) == "tintwell") {
      EXPECT_TRUE(HasPair(args, "-advFile", "night.colours"));
      const std::string block("/srv/colours/site\0/srv/shared colours\0\0", sizeof directories + 1);
      char size[16];
      std::snprintf(size, sizeof size, "0x%zx", block.size());
      EXPECT_TRUE(HasPair(args, "-size", size));
      auto key = std::find(args.begin(), args.end(), "-sysadminPaths");
      ASSERT_NE(key, args.end());
      ASSERT_NE(key + 1, args.end());
      const long shmKey = std::strtol((key + 1)->c_str(), nullptr, 16);
      EXPECT_GE(shmKey, 930973240L + getpid());
      const int id = shmget(static_cast<key_t>(shmKey), 0, 0);
      ASSERT_GE(id, 0) << "no segment under " << *(key + 1);
      void* address = shmat(id, nullptr, SHM_RDONLY);
      ASSERT_NE(address, reinterpret_cast<void*>(-1));
      EXPECT_EQ(std::string(static_cast<const char*>(address), block.size()), block);
      shmdt(address);
      shmctl(id, IPC_RMID, nullptr);
    }
    ASSERT_TRUE(RunUntil([] { return XuRunningTaskCount() == 0; }));
  }
  EXPECT_EQ(Starts(), 6);
}

// Every shell below w, popup shells included.
void CollectShells(Widget w, std::vector<Widget>* out) {
  if (!w || !XtIsWidget(w) || w->core.being_destroyed) return;  // gadgets have no pop-ups
  if (XtIsShell(w)) out->push_back(w);
  for (Cardinal i = 0; i < w->core.num_popups; ++i) CollectShells(w->core.popup_list[i], out);
  if (XtIsComposite(w)) {
    WidgetList kids = nullptr;
    Cardinal n = 0;
    XtVaGetValues(w, XmNchildren, &kids, XmNnumChildren, &n, nullptr);
    for (Cardinal i = 0; i < n; ++i) CollectShells(kids[i], out);
  }
}

// The entries of the session's menus that open a dialog here (no helper
// program is there to start).
const std::string kOpening[] = {"recordButton", "playbackButton", "localButton", "pfkeysButton", "customizeButton",
                                "miscButton", "colormapButton", "keymapButton", "runAppletButton"};

// Every dialog that an entry of the session's menus opens has a title of
// its own: not its shell's name nor its dialog's (what the window manager
// shows when no title was given). The entries are chosen by clicks; the
// helper programs are not there, so their entries show why.
TEST_F(HelperClickTest, EveryDialogTheMenusOpenHasATitleOfItsOwn) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  Widget menuBar = XtNameToWidget(b->xstuff.shell(), "*menuBar");
  ASSERT_NE(menuBar, nullptr);
  // The entries that open something (not those that end or add a session).
  std::vector<std::pair<std::string, std::string>> entries;
  WidgetList cascades = nullptr;
  Cardinal count = 0;
  XtVaGetValues(menuBar, XmNchildren, &cascades, XmNnumChildren, &count, nullptr);
  for (Cardinal i = 0; i < count; ++i) {
    Widget menu = nullptr;
    // (The Edit menu opens nothing.)
    if (!XmIsCascadeButton(cascades[i]) || !XtIsManaged(cascades[i]) ||
        std::string(XtName(cascades[i])) == "editCascade")
      continue;
    XtVaGetValues(cascades[i], XmNsubMenuId, &menu, nullptr);
    if (!menu) continue;
    WidgetList items = nullptr;
    Cardinal n = 0;
    XtVaGetValues(menu, XmNchildren, &items, XmNnumChildren, &n, nullptr);
    for (Cardinal k = 0; k < n; ++k) {
      const std::string name = XtName(items[k]);
      if ((XmIsPushButtonGadget(items[k]) || XmIsPushButton(items[k])) && XtIsManaged(items[k]) &&
          XtIsSensitive(items[k]) && name != "quitButton" && name != "new5250Button")
        entries.emplace_back(XtName(cascades[i]), name);
    }
  }
  ASSERT_GE(entries.size(), 10u);
  std::vector<Widget> shells;
  std::vector<Widget> checked;
  int dialogs = 0;
  for (const auto& entry : entries) {
    SCOPED_TRACE(entry.second);
    ChooseByClicks(b, entry.second.c_str());
    // The dialogs that came up (none for an entry that sends a key).
    auto newDialogs = [&] {
      shells.clear();
      CollectShells(TopLevelWidget(), &shells);
      std::vector<Widget> up;
      for (Widget shell : shells)
        if (XtIsRealized(shell) && Viewable(XtWindow(shell)) && !XmIsMenuShell(shell) &&
            shell != b->xstuff.shell() && shell != TopLevelWidget() &&
            std::find(checked.begin(), checked.end(), shell) == checked.end())
          up.push_back(shell);
      return up;
    };
    const bool opens = std::find(std::begin(kOpening), std::end(kOpening), entry.second) != std::end(kOpening);
    if (opens) EXPECT_TRUE(RunUntil([&] { return !newDialogs().empty(); }));
    else Pump(50);
    for (Widget shell : newDialogs()) {
      checked.push_back(shell);
      WidgetList kids = nullptr;
      Cardinal n = 0;
      XtVaGetValues(shell, XmNchildren, &kids, XmNnumChildren, &n, nullptr);
      const std::string dialog = n > 0 ? XtName(kids[0]) : "";
      char* title = nullptr;
      XtVaGetValues(shell, XmNtitle, &title, nullptr);
      const std::string shown = title ? title : "";
      ++dialogs;
      EXPECT_NE(shown, XtName(shell)) << "the dialog " << dialog << " is titled with its shell's name";
      EXPECT_NE(shown, dialog) << "the dialog is titled with its name";
      EXPECT_FALSE(shown.empty()) << dialog;
      // Closed again before the next entry.
      if (n > 0) XtUnmanageChild(kids[0]);
      XtPopdown(shell);
    }
    Pump(20);
  }
  EXPECT_GE(dialogs, static_cast<int>(std::size(kOpening)));
}

}  // namespace
