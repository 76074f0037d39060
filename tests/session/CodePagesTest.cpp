// The session's code-page converters against the C library's iconv.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "session/CodePageConverter.h"
#include "session/SessionCodePages.h"
#include "tests/support/CommandOutput.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The oracle: glibc's own conversion of the whole input.
Bytes Iconv(const char* to, const char* from, const Bytes& in) {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
  Bytes out(in.size() * 4 + 16);
  char* src = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
  size_t inLeft = in.size();
  char* dst = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  EXPECT_NE(iconv(cd, &src, &inLeft, &dst, &outLeft), static_cast<size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

Bytes AllLatin1() {
  Bytes all;
  for (int b = 0x20; b < 0x100; ++b) all.push_back(static_cast<unsigned char>(b));
  return all;
}

TEST(CodePagesTest, LanguageTableNamesMapToTheLibraryNames) {
  struct Case {
    const char* name;
    const char* iconvName;
  } cases[] = {{"QAV-037", "IBM037"},         {"QAV-273", "IBM273"},   {"QAV-500", "IBM500"},
               {"QAV-1140", "IBM1140"},       {"QAV-1149", "IBM1149"}, {"ISO8859-1", "ISO-8859-1"},
               {"ISO8859-15", "ISO-8859-15"}, {"UTF-8", "UTF-8"}};
  for (const Case& c : cases) EXPECT_EQ(IconvCodeSetName(c.name), c.iconvName) << c.name;
}

TEST(CodePagesTest, SessionAsciiToHostMatchesTheLibrary) {
  struct Case {
    const char* host;
    const char* libraryName;
    std::string sample;
    int exclamationMark;  // the byte of '!' in that page
  } cases[] = {
      {"QAV-037", "IBM037", "Hello, World! 0123456789 [x] {y} @#$%", 0x5A},
      {"QAV-273", "IBM273", "Gr\xFC\xDF Gott! \xC4\xD6\xDC [x] {y} @", 0x4F},
      {"QAV-500", "IBM500", "Bonjour! \xE9\xE8\xE0 [x] {y} |~^", 0x4F},
      {"QAV-1140", "IBM1140", "Price! \xBD \xBC \xBE 0123", 0x5A},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    SessionCodePages pages;
    ASSERT_TRUE(pages.open(c.host, "ISO8859-1", "ISO-8859-1"));
    Bytes all = AllLatin1();
    // The euro pages have the euro sign where Latin-1 has the currency sign.
    if (std::string(c.host) == "QAV-1140") all.erase(all.begin() + (0xA4 - 0x20));
    for (const Bytes& in : {B(c.sample), all}) {
      Bytes out(in.size());
      const int n = pages.convertASCIIToEBCDIC(in.data(), static_cast<int>(in.size()), out.data(),
                                               static_cast<int>(out.size()));
      out.resize(static_cast<size_t>(n));
      EXPECT_EQ(out, Iconv(c.libraryName, "ISO-8859-1", in));
    }
    unsigned char bang = '!', e = 0;
    EXPECT_EQ(pages.convertISO1ToEBCDIC(&bang, 1, &e, 1), 1);
    EXPECT_EQ(e, c.exclamationMark);
  }
}

TEST(CodePagesTest, EmulatedEuroSetIsLatin1WithTheEuroSign) {
  SessionCodePages pages;
  ASSERT_TRUE(pages.open("QAV-1140", kEmulatedEuroCodeSet, "ISO-8859-1"));
  // Every byte but 0xA4 converts as Latin-1 does to CP037, which CP1140
  // equals apart from its euro sign at 0x9F.
  Bytes in = AllLatin1();
  Bytes out(in.size());
  ASSERT_EQ(pages.convertASCIIToEBCDIC(in.data(), static_cast<int>(in.size()), out.data(), static_cast<int>(out.size())),
            static_cast<int>(in.size()));
  const Bytes cp037 = Iconv("IBM037", "ISO-8859-1", in);
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == 0xA4)
      EXPECT_EQ(out[i], 0x9F);
    else
      EXPECT_EQ(out[i], cp037[i]) << std::hex << int(in[i]);
  }
  unsigned char table[256];
  pages.buildEbcdicToAsciiTable(table);
  EXPECT_EQ(table[0x9F], 0xA4);
  EXPECT_EQ(table[0xC1], 'A');
  // And the euro keyboard converter of the block.
  unsigned char euro = 0xA4, e = 0;
  EXPECT_EQ(pages.convertSessionKeyboardCodesToEBCDIC(&euro, 1, &e, 1, true), 1);
  EXPECT_EQ(e, 0x9F);
}

TEST(CodePagesTest, EbcdicToAsciiTable) {
  SessionCodePages pages;
  ASSERT_TRUE(pages.open("QAV-037", "ISO8859-1", "ISO-8859-1"));
  unsigned char table[256];
  pages.buildEbcdicToAsciiTable(table);
  for (int code = 0; code < 64; ++code) EXPECT_EQ(table[code], 0) << code;
  Bytes ebcdic;
  for (int code = 64; code < 256; ++code) ebcdic.push_back(static_cast<unsigned char>(code));
  const Bytes latin1 = Iconv("ISO-8859-1", "IBM037", ebcdic);
  ASSERT_EQ(latin1.size(), ebcdic.size());
  for (size_t i = 0; i < ebcdic.size(); ++i) EXPECT_EQ(table[ebcdic[i]], latin1[i]);
}

TEST(CodePagesTest, UnconvertibleBytes) {
  qwtest::LogCapture log;
  struct Case {
    const char* name;
    const char* host;
    const char* ascii;
    const char* locale;
    int which;  // 0 session ASCII, 1 locale lenient, 2 locale strict, 3 ASCII to locale
    Bytes in;
    Bytes expected;
  } cases[] = {
      {"euro sign has no CP037 byte", "QAV-037", kEmulatedEuroCodeSet, "ISO-8859-1", 0, {'A', 0xA4, 'B'}, {0xC1, 0x40, 0xC2}},
      {"bad UTF-8 becomes blanks", "QAV-037", "ISO8859-1", "UTF-8", 1, {'A', 0xFF, 0xC3, 'B'}, {0xC1, 0x40, 0x40, 0xC2}},
      {"strict conversion answers 0", "QAV-037", "ISO8859-1", "UTF-8", 2, {'A', 0xFF}, {}},
      {"to the locale: a space", "QAV-037", kEmulatedEuroCodeSet, "ASCII", 3, {'a', 0xE9, 'b'}, {'a', ' ', 'b'}},
      {"same set: copied", "QAV-037", "ISO8859-1", "ISO-8859-1", 3, {'a', 0xE9}, {'a', 0xE9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.Clear();
    SessionCodePages pages;
    pages.open(c.host, c.ascii, c.locale);
    Bytes out(16);
    const int size = static_cast<int>(out.size());
    const int len = static_cast<int>(c.in.size());
    int n = 0;
    switch (c.which) {
      case 0: n = pages.convertASCIIToEBCDIC(c.in.data(), len, out.data(), size); break;
      case 1: n = pages.convertLocaleASCIIToEBCDIC(c.in.data(), len, out.data(), size); break;
      case 2: n = pages.convertKeyboardCodePointsToEBCDIC(c.in.data(), len, out.data(), size); break;
      default: n = pages.convertASCIIToLocaleASCII(c.in.data(), len, out.data(), size); break;
    }
    out.resize(static_cast<size_t>(n));
    EXPECT_EQ(out, c.expected);
    if (c.which == 2) EXPECT_TRUE(log.Contains("QWC0119: convertKeyboardCodePointsToEBCDIC: locale-> ebcdic iconv"));
  }
}

TEST(CodePagesTest, OutputRoomRunningOutCutsTheOutputAndLogs) {
  qwtest::LogCapture log;
  SessionCodePages pages;
  ASSERT_TRUE(pages.open("QAV-037", "ISO8859-1", "ISO-8859-1"));
  const Bytes in(33000, 'x');
  struct Case {
    const char* name;
    int which;
    int expected;
    const char* logText;
  } cases[] = {
      {"session ASCII", 0, 10, "convertASCIIToEBCDIC: output room of 10 bytes used up; 32990 of 33000"},
      {"locale ASCII", 1, 10, "convertLocaleASCIIToEBCDIC: output room of 10 bytes used up"},
      {"to the locale, copied", 2, 10, "convertASCIIToLocaleASCII: output room of 10 bytes used up"},
      {"strict ISO 8859-1", 3, 0, "QWC0197"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.Clear();
    Bytes out(10, 0);
    const int len = static_cast<int>(in.size());
    int n = 0;
    switch (c.which) {
      case 0: n = pages.convertASCIIToEBCDIC(in.data(), len, out.data(), 10); break;
      case 1: n = pages.convertLocaleASCIIToEBCDIC(in.data(), len, out.data(), 10); break;
      case 2: n = pages.convertASCIIToLocaleASCII(in.data(), len, out.data(), 10); break;
      default: n = pages.convertISO1ToEBCDIC(in.data(), len, out.data(), 10); break;
    }
    EXPECT_EQ(n, c.expected);
    EXPECT_TRUE(log.Contains(c.logText));
  }
}

TEST(CodePagesTest, ConverterNeverWritesPastItsRoom) {
  CodePageConverter c;
  ASSERT_TRUE(c.open("QAV-1140", kEmulatedEuroCodeSet));
  unsigned char out[4] = {0, 0, 0, 0x55};
  const unsigned char in[] = {'a', 0xA4, 'b', 'c', 'd'};
  CodePageConverter::Result r = c.convert(in, sizeof in, out, 3, 0x40);
  EXPECT_EQ(r.written, 3u);
  EXPECT_TRUE(r.outOfRoom);
  EXPECT_EQ(out[1], 0x9F);
  EXPECT_EQ(out[3], 0x55);
}

// The Thai host page has no converter in the C library: the program's own
// table, checked against ICU's (uconv) in both directions.
Bytes Uconv(const char* to, const char* from, const Bytes& in) {
  qwtest::TempDir dir;
  const std::string path = dir.Path() + "/in";
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(in.data(), 1, in.size(), f);
  std::fclose(f);
  const std::string out =
      qwtest::CommandOutput(std::string("uconv --callback stop -f ") + from + " -t " + to + " " + path);
  return Bytes(out.begin(), out.end());
}

TEST(CodePagesTest, ThaiHostPageMatchesIcu) {
  if (qwtest::CommandOutput("command -v uconv").empty()) GTEST_SKIP() << "uconv (icu-devtools) is not installed";
  Bytes host;
  for (int b = 0; b < 256; ++b) host.push_back(static_cast<unsigned char>(b));
  CodePageConverter toUtf8, fromUtf8;
  ASSERT_TRUE(toUtf8.open("UTF-8", "QAV-838"));
  ASSERT_TRUE(fromUtf8.open("QAV-838", "UTF-8"));
  Bytes utf8(host.size() * 4);
  const CodePageConverter::Result r = toUtf8.convert(host.data(), host.size(), utf8.data(), utf8.size(), -1);
  ASSERT_FALSE(r.failed);
  utf8.resize(r.written);
  EXPECT_EQ(utf8, Uconv("utf-8", "ibm-838", host));
  // Back: each character to the byte ICU writes for it (the combining tone
  // marks, not their spacing twins).
  Bytes back(host.size());
  const CodePageConverter::Result b = fromUtf8.convert(utf8.data(), utf8.size(), back.data(), back.size(), -1);
  ASSERT_FALSE(b.failed);
  back.resize(b.written);
  EXPECT_EQ(back, Uconv("ibm-838", "utf-8", utf8));
  for (int spacing : {0x51, 0xCA, 0xE1, 0xFD, 0xFE}) EXPECT_NE(back[static_cast<size_t>(spacing)], spacing);
}

TEST(CodePagesTest, ThaiSessionConvertsThroughItsFontCodeSet) {
  // The Thai session's ASCII set (IBM 874, the code set of its fonts) and
  // the Thai locale's TIS-620 agree on the Thai letters.
  SessionCodePages pages;
  ASSERT_TRUE(pages.open("QAV-838", "QAV-874", "TIS-620"));
  const Bytes thai = {0xA1, 0xD2, 0xC3, 0xE8, ' ', 'A', '1'};  // "kan" with a tone mark, then ASCII
  Bytes ebcdic(thai.size());
  ASSERT_EQ(pages.convertLocaleASCIIToEBCDIC(thai.data(), static_cast<int>(thai.size()), ebcdic.data(),
                                             static_cast<int>(ebcdic.size())),
            static_cast<int>(thai.size()));
  EXPECT_EQ(ebcdic, (Bytes{0x42, 0xBD, 0x9A, 0xED, 0x40, 0xC1, 0xF1}));
  unsigned char table[256];
  pages.buildEbcdicToAsciiTable(table);
  for (size_t i = 0; i < thai.size(); ++i) EXPECT_EQ(table[ebcdic[i]], thai[i]) << i;
  EXPECT_EQ(table[0x51], 0xE8);  // the spacing tone mark reads as the same letter
  // A character the Thai page lacks is no byte of it, also from the
  // emulated euro set (two sets of the program's tables).
  CodePageConverter c, euro;
  ASSERT_TRUE(c.open("QAV-838", "ISO-8859-1"));
  ASSERT_TRUE(euro.open("QAV-838", kEmulatedEuroCodeSet));
  const unsigned char e = 0xE9;
  unsigned char out = 0;
  EXPECT_TRUE(c.convert(&e, 1, &out, 1, -1).failed);
  EXPECT_TRUE(euro.convert(&e, 1, &out, 1, -1).failed);
  EXPECT_TRUE(euro.convert(B("\xA4").data(), 1, &out, 1, -1).failed) << "no euro sign in the Thai page";
  unsigned char two[2] = {};
  const CodePageConverter::Result r = euro.convert(B("A1").data(), 2, two, 2, -1);
  EXPECT_EQ(r.written, 2u);
  EXPECT_EQ(two[0], 0xC1);
  EXPECT_EQ(two[1], 0xF1);
}

}  // namespace
