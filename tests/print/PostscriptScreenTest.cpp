// The PostScript screen print, read back by Ghostscript: the text of every
// row, for both screen sizes and both orientations, and a page that holds
// the whole line.
#include <gtest/gtest.h>

#include "PrintReaders.h"
#include "ScreenFixture.h"

using printtest::AsString;
using printtest::RightTrimmed;
using printtest::ScreenFixture;

namespace {

struct PageCase {
  const char* name;
  int rows, columns;
  unsigned char orientation;
};

class PostscriptPage : public ::testing::TestWithParam<PageCase> {};

TEST_P(PostscriptPage, GhostscriptReadsEveryRowWhole) {
  const PageCase& c = GetParam();
  ScreenFixture s = ScreenFixture::Numbered(c.rows, c.columns);
  const PrintScreen screen = s.screen();
  ScreenPrintOptions o;
  o.orientation = c.orientation;
  ScreenPrintBuilder b(screen, o);
  std::string job = AsString(b.buildPostscriptData());
  ASSERT_FALSE(job.empty());
  // A landscape job turns a portrait page; the reader is shown a landscape
  // sheet turned back, so that its rows read as rows.
  if (c.orientation == 2) job = "<< /PageSize [792 612] >> setpagedevice 0 612 translate -90 rotate\n" + job;

  std::vector<std::string> lines = printtest::GhostscriptText(job);
  std::vector<std::string> text;
  for (const std::string& l : lines)
    if (!RightTrimmed(l).empty()) text.push_back(l);
  const std::vector<std::string> want = s.rowsText();
  ASSERT_EQ(text.size(), want.size()) << job.substr(0, 2000);
  for (std::size_t r = 0; r < want.size(); ++r) {
    // txtwrite indents by the margin; the row's text must come whole.
    const std::string got = text[r].substr(text[r].find_first_not_of(' '));
    EXPECT_EQ(RightTrimmed(got), RightTrimmed(want[r])) << "row " << r + 1;
  }

  // Every mark lies on the page: a 132-column line is not cut at the edge.
  double box[4];
  ASSERT_TRUE(printtest::GhostscriptBoundingBox(job, box));
  const double pageWidth = c.orientation == 2 ? 792 : 612, pageHeight = c.orientation == 2 ? 612 : 792;
  EXPECT_GT(box[0], 0);
  EXPECT_GT(box[1], 0);
  EXPECT_LE(box[2], pageWidth);
  EXPECT_LE(box[3], pageHeight);
  if (c.columns > 80) EXPECT_GT(box[2] - box[0], 0.8 * (pageWidth - 108)) << "the line should use the page's width";
}

INSTANTIATE_TEST_SUITE_P(Screens, PostscriptPage,
                         ::testing::Values(PageCase{"24x80_portrait", 24, 80, 1}, PageCase{"24x80_landscape", 24, 80, 2},
                                           PageCase{"27x132_portrait", 27, 132, 1},
                                           PageCase{"27x132_landscape", 27, 132, 2}),
                         [](const ::testing::TestParamInfo<PageCase>& i) { return std::string(i.param.name); });

TEST(PostscriptScreen, StandardFontForScreensThatFitAndSmallerForWideOnes) {
  EXPECT_EQ(ScreenPrintBuilder::PostscriptFontSize(80, 1), 10.0);
  EXPECT_EQ(ScreenPrintBuilder::PostscriptFontSize(80, 2), 8.0);
  EXPECT_EQ(ScreenPrintBuilder::PostscriptFontSize(132, 2), 8.0);
  const double wide = ScreenPrintBuilder::PostscriptFontSize(132, 1);
  EXPECT_LT(wide, 10.0);
  EXPECT_LE(132 * 0.6 * wide, 612 - 108);
}

TEST(PostscriptScreen, ParenthesesAndBackslashAreEscapedAndReadBack) {
  ScreenFixture s(24, 80);
  s.text(0, 0, "Menu (main) a\\b");
  const PrintScreen screen = s.screen();
  ScreenPrintBuilder b(screen, ScreenPrintOptions{});
  const std::string job = AsString(b.buildPostscriptData());
  EXPECT_NE(job.find("(Menu \\(main\\) a\\\\b"), std::string::npos);
  const std::vector<std::string> lines = printtest::GhostscriptText(job);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find("Menu (main) a\\b"), std::string::npos) << lines[0];
}

TEST(PostscriptScreen, UnderlinedFieldIsStrokedAndFollowsRowEnds) {
  ScreenFixture s(24, 80);
  s.text(0, 70, "UNDERLINED");
  s.text(1, 0, "CONTINUED");
  s.underline(s.pos(0, 70), s.pos(1, 8));
  const PrintScreen screen = s.screen();
  ScreenPrintBuilder b(screen, ScreenPrintOptions{});
  const std::string job = AsString(b.buildPostscriptData());
  // Begun before the field, ended at the row end, begun again on the next
  // row and ended at its first plain position.
  EXPECT_NE(job.find(") show begin_ul (UNDERLINED) show end_ul  newline\n begin_ul (CONTINUED) show end_ul ( "),
            std::string::npos);
  bool ok = false;
  printtest::RunGhostscript(job, "nullpage", &ok);
  EXPECT_TRUE(ok) << "the job runs without a PostScript error";
}

}  // namespace
