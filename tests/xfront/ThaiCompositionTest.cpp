// Thai composition of a row's EBCDIC bytes into cells: which cell each
// position is drawn in, the flags, where the text realigns, and the
// position under a screen cell (the cursor and marking rules).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xfront/ThaiComposition.h"

namespace {

// Test text: 'B' a consonant (0x42), 'C' another (0x43), 'T' a tone mark
// (0xED), 'U' an upper vowel (0x71), 'L' a lower vowel (0xCE), 'S' a
// spacing character (0xBA), ' ' blank, 'E' the end-of-field character
// (0xEA), 'A' a field attribute (0x20), '_' a null.
std::vector<unsigned char> Row(const std::string& text) {
  std::vector<unsigned char> row(80, 0x00);
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = 0;
    switch (text[i]) {
      case 'B': c = 0x42; break;
      case 'C': c = 0x43; break;
      case 'T': c = 0xED; break;
      case 'U': c = 0x71; break;
      case 'L': c = 0xCE; break;
      case 'S': c = 0xBA; break;
      case ' ': c = 0x40; break;
      case 'E': c = 0xEA; break;
      case 'A': c = 0x20; break;
      default: c = 0x00; break;
    }
    row[i] = c;
  }
  return row;
}

struct ComposeCase {
  const char* name;
  const char* text;        // the row from column 0; composed from 1 to the last character
  bool spaceAlign, eofAlign;
  std::vector<int> cells;  // the cell of each position from 1
  std::vector<int> flags;
};

const ComposeCase kCases[] = {
    {"a tone mark joins its consonant", "ABTCBA", true, true, {1, 1, 2, 3, 5}, {0, 0x41, 0, 0, 0x08}},
    {"marks of two kinds join one cell", "ABTLCA", true, true, {1, 1, 1, 2, 5}, {0, 0x41, 0x44, 0, 0x08}},
    {"an upper vowel joins", "ABUC", true, true, {1, 1, 2}, {0, 0x42, 0}},
    {"a second mark of the same kind has its own cell", "ABTTC", true, true, {1, 1, 2, 3}, {0, 0x41, 0x01, 0}},
    {"no mark joins a spacing character", "ASTC", true, true, {1, 2, 3}, {0, 0x01, 0}},
    {"no mark joins at the start of a field", "ATC", true, true, {1, 2}, {0x01, 0}},
    {"a null puts the text back in its columns", "ABTC_BC", true, true, {1, 1, 2, 4, 5, 6},
     {0, 0x41, 0, 0x08, 0, 0}},
    {"three blanks realign", "ABT   C", true, true, {1, 1, 2, 3, 5, 6}, {0, 0x41, 0, 0, 0, 0x08}},
    {"blanks do not realign without space alignment", "ABT   C", false, true, {1, 1, 2, 3, 4, 5},
     {0, 0x41, 0, 0, 0, 0}},
    {"a single end-of-field character realigns after it", "ABTEC", true, true, {1, 1, 2, 4},
     {0, 0x41, 0x90, 0}},
    {"the second of two end-of-field characters shares the first one's cell", "ABTEEC", true, true,
     {1, 1, 2, 2, 3}, {0, 0x41, 0x90, 0x80, 0}},
    {"without end-of-field alignment it is a consonant", "ABTEC", true, false, {1, 1, 2, 3}, {0, 0x41, 0, 0}},
};

TEST(ThaiComposition, CellsAndFlagsFollowTheRules) {
  for (const ComposeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::vector<unsigned char> row = Row(c.text);
    thai::Options o;
    o.spaceAlign = c.spaceAlign;
    o.endOfFieldAlign = c.eofAlign;
    const int last = static_cast<int>(c.cells.size());
    std::vector<unsigned char> absorbed(row.size()), flags(row.size());
    thai::ComposeInfo(row.data(), 1, last, o, absorbed.data(), flags.data());
    for (int p = 1; p <= last; ++p) {
      const size_t i = static_cast<size_t>(p - 1);
      EXPECT_EQ(p - absorbed[i], c.cells[i]) << "position " << p;
      EXPECT_EQ(flags[i], c.flags[i]) << "position " << p;
    }
  }
}

TEST(ThaiComposition, ClassesOfTheCodePage) {
  const struct {
    unsigned char code;
    unsigned int cls;
  } classes[] = {{0xED, 1}, {0xFB, 1}, {0x71, 2}, {0xFC, 2}, {0x40, 3}, {0x48, 3}, {0xAF, 3}, {0xCE, 4},
                 {0xDA, 4}, {0x51, 5}, {0xFE, 5}, {0xBA, 6}, {0xEB, 6}, {0xDD, 7}, {0xBE, 8}, {0x41, 9},
                 {0x49, 9}, {0xC1, 9}};
  for (const auto& c : classes) EXPECT_EQ(thai::ClassOf(c.code), c.cls) << std::hex << unsigned(c.code);
}

TEST(ThaiComposition, CursorAndMarkingPositions) {
  // Row 0: field attribute, consonant, tone, two consonants, attribute;
  // row 1: no attribute at all.
  std::vector<unsigned char> screen = Row("ABTCBA");
  const std::vector<unsigned char> row1 = Row("BTC");
  screen.insert(screen.end(), row1.begin(), row1.end());
  const int cells = static_cast<int>(screen.size());
  const thai::Options o;
  EXPECT_EQ(thai::FindFieldAttributeLocation(screen.data(), 80, cells, 3, true), 0);
  EXPECT_EQ(thai::FindFieldAttributeLocation(screen.data(), 80, cells, 3, false), 5);
  EXPECT_EQ(thai::FindFieldAttributeLocation(screen.data(), 80, cells, 82, true), 80) << "stops at the row start";
  EXPECT_EQ(thai::FindFieldAttributeLocation(screen.data(), 80, cells, 82, false), 159) << "and at its end";
  struct CursorCase {
    int position, cell;
  };
  // The cursor on a position is drawn in that position's cell; the nulls
  // after the text are back in their own columns.
  for (const CursorCase& c : {CursorCase{1, 1}, CursorCase{2, 1}, CursorCase{3, 2}, CursorCase{4, 3},
                              CursorCase{5, 5}, CursorCase{81, 80}, CursorCase{82, 81}, CursorCase{83, 83}, CursorCase{100, 100}})
    EXPECT_EQ(thai::CellOf(screen.data(), 80, cells, c.position, o), c.cell) << "position " << c.position;
  struct MarkCase {
    int cell;
    bool adjust;
    int position;
  };
  for (const MarkCase& m : {MarkCase{1, false, 1}, MarkCase{1, true, 2}, MarkCase{2, false, 3},
                            MarkCase{2, true, 3}, MarkCase{3, false, 4}, MarkCase{4, false, -1},
                            MarkCase{80, true, 81}})
    EXPECT_EQ(thai::MarkPos(screen.data(), 80, cells, m.cell, m.adjust, o), m.position)
        << "cell " << m.cell << (m.adjust ? " adjusted" : "");
}

TEST(ThaiComposition, OutOfRangeArgumentsAreHarmless) {
  const std::vector<unsigned char> row = Row("ABTC");
  const thai::Options o;
  EXPECT_EQ(thai::CellOf(row.data(), 80, 80, -1, o), -1);
  EXPECT_EQ(thai::CellOf(row.data(), 80, 80, 80, o), 80);
  EXPECT_EQ(thai::MarkPos(row.data(), 80, 80, 500, false, o), -1);
  EXPECT_EQ(thai::FindFieldAttributeLocation(row.data(), 0, 80, 3, true), 3);
}

}  // namespace
