// The helpers' argument vectors: the session's name option, the key file
// option only when there is a key file, and values kept whole.
#include <gtest/gtest.h>

#include <algorithm>
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
