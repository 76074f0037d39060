// The emulator widget's actions on a real session window: every keystroke
// action hands its code to the key glue, typed data goes as EBCDIC, mouse
// actions reach the mouse glue with the cell under the pointer and tell
// double presses, local actions work on the window, input that arrives
// while the engine is inside a key waits for it, and a key typed through
// XTEST ends in the key glue.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <string>
#include <vector>

#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/EmulatorActions.h"
#include "xfront/SessionInputHooks.h"
#include "xfront/SessionMenuHooks.h"
#include "xfront/XStuff.h"

namespace {

using namespace paint_test;

std::vector<std::vector<unsigned char>> g_keys;
std::vector<std::string> g_trace;
std::vector<std::vector<int>> g_mouse;
std::vector<unsigned int> g_sleeps;
Widget g_drawing = nullptr;

void RecordKey(SessionControlBlock*, const unsigned char* codes, int length) {
  g_keys.emplace_back(codes, codes + length);
}
void RecordMouse(SessionControlBlock*, int code, int cell) { g_mouse.push_back({code, cell}); }
void RecordSleep(unsigned int ms) { g_sleeps.push_back(ms); }

// A key glue that, for Tab, dispatches another key as a nested event loop
// would while the engine is busy.
void ReenteringKey(SessionControlBlock*, const unsigned char* codes, int length) {
  g_trace.push_back("begin " + std::to_string(codes[0]));
  if (codes[0] == 9) XtCallActionProc(g_drawing, const_cast<char*>("enter"), nullptr, nullptr, 0);
  g_trace.push_back("end " + std::to_string(codes[0]));
}

class ActionProceduresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Toolkit(24)) QW_RUN_IN_OWN_PROCESS(ToolkitText());
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    ASSERT_TRUE(host_.Start());
    block_ = NewSession(host_.Port());
    ASSERT_NE(block_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, [] { Pump(); }));
    g_drawing = block_->xstuff.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return block_->xstuff.mapped() && XtIsRealized(g_drawing); }));
    previousKey_ = GetSessionKeyProc();
    SetSessionKeyProc(RecordKey);
    SetSessionMouseProc(RecordMouse);
    SetActionSleepProc(RecordSleep);
    g_keys.clear();
    g_mouse.clear();
    g_sleeps.clear();
    g_trace.clear();
  }
  void TearDown() override {
    if (!block_) return;
    SetSessionKeyProc(previousKey_);
    SetSessionMouseProc(nullptr);
    SetActionSleepProc(nullptr);
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }
  void Call(const char* action, XEvent* event = nullptr, std::vector<const char*> params = {}) {
    std::vector<String> p;
    for (const char* s : params) p.push_back(const_cast<String>(s));
    XtCallActionProc(g_drawing, const_cast<char*>(action), event, p.empty() ? nullptr : p.data(),
                     static_cast<Cardinal>(p.size()));
  }
  XEvent Button(int type, unsigned long time, int row, int column) {
    XEvent e = {};
    e.xbutton.type = type;
    e.xbutton.display = ToolkitDisplay();
    e.xbutton.window = XtWindow(g_drawing);
    e.xbutton.time = time;
    e.xbutton.x = 1 + column * block_->xstuff.cellWidth() + 2;
    e.xbutton.y = 1 + row * block_->xstuff.cellHeight() + 2;
    e.xbutton.button = Button1;
    return e;
  }

  qwtest::TestHost5250 host_;
  SessionControlBlock* block_ = nullptr;
  SessionKeyProc previousKey_ = nullptr;
  AppResourceStruct saved_{};
};

TEST_F(ActionProceduresTest, EveryKeystrokeActionSendsItsCode) {
  const EmulatorAction* table = EmulatorActionTable();
  size_t keystrokes = 0;
  for (size_t i = 0; i < kEmulatorActionCount; ++i) {
    if (table[i].kind != EmulatorActionKind::Keystroke) continue;
    ++keystrokes;
    g_keys.clear();
    Call(table[i].name);
    ASSERT_EQ(g_keys.size(), 1u) << table[i].name;
    EXPECT_EQ(g_keys[0], std::vector<unsigned char>{static_cast<unsigned char>(table[i].value)}) << table[i].name;
  }
  EXPECT_EQ(keystrokes, 98u);
}

TEST_F(ActionProceduresTest, StringHexAndEuroTypeEbcdicData) {
  struct Case {
    const char* action;
    std::vector<const char*> params;
    std::vector<std::vector<unsigned char>> sent;
  } cases[] = {
      {"string", {"1"}, {{1, 0xF1}}},
      {"string", {"Ab"}, {{1, 0xC1, 0x82}}},
      {"hex", {"C1 C2"}, {{1, 0x65, 0x62}}},  // ISO 8859-1 A-acute, A-circumflex
      {"hex", {"F7"}, {{1, 0xE1}}},           // the division sign
      {"hex", {"4G"}, {}},
      {"hex", {"41", "42"}, {{1, 0xC1}, {1, 0xC2}}},
      {"inserteuro", {}, {{1, 0xC5, 0xE4, 0xD9}}},  // not a euro session: "EUR"
      {"string", {}, {}},                            // no parameter and no key event
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.action) + (c.params.empty() ? "" : std::string(" ") + c.params[0]));
    g_keys.clear();
    Call(c.action, nullptr, c.params);
    EXPECT_EQ(g_keys, c.sent);
  }
}

TEST_F(ActionProceduresTest, MouseActionsReportCodesAndCells) {
  XEvent press1 = Button(ButtonPress, 1000, 2, 3);
  XEvent release = Button(ButtonRelease, 1050, 2, 3);
  XEvent press2 = Button(ButtonPress, 1200, 2, 3);
  XEvent motion = Button(MotionNotify, 1100, 5, 10);
  motion.type = MotionNotify;
  Call("btn1-press", &press1);
  Call("btn1-release", &release);
  Call("mouse-move", &motion);  // 50 ms after a button event: dropped
  Call("btn1-press", &press2);  // 200 ms after the first press: double
  XEvent shifted = Button(ButtonPress, 9000, 0, 0);
  Call("shift-btn3-press", &shifted);
  const std::vector<std::vector<int>> expected = {{1, 163}, {2, 163}, {3, 163}, {16, 0}};
  EXPECT_EQ(g_mouse, expected);
}

TEST_F(ActionProceduresTest, LocalActionsWorkOnTheWindow) {
  XStuff& x = block_->xstuff;
  AppResources().RULE_LINE = 3;
  const bool before = x.ruleLineShown();
  Call("ruleline");
  EXPECT_NE(x.ruleLineShown(), before);
  Call("ruleline");
  EXPECT_EQ(x.ruleLineShown(), before);
  const bool extended = x.extendedDisplay();
  Call("extended");
  EXPECT_NE(x.extendedDisplay(), extended);
  Call("delay");
  Call("delay", nullptr, {"3"});
  Call("delay", nullptr, {"100000"});  // a key file cannot freeze the loop for long
  EXPECT_EQ(g_sleeps, (std::vector<unsigned int>{500, 300, 10000}));
  for (const char* name : {"nothing", "noop", "reverse", "farsi", "base", "play", "wider-font", "jump",
                           "scroll_image_up", "toggle_text_side"})
    Call(name);
  Call("jump-to-session");
  Call("jump-to-session", nullptr, {"77"});
  EXPECT_TRUE(g_keys.empty());
  EXPECT_TRUE(g_mouse.empty());
}

TEST_F(ActionProceduresTest, InputDuringAKeyWaitsUntilTheKeyIsDone) {
  SetSessionKeyProc(ReenteringKey);
  Call("tab");
  const std::vector<std::string> expected = {"begin 9", "end 9", "begin 49", "end 49"};
  EXPECT_EQ(g_trace, expected);
}

TEST_F(ActionProceduresTest, KeysTypedThroughXtestReachTheKeyGlue) {
  Display* test = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(test, nullptr);
  ASSERT_TRUE(qwtest::HasXTest(test));
  XSetInputFocus(test, XtWindow(g_drawing), RevertToParent, CurrentTime);
  XSync(test, False);
  ASSERT_TRUE(RunUntil([&] { return block_->xstuff.hasFocus(); }));
  ASSERT_TRUE(qwtest::PressKey(test, XK_Return));
  XSync(test, False);
  ASSERT_TRUE(RunUntil([&] { return !g_keys.empty(); }));
  EXPECT_EQ(g_keys[0], std::vector<unsigned char>{49});
  XCloseDisplay(test);
}

}  // namespace

namespace {

using namespace paint_test;

// The whole road of a key: XTEST key events on the drawing widget, the
// widget's translations and actions, the key glue, the translator and the
// field, and the inbound record of Enter at the host.
// In the C locale and in a UTF-8 locale.
class SignOnTyping : public ::testing::TestWithParam<qwtest::TestLocale> {};

TEST_P(SignOnTyping, TypedUserNameAndEnterReachTheHost) {
  if (!Toolkit(24, GetParam())) QW_RUN_IN_OWN_PROCESS(ToolkitText());
  AppResourceStruct saved = AppResources();
  AppResources().MAX_SESSIONS = 99;
  qwtest::TestHost5250 host;
  ASSERT_TRUE(host.Start());
  SessionControlBlock* block = NewSession(host.Port());
  ASSERT_NE(block, nullptr);
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs, [] { Pump(); }));
  Widget drawing = block->xstuff.x_get_text_widget();
  ASSERT_TRUE(RunUntil([&] { return block->xstuff.mapped() && XtIsRealized(drawing); }));
  // A user field at row 6, column 53, the cursor in it, the host reading the
  // modified fields.
  const std::vector<uint8_t> screen = {
      0x04, 0x40,                                           // clear unit
      0x04, 0x11, 0x00, 0x08,                               // write to display
      0x11, 6,    17,   0x20, 0xE4, 0xA2, 0x85, 0x99,       // "User"
      0x11, 6,    52,   0x1D, 0x40, 0x00, 0x24, 0x00, 10,   // start field, 10 long
      0x13, 6,    53,                                       // insert cursor
      0x04, 0x52, 0x00, 0x00};                              // read MDT fields
  std::vector<uint8_t> record = {static_cast<uint8_t>((screen.size() + 10) >> 8),
                                 static_cast<uint8_t>(screen.size() + 10), 0x12, 0xA0, 0, 0, 0x04, 0, 0x40, 0x03};
  record.insert(record.end(), screen.begin(), screen.end());
  host.SendRecord(record);
  ASSERT_TRUE(host.Barrier(kWaitMs, [] { Pump(); }));

  Display* test = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(test, nullptr);
  XSetInputFocus(test, XtWindow(drawing), RevertToParent, CurrentTime);
  XSync(test, False);
  ASSERT_TRUE(RunUntil([&] { return block->xstuff.hasFocus(); }));
  ASSERT_TRUE(qwtest::TypeText(test, "quser"));
  ASSERT_TRUE(qwtest::PressKey(test, XK_Return));
  XSync(test, False);
  std::vector<uint8_t> inbound;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, [] { Pump(); }, &inbound));
  // Cursor after the typed name, Enter, and the field with its data.
  const std::vector<uint8_t> body = {6, 58, 0xF1, 0x11, 6, 53, 0x98, 0xA4, 0xA2, 0x85, 0x99};
  ASSERT_GE(inbound.size(), 10u);
  EXPECT_EQ(std::vector<uint8_t>(inbound.begin() + 10, inbound.end()), body);
  XCloseDisplay(test);
  EndSessions(1);
  Pump(20);
  AppResources() = saved;
}

INSTANTIATE_TEST_SUITE_P(Locales, SignOnTyping, qwtest::TestLocales(), qwtest::TestLocaleName);

}  // namespace
