// The PCL screen print, read by the test's own PCL reader: the fixed
// prologue, orientation and pitch, the text of every row, and the
// underline and bold commands at the right positions.
#include <gtest/gtest.h>

#include "PrintReaders.h"
#include "ScreenFixture.h"

using printtest::AsString;
using printtest::PclItem;
using printtest::ScreenFixture;

namespace {

std::vector<PclItem> Parse(const std::string& job) {
  std::vector<PclItem> items;
  std::string error;
  EXPECT_TRUE(printtest::ParsePcl(job, items, &error)) << error;
  return items;
}

// The job with the highlight commands as marks: <u> </u> <b> </b>; other
// escape sequences as {group value terminator}.
std::string Marked(const std::vector<PclItem>& items) {
  std::string s;
  for (const PclItem& i : items) {
    if (i.kind == PclItem::Text) s += i.data;
    else if (i.group == "&d" && i.value == "0" && i.terminator == 'D') s += "<u>";
    else if (i.group == "&d" && i.value.empty() && i.terminator == '@') s += "</u>";
    else if (i.group == "(s" && i.value == "1" && i.terminator == 'B') s += "<b>";
    else if (i.group == "(s" && i.value == "0" && i.terminator == 'B') s += "</b>";
    else s += "{" + i.group + i.value + i.terminator + "}";
  }
  return s;
}

struct PclCase {
  const char* name;
  int rows, columns;
  unsigned char orientation;
  const char* orientationValue;
  const char* pitch;
  const char* hmi;
};

class PclPage : public ::testing::TestWithParam<PclCase> {};

TEST_P(PclPage, PrologueAndEveryRow) {
  const PclCase& c = GetParam();
  ScreenFixture s = ScreenFixture::Numbered(c.rows, c.columns);
  ScreenPrintOptions o;
  o.orientation = c.orientation;
  ScreenPrintBuilder b(s.screen(), o);
  const std::vector<PclItem> items = Parse(AsString(b.buildPCLData()));
  ASSERT_GT(items.size(), 20u);
  // ESC E, ESC 9, &l3E, &a6L, &l0L, orientation, &k0G, the font, the HMI.
  auto is = [&](std::size_t n, const char* group, const std::string& value, char t) {
    return items[n].kind == PclItem::Escape && items[n].group == group && items[n].value == value &&
           items[n].terminator == t;
  };
  EXPECT_TRUE(is(0, "E", "", 0));
  EXPECT_TRUE(is(1, "9", "", 0));
  EXPECT_TRUE(is(2, "&l", "3", 'E'));
  EXPECT_TRUE(is(3, "&a", "6", 'L'));
  EXPECT_TRUE(is(4, "&l", "0", 'L'));
  EXPECT_TRUE(is(5, "&l", c.orientationValue, 'O'));
  EXPECT_TRUE(is(6, "&k", "0", 'G'));
  EXPECT_TRUE(is(7, "(s", "0", 'P'));
  EXPECT_TRUE(is(8, "(s", c.pitch, 'H')) << items[8].value;
  EXPECT_TRUE(is(12, "&k", c.hmi, 'H'));
  EXPECT_TRUE(is(13, "&l", "6", 'D'));
  EXPECT_TRUE(is(14, "(s", "12", 'V'));

  // The built-in table's job start, the rows, the closing bold end and the
  // form feed; no job end without a definition file.
  std::string marked = Marked(items);
  const std::string start = "{(0N}";
  const std::size_t at = marked.find(start);
  ASSERT_NE(at, std::string::npos) << marked.substr(0, 300);
  marked = marked.substr(at + start.size());
  std::string expected;
  for (const std::string& row : s.rowsText()) expected += row + "\r\n";
  EXPECT_EQ(marked, expected + "</b>\f");
}

INSTANTIATE_TEST_SUITE_P(Screens, PclPage,
                         ::testing::Values(PclCase{"24x80_portrait", 24, 80, 1, "0", "00012", "00010"},
                                           PclCase{"24x80_landscape", 24, 80, 2, "1", "016.7", "00007"},
                                           PclCase{"27x132_portrait", 27, 132, 1, "0", "016.7", "00007"},
                                           PclCase{"27x132_landscape", 27, 132, 2, "1", "016.7", "00007"}),
                         [](const ::testing::TestParamInfo<PclCase>& i) { return std::string(i.param.name); });

TEST(PclScreen, HighlightsFollowFieldsAndUnderlinesAcrossRowEnds) {
  ScreenFixture s(3, 12);
  s.text(0, 0, "AB");
  s.attribute(s.pos(0, 2), 0x22);  // high intensity
  s.text(0, 3, "HI");
  s.attribute(s.pos(0, 5), 0x20);
  s.text(0, 6, "CD");
  s.text(0, 9, "UND");
  s.text(1, 0, "ER");
  s.underline(s.pos(0, 9), s.pos(1, 1));
  s.attribute(s.pos(2, 0), 0x27);  // non-display
  s.text(2, 1, "SECRET");
  s.attribute(s.pos(2, 7), 0x20);
  s.text(2, 8, "OK");
  s.control(s.pos(2, 11), 0x1C);
  ScreenPrintOptions o;
  o.formFeed = 2;
  ScreenPrintBuilder b(s.screen(), o);
  std::string marked = Marked(Parse(AsString(b.buildPCLData())));
  marked = marked.substr(marked.find("{(0N}") + 5);
  EXPECT_EQ(marked,
            "AB</b> <b>HI</b> CD <u>UND\r\n"
            "ER</u>          \r\n"
            "</b>       </b> OK *\r\n"
            "</b>");
}

TEST(PclScreen, BlockMarkPrintsOnlyTheMarkedColumns) {
  ScreenFixture s = ScreenFixture::Numbered(6, 20);
  PrintScreen screen = s.screen();
  screen.marked = screen.block = true;
  screen.from = s.pos(1, 4);
  screen.fromRow = 2;
  screen.fromColumn = 5;
  screen.to = s.pos(3, 9);
  screen.toRow = 4;
  screen.toColumn = 10;
  ScreenPrintBuilder b(screen, ScreenPrintOptions{});
  std::string marked = Marked(Parse(AsString(b.buildPCLData())));
  marked = marked.substr(marked.find("{(0N}") + 5);
  std::string expected;
  const std::vector<std::string> rows = s.rowsText();
  for (int r = 0; r < 6; ++r) {
    std::string line(20, ' ');
    if (r >= 1 && r <= 3) line.replace(4, 6, rows[r].substr(4, 6));
    expected += line + "\r\n";
  }
  // Leaving the marked area closes the running field.
  std::string plain;
  for (std::size_t i = 0; i < marked.size();)
    if (marked.compare(i, 4, "</b>") == 0) i += 4;
    else plain += marked[i++];
  EXPECT_EQ(plain, expected + "\f");
}

TEST(PclScreen, RunLengthReaderExpandsPairs) {
  EXPECT_EQ(printtest::ExpandPclRunLength(std::string("\x02" "A" "\x00" "B", 4)), "AAAB");
}

}  // namespace
