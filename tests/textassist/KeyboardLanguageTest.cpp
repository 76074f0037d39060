// The keyboard's language decides, when the host defines a text page,
// whether right-to-left text is mirrored (Arabic, Hebrew), shaped as it is
// typed (Arabic, Farsi), and which byte the required-space key stores.
#include "keyboard/XlateTable.h"
#include "tests/textassist/TextStation.h"

namespace {

struct LanguageCase {
  const char* name;
  unsigned int keyboardCode;
  uint32_t languageBits;  // textFlagsA bits 15..13
  unsigned char requiredSpace;
};

const LanguageCase kLanguages[] = {
    {"Arabic", 0xE6D6, 0xA000, 0x41},
    {"Hebrew", 0xE6D8, 0x4000, 0x74},
    {"Farsi", 0xE6E2, 0x2000, 0x41},
    {"AltSpaceD2", 0xE6D2, 0x0000, 0x74},
    {"AltSpaceD9", 0xE6D9, 0x0000, 0x74},
    {"UsEnglish", 0xC2C3, 0x0000, 0x41},
};

void PrintTo(const LanguageCase& c, std::ostream* os) { *os << c.name; }

class KeyboardLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(KeyboardLanguage, TheTextPageTakesTheKeyboardsLanguage) {
  const LanguageCase& c = GetParam();
  TextStation s;
  XlateTableInfo table;
  table.keyboardCode = c.keyboardCode;
  s.tax.setUsesHostTables(true);
  s.tax.loadXlateTable(&table);
  // A language left over from an earlier page does not stay.
  s.text()->textFlagsA |= 0xE000u;
  ASSERT_EQ(s.run(R1()), 0u);
  EXPECT_EQ(s.text()->textFlagsA & 0xE000u, c.languageBits);

  // The cursor is on the H of row 3: the required space replaces it.
  const unsigned int at = s.offset(3, 2);
  ASSERT_EQ(s.text()->cursorPos, at);
  s.key(FunctionWord{26, 8});
  EXPECT_EQ(s.text()->lastOperatorError(), 0u);
  EXPECT_EQ(s.screen(at, 1)[0], c.requiredSpace);
  EXPECT_EQ(s.text()->cursorPos, at + 1);
}

INSTANTIATE_TEST_SUITE_P(Keyboards, KeyboardLanguage, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<LanguageCase>& i) { return std::string(i.param.name); });

}  // namespace
