// Keypad files: the header lines and their limits, button lines and the
// action-list grammar, the position rewrite that touches only line 2, and
// UTF-8 sequence lengths.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tools/KeypadFile.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(KeypadFile, HeaderLinesAndGridLimits) {
  const struct {
    const char* what;
    std::string text;
    KeypadFileError error;
    int cells;
  } cases[] = {
      {"3 x 4", "1\n10 20\n3 4\n6\n", KeypadFileError::kNone, 12},
      {"one row gets one more cell", "1\n0 0\n1 64\n6\n", KeypadFileError::kNone, 65},
      {"8 x 9 is too many", "1\n0 0\n8 9\n6\n", KeypadFileError::kBadGrid, 0},
      {"zero rows", "1\n0 0\n0 4\n6\n", KeypadFileError::kBadGrid, 0},
      {"negative columns", "1\n0 0\n-2 -4\n6\n", KeypadFileError::kBadGrid, 0},
      {"overflowing product", "1\n0 0\n99999999999 99999999999\n6\n", KeypadFileError::kBadGrid, 0},
      {"grid without a blank", "1\n0 0\n12\n6\n", KeypadFileError::kBadGrid, 0},
      {"empty file", "", KeypadFileError::kNoStyle, 0},
      {"style only", "1\n", KeypadFileError::kNoPosition, 0},
      {"no grid", "1\n0 0\n", KeypadFileError::kNoGrid, 0},
      {"no text length", "1\n0 0\n2 2\n", KeypadFileError::kNoTextLength, 0},
      {"negative text length", "1\n0 0\n2 2\n-1\n", KeypadFileError::kNoTextLength, 0},
      {"a line of 511 characters with its feed", "1\n0 0\n1 1\n6\n" + std::string(510, 'a') + "\n",
       KeypadFileError::kNone, 2},
      {"a line of 512", "1\n0 0\n1 1\n6\n" + std::string(511, 'a') + "\n", KeypadFileError::kLongLine, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    KeypadFile k;
    EXPECT_EQ(ParseKeypadFile(c.text, &k), c.error);
    if (c.error == KeypadFileError::kNone) EXPECT_EQ(KeypadCellCount(k), c.cells);
    else EXPECT_FALSE(KeypadFileErrorText(c.error, "pad", k).empty());
  }
  KeypadFile k;
  ASSERT_EQ(ParseKeypadFile("1\n-30 70000\n3 4\n6\n", &k), KeypadFileError::kNone);
  EXPECT_EQ(k.x, -30);
  EXPECT_EQ(k.y, 32767);
  EXPECT_EQ(KeypadFileErrorText(KeypadFileError::kBadGrid, "pad", KeypadFile{0, 0, 0, 8, 9, 0, {}}),
            "Error in keypad file pad. line = 8 9. Rows/Cols (8/9) invalid.");
}

TEST(KeypadFile, SixtyFifthButtonLineIsIgnored) {
  std::string text = "1\n0 0\n8 8\n4\n";
  for (int i = 0; i < 65; ++i) text += "B" + std::to_string(i) + ":enter()\n";
  KeypadFile k;
  ASSERT_EQ(ParseKeypadFile(text, &k), KeypadFileError::kNone);
  ASSERT_EQ(k.buttonLines.size(), 64u);
  EXPECT_EQ(k.buttonLines.back(), "B63:enter()");
}

TEST(KeypadFile, ActionListGrammar) {
  using A = ButtonAction;
  const struct {
    const char* text;
    std::vector<ButtonAction> actions;
  } cases[] = {
      {"enter()", {A{"enter", {}}}},
      {"string(\"a b\") enter()", {A{"string", {"a b"}}, A{"enter", {}}}},
      {"play(my file)", {A{"play", {"my file"}}}},
      {"pf1() enter()  \n", {A{"pf1", {}}, A{"enter", {}}}},
      {"string(\"x)y\")", {A{"string", {"x)y"}}}},
      {"string(a  b)", {A{"string", {"a", "", "b"}}}},
      {"string(\"a\"b)", {A{"string", {"a\"", "b"}}}},
      {"nothing", {A{"nothing", {}}}},
      {"   ", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseKeypadActions(c.text), c.actions);
  }
}

TEST(KeypadFile, ButtonLines) {
  std::string label, actions;
  ASSERT_TRUE(SplitKeypadButtonLine("Enter:  enter()", &label, &actions));
  EXPECT_EQ(label, "Enter");
  EXPECT_EQ(actions, "enter()");
  ASSERT_TRUE(SplitKeypadButtonLine("Sign on:string(\"a:b\")", &label, &actions));
  EXPECT_EQ(label, "Sign on");
  EXPECT_FALSE(SplitKeypadButtonLine(":enter()", &label, &actions));  // empty label
  EXPECT_FALSE(SplitKeypadButtonLine("no colon", &label, &actions));
  EXPECT_TRUE(IsEmptyKeypadButtonLine(""));
  EXPECT_TRUE(IsEmptyKeypadButtonLine("empty_button: nothing()"));
  EXPECT_FALSE(IsEmptyKeypadButtonLine("empty_button: enter()"));
}

TEST(KeypadFile, PositionRewriteChangesOnlyLineTwo) {
  qwtest::TempDir dir;
  const std::string body = "3 4\n6\nEnter:enter()\nText:string(\"a b\") enter()\nLast:pf3()";
  const std::string path = dir.WriteFile("pad", "1\n10 20\n" + body);
  chmod(path.c_str(), 0640);
  std::string error;
  ASSERT_TRUE(RewriteKeypadPosition(path, -5, 300, &error)) << error;
  EXPECT_EQ(Read(path), "1\n-5 300\n" + body + "\n");  // the last line gets its feed
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // Kept, but never open to writing by others (at most 0644).
  chmod(path.c_str(), 0666);
  ASSERT_TRUE(RewriteKeypadPosition(path, 1, 2, &error)) << error;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  // A file that is no keypad is left as it is.
  const std::string bad = dir.WriteFile("bad", "1\n0 0\n9 9\n6\n");
  EXPECT_FALSE(RewriteKeypadPosition(bad, 1, 1, &error));
  EXPECT_EQ(Read(bad), "1\n0 0\n9 9\n6\n");
  EXPECT_FALSE(RewriteKeypadPosition(dir.Path() + "/missing", 1, 1, &error));
  EXPECT_EQ(KeypadFileStyle(path), '1');
  EXPECT_EQ(KeypadFileStyle(dir.Path() + "/missing"), 0);
}

bool Latin1(const char* s, size_t n, std::string* out, void*) {
  unsigned cp = 0;
  if (n == 1) cp = static_cast<unsigned char>(s[0]);
  else if (n == 2) cp = (static_cast<unsigned char>(s[0]) & 0x1F) << 6 | (static_cast<unsigned char>(s[1]) & 0x3F);
  else return false;
  if (cp > 0xFF) return false;
  out->assign(1, static_cast<char>(cp));
  return true;
}

TEST(KeypadFile, Utf8SequencesFollowTheirLeadByte) {
  const struct {
    uint8_t lead;
    int length;
  } leads[] = {{0x41, 1}, {0x7F, 1}, {0x80, 0}, {0xBF, 0}, {0xC0, 0}, {0xC1, 0}, {0xC2, 2}, {0xDF, 2},
               {0xE0, 3}, {0xE2, 3}, {0xEF, 3}, {0xF0, 4}, {0xF4, 4}, {0xF5, 0}, {0xFF, 0}};
  for (const auto& l : leads) EXPECT_EQ(Utf8SequenceLength(l.lead), l.length) << std::hex << int(l.lead);

  std::string out;
  // The euro sign (three bytes) has no Latin-1 equivalent: one blank.
  ASSERT_TRUE(ConvertUtf8Text("a\xE2\x82\xAC" "b\xC3\xA9", true, Latin1, nullptr, &out));
  EXPECT_EQ(out, "a b\xE9");
  EXPECT_FALSE(ConvertUtf8Text("a\xE2\x82\xAC", false, Latin1, nullptr, &out));
  EXPECT_FALSE(ConvertUtf8Text("a\xE2\x82", true, Latin1, nullptr, &out));  // truncated
  EXPECT_FALSE(ConvertUtf8Text("\x80" "a", true, Latin1, nullptr, &out));    // stray continuation
  EXPECT_FALSE(ConvertUtf8Text("", true, Latin1, nullptr, &out));
}

}  // namespace
