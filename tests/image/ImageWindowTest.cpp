// The image window on private X servers of depth 24, 16 and 8: a fax page
// and a colour picture are shown, rotated, scrolled, trimmed and magnified
// with real pointer events (XTEST); what the window shows is read back with
// xwd, and a known source pixel must land where the scale and rotation say.
#include <gtest/gtest.h>

#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/extensions/XTest.h>
#include <Xm/BulletinB.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "image/ImageObject.h"
#include "image/ImageStore.h"
#include "tests/image/ImageCorpus.h"
#include "tests/support/XTestServer.h"
#include "xfront/XStuffImage.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A window's contents as xwd writes them, read back into colours.
struct XwdShot {
  unsigned int width = 0, height = 0;
  unsigned int bitsPerPixel = 0, bytesPerLine = 0, byteOrder = 0, visualClass = 0;
  unsigned long masks[3] = {};
  std::vector<std::array<unsigned int, 4>> colours;  // pixel, r, g, b (8 bits)
  Bytes data;

  unsigned long pixel(unsigned int x, unsigned int y) const {
    const uint8_t* p = data.data() + static_cast<size_t>(y) * bytesPerLine + x * bitsPerPixel / 8;
    const unsigned int n = bitsPerPixel / 8;
    unsigned long v = 0;
    for (unsigned int i = 0; i < n; ++i) v |= static_cast<unsigned long>(p[byteOrder ? i : n - 1 - i]) << (8 * (n - 1 - i));
    return v;
  }
  // Red, green and blue (0-255) of the pixel at (x, y).
  std::array<int, 3> rgb(unsigned int x, unsigned int y) const {
    const unsigned long v = pixel(x, y);
    if (visualClass == TrueColor || visualClass == DirectColor) {
      std::array<int, 3> out{};
      for (int k = 0; k < 3; ++k) {
        unsigned long m = masks[k];
        int shift = 0;
        while (m && !(m & 1)) {
          m >>= 1;
          ++shift;
        }
        out[k] = static_cast<int>(((v >> shift) & m) * 255 / (m ? m : 1));
      }
      return out;
    }
    for (const auto& c : colours)
      if (c[0] == v) return {int(c[1]), int(c[2]), int(c[3])};
    return {-1, -1, -1};
  }
};

uint32_t Be32(const Bytes& b, size_t at) {
  return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

bool Xwd(const std::string& display, Window window, XwdShot* shot) {
  const std::string command = "xwd -silent -display " + display + " -id " + std::to_string(window);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  Bytes b;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) b.insert(b.end(), buffer, buffer + n);
  if (pclose(pipe) != 0 || b.size() < 100) return false;
  const uint32_t headerSize = Be32(b, 0);
  shot->width = Be32(b, 16);
  shot->height = Be32(b, 20);
  shot->byteOrder = Be32(b, 28);
  shot->bitsPerPixel = Be32(b, 44);
  shot->bytesPerLine = Be32(b, 48);
  shot->visualClass = Be32(b, 52);
  shot->masks[0] = Be32(b, 56);
  shot->masks[1] = Be32(b, 60);
  shot->masks[2] = Be32(b, 64);
  const uint32_t ncolours = Be32(b, 76);
  size_t at = headerSize;
  for (uint32_t i = 0; i < ncolours && at + 12 <= b.size(); ++i, at += 12)
    shot->colours.push_back({Be32(b, at), unsigned(b[at + 4]), unsigned(b[at + 6]), unsigned(b[at + 8])});
  shot->data.assign(b.begin() + static_cast<long>(at), b.end());
  return shot->data.size() >= static_cast<size_t>(shot->bytesPerLine) * shot->height;
}

// A colour picture of 8 x 8 blocks in 192 colours that repeat every 16
// blocks across and 12 down (the colours lie on the quantiser's cell
// centres, so that every screen, 8-bit ones too, can show them exactly or
// nearly).
struct Picture {
  static constexpr unsigned int kBlock = 8;
  unsigned int wide = 12, high = 8;  // blocks
  unsigned int width() const { return kBlock * wide; }
  unsigned int height() const { return kBlock * high; }
  static std::array<int, 3> colour(unsigned int bx, unsigned int by) {
    bx %= 16;
    by %= 12;
    return {int(8 * ((bx * 5 + by * 3) % 32) + 4), int(4 * ((by * 9 + bx * 2) % 64) + 2),
            int(8 * ((bx * 7 + by * 11 + 3) % 32) + 4)};
  }
  static std::array<int, 3> at(unsigned int sx, unsigned int sy) { return colour(sx / kBlock, sy / kBlock); }
  ImageStore store() const {
    ImageStore s;
    s.hasImage = true;
    s.description.type = kImageColour;
    s.description.bitsPerPixel = 24;
    s.description.width = static_cast<uint16_t>(width());
    s.description.height = static_cast<uint16_t>(height());
    s.description.bytesPerLine = 3 * width();
    s.description.size = 3 * width() * height();
    for (unsigned int y = 0; y < height(); ++y)
      for (unsigned int x = 0; x < width(); ++x)
        for (int c : at(x, y)) s.pixels.push_back(static_cast<uint8_t>(c));
    return s;
  }
};

// An A4 fax page (1728 x 2292, set bits black) with black squares of 192
// pixels at known places.
struct FaxPage {
  static constexpr unsigned int kWidth = 1728, kHeight = 2292, kSquare = 192;
  static bool black(unsigned int x, unsigned int y) {
    const unsigned int bx = x / kSquare, by = y / kSquare;
    return (bx + by) % 3 == 0;
  }
  static ImageStore store() {
    ImageStore s;
    s.hasImage = true;
    s.description.type = kImageBilevel;
    s.description.bitsPerPixel = 1;
    s.description.width = kWidth;
    s.description.height = kHeight;
    s.description.bytesPerLine = kWidth / 8;
    s.description.size = kWidth / 8 * kHeight;
    s.pixels.assign(s.description.size, 0);
    for (unsigned int y = 0; y < kHeight; ++y)
      for (unsigned int x = 0; x < kWidth; ++x)
        if (black(x, y)) s.pixels[y * (kWidth / 8) + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return s;
  }
};

ImageWindowState WindowState(unsigned int scale, unsigned int rotation) {
  ImageWindowState s;
  s.column = 3;
  s.row = 2;
  s.columns = 60;
  s.rows = 20;
  s.scale = static_cast<uint16_t>(scale);
  s.rotation = static_cast<uint16_t>(rotation);
  return s;
}

// One server and one toolkit display per depth for the whole program: Motif
// keeps data of every display it has seen, keyed by the Display's address,
// so a display closed and another opened at the same address would meet
// the first one's stale data.
struct DepthDisplay {
  qwtest::XTestServer server;
  XtAppContext app = nullptr;
  Display* display = nullptr;
  ~DepthDisplay() {
    if (app) XtDestroyApplicationContext(app);
    server.Stop();
  }
};

DepthDisplay& DisplayOfDepth(int depth) {
  static std::map<int, std::unique_ptr<DepthDisplay>> displays;
  std::unique_ptr<DepthDisplay>& d = displays[depth];
  if (!d) {
    d = std::make_unique<DepthDisplay>();
    d->server.SetDepth(depth);
    if (d->server.Start(1280, 1024)) {
      XtToolkitInitialize();
      d->app = XtCreateApplicationContext();
      int argc = 0;
      d->display =
          XtOpenDisplay(d->app, d->server.DisplayName().c_str(), "qwtest", "QW5250", nullptr, 0, &argc, nullptr);
    }
  }
  return *d;
}

class ImageWindowTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    DepthDisplay& d = DisplayOfDepth(GetParam());
    server_ = &d.server;
    ASSERT_TRUE(server_->Running()) << server_->Error();
    app_ = d.app;
    display_ = d.display;
    ASSERT_NE(display_, nullptr);
    XSetErrorHandler([](Display*, XErrorEvent* e) {
      ++XErrors();
      ADD_FAILURE() << "X error " << int(e->error_code) << " request " << int(e->request_code);
      return 0;
    });
    shell_ = XtVaAppCreateShell("qwtest", "QW5250", applicationShellWidgetClass, display_, XmNx, 0, XmNy, 0,
                                nullptr);
    board_ = XtVaCreateManagedWidget("board", xmBulletinBoardWidgetClass, shell_, XmNwidth, 800, XmNheight, 600,
                                     XmNmarginWidth, 0, XmNmarginHeight, 0, XmNresizePolicy, XmRESIZE_NONE,
                                     nullptr);
    image_ = std::make_unique<XStuffImage>(board_);
    ASSERT_EQ(image_->DrawingAreaInit(WindowState(100, 0), cells_), 0);
    XtRealizeWidget(shell_);
    ASSERT_TRUE(WaitFor([&] { return Viewable(image_->window()); })) << "the window is mapped";
  }
  void TearDown() override {
    image_.reset();
    if (shell_) XtDestroyWidget(shell_);
    if (display_) {
      XSync(display_, False);
      while (XtAppPending(app_)) XtAppProcessEvent(app_, XtIMAll);
      XSync(display_, False);
    }
    EXPECT_EQ(XErrors(), 0);
    XErrors() = 0;
  }
  static int& XErrors() {
    static int n = 0;
    return n;
  }

  bool Viewable(Widget w) {
    if (!XtIsRealized(w)) return false;
    XWindowAttributes a;
    return XGetWindowAttributes(display_, XtWindow(w), &a) && a.map_state == IsViewable;
  }
  // Processes events until `done` holds (at most 20 s).
  bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
      XSync(display_, False);
      while (XtAppPending(app_)) XtAppProcessEvent(app_, XtIMAll);
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      XtAppProcessEvent(app_, XtIMAll);  // blocks until something comes
    }
  }
  // Settles what is queued, then reads the window back.
  XwdShot Shot() {
    XSync(display_, False);
    while (XtAppPending(app_)) XtAppProcessEvent(app_, XtIMAll);
    XSync(display_, False);
    XwdShot shot;
    EXPECT_TRUE(Xwd(server_->DisplayName(), XtWindow(image_->window()), &shot));
    return shot;
  }
  void Show(const ImageStore& store, unsigned int scale, unsigned int rotation) {
    store_ = store;
    const unsigned long before = image_->paints();
    ASSERT_EQ(image_->DrawImage(store_, WindowState(scale, rotation), false), 0);
    ASSERT_TRUE(WaitFor([&] { return image_->paints() > before; }));
  }
  // The window position of shown pixel (x, y).
  static void ExpectColour(const XwdShot& shot, int wx, int wy, std::array<int, 3> want, const char* what) {
    ASSERT_GE(wx, 0);
    ASSERT_GE(wy, 0);
    ASSERT_LT(static_cast<unsigned>(wx), shot.width);
    ASSERT_LT(static_cast<unsigned>(wy), shot.height);
    const std::array<int, 3> got = shot.rgb(static_cast<unsigned>(wx), static_cast<unsigned>(wy));
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(got[k], want[k], 9) << what << " at " << wx << "," << wy << " component " << k;
  }
  // Screen coordinates of a window point, for XTEST.
  void RootPoint(int x, int y, int* rx, int* ry) {
    Window child;
    XTranslateCoordinates(display_, XtWindow(image_->window()), DefaultRootWindow(display_), x, y, rx, ry, &child);
  }
  void Button(unsigned int button, bool press, unsigned long delayMs = 0) {
    XTestFakeButtonEvent(display_, button, press ? True : False, delayMs);
    XFlush(display_);
  }
  void Motion(int x, int y) {
    int rx, ry;
    RootPoint(x, y, &rx, &ry);
    XTestFakeMotionEvent(display_, -1, rx, ry, 0);
    XFlush(display_);
  }

  qwtest::XTestServer* server_ = nullptr;
  XtAppContext app_ = nullptr;
  Display* display_ = nullptr;
  Widget shell_ = nullptr, board_ = nullptr;
  XStuffImage::Cells cells_{0, 0, 10, 20};
  std::unique_ptr<XStuffImage> image_;
  ImageStore store_;
};

TEST_P(ImageWindowTest, ColourPictureAtEveryRotation) {
  // Scale 200: source pixel (sx, sy) lands at (2 sx, 2 sy) unrotated; the
  // block centres are sampled, away from rounding at block edges.
  const int s = 2;
  const Picture picture;  // 96 x 64
  const int shownW = int(picture.width()) * s, shownH = int(picture.height()) * s;
  for (unsigned int rotation : {0u, 90u, 180u, 270u}) {
    SCOPED_TRACE(rotation);
    Show(picture.store(), 200, rotation);
    EXPECT_EQ(image_->scale(), 200u);
    EXPECT_EQ(image_->rotation(), rotation);
    const XwdShot shot = Shot();
    for (unsigned int by = 0; by < picture.high; by += 3)
      for (unsigned int bx = 0; bx < picture.wide; bx += 2) {
        const int sx = int(bx * Picture::kBlock + 4), sy = int(by * Picture::kBlock + 4);
        int x = 0, y = 0;
        switch (rotation) {
          case 0: x = s * sx, y = s * sy; break;
          case 90: x = shownH - 1 - s * sy, y = s * sx; break;
          case 180: x = shownW - 1 - s * sx, y = shownH - 1 - s * sy; break;
          default: x = s * sy, y = shownW - 1 - s * sx; break;
        }
        ExpectColour(shot, x - image_->viewX(), y - image_->viewY(), Picture::colour(bx, by), "block");
      }
  }
}

TEST_P(ImageWindowTest, FaxPageFitsTheWindow) {
  Show(FaxPage::store(), 0xFFFE, 0);
  const unsigned int scale = image_->scale();
  EXPECT_EQ(scale, std::min((image_->viewWidth() - 4) * 100 / FaxPage::kWidth,
                            (image_->viewHeight() - 4) * 100 / FaxPage::kHeight));
  EXPECT_LE(image_->shown().height, image_->viewHeight());
  const XwdShot shot = Shot();
  // The centre of every square, scaled.
  for (unsigned int by = 0; by < FaxPage::kHeight / FaxPage::kSquare; ++by)
    for (unsigned int bx = 0; bx < FaxPage::kWidth / FaxPage::kSquare; ++bx) {
      const unsigned int sx = bx * FaxPage::kSquare + FaxPage::kSquare / 2, sy = by * FaxPage::kSquare + FaxPage::kSquare / 2;
      const int x = int(sx * scale / 100), y = int(sy * scale / 100);
      const int v = FaxPage::black(sx, sy) ? 0 : 255;
      ExpectColour(shot, x, y, {v, v, v}, "square");
    }
}

// When the host shows the same image again at another rotation, the view
// stays on the same part of the page: the remembered centre turns with it.
TEST_P(ImageWindowTest, ARotatedViewKeepsItsCentre) {
  Show(FaxPage::store(), 50, 0);
  // Into the page, far enough from its edges that no rotation clamps the
  // view.
  for (int i = 0; i < 40 && image_->centreX() < 400; ++i) image_->Scroll('R');
  for (int i = 0; i < 40 && image_->centreY() < 500; ++i) image_->Scroll('D');
  Shot();
  // The page point under the centre of the view, and its colour.
  const int sx = 2 * image_->centreX(), sy = 2 * image_->centreY();
  ASSERT_GT(sx, FaxPage::kSquare / 2);
  ASSERT_GT(sy, FaxPage::kSquare / 2);
  const bool black = FaxPage::black(static_cast<unsigned int>(sx), static_cast<unsigned int>(sy));
  const bool nearEdge = sx % FaxPage::kSquare < 4 || sx % FaxPage::kSquare > FaxPage::kSquare - 4 ||
                        sy % FaxPage::kSquare < 4 || sy % FaxPage::kSquare > FaxPage::kSquare - 4;
  const int w = static_cast<int>(image_->shown().width), h = static_cast<int>(image_->shown().height);
  const int x = image_->centreX(), y = image_->centreY();
  struct Case {
    unsigned int rotation;
    int cx, cy;
  };
  ASSERT_GE(x, 400);
  ASSERT_GE(y, 500);
  ASSERT_LE(x, w - 300);
  ASSERT_LE(y, h - 300);
  // Each from the rotation before it; the centres as seen from rotation 0.
  const Case cases[] = {{90, h - y - 1, x}, {270, y, w - x - 1}, {0, x, y}, {180, w - x - 1, h - y - 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rotation);
    const unsigned long before = image_->paints();
    ASSERT_EQ(image_->DrawImage(store_, WindowState(50, c.rotation), true), 0);
    ASSERT_TRUE(WaitFor([&] { return image_->paints() > before; }));
    EXPECT_EQ(image_->rotation(), c.rotation);
    EXPECT_NEAR(image_->centreX(), c.cx, 1);
    EXPECT_NEAR(image_->centreY(), c.cy, 1);
    if (!nearEdge) {
      const int v = black ? 0 : 255;
      ExpectColour(Shot(), image_->centreX() - image_->viewX(), image_->centreY() - image_->viewY(), {v, v, v},
                   "the page point under the centre");
    }
  }
}

// A bilevel page draws its ink in the session's image foreground and its
// paper in the image background; a colour change repaints it at once, and
// the inverse setting exchanges the two.
TEST_P(ImageWindowTest, InkAndPaperFollowTheSessionsImageColours) {
  Show(FaxPage::store(), 10, 0);
  auto pixel = [&](const char* name) {
    XColor c;
    EXPECT_TRUE(XAllocNamedColor(display_, DefaultColormap(display_, DefaultScreen(display_)), name, &c, &c));
    return c.pixel;
  };
  struct Case {
    const char* ink;
    const char* paper;
    bool inverse;
    std::array<int, 3> inkShown, paperShown;
  };
  const Case cases[] = {
      {"black", "white", false, {0, 0, 0}, {255, 255, 255}},
      {"red", "yellow", false, {255, 0, 0}, {255, 255, 0}},
      {"blue", "white", false, {0, 0, 255}, {255, 255, 255}},
      {"blue", "white", true, {255, 255, 255}, {0, 0, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ink) + " on " + c.paper + (c.inverse ? ", inverse" : ""));
    const unsigned long before = image_->paints();
    image_->SetImageColors(pixel(c.ink), pixel(c.paper), c.inverse);
    ASSERT_TRUE(WaitFor([&] { return image_->paints() > before; })) << "the colour change repaints";
    const XwdShot shot = Shot();
    // Square (0, 0) is ink, square (1, 0) paper; their centres at 10 %.
    const int centre = FaxPage::kSquare / 2 * 10 / 100, next = (FaxPage::kSquare * 3 / 2) * 10 / 100;
    ExpectColour(shot, centre - image_->viewX(), centre - image_->viewY(), c.inkShown, "ink");
    ExpectColour(shot, next - image_->viewX(), centre - image_->viewY(), c.paperShown, "paper");
  }
}

// A Group 3 fax page as a host sends it (a headerless page in download
// fields), decoded by the image object and shown at 50 %: every shown
// pixel is the source pixel at twice its coordinates.
TEST_P(ImageWindowTest, FaxPageFromTheHostDecodedAndShown) {
  qwtest::TempDir dir;
  const image_test::Pnm page = image_test::TestPage(1728, 400);
  image_test::WritePnm(dir.Path() + "/page.pbm", page);
  ASSERT_TRUE(image_test::RunTool(dir, "pbmtog3 -reversebits page.pbm > page.g3"));
  const Bytes fax = image_test::HeaderlessPage(image_test::ReadFile(dir.Path() + "/page.g3"), 16);

  struct NoStatus : ImageStatusPort {
    void postImageStatus(unsigned char code, const unsigned char*) override { ADD_FAILURE() << "status " << int(code); }
  } port;
  ImageStore store;
  ImageObject object(&store, &port, 4000000, static_cast<unsigned int>(GetParam()));
  Bytes control(28, 0);
  control[1] = 28 + 4;
  control[2] = 0xD9;
  control[3] = 0x66;
  control[11] = 4;  // headerless fax page
  control[27] = 4;
  control.insert(control.end(), {'P', 'A', 'G', 'E'});
  ASSERT_EQ(object.ReadControlData(control.data(), static_cast<unsigned int>(control.size())), 0);
  for (size_t at = 0; at < fax.size(); at += 8000) {
    const size_t n = std::min<size_t>(8000, fax.size() - at);
    Bytes download = {0, 0, 0xD9, 0x67, uint8_t(at + n >= fax.size() ? 0x80 : 0), 0, 0, 0, 0, 0, 0, 1, 'X'};
    download.insert(download.end(), fax.begin() + static_cast<long>(at), fax.begin() + static_cast<long>(at + n));
    download[0] = static_cast<uint8_t>(download.size() >> 8);
    download[1] = static_cast<uint8_t>(download.size());
    ASSERT_EQ(object.ReadDownloadData(download.data(), static_cast<unsigned int>(download.size())), 0);
  }
  ASSERT_TRUE(store.hasImage);
  ASSERT_EQ(store.description.bitsPerPixel, 1u);
  ASSERT_EQ(store.description.width, 1728u);
  auto sourceBlack = [&](unsigned int x, unsigned int y) {
    return (store.pixels[y * store.description.bytesPerLine + x / 8] >> (7 - x % 8)) & 1;
  };
  for (unsigned int y = 0; y < 400; y += 37)
    for (unsigned int x = 0; x < 1728; x += 29) ASSERT_EQ(sourceBlack(x, y) != 0, page.bit(x, y)) << x << "," << y;

  store_ = store;
  const unsigned long before = image_->paints();
  ASSERT_EQ(image_->DrawImage(store_, WindowState(50, 0), false), 0);
  ASSERT_TRUE(WaitFor([&] { return image_->paints() > before; }));
  const XwdShot shot = Shot();
  unsigned int wrong = 0, checked = 0;
  const unsigned int w = std::min(image_->viewWidth(), image_->shown().width);
  const unsigned int h = std::min(image_->viewHeight(), image_->shown().height);
  for (unsigned int y = 0; y < h; ++y)
    for (unsigned int x = 0; x < w; ++x) {
      const int v = sourceBlack(2 * x, 2 * y) ? 0 : 255;
      const std::array<int, 3> got = shot.rgb(x, y);
      wrong += std::abs(got[0] - v) > 8 || std::abs(got[1] - v) > 8 || std::abs(got[2] - v) > 8;
      ++checked;
    }
  EXPECT_GT(checked, 50000u);
  EXPECT_EQ(wrong, 0u);
}

TEST_P(ImageWindowTest, ScrollingByKeysAndByDragging) {
  Show(Picture{40, 30}.store(), 400, 0);  // 1280 x 960 shown
  const int s = 4;
  ASSERT_GT(image_->shown().width, image_->viewWidth());
  ASSERT_GT(image_->shown().height, image_->viewHeight());
  EXPECT_EQ(image_->viewX(), 0);
  image_->Scroll('L');  // at the left edge: stays
  EXPECT_EQ(image_->viewX(), 0);
  image_->Scroll('R');
  image_->Scroll('D');
  EXPECT_EQ(image_->viewX(), std::min<int>(5 * cells_.cellWidth, image_->shown().width - image_->viewWidth()));
  EXPECT_EQ(image_->viewY(), std::min<int>(5 * cells_.cellHeight, image_->shown().height - image_->viewHeight()));
  for (int i = 0; i < 40; ++i) image_->Scroll('R');
  EXPECT_EQ(image_->viewX(), int(image_->shown().width - image_->viewWidth()));
  auto check = [&](const char* what) {
    const XwdShot shot = Shot();
    for (int wy : {5, 60, 120})
      for (int wx : {3, 90, 200}) {
        const int tx = wx + image_->viewX(), ty = wy + image_->viewY();
        // Sample away from block edges only.
        if ((tx / s) % Picture::kBlock == 0 || (ty / s) % Picture::kBlock == 0) continue;
        if ((tx / s) % Picture::kBlock == Picture::kBlock - 1 || (ty / s) % Picture::kBlock == Picture::kBlock - 1) continue;
        ExpectColour(shot, wx, wy, Picture::at(unsigned(tx / s), unsigned(ty / s)), what);
      }
  };
  check("after the keys");

  // Button 1 dragged left and up by (60, 30) moves the view right and down.
  image_->Scroll('L');
  image_->Scroll('L');
  image_->Scroll('U');
  const int x0 = image_->viewX(), y0 = image_->viewY();
  Motion(200, 150);
  Button(1, true);
  Motion(140, 120);
  Button(1, false);
  ASSERT_TRUE(WaitFor([&] { return image_->viewX() == x0 + 60; }));
  EXPECT_EQ(image_->viewY(), std::min<int>(y0 + 30, image_->shown().height - image_->viewHeight()));
  check("after the drag");
}

TEST_P(ImageWindowTest, TrimBoxMagnifiesAndDoubleClickGoesBack) {
  Show(Picture{40, 30}.store(), 100, 0);  // 320 x 240, all in view
  const unsigned long before = image_->paints();
  // A box of 5 x 30 is not drawn and does not magnify.
  Motion(10, 10);
  Button(3, true);
  Motion(15, 40);
  ASSERT_TRUE(WaitFor([&] { return true; }));
  EXPECT_FALSE(image_->trimBoxDrawn());
  Button(3, false, 300);
  ASSERT_TRUE(WaitFor([&] { return true; }));
  EXPECT_FALSE(image_->magnified());
  EXPECT_EQ(image_->scale(), 100u);

  // A 24 x 16 box from (150, 110), held past the double-click time.
  const XwdShot plain = Shot();
  Motion(150, 110);
  Button(3, true, 300);
  Motion(174, 126);
  ASSERT_TRUE(WaitFor([&] { return image_->trimBoxDrawn(); }));
  const XwdShot boxed = Shot();
  // The box's edge is drawn by inverting planes: the pixels there changed,
  // those inside did not.
  EXPECT_NE(boxed.pixel(162, 110), plain.pixel(162, 110));
  EXPECT_EQ(boxed.pixel(162, 118), plain.pixel(162, 118));
  Button(3, false, 300);
  ASSERT_TRUE(WaitFor([&] { return image_->magnified(); }));
  EXPECT_FALSE(image_->trimBoxDrawn());
  const unsigned int wanted = std::min<unsigned int>(
      400, std::min((image_->viewWidth() - 20) * 100 / 24, (image_->viewHeight() - 20) * 100 / 16));
  EXPECT_EQ(image_->scale(), wanted);
  EXPECT_GT(image_->paints(), before);
  // The box's centre, source pixel (162, 118), is in the middle of the view.
  {
    const XwdShot shot = Shot();
    const int s = int(image_->scale());
    const int x = 162 * s / 100 - image_->viewX() + s / 200, y = 118 * s / 100 - image_->viewY() + s / 200;
    EXPECT_NEAR(x, int(image_->viewWidth()) / 2, s / 100 + 1);
    EXPECT_NEAR(y, int(image_->viewHeight()) / 2, s / 100 + 1);
    ExpectColour(shot, x, y, Picture::at(162, 118), "box centre");
  }

  // A double click of button 3 returns to 100 %.
  Button(3, true, 300);
  Button(3, false, 20);
  Button(3, true, 20);
  Button(3, false, 20);
  ASSERT_TRUE(WaitFor([&] { return !image_->magnified(); }));
  EXPECT_EQ(image_->scale(), 100u);
  EXPECT_EQ(image_->viewX(), 0);
  EXPECT_EQ(image_->viewY(), 0);
  // A double click while not magnified changes nothing.
  const unsigned long paints = image_->paints();
  Button(3, true, 300);
  Button(3, false, 20);
  Button(3, true, 20);
  Button(3, false, 20);
  ASSERT_TRUE(WaitFor([&] { return true; }));
  EXPECT_EQ(image_->scale(), 100u);
  EXPECT_EQ(image_->paints(), paints);
}

// A colour map that another program filled: eight read-only colours and
// every other cell private. Each image colour then shows as its nearest
// read-only colour, and no cell is taken.
TEST_P(ImageWindowTest, FullColourMapSharesTheNearestReadOnlyColours) {
  if (GetParam() != 8) GTEST_SKIP() << "only screens with a colour map";
  // Another client of the screen: its colours and cells go with it.
  struct OtherClient {
    Display* display;
    ~OtherClient() {
      if (display) XCloseDisplay(display);
    }
  } otherClient{XOpenDisplay(server_->DisplayName().c_str())};
  Display* other = otherClient.display;
  ASSERT_NE(other, nullptr);
  const Colormap cmap = DefaultColormap(other, DefaultScreen(other));
  const int shared[8][3] = {{0, 0, 0},     {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
                            {0, 0, 255},   {255, 255, 0},   {128, 128, 128}, {0, 128, 128}};
  std::vector<unsigned long> readOnly;
  for (const auto& c : shared) {
    XColor x;
    x.red = static_cast<unsigned short>(c[0] * 257);
    x.green = static_cast<unsigned short>(c[1] * 257);
    x.blue = static_cast<unsigned short>(c[2] * 257);
    x.flags = DoRed | DoGreen | DoBlue;
    ASSERT_TRUE(XAllocColor(other, cmap, &x));
    readOnly.push_back(x.pixel);
  }
  unsigned long cells[256];
  int taken = 0;
  for (int n = 256; n > 0 && !taken; --n)
    if (XAllocColorCells(other, cmap, False, nullptr, 0, cells, static_cast<unsigned int>(n))) taken = n;
  for (int i = 0; i < taken; ++i) {
    XColor x;
    x.pixel = cells[i];
    x.red = x.green = x.blue = static_cast<unsigned short>((i * 7 % 256) * 257);
    x.flags = DoRed | DoGreen | DoBlue;
    XStoreColor(other, cmap, &x);
  }
  XSync(other, False);

  // Every cell not taken privately is read-only: ours, the server's black
  // and white, and what the toolkit allocated for the window's widgets.
  std::vector<XColor> readOnlyColours;
  for (unsigned long p = 0; p < 256; ++p)
    if (std::find(cells, cells + taken, p) == cells + taken) {
      XColor c;
      c.pixel = p;
      readOnlyColours.push_back(c);
    }
  XQueryColors(other, cmap, readOnlyColours.data(), static_cast<int>(readOnlyColours.size()));
  for (unsigned long p : readOnly)
    EXPECT_NE(std::find_if(readOnlyColours.begin(), readOnlyColours.end(),
                           [&](const XColor& c) { return c.pixel == p; }),
              readOnlyColours.end());

  const Picture picture;
  Show(picture.store(), 200, 0);
  const XwdShot shot = Shot();
  for (unsigned int by = 0; by < picture.high; ++by)
    for (unsigned int bx = 0; bx < picture.wide; ++bx) {
      const unsigned long p = shot.pixel(bx * 16 + 8, by * 16 + 8);
      const std::array<int, 3> want = Picture::colour(bx, by);
      long best = -1;
      std::vector<unsigned long> nearest;  // ties
      for (const XColor& c : readOnlyColours) {
        const long dr = (c.red >> 8) - want[0], dg = (c.green >> 8) - want[1], db = (c.blue >> 8) - want[2];
        const long d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < best) {
          best = d;
          nearest.clear();
        }
        if (d == best) nearest.push_back(c.pixel);
      }
      EXPECT_NE(std::find(nearest.begin(), nearest.end(), p), nearest.end()) << bx << "," << by;
    }
}

TEST_P(ImageWindowTest, WindowDestroyedUnderTheImageLeavesNoError) {
  Show(FaxPage::store(), 100, 0);
  XtDestroyWidget(board_);
  ASSERT_TRUE(WaitFor([&] { return image_->window() == nullptr; }));
  image_->Scroll('D');
  EXPECT_EQ(image_->DrawImage(store_, WindowState(150, 90), true), 0);
  image_.reset();
  XSync(display_, False);
}

INSTANTIATE_TEST_SUITE_P(Depths, ImageWindowTest, ::testing::Values(24, 16, 8),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Depth" + std::to_string(info.param);
                         });

}  // namespace
