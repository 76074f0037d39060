// Size tables of the session font families, base font names, the fit test
// and the order in which families are tried.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "xfront/FontSelection.h"
#include "xfront/FontTables.h"

namespace {

std::string NameOf(FontFamilyId id, int n) {
  char buf[kFontNameBufferSize];
  const char* r = GenerateFontNameString(FontFamilyOf(id), n, buf, sizeof buf);
  return r ? r : "";
}

TEST(FontTablesTest, TemplatesTakeThePixelSizeAndResolution) {
  struct Case {
    FontFamilyId family;
    int entry;
    const char* name;
  } cases[] = {
      {FontFamilyId::QavHelvetica, 0, "-qav-helvetica monospaced-medium-r-normal--25-*-100-100-m-*-*"},
      {FontFamilyId::QavHelvetica, 169, "-qav-helvetica monospaced-medium-r-normal--8-*-125-100-m-*-*"},
      {FontFamilyId::QavMono, 33, "-qav-mono-medium-r-normal--22-*-93-100-m-*-*"},
      {FontFamilyId::JavaLucida, 15, "-java-lucidatypewriter-medium-r-normal--10-*-100-100-m-*-*"},
      {FontFamilyId::BhLucida, 0, "-b&h-lucidatypewriter-medium-r-normal-sans-25-*-100-100-m-*-*"},
      {FontFamilyId::BhLucida, 6, "-b&h-lucidatypewriter-medium-r-normal-sans-18-*-100-100-m-*-*"},
      {FontFamilyId::Variable, 1, "-qav-roman-medium-r-normal--30-210-100-100-c-120-*"},
      {FontFamilyId::Variable, 0, "-qav-helvetica monospaced-medium-r-normal--25-*-100-100-m-*-*"},
      {FontFamilyId::BhLucida, 14, ""},   // past the end
      {FontFamilyId::QavMono, -1, ""},
      {FontFamilyId::QavMono, 170, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NameOf(c.family, c.entry), c.name) << c.entry;
}

TEST(FontTablesTest, ANameThatDoesNotFitTheBufferIsRefused) {
  char small[20] = "untouched";
  EXPECT_EQ(GenerateFontNameString(FontFamilyOf(FontFamilyId::BhLucida), 0, small, sizeof small), nullptr);
  EXPECT_STREQ(small, "");
}

TEST(FontTablesTest, FamiliesHaveTheirSizesStepsAndFixedFonts) {
  struct Case {
    FontFamilyId family;
    int count, step;
    std::vector<int> fixed;
  } cases[] = {
      {FontFamilyId::QavHelvetica, 170, 10, {0, 33, 85, 117, 169}},
      {FontFamilyId::QavMono, 170, 10, {0, 33, 85, 117, 169}},
      {FontFamilyId::JavaLucida, 16, 1, {0, 5, 8, 11, 14}},
      {FontFamilyId::BhLucida, 14, 1, {0, 5, 7, 9, 12}},
  };
  for (const Case& c : cases) {
    const FontFamily& f = FontFamilyOf(c.family);
    EXPECT_EQ(f.count, c.count);
    EXPECT_EQ(f.step, c.step);
    std::vector<int> fixed;
    for (int i = 0; i < f.count; ++i)
      if (f.table[i].fixedFont) fixed.push_back(i);
    EXPECT_EQ(fixed, c.fixed);
    // Index 0 is the largest font; every name fits the window's buffer.
    for (int i = 1; i < f.count; ++i) EXPECT_LE(f.table[i].cellHeight, f.table[0].cellHeight);
    for (int i = 0; i < f.count; ++i) EXPECT_NE(NameOf(c.family, i), "") << i;
  }
  EXPECT_EQ(FontFamilyOf(FontFamilyId::Variable).count, 18);
}

TEST(FontTablesTest, The170EntryTableRowsAndWidths) {
  const FontFamily& f = FontFamilyOf(FontFamilyId::QavHelvetica);
  struct Case {
    int entry, cellWidth, cellHeight, width80, withMenu, noMenu;
  } cases[] = {
      {0, 15, 31, 1204, 834, 785}, {9, 6, 31, 484, 834, 785}, {73, 12, 22, 964, 600, 560},
      {169, 6, 11, 484, 323, 290},
  };
  for (const Case& c : cases) {
    const FontStats& e = f.table[c.entry];
    EXPECT_EQ(e.cellWidth, c.cellWidth);
    EXPECT_EQ(e.cellHeight, c.cellHeight);
    EXPECT_EQ(e.width80, c.width80);
    EXPECT_EQ(e.height24WithMenu, c.withMenu);
    EXPECT_EQ(e.height24NoMenu, c.noMenu);
  }
}

TEST(FontTablesTest, FitOnScreenCountsTheFrameAndTheScreenSize) {
  const FontFamily& f = FontFamilyOf(FontFamilyId::QavHelvetica);
  FrameSizes frame;
  frame.left = frame.right = 4;
  frame.top = 4;
  frame.bottom = 4;
  frame.title = 20;
  struct Case {
    int entry, cols, rows;
    bool menu;
    int maxW, maxH;
    bool fits;
  } cases[] = {
      {0, 80, 24, true, 1212, 862, true},     // exactly
      {0, 80, 24, true, 1211, 862, false},    // one pixel narrow
      {0, 80, 24, true, 1212, 861, false},    // one pixel short
      {0, 80, 24, false, 1212, 813, true},    // without menu bar
      {0, 132, 27, true, 1280, 1024, false},  // 1204 + 52*15 too wide
      {169, 132, 27, true, 1024, 768, true},
      {200, 80, 24, true, 5000, 5000, false},  // no such entry
  };
  for (const Case& c : cases)
    EXPECT_EQ(DoesFontFitOnScreen(f, c.entry, c.cols, c.rows, c.menu, frame, c.maxW, c.maxH), c.fits)
        << c.entry << " " << c.maxW << "x" << c.maxH;
}

TEST(FontTablesTest, TheFirstAvailableFamilyIsChosen) {
  const char* helv = FontFamilyOf(FontFamilyId::QavHelvetica).probe;
  const char* mono = FontFamilyOf(FontFamilyId::QavMono).probe;
  const char* java = FontFamilyOf(FontFamilyId::JavaLucida).probe;
  struct Case {
    std::set<std::string> present;
    bool oldFixed;
    FontFamilyId expect;
  } cases[] = {
      {{helv, mono, java}, false, FontFamilyId::QavHelvetica},
      {{mono, java}, false, FontFamilyId::QavMono},
      {{java}, false, FontFamilyId::JavaLucida},
      {{}, false, FontFamilyId::BhLucida},
      {{helv}, true, FontFamilyId::QavHelvetica},  // old fixed fonts asked for but missing
  };
  for (const Case& c : cases) {
    auto available = [&](const char* p) { return c.present.count(p) > 0; };
    EXPECT_EQ(ChooseFontFamily(available, c.oldFixed).id, c.expect);
  }
  // Every one of the old fixed fonts present: that family.
  auto all = [](const char*) { return true; };
  EXPECT_EQ(ChooseFontFamily(all, true).id, FontFamilyId::Variable);
}

}  // namespace
