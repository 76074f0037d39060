// A host pop-up window with a menu bar, a single-choice list with radio
// indicators and two push buttons, painted in the session window under a
// private X server: pixel probes check the border, the menu-bar separator,
// the indicators, the choice under the cursor and the push-button frames;
// the picture goes into the documentation.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include <cstdlib>
#include <string>

#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "session/ResourceKeywords.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestHost5250.h"
#include "tests/xpaint/DepthSessionPainting.h"
#include "tests/xpaint/SessionPainting.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace paint_test;

Bytes Sba(int row, int column) { return B({0x11, row, column}); }

Bytes ChoiceText(int flags1, const std::string& text, int mnemonic = -1) {
  const Bytes t = Ebcdic(text);
  const Bytes items = mnemonic >= 0 ? B({mnemonic}) : Bytes();
  return Cat({B({int(5 + items.size() + t.size()), 0x10, flags1 | (mnemonic >= 0 ? 0x08 : 0), 0, 0xE0}), items, t});
}

// Define selection field with one device parameter for every display.
Bytes SelectionField(int type, int parameter, int textSize, int rows, int columns, int padding, const Bytes& minors) {
  const size_t n = 20 + minors.size();
  return Cat({B({0x15, int(n >> 8), int(n & 0xFF), 0xD9, 0x50, 0, 0, 0, type, parameter, parameter, parameter, 0,
                 0, textSize, rows, columns, padding, 0, 0, 0}),
              minors});
}

// A window at row 2, column 6: 12 rows of 54 columns inside its border,
// titled "Order".
Bytes PopUp() {
  const Bytes title = Ebcdic("Order");
  const Bytes minor = Cat({B({int(6 + title.size()), 0x10, 0x80, 0x00, 0x00, 0x00}), title});
  const size_t n = 9 + minor.size();
  const Bytes window = Cat({B({0x15, int(n >> 8), int(n & 0xFF), 0xD9, 0x51, 0x80, 0, 0, 12, 54}), minor});
  const Bytes menu = SelectionField(
      0x01, 0xF2, 6, 1, 3, 1,
      Cat({ChoiceText(0, "File", 0), ChoiceText(0, "Edit", 0), ChoiceText(0, "Help", 0),
           B({8, 0x09, 0x00, 8, 58, 0x22, 0x22, 0x13})}));
  const Bytes list = SelectionField(
      0x21, 0x02, 10, 3, 1, 0,
      Cat({ChoiceText(0, "Apple", 0), ChoiceText(0x40, "Banana", 0), ChoiceText(0x80, "Cherry", 0)}));
  const Bytes buttons = SelectionField(0x41, 0x52, 8, 1, 2, 2, Cat({ChoiceText(0, " OK"), ChoiceText(0, " Cancel")}));
  return Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), Sba(2, 6), window, Sba(3, 8), menu,
              Sba(6, 12), B({0x22}), Ebcdic("Fruit:"), Sba(7, 12), list, Sba(12, 12), buttons, B({0x13, 8, 13})});
}

class HostWindowPainting : public SessionPainting {
 protected:
  void Probe(CellProbe* probe) {
    ReadWindow(probe);
    ASSERT_NE(probe->image, nullptr);
  }
};

TEST_F(HostWindowPainting, WindowMenuBarIndicatorsAndPushButtons) {
  Send(PopUp());
  EXPECT_TRUE(host_.Records().empty()) << "every structure is accepted";
  // The cursor as a bar under the cell, whoever has the keyboard focus, so
  // that the choice under it shows its own colours.
  XStuff& window = block_->xstuff;
  UpdateMiscellaneousPreference(block_, misc_pref::kCursorStyle, 2);
  window.x_inserting(false);
  window.SetFocus(1);
  window.clearcurs(1);
  window.drawcurs(0);
  XSync(ToolkitDisplay(), False);
  Pixel background = 0, green = 0, white = 0;
  XtVaGetValues(drawing_, XmNbackground, &background, QwNextGreen, &green, QwNextWhite, &white, nullptr);
  CellProbe probe;
  ASSERT_NO_FATAL_FAILURE(Probe(&probe));
  const int cell = probe.cellWidth * probe.cellHeight;
  const auto ink = [&](int row, int column) { return cell - probe.count(row, column, background); };

  // The border: corners, top and sides drawn (as their fallback characters
  // when the font has no line symbols), the title in it.
  EXPECT_GT(ink(2, 7), 0) << "top left corner";
  EXPECT_GT(ink(5, 7), 0) << "left side";
  EXPECT_GT(ink(2, 9), 0) << "title";
  // The menu bar and its separator in high intensity on the row below.
  EXPECT_GT(ink(3, 9), 0) << "File";
  EXPECT_GT(probe.count(4, 20, white), 0) << "separator";
  EXPECT_EQ(ink(4, 60), 0) << "no separator past its end column";
  // Radio indicators left of the list: the selected one shows its mark; the
  // choice under the cursor is in reverse image.
  EXPECT_GT(ink(8, 11), 0) << "Banana's indicator";
  EXPECT_GT(probe.count(8, 13, green), cell / 2) << "Banana has the cursor";
  EXPECT_EQ(probe.count(7, 13, green) > cell / 2, false) << "Apple does not";
  // Push buttons: a frame around each button's cells.
  const int y = probe.originY + 11 * probe.cellHeight;
  const int x = probe.originX + 12 * probe.cellWidth + probe.cellWidth / 2;
  EXPECT_NE(XGetPixel(probe.image, x, y), background) << "the top edge of OK's frame";

  // The picture for the documentation, when asked for.
  qwtest::Screenshot shot = qwtest::CaptureWindow(ToolkitDisplay(), XtWindow(block_->xstuff.shell()));
  ASSERT_FALSE(shot.empty());
  if (const char* dir = std::getenv("QW_SCREENSHOT_DIR"))
    EXPECT_TRUE(qwtest::WritePng(shot, std::string(dir) + "/host-window.png"));
}

}  // namespace

namespace {

using namespace glue_test;
using namespace paint_test;

Bytes Be32(uint32_t v) { return B({int(v >> 24), int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)}); }

// The same window and a vertical scroll bar, on a GUI display: the border,
// the radio indicators, the scroll arrows, shaft and slider are drawn as
// graphic symbols, not as characters.
class GraphicSymbols : public DepthSessionPainting<int> {
 protected:
  int Depth() const override { return GetParam(); }
};

TEST_P(GraphicSymbols, BorderIndicatorsAndScrollBarAreDrawnAsSymbols) {
  // A bar at row 14, column 70, eight rows long (arrows on rows 14 and 21):
  // 100 rows, the first shown.
  const Bytes bar = Cat({Sba(14, 70), B({0x15, 0x00, 15, 0xD9, 0x53, 0x00, 0x00}), Be32(100), Be32(0), B({8})});
  Bytes screen = PopUp();
  screen.insert(screen.end() - 3, bar.begin(), bar.end());  // before the cursor order
  ASSERT_NO_FATAL_FAILURE(Send(screen));
  ASSERT_TRUE(block_->xstuff.enptuiSymbolsDisplay()) << "the window turns the symbols on";
  CellProbe p;
  ASSERT_NO_FATAL_FAILURE(Probe(&p));
  const Pixel background = Resource(XmNbackground);
  const int w = p.cellWidth, h = p.cellHeight, mx = w / 2, my = h / 2;
  const auto inked = [&](int row, int column, int dx, int dy) { return p.at(row, column, dx, dy) != background; };

  // Lines through the middle of the cells, from edge to edge.
  EXPECT_TRUE(inked(2, 8, 0, my) && inked(2, 8, w - 1, my)) << "top border";
  EXPECT_FALSE(inked(2, 8, mx, 0)) << "top border above its line";
  EXPECT_TRUE(inked(5, 7, mx, 0) && inked(5, 7, mx, h - 1)) << "left border";
  EXPECT_FALSE(inked(5, 7, 0, my)) << "left border beside its line";
  EXPECT_TRUE(inked(2, 7, w - 1, my) && inked(2, 7, mx, h - 1)) << "top left corner";
  EXPECT_FALSE(inked(2, 7, 0, my) || inked(2, 7, mx, 0)) << "top left corner, outside";

  // The scroll bar: the up arrow's triangle inside a raised frame, the
  // shaft's two edges, and the slider filled.
  const int column = 71;
  EXPECT_TRUE(inked(14, column, mx, my)) << "up arrow";
  // (Its bottom shadow may be as dark as the screen: only the light edge.)
  EXPECT_TRUE(inked(14, column, 0, 0)) << "up arrow's frame";
  int slider = 0, shaft = 0;
  for (int row = 15; row <= 20; ++row) {
    const bool filled = inked(row, column, mx, my);
    const bool edges = inked(row, column, 0, my) || inked(row, column, w - 1, my);
    slider += filled;
    shaft += !filled && edges;
  }
  EXPECT_GE(slider, 1) << "a slider";
  EXPECT_GE(shaft, 1) << "a shaft";
  EXPECT_TRUE(inked(21, column, mx, my)) << "down arrow";
}

INSTANTIATE_TEST_SUITE_P(Depths, GraphicSymbols, ::testing::Values(24, 16),
                         [](const ::testing::TestParamInfo<int>& i) { return "Depth" + std::to_string(i.param); });

}  // namespace
