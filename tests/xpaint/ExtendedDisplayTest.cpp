// The extended display, switched with Alt+L typed through XTEST on a session
// window: field attribute bytes show as green glyphs and null positions as
// the null-display character; Alt+L again shows both blank, as before.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <string>

#include "tests/support/XKeys.h"
#include "tests/xpaint/DepthSessionPainting.h"
#include "xfront/Win3270.h"

namespace {

using namespace glue_test;
using namespace paint_test;

Bytes Sba(int row, int column) { return B({0x11, row, column}); }

class ExtendedDisplay : public DepthSessionPainting<int> {
 protected:
  int Depth() const override { return GetParam(); }
};

TEST_P(ExtendedDisplay, AltLShowsAttributeGlyphsAndNullsAndBack) {
  // Clear unit leaves nulls. Row 5: attribute 0x20 at column 10, text,
  // reverse (0x21) at 15, text, 0x20 at 19; a blank written at column 30.
  ASSERT_NO_FATAL_FAILURE(Send(Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), Sba(5, 10), B({0x20}),
                                    Ebcdic("Text"), B({0x21}), Ebcdic("Rev"), B({0x20}), Sba(5, 30), Ebcdic(" "),
                                    B({0x13, 8, 1})})));
  ASSERT_NO_FATAL_FAILURE(Focus());
  ASSERT_NO_FATAL_FAILURE(Settle());
  const Pixel background = Resource(XmNbackground), green = Resource(QwNextGreen);
  const int cell = Cell();
  const auto ink = [&](const CellProbe& p, int row, int column) { return cell - p.count(row, column, background); };
  const struct {
    int row, column;
    const char* what;
    bool shownExtended;
  } cells[] = {{5, 10, "attribute 0x20", true},
               {5, 15, "attribute 0x21", true},
               {5, 19, "attribute 0x20 after reverse", true},
               {6, 40, "null", true},
               {5, 30, "blank", false}};
  {
    CellProbe before;
    ASSERT_NO_FATAL_FAILURE(Probe(&before));
    for (const auto& c : cells) EXPECT_EQ(ink(before, c.row, c.column), 0) << c.what;
  }

  Display* d = ToolkitDisplay();
  ASSERT_TRUE(qwtest::PressKey(d, XK_l, {XK_Alt_L}));
  ASSERT_NO_FATAL_FAILURE(Settle());
  ASSERT_TRUE(block_->xstuff.extendedDisplay());
  CellProbe on;
  ASSERT_NO_FATAL_FAILURE(Probe(&on));
  for (const auto& c : cells) EXPECT_EQ(ink(on, c.row, c.column) > 0, c.shownExtended) << c.what;
  EXPECT_GT(on.count(5, 10, green), 0) << "a glyph is green";
  EXPECT_EQ(on.at(5, 10, 0, 0), background) << "a glyph stands on the background";
  EXPECT_EQ(on.at(5, 15, 0, 0), green) << "a reverse attribute's glyph stands on green";
  EXPECT_GT(on.count(5, 15, background), 0) << "and is drawn in the background colour";

  ASSERT_TRUE(qwtest::PressKey(d, XK_l, {XK_Alt_L}));
  ASSERT_NO_FATAL_FAILURE(Settle());
  EXPECT_FALSE(block_->xstuff.extendedDisplay());
  CellProbe off;
  ASSERT_NO_FATAL_FAILURE(Probe(&off));
  for (const auto& c : cells) EXPECT_EQ(ink(off, c.row, c.column), 0) << c.what << " after Alt+L again";
}

INSTANTIATE_TEST_SUITE_P(Depths, ExtendedDisplay, ::testing::Values(24, 16),
                         [](const ::testing::TestParamInfo<int>& i) { return "Depth" + std::to_string(i.param); });

}  // namespace
