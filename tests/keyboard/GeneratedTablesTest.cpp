// The committed keyboard data is what the generator makes, and the
// translator's dead keys and monocasing agree with the code pages.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "keyboard/GeneratedTables.h"
#include "keyboard/TAXlate.h"
#include "tests/support/CommandOutput.h"
#include "tests/support/TestPaths.h"

namespace {

// The compiler's file name may be relative to the build folder: the build
// says where the source tree is.
std::string RepoRoot() { return qwtest::SourceRoot(); }

using qwtest::CommandOutput;

TEST(GeneratedTables, CommittedFileMatchesTheGenerator) {
  const std::string root = RepoRoot();
  const std::string generated = CommandOutput("python3 '" + root + "/scripts/gen_keyboard_tables.py' --stdout");
  ASSERT_FALSE(generated.empty());
  std::ifstream in(root + "/keyboard/GeneratedTables.cpp");
  std::stringstream committed;
  committed << in.rdbuf();
  EXPECT_TRUE(generated == committed.str()) << "run scripts/gen_keyboard_tables.py";
}

// The oracle: Python's code pages and Unicode composition, computed here
// independently of the tables' layout. Lines "country accent base result".
const char kDeadKeyOracle[] = R"(
import unicodedata
pages = {0x19: 'cp037', 0x0B: 'cp273', 0x0C: 'cp500', 0x1A: 'cp1140', 0x31: 'cp1026', 0x32: 'cp875'}
marks = '\u0301\u0300\u0302\u0308\u0303\u030a\u0327\u030c\u0306\u030b\u0328\u0307'
for country, cp in pages.items():
    chars = bytes(range(256)).decode(cp)
    bases = ' aAcCeEiInNoOuUyY' if country <= 48 else [c for c in chars[0x40:0xFF] if c.isalpha()]
    for base in bases:
        if base == ' ':
            continue
        b = base.encode(cp)[0]
        for a, m in enumerate(marks, 1):
            c = unicodedata.normalize('NFC', base + m)
            r = 0
            if len(c) == 1:
                try:
                    e = c.encode(cp)
                    r = e[0] if 0x40 <= e[0] < 0xFF else 0
                except UnicodeEncodeError:
                    pass
            print(country, a, b, r)
)";

TEST(GeneratedTables, DeadKeysComposeAsTheCodePagesDo) {
  const std::string out = CommandOutput("python3 -c \"$(cat <<'PYEOF'\n" + std::string(kDeadKeyOracle) + "\nPYEOF\n)\"");
  std::istringstream lines(out);
  unsigned int country, accent, base, result, checked = 0;
  while (lines >> country >> accent >> base >> result) {
    TAXlate tax;
    XlateTableInfo info;
    unsigned char header[42] = {};
    header[12] = 0xC1;
    header[13] = 0xD1;
    header[14] = 0xD3;
    header[15] = 0xF1;
    header[40] = static_cast<unsigned char>(country);
    XlateTable::CreateXlateTblHdr(header, &info);
    info.entries = header;
    info.entryBytes = 0;
    tax.setUsesHostTables(true);
    tax.loadXlateTable(&info);
    ASSERT_EQ(tax.diacriticCountry(), country);
    const FunctionWord word = tax.diacrit(FunctionWord{37, static_cast<unsigned char>(accent)},
                                          FunctionWord{10, static_cast<unsigned char>(base)});
    if (result >= 0x40) {
      EXPECT_EQ(word.code, result) << country << " " << accent << " " << base;
      EXPECT_EQ(word.category, 10);
    } else {
      EXPECT_EQ(word.category, 23) << country << " " << accent << " " << base;
      EXPECT_EQ(word.code, 7);
    }
    ++checked;
  }
  EXPECT_GT(checked, 1000u);
}

const char kMonocaseOracle[] = R"(
import unicodedata
pages = {0x19: 'cp037', 0x0B: 'cp273', 0x0C: 'cp500', 0x1A: 'cp1140'}
for country, cp in pages.items():
    chars = bytes(range(256)).decode(cp)
    for code in range(0x40, 0xFF):
        ch = chars[code]
        r = 0
        if unicodedata.category(ch) == 'Ll' and len(ch.upper()) == 1 and ch.upper() != ch:
            try:
                e = ch.upper().encode(cp)[0]
                r = e if 0x40 <= e < 0xFF else 0
            except UnicodeEncodeError:
                pass
        print(country, code, r)
)";

TEST(GeneratedTables, MonocasingRaisesLettersAsTheCodePagesDo) {
  const std::string out = CommandOutput("python3 -c \"$(cat <<'PYEOF'\n" + std::string(kMonocaseOracle) + "\nPYEOF\n)\"");
  std::istringstream lines(out);
  unsigned int country, code, upper, checked = 0;
  while (lines >> country >> code >> upper) {
    TAXlate tax;
    XlateTableInfo info;
    unsigned char header[42] = {};
    header[15] = 0xF1;
    header[18] = 0xC2;
    header[19] = 0xC3;
    header[40] = static_cast<unsigned char>(country);
    XlateTable::CreateXlateTblHdr(header, &info);
    info.entries = header;
    tax.setUsesHostTables(true);
    tax.loadXlateTable(&info);
    const FunctionWord in{10, static_cast<unsigned char>(code)};
    const FunctionWord out = tax.monocaseCharacter(in);
    if (upper) {
      EXPECT_EQ(out.code, upper) << country << " " << code;
    } else {
      EXPECT_EQ(out.code, code) << country << " " << code;
      EXPECT_EQ(out.category, 10);
    }
    ++checked;
  }
  EXPECT_EQ(checked, 4u * 191u);
}

}  // namespace
