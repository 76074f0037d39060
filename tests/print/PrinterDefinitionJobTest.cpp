// Printer-code (ASCII) jobs through a printer definition file written for
// the test: the job byte for byte from the file's table; the table chosen
// by printer and user; the built-in table when no file applies or the file
// is bad.
#include <gtest/gtest.h>

#include "ScreenFixture.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

using printtest::AsString;
using printtest::ScreenFixture;

namespace {

const char kSampleDefinition[] =
    "/* A sample line printer */\r\n"
    "anything before the macros is ignored\r\n"
    "BEGIN_MACROS\r\n"
    "ESC 1 1B\r\n"
    "RESET 2 1B 45\r\n"
    "END_MACROS\r\n"
    "MAXIMUM_PAGE_LENGTH = 66\r\n"
    "OVERRIDE_FORMATTED_PRINT? = NO\r\n"
    "START_JOB = RESET, /* reset the printer */\r\n"
    "END_JOB = ESC E 0C\r\n"
    "CARRIAGE_RETURN = 0D\r\n"
    "LINE_FEED = 0A\r\n"
    "FORM_FEED = 0C\r\n"
    "START_HIGHLIGHT_UNDERLINE = ESC - 1\r\n"
    "END_HIGHLIGHT_UNDERLINE = ESC - 0\r\n"
    "START_HIGHLIGHT_INTENSE = ESC E\r\n"
    "END_HIGHLIGHT_INTENSE = ESC F\r\n";

// The characters: every printable code as itself, Z overstruck with a slash.
std::string SampleCharacters() {
  std::string s = "SPACE = 20\r\n";
  for (int c = 0x21; c < 0x7F; ++c) {
    char line[32];
    if (c == 'Z') std::snprintf(line, sizeof line, "Z_CAPITAL = 5A 08 2F\r\n");
    else std::snprintf(line, sizeof line, "%02X = %02X\r\n", c, c);
    s += line;
  }
  return s + "END\r\n";
}

struct PdtFolder {
  qwtest::TempDir dir;
  PdtFolder(const std::string& definition) {
    dir.WriteFile("PDT.819",
                  "\"Sample Printer\" WRONG.PDF someoneelse\n"
                  "\"Sample Printer\" SAMPLE.PDF otheruser *all\n"
                  "\"Other Printer\" OTHER.PDF tester\n");
    dir.WriteFile("SAMPLE.PDF", definition);
    dir.WriteFile("WRONG.PDF", "garbage");
  }
};

ScreenFixture FieldScreen() {
  ScreenFixture s(3, 10);
  s.text(0, 0, "AB");
  s.attribute(s.pos(0, 2), 0x22);
  s.text(0, 3, "ZZ");
  s.attribute(s.pos(0, 5), 0x20);
  s.text(0, 6, "CD");
  s.text(1, 0, "UND");
  s.underline(s.pos(1, 0), s.pos(1, 2));
  s.attribute(s.pos(2, 0), 0x27);
  s.text(2, 1, "SECRET");
  s.attribute(s.pos(2, 7), 0x20);
  s.text(2, 8, "OK");
  return s;
}

ScreenPrintOptions Options(const PdtFolder& f, const char* description) {
  ScreenPrintOptions o;
  o.pdtOption = 1;
  o.codeSet = "ISO8859-1";
  o.description = description;
  o.pdtDirectory = f.dir.Path();
  return o;
}

TEST(PrinterDefinitionJob, AsciiJobByteForByteFromTheDefinitionFile) {
  qwtest::ScopedEnv user("USER", "tester");
  PdtFolder f(std::string(kSampleDefinition) + SampleCharacters());
  ScreenFixture s = FieldScreen();
  ScreenPrintBuilder b(s.screen(), Options(f, "Sample Printer"));
  const std::string esc = "\x1B";
  const std::string z = "Z\x08/";
  const std::string expected = esc + "E" +                                                      // START_JOB
                               "AB" + esc + "F" + " " + esc + "E" + z + z + esc + "F" + " CD  \r\n" +  // row 1
                               esc + "-1" + "UND" + esc + "-0" + "       \r\n" +                  // row 2
                               esc + "F" + "       " + esc + "F" + " OK\r\n" +                     // row 3
                               esc + "F" +                                                        // closing
                               "\x0C" + esc + "E\x0C";                                            // FF, END_JOB
  EXPECT_EQ(AsString(b.buildAsciiData()), expected);
}

TEST(PrinterDefinitionJob, LfLineEndsReadTheSameAsCrLf) {
  qwtest::ScopedEnv user("USER", "tester");
  std::string lf = std::string(kSampleDefinition) + SampleCharacters();
  for (std::size_t i; (i = lf.find("\r\n")) != std::string::npos;) lf.erase(i, 1);
  PdtFolder crlf(std::string(kSampleDefinition) + SampleCharacters()), plain(lf);
  ScreenFixture s = FieldScreen();
  EXPECT_EQ(AsString(ScreenPrintBuilder(s.screen(), Options(crlf, "Sample Printer")).buildAsciiData()),
            AsString(ScreenPrintBuilder(s.screen(), Options(plain, "Sample Printer")).buildAsciiData()));
}

TEST(PrinterDefinitionJob, BuiltInTableWhenNoFileApplies) {
  PdtFolder f(std::string(kSampleDefinition) + SampleCharacters());
  ScreenFixture s(2, 4);
  s.text(0, 0, "ABZ");
  const std::string builtIn = "ABZ \r\n    \r\n\x0C";
  struct Case {
    const char* what;
    const char* user;
    const char* description;
    int pdtOption;
  } cases[] = {
      {"option off", "tester", "Sample Printer", 0},
      {"printer without a line", "tester", "Unknown Printer", 1},
      {"the user's line names a missing file", "tester", "Other Printer", 1},
  };
  for (const Case& c : cases) {
    qwtest::ScopedEnv user("USER", c.user);
    ScreenPrintOptions o = Options(f, c.description);
    o.pdtOption = c.pdtOption;
    EXPECT_EQ(AsString(ScreenPrintBuilder(s.screen(), o).buildAsciiData()), builtIn) << c.what;
  }
}

TEST(PrinterDefinitionJob, BadDefinitionFileFallsBackAndNamesTheLine) {
  qwtest::ScopedEnv user("USER", "tester");
  PdtFolder f("BEGIN_MACROS\nESC 1 1B\nEND_MACROS\nSTART_JOB = ESC E\nCARRIAGE_RETURN = 0G\n");
  qwtest::LogCapture log;
  ScreenFixture s(1, 3);
  s.text(0, 0, "ABC");
  EXPECT_EQ(AsString(ScreenPrintBuilder(s.screen(), Options(f, "Sample Printer")).buildAsciiData()), "ABC\r\n\x0C");
  EXPECT_TRUE(log.Contains("not in correct format"));
  EXPECT_TRUE(log.Contains("line 5: \"0G\" is not a hexadecimal byte"));
}

TEST(PrinterDefinitionJob, EuroSignOfAsciiJobs) {
  ScreenFixture s(1, 2);
  s.text(0, 0, "\xA4\xE9");
  ScreenPrintOptions o;
  o.codeSet = "ISO8859-1";
  o.formFeed = 2;
  EXPECT_EQ(AsString(ScreenPrintBuilder(s.screen(), o).buildAsciiData()), "\xCF\x82\r\n");
  o.euro = 1;
  EXPECT_EQ(AsString(ScreenPrintBuilder(s.screen(), o).buildAsciiData()), "\xD5\x82\r\n");
}

}  // namespace
