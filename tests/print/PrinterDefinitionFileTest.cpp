// The reader of printer definition files and of the definition table file:
// what a good file defines, and a clear refusal naming the line for every
// bound a bad one breaks.
#include <gtest/gtest.h>

#include <string>

#include "print/OutDataStream.h"
#include "print/PrinterDefTable.h"
#include "print/PrinterDefinitionFile.h"

namespace {

PrinterDefinitionResult Read(const std::string& text, PrinterDefinition& def) {
  return ReadPrinterDefinition(text.data(), text.size(), def);
}

std::vector<unsigned char> Command(const std::string& text, const char* keyword) {
  PrinterDefinition def;
  const PrinterDefinitionResult r = Read(text, def);
  EXPECT_EQ(r.status, PrinterDefinitionResult::Read) << r.line << ": " << r.message;
  return def.commands[pdt::KeywordId(keyword)];
}

const std::string kHead = "BEGIN_MACROS\nESC 1 1B\nEND_MACROS\n";

TEST(PrinterDefinitionFile, ValueItems) {
  using V = std::vector<unsigned char>;
  struct Case {
    const char* line;
    V bytes;
  } cases[] = {
      {"CARRIAGE_RETURN = 0D", V{0x0D}},
      {"CARRIAGE_RETURN = 0D, /* carriage return */", V{0x0D}},
      {"CARRIAGE_RETURN=0D,1B", V{0x0D}},
      {"CARRIAGE_RETURN = A", V{'A'}},
      {"CARRIAGE_RETURN = 41", V{0x41}},
      {"CARRIAGE_RETURN = ESC ( 8 U", V{0x1B, '(', '8', 'U'}},
      {"CARRIAGE_RETURN = ESC & l decimal-characters C", V{0x1B, '&', 'l', 0xFF, 5, 'C'}},
      {"CARRIAGE_RETURN = NOSUCHMACRO", V{0xFF, 0x01}},
      {"CARRIAGE_RETURN =", V{}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Command(kHead + "START_JOB = ESC\n" + c.line + "\n", "CARRIAGE_RETURN"), c.bytes) << c.line;
}

TEST(PrinterDefinitionFile, ParametersCharactersAndPartialFiles) {
  PrinterDefinition def;
  const std::string text = kHead +
                           "MAXIMUM_PAGE_LENGTH = 72 lines\n"
                           "OVERRIDE_FORMATTED_PRINT? = YES\n"
                           "PAGE_LENGTH_TYPE? = INCH\n"
                           "NO_SUCH_PARAMETER = 5\n"
                           "START_JOB = ESC E\n"
                           "NO_SUCH_COMMAND = 41\n"
                           "SPACE = 20\n"
                           "A_CAPITAL = ESC UNKNOWNNAME 41\n"
                           "7F = 2E\n"
                           "1F = 41\n"
                           "B_CAPITAL = 42\n";
  ASSERT_EQ(Read(text, def).status, PrinterDefinitionResult::Read);
  EXPECT_EQ(def.parameters[0], 72);
  EXPECT_EQ(def.parameters[pdt::OVERRIDE_FORMATTED_PRINT], 1);
  EXPECT_EQ(def.parameters[7], 3);
  EXPECT_EQ(def.commands[pdt::START_JOB], (std::vector<unsigned char>{0x1B, 'E'}));
  EXPECT_EQ(def.characters[0x41], (std::vector<unsigned char>{0x1B, 0xFF, 0x41}));
  EXPECT_EQ(def.characters[0x7F], (std::vector<unsigned char>{0x2E}));
  // Reading ended at the code below 0x20: B is not defined.
  EXPECT_FALSE(def.characterSet[0x42]);

  // A file that ends in the parameters keeps what was read.
  PrinterDefinition partial;
  ASSERT_EQ(Read(kHead + "MAXIMUM_PAGE_LENGTH = 50", partial).status, PrinterDefinitionResult::Read);
  EXPECT_EQ(partial.parameters[0], 50);
}

TEST(PrinterDefinitionFile, BadFilesAreRefusedWithTheirLine) {
  const std::string longWord(100, 'W');
  std::string manyMacros = "BEGIN_MACROS\n";
  for (int i = 0; i < 91; ++i) manyMacros += "M" + std::to_string(i) + " 1 41\n";
  manyMacros += "END_MACROS\n";
  std::string longValue = kHead + "START_JOB =";
  for (int i = 0; i < 81; ++i) longValue += " 41";
  struct Case {
    const char* what;
    std::string text;
    unsigned line;
    const char* message;
  } cases[] = {
      {"empty", "", 1, "no BEGIN_MACROS"},
      {"no macros", "START_JOB = 1B\n", 1, "no BEGIN_MACROS"},
      {"ends in the macros", "BEGIN_MACROS\nESC 1 1B\n", 2, "ends inside the macros"},
      {"long macro name", "BEGIN_MACROS\nLONGMACRO 1 1B\nEND_MACROS\n", 2, "longer than 8"},
      {"bad macro byte", "BEGIN_MACROS\nESC 1 1b\nEND_MACROS\n", 2, "\"1b\" is not a hexadecimal byte"},
      {"91 macros", manyMacros, 92, "more than 90 macros"},
      {"long word", kHead + "START_JOB = " + longWord + "\n", 4, "longer than 99"},
      {"long value", longValue, 4, "longer than 80 bytes"},
      {"bad number", kHead + "MAXIMUM_PAGE_LENGTH = 6x\n", 4, "not a number"},
      {"number too large", kHead + "MAXIMUM_PAGE_LENGTH = 65536\n", 4, "not a number"},
      {"bad command byte", kHead + "START_JOB = ESC\nLINE_FEED = 0a\n", 5, "not a hexadecimal byte"},
      {"bad line after a comment", "/* one\ntwo */\n" + kHead + "START_JOB = ZZ\n", 6, "\"ZZ\""},
  };
  for (const Case& c : cases) {
    PrinterDefinition def;
    def.parameters[0] = 1234;
    const PrinterDefinitionResult r = Read(c.text, def);
    EXPECT_EQ(r.status, PrinterDefinitionResult::Refused) << c.what;
    EXPECT_EQ(r.line, c.line) << c.what;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << c.what << ": " << r.message;
    EXPECT_EQ(def.parameters[0], 1234) << c.what << ": a refused file changes nothing";
  }
}

TEST(PrinterDefinitionFile, TableKeepsItsContentWhenAFileIsRefused) {
  PrinterDefTable t(1);
  t.loadDefaultPcl();
  const std::string bad = kHead + "START_JOB = QQ\n";
  EXPECT_EQ(t.processPDF(bad.data(), bad.size()), 2);
  EXPECT_EQ(t.lastError(), "line 4: \"QQ\" is not a hexadecimal byte");
  EXPECT_EQ(t.command(pdt::START_HIGHLIGHT_INTENSE), (std::vector<unsigned char>{0x1B, '(', 's', '1', 'B'}));
}

TEST(PrinterDefinitionFile, TableFileLineForPrinterAndUser) {
  const std::string table =
      "\"Laser\" FOR_BOB.PDF bob\r\n"
      "\"Laser\" FOR_ALL.PDF carol *all\r\n"
      "\"Laser unterminated FOO.PDF *all\r\n"
      "\"Inkjet\" INK.PDF\r\n"
      "\"Line\" LINE.PDF alice bob\n";
  struct Case {
    const char* description;
    const char* user;
    const char* file;
  } cases[] = {
      {"Laser", "bob", "FOR_BOB.PDF"},  {"Laser", "dave", "FOR_ALL.PDF"}, {"Laser", "carol", "FOR_ALL.PDF"},
      {"Inkjet", "bob", ""},            {"Line", "bob", "LINE.PDF"},      {"Line", "eve", ""},
      {"Lase", "bob", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindPrinterDefinitionFile(table.data(), table.size(), c.description, c.user), c.file)
        << c.description << " " << c.user;
  std::string longLine = "\"Laser\" LONG.PDF *all " + std::string(120, 'x') + "\n";
  EXPECT_EQ(FindPrinterDefinitionFile(longLine.data(), longLine.size(), "Laser", "bob"), "");
}

TEST(PrinterDefinitionFile, VariablesTakeTheCallersValue) {
  PrinterDefTable t(0);
  t.loadDefaultPcl();
  OutDataStream ds;
  ds.setupDsBuff(64);
  const unsigned char value[2] = {0x01, 0x2C};  // 300
  ASSERT_EQ(t.loadFromPDF(&ds, static_cast<unsigned short>(pdt::KeywordId("SET_VARIABLE_LINE_DENSITY")), 2, value), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ds.getDsBuffPtr()), ds.length()), "\x1B&l0300C");
  // Without a value the variable sends nothing; an undefined command is 1.
  ds.setupDsBuff(64);
  t.loadFromPDF(&ds, static_cast<unsigned short>(pdt::KeywordId("SET_VARIABLE_LINE_DENSITY")));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ds.getDsBuffPtr()), ds.length()), "\x1B&lC");
  EXPECT_EQ(t.loadFromPDF(&ds, static_cast<unsigned short>(pdt::KeywordId("DESELECT"))), 1);
}

TEST(PrinterDefinitionFile, PclJobStartFollowsTheCodePage) {
  struct Case {
    const char* codeSet;
    int euro;
    const char* symbolSet;
  } cases[] = {{"ISO8859-2", 0, "2N"}, {"ISO8859-5", 1, "10N"}, {"ISO8859-7", 0, "12N"},
               {"ISO8859-9", 0, "5N"}, {"ISO8859-1", 1, "19U"}, {"ISO8859-1", 0, "0N"}};
  for (const Case& c : cases) {
    PrinterDefTable t(0);
    t.loadAsciiCodePage(c.codeSet, c.euro, PRINT_FORMAT_PCL);
    t.getPrinterDefTable("any", PRINT_FORMAT_PCL);
    const std::vector<unsigned char>& start = t.command(pdt::START_JOB);
    EXPECT_EQ(std::string(start.begin(), start.end()), std::string("\x1B&d@\x1B(s0B\x1B(") + c.symbolSet) << c.codeSet;
  }
}

TEST(OutDataStream, CountThenWriteFillsExactly) {
  OutDataStream ds;
  ds.setupDsBuffForCount();
  ds.copyString("hello ");
  ds.putDsBuffChar(reinterpret_cast<const unsigned char*>("world"), 5);
  ASSERT_EQ(ds.length(), 11u);
  ds.setupDsBuff(11);
  EXPECT_EQ(ds.copyString("hello "), OutDataStream::Done);
  EXPECT_EQ(ds.copyString("world"), OutDataStream::Done);
  EXPECT_EQ(ds.putDsBuffChar('!'), OutDataStream::NoRoom);
  EXPECT_EQ(ds.copyString("xy"), OutDataStream::NoRoom);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ds.getDsBuffPtr()), ds.length()), "hello world");
  EXPECT_EQ(ds.setDsBuffLoc(ds.getDsBuffPtr() + 12), OutDataStream::NoRoom);
}

TEST(OutDataStream, InsertionAtTheWordBegin) {
  OutDataStream ds;
  ds.setupDsBuff(8);
  ds.copyString("x");
  ds.updateWordBeginDelimiterLoc();
  ds.copyString("ab");
  const unsigned char three[3] = {'1', '2', '3'};
  EXPECT_EQ(ds.insertAtWordBegin(three, 3), OutDataStream::Done);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ds.getDsBuffPtr()), ds.length()), "x123ab");
  EXPECT_EQ(ds.insertAtWordBegin(three, 3), OutDataStream::NoRoom);
  EXPECT_EQ(ds.length(), 6u);
}

}  // namespace
