// The published form of resource entries, and the round trip through Xrm.
#include <gtest/gtest.h>

#include <X11/Xresource.h>

#include <string>
#include <vector>

#include "session/ResourceText.h"

namespace {

TEST(ResourceTextTest, ValuesAreEscaped) {
  struct Case {
    std::string value, expected;
  };
  const std::vector<Case> cases = {
      {"plain", "plain"},
      {"", ""},
      {" lead", "\\ lead"},
      {"\tlead", "\\\tlead"},
      {"in side", "in side"},
      {"a\\b", "a\\\\b"},
      {"one\ntwo", "one\\n\\\ntwo"},
      {"end\n", "end\\n"},
      {"\n\n", "\\n\\\n\\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(EscapeResourceValue(c.value), c.expected);
  }
}

TEST(ResourceTextTest, EntriesShowTheirBindings) {
  EXPECT_EQ(FormatResourceEntry({{false, "QW5250"}, {true, "title"}}, "String", "T"),
            "QW5250*title:\tT\n");
  EXPECT_EQ(FormatResourceEntry({{true, "title"}}, "String", "T"), "*title:\tT\n");
  EXPECT_EQ(FormatResourceEntry({{false, "a"}, {false, "b"}, {true, "c"}}, "String", " x"),
            "a.b*c:\t\\ x\n");
  EXPECT_EQ(FormatResourceEntry({{false, "a"}}, "Pixel", "ignored"), "a:Pixel\n");
}

// Whatever the values hold, the text reads back as the same database.
TEST(ResourceTextTest, DatabaseTextReadsBackTheSameValues) {
  XrmInitialize();
  XrmDatabase db = nullptr;
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"QW5250*title", "Sitzung"},
      {"QW5250.menu.label", " leading blank"},
      {"Trosvel*ErrorMsgNoPrinters", "line one\nline two\n"},
      {"*path", "C:\\dir\\file"},
      {"QW5250*empty", ""},
  };
  for (const auto& e : entries) XrmPutStringResource(&db, e.first.c_str(), e.second.c_str());
  std::string text = ResourceDatabaseText(db);
  XrmDestroyDatabase(db);

  XrmDatabase back = XrmGetStringDatabase(text.c_str());
  for (const auto& e : entries) {
    SCOPED_TRACE(e.first);
    char* type = nullptr;
    XrmValue value = {0, nullptr};
    std::string cls = e.first;  // the names as classes: only the names matter here
    ASSERT_TRUE(XrmGetResource(back, e.first.c_str(), cls.c_str(), &type, &value)) << text;
    EXPECT_EQ(std::string(value.addr), e.second);
  }
  XrmDestroyDatabase(back);
  EXPECT_EQ(ResourceDatabaseText(nullptr), "");
}

}  // namespace
