// Margins, tab stops and tab alignment of one text line, against an
// independent model (line_model.py, run with python3) that computes the
// expected columns and line from the same scale line and text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "tests/textassist/TextRows.h"

namespace {

struct Case {
  const char* name;
  const char* pairs;  // column:code,...
  const char* line;   // from column 1: '~' tab, '^' required tab, '|' carrier return, '_' null
};

const Case kCases[] = {
    {"left stop", "2:1,20:3,70:2", "_AB~XYZ|"},
    {"right stop", "2:1,30:4,70:2", "_AB~XYZ"},
    {"right stop before a carrier return", "2:1,30:4,70:2", "_AB~XYZ|"},
    {"centre stop with three letters", "2:1,40:5,70:2", "_A~XYZ"},
    {"centre stop with four letters", "2:1,40:5,70:2", "_A~WXYZ"},
    {"decimal point", "2:1,40:6,70:2", "_A~12.34"},
    {"decimal without a point", "2:1,40:6,70:2", "_A~1234"},
    {"decimal comma", "2:1,40:7,70:2", "_A~1.234,5"},
    {"required tab under a right stop", "2:1,30:4,70:2", "_AB^XYZ"},
    {"no stop after the tab closes the gap", "2:1,10:3,70:2", "_ABCDEFGHIJK~____XYZ"},
    {"text already past the left stop moves back", "2:1,8:3,70:2", "_AB~______XYZ"},
    {"margins after a code 11 mark", "3:11,5:1,25:3,60:2", "____AB~XY"},
    {"right margin before a code 11 mark", "5:1,25:3,60:2,62:11", "____AB~XY"},
    {"no room before the right margin", "2:1,30:3,34:2", "_AB~XYZUVWQRST"},
};

// The EBCDIC of the model's alphabet.
const RowAlphabet kRows{{{'~', 0x05}, {'^', 0x02}, {'|', 0x03}, {'_', 0x00}}};
Bytes Encode(const std::string& line) { return kRows.encode(line); }

Bytes ScaleFrom(const std::string& pairs) {
  Bytes e{0, 0, 1};
  std::stringstream in(pairs);
  std::string pair;
  while (std::getline(in, pair, ',')) {
    const size_t colon = pair.find(':');
    e.push_back(static_cast<unsigned char>(std::stoi(pair.substr(0, colon))));
    e.push_back(static_cast<unsigned char>(std::stoi(pair.substr(colon + 1))));
  }
  e[0] = static_cast<unsigned char>(e.size());
  return e;
}

std::vector<std::string> RunModel() {
  std::vector<std::string> lines;
  for (const Case& c : kCases) lines.push_back(std::string(c.pairs) + ";" + c.line);
  return RunLineModel(lines);
}

TEST(LineGeometry, MarginsStopsAndAlignmentFollowTheModel) {
  const std::vector<std::string> expected = RunModel();
  ASSERT_EQ(expected.size(), sizeof kCases / sizeof kCases[0]);
  for (size_t i = 0; i < expected.size(); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE(c.name);
    std::stringstream model(expected[i]);
    unsigned int left = 0, right = 0, stop = 0, code = 0;
    std::string line;
    model >> left >> right >> stop >> code >> line;

    TextStation s;
    const std::string text(c.line);
    ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80) + Dfscl(ScaleFrom(c.pairs)) +
                        Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Encode(text), 1})))),
              0u);
    TextSession& t = *s.text();
    EXPECT_EQ(t.leftmar(3) - s.offset(3, 1) + 1, left);
    EXPECT_EQ(t.rightmar(3) - s.offset(3, 1) + 1, right);
    const unsigned int tab = s.offset(3, 1) + static_cast<unsigned int>(text.find_first_of("~^"));
    unsigned char type = 0;
    const int found = t.findtabstop(tab, t.rightmar(3), type);
    EXPECT_EQ(found < 0 ? 0u : static_cast<unsigned int>(found) - s.offset(3, 1) + 1, stop);
    if (found >= 0) EXPECT_EQ(type, code);
    unsigned int cursor = tab + 1;
    t.align(tab + 1, cursor);
    EXPECT_EQ(s.row(3), Encode(line));
  }
}

TEST(LineGeometry, LineWithoutScaleLineUsesTheDefaultMargins) {
  TextStation s;
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80) + Wrtxt(0x80, 0x20, 0x00, 3, 2, LineRecord({3, Ebc("A"), 1, 0x80, 2, 0, 9})))),
            0u);
  EXPECT_EQ(s.text()->leftmar(3), 161u);
  EXPECT_EQ(s.text()->rightmar(3), 238u);
  // A line that is not text spans the whole row.
  EXPECT_EQ(s.text()->leftmar(24), s.offset(24, 1));
  EXPECT_EQ(s.text()->rightmar(24), s.offset(24, 80));
}

TEST(LineGeometry, AKeyOnALineWithoutScaleLineShowsError78AndSendsE1) {
  TextStation s;
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80) + Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Ebc("A"), 1, 0x80, 2, 0, 9})) +
                      Rdtxt())),
            0u);
  s.type("X");
  EXPECT_EQ(s.text()->lastOperatorError(), 78u);
  EXPECT_TRUE(s.text()->errorFlag());
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(s.host.sent[0][2], 0xE1);
  EXPECT_EQ(s.screen(s.offset(24, 1), 6), (Bytes{0x2A, 0xF0, 0xF0, 0xF7, 0xF8, 0x27}));
}

}  // namespace
