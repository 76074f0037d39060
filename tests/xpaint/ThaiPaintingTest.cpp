// Thai text composed into cells in the session window: a tone mark drawn in
// its consonant's cell moves the rest of the field one cell to the left,
// and the field's end attribute puts the text after it back in its
// columns. Pixel probes on the window under Xvfb.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/xpaint/SessionPainting.h"
#include "xfront/ThaiFonts.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace paint_test;

class ThaiPainting : public SessionPainting {
 protected:
  // Cells of the probe that show something other than the background.
  int Ink(int row, int column) {
    CellProbe probe;
    ReadWindow(&probe);
    EXPECT_NE(probe.image, nullptr);
    if (!probe.image) return -1;
    Pixel background = 0;
    XtVaGetValues(drawing_, XmNbackground, &background, nullptr);
    return probe.cellWidth * probe.cellHeight - probe.count(row, column, background);
  }
};

TEST_F(ThaiPainting, MarksAreComposedIntoTheirConsonantsCells) {
  // Row 3: an attribute at column 2, then consonant, tone mark, consonant,
  // consonant, the ending attribute at column 7, and a consonant at column
  // 8 after it. The cursor waits on row 10.
  Send(Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), B({0x11, 3, 2}),
            B({0x20, 0x42, 0xED, 0x43, 0x44, 0x20, 0x45}), B({0x11, 10, 1, 0x13})}));
  XStuff& x = block_->xstuff;
  // Not composed: every character in its own column.
  for (int column : {3, 4, 5, 6, 8}) EXPECT_GT(Ink(3, column), 0) << "column " << column;
  EXPECT_EQ(Ink(3, 9), 0);

  // A Thai session composes (display mode 5): the tone mark goes into the
  // first consonant's cell, the two consonants after it move left, column 6
  // is empty; after the attribute the text is in its own column again.
  x.setThaiSession(true);
  ASSERT_TRUE(x.thaiCompose());
  x.x_toggle_thaicompose();
  x.x_toggle_thaicompose();
  ASSERT_TRUE(x.thaiCompose());
  XSync(ToolkitDisplay(), False);
  EXPECT_GT(Ink(3, 3), 0) << "consonant and tone mark";
  EXPECT_GT(Ink(3, 4), 0) << "second consonant";
  EXPECT_GT(Ink(3, 5), 0) << "third consonant";
  EXPECT_EQ(Ink(3, 6), 0) << "the absorbed cell is empty";
  EXPECT_GT(Ink(3, 8), 0) << "realigned after the attribute";

  // The cursor of a position after the mark is drawn in its composed cell.
  EXPECT_EQ(x.ThaiMarkPos(0, 2 * 80 + 3, 0), 2 * 80 + 4) << "cell 4 shows position 5 (column 6)";
  EXPECT_EQ(x.ThaiMarkPos(0, 2 * 80 + 2, 1), 2 * 80 + 3) << "adjusted past the joined mark";

  // Switched off: back to one character per column.
  EXPECT_EQ(x.x_toggle_thaicompose(), 0);
  XSync(ToolkitDisplay(), False);
  EXPECT_GT(Ink(3, 6), 0);
}

// A Thai session shows the composing Thai font of its cell size and
// composes with it (the separate font of the pair while composition is off:
// the key that switches is typed in the key pre-dispatch tests).
TEST_F(ThaiPainting, TheSessionShowsThePairedThaiFontAndComposes) {
  Send(Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), B({0x11, 3, 2}),
            B({0x20, 0x42, 0xED, 0x43, 0x44, 0x20, 0x45}), B({0x11, 10, 1, 0x13})}));
  XStuff& x = block_->xstuff;
  const std::string latin = x.drawingFontName();
  size_t count = 0;
  const thai::FontPair* pairs = thai::FontPairs(&count);
  ASSERT_GT(count, 0u);
  auto pairOf = [&](const std::string& name) {
    for (size_t i = 0; i < count; ++i)
      if (name == pairs[i].separate || name == pairs[i].composing) return static_cast<int>(i);
    return -1;
  };
  ASSERT_EQ(pairOf(latin), -1) << latin;

  x.setThaiSession(true);
  ASSERT_TRUE(x.thaiCompose());
  const std::string composing = x.drawingFontName();
  const int pair = pairOf(composing);
  ASSERT_GE(pair, 0) << "xfonts-thai is not installed: " << composing;
  EXPECT_EQ(composing, pairs[pair].composing);
  EXPECT_EQ(Ink(3, 6), 0) << "composed: the absorbed cell is empty";
  EXPECT_GT(Ink(3, 3), 0);

}

}  // namespace
