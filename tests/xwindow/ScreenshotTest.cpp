// Pictures of a 24x80 and a 27x132 screen in the session window: text
// reaches the last row and column of the window. With QW_SCREENSHOT_DIR set
// the pictures are written there as PNG files.
#include "tests/xwindow/WindowFixture.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/Screenshot.h"

namespace {

using Screen1024 = qwtest::WindowFixture<1280, 1024>;

class Pictures : public Screen1024 {
 protected:
  // A screen of text: a heading, a list of rows, a function-key legend.
  static void Fill(XStuff& x) {
    const int cols = x.columns(), rows = x.rows();
    std::vector<unsigned char> chars(static_cast<size_t>(rows * cols), ' ');
    std::vector<unsigned short> attrs(chars.size(), 0x000C);
    auto put = [&](int row, int col, const std::string& text, unsigned short attr) {
      for (size_t i = 0; i < text.size() && col + static_cast<int>(i) < cols; ++i) {
        chars[static_cast<size_t>(row * cols + col) + i] = static_cast<unsigned char>(text[i]);
        attrs[static_cast<size_t>(row * cols + col) + i] = attr;
      }
    };
    const std::string title = "Work with Active Jobs";
    put(0, (cols - static_cast<int>(title.size())) / 2, title, 0x00CF);
    put(2, 2, "Type options, press Enter.", 0x004C);
    for (int r = 4; r < rows - 2; ++r) {
      char line[200];
      std::snprintf(line, sizeof line, "    JOB%04d    QUSER%02d    BATCH    %5.1f    RUN    %s", 100 + r * 7, r,
                    (r * 37 % 100) / 10.0, cols > 80 ? "Program QSYS/QPGM, subsystem QBATCH, pool 2, priority 50" : "");
      put(r, 0, line, r % 2 ? 0x000C : 0x00CF);
    }
    put(rows - 1, 1, "F3=Exit   F5=Refresh   F11=Display elapsed data   F12=Cancel", 0x004C);
    put(rows - 1, cols - 4, "More", 0x00CF);
    x.x_write(0, chars.data(), attrs.data(), rows * cols, 1);
    x.Flush_X5250(0, rows * cols - 1, 0, 0);
  }

  static void Picture(SessionControlBlock* b, const char* name) {
    XStuff& x = b->xstuff;
    Fill(x);
    Settle(b);
    // The menu bar and the status line paint on their expose events.
    for (int i = 0; i < 20; ++i) {
      XSync(XtDisplay(x.shell()), False);
      qwtest::Pump(10);
    }
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
  const int font = b->xstuff.currentFontEntry();
  b->xstuff.x_set_rows_columns(27, 132);
  Settle(b);
  EXPECT_FALSE(b->xstuff.privatePart()->placement.splitView);
  Picture(b, "screen-27x132.png");
  b->xstuff.x_set_rows_columns(24, 80);
  Settle(b);
  EXPECT_EQ(b->xstuff.currentFontEntry(), font);
  Picture(b, "screen-24x80.png");
}

}  // namespace
