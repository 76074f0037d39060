#include <gtest/gtest.h>

#include <string>

#include "session/ResourceKeywords.h"

namespace {

TEST(ResourceKeywords, KeywordsConvertToTheirCodes) {
  struct {
    const char* text;
    int code;  // -1: no keyword
  } cases[] = {
      {"enable", 103}, {"ENABLE", 103}, {"Enable", -1}, {"disable", 102}, {"DISABLE", 102},
      {"disable_and_hide", 101}, {"basic", 104}, {"819", 110}, {"NOT_SPECIFIED", 118},
      {"TEXT_HOST_AND_SESSION_ID", 121}, {"ENABLE_WITH_ADDITIONAL_CHARS", 126},
      {"true", 112}, {"TRUE", -1},
      // Preference keywords.
      {"BLOCK", 1}, {"UNDERSCORE_INSERT_BLOCK_REPLACE", 3}, {"USE_HQ600_SETTING", 2},
      {"DOUBLE_CLICK", 2}, {"AT_MOUSE_POINTER", 1}, {"ENTER_FIELD_EXIT_AND_RIGHT_CTRL_ENTER", 4},
      {"REDUCE_FONT_AND_MOVE_WINDOW_IF_NEEDED", 4}, {"VERTICAL", 2},
      {"", -1}, {"bogus", -1}, {" enable", -1},
  };
  for (const auto& c : cases) {
    unsigned char code = 0;
    bool ok = QwFunctionFromString(c.text, &code);
    EXPECT_EQ(ok, c.code >= 0) << c.text;
    if (ok) EXPECT_EQ(code, c.code) << c.text;
  }
  EXPECT_FALSE(QwFunctionFromString(nullptr, nullptr));
}

TEST(ResourceKeywords, CodesGiveBackTheirKeyword) {
  for (int code = 101; code <= 126; ++code) {
    const char* text = GetResourceValueStr(static_cast<unsigned char>(code));
    unsigned char back = 0;
    ASSERT_TRUE(QwFunctionFromString(text, &back)) << code;
    EXPECT_EQ(back, code);
  }
  EXPECT_STREQ(GetResourceValueStr(118), "NOT_SPECIFIED");
  EXPECT_STREQ(GetResourceValueStr(103), "ENABLE");
  EXPECT_STREQ(GetResourceValueStr(102), "DISABLE");
  testing::internal::CaptureStdout();
  EXPECT_STREQ(GetResourceValueStr(100), "Unknown Value");
  EXPECT_STREQ(GetResourceValueStr(127), "Unknown Value");
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("Unknown resource value 100 encountered."), std::string::npos) << log;
}

TEST(ResourceKeywords, PreferenceCodes) {
  struct {
    const char* pref;
    unsigned char code;
    const char* text;
  } cases[] = {
      {"CURSOR_STYLE", 2, "BLOCK_INSERT_UNDERSCORE_REPLACE"},
      {"DEFAULT_COPY_TYPE", 0, "LINEAR"},
      {"KEYBOARD_BUFFERING", 103, "ENABLE"},
      {"KEYBOARD_BUFFERING", 2, "USE_HQ600_SETTING"},
      {"HOTSPOTS", 102, "DISABLE"},
      {"RULE_LINE", 3, "ENABLE_KEY_FOLLOW_CURSOR"},
      {"LARGE_SCREEN_BEHAVIOR", 4, "REDUCE_FONT_AND_MOVE_WINDOW_IF_NEEDED"},
      {"ENTER_KEY", 0, "USE_DEFAULT"},
      {"ENTER_KEY", 5, "Unknown Value"},
      {"CURSOR_STYLE", 103, "Unknown Value"},
      {"NO_SUCH_PREFERENCE", 0, "Unknown Value"},
  };
  for (const auto& c : cases) EXPECT_STREQ(GetDrevaskResourceValueStr(c.pref, c.code), c.text) << c.pref;
  EXPECT_STREQ(GetDrevaskResourceValueStr(nullptr, 0), "Unknown Value");
}

}  // namespace
