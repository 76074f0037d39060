// The language table and the choice of a session's language.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "session/Language.h"
#include "tests/session/StartupTestHelpers.h"

using namespace startuptest;

namespace {

struct ExpectedLanguage {
  const char* id;
  const char* locale;
  const char* keyboard;
  const char* codePage;
  const char* euroId;
  const char* euroKeyboard;
  const char* euroCodePage;
};

// The published language list, base language and euro twin side by side.
const ExpectedLanguage kExpected[] = {
    {"ENU", "en_US", "USB", "037", "@NU", "USE", "1140"},
    {"FRC", "fr_CA", "CAI", "500", "@RC", "CAM", "1148"},
    {"DAN", "da_DK", "DMB", "277", "@AN", "DME", "1142"},
    {"NLD", "nl_NL", "NEB", "037", "@LD", "NEE", "1140"},
    {"NLB", "nl_BE", "NEI", "500", "@LB", "BLM", "1148"},
    {"ENG", "en_GB", "UKB", "285", "@NG", "UKE", "1146"},
    {"FIN", "fi_FI", "FNB", "278", "@IN", "FNE", "1143"},
    {"FRA", "fr_FR", "FAB", "297", "@RA", "FAE", "1147"},
    {"FRB", "fr_BE", "BLI", "500", "@FB", "BLM", "1148"},
    {"FRS", "fr_CH", "SFI", "500", "@RS", "SFM", "1148"},
    {"DEU", "de_DE", "AGB", "273", "@EU", "AGE", "1141"},
    {"DES", "de_CH", "SGI", "500", "@ES", "SGM", "1148"},
    {"ITA", "it_IT", "ITB", "280", "@TA", "ITE", "1144"},
    {"ITS", "it_CH", "ITI", "500", "@TS", "SFM", "1148"},
    {"NON", "no_NO", "NWB", "277", "@ON", "NWE", "1142"},
    {"PTB", "pt_BR", "BRB", "037", "@TB", "BRE", "1140"},
    {"PTG", "pt_PT", "PRB", "037", "@TG", "PRE", "1140"},
    {"ESP", "es_ES", "SPB", "284", "@SP", "SPE", "1145"},
    {"ESL", "es_LA", "SSB", "284", "@SL", "SSE", "1145"},
    {"SVE", "sv_SE", "SWB", "278", "@VE", "SWE", "1143"},
};
static_assert(sizeof(kExpected) / sizeof(kExpected[0]) == kBaseLanguageRows, "20 languages");

// The 256 bytes of an EBCDIC code page decoded to UTF-8, one string per byte
// ("" where the page has no character).
std::vector<std::string> DecodePage(const std::string& codePage) {
  std::string name = "IBM" + codePage;
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
  std::vector<std::string> out(256);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char buf[8];
    char* ip = &in;
    size_t il = 1;
    char* op = buf;
    size_t ol = sizeof buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1))
      out[b].assign(buf, static_cast<size_t>(op - buf));
  }
  iconv_close(cd);
  return out;
}

}  // namespace

TEST(LanguageTable, EveryRowAndItsEuroTwin) {
  const LanguageRow* table = LanguageTable();
  for (size_t i = 0; i < kBaseLanguageRows; ++i) {
    const ExpectedLanguage& e = kExpected[i];
    const LanguageRow& base = table[i];
    const LanguageRow& euro = table[i + kBaseLanguageRows];
    SCOPED_TRACE(e.id);
    EXPECT_STREQ(base.id, e.id);
    EXPECT_STREQ(base.locale, e.locale);
    EXPECT_STREQ(base.keyboard, e.keyboard);
    EXPECT_STREQ(base.codePage, e.codePage);
    EXPECT_STREQ(base.characterSet, "697");
    EXPECT_STREQ(base.localCodeSet, "ISO8859-1");
    EXPECT_EQ(std::string(base.hostCodeSet), std::string("QAV-") + e.codePage);

    EXPECT_STREQ(euro.id, e.euroId);
    EXPECT_EQ(euro.id[0], '@');
    EXPECT_EQ(euro.id[2], base.id[2]);
    EXPECT_EQ(std::string(euro.locale), std::string(e.locale) + "@euro");
    EXPECT_STREQ(euro.keyboard, e.euroKeyboard);
    EXPECT_STREQ(euro.codePage, e.euroCodePage);
    EXPECT_STREQ(euro.characterSet, "695");
    EXPECT_STREQ(euro.localCodeSet, "emuleuro");
    EXPECT_EQ(std::string(euro.hostCodeSet), std::string("QAV-") + e.euroCodePage);

    EXPECT_EQ(base.languageShift, 0);
    EXPECT_EQ(euro.languageShift, 0);
    EXPECT_EQ(LanguageEuroTwin(&base), &euro);
    EXPECT_EQ(LanguageEuroTwin(&euro), &base);
    EXPECT_EQ(FindLanguageRow(base.id), &base);
    EXPECT_EQ(FindLanguageRow(euro.id), &euro);
    EXPECT_EQ(FindLanguageRowByLocale(base.locale), &base);
    EXPECT_EQ(FindLanguageRowByLocale(euro.locale), &euro);
  }
}

// The euro code page of each twin is its base page with the euro sign in
// place of the currency sign, the rest the same: checked against the system's
// code-page converter (which maps one or two further bytes differently).
TEST(LanguageTable, EuroCodePageIsTheBasePagePlusEuro) {
  const LanguageRow* table = LanguageTable();
  for (size_t i = 0; i < kBaseLanguageRows; ++i) {
    const LanguageRow& base = table[i];
    const LanguageRow& euro = table[i + kBaseLanguageRows];
    SCOPED_TRACE(base.id);
    std::vector<std::string> b = DecodePage(base.codePage);
    std::vector<std::string> e = DecodePage(euro.codePage);
    int euroSigns = 0;
    int same = 0;
    for (int c = 0; c < 256; ++c) {
      if (e[c] == "\xE2\x82\xAC") {
        ++euroSigns;
        EXPECT_EQ(b[c], "\xC2\xA4") << "byte " << c;
      } else if (b[c] == e[c]) {
        ++same;
      }
    }
    EXPECT_EQ(euroSigns, 1);
    EXPECT_GE(same, 253);
  }
}

TEST(LanguageTable, UnknownLookups) {
  EXPECT_EQ(FindLanguageRow(nullptr), nullptr);
  EXPECT_EQ(FindLanguageRow("JPN"), nullptr);
  EXPECT_EQ(FindLanguageRow("enu"), nullptr);
  EXPECT_EQ(FindLanguageRowByLocale("en_US.UTF-8"), nullptr);
  EXPECT_EQ(FindLanguageRowByLocale(nullptr), nullptr);
  const LanguageRow* thai = FindLanguageRow("THA");
  ASSERT_NE(thai, nullptr);
  EXPECT_EQ(FindLanguageRowByLocale("th_TH.TIS-620"), thai);
  EXPECT_STREQ(thai->hostCodeSet, "QAV-838");
  EXPECT_STREQ(thai->codePage, "838");
  EXPECT_EQ(LanguageEuroTwin(thai), nullptr);
  LanguageRow outside{};
  EXPECT_EQ(LanguageEuroTwin(&outside), nullptr);
}

TEST(SessionLanguage, Lookup) {
  struct Case {
    const char* request;
    const char* id;  // null: unknown
  } cases[] = {
      {"JPN", "JPN"},          {"ja_JP", "JPN"},        {"ENU", "ENU"},
      {"en_US", "ENU"},        {"@EU", "@EU"},          {"de_DE@euro", "@EU"},
      {"es_LA", "ESL"},        {"ja_JP.QAV930", "JPK"}, {"ja_JP.QAV939", "JPL"},
      {"JPK", "JPK"},          {"JPL", "JPL"},          {"NIL", nullptr},
      {"", nullptr},           {"en_US.UTF-8", nullptr}, {"enu", nullptr},
      {nullptr, nullptr},
      // Thai, outside the table: its locale with any code set.
      {"THA", "THA"},          {"th_TH", "THA"},        {"th_TH.TIS-620", "THA"},
      {"th_TH.UTF-8", "THA"},  {"th_THX", nullptr},     {"th", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request ? c.request : "(null)");
    const char* got = LookupLanguage(c.request);
    if (c.id)
      EXPECT_STREQ(got, c.id);
    else
      EXPECT_EQ(got, nullptr);
  }
}

TEST(SessionLanguage, ResolveWithFallbacks) {
  struct Case {
    const char* request;
    const char* lang;
    const char* id;
  } cases[] = {
      {"DEU", "fr_FR", "DEU"},          // the request wins over LANG
      {"NIL", "fr_FR", "FRA"},          // NIL takes LANG
      {"XYZ", "de_CH@euro", "@ES"},     // unknown takes LANG
      {"NIL", "C", "ENU"},              // LANG of no language
      {"NIL", nullptr, "ENU"},          // no LANG
      {nullptr, nullptr, "ENU"},
      {"JPN", "de_DE", "JPL"},          // JPN is always JPL
      {"ja_JP", nullptr, "JPL"},
      {"NIL", "ja_JP", "JPL"},
      {"JPK", "de_DE", "JPK"},          // a chosen language resolves to itself
      {"JPL", "de_DE", "JPL"},
      {"ja_JP.QAV930", nullptr, "JPK"},
      {"@NU", nullptr, "@NU"},
      {"NIL", "th_TH.tis620", "THA"},   // a Thai LANG makes a Thai session
      {"DEU", "th_TH", "DEU"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.request ? c.request : "(null)") + " / " +
                 (c.lang ? c.lang : "(null)"));
    EXPECT_STREQ(ResolveSessionLanguage(c.request, c.lang), c.id);
  }
  ScopedEnv lang("LANG", "it_CH");
  EXPECT_STREQ(ResolveSessionLanguage("NIL"), "ITS");
}
