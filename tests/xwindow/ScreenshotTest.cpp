// Pictures of a 24x80 and a 27x132 screen in the session window: text
// reaches the last row and column of the window. With QW_SCREENSHOT_DIR set
// the pictures are written there as PNG files.
#include "tests/xwindow/WindowFixture.h"

#include <cstdlib>
#include <vector>

#include "tests/support/Screenshot.h"

namespace {

using Screen1024 = qwtest::WindowFixture<1280, 1024>;

class Pictures : public Screen1024 {
 protected:
  // A screen of text: a heading row, rows of letters, a function-key legend.
  static void Fill(XStuff& x) {
    const int cols = x.columns(), rows = x.rows();
    std::vector<unsigned char> chars(static_cast<size_t>(rows * cols), 0x40);
    std::vector<unsigned short> attrs(chars.size(), 0x000C);
    const unsigned char letters[] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9,
                                     0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9};
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        const size_t p = static_cast<size_t>(r * cols + c);
        chars[p] = letters[(r + c) % sizeof letters];
        attrs[p] = r == 0 ? 0x00CF : r == rows - 1 ? 0x004C : 0x000C;
      }
    x.x_write(0, chars.data(), attrs.data(), rows * cols, 1);
    x.Flush_X5250(0, rows * cols - 1, 0, 0);
  }

  static void Picture(SessionControlBlock* b, const char* name) {
    XStuff& x = b->xstuff;
    Fill(x);
    Settle(b);
    x.Flush_X5250(0, x.rows() * x.columns() - 1, 0, 0);
    XSync(XtDisplay(x.shell()), False);
    const qwtest::Screenshot drawing = qwtest::CaptureWindow(test_, XtWindow(x.x_get_text_widget()));
    ASSERT_FALSE(drawing.empty());
    // Text in the last cell of the last row: something other than the background.
    const qwtest::Rgb background = drawing.at(0, 0);
    bool lastCellPainted = false;
    const int x0 = x.originX() + (x.columns() - 1) * x.cellWidth(), y0 = x.originY() + (x.rows() - 1) * x.cellHeight();
    for (int y = y0; y < y0 + x.cellHeight() && y < drawing.height; ++y)
      for (int px = x0; px < x0 + x.cellWidth() && px < drawing.width; ++px)
        if (!(drawing.at(px, y) == background)) lastCellPainted = true;
    EXPECT_TRUE(lastCellPainted) << name;
    if (const char* dir = std::getenv("QW_SCREENSHOT_DIR")) {
      const qwtest::Screenshot shell = qwtest::CaptureWindow(test_, XtWindow(x.shell()));
      EXPECT_TRUE(qwtest::WritePng(shell, std::string(dir) + "/" + name));
    }
  }
};

TEST_F(Pictures, Screens24x80And27x132) {
  SessionControlBlock* b = NewSession("PIC");
  ASSERT_NE(b, nullptr);
  b->xstuff.setMiscWindowValues(b->xstuff.ruleLineMode(), 0, 1, false);
  Picture(b, "screen-24x80.png");
  b->xstuff.x_set_rows_columns(27, 132);
  Settle(b);
  EXPECT_FALSE(b->xstuff.privatePart()->placement.splitView);
  Picture(b, "screen-27x132.png");
}

}  // namespace
