// Two session windows of one process as a user moves between them: the
// pointer takes the colours of the window that has the focus (the pointer
// shapes are shared by the windows), and a key bound to "jump-to-session"
// raises the session of that number or name.
#include "tests/xwindow/WindowFixture.h"

#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include "session/PreDispatch.h"
#include "session/RegistryFacts.h"
#include "tests/support/XKeys.h"
#include "xfront/KeyFile.h"

namespace {

using qwtest::Pump;
using qwtest::RunUntil;

// A desktop's cursor theme gives the pointer images of its own, which keep
// their colours; these tests look at the two-colour pointer shapes of a
// desktop without one. Xlib reads the theme path once, at the first pointer
// made in the process.
const bool kNoCursorTheme = setenv("XCURSOR_PATH", "/nonexistent-cursor-themes", 1) == 0;

class TwoSessions : public qwtest::WindowFixture<1024, 768> {
 protected:
  void SetUp() override {
    qwtest::WindowFixture<1024, 768>::SetUp();
    ::mkdir((shared_ + "/QW5250").c_str(), 0700);
    ::mkdir((shared_ + "/QW5250/C").c_str(), 0700);
    ::mkdir((shared_ + "/QW5250/K").c_str(), 0700);
  }
  void TearDown() override {
    for (const std::string& f : written_) ::unlink(f.c_str());
    qwtest::WindowFixture<1024, 768>::TearDown();
  }
  void Write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
    written_.push_back(path);
  }
  // A basic colour file choosing a built-in scheme for the session `id`.
  void SchemeFor(const std::string& id, const char* third) {
    Write(shared_ + "/QW5250/C/" + id + ".session", std::string("QW5250 colours\nscheme\n") + third + "\n");
  }
  // The key file every session of this keyboard reads at start.
  void Keys(const std::string& bindings) {
    Write(shared_ + "/QW5250/K/Default." + keyfile::KeyboardExtension(WhichKeyboard()),
          "# v4.2 keys of this desk\n" + bindings);
  }

  static Window Drawing(SessionControlBlock* b) { return XtWindow(b->xstuff.x_get_text_widget()); }

  // The pointer rests in the middle of the session's screen and the window
  // manager gives that window the keyboard focus.
  static bool PointAndFocus(SessionControlBlock* b) {
    qwtest::Rect r = WindowRect(Drawing(b));
    XTestFakeMotionEvent(test_, -1, r.x + r.width / 2, r.y + r.height / 2, CurrentTime);
    XSetInputFocus(test_, Drawing(b), RevertToParent, CurrentTime);
    XSync(test_, False);
    return RunUntil([b] {
      Window root, child;
      int rx = 0, ry = 0, wx = 0, wy = 0;
      unsigned int mask = 0;
      XQueryPointer(test_, Drawing(b), &root, &child, &rx, &ry, &wx, &wy, &mask);
      return b->xstuff.hasFocus() && wx >= 0 && wy >= 0;
    });
  }

  // The opaque colours of the pointer the server shows now, as 0xRRGGBB.
  static std::set<unsigned long> PointerColours() {
    std::set<unsigned long> colours;
    XFixesCursorImage* image = XFixesGetCursorImage(test_);
    if (!image) return colours;
    for (int i = 0; i < image->width * image->height; ++i)
      if ((image->pixels[i] >> 24 & 0xFF) == 0xFF) colours.insert(image->pixels[i] & 0xFFFFFF);
    XFree(image);
    return colours;
  }

  static std::string Describe(const std::set<unsigned long>& colours) {
    std::string text;
    char buffer[16];
    for (unsigned long c : colours) {
      std::snprintf(buffer, sizeof buffer, "#%06lx ", c);
      text += buffer;
    }
    return text;
  }

  // True when the first shell is stacked above the second.
  static bool StackedAbove(SessionControlBlock* upper, SessionControlBlock* lower) {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(test_, DefaultRootWindow(test_), &root, &parent, &children, &n)) return false;
    int up = -1, down = -1;
    for (unsigned int i = 0; i < n; ++i) {
      if (children[i] == XtWindow(upper->xstuff.shell())) up = static_cast<int>(i);
      if (children[i] == XtWindow(lower->xstuff.shell())) down = static_cast<int>(i);
    }
    if (children) XFree(children);
    return up >= 0 && down >= 0 && up > down;
  }

  std::vector<std::string> written_;
};

TEST_F(TwoSessions, ThePointerTakesTheColoursOfTheFocusedWindow) {
  ASSERT_TRUE(kNoCursorTheme);
  int event = 0, error = 0;
  ASSERT_TRUE(XFixesQueryExtension(test_, &event, &error));
  ASSERT_TRUE(qwtest::HasXTest(test_));
  SchemeFor("DARK", "#000000");   // pointer #ffffcc on a #000000 screen
  SchemeFor("LIGHT", "#c0c0c0");  // pointer #000000 on a #c0c0c0 screen
  SessionControlBlock* dark = NewSession("DARK");
  ASSERT_NE(dark, nullptr);
  SessionControlBlock* light = NewSession("LIGHT");
  ASSERT_NE(light, nullptr);
  const std::set<unsigned long> darkColours = {0xFFFFCC, 0x000000}, lightColours = {0x000000, 0xC0C0C0};

  struct Step {
    SessionControlBlock* window;
    const std::set<unsigned long>* colours;
  } steps[] = {{dark, &darkColours}, {light, &lightColours}, {dark, &darkColours}};
  for (const Step& s : steps) {
    ASSERT_TRUE(PointAndFocus(s.window)) << s.window->sessionId;
    EXPECT_TRUE(RunUntil([&] {
      XSync(test_, False);
      return PointerColours() == *s.colours;
    }, 3000)) << s.window->sessionId << ": " << Describe(PointerColours());
  }

  // The colour mapper (another client) sets the pointer colour of the
  // focused window to red: the pointer shows it at once.
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = XtWindow(dark->xstuff.shell());
  ev.xclient.message_type = XInternAtom(test_, "QAV_5250_Tintwell_Interface", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 4;  // set and apply
  ev.xclient.data.l[1] = 12;
  ev.xclient.data.l[2] = 0xFFFFL << 16;
  XSendEvent(test_, ev.xclient.window, False, NoEventMask, &ev);
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] {
    XSync(test_, False);
    return PointerColours() == std::set<unsigned long>{0xFF0000, 0x000000};
  }));
}

TEST_F(TwoSessions, AKeyRaisesTheSessionOfItsNumberOrName) {
  ASSERT_TRUE(qwtest::HasXTest(test_));
  Keys("Ctrl<Key>F1: jump-to-session(1) \nCtrl<Key>F2: jump-to-session(2) \nCtrl<Key>F4: jump-to-session(1) \n"
       "Ctrl<Key>F3: jump-to-session(ONE) \n");
  SessionControlBlock* one = NewSession("ONE");
  ASSERT_NE(one, nullptr);
  // A window placed by its geometry takes a slot from the other end of the
  // table: its number (2) is not its slot.
  SessionStartOptions o;
  o.sessionId = "TWO";
  std::strcpy(o.geometry.geometryString, "+400+300");
  SessionControlBlock* two = NewSession(o);
  ASSERT_NE(two, nullptr);
  ASSERT_NE(two->slot, 1);

  // The focus was last seen away from the sessions: the Motif translator,
  // which reads F1 as its help key. The focus changes below are seen by
  // the test's event loop only, not the main loop's look at each event.
  XSetInputFocus(test_, None, RevertToNone, CurrentTime);
  XSync(test_, False);
  SetTranslator();
  ASSERT_EQ(InstalledKeyTranslator(), 1);

  // The user is in the window on top and types the key: the other comes up.
  const struct Step {
    SessionControlBlock* typedIn;
    KeySym key;
    SessionControlBlock* raised;
    const char* what;
  } steps[] = {{two, XK_F1, one, "Ctrl+F1 raises session 1"},
               {one, XK_F2, two, "Ctrl+F2 raises session 2"},
               {two, XK_F4, one, "Ctrl+F4 raises session 1"},
               {two, XK_F3, one, "Ctrl+F3 raises the session named ONE"},
               {one, XK_F2, two, "Ctrl+F2 raises session 2 again"},
               {two, XK_F1, one, "Ctrl+F1 raises session 1 again"}};
  for (const Step& s : steps) {
    XRaiseWindow(test_, XtWindow(s.typedIn->xstuff.shell()));
    XSync(test_, False);
    ASSERT_TRUE(RunUntil([&] { return StackedAbove(s.typedIn, s.raised); })) << s.what;
    ASSERT_TRUE(PointAndFocus(s.typedIn)) << s.what;
    ASSERT_TRUE(qwtest::PressKey(test_, s.key, {XK_Control_L}));
    EXPECT_TRUE(RunUntil([&] { return StackedAbove(s.raised, s.typedIn); })) << s.what;
  }
}

}  // namespace
