#include <gtest/gtest.h>

#include <string>

#include "base/Utf8.h"

TEST(Utf8, EachLengthAndWhatUtf8CannotCarry) {
  const struct {
    unsigned long c;
    std::string bytes;
  } cases[] = {
      {0x41, "A"},
      {0xE9, "\xC3\xA9"},              // e acute
      {0x20AC, "\xE2\x82\xAC"},        // euro sign
      {0xFFFF, "\xEF\xBF\xBF"},
      {0x1F600, "\xF0\x9F\x98\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
      {0xD800, "\xEF\xBF\xBD"},        // a surrogate alone
      {0xDFFF, "\xEF\xBF\xBD"},
      {0x110000, "\xEF\xBF\xBD"},      // past the last code point
      {0xFFFFFFFFul, "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    AppendUtf8(out, c.c);
    EXPECT_EQ(out, "x" + c.bytes) << std::hex << c.c;
  }
}
