// Keystroke macros and keypads of real session windows under a private X
// server, against the loopback host: a sign-on recorded with XTEST keys and
// the record dialog's buttons, saved through the save dialog and played into
// a fresh session gives the host the same records; a sign-on macro given at
// start types the user id and the password from the configuration daemon;
// passwords typed while recording stay out of the macro; bad macros stop
// with their message; a pop-up keypad's button and a pull-down keypad's
// entry send their keys.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/List.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>
#include <Xm/Xm.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
#include "session/AppResources.h"
#include "session/ConfigDaemonMessages.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/FakeConfigDaemon.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SessionMenuClicks.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tools/MacroEvents.h"
#include "tools/PlayRecord.h"
#include "tools/PlaybackFile.h"
#include "xfront/HelperLaunch.h"
#include "xfront/KeypadButtons.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

Bytes Record(const Bytes& body) {
  Bytes record = {static_cast<uint8_t>((body.size() + 10) >> 8), static_cast<uint8_t>(body.size() + 10),
                  0x12, 0xA0, 0, 0, 0x04, 0, 0x40, 0x03};
  record.insert(record.end(), body.begin(), body.end());
  return record;
}

// A sign-on screen: a user field at row 6 and a non-display password field
// at row 7, both from column 53, the cursor in the user field, the host
// waiting for the modified fields.
Bytes SignOnScreen() {
  return Record({0x04, 0x40,                                      // clear unit
                 0x04, 0x11, 0x00, 0x08,                          // write to display
                 0x11, 6, 52, 0x1D, 0x40, 0x00, 0x24, 0x00, 10,   // user field
                 0x11, 7, 52, 0x1D, 0x40, 0x00, 0x27, 0x00, 10,   // password field
                 0x13, 6, 53,                                     // insert cursor
                 0x04, 0x52, 0x00, 0x00});                        // read MDT fields
}

const Bytes kUser = {0x98, 0xA4, 0xA2, 0x85, 0x99};      // "quser"
const Bytes kPassword = {0xA9, 0x98, 0xA7, 0x91, 0x92};  // "zqxjk"

class MacroTest : public ::testing::Test {
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
    ASSERT_NE(test_, nullptr);
    ASSERT_TRUE(qwtest::HasXTest(test_));
    setenv("KDVSHARED", shared_.Path().c_str(), 1);
    ComputeDefaultPaths(AppResources());
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    AppResources().playBack = QwEnable;
    AppResources().keyPad = QwEnable;
    playbackDir_ = AppResources().playbackDirectory;
    keypadDir_ = AppResources().buttonDirectory;
    mkdir((shared_.Path() + "/QW5250").c_str(), 0755);
  }
  void TearDown() override {
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  // A session on `host` showing the sign-on screen.
  SessionControlBlock* SignOnSession(qwtest::TestHost5250& host, SessionStartOptions o = {}) {
    EXPECT_TRUE(host.Start());
    o.hostName = "127.0.0.1";
    o.port = host.Port();
    createSessionUnderThisProcess(o, nullptr, nullptr);
    SessionControlBlock* b = NewestSession();
    EXPECT_NE(b, nullptr);
    if (!b) return nullptr;
    EXPECT_TRUE(host.WaitNegotiated(kWaitMs, HostPump()));
    Widget drawing = b->xstuff.x_get_text_widget();
    EXPECT_TRUE(RunUntil([&] { return XtIsRealized(drawing) && Viewable(XtWindow(drawing)); }));
    host.SendRecord(SignOnScreen());
    EXPECT_TRUE(host.Barrier(kWaitMs, HostPump()));
    return b;
  }

  static bool Viewable(Window w) {
    XWindowAttributes a;
    return w && XGetWindowAttributes(test_, w, &a) && a.map_state == IsViewable;
  }
  // A click of the first button in the middle of a widget, through XTEST.
  static void Click(Widget w) {
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(RunUntil([&] { return XtIsRealized(w) && Viewable(XtWindow(w)); }));
    XWindowAttributes a;
    XGetWindowAttributes(test_, XtWindow(w), &a);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(test_, XtWindow(w), DefaultRootWindow(test_), a.width / 2, a.height / 2, &x, &y, &child);
    XTestFakeMotionEvent(test_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(test_, 1, True, CurrentTime);
    XTestFakeButtonEvent(test_, 1, False, CurrentTime);
    XSync(test_, False);
    Pump(50);
  }
  static Widget In(Widget shell, const char* name) {
    return shell ? XtNameToWidget(shell, (std::string("*") + name).c_str()) : nullptr;
  }
  static void FocusDrawing(SessionControlBlock* b) {
    Widget drawing = b->xstuff.x_get_text_widget();
    XSetInputFocus(test_, XtWindow(drawing), RevertToParent, CurrentTime);
    XSync(test_, False);
    ASSERT_TRUE(RunUntil([&] { return b->xstuff.hasFocus(); }));
  }
  // A menu entry chosen by clicks on the menu bar and the entry.
  static void ChooseMenu(SessionControlBlock* b, const char* item) {
    ASSERT_TRUE(SettleSessionWindow(b));
    std::string why;
    ASSERT_TRUE(ChooseMenuByClicks(test_, b, item, &why)) << why;
  }
  void WriteMacro(const std::string& name, const Bytes& events) {
    mkdir(playbackDir_.c_str(), 0755);
    std::string error;
    ASSERT_TRUE(WritePlaybackFile(playbackDir_ + "/" + name, events, &error)) << error;
  }
  // The fields of an inbound record: what follows cursor and AID.
  static Bytes Fields(const Bytes& inbound) {
    return inbound.size() > 13 ? Bytes(inbound.begin() + 13, inbound.end()) : Bytes{};
  }

  static Display* test_;
  qwtest::TempDir shared_;
  std::string playbackDir_, keypadDir_;
  AppResourceStruct saved_{};
};

Display* MacroTest::test_ = nullptr;

TEST_F(MacroTest, RecordedSignOnPlaysIntoAFreshSessionByteForByte) {
  qwtest::TestHost5250 host;
  SessionControlBlock* a = SignOnSession(host);
  ASSERT_NE(a, nullptr);
  PlayRecord& rec = a->playRecord;

  ChooseMenu(a, "recordButton");
  ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecordDialog; }));
  Widget dialog = rec.dialogShell("recordControl");
  Click(In(dialog, "startBtn"));
  ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecording; }));
  EXPECT_TRUE(a->xstuff.recording());

  // The user name, Enter; the host answers with the screen again; PF3.
  FocusDrawing(a);
  ASSERT_TRUE(qwtest::TypeText(test_, "quser"));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
  XSync(test_, False);
  Bytes first, second;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &first));
  EXPECT_EQ(Fields(first), (Bytes{0x11, 6, 53, 0x98, 0xA4, 0xA2, 0x85, 0x99}));
  host.SendRecord(SignOnScreen());
  ASSERT_TRUE(host.Barrier(kWaitMs, HostPump()));
  FocusDrawing(a);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_F3));
  XSync(test_, False);
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &second));

  Click(In(dialog, "stopBtn"));
  ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecordSaving; }));
  EXPECT_FALSE(a->xstuff.recording());
  const Bytes recorded = rec.recorder().bytes();
  ASSERT_GE(recorded.size(), 8u);
  EXPECT_EQ(Bytes(recorded.begin(), recorded.begin() + 7), (Bytes{0x98, 0xA4, 0xA2, 0x85, 0x99, 0xFF, 0x31}));

  // The name typed into the save dialog, Save.
  Widget save = rec.dialogShell("recordFileControl");
  // Without a window manager the dialog gets the focus from the test.
  ASSERT_TRUE(RunUntil([&] { return XtIsRealized(save) && Viewable(XtWindow(save)); }));
  XSetInputFocus(test_, XtWindow(save), RevertToParent, CurrentTime);
  Click(In(save, "recordFileTextField"));
  ASSERT_TRUE(qwtest::TypeText(test_, "logon"));
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] {
    char* t = XmTextFieldGetString(In(save, "recordFileTextField"));
    const bool done = t && std::string(t) == "logon";
    XtFree(t);
    return done;
  }));
  Click(In(save, "saveBtn"));
  ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecordIdle; }));
  PlaybackFileContents file;
  ASSERT_EQ(ReadPlaybackFile(playbackDir_ + "/logon", &file), PlaybackFileError::kNone);
  EXPECT_EQ(file.events, recorded);

  // A fresh session plays it from the playback dialog.
  qwtest::TestHost5250 host2;
  SessionControlBlock* b = SignOnSession(host2);
  ASSERT_NE(b, nullptr);
  ChooseMenu(b, "playbackButton");
  ASSERT_TRUE(RunUntil([&] { return b->playRecord.dialogShell("playbackControl") != nullptr; }));
  Widget playback = b->playRecord.dialogShell("playbackControl");
  ASSERT_NE(playback, nullptr);
  Widget list = In(playback, "playbackFileList");
  ASSERT_TRUE(RunUntil([&] { return XtIsRealized(list) && Viewable(XtWindow(list)); }));
  XmListSelectPos(list, 1, True);
  Pump(20);
  Click(In(playback, "startBtn"));
  Bytes first2, second2;
  ASSERT_TRUE(host2.WaitForRecord(kWaitMs, HostPump(), &first2));
  EXPECT_EQ(first2, first);
  // The macro waits while the keyboard stays locked.
  EXPECT_EQ(b->playRecord.playbackState(), PlayRecord::kPlaying);
  host2.SendRecord(SignOnScreen());
  ASSERT_TRUE(host2.WaitForRecord(kWaitMs, HostPump(), &second2));
  EXPECT_EQ(second2, second);
  ASSERT_TRUE(RunUntil([&] { return b->playRecord.playbackState() == PlayRecord::kPlaybackStopped; }));
  EXPECT_FALSE(b->xstuff.playing());
  EXPECT_NE(In(playback, "playbackControlLabelDone"), nullptr);
  EXPECT_TRUE(XtIsManaged(In(playback, "playbackControlLabelDone")));
}

TEST_F(MacroTest, SignOnMacroAtStartTypesUserIdAndPassword) {
  qwtest::FakeConfigDaemon daemon;
  ASSERT_TRUE(daemon.Start());
  qwtest::ScopedEnv address("IPADDRESS", qwtest::FakeConfigDaemon::PrivateAddress().c_str());
  qwtest::ScopedEnv user("USER", "quser");
  std::string secret = "zqxjk";
  qwgetcredDecode(&secret[0], static_cast<int>(secret.size()));
  daemon.SetReply(qwtest::FakeConfigDaemon::Reply({"RETURNCODE", "0", "PASSWORD", secret}));
  // User id, Tab, password, Enter.
  WriteMacro("signon", {0xFF, 250, 0x09, 251, 0x31});

  qwtest::TestHost5250 host;
  SessionStartOptions o;
  o.playbackFile = "signon";
  o.startupPlayback = 1;
  SessionControlBlock* b = SignOnSession(host, o);
  ASSERT_NE(b, nullptr);
  Bytes inbound;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &inbound));
  Bytes fields = {0x11, 6, 53};
  fields.insert(fields.end(), kUser.begin(), kUser.end());
  fields.insert(fields.end(), {0x11, 7, 53});
  fields.insert(fields.end(), kPassword.begin(), kPassword.end());
  EXPECT_EQ(Fields(inbound), fields);
  // The hidden dialog of a sign-on macro goes at its end.
  ASSERT_TRUE(RunUntil([&] { return b->playRecord.playbackState() == PlayRecord::kNoPlaybackDialog; }));
}

TEST_F(MacroTest, PasswordsTypedWhileRecordingStayOutAndPlaceholdersGoIn) {
  qwtest::TestHost5250 host;
  SessionControlBlock* a = SignOnSession(host);
  ASSERT_NE(a, nullptr);
  PlayRecord& rec = a->playRecord;
  a->xstuff.x_get_text_widget();
  rec.recordKey();  // the record action
  Click(In(rec.dialogShell("recordControl"), "startBtn"));
  ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecording; }));
  FocusDrawing(a);
  ASSERT_TRUE(qwtest::TypeText(test_, "quser"));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Tab));
  // Into the non-display field: typed, but not recorded.
  ASSERT_TRUE(qwtest::TypeText(test_, "zqxjk"));
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] { return a->xstuff.cursorPosition() == 6 * 80 + 57; }));
  // Pause, choose the password placeholder, continue.
  Click(In(rec.dialogShell("recordControl"), "pauseBtn"));
  ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecordPaused; }));
  EXPECT_FALSE(a->xstuff.recording());
  Widget pause = rec.dialogShell("recordPauseControls");
  Click(In(pause, "recordPausePasswordBtn"));
  ASSERT_TRUE(RunUntil([&] { return XmToggleButtonGetState(In(pause, "recordPausePasswordBtn")); }));
  Click(In(pause, "continueBtn"));
  ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecording; }));
  const Bytes bytes = rec.recorder().bytes();
  EXPECT_EQ(bytes, (Bytes{0x98, 0xA4, 0xA2, 0x85, 0x99, 0xFF, 0x09, 251}));
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), kPassword.begin(), kPassword.end()), bytes.end());

  // Closing the record window discards the recording.
  rec.wmCloseRecord();
  EXPECT_EQ(rec.recordState(), PlayRecord::kRecordIdle);
  EXPECT_TRUE(rec.recorder().empty());
  EXPECT_EQ(rec.dialogShell("recordControl"), nullptr);
}

TEST_F(MacroTest, BadMacrosStopWithTheirMessage) {
  qwtest::TestHost5250 host;
  SessionControlBlock* b = SignOnSession(host);
  ASSERT_NE(b, nullptr);
  PlayRecord& play = b->playRecord;
  WriteMacro("click3000", {0xFF, 253, 1, 0x0B, 0xB8});  // position 3,000 on 24 x 80
  WriteMacro("password", {0x98, 0xFF, 251, 0x01, 0x99});
  {
    std::ofstream(playbackDir_ + "/notes") << "these are no keystrokes";
  }
  const struct {
    const char* name;
    const char* message;
    int state;  // after the message
  } cases[] = {
      {"unknown", "PlaybackMsgFileNotInList", PlayRecord::kPlaybackStopped},
      {"notes", "PlaybackMsgFileCorrupt", PlayRecord::kPlaybackStopped},
      {"click3000", "PlaybackMsgIncompatible", PlayRecord::kPlaybackStopped},
      {"password", "playbackPauseDialogMsg2", PlayRecord::kPlaybackPaused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    play.materializePlaybackControls(true);
    play.playKey(c.name);
    ASSERT_TRUE(RunUntil([&] { return play.lastMessage() == c.message; }));
    EXPECT_EQ(play.playbackState(), c.state);
    play.destroyPlaybackControls();
    EXPECT_FALSE(b->xstuff.playing());
  }
  // Nothing reached the host.
  Bytes r;
  EXPECT_FALSE(host.WaitForRecord(0, HostPump(), &r));
}

// "Function key..." in the save dialog, worked as a hand does, shows the
// key menu, never over the button (also with the dialog low on the screen,
// where the menu does not fit below it): a click (the button held while the
// menu comes up) leaves it up for a click on F5; a press dragged onto F5
// and released there chooses F5 as well. F5 names the macro, and Save keeps
// it under that name, which binds the key.
TEST_F(MacroTest, FunctionKeyMenuByHandNamesTheMacroForTheKey) {
  const struct {
    const char* gesture;
    bool drag;  // else: a click on the button, then a click on F5
    bool low;   // the dialog moved to the bottom of the screen
  } cases[] = {{"click, click", false, false},
               {"press, drag, release", true, false},
               {"click, click, the dialog low", false, true},
               {"press, drag, release, the dialog low", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gesture);
    const std::string macro = std::string(c.drag ? "drag" : "click") + (c.low ? "low" : "on");
    qwtest::TestHost5250 host;
    SessionControlBlock* a = SignOnSession(host);
    ASSERT_NE(a, nullptr);
    PlayRecord& rec = a->playRecord;
    // One key recorded, through the record dialog, up to the save dialog.
    Bytes recorded;
    auto recordOneKey = [&] {
      ChooseMenu(a, "recordButton");
      ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecordDialog; }));
      Widget dialog = rec.dialogShell("recordControl");
      Click(In(dialog, "startBtn"));
      ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecording; }));
      FocusDrawing(a);
      ASSERT_TRUE(qwtest::TypeText(test_, "q"));
      XSync(test_, False);
      ASSERT_TRUE(RunUntil([&] { return !rec.recorder().bytes().empty(); }));
      recorded = rec.recorder().bytes();
      Click(In(dialog, "stopBtn"));
      ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecordSaving; }));
    };
    recordOneKey();
    if (HasFatalFailure()) return;

    Widget save = rec.dialogShell("recordFileControl");
    ASSERT_TRUE(RunUntil([&] { return XtIsRealized(save) && Viewable(XtWindow(save)); }));
    XSetInputFocus(test_, XtWindow(save), RevertToParent, CurrentTime);
    Click(In(save, "recordFileTextField"));
    ASSERT_TRUE(qwtest::TypeText(test_, macro));
    XSync(test_, False);
    Widget field = In(save, "recordFileTextField");
    auto fieldIs = [&](const std::string& want) {
      char* t = XmTextFieldGetString(field);
      const bool same = t && want == t;
      XtFree(t);
      return same;
    };
    ASSERT_TRUE(RunUntil([&] { return fieldIs(macro); }));
    if (c.low) {
      // Moved as a user drags it (there is no window manager).
      XWindowAttributes a;
      XGetWindowAttributes(test_, XtWindow(save), &a);
      const int y = HeightOfScreen(DefaultScreenOfDisplay(test_)) - a.height;
      XMoveWindow(test_, XtWindow(save), a.x, y);
      XSync(test_, False);
      ASSERT_TRUE(RunUntil([&] {
        Position shellY = 0;
        XtVaGetValues(save, XmNy, &shellY, nullptr);
        return shellY == y;
      }));
    }

    // The press; the menu comes up while the button is held.
    Widget f5 = In(save, "accButton5");
    ASSERT_NE(f5, nullptr);
    Widget button = In(save, "acceleratorBtn");
    ASSERT_TRUE(PointAtWidget(test_, button));
    PressButton1(test_, true);
    ASSERT_TRUE(RunUntil([&] { return WidgetViewable(test_, f5); })) << "the key menu is not shown";
    {
      const Window menuShell = XtWindow(XtParent(XtParent(f5)));
      int mx = 0, my = 0, bx = 0, by = 0;
      Window child = 0;
      XWindowAttributes m, b;
      XGetWindowAttributes(test_, menuShell, &m);
      XGetWindowAttributes(test_, XtWindow(button), &b);
      XTranslateCoordinates(test_, menuShell, DefaultRootWindow(test_), 0, 0, &mx, &my, &child);
      XTranslateCoordinates(test_, XtWindow(button), DefaultRootWindow(test_), 0, 0, &bx, &by, &child);
      const bool apart = mx >= bx + b.width || bx >= mx + m.width || my >= by + b.height || by >= my + m.height;
      EXPECT_TRUE(apart) << "the menu " << m.width << "x" << m.height << "+" << mx << "+" << my << " covers the button "
                         << b.width << "x" << b.height << "+" << bx << "+" << by;
    }
    if (c.drag) {
      ASSERT_TRUE(PointAtWidget(test_, f5));
      PressButton1(test_, false);
    } else {
      PressButton1(test_, false);
      Pump(50);
      ASSERT_TRUE(WidgetViewable(test_, f5)) << "the key menu went away with the release";
      ASSERT_TRUE(ClickWidget(test_, f5));
    }
    ASSERT_TRUE(RunUntil([&] { return fieldIs(macro + ".F5"); })) << "the field shows " << XmTextFieldGetString(field);
    EXPECT_TRUE(RunUntil([&] { return !WidgetViewable(test_, f5); })) << "the key menu stays up";
    Click(In(save, "saveBtn"));
    ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecordIdle; }));
    PlaybackFileContents file;
    ASSERT_EQ(ReadPlaybackFile(playbackDir_ + "/" + macro + ".F5", &file), PlaybackFileError::kNone);
    EXPECT_EQ(file.events, recorded);
    // F5 is taken now: the next save dialog offers it no more.
    recordOneKey();
    if (HasFatalFailure()) return;
    save = rec.dialogShell("recordFileControl");
    EXPECT_FALSE(XtIsSensitive(In(save, "accButton5")));
    EXPECT_TRUE(XtIsSensitive(In(save, "accButton6")));
    Click(In(save, "doNotSaveBtn"));
    ASSERT_TRUE(RunUntil([&] { return rec.recordState() == PlayRecord::kRecordIdle; }));
    EndSessions(1);
    Pump(20);
    ASSERT_EQ(unlink((playbackDir_ + "/" + macro + ".F5").c_str()), 0);
  }
}

TEST_F(MacroTest, SaveDialogBindsFunctionKeysByName) {
  WriteMacro("x.f3", {0xC1});
  qwtest::TestHost5250 host;
  SessionControlBlock* a = SignOnSession(host);
  ASSERT_NE(a, nullptr);
  PlayRecord& rec = a->playRecord;
  rec.materializeRecordControls();
  rec.startRecording();
  const unsigned char keys[] = {0xC1};
  rec.recordDataKey(keys, 1);
  rec.stopRecording();
  ASSERT_EQ(rec.recordState(), PlayRecord::kRecordSaving);
  Widget save = rec.dialogShell("recordFileControl");
  EXPECT_FALSE(XtIsSensitive(In(save, "accButton3")));
  EXPECT_TRUE(XtIsSensitive(In(save, "accButton5")));
  Widget field = In(save, "recordFileTextField");
  XmTextFieldSetString(field, const_cast<char*>("logon.F12"));
  rec.recordFileAcceleratorAssignment(5);
  char* t = XmTextFieldGetString(field);
  EXPECT_STREQ(t, "logon.F5");
  XtFree(t);
  rec.recordFileAcceleratorAssignment(0);
  t = XmTextFieldGetString(field);
  EXPECT_STREQ(t, "logon");
  XtFree(t);
  // An existing name asks first; the answer replaces it.
  XmTextFieldSetString(field, const_cast<char*>("x.f3"));
  EXPECT_EQ(rec.saveRecord(true), 1);
  EXPECT_EQ(rec.lastMessage(), "recordFileReplaceWarningDialog");
  EXPECT_EQ(rec.saveRecord(false), 0);
  PlaybackFileContents file;
  ASSERT_EQ(ReadPlaybackFile(playbackDir_ + "/x.f3", &file), PlaybackFileError::kNone);
  EXPECT_EQ(file.events, (Bytes{0xC1}));
}

TEST_F(MacroTest, PopUpAndPullDownKeypadsSendTheirKeys) {
  mkdir(keypadDir_.c_str(), 0755);
  {
    std::ofstream(keypadDir_ + "/signon") << "1\n10 20\n1 2\n6\nUser:string(\"quser\") enter()\nempty_button: nothing()\n";
    std::ofstream(keypadDir_ + "/menu") << "0\n0 0\n1 2\n5\nEnter:enter()\nempty_button: nothing()\nPF3:pf3()\n";
  }
  qwtest::TestHost5250 host;
  SessionControlBlock* a = SignOnSession(host);
  ASSERT_NE(a, nullptr);
  KeypadButtons& pads = a->xstuff.keypadButtons();

  // The one pop-up keypad opens without the selection dialog.
  ChooseMenu(a, "pfkeysButton");
  ASSERT_TRUE(RunUntil([&] { return pads.openCount() == 1; }));
  EXPECT_EQ(pads.selectDialog(), nullptr);
  Widget shell = pads.popupShell(0);
  // A click-to-focus window manager gives the keypad the keyboard as it is
  // clicked.
  ASSERT_TRUE(RunUntil([&] { return XtIsRealized(shell) && Viewable(XtWindow(shell)); }));
  XSetInputFocus(test_, XtWindow(shell), RevertToParent, CurrentTime);
  Click(In(shell, "User"));
  Bytes inbound;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &inbound));
  Bytes fields = {0x11, 6, 53};
  fields.insert(fields.end(), kUser.begin(), kUser.end());
  EXPECT_EQ(Fields(inbound), fields);
  EXPECT_FALSE(XtIsSensitive(In(shell, "empty_button")));

  // The keyboard stays with the screen: what is typed next, with the
  // pointer still over the keypad, reaches the field.
  host.SendRecord(SignOnScreen());
  ASSERT_TRUE(host.Barrier(kWaitMs, HostPump()));
  ASSERT_TRUE(qwtest::TypeText(test_, "quser"));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
  XSync(test_, False);
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &inbound)) << "the typed keys went to the keypad";
  EXPECT_EQ(Fields(inbound), fields);

  // The pull-down keypad: its entries, divided by the "empty" separator.
  Widget menu = pads.pullDownMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_NE(XtNameToWidget(menu, "empty"), nullptr);
  host.SendRecord(SignOnScreen());
  ASSERT_TRUE(host.Barrier(kWaitMs, HostPump()));
  Widget entry = XtNameToWidget(menu, "PF3");
  ASSERT_NE(entry, nullptr);
  XmAnyCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(entry, XmNactivateCallback, &cbs);
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &inbound));
  ASSERT_GE(inbound.size(), 13u);
  EXPECT_EQ(inbound[12], 0x33);  // the PF3 AID

  // Moved and closed, the keypad's file keeps its new place, nothing else.
  XMoveWindow(test_, XtWindow(shell), 300, 400);
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(test_, XtWindow(shell), DefaultRootWindow(test_), 0, 0, &x, &y, &child);
    return x == 300 && y == 400;
  }));
  int sx = 0, sy = 0;
  Window child;
  XTranslateCoordinates(test_, XtWindow(a->xstuff.shell()), DefaultRootWindow(test_), 0, 0, &sx, &sy, &child);
  pads.cancelKeypad(0);
  EXPECT_EQ(pads.openCount(), 0);
  std::ifstream in(keypadDir_ + "/signon");
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), "1\n" + std::to_string(300 - sx) + " " + std::to_string(400 - sy) +
                         "\n1 2\n6\nUser:string(\"quser\") enter()\nempty_button: nothing()\n");
}

TEST_F(MacroTest, KeypadSelectionDialogOpensEachKeypadOnce) {
  mkdir(keypadDir_.c_str(), 0755);
  for (const char* name : {"one", "two"})
    std::ofstream(keypadDir_ + "/" + name) << "1\n0 0\n2 2\n4\nEnter:enter()\n";
  std::ofstream(keypadDir_ + "/bad") << "1\n0 0\n9 9\n4\nEnter:enter()\n";
  qwtest::TestHost5250 host;
  SessionControlBlock* a = SignOnSession(host);
  ASSERT_NE(a, nullptr);
  KeypadButtons& pads = a->xstuff.keypadButtons();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    pads.handleKeypadMenuSelection();
    Widget dialog = pads.selectDialog();
    ASSERT_NE(dialog, nullptr);
    Widget list = In(dialog, "userlist");
    EXPECT_EQ([&] {
      int n = 0;
      XtVaGetValues(list, XmNitemCount, &n, nullptr);
      return n;
    }(), 2);  // the bad keypad is not offered
    XmListSelectPos(list, 1, False);
    XmListSelectPos(list, 2, False);
    Click(In(dialog, "keypadOKbox"));
    ASSERT_TRUE(RunUntil([&] { return pads.selectDialog() == nullptr; }));
    EXPECT_EQ(pads.openCount(), 2);  // chosen again: shown where they are
  }
}

TEST_F(MacroTest, StartUpKeypadListOpensItsPopUpKeypads) {
  mkdir(keypadDir_.c_str(), 0755);
  std::ofstream(keypadDir_ + "/enter") << "1\n0 0\n1 1\n5\nEnter:enter()\n";
  std::ofstream(keypadDir_ + "/menu") << "0\n0 0\n1 1\n5\nEnter:enter()\n";
  SessionStartOptions o;
  const std::string names[] = {"enter", "menu", "missing"};
  o.initialKeypads = {0, 0, 3};
  for (const std::string& n : names) {
    o.initialKeypads.insert(o.initialKeypads.end(), n.begin(), n.end());
    o.initialKeypads.push_back(0);
  }
  o.initialKeypads[1] = static_cast<unsigned char>(o.initialKeypads.size());
  qwtest::LogCapture log;
  qwtest::TestHost5250 host;
  SessionControlBlock* a = SignOnSession(host, o);
  ASSERT_NE(a, nullptr);
  KeypadButtons& pads = a->xstuff.keypadButtons();
  ASSERT_TRUE(RunUntil([&] { return pads.openCount() == 1; }));
  EXPECT_EQ(pads.popupName(0), "enter");  // the pull-down keypad is no pop-up
  EXPECT_TRUE(log.Contains("Keypad file 'missing' not found in user or default list."));
  Click(In(pads.popupShell(0), "Enter"));
  Bytes inbound;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &inbound));
  ASSERT_GE(inbound.size(), 13u);
  EXPECT_EQ(inbound[12], 0xF1);  // Enter
}

// With keypads taken from the user ("disable_and_hide" or "false" for the
// keyPad resource) the start-up list opens none.
TEST_F(MacroTest, StartUpKeypadListOpensNothingWhenKeypadsAreTakenAway) {
  mkdir(keypadDir_.c_str(), 0755);
  std::ofstream(keypadDir_ + "/enter") << "1\n0 0\n1 1\n5\nEnter:enter()\n";
  const unsigned char saved = AppResources().keyPad;
  for (unsigned char value : {static_cast<unsigned char>(QwDisableAndHide), static_cast<unsigned char>(QwFalse)}) {
    SCOPED_TRACE(static_cast<int>(value));
    AppResources().keyPad = value;
    SessionStartOptions o;
    o.initialKeypads = {0, 0, 1, 'e', 'n', 't', 'e', 'r', 0};
    o.initialKeypads[1] = static_cast<unsigned char>(o.initialKeypads.size());
    qwtest::TestHost5250 host;
    SessionControlBlock* a = SignOnSession(host, o);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(host.Barrier(kWaitMs, HostPump()));
    Pump(20);
    EXPECT_EQ(a->xstuff.keypadButtons().openCount(), 0);
    EXPECT_TRUE(a->initialKeypads.empty());
    EndSessions(1);
    Pump(20);
  }
  AppResources().keyPad = saved;
}

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

TEST_F(MacroTest, KeypadButtonShowsItsFullLabelWhilePressed) {
  mkdir(keypadDir_.c_str(), 0755);
  std::ofstream(keypadDir_ + "/long") << "1\n0 0\n2 2\n4\nSign on to the system:enter()\n";
  qwtest::TestHost5250 host;
  SessionControlBlock* a = SignOnSession(host);
  ASSERT_NE(a, nullptr);
  KeypadButtons& pads = a->xstuff.keypadButtons();
  ASSERT_EQ(pads.createPopUpKeypad(0, keypadDir_ + "/long"), 1);
  Widget b = In(pads.popupShell(0), "Sign");
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(RunUntil([&] { return XtIsRealized(b) && Viewable(XtWindow(b)); }));
  EXPECT_EQ(LabelOf(b), "Sign");
  Dimension before = 0;
  XtVaGetValues(b, XmNwidth, &before, nullptr);
  XWindowAttributes at;
  XGetWindowAttributes(test_, XtWindow(b), &at);
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(test_, XtWindow(b), DefaultRootWindow(test_), at.width / 2, at.height / 2, &x, &y, &child);
  XTestFakeMotionEvent(test_, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(test_, 1, True, CurrentTime);
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] { return LabelOf(b) == "Sign on to the system"; }));
  Dimension pressed = 0;
  XtVaGetValues(b, XmNwidth, &pressed, nullptr);
  EXPECT_GT(pressed, before);
  XTestFakeButtonEvent(test_, 1, False, CurrentTime);
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] { return LabelOf(b) == "Sign"; }));
  Dimension after = 0;
  XtVaGetValues(b, XmNwidth, &after, nullptr);
  EXPECT_EQ(after, before);
  Bytes inbound;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &inbound));
  EXPECT_EQ(inbound[12], 0xF1);
}

TEST_F(MacroTest, PlaybackDialogStartsByFunctionKeyDeletesAndPlaysIsoFiles) {
  // "quser" and Enter with ISO 8859-1 data keys, bound to F5.
  mkdir(playbackDir_.c_str(), 0755);
  {
    Bytes iso = EncodePlaybackFile({'q', 'u', 's', 'e', 'r', 0xFF, 0x31});
    std::copy_n("739308", 6, iso.begin() + 2);
    std::ofstream(playbackDir_ + "/user.F5", std::ios::binary)
        .write(reinterpret_cast<const char*>(iso.data()), static_cast<long>(iso.size()));
  }
  WriteMacro("other", {0xC1});
  qwtest::TestHost5250 host;
  SessionControlBlock* b = SignOnSession(host);
  ASSERT_NE(b, nullptr);
  PlayRecord& play = b->playRecord;
  ChooseMenu(b, "playbackButton");
  ASSERT_TRUE(RunUntil([&] { return play.dialogShell("playbackControl") != nullptr; }));
  Widget dialog = play.dialogShell("playbackControl");
  ASSERT_NE(dialog, nullptr);
  Widget list = In(dialog, "playbackFileList");
  EXPECT_FALSE(XtIsSensitive(In(dialog, "startBtn")));

  // Both selected, a double click starts nothing.
  int both[2] = {1, 2};
  XtVaSetValues(list, XmNselectedPositions, both, XmNselectedPositionCount, 2, nullptr);
  int* positions = nullptr;
  int selected = 0;
  XmListGetSelectedPos(list, &positions, &selected);
  XtFree(reinterpret_cast<char*>(positions));
  ASSERT_EQ(selected, 2);
  XmListCallbackStruct cbs = {};
  cbs.reason = XmCR_DEFAULT_ACTION;
  cbs.item_position = 2;
  cbs.selected_item_count = 2;
  XtCallCallbacks(list, XmNdefaultActionCallback, &cbs);
  EXPECT_EQ(play.playbackState(), PlayRecord::kPlaybackStopped);
  EXPECT_FALSE(XtIsSensitive(In(dialog, "startBtn")));
  EXPECT_TRUE(XtIsSensitive(In(dialog, "deleteBtn")));
  XmListDeselectAllItems(list);

  // F5 in the dialog's function-key menu plays user.F5; its ISO keys reach
  // the host in EBCDIC.
  XmAnyCallbackStruct act = {};
  act.reason = XmCR_ACTIVATE;
  XtCallCallbacks(In(dialog, "accButton4"), XmNactivateCallback, &act);
  Bytes inbound;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &inbound));
  Bytes fields = {0x11, 6, 53};
  fields.insert(fields.end(), kUser.begin(), kUser.end());
  EXPECT_EQ(Fields(inbound), fields);
  ASSERT_TRUE(RunUntil([&] { return play.playbackState() == PlayRecord::kPlaybackStopped; }));
  // A key no file is bound to starts nothing.
  XtCallCallbacks(In(dialog, "accButton8"), XmNactivateCallback, &act);
  EXPECT_EQ(play.playbackState(), PlayRecord::kPlaybackStopped);

  // Delete asks, then removes the selected file from the directory and the list.
  XmListSelectPos(list, 1, True);
  XtCallCallbacks(In(dialog, "deleteBtn"), XmNactivateCallback, &act);
  Widget ask = In(dialog, "playbackDeleteWarningDialog");
  ASSERT_NE(ask, nullptr);
  EXPECT_TRUE(XtIsManaged(ask));
  XmAnyCallbackStruct ok = {};
  ok.reason = XmCR_OK;
  XtCallCallbacks(ask, XmNokCallback, &ok);
  EXPECT_NE(access((playbackDir_ + "/other").c_str(), F_OK), 0);  // the first in the list
  EXPECT_EQ(access((playbackDir_ + "/user.F5").c_str(), F_OK), 0);
  int items = 0;
  XtVaGetValues(list, XmNitemCount, &items, nullptr);
  EXPECT_EQ(items, 1);
  EXPECT_FALSE(XtIsSensitive(In(dialog, "deleteBtn")));
}

TEST_F(MacroTest, MissingSignOnMacroIsReported) {
  qwtest::TestHost5250 host;
  SessionStartOptions o;
  o.playbackFile = "nowhere";
  o.startupPlayback = 1;
  SessionControlBlock* b = SignOnSession(host, o);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(RunUntil([&] { return b->playRecord.lastMessage() == "PlaybackMsgNoStartup"; }));
  // The hidden dialog shows itself for the message, which comes 750 ms later.
  Widget dialog = b->playRecord.dialogShell("playbackControl");
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(RunUntil([&] {
    Widget m = In(dialog, "playbackMsgDialog");
    return m && XtIsManaged(m);
  }));
  Widget m = In(dialog, "playbackMsgDialog");
  XmAnyCallbackStruct ok = {};
  ok.reason = XmCR_OK;
  XtCallCallbacks(m, XmNokCallback, &ok);
  EXPECT_EQ(b->playRecord.playbackState(), PlayRecord::kNoPlaybackDialog);
}

TEST_F(MacroTest, HelpTopicOfTextAssistAndItsRankBelowMacros) {
  qwtest::TestHost5250 host;
  SessionControlBlock* b = SignOnSession(host);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(HelpTopicFor(b), nullptr);
  ASSERT_TRUE(b->display->keyboardState().enterWPState());
  EXPECT_STREQ(HelpTopicFor(b), "OVE");
  b->playRecord.materializeRecordControls();
  b->playRecord.startRecording();
  EXPECT_STREQ(HelpTopicFor(b), "REC");
  b->playRecord.wmCloseRecord();
  b->display->keyboardState().exitWPState();
  EXPECT_EQ(HelpTopicFor(b), nullptr);
}

TEST_F(MacroTest, FullRecordingGoesToTheSaveStepAndSessionsEndMidMacro) {
  qwtest::TestHost5250 host;
  SessionControlBlock* a = SignOnSession(host);
  ASSERT_NE(a, nullptr);
  PlayRecord& rec = a->playRecord;
  rec.materializeRecordControls();
  rec.startRecording();
  const Bytes keys(kMacroLimit + 10, 0xC1);
  rec.recordDataKey(keys.data(), static_cast<int>(keys.size()));
  EXPECT_EQ(rec.recordState(), PlayRecord::kRecordSaving);
  EXPECT_EQ(rec.recorder().bytes().size(), kMacroLimit);
  EXPECT_NE(rec.dialogShell("recordFileControl"), nullptr);
  EXPECT_EQ(rec.dialogShell("recordControl"), nullptr);

  // A second session ends while its macro plays and its record dialog is up.
  WriteMacro("long", Bytes(4000, 0xC1));
  qwtest::TestHost5250 host2;
  SessionControlBlock* b = SignOnSession(host2);
  ASSERT_NE(b, nullptr);
  b->playRecord.materializePlaybackControls(true);
  b->playRecord.playKey("long");
  ASSERT_EQ(b->playRecord.playbackState(), PlayRecord::kPlaying);
  b->playRecord.materializeRecordControls();
  EndSession(b, 0);
  Pump(300);  // step timers that would fire meanwhile are gone
  EXPECT_EQ(getNumberOfSessions(), 1);
}

}  // namespace
