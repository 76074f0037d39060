// The session window's getters against a real window, pixmaps from XPM
// data, and the fonts a window holds while its font changes many times:
// the server's count of the client's fonts (X-Resource extension) must not
// grow, and the window and its dialogs must still draw.
#include "tests/xwindow/WindowFixture.h"

#include <X11/extensions/XRes.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <string>
#include <vector>

#include "session/ErrorDialogs.h"
#include "session/RegistryFacts.h"
#include "xfront/KeyboardCharacters.h"
#include "xfront/LocalPrint.h"
#include "xfront/SessionIcons.h"

namespace {

using Accessors = qwtest::WindowFixture<1024, 768>;

// The fonts the server holds for the client that owns `resource`; -1 when
// the server cannot tell.
int ServerFontsOfClient(Display* d, XID resource) {
  int event = 0, error = 0;
  if (!XResQueryExtension(d, &event, &error)) return -1;
  int count = 0;
  XResType* types = nullptr;
  if (!XResQueryClientResources(d, resource, &count, &types)) return -1;
  const Atom font = XInternAtom(d, "FONT", False);
  int fonts = 0;
  for (int i = 0; i < count; ++i)
    if (types[i].resource_type == font) fonts = static_cast<int>(types[i].count);
  XFree(types);
  return fonts;
}

void ExposeTree(Display* d, Window w) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable && a.c_class == InputOutput)
      XClearArea(d, children[i], 0, 0, 0, 0, True);
    ExposeTree(d, children[i]);
  }
  if (children) XFree(children);
}

// Puts the scaled 100 dpi bitmap fonts first on the server's font path
// (every size of the family exists then, most of them outside the font
// menu) and restores the path afterwards.
struct ScaledFonts {
  Display* display;
  std::vector<std::string> path;
  explicit ScaledFonts(Display* d) : display(d) {
    int count = 0;
    char** saved = XGetFontPath(d, &count);
    path.assign(saved, saved + count);
    XFreeFontPath(saved);
    std::vector<std::string> scaled = path;
    scaled.insert(scaled.begin(), "/usr/share/fonts/X11/100dpi/");
    Set(scaled);
  }
  ~ScaledFonts() { Set(path); }
  void Set(std::vector<std::string> p) {
    std::vector<char*> names;
    for (std::string& s : p) names.push_back(&s[0]);
    XSetFontPath(display, names.data(), static_cast<int>(names.size()));
    XSync(display, False);
  }
};

TEST_F(Accessors, GettersReturnTheWindowsState) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  XStuff& x = b->xstuff;
  const unsigned char text[] = {0xC1, 0xC2, 0xC3};
  const unsigned short attrs[] = {0, 0, 0};
  x.x_write(0, text, attrs, 1, 0);
  x.x_write(79, text + 1, attrs, 1, 0);
  x.x_write(24 * 80 - 1, text + 2, attrs, 1, 0);
  const struct {
    int position;
    unsigned char expected;
  } chars[] = {{0, x.characterMirror()[0]},
               {79, x.characterMirror()[79]},
               {24 * 80 - 1, x.characterMirror()[24 * 80 - 1]},
               {24 * 80, 0},
               {XStuff::kMaxCells, 0},
               {-1, 0}};
  EXPECT_NE(chars[0].expected, chars[1].expected) << "the written characters differ";
  for (const auto& c : chars) EXPECT_EQ(x.getAsciiChar(c.position), c.expected) << "position " << c.position;

  struct Indicator {
    const char* name;
    void (*set)(XStuff&, int);
    bool (XStuff::*get)() const;
  };
  const Indicator indicators[] = {
      {"caps lock", [](XStuff& s, int on) { s.x_capslock(on); }, &XStuff::get_capslock},
      {"shift", [](XStuff& s, int on) { s.x_shiftkey(on); }, &XStuff::get_shiftkey},
      {"message waiting", [](XStuff& s, int on) { s.x_msgWait(on); }, &XStuff::get_msgWait},
      {"system wait", [](XStuff& s, int on) { s.x_sys(on); }, &XStuff::getXsys},
  };
  for (const Indicator& i : indicators)
    for (int on : {1, 0, 1, 0}) {
      i.set(x, on);
      EXPECT_EQ((x.*i.get)(), on != 0) << i.name;
    }

  for (int position : {0, 81, 24 * 80 - 1}) {
    x.x_cursor(position);
    EXPECT_EQ(x.get_cursor(), position);
  }
  EXPECT_EQ(x.get_toplevel(), x.shell());

  // The geometry is the shell's as the server has it (no window manager:
  // the shell is a child of the root window).
  Settle(b);
  const qwtest::Rect shell = ShellRect(b);
  const Geometry g = x.getCurrentGeometry();
  EXPECT_EQ(g.x, shell.x);
  EXPECT_EQ(g.y, shell.y);
  EXPECT_EQ(g.width, shell.width);
  EXPECT_EQ(g.height, shell.height);
  EXPECT_EQ(x.getXpos(), shell.x);
  EXPECT_EQ(x.getYpos(), shell.y);
  EXPECT_EQ(x.get_width(), shell.width);
  EXPECT_EQ(x.get_height(), shell.height);
  EXPECT_TRUE(g.xGiven && g.yGiven && g.widthGiven && g.heightGiven && g.fontGiven);

  // The font number follows the font menu.
  XStuff::Private& p = *x.privatePart();
  for (size_t i = 0; i < p.fontToggles.size(); ++i) {
    if (!XtIsSensitive(p.fontToggles[i])) continue;
    XmToggleButtonSetState(p.fontToggles[i], True, True);
    Settle(b);
    EXPECT_EQ(x.getCurFontsetNumber(), static_cast<unsigned char>(p.fontChoice.menuEntries[i]));
    EXPECT_EQ(x.getCurrentGeometry().fontIndex, p.fontChoice.menuEntries[i]);
  }
}

// A session window keeps the keyboard's national characters in the code set
// of its fonts (ISO 8859-1 here).
TEST_F(Accessors, TheKeyboardsCharactersAreKeptInTheFontsCodeSet) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  CodePageConverter latin1;
  ASSERT_TRUE(latin1.open("ISO8859-1", "UTF-8"));
  unsigned char expected[kExtraKeyboardCharacters];
  KeyboardExtraCharacters(WhichKeyboard(), latin1, expected);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b->extraKeyboardChars), kExtraKeyboardCharacters),
            std::string(reinterpret_cast<const char*>(expected), kExtraKeyboardCharacters));
}

TEST_F(Accessors, PixmapsFromXpmData) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  static const char* opaque[] = {"3 2 2 1", "a c #000000", "b c #FFFFFF", "aba", "bab"};
  static const char* shaped[] = {"2 2 2 1", "a c #00FF00", ". c None", "a.", ".a"};
  static const char* broken[] = {"x"};
  const struct {
    const char* name;
    const char** data;
    unsigned width, height;
    bool mask;
  } cases[] = {{"opaque", opaque, 3, 2, false},
               {"transparent pixels", shaped, 2, 2, true},
               {"bad header", broken, 0, 0, false}};
  Display* d = XtDisplay(b->xstuff.shell());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Pixmap pixmap = 1, mask = 1;
    EXPECT_EQ(CreatePixmapFromXpmData(b->xstuff.shell(), const_cast<char**>(c.data), &pixmap, &mask), 0);
    if (c.width == 0) {
      EXPECT_EQ(pixmap, 0u);
      EXPECT_EQ(mask, 0u);
      continue;
    }
    ASSERT_NE(pixmap, 0u);
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    ASSERT_TRUE(XGetGeometry(d, pixmap, &root, &x, &y, &width, &height, &border, &depth));
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(root, RootWindow(d, DefaultScreen(d)));
    EXPECT_EQ(depth, static_cast<unsigned>(DefaultDepth(d, DefaultScreen(d))));
    EXPECT_EQ(mask != 0, c.mask);
    if (mask) {
      // The mask is the shape: set where a colour is given.
      XImage* image = XGetImage(d, mask, 0, 0, 2, 2, 1, XYPixmap);
      ASSERT_NE(image, nullptr);
      EXPECT_EQ(XGetPixel(image, 0, 0), 1u);
      EXPECT_EQ(XGetPixel(image, 1, 0), 0u);
      EXPECT_EQ(XGetPixel(image, 0, 1), 0u);
      EXPECT_EQ(XGetPixel(image, 1, 1), 1u);
      XDestroyImage(image);
      XFreePixmap(d, mask);
    }
    XFreePixmap(d, pixmap);
  }
}

// Walks the fonts outside the font menu many times, with a message dialog
// and the print controls open: the fonts left behind are freed, so the
// server's count of the client's fonts is the same each time the window
// comes back to a font, and everything that showed a freed font draws with
// the current one (the sanitizers catch a freed font set still in use).
TEST_F(Accessors, FontsLeftBehindAreFreed) {
  ScaledFonts scaled(test_);
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  XStuff& x = b->xstuff;
  XStuff::Private& p = *x.privatePart();
  Display* d = XtDisplay(x.shell());
  std::vector<int> entries;
  for (int e = 0; e < p.family->count; ++e) {
    char name[kFontNameBufferSize];
    if (std::find(p.fontChoice.menuEntries.begin(), p.fontChoice.menuEntries.end(), e) ==
            p.fontChoice.menuEntries.end() &&
        GenerateFontNameString(*p.family, e, name, sizeof name) &&
        IsFontAvailable(d, name))
      entries.push_back(e);
  }
  if (entries.empty()) GTEST_SKIP() << "the server has only the fonts of the menu";
  ASSERT_GE(ServerFontsOfClient(test_, XtWindow(x.shell())), 0) << "the server has the X-Resource extension";

  ErrorDialogs& dialogs = TheErrorDialogs();
  const int dialog = dialogs.createWarningDialog(x.shell(), "WarningMsgColorFileCorrupt", nullptr, nullptr);
  ASSERT_GE(dialog, 0);
  x.localPrintCallback();
  Settle(b);

  auto redrawAll = [&] {
    // Every window on this private server is this process's: expose them
    // all (the window, its menus and status line, the dialogs) and let the
    // toolkit repaint all of it: a part drawn late may load a font then,
    // and the counts below must see the same drawn state every time.
    ExposeTree(d, DefaultRootWindow(d));
    XtAppContext app = XtDisplayToApplicationContext(d);
    for (int i = 0; i < 1000; ++i) {
      XSync(d, False);
      if (!XtAppPending(app)) break;
      qwtest::Pump(0);
    }
  };

  redrawAll();
  const int menuOnly = ServerFontsOfClient(test_, XtWindow(x.shell()));
  std::vector<int> atFirst;  // the client's fonts each time the first entry is back
  int changes = 0;
  // Each font outside the menu, then one of the menu, so that the window
  // leaves every loaded font behind.
  std::vector<int> walk;
  size_t menu = 0;
  for (int e : entries) {
    walk.push_back(e);
    walk.push_back(p.fontChoice.menuEntries[menu++ % p.fontChoice.menuEntries.size()]);
  }
  const int rounds = std::max<int>(3, 17 / static_cast<int>(walk.size()) + 2);
  for (int round = 0; round < rounds; ++round) {
    for (int e : walk) {
      SCOPED_TRACE("entry " + std::to_string(e) + ", round " + std::to_string(round));
      ASSERT_TRUE(x.selectNewFont(e, true));
      ++changes;
      redrawAll();
      EXPECT_EQ(x.getCurFontsetNumber(), static_cast<unsigned char>(e));
      // The fonts loaded later are the one in use and the remembered ones.
      EXPECT_LE(x.loadedExtraFonts(), 3);
      const int fonts = ServerFontsOfClient(test_, XtWindow(x.shell()));
      if (e == entries.front()) atFirst.push_back(fonts);
      if (std::find(entries.begin(), entries.end(), e) == entries.end()) {
        // Back on a font of the menu: the server holds what it held before
        // any other font was loaded.
        EXPECT_EQ(fonts, menuOnly);
        EXPECT_EQ(x.loadedExtraFonts(), 0);
      }
    }
  }
  ASSERT_GT(changes, 16);
  ASSERT_GE(atFirst.size(), 3u);
  for (size_t i = 1; i < atFirst.size(); ++i) EXPECT_EQ(atFirst[i], atFirst[0]) << "round " << i;

  // Back to a font of the menu: the window still draws its text, the dialog
  // and the print controls too.
  const int last = p.fontChoice.menuEntries.front() == x.currentFontEntry() ? p.fontChoice.menuEntries.back()
                                                                            : p.fontChoice.menuEntries.front();
  ASSERT_TRUE(x.selectNewFont(last, true));
  redrawAll();
  EXPECT_LE(x.loadedExtraFonts(), 2) << p.saved24x80.entry << " " << p.lastLargeEntry << " " << p.maximizedEntry << " " << p.currentEntry;
  const unsigned long before = x.paintStats().textCalls;
  const unsigned char text[] = {0xC8, 0xC5, 0xD3, 0xD3, 0xD6};
  const unsigned short attrs[5] = {};
  x.x_write(0, text, attrs, 5, 0);
  x.Flush_X5250(0);
  XSync(d, False);
  EXPECT_GT(x.paintStats().textCalls, before);
}

}  // namespace
