// The helpers' argument vectors: the session's name option, the key file
// option only when there is a key file, and values kept whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tools/HelperCommandLines.h"

namespace {

bool HasPair(const std::vector<std::string>& a, const std::string& option, const std::string& value) {
  for (size_t i = 0; i + 1 < a.size(); ++i)
    if (a[i] == option && a[i + 1] == value) return true;
  return false;
}
bool Has(const std::vector<std::string>& a, const std::string& option) {
  return std::find(a.begin(), a.end(), option) != a.end();
}

TEST(HelperCommandLines, SessionNameByKindOfSessionId) {
  HelperLaunchValues v;
  v.hostName = "H";
  v.instance = 7;
  v.sessionId = "S1";
  for (auto build : {ColorMapperCommandLine, KeyboardMapperCommandLine}) {
    v.defaultSessionId = true;
    std::vector<std::string> a = build(v);
    EXPECT_TRUE(HasPair(a, "-hostSess", "H-7"));
    EXPECT_FALSE(Has(a, "-sessionID"));
    v.defaultSessionId = false;
    a = build(v);
    EXPECT_TRUE(HasPair(a, "-sessionID", "S1"));
    EXPECT_FALSE(Has(a, "-hostSess"));
  }
}

TEST(HelperCommandLines, KeyFileOnlyWhenGivenAndValuesStayWhole) {
  HelperLaunchValues v;
  EXPECT_FALSE(Has(KeyboardMapperCommandLine(v), "-keyFileName"));
  v.keyFile = "/home/u/my keys;$(rm -rf x)";
  v.title = "a \"b\" 'c' $(d)";
  v.topWindow = 0x4a0001f;
  const std::vector<std::string> a = KeyboardMapperCommandLine(v);
  EXPECT_TRUE(HasPair(a, "-keyFileName", v.keyFile));
  EXPECT_TRUE(HasPair(a, "-emulTitle", v.title));
  EXPECT_EQ(a[0], "brastor");
  EXPECT_TRUE(HasPair(a, "-euro", "0"));
  EXPECT_TRUE(HasPair(a, "-whichKeyboard", "0"));
  EXPECT_FALSE(Has(ColorMapperCommandLine(v), "-advcolor"));
  v.advancedColors = true;
  EXPECT_TRUE(Has(ColorMapperCommandLine(v), "-advcolor"));
  EXPECT_TRUE(HasPair(KeypadCustomizerCommandLine(v), "-winId", "0x4a0001f"));
  v.rows = 27;
  v.cols = 132;
  const std::vector<std::string> p = PlaybackEditorCommandLine(v);
  EXPECT_TRUE(HasPair(p, "-rows", "1b"));
  EXPECT_TRUE(HasPair(p, "-cols", "84"));
  EXPECT_TRUE(HasPair(HelpViewerCommandLine(v, "CPY"), "-startTopic", "CPY"));
  EXPECT_FALSE(Has(HelpViewerCommandLine(v, nullptr), "-startTopic"));
  EXPECT_FALSE(Has(HelpViewerCommandLine(v, ""), "-startTopic"));
}

// The colour mapper's hand-off: the segment's key and size, and the advanced
// file only when the window's colours came from one.
TEST(HelperCommandLines, ColourMapperHandOff) {
  HelperLaunchValues v;
  v.colorDirectoriesKey = 0x377D8640;
  v.colorDirectoriesSize = 27;
  std::vector<std::string> a = ColorMapperCommandLine(v);
  EXPECT_TRUE(HasPair(a, "-sysadminPaths", "0x377d8640"));
  EXPECT_TRUE(HasPair(a, "-size", "0x1b"));
  EXPECT_FALSE(Has(a, "-advFile"));
  v.advancedColorFile = "night colours";
  EXPECT_TRUE(HasPair(ColorMapperCommandLine(v), "-advFile", "night colours"));
}

// The dialog colours, six digits each, last on every line but the help
// viewer's, where they follow the program's name.
TEST(HelperCommandLines, ColourOptionsOnEveryLine) {
  HelperLaunchValues v;
  const unsigned colours[6] = {0x0000ff, 0xabcdef, 0x000000, 0x102030, 0xffffff, 0x00ff00};
  std::copy(std::begin(colours), std::end(colours), v.dialogColors);
  const std::vector<std::string> options = {"-menuForeground", "#0000ff", "-menuBackground", "#abcdef",
                                            "-textForeground", "#000000", "-groupBoxBackground", "#102030",
                                            "-formBackground", "#ffffff", "-entryAreaBackground", "#00ff00"};
  const std::vector<std::vector<std::string>> lines = {
      ColorMapperCommandLine(v),     KeyboardMapperCommandLine(v), KeypadCustomizerCommandLine(v),
      PlaybackEditorCommandLine(v), PreferencesCommandLine(v)};
  for (const auto& a : lines) {
    ASSERT_GT(a.size(), options.size()) << a[0];
    EXPECT_EQ(std::vector<std::string>(a.end() - options.size(), a.end()), options) << a[0];
  }
  const std::vector<std::string> help = HelpViewerCommandLine(v, nullptr);
  ASSERT_GT(help.size(), options.size() + 1);
  EXPECT_EQ(std::vector<std::string>(help.begin() + 1, help.begin() + 1 + options.size()), options);
}

}  // namespace

namespace {

TEST(HelperCommandLines, TranslationsAreRewrittenForTheHelpers) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"A<Key>F1: enter()", "Alt<Key>F1: enter()"},
      {"<ButtonPress>1: select()", "<Btn1Down>: select()"},
      {"<ButtonRelease>3: paste()", "<Btn3Up>: paste()"},
      {"<Button", "<Button"},  // too short to be a token
      {"<ButtonPress>", "<ButtonPress>"},
      {"Shift<Key>a: x()", "Shift<Key>a: x()"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(MassageTranslations(c.in), c.out) << c.in;
}

}  // namespace
