// Hot spots on the character plane of a real station: which screen text a
// click may act on, its AID and its extent, as tables; and the marking of
// every hot spot of a range (what the painter asks for) against the answer
// of each position on its own, over many generated screens.
#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>
#include <vector>

#include "display/EntryField.h"
#include "tests/keyboard/KeyStation.h"

namespace {

std::vector<unsigned char> Cp037(const std::string& text) {
  iconv_t cd = iconv_open("CP037", "ISO-8859-1");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::vector<unsigned char> out(text.size() + 1);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

class HotSpots : public ::testing::Test {
 protected:
  PresentationSpaceScreenBuffer& ps() { return st.display.presentationSpace(); }
  unsigned int columns() { return st.display.columns(); }
  unsigned int At(unsigned int row, unsigned int column) { return (row - 1) * columns() + column - 1; }
  // Text at row, column (1-based); "\x01" stands for a normal attribute
  // (0x20), "\x02" for a non-display one (0x27).
  void Put(unsigned int row, unsigned int column, const std::string& text) {
    std::vector<unsigned char> bytes;
    for (char c : text) {
      if (c == '\x01')
        bytes.push_back(0x20);
      else if (c == '\x02')
        bytes.push_back(0x27);
      else
        bytes.push_back(Cp037(std::string(1, c))[0]);
    }
    ps().writeData(bytes.data(), static_cast<unsigned int>(bytes.size()), At(row, column));
  }
  KeyStation st;
};

struct KeyCase {
  const char* row;     // the text from column 1
  unsigned int click;  // column
  unsigned int aid;
  unsigned int start;  // column of the hot spot (when aid)
  unsigned int length;
};

TEST_F(HotSpots, FunctionKeyAndPagingWords) {
  const KeyCase cases[] = {
      {"  F3=Exit   F12=Cancel", 6, 0x33, 3, 7},
      {"  F3=Exit   F12=Cancel", 3, 0x33, 3, 7},
      {"  F3=Exit   F12=Cancel", 18, 0x3C, 13, 10},
      {"  F3=Exit   F12=Cancel", 11, 0, 0, 0},  // after two blanks
      {"  F3=Exit   F12=Cancel", 10, 0x33, 3, 7},  // the blank after a label
      {"F3=Exit", 1, 0x33, 1, 7},               // a label at the row's start
      {" F13=More keys", 12, 0xB1, 2, 13},
      {" F24=Last", 3, 0xBC, 2, 8},
      {" F25=None", 3, 0, 0, 0},
      {" PF7 Down", 4, 0x37, 2, 8},
      {" PF12", 2, 0x3C, 2, 4},
      {" PF123", 2, 0, 0, 0},
      {" F3=Exit program", 13, 0x33, 2, 15},  // a single blank keeps the label
      {" F3=Exit  program", 13, 0, 0, 0},     // two blanks end it
      {" XF3=Exit", 3, 0, 0, 0},              // not at a word's start
      {" F3 Exit", 2, 0, 0, 0},
      {"    More...", 7, 0xF5, 5, 7},
      {"    MORE...", 11, 0xF5, 5, 7},
      {"    Bottom", 5, 0xF4, 5, 6},
      {"    BOTTOM", 10, 0xF4, 5, 6},
      {" Mores", 3, 0, 0, 0},
      {" +/-", 2, 0xF5, 2, 1},
      {" +/-", 3, 0, 0, 0},
      {" +/-", 4, 0xF4, 4, 1},
      {" F8=More...", 8, 0x38, 2, 10},  // a label wins over the paging word
      {"\x01" "F3=Exit\x01", 4, 0x33, 2, 7},
      {"\x01" "F3=Exit\x01", 9, 0, 0, 0},  // the attribute itself
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(std::string(c.row) + " at " + std::to_string(c.click));
    ps().fillRange(At(5, 1), At(5, columns()), 0x00);
    Put(5, 1, c.row);
    unsigned int start = 0, length = 0;
    EXPECT_EQ(ps().isHotspot(At(5, c.click), start, length), c.aid);
    if (c.aid) {
      EXPECT_EQ(start, At(5, c.start));
      EXPECT_EQ(length, c.length);
    }
  }
}

TEST_F(HotSpots, TextInInputFieldsOrHiddenIsNoHotSpot) {
  Put(3, 1, "\x02 F3=Exit \x01");  // non-display
  unsigned int start = 0, length = 0;
  EXPECT_EQ(ps().isHotspot(At(3, 4), start, length), 0u);
  Put(4, 10, "F3=Exit");
  EntryField* f = st.inputField(At(4, 10), At(4, 20));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ps().isHotspot(At(4, 11), start, length), 0u) << "an input field's text is the operator's";
  f->setFlags(Field::kBypass);
  EXPECT_EQ(ps().isHotspot(At(4, 11), start, length), 0x33u) << "a bypass field shows host text";
}

struct MenuCase {
  const char* row;
  unsigned int click;
  int number;  // column of the number, or -1
  unsigned int length;
};

TEST_F(HotSpots, MenuOptions) {
  const MenuCase cases[] = {
      {"     1. User tasks", 10, 6, 13},
      {"     1. User tasks", 6, 6, 13},
      {"     1. User tasks", 3, -1, 0},
      {" 12. Sign off", 1, -1, 0},        // the number lies beyond the click
      {" 12. Sign off", 6, 2, 12},        // a blank at the row's start
      {"12. Sign off", 6, -1, 0},         // the row's first byte is no separator
      {"   123456. Too long", 12, -1, 0},
      {"   12345. Five", 12, 4, 11},
      {"   12.x", 5, -1, 0},
      {"   3. First  second", 9, 4, 8},  // two blanks end the option
      {"   3. First  second", 15, -1, 0},
  };
  for (const MenuCase& c : cases) {
    SCOPED_TRACE(std::string(c.row) + " at " + std::to_string(c.click));
    ps().fillRange(At(6, 1), At(6, columns()), 0x00);
    Put(6, 1, c.row);
    unsigned int start = 0, length = 0;
    const int number = ps().isMenuHotSpot(At(6, c.click), start, length);
    EXPECT_EQ(number, c.number < 0 ? -1 : int(At(6, c.number)));
    if (c.number >= 0) {
      EXPECT_EQ(start, At(6, c.number));
      EXPECT_EQ(length, c.length);
    }
  }
}

TEST_F(HotSpots, WebAddresses) {
  struct Case {
    const char* row;
    unsigned int click;
    unsigned int found, start, length;
  };
  const Case cases[] = {
      {" see http://example.com/a now", 12, 1, 6, 20},
      {" see HTTP://X.ORG now", 6, 1, 6, 12},
      {" ftp://files.example", 20, 1, 2, 19},
      {" https://example.com", 5, 0, 0, 0},
      {" httpx://example.com", 5, 0, 0, 0},
      {" see http://example.com", 3, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.row));
    ps().fillRange(At(7, 1), At(7, columns()), 0x00);
    Put(7, 1, c.row);
    unsigned int start = 0, length = 0;
    EXPECT_EQ(ps().isURLHotSpot(At(7, c.click), start, length, 1), c.found);
    EXPECT_EQ(ps().isURLHotSpot(At(7, c.click), start, length, 0), 0u) << "off unless the browser may start";
    if (c.found) {
      EXPECT_EQ(start, At(7, c.start));
      EXPECT_EQ(length, c.length);
    }
  }
  Put(8, 1, "\x02http://hidden.example \x01");
  unsigned int start = 0, length = 0;
  EXPECT_EQ(ps().isURLHotSpot(At(8, 4), start, length, 1), 0u) << "hidden text never becomes an address";
}

// Screens made of pieces that hot spots are built of, in random order.
TEST_F(HotSpots, MarkingAgreesWithEachPositionsAnswer) {
  const std::vector<std::string> pieces = {
      "F3=", "Exit", " ", "  ", "More...", "Bottom", "+/-", "PF7", "PF12", "1.", " 12. ", "42.", ">", "x",
      "http://a.b/c", "FTP://h", "\x01", "\x02", "F13=", "F25=", "MORE...", "BOTTOM", "Mo", "F"};
  std::mt19937 random(19);
  const unsigned int rows = st.display.rows();
  const unsigned int last = rows * columns() - 1;
  std::vector<unsigned short> marks(last + 1 + columns());
  for (int screen = 0; screen < 40; ++screen) {
    std::string text;
    while (text.size() < last + 1) text += pieces[random() % pieces.size()];
    text.resize(last + 1);
    Put(1, 1, text);
    std::fill(marks.begin(), marks.end(), 0);
    ps().markHotspotsInArea(0, last, marks.data(), 1);
    ps().markMenuHotSpots(0, last, marks.data(), 2);
    ps().markURLHotSpots(0, last, marks.data(), 4);
    for (unsigned int p = 0; p <= last; ++p) {
      unsigned int s = 0, n = 0;
      const bool key = ps().isHotspot(p, s, n) != 0 && p >= s && p < s + n;
      const bool menu = ps().isMenuHotSpot(p, s, n) >= 0 && p >= s && p < s + n;
      const bool url = ps().isURLHotSpot(p, s, n, 1) != 0 && p >= s && p < s + n;
      ASSERT_EQ((marks[p] & 1) != 0, key) << "screen " << screen << " position " << p;
      ASSERT_EQ((marks[p] & 2) != 0, menu) << "screen " << screen << " position " << p;
      ASSERT_EQ((marks[p] & 4) != 0, url) << "screen " << screen << " position " << p;
    }
  }
}

TEST_F(HotSpots, PartialRangesMarkOnlyTheirPositions) {
  Put(2, 1, " F3=Exit  More...  1. Go  http://x.y");
  std::vector<unsigned short> marks(ps().lastOffset() + 1, 0);
  ps().markHotspotsInArea(At(2, 5), At(2, 12), marks.data(), 0x20);
  ps().markMenuHotSpots(At(2, 5), At(2, 30), marks.data(), 0x20);
  ps().markURLHotSpots(At(2, 30), At(2, 33), marks.data(), 0x20);
  for (unsigned int p = 0; p < marks.size(); ++p) {
    const unsigned int column = p % columns() + 1;
    const bool inRow = p / columns() == 1;
    const bool expected = inRow && ((column >= 5 && column <= 8) || (column >= 11 && column <= 12) ||
                                    (column >= 20 && column <= 24) || (column >= 30 && column <= 33));
    EXPECT_EQ(marks[p] == 0x20, expected) << "column " << column;
  }
}

}  // namespace
