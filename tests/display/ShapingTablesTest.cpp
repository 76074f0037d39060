// The shaper's classes and shapes against the code pages: every Arabic
// (CP420) and Farsi (CP1097) letter of the shape tables, described by glibc
// iconv and Python's unicodedata in a generated table.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "display/ASD.h"
#include "tests/support/CommandOutput.h"
#include "tests/support/TestPaths.h"

namespace {

struct Letter {
  unsigned int language;
  unsigned int code;
  unsigned int unicode;
  unsigned int letters[2];
  char form;     // I F N M, '-' nominal, '?' none
  char joining;  // D R C T U, '?' none
  int digit;
};

const Letter kOracle[] = {
#include "tests/display/ArabicLetterOracle.inc"
};

const Letter& Oracle(unsigned int language, unsigned char code) {
  for (const Letter& l : kOracle)
    if (l.language == language && l.code == code) return l;
  static const Letter none{0, 0, 0, {0, 0}, '?', '?', -1};
  return none;
}
bool Known(const Letter& l) { return l.form != '?'; }
// Farsi writes kaf as keheh: CP1097 gives keheh's isolated form and the
// Arabic kaf's initial form for the two shapes of the one letter.
unsigned int Fold(unsigned int u) { return u == 0x06A9 ? 0x0643 : u; }
bool SameLetter(const Letter& a, const Letter& b) {
  return Fold(a.letters[0]) == Fold(b.letters[0]) && Fold(a.letters[1]) == Fold(b.letters[1]);
}

using qwtest::CommandOutput;

// The classes of a language's table, each with its code points in order.
std::map<unsigned int, std::vector<unsigned char>> Groups(const ASD& asd) {
  std::map<unsigned int, std::vector<unsigned char>> groups;
  unsigned int size = 0;
  const unsigned char* t = asd.shapeTable(size);
  unsigned int cls = 0;
  for (unsigned int i = 0; i < size; ++i) {
    if (t[i] < 0x40) {
      cls = t[i];
      groups[cls];
    } else {
      groups[cls].push_back(t[i]);
    }
  }
  return groups;
}

std::string Hex(unsigned int v) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%02X", v);
  return b;
}

TEST(ShapingTables, CommittedOracleMatchesTheGenerator) {
  const std::string root = qwtest::SourceRoot();
  const std::string generated = CommandOutput("python3 '" + root + "/scripts/gen_shaping_oracle.py' --stdout");
  ASSERT_FALSE(generated.empty());
  std::ifstream in(root + "/tests/display/ArabicLetterOracle.inc");
  std::stringstream committed;
  committed << in.rdbuf();
  EXPECT_TRUE(generated == committed.str()) << "run scripts/gen_shaping_oracle.py";
}

// What each shape class of the rules stands for: the form of its code
// points in the code page and the joining type of their letters.
struct ClassMeaning {
  unsigned int cls;
  std::string forms;     // allowed forms
  std::string joinings;  // allowed joining types
};

// Arabic keeps one nominal code point for the isolated and final shapes of
// most letters; Farsi has isolated forms.
const ClassMeaning kArabicClasses[] = {
    {0, "-", "U"},      {1, "-", "DC"},    {2, "-", "D"},     {3, "N", "D"},    {5, "-", "R"},
    // Alef maksura ends words in Arabic; Unicode gives it the initial and
    // middle forms of other languages, hence D.
    {6, "F", "R"},      {7, "-", "RD"},    {8, "F", "RD"},     {9, "I", "R"},    {10, "F", "R"},
    {11, "-", "D"},     {12, "N", "D"},    {13, "-", "R"},    {14, "-", "D"},   {15, "N", "D"},
    {16, "-", "D"},     {17, "N", "D"},    {18, "M", "D"},    {19, "F", "D"},   {20, "-", "D"},
    {21, "N", "D"},     {22, "M", "D"},    {23, "-", "D"},    {24, "N", "D"},   {25, "F", "D"},
    {26, "-", "T"},     {27, "M", "T"},
};
// Farsi class 1 holds letters of one shape for every place that join both
// ways (tah and zah show their initial form, the tatweel); CP1097's heh
// with yeh above stands with them although Unicode lets it join only to the
// right.
const ClassMeaning kFarsiClasses[] = {
    {0, "I", "U"},      {1, "NI-", "DRC"}, {5, "I", "R"},     {6, "F", "R"},    {11, "N", "D"},
    {12, "I", "D"},     {13, "I", "R"},    {14, "N", "D"},    {15, "I", "D"},   {16, "N", "D"},
    {17, "I", "D"},     {18, "M", "D"},    {19, "F", "D"},    {20, "N", "D"},   {21, "I", "D"},
    {22, "M", "D"},     {23, "N", "D"},    {24, "I", "D"},    {25, "F", "D"},   {29, "I", "D"},
};

void CheckClasses(unsigned int language, const ClassMeaning* meanings, size_t count) {
  ASD asd(nullptr, language);
  auto groups = Groups(asd);
  unsigned int checked = 0;
  for (size_t m = 0; m < count; ++m) {
    for (unsigned char c : groups[meanings[m].cls]) {
      const Letter& l = Oracle(language, c);
      if (!Known(l)) continue;  // a code point the code page leaves out
      ++checked;
      EXPECT_NE(meanings[m].forms.find(l.form), std::string::npos)
          << "language " << language << " class " << meanings[m].cls << " " << Hex(c) << " form " << l.form;
      EXPECT_NE(meanings[m].joinings.find(l.joining), std::string::npos)
          << "language " << language << " class " << meanings[m].cls << " " << Hex(c) << " joining "
          << l.joining;
      EXPECT_EQ(asd.classifyCharacter(c), meanings[m].cls) << Hex(c);
    }
  }
  EXPECT_GT(checked, 60u);
}

TEST(ShapingTables, EveryClassHoldsTheFormsItsRulesAssume) {
  CheckClasses(ASD::kArabic, kArabicClasses, sizeof kArabicClasses / sizeof kArabicClasses[0]);
  CheckClasses(ASD::kFarsi, kFarsiClasses, sizeof kFarsiClasses / sizeof kFarsiClasses[0]);
}

// Classes that hold shapes of the same letters at the same places.
struct Family {
  std::vector<unsigned int> classes;
};

void CheckFamilies(unsigned int language, const std::vector<Family>& families) {
  ASD asd(nullptr, language);
  auto groups = Groups(asd);
  unsigned int pairs = 0;
  for (const Family& f : families) {
    for (unsigned int a : f.classes) {
      for (unsigned int b : f.classes) {
        const auto& ga = groups[a];
        for (size_t k = 0; k < ga.size(); ++k) {
          const unsigned char shaped = asd.fetchCorrespondingCharacter(ga[k], b);
          const Letter& la = Oracle(language, ga[k]);
          const Letter& lb = Oracle(language, shaped);
          if (!Known(la) || !Known(lb)) continue;
          ++pairs;
          EXPECT_TRUE(SameLetter(la, lb)) << "language " << language << ": " << Hex(ga[k]) << " in class " << a
                                          << " has " << Hex(shaped) << " in class " << b;
        }
      }
    }
  }
  EXPECT_GT(pairs, 100u);
}

TEST(ShapingTables, ShapesOfALetterStandAtTheSamePlace) {
  CheckFamilies(ASD::kArabic, {{{2, 3}}, {{5, 6}}, {{7, 8}}, {{9, 10}}, {{11, 12}}, {{14, 15}},
                               {{16, 17, 18, 19}}, {{20, 21, 22}}, {{23, 24, 25}}, {{26, 27}}});
  CheckFamilies(ASD::kFarsi, {{{5, 6}}, {{11, 12}}, {{14, 15}}, {{16, 17, 18, 19}}, {{20, 21, 22}},
                              {{23, 24, 25}}, {{1, 29}}});
}

TEST(ShapingTables, LamAlefLigaturesJoinTheLamWithItsAlef) {
  ASD asd(nullptr, ASD::kArabic);
  auto groups = Groups(asd);
  unsigned int checked = 0;
  for (unsigned char alef : groups[5]) {
    for (unsigned int ligatureClass : {9u, 10u}) {
      const Letter& a = Oracle(ASD::kArabic, alef);
      const Letter& lig = Oracle(ASD::kArabic, asd.fetchCorrespondingCharacter(alef, ligatureClass));
      if (!Known(a) || !Known(lig)) continue;
      ++checked;
      EXPECT_EQ(lig.letters[0], 0x0644u) << Hex(alef);
      EXPECT_EQ(lig.letters[1], a.letters[0]) << Hex(alef);
    }
  }
  EXPECT_EQ(checked, 6u);
}

// The shape functions keep the letter and give the wanted form. Arabic
// shapes through its base shape (the other shapes come from the rules);
// Farsi through every shape key.
TEST(ShapingTables, ShapeFunctionsGiveTheLetterInTheWantedForm) {
  ASD arabic(nullptr, ASD::kArabic);
  ASD farsi(nullptr, ASD::kFarsi);
  unsigned int checked = 0;
  for (unsigned int c = 0x40; c < 0xFF; ++c) {
    const unsigned char b = static_cast<unsigned char>(c);
    {
      const Letter& l = Oracle(ASD::kArabic, b);
      const Letter& base = Oracle(ASD::kArabic, arabic.getBaseShape(b));
      if (Known(l) && Known(base)) {
        EXPECT_TRUE(SameLetter(l, base)) << Hex(c);
        if (l.joining == 'D' || l.joining == 'R') {
          EXPECT_TRUE(base.form == '-' || base.form == 'I') << "Arabic base of " << Hex(c);
          ++checked;
        }
      }
    }
    const Letter& l = Oracle(ASD::kFarsi, b);
    if (!Known(l) || (l.joining != 'D' && l.joining != 'R')) continue;
    // Letters of one shape keep it.
    if (farsi.classifyCharacter(b) == 1) {
      EXPECT_EQ(farsi.getBaseShape(b), b);
      EXPECT_EQ(farsi.getFinalShape(b), b);
      continue;
    }
    struct Want {
      unsigned char shaped;
      const char* forms;
    };
    // A right-joining letter has no initial or middle form.
    const bool dual = l.joining == 'D';
    const Want wants[] = {
        {farsi.getBaseShape(b), "I-"},
        {farsi.getInitialShape(b), dual ? "N-" : "I-"},
        {farsi.getMiddleShape(b), dual ? "MN-" : "IF-"},
        {farsi.getFinalShape(b), dual ? "FI-" : "IF-"},
    };
    for (const Want& w : wants) {
      const Letter& s = Oracle(ASD::kFarsi, w.shaped);
      if (!Known(s)) continue;
      ++checked;
      EXPECT_TRUE(SameLetter(l, s)) << "Farsi " << Hex(c) << " -> " << Hex(w.shaped);
      EXPECT_NE(std::string(w.forms).find(s.form), std::string::npos)
          << "Farsi " << Hex(c) << " -> " << Hex(w.shaped) << " form " << s.form;
    }
  }
  EXPECT_GT(checked, 100u);
}

TEST(ShapingTables, DigitsTranslateToTheirEuropeanDigits) {
  for (unsigned int language : {ASD::kArabic, ASD::kFarsi}) {
    ASD asd(nullptr, language);
    for (unsigned int c = 0xDF; c < 0xFF; ++c) {
      const Letter& l = Oracle(language, static_cast<unsigned char>(c));
      const unsigned char want = l.digit >= 0 ? static_cast<unsigned char>(0xF0 + l.digit) : static_cast<unsigned char>(c);
      if (!Known(l)) continue;
      EXPECT_EQ(asd.translateDigit(static_cast<unsigned char>(c)), want) << language << " " << Hex(c);
    }
  }
}

TEST(ShapingTables, SmallCases) {
  ASD arabic(nullptr, ASD::kArabic), farsi(nullptr, ASD::kFarsi), none(nullptr, 0), bad(nullptr, 7);
  EXPECT_EQ(arabic.classifyCharacter(0x3F), 0u);
  EXPECT_EQ(arabic.classifyCharacter(0xB1), 11u);
  EXPECT_EQ(arabic.getFinalShape(0x47), 0x48);
  EXPECT_EQ(arabic.translateDigit(0xEA), 0xF1);
  EXPECT_EQ(farsi.translateDigit(0xEA), 0xEA);
  EXPECT_EQ(arabic.translateDigit(0xDE), 0xDE);
  EXPECT_EQ(farsi.translateDigit(0xDE), 0xDE);
  EXPECT_EQ(none.translateDigit(0xEA), 0xEA);
  EXPECT_EQ(bad.language(), 0u);
  EXPECT_EQ(none.classifyCharacter(0x58), 0u);
  // Classes 28 and 29 lie beyond the two plain base maps: such a letter
  // keeps its shape.
  EXPECT_EQ(farsi.classifyCharacter(0x46), 28u);
  EXPECT_EQ(farsi.getBaseShape(0x46), 0x46);
  EXPECT_EQ(farsi.getBaseShape(0x9D), 0x9D);
  // Group sizes: 111 and 106 bytes.
  unsigned int size = 0;
  arabic.shapeTable(size);
  EXPECT_EQ(size, 111u);
  farsi.shapeTable(size);
  EXPECT_EQ(size, 106u);
}

}  // namespace
