// The image window in a session's window: laid over the screen at the
// cells the host named, scrolled by the scroll_image actions, moved with
// the text when the split view of a wide screen shows the other half, and
// gone without an X error when the screen's image is erased.
#include "tests/xwindow/WindowFixture.h"

#include <X11/Intrinsic.h>

#include "image/ImageStore.h"
#include "tests/image/ImageCorpus.h"
#include "xfront/SessionImages.h"
#include "xfront/XStuffImage.h"

namespace {

using Bytes = std::vector<uint8_t>;
using qwtest::Rect;

struct ImageWindowAt800 : qwtest::WindowFixture<800, 600> {};

// An image control field (type 0x66): TIFF, the window at `row`, `column`
// of `rows` x `columns` cells, at `scale` percent.
Bytes ControlField(int row, int column, int rows, int columns, int scale) {
  Bytes f(28, 0);
  f[2] = 0xD9;
  f[3] = 0x66;
  f[4] = 0x80;
  f[11] = 2;  // TIFF
  f[12] = static_cast<uint8_t>(row);
  f[13] = static_cast<uint8_t>(column);
  f[14] = static_cast<uint8_t>(rows);
  f[15] = static_cast<uint8_t>(columns);
  f[16] = static_cast<uint8_t>(scale >> 8);
  f[17] = static_cast<uint8_t>(scale);
  const std::string name = "PICTURE";
  f[27] = static_cast<uint8_t>(name.size());
  f.insert(f.end(), name.begin(), name.end());
  f[0] = static_cast<uint8_t>(f.size() >> 8);
  f[1] = static_cast<uint8_t>(f.size());
  return f;
}

Bytes DownloadField(const Bytes& data) {
  Bytes f(12, 0);
  f[2] = 0xD9;
  f[3] = 0x67;
  f[4] = 0x80;  // the last segment
  f[11] = 3;
  const std::string name = "IMG";
  f.insert(f.end(), name.begin(), name.end());
  f.insert(f.end(), data.begin(), data.end());
  f[0] = static_cast<uint8_t>(f.size() >> 8);
  f[1] = static_cast<uint8_t>(f.size());
  return f;
}

// Where the image area's window lies in the session's drawing window.
void AreaPlace(SessionControlBlock* b, XStuffImage* image, int* x, int* y) {
  Display* d = XtDisplay(image->window());
  Window child;
  XTranslateCoordinates(d, XtWindow(image->window()), XtWindow(b->xstuff.x_get_text_widget()), 0, 0, x, y, &child);
}

TEST_F(ImageWindowAt800, ImageWindowFollowsTheSplitViewAndScrolls) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  XStuff& x = b->xstuff;
  x.setMiscWindowValues(x.ruleLineMode(), 0, 3, false);
  x.x_set_rows_columns(27, 132);
  Settle(b);
  SessionImages* images = ImagesOfSession(b);
  ASSERT_NE(images, nullptr);

  qwtest::TempDir dir;
  const image_test::Pnm picture = image_test::ColourPicture(120, 90);
  image_test::WritePnm(dir.Path() + "/colour.ppm", picture);
  ASSERT_TRUE(image_test::RunTool(dir, "ppm2tiff -c none colour.ppm colour.tif"));
  const Bytes tiff = image_test::ReadFile(dir.Path() + "/colour.tif");
  ASSERT_LT(tiff.size() + 20, 65535u);

  // Row 2, column 100: in the right half of a 132-column screen.
  const Bytes control = ControlField(2, 100, 10, 30, 300);
  const Bytes download = DownloadField(tiff);
  images->writeImage(control.data(), static_cast<unsigned int>(control.size()));
  images->writeImage(download.data(), static_cast<unsigned int>(download.size()));
  ASSERT_NE(images->window(), nullptr);
  XStuffImage* image = images->window();
  ASSERT_TRUE(qwtest::RunUntil([&] { return image->paints() > 0; }));
  EXPECT_EQ(image->scale(), 300u);
  EXPECT_EQ(images->object()->state().scale, 300u) << "the shown scale is kept for the save record";

  // The window stands at its cells, counted from the text's origin, on
  // both halves of a split view.
  int ax = 0, ay = 0;
  AreaPlace(b, image, &ax, &ay);
  int cw = x.cellWidth(), ch = x.cellHeight();
  EXPECT_EQ(ax, x.originX() - 1 + 99 * cw);
  EXPECT_EQ(ay, x.originY() - 1 + 1 * ch);
  if (x.privatePart()->placement.splitView) {
    const int before = x.originX();
    XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("toggle_text_side"), nullptr, nullptr, 0);
    EXPECT_NE(x.originX(), before);
    XSync(test_, False);
    qwtest::Pump(5);
    AreaPlace(b, image, &ax, &ay);
    EXPECT_EQ(ax, x.originX() - 1 + 99 * cw);
  }
  // A narrower font: the window follows the smaller cells.
  XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("narrower-font"), nullptr, nullptr, 0);
  Settle(b);
  if (x.cellWidth() != cw) {
    image = images->window();
    ASSERT_NE(image, nullptr);
    AreaPlace(b, image, &ax, &ay);
    EXPECT_EQ(ax, x.originX() - 1 + 99 * x.cellWidth());
    EXPECT_EQ(ay, x.originY() - 1 + 1 * x.cellHeight());
  }
  cw = x.cellWidth();
  ch = x.cellHeight();
  image = images->window();
  // The window kept the view's centre; back to the top left corner.
  for (int i = 0; i < 20; ++i) {
    XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("scroll_image_up"), nullptr, nullptr, 0);
    XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("scroll_image_left"), nullptr, nullptr, 0);
  }
  ASSERT_EQ(image->viewX(), 0);
  ASSERT_EQ(image->viewY(), 0);
  ASSERT_TRUE(qwtest::RunUntil([&] { return image->paints() > 0; }));

  // With the right half shown the window is on the screen: the picture's
  // pixel (10, 10) is shown at 3 x that.
  {
    XSync(test_, False);
    XImage* shot = XGetImage(XtDisplay(image->window()), XtWindow(image->window()), 31, 31, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(shot, nullptr);
    const unsigned long p = XGetPixel(shot, 0, 0);
    XDestroyImage(shot);
    Visual* v = DefaultVisualOfScreen(XtScreen(image->window()));
    if (v->c_class == TrueColor && v->red_mask == 0xFF0000) {
      const uint8_t* src = &picture.data[(10 * 120 + 10) * 3];
      EXPECT_NEAR(int((p >> 16) & 0xFF), src[0], 2);
      EXPECT_NEAR(int((p >> 8) & 0xFF), src[1], 2);
      EXPECT_NEAR(int(p & 0xFF), src[2], 2);
    }
  }

  // The scroll actions scroll the picture (360 x 270 shown).
  ASSERT_GT(image->shown().height, image->viewHeight());
  EXPECT_EQ(image->viewY(), 0);
  XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("scroll_image_down"), nullptr, nullptr, 0);
  EXPECT_EQ(image->viewY(), std::min<int>(5 * ch, int(image->shown().height - image->viewHeight())));
  XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("scroll_image_up"), nullptr, nullptr, 0);
  EXPECT_EQ(image->viewY(), 0);

  // Saved with the screen and restored: the same scale and view come back.
  XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("scroll_image_down"), nullptr, nullptr, 0);
  XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("scroll_image_right"), nullptr, nullptr, 0);
  const int viewX = image->viewX(), viewY = image->viewY();
  ASSERT_GT(viewY, 0);
  const std::vector<uint8_t> record = images->saveImage();
  ASSERT_FALSE(record.empty());
  images->eraseImage();
  ASSERT_EQ(images->restoreImage(record.data(), static_cast<unsigned int>(record.size())), 0);
  ASSERT_NE(images->window(), nullptr);
  image = images->window();
  ASSERT_TRUE(qwtest::RunUntil([&] { return image->paints() > 0; }));
  EXPECT_EQ(image->scale(), 300u);
  EXPECT_EQ(image->viewX(), viewX);
  EXPECT_EQ(image->viewY(), viewY);

  // A window the host puts past the screen's edge is kept on the screen,
  // and the session window keeps its size.
  Settle(b);
  const Rect drawing = DrawingRect(b);
  const Bytes wide = ControlField(20, 120, 30, 60, 100);
  images->writeImage(wide.data(), static_cast<unsigned int>(wide.size()));
  images->writeImage(download.data(), static_cast<unsigned int>(download.size()));
  ASSERT_NE(images->window(), nullptr);
  image = images->window();
  Dimension w = 0, h = 0;
  XtVaGetValues(image->scrolledWindow(), XmNwidth, &w, XmNheight, &h, nullptr);
  EXPECT_EQ(w, (132 - 120 + 1) * cw);
  EXPECT_EQ(h, (27 - 20 + 1) * ch);
  Settle(b);
  const Rect after = DrawingRect(b);
  EXPECT_EQ(after.width, drawing.width);
  EXPECT_EQ(after.height, drawing.height);

  // The screen's image is erased: the window goes with it.
  images->eraseImage();
  EXPECT_EQ(images->window(), nullptr);
  XSync(test_, False);
  qwtest::Pump(5);
}

// A bilevel page shown through the session: the session's image colours
// (ink 17, paper 16) changed as the colour dialog changes them repaint the
// window at once, ink and paper each in its own colour.
TEST_F(ImageWindowAt800, BilevelPageTakesTheSessionsImageColours) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  XStuff& x = b->xstuff;
  Settle(b);
  SessionImages* images = ImagesOfSession(b);
  ASSERT_NE(images, nullptr);

  // Left half ink, right half paper.
  image_test::Pnm page;
  page.kind = '4';
  page.width = 64;
  page.height = 40;
  page.data.assign(size_t{page.rowBytes()} * page.height, 0);
  for (unsigned int y = 0; y < page.height; ++y)
    for (unsigned int i = 0; i < 4; ++i) page.data[y * page.rowBytes() + i] = 0xFF;
  qwtest::TempDir dir;
  image_test::WritePnm(dir.Path() + "/page.pbm", page);
  ASSERT_TRUE(image_test::RunTool(dir, "pnmtotiff -g4 page.pbm > page.tif"));
  const Bytes tiff = image_test::ReadFile(dir.Path() + "/page.tif");
  const Bytes control = ControlField(2, 2, 10, 30, 100);
  const Bytes download = DownloadField(tiff);
  images->writeImage(control.data(), static_cast<unsigned int>(control.size()));
  images->writeImage(download.data(), static_cast<unsigned int>(download.size()));
  XStuffImage* image = images->window();
  ASSERT_NE(image, nullptr);
  ASSERT_TRUE(qwtest::RunUntil([&] { return image->paints() > 0; }));

  Display* d = XtDisplay(image->window());
  Visual* v = DefaultVisualOfScreen(XtScreen(image->window()));
  ASSERT_EQ(v->c_class, TrueColor);
  auto shown = [&](int px, int py) {
    XSync(d, False);
    XImage* shot = XGetImage(d, XtWindow(image->window()), px, py, 1, 1, AllPlanes, ZPixmap);
    EXPECT_NE(shot, nullptr);
    if (!shot) return 0ul;
    const unsigned long pixel = XGetPixel(shot, 0, 0);
    XDestroyImage(shot);
    return pixel;
  };
  auto named = [&](const char* name) {
    XColor c;
    EXPECT_TRUE(XAllocNamedColor(d, DefaultColormapOfScreen(XtScreen(image->window())), name, &c, &c)) << name;
    return c.pixel;
  };
  const struct {
    const char* ink;
    const char* paper;
  } cases[] = {{"red", "yellow"}, {"navy", "white"}, {"black", "green"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.ink) + " on " + c.paper);
    const unsigned long ink = named(c.ink), paper = named(c.paper);
    const unsigned long before = image->paints();
    x.setColor(17, ink, true);
    x.setColor(16, paper, true);
    ASSERT_TRUE(qwtest::RunUntil([&] { return image->paints() > before; })) << "the colour change repaints";
    ASSERT_TRUE(qwtest::RunUntil([&] { return shown(8, 8) == ink && shown(48, 8) == paper; }, 5000))
        << std::hex << "ink shown " << shown(8, 8) << " (want " << ink << "), paper shown " << shown(48, 8)
        << " (want " << paper << ")";
  }
}

}  // namespace
