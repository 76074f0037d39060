// The status line of a real session window under a private X server, as a
// user sees it: which of its widgets are mapped and what they say, while the
// loopback host and XTEST keys drive the session, and while a session tries
// a host that does not answer.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <Xm/MessageB.h>
#include <Xm/PushB.h>
#include <Xm/Xm.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "session/AppResources.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "session/ErrorDialogs.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "base/LogMsg.h"
#include "tests/support/Screenshot.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/support/XTestServer.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

// The widgets of the status line, left to right as they are made.
const char* const kStatusWidgets[] = {
    "sessionNumberMsg", "hostnameMsg", "msgWaitingMsg", "commMsgZap",  "commMsgNum",   "inputInhMsg1",
    "typeAheadMsg",     "upperShiftMsg", "capsLockMsg", "langshiftMsg", "insertMsg",    "diacritMsg",
    "cursordirMsg",     "screendirMsg", "graphicMsg",   "recordMsg",    "playbackMsg",  "pauseMsg",
    "cursorRowCol",     "right_arrow",  "left_arrow"};

// EBCDIC (CP037) of printable ASCII letters, digits and blank.
Bytes Ebcdic(const std::string& text) {
  Bytes out;
  for (char c : text) {
    if (c >= 'A' && c <= 'I') out.push_back(static_cast<uint8_t>(0xC1 + c - 'A'));
    else if (c >= 'J' && c <= 'R') out.push_back(static_cast<uint8_t>(0xD1 + c - 'J'));
    else if (c >= 'S' && c <= 'Z') out.push_back(static_cast<uint8_t>(0xE2 + c - 'S'));
    else if (c >= '0' && c <= '9') out.push_back(static_cast<uint8_t>(0xF0 + c - '0'));
    else out.push_back(0x40);
  }
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A record of the host: the GDS header (opcode put/get), Clear Unit when
// asked, a Write to Display with the two control characters and the
// orders, then Read MDT Fields.
Bytes Screen(uint8_t cc2, const Bytes& orders, bool clear = true) {
  Bytes body = Cat({clear ? Bytes{0x04, 0x40} : Bytes{}, Bytes{0x04, 0x11, 0x00, cc2}, orders, Bytes{0x04, 0x52, 0x00, 0x00}});
  const int length = static_cast<int>(body.size()) + 10;
  return Cat({Bytes{static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF), 0x12, 0xA0, 0x00, 0x00,
                    0x04, 0x00, 0x40, 0x03},
              body});
}

// "Name" and an input field of 10 positions on row 5 (columns 20-29);
// the cursor on row 9, column 33, outside the field.
Bytes FieldOrders() {
  return Cat({Bytes{0x11, 5, 10}, Ebcdic("NAME"), Bytes{0x11, 5, 19, 0x1D, 0x40, 0x00, 0x20, 0x00, 10},
              Bytes{0x13, 9, 33}});
}

constexpr uint8_t kUnlock = 0x08, kMessageWaitingOn = 0x01, kMessageWaitingOff = 0x02;

// A port on 127.0.0.1 where nothing listens.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    if (fd >= 0) close(fd);
    return 0;
  }
  close(fd);
  return ntohs(a.sin_port);
}

class StatusLineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // One toolkit per process: another suite of this program may have made it.
    std::string error;
    test_ = qwtest::session_toolkit::StartSessionSuite(&error);
    ASSERT_NE(test_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(ApplicationContext(), nullptr);
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
  }
  void TearDown() override {
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  // A session with the loopback host, showing the field screen with the
  // keyboard unlocked.
  void Connect() {
    ASSERT_TRUE(host_.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host_.Port();
    createSessionUnderThisProcess(o, nullptr, nullptr);
    session_ = NewestSession();
    ASSERT_NE(session_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, HostPump()));
    ASSERT_TRUE(RunUntil([&] { return Viewable(XtWindow(session_->xstuff.x_get_text_widget())); }));
    SendScreen(Screen(kUnlock, FieldOrders()));
  }
  void SendScreen(const Bytes& record) {
    host_.SendRecord(record);
    ASSERT_TRUE(host_.Barrier(kWaitMs, HostPump()));
    session_->xstuff.Flush_X5250(0);
  }

  static Display* Toolkit() { return XtDisplay(TopLevelWidget()); }
  static bool Viewable(Window w) {
    XWindowAttributes a;
    return w && XGetWindowAttributes(test_, w, &a) && a.map_state == IsViewable;
  }
  Widget StatusWidget(const char* name) const { return XtNameToWidget(session_->xstuff.statusForm(), name); }
  // Whether the user sees the widget: its window is viewable on the server.
  bool Shown(const char* name) const {
    Widget w = StatusWidget(name);
    XSync(Toolkit(), False);
    return w && Viewable(XtWindow(w));
  }
  std::vector<std::string> ShownWidgets() const {
    std::vector<std::string> out;
    for (const char* name : kStatusWidgets)
      if (Shown(name)) out.push_back(name);
    return out;
  }
  std::string Text(const char* name) const {
    Widget w = StatusWidget(name);
    XmString s = nullptr;
    if (!w) return "";
    XtVaGetValues(w, XmNlabelString, &s, nullptr);
    char* text = s ? static_cast<char*>(XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0,
                                                        XmOUTPUT_ALL))
                   : nullptr;
    std::string out = text ? text : "";
    XtFree(text);
    XmStringFree(s);
    return out;
  }
  // Pumps until the widget is shown (or hidden).
  bool WaitShown(const char* name, bool shown) {
    return RunUntil([&] { return Shown(name) == shown; }, 5000);
  }
  // The characters of the window's screen copy at a row and column
  // (1-based); a null position shows as a blank.
  std::string ScreenText(int row, int column, int length) const {
    const unsigned char* chars = session_->xstuff.characterMirror();
    const int at = (row - 1) * session_->xstuff.columns() + column - 1;
    std::string out(reinterpret_cast<const char*>(chars) + at, static_cast<size_t>(length));
    for (char& c : out)
      if (c == 0) c = ' ';
    return out;
  }
  // The pixels of a status widget's window in its foreground colour.
  int Inked(const char* name) const {
    Widget w = StatusWidget(name);
    Pixel foreground = 0;
    XtVaGetValues(w, XmNforeground, &foreground, nullptr);
    XColor c;
    c.pixel = foreground;
    XQueryColor(Toolkit(), DefaultColormap(Toolkit(), DefaultScreen(Toolkit())), &c);
    const qwtest::Rgb ink{static_cast<uint8_t>(c.red >> 8), static_cast<uint8_t>(c.green >> 8),
                          static_cast<uint8_t>(c.blue >> 8)};
    XSync(Toolkit(), False);
    const qwtest::Screenshot shot = qwtest::CaptureWindow(test_, XtWindow(w));
    int inked = 0;
    for (const qwtest::Rgb& p : shot.pixels) inked += p == ink ? 1 : 0;
    return inked;
  }
  // What a window manager reads and writes of the shell.
  static std::string IconName(Window w) {
    XSync(Toolkit(), False);
    char* name = nullptr;
    std::string out;
    if (XGetIconName(test_, w, &name) && name) out = name;
    if (name) XFree(name);
    return out;
  }
  static Pixmap IconPixmap(Window w) {
    XSync(Toolkit(), False);
    Pixmap p = 0;
    if (XWMHints* h = XGetWMHints(test_, w)) {
      if (h->flags & IconPixmapHint) p = h->icon_pixmap;
      XFree(h);
    }
    return p;
  }
  static std::pair<unsigned, unsigned> Shape(Pixmap p) {
    Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    if (!XGetGeometry(test_, p, &root, &x, &y, &w, &h, &border, &depth)) return {0, 0};
    return {w, h};
  }
  static void SetWmState(Window w, long state) {
    const Atom wmState = XInternAtom(test_, "WM_STATE", False);
    long data[2] = {state, 0};
    XChangeProperty(test_, w, wmState, wmState, 32, PropModeReplace, reinterpret_cast<unsigned char*>(data), 2);
    XSync(test_, False);
  }
  // What a window manager does when it iconifies a window and shows it again.
  void Iconify(Window w) {
    SetWmState(w, IconicState);
    XUnmapWindow(test_, w);
    XSync(test_, False);
    ASSERT_TRUE(RunUntil([&] { return !session_->xstuff.mapped(); }, 5000));
  }
  void Deiconify(Window w) {
    SetWmState(w, NormalState);
    XMapWindow(test_, w);
    XSync(test_, False);
  }
  // The deepest window under the pointer.
  static Window PointerChild() {
    Window root = 0, child = DefaultRootWindow(test_), under = child;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    while (child && XQueryPointer(test_, under, &root, &child, &rx, &ry, &wx, &wy, &mask) && child) under = child;
    return under;
  }
  void Press(KeySym key) {
    Widget drawing = session_->xstuff.x_get_text_widget();
    XSetInputFocus(test_, XtWindow(drawing), RevertToParent, CurrentTime);
    XSync(test_, False);
    ASSERT_TRUE(qwtest::PressKey(test_, key));
    XSync(test_, False);
  }

  static Display* test_;
  qwtest::TestHost5250 host_;
  SessionControlBlock* session_ = nullptr;
  AppResourceStruct saved_{};
};

Display* StatusLineTest::test_ = nullptr;

TEST_F(StatusLineTest, WidgetsInTheirOrderWithTheirNeighboursAndFirstState) {
  Connect();
  XStuff& x = session_->xstuff;
  WidgetList children = nullptr;
  Cardinal count = 0;
  XtVaGetValues(x.statusForm(), XmNchildren, &children, XmNnumChildren, &count, nullptr);
  ASSERT_EQ(count, std::size(kStatusWidgets));
  const int gap = x.cellHeight() <= 12 ? 1 : x.cellHeight() <= 16 ? 2 : x.cellHeight() <= 20 ? 3 : 4;
  // The widget each one is attached to: at its left, or (the arrows) at its right.
  const char* const neighbours[] = {nullptr,        "sessionNumberMsg", "hostnameMsg",   "hostnameMsg",
                                    "commMsgZap",   "msgWaitingMsg",    "inputInhMsg1",  "typeAheadMsg",
                                    "upperShiftMsg", "capsLockMsg",     "langshiftMsg",  "insertMsg",
                                    "diacritMsg",   "cursordirMsg",     "screendirMsg",  "graphicMsg",
                                    "recordMsg",    "playbackMsg",      nullptr,         "cursorRowCol",
                                    "cursorRowCol"};
  for (Cardinal i = 0; i < count; ++i) {
    SCOPED_TRACE(kStatusWidgets[i]);
    EXPECT_STREQ(XtName(children[i]), kStatusWidgets[i]);
    unsigned char left = 0, right = 0;
    Widget leftWidget = nullptr, rightWidget = nullptr;
    int leftOffset = 0, rightOffset = 0;
    XtVaGetValues(children[i], XmNleftAttachment, &left, XmNleftWidget, &leftWidget, XmNrightAttachment, &right,
                  XmNrightWidget, &rightWidget, XmNleftOffset, &leftOffset, XmNrightOffset, &rightOffset, nullptr);
    if (i >= 19) {
      EXPECT_EQ(right, XmATTACH_WIDGET);
      ASSERT_NE(rightWidget, nullptr);
      EXPECT_STREQ(XtName(rightWidget), neighbours[i]);
    } else if (i == 18) {
      EXPECT_EQ(right, XmATTACH_FORM);
    } else if (i == 0) {
      EXPECT_EQ(left, XmATTACH_FORM);
    } else {
      EXPECT_EQ(left, XmATTACH_WIDGET);
      ASSERT_NE(leftWidget, nullptr);
      EXPECT_STREQ(XtName(leftWidget), neighbours[i]);
    }
    EXPECT_EQ(i >= 18 ? rightOffset : leftOffset, gap);
  }
  EXPECT_TRUE(XtIsSubclass(StatusWidget("playbackMsg"), xmPushButtonWidgetClass));
  EXPECT_TRUE(XtIsSubclass(StatusWidget("right_arrow"), xmPushButtonWidgetClass));

  // Connected, unlocked, nothing waiting: the session, the host, type-ahead,
  // the image capability and the cursor's place.
  EXPECT_EQ(ShownWidgets(), (std::vector<std::string>{"sessionNumberMsg", "hostnameMsg", "typeAheadMsg",
                                                      "graphicMsg", "cursorRowCol"}));
  EXPECT_EQ(Text("sessionNumberMsg"), " 1");
  EXPECT_EQ(Text("hostnameMsg"), "127.0.0.1           ");
  EXPECT_EQ(Text("msgWaitingMsg"), "Message Waiting.....");
  EXPECT_EQ(Text("cursorRowCol"), " 9/33 ");
  // The row/column preference hides and shows the indicator at once.
  UpdateMiscellaneousPreference(session_, misc_pref::kRowColumnIndicator, 1);
  EXPECT_FALSE(Shown("cursorRowCol"));
  UpdateMiscellaneousPreference(session_, misc_pref::kRowColumnIndicator, 0);
  EXPECT_TRUE(Shown("cursorRowCol"));

  // The symbols: 10 x 16 (7 x 12 in narrow cells), twice as wide for the
  // communication symbol and the arrows, 2 pixels less high for playback.
  const int w = x.cellWidth() > 7 ? 10 : 7, h = x.cellWidth() > 7 ? 16 : 12;
  const struct {
    const char* name;
    int width, height;
  } images[] = {{"inputInhMsg1", w, h}, {"insertMsg", w, h}, {"commMsgZap", 2 * w, h},
                {"left_arrow", 2 * w, h}, {"playbackMsg", w, h - 2}};
  for (const auto& image : images) {
    SCOPED_TRACE(image.name);
    Pixmap p = 0;
    XtVaGetValues(StatusWidget(image.name), XmNlabelPixmap, &p, nullptr);
    Window root = 0;
    int px = 0, py = 0;
    unsigned pw = 0, ph = 0, border = 0, depth = 0;
    ASSERT_TRUE(XGetGeometry(test_, p, &root, &px, &py, &pw, &ph, &border, &depth));
    EXPECT_EQ(static_cast<int>(pw), image.width);
    EXPECT_EQ(static_cast<int>(ph), image.height);
  }
}

TEST_F(StatusLineTest, IndicatorsFollowTheHostAndTheKeys) {
  Connect();
  ASSERT_TRUE(qwtest::HasXTest(test_));
  // The system is available: no communication message, keyboard unlocked.
  EXPECT_FALSE(Shown("commMsgZap"));
  EXPECT_FALSE(Shown("inputInhMsg1"));

  // Insert mode, on with the Insert key and off with Reset.
  Press(XK_Insert);
  EXPECT_TRUE(WaitShown("insertMsg", true));
  Press(XK_Control_L);
  EXPECT_TRUE(WaitShown("insertMsg", false));

  // A data key outside a field: the keyboard locks with an error code on
  // the error row; Reset gives the row back. (Without automatic help: with
  // it the error would ask this host for help and wait for its answer.)
  UpdateMiscellaneousPreference(session_, misc_pref::kAutomaticHelp, 1);
  const std::string row24 = ScreenText(24, 1, 80);
  Press(XK_A);
  EXPECT_TRUE(WaitShown("inputInhMsg1", true));
  session_->xstuff.Flush_X5250(0);
  EXPECT_EQ(ScreenText(24, 2, 4), "0005");
  Press(XK_Control_L);
  EXPECT_TRUE(WaitShown("inputInhMsg1", false));
  session_->xstuff.Flush_X5250(0);
  EXPECT_EQ(ScreenText(24, 1, 80), row24);

  // Message waiting, on and off by the host.
  SendScreen(Screen(kUnlock | kMessageWaitingOn, {}, false));
  EXPECT_TRUE(WaitShown("msgWaitingMsg", true));
  SendScreen(Screen(kUnlock | kMessageWaitingOff, {}, false));
  EXPECT_TRUE(WaitShown("msgWaitingMsg", false));

  // Enter: the system is busy until the host answers and unlocks.
  Press(XK_Return);
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, HostPump()));
  EXPECT_TRUE(WaitShown("inputInhMsg1", true));
  SendScreen(Screen(kUnlock, FieldOrders()));
  EXPECT_TRUE(WaitShown("inputInhMsg1", false));

  // The host goes away: the communication message says so.
  host_.Disconnect();
  EXPECT_TRUE(WaitShown("commMsgNum", true));
  EXPECT_TRUE(Shown("commMsgZap"));
  EXPECT_EQ(Text("commMsgNum"), "659 ");
}

TEST_F(StatusLineTest, CommunicationMessageTakesThePlaceOfMessageWaiting) {
  Connect();
  XStuff& x = session_->xstuff;
  SendScreen(Screen(kUnlock | kMessageWaitingOn, {}, false));
  ASSERT_TRUE(WaitShown("msgWaitingMsg", true));
  const struct {
    unsigned number;
    const char* text;  // null: no message
  } steps[] = {{12345, "2345"}, {7, "7   "}, {656, "656 "}, {0, nullptr}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.number);
    EXPECT_EQ(x.x_comm_msg(s.number), 0);
    EXPECT_EQ(Shown("commMsgZap"), s.text != nullptr);
    EXPECT_EQ(Shown("commMsgNum"), s.text != nullptr);
    EXPECT_EQ(Shown("msgWaitingMsg"), s.text == nullptr);
    if (s.text) EXPECT_EQ(Text("commMsgNum"), s.text);
  }
}

// A 27x132 screen wider than the window shows one half and an arrow to the
// other. Clicking the arrow with the mouse shows the other half and leaves
// the keyboard with the screen: the next keys typed go into the field.
TEST_F(StatusLineTest, ArrowButtonOfAWideScreenLeavesTheKeyboardWithTheScreen) {
  Connect();
  XStuff& x = session_->xstuff;
  x.setMiscWindowValues(x.ruleLineMode(), 0, 3, false);  // the font stays when the screen widens
  // Clear Unit Alternate (27x132), then an input field at row 5, columns
  // 60-69, with the cursor in it: both halves show it, so the view does not
  // follow the cursor back after the click.
  const Bytes orders = {0x11, 5, 59, 0x1D, 0x40, 0x00, 0x20, 0x00, 10, 0x13, 5, 60};
  Bytes body = Cat({Bytes{0x04, 0x20, 0x00, 0x04, 0x11, 0x00, kUnlock}, orders, Bytes{0x04, 0x52, 0x00, 0x00}});
  const int length = static_cast<int>(body.size()) + 10;
  SendScreen(Cat({Bytes{static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF), 0x12, 0xA0, 0x00,
                        0x00, 0x04, 0x00, 0x40, 0x03},
                  body}));
  ASSERT_EQ(x.columns(), 132);
  ASSERT_TRUE(SettleSessionWindow(session_));
  XStuff::Private& p = *x.privatePart();
  ASSERT_TRUE(p.placement.splitView) << "132 columns of the session font fit a 1024-pixel screen";
  ASSERT_FALSE(p.placement.rightPart) << "the left half is shown first";
  ASSERT_TRUE(WaitShown("right_arrow", true));

  // The keyboard is with the screen; the user clicks the arrow.
  Widget drawing = x.x_get_text_widget();
  XSetInputFocus(test_, XtWindow(drawing), RevertToParent, CurrentTime);
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] { return x.hasFocus(); }));
  Widget arrow = StatusWidget("right_arrow");
  // The window may still be settling after the screen widened: the pointer
  // is moved until it is over the arrow.
  int rx = 0, ry = 0;
  XWindowAttributes a;
  ASSERT_TRUE(RunUntil(
      [&] {
        Window child = 0;
        if (!XGetWindowAttributes(test_, XtWindow(arrow), &a)) return false;
        XTranslateCoordinates(test_, XtWindow(arrow), DefaultRootWindow(test_), a.width / 2, a.height / 2, &rx, &ry,
                              &child);
        XTestFakeMotionEvent(test_, -1, rx, ry, CurrentTime);
        XSync(test_, False);
        return PointerChild() == XtWindow(arrow);
      },
      5000));
  XTestFakeButtonEvent(test_, 1, True, CurrentTime);
  XTestFakeButtonEvent(test_, 1, False, CurrentTime);
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] { return p.placement.rightPart; }, 5000))
      << "the click shows the right half; the arrow at " << rx << "," << ry << " " << a.width << "x" << a.height
      << ", pointer over " << PointerChild() << ", the arrow is " << XtWindow(arrow);
  EXPECT_TRUE(WaitShown("left_arrow", true));

  // Typed without giving the focus back by hand.
  ASSERT_TRUE(qwtest::PressKey(test_, XK_A));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_B));
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] {
    x.Flush_X5250(0);
    return ScreenText(5, 60, 2) == "ab";
  }, 5000)) << "row 5 column 60: \"" << ScreenText(5, 60, 10) << "\"";
  EXPECT_TRUE(p.placement.rightPart) << "the typed text is in view on the right half";
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
  Bytes record;
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, HostPump(), &record));
  const Bytes typed = {0x81, 0x82};  // "ab"
  EXPECT_NE(std::search(record.begin(), record.end(), typed.begin(), typed.end()), record.end())
      << "the field's data reaches the host";
}

// What the programming interface hears of the status line.
std::vector<std::pair<int, int>> g_reports;
void RecordReport(SessionControlBlock*, int kind, int value) { g_reports.emplace_back(kind, value); }

TEST_F(StatusLineTest, OperationsShowTheirLabelAndReportOnlyChanges) {
  Connect();
  XStuff& x = session_->xstuff;
  session_->programmingInterface = 1;
  XStuffSetStatusLineSink(RecordReport);
  const struct {
    void (XStuff::*op)(unsigned int);
    const char* label;
    int kind;
  } ops[] = {{&XStuff::x_playing, "playbackMsg", 6},  {&XStuff::x_play_pausing, "pauseMsg", 7},
             {&XStuff::x_recording, "recordMsg", 8},  {&XStuff::x_rtlcursor, "cursordirMsg", 9},
             {&XStuff::x_rtlscreen, "screendirMsg", 10}, {&XStuff::x_capslock, "capsLockMsg", 11},
             {&XStuff::x_lang_shift, "langshiftMsg", 12}, {&XStuff::x_graphic, "graphicMsg", 13},
             {&XStuff::x_shiftkey, "upperShiftMsg", 14}, {&XStuff::x_diacritic, "diacritMsg", 15},
             {&XStuff::x_inserting, "insertMsg", 4}};
  for (const auto& op : ops) {
    SCOPED_TRACE(op.label);
    const bool before = Shown(op.label);
    g_reports.clear();
    (x.*op.op)(before ? 0 : 1);
    EXPECT_EQ(Shown(op.label), !before);
    (x.*op.op)(before ? 0 : 1);  // the same value again: nothing to report
    (x.*op.op)(before ? 1 : 0);
    EXPECT_EQ(Shown(op.label), before);
    EXPECT_EQ(g_reports, (std::vector<std::pair<int, int>>{{op.kind, before ? 0 : 1}, {op.kind, before ? 1 : 0}}));
  }
  // Type-ahead is not reported.
  g_reports.clear();
  x.x_typeahead(0);
  EXPECT_FALSE(Shown("typeAheadMsg"));
  x.x_typeahead(1);
  EXPECT_TRUE(Shown("typeAheadMsg"));
  EXPECT_TRUE(g_reports.empty());
  XStuffSetStatusLineSink(nullptr);
}

TEST_F(StatusLineTest, HostThatDoesNotAnswerIsShownBeforeTheRetries) {
  const int closed = ClosedPort();
  ASSERT_NE(closed, 0);
  const struct {
    const char* host;
    int port;
    const char* message;  // where the attempt stopped
  } cases[] = {
      {"127.0.0.1", closed, "658 "},      // connecting: refused
      {"no-such-host.invalid", 23, "657 "},  // looking the name up: not known
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    SessionStartOptions o;
    o.hostName = c.host;
    o.port = c.port;
    const auto start = std::chrono::steady_clock::now();
    createSessionUnderThisProcess(o, nullptr, nullptr);
    session_ = NewestSession();
    ASSERT_NE(session_, nullptr);
    Widget zap = StatusWidget("commMsgNum");
    ASSERT_NE(zap, nullptr);
    const Window window = XtWindow(zap);
    ASSERT_NE(window, 0u);

    // A second client watches the server while this one is busy trying.
    std::atomic<long> shownAfterMs{-1};
    std::thread watcher([&] {
      Display* d = XOpenDisplay(DisplayString(test_));
      if (!d) return;
      while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kWaitMs)) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, window, &a) && a.map_state == IsViewable) {
          shownAfterMs = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - start)
                                               .count());
          break;
        }
      }
      XCloseDisplay(d);
    });
    EXPECT_TRUE(RunUntil([&] { return Text("commMsgNum") == c.message && Shown("commMsgNum"); }));
    watcher.join();
    EXPECT_GE(shownAfterMs.load(), 0);
    // Shown after the first failed attempt, not after the quick retries (the
    // first of them comes 20 s later): half that is a bound no loaded machine
    // reaches, while a message that waits for the retries misses it.
    EXPECT_LT(shownAfterMs.load(), 10000);
    EXPECT_TRUE(Viewable(XtWindow(session_->xstuff.shell())));
    EXPECT_TRUE(Shown("commMsgZap"));
    EndSession(session_, 1);
    Pump(20);
  }
}

TEST_F(StatusLineTest, ReconnectionFromTheRetryDialogClearsTheMessage) {
  // Without retry attempts, a lost host opens the retry dialog at once.
  AppResources().RETRY_COUNT = 0;
  Connect();
  const int dialogsBefore = TheErrorDialogs().getNumberOfActiveDialogs();
  host_.Disconnect();
  ASSERT_TRUE(WaitShown("commMsgNum", true));
  EXPECT_EQ(Text("commMsgNum"), "659 ");
  ASSERT_TRUE(RunUntil([&] { return TheErrorDialogs().getNumberOfActiveDialogs() > dialogsBefore; }));
  // OK of the retry dialog connects again (the host takes the next connection).
  Widget ok = nullptr;
  for (int i = ErrorDialogs::kSlots - 1; i >= 0 && !ok; --i)
    if (Widget d = TheErrorDialogs().dialogOf(i); d && XtIsManaged(d) && XtParent(XtParent(d)) == session_->xstuff.x_get_text_widget())
      ok = XmMessageBoxGetChild(d, XmDIALOG_OK_BUTTON);
  ASSERT_NE(ok, nullptr);
  XmPushButtonCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(ok, XmNactivateCallback, &cbs);
  ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, HostPump()));
  EXPECT_TRUE(WaitShown("commMsgNum", false));
  EXPECT_FALSE(Shown("commMsgZap"));
}

TEST_F(StatusLineTest, IconifiedWindowBlinksItsIconTitleUntilItIsSeenAgain) {
  AppResources().ICONIFIED_ACTION = QwBlink;
  Connect();
  XStuff& x = session_->xstuff;
  const Window shell = XtWindow(x.shell());
  const std::string iconName = IconName(shell);
  ASSERT_FALSE(iconName.empty());
  const Pixmap normalIcon = IconPixmap(shell);
  ASSERT_NE(normalIcon, 0u);
  EXPECT_EQ(Shape(normalIcon), std::make_pair(37u, 37u));

  // Not iconified: a message changes nothing of the icon.
  SendScreen(Screen(kUnlock | kMessageWaitingOn, {}, false));
  EXPECT_EQ(IconPixmap(shell), normalIcon);
  SendScreen(Screen(kUnlock | kMessageWaitingOff, {}, false));

  // Iconified (as a window manager does it): the message icon, and the
  // icon title alternates with a blank.
  Iconify(shell);
  SendScreen(Screen(kUnlock | kMessageWaitingOn, {}, false));
  const Pixmap messageIcon = IconPixmap(shell);
  EXPECT_NE(messageIcon, normalIcon);
  EXPECT_EQ(Shape(messageIcon), std::make_pair(37u, 37u));
  EXPECT_TRUE(RunUntil([&] { return IconName(shell) == " "; }, 5000));
  EXPECT_TRUE(RunUntil([&] { return IconName(shell) == iconName; }, 5000));
  EXPECT_TRUE(RunUntil([&] { return IconName(shell) == " "; }, 5000));

  // Seen again: mapping the window ends the blinking and brings the
  // normal icon back.
  Deiconify(shell);
  EXPECT_TRUE(RunUntil([&] { return IconName(shell) == iconName && IconPixmap(shell) == normalIcon; }, 5000));
  EXPECT_FALSE(x.iconBlinking());

  // So does the focus.
  Iconify(shell);
  SendScreen(Screen(kUnlock | kMessageWaitingOff, {}, false));
  SendScreen(Screen(kUnlock | kMessageWaitingOn, {}, false));
  EXPECT_EQ(IconPixmap(shell), messageIcon);
  EXPECT_TRUE(x.iconBlinking());
  XMapWindow(test_, shell);  // shown, but not yet known as mapped to the session
  SetWmState(shell, NormalState);
  x.SetFocus(1);
  EXPECT_EQ(IconPixmap(shell), normalIcon);
  EXPECT_EQ(IconName(shell), iconName);
  EXPECT_FALSE(x.iconBlinking());
}

TEST_F(StatusLineTest, IconifiedWindowThatBeepsRingsOncePerBell) {
  AppResources().ICONIFIED_ACTION = QwBeep;
  AppResources().AUDIO_ALARM = QwEnable;
  Connect();
  const Window shell = XtWindow(session_->xstuff.shell());
  int xkbEvent = 0, xkbError = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  ASSERT_TRUE(XkbQueryExtension(test_, nullptr, &xkbEvent, &xkbError, &major, &minor));
  ASSERT_TRUE(XkbSelectEvents(test_, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask));
  auto bells = [&] {
    XSync(Toolkit(), False);
    XSync(test_, False);
    int n = 0;
    while (XPending(test_)) {
      XEvent e;
      XNextEvent(test_, &e);
      if (e.type == xkbEvent && reinterpret_cast<XkbAnyEvent*>(&e)->xkb_type == XkbBellNotify) ++n;
    }
    return n;
  };
  bells();
  const Bytes alarm = Screen(kUnlock | 0x04, Cat({Bytes{0x11, 2, 2}, Ebcdic("BELL")}), false);
  // Shown: the host's alarm rings once.
  SendScreen(alarm);
  EXPECT_EQ(bells(), 1);
  // Iconified: a write rings, and an alarm with it still rings once.
  Iconify(shell);
  SendScreen(Screen(kUnlock, Cat({Bytes{0x11, 2, 2}, Ebcdic("NEWS")}), false));
  EXPECT_EQ(bells(), 1);
  SendScreen(alarm);
  EXPECT_EQ(bells(), 1);
  XkbSelectEvents(test_, XkbUseCoreKbd, XkbBellNotifyMask, 0);
}

TEST_F(StatusLineTest, Screenshot) {
  Connect();
  XStuff& x = session_->xstuff;
  SendScreen(Screen(kUnlock | kMessageWaitingOn,
                    Cat({FieldOrders(), Bytes{0x11, 23, 2}, Ebcdic("F3 EXIT   F12 CANCEL"), Bytes{0x13, 5, 20}})));
  Press(XK_Insert);
  ASSERT_TRUE(WaitShown("insertMsg", true));
  ASSERT_TRUE(WaitShown("msgWaitingMsg", true));
  x.x_capslock(1);
  // Each symbol shown is drawn in the status line's foreground.
  for (const char* name : {"typeAheadMsg", "capsLockMsg", "insertMsg", "graphicMsg"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(RunUntil([&] { return Inked(name) > 4; }, 5000));
  }
  XSync(Toolkit(), False);
  const qwtest::Screenshot shot = qwtest::CaptureWindow(test_, XtWindow(x.shell()));
  ASSERT_FALSE(shot.empty());
  // The bottom of the window: the last screen rows and the status line.
  Position sx = 0, sy = 0, fy = 0, ignore = 0;
  XtTranslateCoords(x.shell(), 0, 0, &sx, &sy);
  XtTranslateCoords(x.statusForm(), 0, 0, &ignore, &fy);
  const int top = std::max(0, fy - sy - 4 * x.cellHeight());
  qwtest::Screenshot part;
  part.width = shot.width;
  part.height = shot.height - top;
  part.pixels.assign(shot.pixels.begin() + static_cast<long>(top) * shot.width, shot.pixels.end());
  const char* dir = std::getenv("QW_SCREENSHOT_DIR");
  EXPECT_TRUE(qwtest::WritePng(part, std::string(dir ? dir : ".") + "/status-line.png"));
}

}  // namespace
