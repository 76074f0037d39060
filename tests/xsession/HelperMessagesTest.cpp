// A fake keyboard mapper (an X window and a loopback listener in the test)
// talking to a session under a private X server: its connect message makes
// the session connect and send the action list and translations; tables it
// sends in pieces or back to back are each applied once; messages that
// another client forges, and an oversized length word, are refused with a
// log line; its disconnect gives the helper back.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <Xm/List.h>
#include <Xm/Xm.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "display/DisplayBag.h"
#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "base/LogMsg.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SessionToolkit.h"
#include "tools/AppStartedFlag.h"
#include "tools/HelperFrames.h"
#include "tools/PlaybackFile.h"
#include "tools/PlayRecord.h"
#include "xfront/KeypadButtons.h"
#include "xfront/HelperMessages.h"
#include "xfront/HelperPrograms.h"
#include "xfront/WatchCursor.h"
#include "xfront/XStuff.h"
#include "xfront/XuStartTask.h"

namespace {

using namespace qwtest::session_toolkit;

class HelperMessagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(StartToolkit(0, &error)) << error;
      SetDebugFlag(true);
    }
    ASSERT_GE(TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr), 0);
    // The watch cursor's flag: one of this process's own.
    SetAppStartedFlagKey(static_cast<key_t>(0x53000000 | (getpid() & 0xFFFFFF)));
  }
  static void TearDownTestSuite() {
    EndWatchCursor();
    const int id = shmget(AppStartedFlagKey(), 1, 0);
    if (id >= 0) shmctl(id, IPC_RMID, nullptr);
  }

  void SetUp() override {
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    AppResources().keyRemap = QwEnable;
    AppResources().keyPad = QwEnable;
    char tmpl[] = "/tmp/qwhelpermsgXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir_ + ":" + savedPath_).c_str(), 1);
    for (const char* name : {"brastor", "keypad", "vosmerk"}) {
      const std::string script = dir_ + "/" + name;
      std::ofstream(script) << "#!/bin/sh\nexec sleep 300 >/dev/null 2>&1 </dev/null\n";
      chmod(script.c_str(), 0755);
    }
    for (Atom atom : {ApplicationAtoms().keypad3270State, ApplicationAtoms().vosmerkState})
      SetAppState(atom, XtDisplay(TopLevelWidget()), '0');

    test_ = XOpenDisplay(DisplayString(XtDisplay(TopLevelWidget())));
    ASSERT_NE(test_, nullptr);
    helperWindow_ = XCreateSimpleWindow(test_, DefaultRootWindow(test_), 0, 0, 10, 10, 0, 0, 0);
    XSync(test_, False);
    SetAppState(ApplicationAtoms().brastorState, test_, '0');
    XSync(test_, False);

    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(listener_, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener_, 4), 0);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  void TearDown() override {
    EndSessions(1);
    Pump(20);
    if (peer_ >= 0) close(peer_);
    close(listener_);
    XDestroyWindow(test_, helperWindow_);
    XCloseDisplay(test_);
    AppResources() = saved_;
    setenv("PATH", savedPath_.c_str(), 1);
    std::system(("rm -rf " + dir_).c_str());
  }

  SessionControlBlock* StartedSession(const char* menuItem = "*keymapButton") {
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = 1;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    SessionControlBlock* b = NewestSession();
    Widget item = XtNameToWidget(b->xstuff.shell(), menuItem);
    XmAnyCallbackStruct cbs = {};
    XtCallCallbacks(item, XmNactivateCallback, &cbs);
    RunUntil([] { return XuRunningTaskCount() == 0; });
    return b;
  }
  // A ClientMessage from the test's connection (another client) to the shell.
  void Send(SessionControlBlock* b, Atom type, long w0, long w1 = 0, long w2 = 0, int format = 32) {
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = XtWindow(b->xstuff.shell());
    ev.xclient.message_type = type;
    ev.xclient.format = format;
    ev.xclient.data.l[0] = w0;
    ev.xclient.data.l[1] = w1;
    ev.xclient.data.l[2] = w2;
    XSendEvent(test_, ev.xclient.window, False, NoEventMask, &ev);
    XSync(test_, False);
  }
  // The frames the session sent, read until `count` have come.
  std::vector<std::string> ReadFrames(size_t count) {
    std::vector<std::string> frames;
    HelperFrameReader reader;
    RunUntil([&] {
      unsigned char buf[4096];
      const ssize_t n = recv(peer_, buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0)
        reader.feed(buf, static_cast<size_t>(n), [&](const std::string& t) {
          frames.push_back(t);
          return true;
        });
      return frames.size() >= count;
    });
    return frames;
  }
  void Write(const std::string& bytes) { ASSERT_EQ(write(peer_, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }

  AppResourceStruct saved_{};
  std::string dir_, savedPath_;
  Display* test_ = nullptr;
  Window helperWindow_ = 0;
  int listener_ = -1, peer_ = -1;
  int port_ = 0;
};

TEST_F(HelperMessagesTest, KeyboardMapperConnectsExchangesTablesAndDisconnects) {
  const Atom keymap = ApplicationAtoms().keymapInterface;
  SessionControlBlock* b = StartedSession();
  ASSERT_TRUE(b->xstuff.helper(HelperKind::KeyboardRemapper).owner);
  EXPECT_EQ(GetAppState(ApplicationAtoms().brastorState, test_), '1');
  SetAppState(ApplicationAtoms().brastorState, test_, '2');

  Send(b, keymap, 1L << 24, static_cast<long>(helperWindow_), port_);
  ASSERT_TRUE(RunUntil([&] { return (peer_ = accept(listener_, nullptr, nullptr)) >= 0; }));
  const std::vector<std::string> frames = ReadFrames(2);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_NE(frames[0].find("()"), std::string::npos);  // "name()" and a zero byte per action
  EXPECT_EQ(frames[0].back(), '\0');
  EXPECT_EQ(b->xstuff.helper(HelperKind::KeyboardRemapper).window, helperWindow_);
  // The second frame: the drawing widget's current translations.
  EXPECT_NE(frames[1].find("Alt<KeyPress>"), std::string::npos) << frames[1].substr(0, 200);
  EXPECT_NE(frames[1].find("enter()"), std::string::npos);
  EXPECT_EQ(frames[1].find('\n'), std::string::npos);  // line feeds became zero bytes

  // One table split at every byte, then two in one write: each applied once, the last one stays.
  const std::string first = "<Key>F5: no-op()";
  const std::string frame = EncodeHelperFrame(first.data(), first.size());
  for (char ch : frame) {
    Write(std::string(1, ch));
    Pump(1);
  }
  ASSERT_TRUE(RunUntil([&] { return HelperReceivedTranslations(b) == first; }));
  {
    qwtest::LogCapture log;
    const std::string second = "<Key>F6: no-op()", third = "<Key>F7: no-op()";
    Write(EncodeHelperFrame(second.data(), second.size()) + EncodeHelperFrame(third.data(), third.size()));
    ASSERT_TRUE(RunUntil([&] { return HelperReceivedTranslations(b) == third; }));
    EXPECT_EQ(log.Count("Applied new translations from brastor"), 2);
  }

  // A table over an Enter-key arrangement: the arrangement stays in force.
  UpdateMiscellaneousPreference(b, misc_pref::kEnterKey, 2);
  const std::string fourth = "<Key>F8: no-op()\n<Key>Return: enter()";
  Write(EncodeHelperFrame(fourth.data(), fourth.size()));
  ASSERT_TRUE(RunUntil([&] { return HelperReceivedTranslations(b) == fourth; }));
  const std::string now = CurrentTranslationsText(b);
  EXPECT_NE(now.find("F8"), std::string::npos);
  EXPECT_NE(now.find("newline()"), std::string::npos) << now;

  // The disconnect message gives the helper back.
  Send(b, keymap, 2L << 24);
  ASSERT_TRUE(RunUntil([&] { return !b->xstuff.helper(HelperKind::KeyboardRemapper).owner; }));
  EXPECT_EQ(b->xstuff.helper(HelperKind::KeyboardRemapper).connection, nullptr);
  char c;
  EXPECT_TRUE(RunUntil([&] { return recv(peer_, &c, 1, MSG_DONTWAIT) == 0; }));  // closed by the session
}

TEST_F(HelperMessagesTest, ForgedAndMalformedMessagesAreRefused) {
  const QwAtoms& atoms = ApplicationAtoms();
  SessionControlBlock* b = StartedSession();
  const long win = static_cast<long>(helperWindow_);
  const struct {
    const char* what;
    Atom type;
    long w0, w1, w2;
    int format;
    const char* reason;
  } cases[] = {
      {"port 0", atoms.keymapInterface, 1L << 24, win, 0, 32, "bad port"},
      {"port beyond 16 bits", atoms.keymapInterface, 1L << 24, win, 0x10000 + port_, 32, "bad port"},
      {"no window", atoms.keymapInterface, 1L << 24, 0, port_, 32, "bad window id"},
      {"unknown code", atoms.keymapInterface, 9L << 24, 0, 0, 32, "unknown sub-command"},
      {"format 8", atoms.keymapInterface, 1L << 24, win, port_, 8, "not format 32"},
      {"helper not started here", atoms.keypadInterface, 1L << 24, win, port_, 32, "started no such helper"},
      {"disconnect before connect", atoms.keymapInterface, 2L << 24, 0, 0, 32, "has not connected"},
      {"preference id 200", atoms.drevaskInterface, (2L << 24) | (200L << 16), 0, 0, 32, "out of range"},
      {"preferences not running", atoms.drevaskInterface, (2L << 24) | (3L << 16), 0, 0, 32, "does not run"},
      {"preferences start not pending", atoms.drevaskInterface, 1L << 24, win, 0, 32, "no start"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    qwtest::LogCapture log;
    Send(b, c.type, c.w0, c.w1, c.w2, c.format);
    EXPECT_TRUE(RunUntil([&] { return log.Contains("Refused a"); }));
    EXPECT_TRUE(log.Contains(c.reason));
  }
  // Nothing connected, the session still owns its helper.
  char byte;
  EXPECT_EQ(accept(listener_, nullptr, nullptr), -1);
  (void)byte;
  EXPECT_TRUE(b->xstuff.helper(HelperKind::KeyboardRemapper).owner);
  EXPECT_EQ(b->xstuff.helper(HelperKind::KeyboardRemapper).window, 0u);
}

TEST_F(HelperMessagesTest, OversizedLengthWordClosesTheConnection) {
  SessionControlBlock* b = StartedSession();
  Send(b, ApplicationAtoms().keymapInterface, 1L << 24, static_cast<long>(helperWindow_), port_);
  ASSERT_TRUE(RunUntil([&] { return (peer_ = accept(listener_, nullptr, nullptr)) >= 0; }));
  ReadFrames(2);
  qwtest::LogCapture log;
  Write(std::string("\x7f\xff\xff\xff", 4) + "abc");
  ASSERT_TRUE(RunUntil([&] { return b->xstuff.helper(HelperKind::KeyboardRemapper).connection == nullptr; }));
  EXPECT_TRUE(log.Contains("longer than"));
  EXPECT_EQ(HelperReceivedTranslations(b), "");
}

}  // namespace

namespace {

// The ClientMessages of one type that reached the test's window, read until
// `count` have come.
std::vector<XClientMessageEvent> ReadClientMessages(Display* d, Window w, Atom type, size_t count) {
  std::vector<XClientMessageEvent> got;
  RunUntil([&] {
    XSync(d, False);
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == ClientMessage && e.xclient.window == w && e.xclient.message_type == type) got.push_back(e.xclient);
    }
    return got.size() >= count;
  });
  return got;
}

TEST_F(HelperMessagesTest, PreferencesProgramGetsAndSetsEveryPreference) {
  const Atom type = ApplicationAtoms().drevaskInterface;
  SessionControlBlock* a = StartedSession();
  SessionControlBlock* b = StartedSession();
  ASSERT_NE(a, b);
  // As the menu leaves it while the program starts.
  SetPreferencesProgramStarted(true);
  a->xstuff.setOwnsPreferencesProgram(true);
  const unsigned char order[] = {2, 3, 10, 19, 9, 0, 16, 5, 1, 14, 13, 12, 15, 18, 17, 8, 11, 4, 6, 7};
  auto expectValues = [&](const std::vector<XClientMessageEvent>& got, int code) {
    ASSERT_EQ(got.size(), 20u);
    for (size_t i = 0; i < got.size(); ++i) {
      const unsigned long w0 = static_cast<unsigned long>(got[i].data.l[0]);
      EXPECT_EQ(got[i].format, 32);
      EXPECT_EQ((w0 >> 24) & 0xFF, static_cast<unsigned long>(code));
      EXPECT_EQ((w0 >> 16) & 0xFF, order[i]) << "message " << i;
      EXPECT_EQ((w0 >> 8) & 0xFF, a->miscPreferences.value[order[i]]) << "preference " << int(order[i]);
    }
  };
  Send(a, type, 1L << 24, static_cast<long>(helperWindow_));
  expectValues(ReadClientMessages(test_, helperWindow_, type, 20), 21);
  EXPECT_EQ(a->miscPreferences.value[misc_pref::kHotspots], 1);  // the resource's SINGLE_CLICK

  // One preference for every session.
  Send(a, type, (2L << 24) | (12L << 16) | (0L << 8));
  EXPECT_TRUE(RunUntil([&] {
    return a->miscPreferences.value[misc_pref::kHotspots] == 0 && b->miscPreferences.value[misc_pref::kHotspots] == 0;
  }));
  if (a->display) EXPECT_EQ(a->display->options().hotSpotClickMode, 0);

  // A value out of range changes nothing.
  {
    qwtest::LogCapture log;
    Send(a, type, (2L << 24) | (6L << 16) | (9L << 8));
    EXPECT_TRUE(RunUntil([&] { return log.Contains("Refused a"); }));
    EXPECT_TRUE(log.Contains("out of range"));
    EXPECT_EQ(a->miscPreferences.value[misc_pref::kRuleLine], 3);
  }

  // Reset: the resources again, and every value sent back.
  Send(a, type, 5L << 24);
  expectValues(ReadClientMessages(test_, helperWindow_, type, 20), 27);
  EXPECT_EQ(a->miscPreferences.value[misc_pref::kHotspots], 1);
  EXPECT_EQ(b->miscPreferences.value[misc_pref::kHotspots], 1);

  // Help: a help viewer with the preferences topic.
  const std::string viewer = dir_ + "/daltrue";
  std::ofstream(viewer) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << dir_
                        << "/daltrue.tmp'\nmv '" << dir_ << "/daltrue.tmp' '" << dir_ << "/daltrue.args'\n";
  chmod(viewer.c_str(), 0755);
  Send(a, type, 4L << 24);
  ASSERT_TRUE(RunUntil([&] { return access((dir_ + "/daltrue.args").c_str(), F_OK) == 0; }));
  std::ifstream in(dir_ + "/daltrue.args");
  std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(args.find("-startTopic\nMIS\n"), std::string::npos) << args;

  // Closed: acknowledged with 26, and idle again.
  Send(a, type, 3L << 24);
  const std::vector<XClientMessageEvent> ack = ReadClientMessages(test_, helperWindow_, type, 1);
  ASSERT_EQ(ack.size(), 1u);
  EXPECT_EQ((static_cast<unsigned long>(ack[0].data.l[0]) >> 24) & 0xFF, 26u);
  EXPECT_TRUE(RunUntil([] { return !PreferencesProgramStarted(); }));
  EXPECT_FALSE(a->xstuff.ownsPreferencesProgram());
  RunUntil([] { return XuRunningTaskCount() == 0; });
  a->xstuff.setOwnsPreferencesProgram(false);
  SetPreferencesProgramStarted(false);
  SetPreferencesProgramWindow(0);
}

TEST_F(HelperMessagesTest, KeypadCustomizerGetsPlaybackNamesAndItsChangesRebuildTheKeypads) {
  setenv("KDVSHARED", dir_.c_str(), 1);
  ComputeDefaultPaths(AppResources());
  // The old directories are freed: the fixture puts back the new ones.
  saved_.playbackDirectory = AppResources().playbackDirectory;
  saved_.buttonDirectory = AppResources().buttonDirectory;
  AppResources().playBackPath = const_cast<char*>("/defaults/logon.F1,/defaults/more/menu");
  const Atom type = ApplicationAtoms().keypadInterface;
  SessionControlBlock* b = StartedSession("*customizeButton");
  ASSERT_TRUE(b->xstuff.helper(HelperKind::KeypadCustomizer).owner);
  Send(b, type, 1L << 24, static_cast<long>(helperWindow_), port_);
  ASSERT_TRUE(RunUntil([&] { return (peer_ = accept(listener_, nullptr, nullptr)) >= 0; }));
  const std::vector<std::string> frames = ReadFrames(3);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[2], "logon.F1\nmenu\n");

  // A pull-down keypad written by the customiser appears on its message.
  EXPECT_EQ(b->xstuff.keypadButtons().pullDownMenu(), nullptr);
  const std::string keypads = AppResources().buttonDirectory;
  mkdir((dir_ + "/QW5250").c_str(), 0755);
  mkdir(keypads.c_str(), 0755);
  std::ofstream(keypads + "/menu") << "0\n0 0\n1 1\n5\nEnter:enter()\n";
  Send(b, type, 4L << 24);
  ASSERT_TRUE(RunUntil([&] { return b->xstuff.keypadButtons().pullDownMenu() != nullptr; }));
  Send(b, type, 2L << 24);
  ASSERT_TRUE(RunUntil([&] { return !b->xstuff.helper(HelperKind::KeypadCustomizer).owner; }));
  EXPECT_NE(b->xstuff.keypadButtons().pullDownMenu(), nullptr);
  AppResources().playBackPath = saved_.playBackPath;
}

TEST_F(HelperMessagesTest, PlaybackEditorChangesRefreshThePlaybackList) {
  setenv("KDVSHARED", dir_.c_str(), 1);
  ComputeDefaultPaths(AppResources());
  // The old directories are freed: the fixture puts back the new ones.
  saved_.playbackDirectory = AppResources().playbackDirectory;
  saved_.buttonDirectory = AppResources().buttonDirectory;
  const std::string playback = AppResources().playbackDirectory;
  mkdir((dir_ + "/QW5250").c_str(), 0755);
  mkdir(playback.c_str(), 0755);
  const Atom type = ApplicationAtoms().playbackEditorInterface;
  SessionControlBlock* b = StartedSession("*keymapButton");
  // The editor as the playback dialog's Edit button leaves it.
  b->playRecord.materializePlaybackControls(true);
  HelperSessionState& h = b->xstuff.helper(HelperKind::PlaybackEditor);
  h.owner = true;
  Send(b, type, 1L << 24, static_cast<long>(helperWindow_), port_);
  ASSERT_TRUE(RunUntil([&] { return (peer_ = accept(listener_, nullptr, nullptr)) >= 0; }));
  const std::vector<std::string> frames = ReadFrames(2);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_NE(frames[0].find(std::string("userid()\0password()\0", 20)), std::string::npos);

  Widget list = XtNameToWidget(b->playRecord.dialogShell("playbackControl"), "*playbackFileList");
  auto items = [&] {
    int n = 0;
    XtVaGetValues(list, XmNitemCount, &n, nullptr);
    return n;
  };
  EXPECT_EQ(items(), 0);
  std::string error;
  ASSERT_TRUE(WritePlaybackFile(playback + "/edited", {0xC1}, &error)) << error;
  Send(b, type, 2L << 24);
  EXPECT_TRUE(RunUntil([&] { return items() == 1; }));
  Send(b, type, 3L << 24);
  EXPECT_TRUE(RunUntil([&] { return !h.owner; }));
}

}  // namespace
