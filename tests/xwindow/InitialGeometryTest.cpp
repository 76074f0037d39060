// The window's first size and place from a geometry: a size as large as the
// screen opens it maximized with the text centred; a smaller size picks the
// font and the window settles on the text inside it; a height beyond the
// screen is cut to it. Measured on the server's real windows.
#include "tests/xwindow/WindowFixture.h"

#include <cstring>
#include <string>

namespace {

using qwtest::Rect;

using Geometry1024 = qwtest::WindowFixture<1024, 768>;

class InitialGeometry : public Geometry1024 {
 protected:
  static SessionControlBlock* NewSessionWithGeometry(const char* text) {
    SessionStartOptions o;
    std::strncpy(o.geometry.geometryString, text, kMaxGeometryStringLength);
    return NewSession(o);
  }
};

TEST_F(InitialGeometry, AGeometryAsLargeAsTheScreenOpensMaximized) {
  // Without and with a work area published by a window manager.
  const struct {
    const char* geometry;
    Rect work;
  } cases[] = {{"1024x768", {0, 0, 1024, 768}}, {"1100x800+40+40", {0, 30, 1024, 738}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.geometry);
    if (c.work.height != 768) SetWorkArea(c.work.x, c.work.y, c.work.right(), c.work.bottom());
    SessionControlBlock* b = NewSessionWithGeometry(c.geometry);
    ASSERT_NE(b, nullptr);
    XStuff& x = b->xstuff;
    EXPECT_TRUE(x.privatePart()->maximized);
    const Rect shell = ShellRect(b);
    EXPECT_EQ(shell.x, c.work.x);
    EXPECT_EQ(shell.y, c.work.y);
    EXPECT_EQ(shell.width, c.work.width);
    EXPECT_EQ(shell.height, c.work.height);
    ExpectAllRowsShown(b);
    // The text sits in the middle of the drawing area.
    const Rect drawing = DrawingRect(b);
    const int left = x.originX(), right = drawing.width - (x.originX() + x.columns() * x.cellWidth());
    const int top = x.originY(), bottom = drawing.height - (x.originY() + x.rows() * x.cellHeight());
    EXPECT_GE(left, 0);
    EXPECT_GE(top, 0);
    EXPECT_LE(std::abs(left - right), 2) << left << " " << right;
    EXPECT_LE(std::abs(top - bottom), 2) << top << " " << bottom;
    EndSessions(1);
    qwtest::Pump(20);
  }
}

TEST_F(InitialGeometry, ASmallerGeometryPicksTheFontAndTheWindowSettlesInside) {
  const struct {
    const char* geometry;
    int width, height;  // the size asked for
  } cases[] = {{"700x400", 700, 400}, {"640x380+20+30", 640, 380}, {"900x5000", 900, 768}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.geometry);
    SessionControlBlock* b = NewSessionWithGeometry(c.geometry);
    ASSERT_NE(b, nullptr);
    XStuff& x = b->xstuff;
    EXPECT_FALSE(x.privatePart()->maximized);
    const Rect shell = ShellRect(b);
    // No window manager frame here: the size given is the shell's, plus one.
    EXPECT_LE(shell.width, c.width + 1);
    EXPECT_LE(shell.height, c.height + 1);
    EXPECT_LE(shell.bottom(), 768);
    ExpectAllRowsShown(b);
    // No empty border: the drawing area is the text's.
    const Rect drawing = DrawingRect(b);
    EXPECT_EQ(drawing.width, 80 * x.cellWidth() + 2);
    EXPECT_EQ(drawing.height, 24 * x.cellHeight() + 2);
    // The font is the largest of the menu that fits: the next larger one
    // would not.
    const XStuff::Private& p = *x.privatePart();
    const int chromeWidth = shell.width - drawing.width, chromeHeight = shell.height - drawing.height;
    for (size_t i = 0; i < p.fontChoice.menuEntries.size(); ++i) {
      const int entry = p.fontChoice.menuEntries[i];
      if (entry >= x.currentFontEntry()) continue;  // not larger
      const FontStats& t = p.family->table[entry];
      const bool fits = 80 * t.cellWidth + 2 + chromeWidth <= c.width + 1 &&
                        24 * t.cellHeight + 2 + chromeHeight + 2 * (t.cellHeight - x.cellHeight()) <= c.height + 1;
      EXPECT_FALSE(fits && t.cellWidth > x.cellWidth()) << "entry " << entry << " would fit too";
    }
    EndSessions(1);
    qwtest::Pump(20);
  }
}

}  // namespace
