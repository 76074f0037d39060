// Colours of the session window: colour files read and validated, their
// colours on the real window (pixel probes), a corrupt file keeping the
// built-in colours, and colour allocation on 8- and 16-bit screens.
#include "tests/xwindow/WindowFixture.h"

#include <sys/stat.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <fstream>

#include "tests/support/LogCapture.h"
#include "xfront/ColorFiles.h"

namespace {

using qwtest::Pump;

struct Rgb {
  int r, g, b;
};

std::string AdvancedFile(const char* background, const char* green) {
  std::string text;
  const char* const* black = BuiltInColorScheme(ColorSchemeId::Black);
  for (int i = 0; i < 22; ++i)
    text += std::string("color") + std::to_string(i) + " " + (i == 2 ? background : i == 5 ? green : black[i]) + "\n";
  return text;
}

TEST(ColorFileText, BasicFileSelectsAScheme) {
  const struct {
    const char* third;
    int scheme;
  } cases[] = {
      {"bg=#000000", 0},  {"#333333", 1},  {"x #c0c0c0", 2}, {"#bbbbbb", 2}, {"#f5deb3", 3},
      {"#ccdcff", 4},     {"#c4c4c4", 4},  {"#C0C0C0", -1},  {"#00000", -1}, {"no colour", -1},
      {"#999999", -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BasicColorFileScheme(std::string("one\ntwo\n") + c.third + "\nfour\n"), c.scheme) << c.third;
  EXPECT_EQ(BasicColorFileScheme("#000000\n#000000\n"), -1) << "fewer than three lines";
}

// The administrator's directories as the colour mapper reads them: one
// string each, then an empty one.
TEST(ColorFileText, ColourDirectoriesBecomeStringsEndedByAnEmptyOne) {
  const struct {
    std::string list, block;
  } cases[] = {
      {"/srv/c", std::string("/srv/c\0\0", 8)},
      {"/a,/b c", std::string("/a\0/b c\0\0", 9)},
      {"/a,,/b", std::string("/a\0\0/b\0\0", 8)},
  };
  for (const auto& c : cases) {
    const std::vector<char> block = ColorDirectoryBlock(c.list);
    EXPECT_EQ(std::string(block.begin(), block.end()), c.block) << c.list;
    EXPECT_EQ(block.size(), c.list.size() + 2);
  }
  EXPECT_EQ(LastPathComponent("/home/u/night.colours"), "night.colours");
  EXPECT_EQ(LastPathComponent("plain"), "plain");
}

TEST(ColorFileText, AdvancedFileIsValidated) {
  std::vector<std::string> specs;
  const std::string good = AdvancedFile("#102030", "#00ff00");
  ASSERT_TRUE(ParseAdvancedColorFile(good, &specs));
  EXPECT_EQ(specs[2], "#102030");
  EXPECT_TRUE(ParseAdvancedColorFile(good + "#xyz is never read\n", &specs)) << "a 23rd line is ignored";
  std::string crlf;
  for (char c : good) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(ParseAdvancedColorFile(crlf, &specs));
  EXPECT_EQ(specs[2], "#102030");
  std::string noNewline = good;
  noNewline.pop_back();
  ASSERT_TRUE(ParseAdvancedColorFile(noNewline, &specs));
  EXPECT_EQ(specs[21], "#ffffff") << "the last character is kept when no line end follows";
  const struct {
    const char* what;
    std::string text;
  } bad[] = {
      {"three hex digits", AdvancedFile("#123", "#00ff00")},
      {"not hex", AdvancedFile("#zz2030", "#00ff00")},
      {"no #", AdvancedFile("102030", "#00ff00")},
      {"too long", AdvancedFile("#1020304050607", "#00ff00")},
      {"21 lines", good.substr(0, good.rfind("color21"))},
      {"a name with a format", AdvancedFile("#%s%s%n", "#00ff00")},
  };
  for (const auto& b : bad) EXPECT_FALSE(ParseAdvancedColorFile(b.text, &specs)) << b.what;
}

template <class Fixture>
struct ColorChecks : Fixture {
  static void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::string ColorDir() const {
    const std::string dir = Fixture::shared_ + "/QW5250";
    ::mkdir(dir.c_str(), 0755);
    ::mkdir((dir + "/C").c_str(), 0755);
    return dir + "/C";
  }
  void TearDown() override {
    const std::string dir = Fixture::shared_ + "/QW5250/C";
    for (const char* f : {"/Default.default", "/adv", "/COL.session"}) ::unlink((dir + f).c_str());
    Fixture::TearDown();
  }
  // The colour of a pixel of the drawing area (a blank cell's background).
  static Rgb Probe(SessionControlBlock* b, int x, int y) {
    Display* d = Fixture::test_;
    XImage* image = XGetImage(d, XtWindow(b->xstuff.x_get_text_widget()), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return {-1, -1, -1};
    XColor c;
    c.pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    XQueryColor(d, DefaultColormap(d, DefaultScreen(d)), &c);
    return {c.red >> 8, c.green >> 8, c.blue >> 8};
  }
  static SessionControlBlock* PaintedSession(const std::string& id) {
    SessionControlBlock* b = Fixture::NewSession(id);
    if (!b) return nullptr;
    b->xstuff.Flush_X5250(0, b->xstuff.rows() * b->xstuff.columns() - 1, 0, 0);
    Fixture::Settle(b);
    XSync(XtDisplay(b->xstuff.shell()), False);
    return b;
  }
};

using Screen24 = ColorChecks<qwtest::WindowFixture<1024, 768>>;
using Screen16 = ColorChecks<qwtest::WindowFixture<1024, 768, 16>>;
using Screen8 = ColorChecks<qwtest::WindowFixture<1024, 768, 8>>;

TEST_F(Screen24, SessionColorFileColoursTheWindow) {
  const std::string dir = ColorDir();
  // The session's file names the grey scheme.
  WriteFile(dir + "/COL.session", "QW5250 colours\nscheme\nbackground #c0c0c0\n");
  SessionControlBlock* b = PaintedSession("COL");
  ASSERT_NE(b, nullptr);
  const Rgb bg = Probe(b, 40 * b->xstuff.cellWidth(), 12 * b->xstuff.cellHeight());
  EXPECT_EQ(bg.r, 0xc0);
  EXPECT_EQ(bg.g, 0xc0);
  EXPECT_EQ(bg.b, 0xc0);
}

TEST_F(Screen24, DefaultFileLeadsToAnAdvancedFile) {
  const std::string dir = ColorDir();
  WriteFile(dir + "/adv", AdvancedFile("#102030", "#00ff00"));
  WriteFile(dir + "/Default.default", dir + "/adv\n");
  SessionControlBlock* b = PaintedSession("");
  ASSERT_NE(b, nullptr);
  const Rgb bg = Probe(b, 10 * b->xstuff.cellWidth(), 20 * b->xstuff.cellHeight());
  EXPECT_EQ(bg.r, 0x10);
  EXPECT_EQ(bg.g, 0x20);
  EXPECT_EQ(bg.b, 0x30);
}

TEST_F(Screen24, ColorMapPathResourceNamesAnAdvancedFile) {
  const std::string dir = ColorDir();
  WriteFile(dir + "/adv", AdvancedFile("#203040", "#00ff00"));
  static std::string path;
  path = dir + "/adv";
  AppResources().defaultColorMapPath = const_cast<char*>(path.c_str());
  SessionControlBlock* b = PaintedSession("");
  ASSERT_NE(b, nullptr);
  const Rgb bg = Probe(b, 3, 3);
  EXPECT_EQ(bg.r, 0x20);
  EXPECT_EQ(bg.b, 0x40);
}

TEST_F(Screen24, CorruptFileKeepsTheBuiltInColours) {
  const std::string dir = ColorDir();
  WriteFile(dir + "/adv", AdvancedFile("#123", "#00ff00"));
  WriteFile(dir + "/Default.default", dir + "/adv\n");
  qwtest::LogCapture log;
  SessionControlBlock* b = PaintedSession("");
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(log.Contains("is corrupted, default colors used"));
  const Rgb bg = Probe(b, 10 * b->xstuff.cellWidth(), 20 * b->xstuff.cellHeight());
  EXPECT_EQ(bg.r + bg.g + bg.b, 0) << "the black scheme's screen background";
}

TEST_F(Screen16, ColoursComposedWithoutSubstitutes) {
  const std::string dir = ColorDir();
  WriteFile(dir + "/adv", AdvancedFile("#f80400", "#00ff00"));
  WriteFile(dir + "/Default.default", dir + "/adv\n");
  qwtest::LogCapture log;
  SessionControlBlock* b = PaintedSession("");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->xstuff.colorPixel(2), 0xF800u | (0x04 << 3 & 0x07E0u));
  const Rgb bg = Probe(b, 3, 3);
  EXPECT_GE(bg.r, 0xf0);
  EXPECT_LE(bg.g, 0x08);
}

TEST_F(Screen8, FullColormapFallsBackToTheNearestCell) {
  Display* d = test_;
  // Another client takes every free cell of the colormap.
  const Colormap cmap = DefaultColormap(d, DefaultScreen(d));
  unsigned long pixels[256];
  unsigned long planes[1];
  int taken = 0;
  while (taken < 256 && XAllocColorCells(d, cmap, False, planes, 0, &pixels[taken], 1)) {
    XColor c;
    c.pixel = pixels[taken];
    c.red = c.green = c.blue = static_cast<unsigned short>((taken * 997) & 0xFFFF);
    c.flags = DoRed | DoGreen | DoBlue;
    XStoreColor(d, cmap, &c);
    ++taken;
  }
  XSync(d, False);
  const std::string dir = ColorDir();
  WriteFile(dir + "/adv", AdvancedFile("#1234ab", "#00ff00"));
  WriteFile(dir + "/Default.default", dir + "/adv\n");
  SessionControlBlock* b = PaintedSession("");
  ASSERT_NE(b, nullptr);
  XColor got;
  got.pixel = b->xstuff.colorPixel(2);
  XQueryColor(d, cmap, &got);
  const int distance = std::abs((got.red >> 8) - 0x12) + std::abs((got.green >> 8) - 0x34) +
                       std::abs((got.blue >> 8) - 0xab);
  EXPECT_LT(distance, 3 * 256) << "some cell";
  const Rgb bg = Probe(b, 3, 3);
  EXPECT_EQ(bg.r, got.red >> 8) << "the window shows the substitute";
  XFreeColors(d, cmap, pixels, taken, 0);
}

}  // namespace

namespace {

// The colour mapper (another client) connects, sets a colour with repaint,
// queries it, and sends nonsense; replies come to its window.
TEST_F(Screen24, ColorMapperSetsAndQueriesColours) {
  SessionControlBlock* b = PaintedSession("");
  ASSERT_NE(b, nullptr);
  Display* d = test_;
  const Atom atom = XInternAtom(d, "QAV_5250_Tintwell_Interface", False);
  const Window mapper = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
  XSync(d, False);
  auto send = [&](long w0, long w1, long w2, long w3) {
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = XtWindow(b->xstuff.shell());
    ev.xclient.message_type = atom;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = w0;
    ev.xclient.data.l[1] = w1;
    ev.xclient.data.l[2] = w2;
    ev.xclient.data.l[3] = w3;
    XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
    XSync(d, False);
  };
  auto reply = [&](XClientMessageEvent* out) {
    return qwtest::RunUntil([&] {
      XEvent ev;
      while (XCheckTypedWindowEvent(d, mapper, ClientMessage, &ev))
        if (ev.xclient.message_type == atom) {
          *out = ev.xclient;
          return true;
        }
      XSync(d, False);
      return false;
    }, 5000);
  };
  XClientMessageEvent r;
  send(1, static_cast<long>(mapper), 0, 0);
  ASSERT_TRUE(reply(&r));
  EXPECT_EQ(r.data.l[0], 21);
  EXPECT_TRUE(b->xstuff.colorMapperConnected());

  // Screen background (index 2) to red, applied with a repaint.
  send(4, 2, 0xFFFFL << 16, 0);
  ASSERT_TRUE(reply(&r));
  EXPECT_EQ(r.data.l[0], 24);
  EXPECT_EQ(r.data.l[1], 2);
  EXPECT_EQ(r.data.l[2] >> 16, 0) << "allocated, no substitute";
  Settle(b);
  const Rgb bg = Probe(b, 10 * b->xstuff.cellWidth(), 20 * b->xstuff.cellHeight());
  EXPECT_EQ(bg.r, 0xff);
  EXPECT_EQ(bg.g, 0);

  send(2, 2, 0, 0);
  ASSERT_TRUE(reply(&r));
  EXPECT_EQ(r.data.l[0], 22);
  EXPECT_EQ((r.data.l[2] >> 16) & 0xFFFF, 0xFFFF);
  EXPECT_EQ(r.data.l[2] & 0xFFFF, 0);

  // An index beyond the 22 colours and an unknown code change nothing.
  qwtest::LogCapture log;
  send(4, 4000, 0x1234L << 16, 0);
  send(99, 0, 0, 0);
  EXPECT_TRUE(qwtest::RunUntil([&] { return log.Contains("TINTWELL_DONE_ERROR_RSP"); }, 5000));
  EXPECT_EQ(Probe(b, 3, 3).r, 0xff);

  send(5, 0, 0, 0);
  EXPECT_TRUE(qwtest::RunUntil([&] { return !b->xstuff.colorMapperConnected(); }, 5000));
  XDestroyWindow(d, mapper);
}

}  // namespace
