#include <gtest/gtest.h>
#include <X11/extensions/XTest.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <vector>

#include "platform/sdk/Draw3D.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SimpleMenu.h"
#include "platform/sdk/TextBox.h"
#include "platform/sdk/SimpleWindow.h"
#include "tests/support/XKeys.h"
#include "tests/support/XTestServer.h"

namespace {

struct Seen {
  std::vector<int> types;
  std::vector<Window> windows;
  int unknown = 0;
  int timeouts = 0;
};
Seen* gSeen = nullptr;

int Note(SimpleWindow* w, XEvent* ev) {
  gSeen->types.push_back(ev->type);
  gSeen->windows.push_back(w->window);
  return 1;
}

class SdkWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen = &seen_;
    ASSERT_TRUE(server_.Start()) << server_.Error();
    other_ = server_.Connect();
    ASSERT_EQ(InitScreenInfo(&screen_, "test", 1, 0, nullptr, server_.DisplayName().c_str()), 0);
    screen_.handleUnknownEvent = [](SdkScreen*, XEvent*) { ++gSeen->unknown; };
  }
  void TearDown() override {
    CloseScreenInfo(&screen_);
    gSeen = nullptr;
  }
  SimpleWindow* Window(int x) {
    SimpleWindow* w = CreateSimpleWindow(&screen_, 0, x, 0, 100, 100, screen_.whitePixel,
                                         ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                             KeyPressMask | StructureNotifyMask);
    w->expose = w->press = w->release = w->event = Note;
    return w;
  }
  // Runs the loop until cond() holds (bounded by passes, each a round trip).
  template <class F>
  bool RunUntil(F cond) {
    for (int i = 0; i < 300 && !cond(); ++i) {
      XSync(screen_.display, False);
      SdkProcessOnce(&screen_, 20);
    }
    return cond();
  }
  bool Saw(int type) {
    for (int t : seen_.types)
      if (t == type) return true;
    return false;
  }
  Seen seen_;
  qwtest::XTestServer server_;
  Display* other_ = nullptr;
  SdkScreen screen_;
};

TEST_F(SdkWindowTest, SlotsGetTheirEventsAndOthersGoToTheUnknownHandler) {
  SimpleWindow* w = Window(0);
  ASSERT_TRUE(IsValidWindowHandle(&screen_, w));
  MapSimpleWindow(w);
  ASSERT_TRUE(RunUntil([&] { return Saw(Expose); }));
  XTestFakeMotionEvent(other_, 0, 50, 50, CurrentTime);
  XTestFakeButtonEvent(other_, 1, True, CurrentTime);
  XTestFakeButtonEvent(other_, 1, False, CurrentTime);
  XFlush(other_);
  ASSERT_TRUE(RunUntil([&] { return Saw(ButtonRelease); }));
  EXPECT_TRUE(Saw(ButtonPress));

  // An event of a window the SDK does not know.
  ::Window foreign = XCreateSimpleWindow(other_, DefaultRootWindow(other_), 0, 0, 5, 5, 0, 0, 0);
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = foreign;
  ev.xclient.format = 32;
  ev.xclient.message_type = XInternAtom(other_, "TEST", False);
  XSendEvent(screen_.display, foreign, False, NoEventMask, &ev);
  XSelectInput(screen_.display, foreign, 0);
  SdkDispatchEvent(&screen_, &ev);
  EXPECT_EQ(seen_.unknown, 1);

  int fired = 0;
  w->data = &fired;
  w->timeout = [](SimpleWindow* sw) { ++*static_cast<int*>(sw->data); };
  AddSimpleWindowTimeout(w, 1000);
  ASSERT_TRUE(RunUntil([&] { return fired == 1; }));
  DestroySimpleWindow(w);
  EXPECT_FALSE(IsValidWindowHandle(&screen_, w));
}

TEST_F(SdkWindowTest, GrabStackTakesRealGrabsAndRoutesInputToItsTop) {
  SimpleWindow* lower = Window(0);
  SimpleWindow* upper = Window(200);
  MapSimpleWindow(lower);
  MapSimpleWindow(upper);
  ASSERT_TRUE(RunUntil([&] { return seen_.types.size() >= 2; }));
  ASSERT_EQ(GrabStackAdd(&screen_, lower), GrabSuccess);
  ASSERT_EQ(GrabStackAdd(&screen_, upper), GrabSuccess);
  EXPECT_EQ(GrabStackTop(&screen_), upper);
  XSync(screen_.display, False);

  // Another client cannot take the keyboard or pointer now.
  ::Window root = DefaultRootWindow(other_);
  EXPECT_EQ(XGrabKeyboard(other_, root, False, GrabModeAsync, GrabModeAsync, CurrentTime), AlreadyGrabbed);
  EXPECT_EQ(XGrabPointer(other_, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                         CurrentTime),
            AlreadyGrabbed);

  // A click over the lower window goes to the top of the stack.
  seen_ = Seen();
  XTestFakeMotionEvent(other_, 0, 10, 10, CurrentTime);
  XTestFakeButtonEvent(other_, 1, True, CurrentTime);
  XTestFakeButtonEvent(other_, 1, False, CurrentTime);
  XFlush(other_);
  ASSERT_TRUE(RunUntil([&] { return Saw(ButtonRelease); }));
  for (size_t i = 0; i < seen_.types.size(); ++i)
    if (seen_.types[i] == ButtonPress) EXPECT_EQ(seen_.windows[i], upper->window);

  // Removing the top hands the grab down; emptying the stack lets go.
  ASSERT_EQ(GrabStackRemove(&screen_, upper), GrabSuccess);
  EXPECT_EQ(GrabStackTop(&screen_), lower);
  ASSERT_EQ(GrabStackRemove(&screen_, lower), GrabSuccess);
  XSync(screen_.display, False);
  EXPECT_EQ(XGrabKeyboard(other_, root, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
  XUngrabKeyboard(other_, CurrentTime);
  XSync(other_, False);
}

TEST_F(SdkWindowTest, YesNoBoxAnswersByKeyAndGivesTheFocusBack) {
  struct Answers {
    std::vector<int> got;
    int resets = 0;
  } answers;
  static Answers* current;
  current = &answers;
  screen_.messageBoxResetFocus = [](SdkScreen*) { ++current->resets; };
  auto proc = [](void* c, int answer) { static_cast<Answers*>(c)->got.push_back(answer); };
  struct {
    KeySym key;
    int answer;
  } cases[] = {{XK_Escape, 0}, {XK_Return, 1}};
  for (const auto& c : cases) {
    ASSERT_NE(CreateYesNoMessageBox(&screen_, "Do you really wish to logoff and exit?", "Yes", "No",
                                    proc, &answers, "QXW3507", 1),
              nullptr);
    EXPECT_TRUE(MessageBoxActive(&screen_));
    // System modal: the box holds the keyboard.
    EXPECT_EQ(XGrabKeyboard(other_, DefaultRootWindow(other_), False, GrabModeAsync, GrabModeAsync,
                            CurrentTime),
              AlreadyGrabbed);
    const size_t before = answers.got.size();
    ASSERT_TRUE(qwtest::PressKey(other_, c.key));
    ASSERT_TRUE(RunUntil([&] { return answers.got.size() > before; }));
    EXPECT_EQ(answers.got.back(), c.answer);
    EXPECT_FALSE(MessageBoxActive(&screen_));
  }
  EXPECT_EQ(answers.resets, 2);
  // A box popped down by the program answers nothing.
  CreateMessageBox(&screen_, "Execution of x failed: y", "Ok", "QXW4509", 0);
  PopDownMessageBox(&screen_);
  EXPECT_EQ(answers.got.size(), 2u);
  EXPECT_EQ(GrabStackTop(&screen_), nullptr);
}

TEST_F(SdkWindowTest, TextAndBoxesDrawWhereAsked) {
  Display* d = screen_.display;
  NLSFont* font = NLSCreateFont(d, 12, 0);
  ASSERT_NE(font, nullptr);
  EXPECT_GT(font->ascent, 0);
  const int one = NLSTextWidth(font, "W", 1);
  EXPECT_GT(one, 0);
  EXPECT_EQ(NLSTextWidth(font, "WW", 2), 2 * one);
  EXPECT_EQ(NLSTextWidth(font, "W", 0), 0);

  Pixmap pm = XCreatePixmap(d, screen_.root, 60, 30, screen_.depth);
  GC gc = XCreateGC(d, pm, 0, nullptr);
  XSetForeground(d, gc, screen_.whitePixel);
  XFillRectangle(d, pm, gc, 0, 0, 60, 30);
  XSetForeground(d, gc, screen_.blackPixel);
  NLSDrawString(d, pm, font, gc, 2, 2 + font->ascent, "Ok", 2);
  Draw3DBox(d, pm, gc, 30, 0, 30, 30, 2, 0x00ff00, 0x0000ff, false);
  XImage* img = XGetImage(d, pm, 0, 0, 60, 30, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  int inked = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 28; ++x) inked += XGetPixel(img, x, y) == screen_.blackPixel;
  EXPECT_GT(inked, 5) << "the text left ink";
  EXPECT_EQ(XGetPixel(img, 31, 1), 0x00ff00u) << "light top-left edge";
  EXPECT_EQ(XGetPixel(img, 58, 28), 0x0000ffu) << "dark bottom-right edge";
  EXPECT_EQ(XGetPixel(img, 45, 15), screen_.whitePixel) << "the inside is left alone";
  XDestroyImage(img);
  XFreeGC(d, gc);
  XFreePixmap(d, pm);
  NLSFreeFont(d, font);
}

TEST_F(SdkWindowTest, MenuChoosesASensitiveItemAndIgnoresTheOthers) {
  std::vector<int> chosen;
  const SimpleMenuItem items[] = {{"Logoff", 25}, {nullptr, 0}, {"Lock Screen", 26}, {"Cascade", 16}};
  SimpleMenu* menu = CreateSimpleMenu(&screen_, items, 4,
                                      [](void* c, int v) { static_cast<std::vector<int>*>(c)->push_back(v); },
                                      &chosen, nullptr);
  ASSERT_NE(menu, nullptr);
  SetSimpleMenuTests(menu, [](void*, int v) { return v != 26 ? 1 : 0; }, nullptr);
  struct Case {
    int item;  // index in items
    int expect;  // 0: nothing chosen
  } cases[] = {{0, 25}, {2, 0}, {3, 16}, {1, 0}};
  for (const auto& c : cases) {
    PopupSimpleMenuNoEvent(menu, 100, 100);
    ASSERT_TRUE(SimpleMenuActive(&screen_));
    ::Window root;
    int x, y;
    unsigned int w, h, bw, depth;
    ASSERT_TRUE(XGetGeometry(screen_.display, SimpleMenuWindow(menu), &root, &x, &y, &w, &h, &bw, &depth));
    // Three rows of equal height and a separator of 7 pixels, 2 pixels in.
    const int row = (static_cast<int>(h) - 4 - 7) / 3;
    const int tops[] = {2, 2 + row, 2 + row + 7, 2 + 2 * row + 7};
    const int heights[] = {row, 7, row, row};
    XTestFakeMotionEvent(other_, 0, x + 30, y + tops[c.item] + heights[c.item] / 2, CurrentTime);
    XTestFakeButtonEvent(other_, 1, True, CurrentTime);
    XTestFakeButtonEvent(other_, 1, False, CurrentTime);
    XFlush(other_);
    ASSERT_TRUE(RunUntil([&] { return !SimpleMenuActive(&screen_); })) << c.item;
    const int got = chosen.empty() ? 0 : chosen.back();
    chosen.clear();
    EXPECT_EQ(got, c.expect) << "item " << c.item;
  }
  // Escape leaves without a choice and gives the grab back.
  PopupSimpleMenuNoEvent(menu, -1, -1);
  ASSERT_TRUE(qwtest::PressKey(other_, XK_Escape));
  ASSERT_TRUE(RunUntil([&] { return !SimpleMenuActive(&screen_); }));
  EXPECT_TRUE(chosen.empty());
  EXPECT_EQ(GrabStackTop(&screen_), nullptr);
  DestroySimpleMenu(menu);
}

TEST_F(SdkWindowTest, TextBoxEditsWithinItsBoundAndHidesSecrets) {
  SimpleWindow* w = Window(0);
  NLSFont* font = NLSCreateFont(screen_.display, 12, 0);
  ASSERT_NE(font, nullptr);
  TextBox box;
  TextBoxInit(&box, &screen_, w->window, 5, 5, 90, 20, font, 6, 0);
  auto key = [&](KeySym sym, unsigned int state = 0) {
    XKeyEvent ev = {};
    ev.type = KeyPress;
    ev.display = screen_.display;
    ev.window = w->window;
    ev.keycode = XKeysymToKeycode(screen_.display, sym);
    ev.state = state;
    return TextBoxKey(&box, &ev);
  };
  struct Step {
    KeySym sym;
    unsigned int state;
    int result;
    const char* text;
  } steps[] = {
      {XK_a, 0, TextBoxChanged, "a"},         {XK_b, ShiftMask, TextBoxChanged, "aB"},
      {XK_Left, 0, TextBoxChanged, "aB"},     {XK_c, 0, TextBoxChanged, "acB"},
      {XK_BackSpace, 0, TextBoxChanged, "aB"}, {XK_Home, 0, TextBoxChanged, "aB"},
      {XK_Delete, 0, TextBoxChanged, "B"},    {XK_End, 0, TextBoxChanged, "B"},
      {XK_1, 0, TextBoxChanged, "B1"},        {XK_2, 0, TextBoxChanged, "B12"},
      {XK_3, 0, TextBoxChanged, "B123"},      {XK_4, 0, TextBoxChanged, "B1234"},
      {XK_5, 0, TextBoxChanged, "B12345"},    {XK_6, 0, TextBoxChanged, "B12345"},
      {XK_Return, 0, TextBoxEnter, "B12345"}, {XK_Tab, 0, TextBoxTab, "B12345"},
      {XK_Shift_L, 0, TextBoxIgnored, "B12345"}, {XK_u, ControlMask, TextBoxChanged, ""},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(key(s.sym, s.state), s.result) << XKeysymToString(s.sym);
    EXPECT_STREQ(TextBoxGetContents(&box), s.text) << XKeysymToString(s.sym);
  }
  TextBoxSetContents(&box, "far too long a text");
  EXPECT_STREQ(TextBoxGetContents(&box), "far to") << "the bound holds for set contents too";

  TextBox secret;
  TextBoxInit(&secret, &screen_, w->window, 5, 30, 90, 20, font, 8, 1);
  TextBoxSetContents(&secret, "pin42");
  char shown[32];
  EXPECT_EQ(TextBoxShownText(&secret, shown, sizeof shown), 5);
  EXPECT_STREQ(shown, "*****");
  TextBoxClear(&secret);
  for (char c : secret.text) EXPECT_EQ(c, 0) << "the secret is wiped";
  NLSFreeFont(screen_.display, font);
}

}  // namespace
