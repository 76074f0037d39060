// Define scroll bar field: the structured field of a Write to Display's
// structured field order that places a vertical or horizontal scroll bar,
// its painting, its checks, and a redefinition at the same place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datastream/DsmSense.h"
#include "display/FormatTable.h"
#include "display/ScrollBarField.h"
#include "tests/datastream/DsmRecords.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kHorizontal = 0x80;

Bytes Be32(uint32_t v) {
  return {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 8),
          static_cast<unsigned char>(v)};
}

// Write to display, the display address, then the structure.
Record Bar(unsigned int row, unsigned int column, unsigned char flags, uint32_t total, uint32_t position,
           unsigned char size, const Bytes& minors = {}) {
  const size_t n = 15 + minors.size();
  Bytes sf = {static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, 0x53, flags, 0x00};
  const Bytes t = Be32(total), p = Be32(position);
  sf.insert(sf.end(), t.begin(), t.end());
  sf.insert(sf.end(), p.begin(), p.end());
  sf.push_back(size);
  sf.insert(sf.end(), minors.begin(), minors.end());
  Record r;
  r.wtd(0, 0).sba(row, column).bytes({0x15});
  r.data.insert(r.data.end(), sf.begin(), sf.end());
  return r;
}

ScrollBarField* OnlyBar(DsmStation& s) {
  Field* f = s.table().firstRecord();
  if (!f || (f->getFieldClassID() != kVerticalScrollBar && f->getFieldClassID() != kHorizontalScrollBar))
    return nullptr;
  return static_cast<ScrollBarField*>(f);
}

// The cells of a vertical bar whose attribute stands at row/column, row by
// row: attribute, cell, ending attribute.
std::vector<Bytes> Rows(DsmStation& s, unsigned int row, unsigned int column, unsigned int rows) {
  std::vector<Bytes> out;
  for (unsigned int r = 0; r < rows; ++r) out.push_back(s.screen(s.offset(row + r, column), 3));
  return out;
}

TEST(ScrollBarDefinition, VerticalBarsWithAndWithoutArrows) {
  // The test display is a GUI display: arrows 0x01 and 0x02, shaft 0x1A,
  // slider 0x19, attributes 0x22.
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  ASSERT_EQ(s.run(Bar(5, 70, 0x00, 20, 0, 5)), 0u);
  ScrollBarField* bar = OnlyBar(s);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->getFieldClassID(), kVerticalScrollBar);
  EXPECT_EQ(bar->getStartOffset(), s.offset(5, 71));
  EXPECT_EQ(bar->barSize(), 5u);
  EXPECT_EQ(bar->totalRows(), 20u);
  EXPECT_EQ(bar->sliderSize(), 1u);
  EXPECT_EQ(bar->sliderOffset(), 1u) << "the first shaft cell, after the arrow";
  EXPECT_EQ(Rows(s, 5, 70, 5), (std::vector<Bytes>{{0x22, 0x01, 0x20}, {0x22, 0x19, 0x20}, {0x22, 0x1A, 0x20},
                                                    {0x22, 0x1A, 0x20}, {0x22, 0x02, 0x20}}));
  EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);

  // Size 4: four shaft rows, no arrows; the slider at the end of a list
  // shown to its last row: (4 - 2) x 4 / (8 - 2) = 1 cell.
  DsmStation t;
  ASSERT_EQ(t.run(Record().clearUnit()), 0u);
  ASSERT_EQ(t.run(Bar(5, 70, 0x00, 8, 4, 4)), 0u);
  EXPECT_EQ(Rows(t, 5, 70, 4), (std::vector<Bytes>{{0x22, 0x1A, 0x20}, {0x22, 0x1A, 0x20}, {0x22, 0x1A, 0x20},
                                                    {0x22, 0x19, 0x20}}));
}

TEST(ScrollBarDefinition, HorizontalBarAndIndicators) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  // Indicators that the GUI display takes (flag 0x80): colour arrow
  // attribute 0x28, an attribute byte 0x40 that leaves the shaft's as it
  // was, and the characters < > - #.
  const Bytes indicators = {11, 0x03, 0x80, 0x20, 0x28, 0x40, 0x40, 0x4C, 0x6E, 0x60, 0x7B};
  ASSERT_EQ(s.run(Bar(10, 5, kHorizontal | 0x01, 100, 50, 8, indicators)), 0u);
  ScrollBarField* bar = OnlyBar(s);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->getFieldClassID(), kHorizontalScrollBar);
  EXPECT_EQ(bar->barSize(), 6u);
  EXPECT_TRUE(bar->isModified()) << "flag 0x01";
  // Attribute, first arrow, four shaft cells with the slider in the middle,
  // second arrow, ending attribute.
  EXPECT_EQ(s.screen(s.offset(10, 5), 8), Bytes({0x28, 0x4C, 0x60, 0x60, 0x7B, 0x60, 0x6E, 0x20}));
}

TEST(ScrollBarDefinition, HugeTotalsDoNotWrap) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  ASSERT_EQ(s.run(Bar(5, 70, 0x00, 0xFFFFFFFFu, 0xFFFFFFF0u, 5)), 0u);
  ScrollBarField* bar = OnlyBar(s);
  ASSERT_NE(bar, nullptr);
  // Not yet the last page: the slider stands on the one shaft cell between
  // the top and the end.
  EXPECT_EQ(bar->sliderOffset(), 2u);
  EXPECT_EQ(bar->sliderSize(), 1u);
  ASSERT_EQ(s.run(Bar(5, 70, 0x00, 0xFFFFFFFFu, 0xFFFFFFFAu, 5)), 0u);
  EXPECT_EQ(OnlyBar(s)->sliderOffset(), 3u) << "the last page: the end of the shaft";
  EXPECT_EQ(s.run(Bar(5, 70, 0x00, 0xFFFFFFFFu, 0xFFFFFFFEu, 5)), dsm_sense::kBadScrollBarSize);
}

TEST(ScrollBarDefinition, RedefinedInPlaceOrRefused) {
  struct Case {
    const char* name;
    Record second;
    uint32_t sense;
  };
  const Case cases[] = {
      {"same place, orientation and size: replaced", Bar(5, 70, 0x00, 40, 10, 5), 0},
      {"same place, the other orientation", Bar(5, 70, kHorizontal, 40, 10, 7), dsm_sense::kBadStructuredData},
      {"same place, another size", Bar(5, 70, 0x00, 40, 10, 6), dsm_sense::kBadStructuredData},
      {"over the other bar's cells", Bar(6, 70, 0x00, 40, 10, 3), dsm_sense::kFormatTableInvalid},
      {"before it in screen order", Bar(2, 10, 0x00, 40, 10, 3), dsm_sense::kFormatTableInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    ASSERT_EQ(s.run(Bar(5, 70, 0x00, 20, 0, 5)), 0u);
    const std::string planes = s.planes();
    EXPECT_EQ(s.run(c.second), c.sense);
    if (c.sense) {
      EXPECT_EQ(s.planes(), planes);
      continue;
    }
    ScrollBarField* bar = OnlyBar(s);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(s.table().nextRecord(bar), nullptr) << "one bar at the place";
    EXPECT_EQ(bar->totalRows(), 40u);
    EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);
  }
}

TEST(ScrollBarDefinition, RefusedWithItsSense) {
  struct Case {
    const char* name;
    Record record;
    uint32_t sense;
  };
  const Case cases[] = {
      {"horizontal of size 6", Bar(5, 5, kHorizontal, 100, 0, 6), dsm_sense::kBadScrollBarSize},
      {"horizontal whose slider passes the total", Bar(5, 5, kHorizontal, 10, 6, 7), dsm_sense::kBadScrollBarSize},
      {"horizontal past the right edge", Bar(5, 75, kHorizontal, 100, 0, 7), dsm_sense::kScrollBarOutsideScreen},
      {"vertical of size 2", Bar(5, 5, 0x00, 100, 0, 2), dsm_sense::kBadScrollBarSize},
      {"vertical whose slider passes the total", Bar(5, 5, 0x00, 10, 6, 5), dsm_sense::kBadScrollBarSize},
      {"vertical total 0", Bar(5, 5, 0x00, 0, 0, 3), dsm_sense::kBadScrollBarSize},
      {"vertical below the last row", Bar(22, 5, 0x00, 100, 0, 4), dsm_sense::kScrollBarOutsideScreen},
      {"vertical without room for its ending attribute", Bar(5, 79, 0x00, 100, 0, 4),
       dsm_sense::kScrollBarOutsideScreen},
      {"indicators of length 12", Bar(5, 5, 0x00, 100, 0, 4, Bytes{12, 0x03, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
       dsm_sense::kBadLength},
      {"a minor of length 3", Bar(5, 5, 0x00, 100, 0, 4, Bytes{3, 0x03, 0x80}), dsm_sense::kBadLength},
      {"a minor of length 0", Bar(5, 5, 0x00, 100, 0, 4, Bytes{0, 0x03, 0x80, 0x00}), dsm_sense::kBadLength},
      {"a minor past the end", Bar(5, 5, 0x00, 100, 0, 4, Bytes{9, 0x03, 0x80, 0x00}), dsm_sense::kBadLength},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).sba(3, 1).text("Existing screen")), 0u);
    const std::string planes = s.planes();
    EXPECT_EQ(s.run(c.record), c.sense);
    EXPECT_EQ(s.planes(), planes);
    EXPECT_EQ(s.table().firstRecord(), nullptr);
    EXPECT_TRUE(s.manager().arena().isEmpty());
  }
}

}  // namespace
