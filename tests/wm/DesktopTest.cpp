// Teldra's desktop with real clients through XTEST: the root menu on a
// background press and its commands, a translated root menu from a
// catalog, the hot keys (also one changed in the preferences) and the
// Alt+Tab switcher.
#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <fstream>
#include <sstream>

#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;
using teldratest::ChildrenOf;
using teldratest::Exists;

class DesktopTest : public teldratest::TeldraFixture {
 protected:
  Window MakeClient(Display* d, const char* name, int x, int y) {
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, 200, 100, 0, 0, 0xffffff);
    XStoreName(d, w, name);
    XClassHint hint;
    hint.res_name = const_cast<char*>(name);
    hint.res_class = const_cast<char*>("Test");
    XSetClassHint(d, w, &hint);
    return w;
  }
  Window Mapped(const char* name, int x, int y) {
    Window w = MakeClient(display_, name, x, y);
    XSelectInput(display_, w, KeyPressMask);
    XMapWindow(display_, w);
    XFlush(display_);
    EXPECT_NE(WaitForFrame(w), None) << teldra_.Output();
    return w;
  }
  // A menu of Teldra's (an unnamed override-redirect window) is up.
  bool MenuUp() {
    return qwtest::WaitUntil([&] { return !Menus().empty(); });
  }
  std::vector<Window> Menus() {
    qwtest::XErrorTrap trap(display_);  // menus may close while they are looked at
    std::vector<Window> out;
    for (Window c : ChildrenOf(display_, root_)) {
      const XWindowAttributes a = Attributes(display_, c);
      char* name = nullptr;
      XFetchName(display_, c, &name);
      const bool named = name != nullptr;
      if (name) XFree(name);
      if (a.override_redirect && a.map_state == IsViewable && !named) out.push_back(c);
    }
    return out;
  }
  void Keys(const std::vector<std::string>& keys) { TeldraFixture::Keys(keys, 30); }
  void RootMenu() {
    Click(900, 600);
    ASSERT_TRUE(MenuUp()) << teldra_.Output();
  }
  bool Minimised(Window client) {
    return qwtest::WaitUntil([&] { return Attributes(display_, teldratest::ParentOf(display_, client)).map_state == IsUnmapped; });
  }
  std::string Preferences() {
    std::ifstream in(home_.Path() + "/registry/desktop/preferences");
    std::stringstream t;
    t << in.rdbuf();
    return t.str();
  }
  bool PreferenceSaved(const std::string& line) {
    return qwtest::WaitUntil([&] { return Preferences().find(line + "\n") != std::string::npos; });
  }
  bool BoxShown(const char* id) {
    return qwtest::WaitUntil([&] {
      for (Window w : qwtest::FindWindowsByName(display_, id))
        if (Attributes(display_, w).map_state == IsViewable) return true;
      return false;
    });
  }
  Window TopFrame() {
    qwtest::XErrorTrap trap(display_);
    Window top = None;
    for (Window c : ChildrenOf(display_, root_)) {
      const XWindowAttributes a = Attributes(display_, c);
      if (!a.override_redirect && a.map_state == IsViewable && !ChildrenOf(display_, c).empty()) top = c;
    }
    return top;
  }
};

TEST_F(DesktopTest, TheRootMenuRunsItsCommands) {
  StartTeldra("confirm_logoff = false\n");
  Window a = Mapped("first", 100, 100), b = Mapped("second", 300, 300);
  // Icons start top left after the placement is changed below.
  auto iconBox = [&] {
    std::vector<unsigned long> out;
    XImage* img = XGetImage(display_, root_, 32, 16, 32, 32, AllPlanes, ZPixmap);
    if (!img) return out;
    for (int j = 0; j < 32; ++j)
      for (int i = 0; i < 32; ++i) out.push_back(XGetPixel(img, i, j));
    XDestroyImage(img);
    return out;
  };
  const std::vector<unsigned long> bare = iconBox();

  RootMenu();
  Keys({"m"});  // Minimize All Windows
  EXPECT_TRUE(Minimised(a)) << teldra_.Output();
  EXPECT_TRUE(Minimised(b));
  EXPECT_TRUE(Menus().empty());

  RootMenu();
  Keys({"i"});  // Icon Placement: its own menu, the title line not offered
  ASSERT_TRUE(MenuUp());
  Keys({"Down", "Return"});  // Top, left to right
  EXPECT_TRUE(PreferenceSaved("icon_placement = 0")) << Preferences();
  EXPECT_TRUE(qwtest::WaitUntil([&] { return iconBox() != bare; })) << "an icon is drawn at the top left";

  RootMenu();
  Keys({"w"});  // Do Not Constrain Windows
  EXPECT_TRUE(PreferenceSaved("constrained_mode = false")) << Preferences();
  RootMenu();
  Keys({"s"});  // Disable Screen Saver
  EXPECT_TRUE(PreferenceSaved("screen_saver = false")) << Preferences();

  RootMenu();
  Keys({"l"});  // Lock Screen asks first; "No" leaves everything as it was
  EXPECT_TRUE(BoxShown("QXW3508")) << teldra_.Output();
  Keys({"Escape"});
  EXPECT_TRUE(qwtest::WaitUntil([&] { return qwtest::FindWindowsByName(display_, "QXW3508").empty(); }));

  RootMenu();
  Keys({"x"});  // Logoff and Exit, without confirmation
  ASSERT_TRUE(teldra_.WaitExit(15000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5);
  const std::string prefs = Preferences();
  EXPECT_NE(prefs.find("icon_placement = 0\n"), std::string::npos) << prefs;
}

TEST_F(DesktopTest, ACatalogTranslatesTheRootMenu) {
  home_.WriteFile("registry/nls/de/qxteldra",
                  "MinimizeAll: Alle Fenster &verkleinern\n"
                  "MyWebSite: Meine Webseite\n"
                  "IconPlacement: %n&Symbole\n");  // refused: the default has no conversion
  extraEnvironment_ = {"LANG=de_DE"};
  StartTeldra();
  Window a = Mapped("first", 100, 100);
  RootMenu();
  Keys({"m"});  // no longer a mnemonic
  qwtest::XBarrier(display_);
  EXPECT_EQ(Attributes(display_, teldratest::ParentOf(display_, a)).map_state, IsViewable);
  EXPECT_FALSE(Menus().empty()) << "the menu is still up";
  Keys({"v"});
  EXPECT_TRUE(Minimised(a)) << teldra_.Output();
  // The refused text kept its default and its mnemonic.
  RootMenu();
  Keys({"i"});
  EXPECT_TRUE(MenuUp());
  Keys({"Escape"});
  // The session's web folder is named in the language too.
  std::ifstream inf(home_.Path() + "/registry/documents/public_html.inf");
  std::stringstream text;
  text << inf.rdbuf();
  EXPECT_NE(text.str().find("name = Meine Webseite"), std::string::npos) << text.str();
}

TEST_F(DesktopTest, HotKeysRunTheirActions) {
  StartTeldra("key_version = Ctrl Alt<Key>B\n");
  Window plain = Mapped("plain", 100, 100);
  // The version box under the key of the preferences.
  Keys({"ctrl+alt+b"});
  EXPECT_TRUE(BoxShown("QXW0500")) << teldra_.Output();
  Keys({"ctrl+alt+l"});
  EXPECT_TRUE(BoxShown("QXW0501"));
  // Up is no hot key: it reaches the client that has the focus.
  XSetInputFocus(display_, plain, RevertToPointerRoot, CurrentTime);
  XSync(display_, False);
  XEvent ev;
  while (XCheckTypedWindowEvent(display_, plain, KeyPress, &ev)) {
  }
  auto pressed = [&](KeySym sym) {
    return qwtest::WaitUntil([&] {
      while (XCheckTypedWindowEvent(display_, plain, KeyPress, &ev))
        if (XLookupKeysym(&ev.xkey, 0) == sym) return true;
      return false;
    });
  };
  Keys({"Up"});
  EXPECT_TRUE(pressed(XK_Up)) << "the Up arrow is not grabbed";
  // Toggled off, the hot keys reach the client; on again, Teldra.
  Keys({"shift+ctrl+alt+F11"});
  XSetInputFocus(display_, plain, RevertToPointerRoot, CurrentTime);
  XSync(display_, False);
  Keys({"ctrl+alt+b"});
  EXPECT_TRUE(pressed(XK_b));
  Keys({"shift+ctrl+alt+F11"});

  // Alt+F4 closes the active window (xmessage answers WM_DELETE_WINDOW).
  qwtest::ChildProcess* msg = Run({"xmessage", "-name", "msg", "-geometry", "+400+400", "close me"});
  Window message = WaitForClass("msg");
  ASSERT_NE(WaitForFrame(message), None);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == message; }));
  Keys({"alt+F4"});
  EXPECT_TRUE(msg->WaitExit(10000)) << teldra_.Output();

  // Ctrl+Alt+Delete on a client that ignores WM_DELETE_WINDOW: the first
  // asks it to close, the second kills it.
  Display* other = XOpenDisplay(server_.DisplayName().c_str());
  ASSERT_NE(other, nullptr);
  qwtest::MakeIOErrorSurvivable(other);
  Window deaf = MakeClient(other, "deaf", 500, 200);
  Atom del = XInternAtom(other, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(other, deaf, &del, 1);
  XMapWindow(other, deaf);
  XSync(other, False);
  ASSERT_NE(WaitForFrame(deaf), None);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == deaf; }));
  Keys({"ctrl+alt+Delete"});
  EXPECT_TRUE(Exists(display_, deaf));
  Keys({"ctrl+alt+Delete"});
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !Exists(display_, deaf); })) << teldra_.Output();
  XCloseDisplay(other);
  EXPECT_TRUE(teldra_.Running());
}

TEST_F(DesktopTest, AltTabStepsThroughTheWindowsInStackingOrder) {
  StartTeldra();
  Window a = Mapped("wa", 100, 100), b = Mapped("wb", 150, 150), c = Mapped("wc", 200, 200);
  const Window fa = teldratest::ParentOf(display_, a), fb = teldratest::ParentOf(display_, b),
               fc = teldratest::ParentOf(display_, c);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return TopFrame() == fc && Focus() == c; }));
  // While Alt is held the switcher shows; its release raises the window
  // below the top one.
  Tool({"xdotool", "keydown", "alt", "key", "Tab"});
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    for (Window w : qwtest::FindWindowsByName(display_, "teldra switcher"))
      if (Attributes(display_, w).map_state == IsViewable) return true;
    return false;
  })) << teldra_.Output();
  Tool({"xdotool", "keyup", "alt"});
  EXPECT_TRUE(qwtest::WaitUntil([&] { return TopFrame() == fb && Focus() == b; })) << teldra_.Output();
  // Now b, c, a from the top: two steps choose a.
  Tool({"xdotool", "keydown", "alt", "key", "--delay", "50", "Tab", "Tab", "keyup", "alt"});
  EXPECT_TRUE(qwtest::WaitUntil([&] { return TopFrame() == fa && Focus() == a; })) << teldra_.Output();
  // Backward from a, b, c and the desktop command's window at the bottom:
  // the last one first, then one step back, c.
  Tool({"xdotool", "keydown", "alt+shift", "key", "--delay", "50", "Tab", "Tab", "keyup", "alt+shift"});
  EXPECT_TRUE(qwtest::WaitUntil([&] { return TopFrame() == fc && Focus() == c; })) << teldra_.Output();
  EXPECT_TRUE(qwtest::FindWindowsByName(display_, "teldra switcher").empty());
}

}  // namespace

namespace {

// Preferences read at the start: the font size of the title bars (the
// published frame sizes and the frames follow it) and an icon placement out
// of range (the default, bottom left, instead).
TEST_F(DesktopTest, PreferencesAreReadAtTheStart) {
  StartTeldra("teldra_font_size = 24\nicon_placement = 9\n");
  ASSERT_TRUE(qwtest::WaitUntil([&] { return qwtest::ReadRootProperty(display_, "_QX_BORDER_SIZES").exists; }));
  const long top = qwtest::ReadRootProperty(display_, "_QX_BORDER_SIZES").values.at(0);
  EXPECT_GE(top, 24 + 8) << "a title bar for a 24-pixel font (23 for the default 12)";
  Window w = Mapped("big", 300, 300);
  EXPECT_EQ(Attributes(display_, w).y, top);
  Tool({"xdotool", "windowminimize", "--sync", [&] {
          char id[32];
          std::snprintf(id, sizeof id, "0x%lx", w);
          return std::string(id);
        }()});
  // Placement 1: the icon at the bottom left; its image box is 32, 704.
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    XImage* img = XGetImage(display_, root_, 32, 704, 32, 32, AllPlanes, ZPixmap);
    if (!img) return false;
    // The default image has a black outline.
    bool black = false;
    for (int j = 0; j < 32 && !black; ++j)
      for (int i = 0; i < 32 && !black; ++i) black = XGetPixel(img, i, j) == 0;
    XDestroyImage(img);
    return black;
  })) << teldra_.Output();
}

// The other hot keys: the root menu, the window menu of the active
// window, the network box and the log-off confirmation; and a press with
// the menu button on a desktop icon opens that window's menu.
TEST_F(DesktopTest, MenuAndBoxHotKeys) {
  StartTeldra();
  Window w = Mapped("keys", 200, 200);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == w; }));
  const struct {
    const char* keys;
    const char* box;  // null: a menu
  } table[] = {{"alt+F10", nullptr}, {"alt+space", nullptr}, {"alt+minus", nullptr},
               {"ctrl+alt+i", "QXW0506"}, {"ctrl+alt+BackSpace", "QXW3507"}};
  for (const auto& row : table) {
    SCOPED_TRACE(row.keys);
    Keys({row.keys});
    if (row.box) {
      EXPECT_TRUE(BoxShown(row.box)) << teldra_.Output();
    } else {
      EXPECT_TRUE(MenuUp()) << teldra_.Output();
      Keys({"Escape"});
      EXPECT_TRUE(qwtest::WaitUntil([&] { return Menus().empty(); }));
    }
  }
  Keys({"Escape"});  // "No" to logging off
  EXPECT_TRUE(teldra_.Running());
  // The window menu from its icon: Restore brings the window back.
  char id[32];
  std::snprintf(id, sizeof id, "0x%lx", w);
  Tool({"xdotool", "windowminimize", "--sync", id});
  ASSERT_TRUE(Minimised(w));
  Click(48, 720, 3);
  ASSERT_TRUE(MenuUp()) << teldra_.Output();
  Keys({"r"});
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    return Attributes(display_, teldratest::ParentOf(display_, w)).map_state == IsViewable;
  }));
}

// With -noswapbox Alt+Tab is no hot key: the application gets it.
TEST_F(DesktopTest, WithoutTheSwitcherAltTabReachesTheApplication) {
  StartTeldra("", {"-noswapbox"});
  Window a = Mapped("one", 100, 100);
  Window b = Mapped("two", 300, 300);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == b; }));
  XEvent ev;
  while (XCheckTypedWindowEvent(display_, b, KeyPress, &ev)) {
  }
  Keys({"alt+Tab"});
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    while (XCheckTypedWindowEvent(display_, b, KeyPress, &ev))
      if (XLookupKeysym(&ev.xkey, 0) == XK_Tab) return true;
    return false;
  }));
  EXPECT_EQ(Focus(), b);
  EXPECT_TRUE(qwtest::FindWindowsByName(display_, "teldra switcher").empty());
  (void)a;
}

}  // namespace

namespace {

// Alt+Tab shows a client's own WM_HINTS picture, as its desktop icon does.
TEST_F(DesktopTest, TheSwitcherShowsTheClientsOwnIcon) {
  StartTeldra();
  Window w = MakeClient(display_, "pictured", 100, 100);
  const unsigned long green = 0x00ff00;
  Pixmap picture = XCreatePixmap(display_, root_, 32, 32, static_cast<unsigned>(DefaultDepth(display_, 0)));
  GC gc = XCreateGC(display_, picture, 0, nullptr);
  XSetForeground(display_, gc, green);
  XFillRectangle(display_, picture, gc, 0, 0, 32, 32);
  XFreeGC(display_, gc);
  XWMHints hints = {};
  hints.flags = IconPixmapHint;
  hints.icon_pixmap = picture;
  XSetWMHints(display_, w, &hints);
  XMapWindow(display_, w);
  XFlush(display_);
  ASSERT_NE(WaitForFrame(w), None);
  Mapped("plain", 300, 300);
  // The green pixels of the switcher: the picture's 32 x 32.
  auto greenPixels = [&] {
    long count = 0;
    for (Window s : qwtest::FindWindowsByName(display_, "teldra switcher")) {
      const XWindowAttributes a = Attributes(display_, s);
      if (a.map_state != IsViewable) continue;
      XImage* img = XGetImage(display_, s, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                              AllPlanes, ZPixmap);
      if (!img) continue;
      for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) count += XGetPixel(img, x, y) == green;
      XDestroyImage(img);
    }
    return count;
  };
  Tool({"xdotool", "keydown", "alt", "key", "Tab"});
  EXPECT_TRUE(qwtest::WaitUntil([&] { return greenPixels() == 32 * 32; })) << greenPixels();
  Tool({"xdotool", "keyup", "alt"});
}

}  // namespace
