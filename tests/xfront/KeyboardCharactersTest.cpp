// The national characters of a keyboard in the code set of a session
// window's fonts.
#include <gtest/gtest.h>

#include <string>

#include "xfront/KeyboardCharacters.h"

namespace {

std::string Bytes(const unsigned char* b, int n) { return std::string(reinterpret_cast<const char*>(b), n); }

TEST(KeyboardCharacters, EachKeyboardsCharactersInTheFontsCodeSet) {
  const struct Case {
    int keyboard;
    const char* codeSet;
    std::string expected;
  } cases[] = {
      {4, "ISO8859-1", "\xE4\xF6\xFC\xDF\xC4\xD6\xDC\xA7\xB0\xB5"},  // German, all ten
      {9, "ISO8859-1", "\xA3\xAC\xA6"},                              // UK: shorter list
      // ISO 8859-15 has no currency sign, broken bar or fractions: those are
      // left out and the others move up.
      {13, "ISO8859-15", "\xE4\xF6\xE5\xC4\xD6\xC5\xA7\xA3\xB5"},
      {9, "ISO8859-15", "\xA3\xAC"},
      {110, "ISO8859-15", "\xB1\xA7\xB0\xB3\xB2"},
      {0, "ISO8859-1", ""},    // English: nothing beyond the US layout
      {999, "ISO8859-1", ""},  // not a keyboard
  };
  for (const Case& c : cases) {
    CodePageConverter xFromUtf8;
    ASSERT_TRUE(xFromUtf8.open(c.codeSet, "UTF-8")) << c.codeSet;
    unsigned char out[kExtraKeyboardCharacters];
    const int n = KeyboardExtraCharacters(c.keyboard, xFromUtf8, out);
    EXPECT_EQ(Bytes(out, n), c.expected) << c.keyboard << " " << c.codeSet;
    for (int i = n; i < kExtraKeyboardCharacters; ++i) EXPECT_EQ(out[i], 0) << c.keyboard;
  }
}

TEST(KeyboardCharacters, EveryListIsEndedWithinTenAndAClosedConverterGivesNone) {
  for (int id = 0; id < 256; ++id) {
    const unsigned char* list = KeyboardExtraCharacterIndexes(id);
    int n = 0;
    while (n <= kExtraKeyboardCharacters && list[n] != 0xFF) ++n;
    EXPECT_LE(n, kExtraKeyboardCharacters) << id;
  }
  CodePageConverter closed;
  unsigned char out[kExtraKeyboardCharacters] = {1, 2, 3};
  EXPECT_EQ(KeyboardExtraCharacters(4, closed, out), 0);
  EXPECT_EQ(out[0], 0);
}

}  // namespace
