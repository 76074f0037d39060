#include "session/Language.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kBaseSet = "ISO8859-1";
constexpr const char* kEuroSet = "emuleuro";

// clang-format off
const LanguageRow kRows[kLanguageRows] = {
  {"ENU", "en_US", "USB", "697", "037", "QAV-037", kBaseSet, 0},
  {"FRC", "fr_CA", "CAI", "697", "500", "QAV-500", kBaseSet, 0},
  {"DAN", "da_DK", "DMB", "697", "277", "QAV-277", kBaseSet, 0},
  {"NLD", "nl_NL", "NEB", "697", "037", "QAV-037", kBaseSet, 0},
  {"NLB", "nl_BE", "NEI", "697", "500", "QAV-500", kBaseSet, 0},
  {"ENG", "en_GB", "UKB", "697", "285", "QAV-285", kBaseSet, 0},
  {"FIN", "fi_FI", "FNB", "697", "278", "QAV-278", kBaseSet, 0},
  {"FRA", "fr_FR", "FAB", "697", "297", "QAV-297", kBaseSet, 0},
  {"FRB", "fr_BE", "BLI", "697", "500", "QAV-500", kBaseSet, 0},
  {"FRS", "fr_CH", "SFI", "697", "500", "QAV-500", kBaseSet, 0},
  {"DEU", "de_DE", "AGB", "697", "273", "QAV-273", kBaseSet, 0},
  {"DES", "de_CH", "SGI", "697", "500", "QAV-500", kBaseSet, 0},
  {"ITA", "it_IT", "ITB", "697", "280", "QAV-280", kBaseSet, 0},
  {"ITS", "it_CH", "ITI", "697", "500", "QAV-500", kBaseSet, 0},
  {"NON", "no_NO", "NWB", "697", "277", "QAV-277", kBaseSet, 0},
  {"PTB", "pt_BR", "BRB", "697", "037", "QAV-037", kBaseSet, 0},
  {"PTG", "pt_PT", "PRB", "697", "037", "QAV-037", kBaseSet, 0},
  {"ESP", "es_ES", "SPB", "697", "284", "QAV-284", kBaseSet, 0},
  {"ESL", "es_LA", "SSB", "697", "284", "QAV-284", kBaseSet, 0},
  {"SVE", "sv_SE", "SWB", "697", "278", "QAV-278", kBaseSet, 0},

  {"@NU", "en_US@euro", "USE", "695", "1140", "QAV-1140", kEuroSet, 0},
  {"@RC", "fr_CA@euro", "CAM", "695", "1148", "QAV-1148", kEuroSet, 0},
  {"@AN", "da_DK@euro", "DME", "695", "1142", "QAV-1142", kEuroSet, 0},
  {"@LD", "nl_NL@euro", "NEE", "695", "1140", "QAV-1140", kEuroSet, 0},
  {"@LB", "nl_BE@euro", "BLM", "695", "1148", "QAV-1148", kEuroSet, 0},
  {"@NG", "en_GB@euro", "UKE", "695", "1146", "QAV-1146", kEuroSet, 0},
  {"@IN", "fi_FI@euro", "FNE", "695", "1143", "QAV-1143", kEuroSet, 0},
  {"@RA", "fr_FR@euro", "FAE", "695", "1147", "QAV-1147", kEuroSet, 0},
  {"@FB", "fr_BE@euro", "BLM", "695", "1148", "QAV-1148", kEuroSet, 0},
  {"@RS", "fr_CH@euro", "SFM", "695", "1148", "QAV-1148", kEuroSet, 0},
  {"@EU", "de_DE@euro", "AGE", "695", "1141", "QAV-1141", kEuroSet, 0},
  {"@ES", "de_CH@euro", "SGM", "695", "1148", "QAV-1148", kEuroSet, 0},
  {"@TA", "it_IT@euro", "ITE", "695", "1144", "QAV-1144", kEuroSet, 0},
  {"@TS", "it_CH@euro", "SFM", "695", "1148", "QAV-1148", kEuroSet, 0},
  {"@ON", "no_NO@euro", "NWE", "695", "1142", "QAV-1142", kEuroSet, 0},
  {"@TB", "pt_BR@euro", "BRE", "695", "1140", "QAV-1140", kEuroSet, 0},
  {"@TG", "pt_PT@euro", "PRE", "695", "1140", "QAV-1140", kEuroSet, 0},
  {"@SP", "es_ES@euro", "SPE", "695", "1145", "QAV-1145", kEuroSet, 0},
  {"@SL", "es_LA@euro", "SSE", "695", "1145", "QAV-1145", kEuroSet, 0},
  {"@VE", "sv_SE@euro", "SWE", "695", "1143", "QAV-1143", kEuroSet, 0},
};
// clang-format on

// Thai stands outside the table as the double-byte languages do: the host's
// Thai EBCDIC page (838, converted through a table of this program) and the
// session's Thai ASCII set, which is also the code set of its fonts.
const LanguageRow kThai = {"THA", "th_TH", "THB", "1176", "838", "QAV-838", "QAV-874", 0};

// The double-byte languages that have no row, each known by id and locale.
struct JapaneseLanguage {
  const char* id;
  const char* locale;
};
const JapaneseLanguage kJapanese[] = {
    {"JPN", "ja_JP"},
    {"JPK", "ja_JP.QAV930"},
    {"JPL", "ja_JP.QAV939"},
};

bool Equal(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

unsigned char g_languageShift = 0;

}  // namespace

const LanguageRow* LanguageTable() { return kRows; }

const LanguageRow* FindLanguageRow(const char* id) {
  for (const LanguageRow& row : kRows)
    if (Equal(row.id, id)) return &row;
  return Equal(kThai.id, id) ? &kThai : nullptr;
}

const LanguageRow* FindLanguageRowByLocale(const char* locale) {
  for (const LanguageRow& row : kRows)
    if (Equal(row.locale, locale)) return &row;
  return IsThaiLocale(locale) ? &kThai : nullptr;
}

bool IsThaiLocale(const char* locale) {
  const size_t n = std::strlen(kThai.locale);
  return locale && std::strncmp(locale, kThai.locale, n) == 0 && (locale[n] == '\0' || locale[n] == '.');
}

const LanguageRow* LanguageEuroTwin(const LanguageRow* row) {
  if (row < kRows || row >= kRows + kLanguageRows) return nullptr;
  size_t i = static_cast<size_t>(row - kRows);
  return &kRows[i < kBaseLanguageRows ? i + kBaseLanguageRows : i - kBaseLanguageRows];
}

const char* LookupLanguage(const char* request) {
  if (!request) return nullptr;
  if (Equal(request, kJapanese[0].id) || Equal(request, kJapanese[0].locale))
    return kJapanese[0].id;
  for (const LanguageRow& row : kRows)
    if (Equal(row.id, request) || Equal(row.locale, request)) return row.id;
  if (Equal(kThai.id, request) || IsThaiLocale(request)) return kThai.id;
  for (const JapaneseLanguage& j : kJapanese)
    if (Equal(request, j.id) || Equal(request, j.locale)) return j.id;
  return nullptr;
}

const char* ResolveSessionLanguage(const char* request, const char* lang) {
  const char* id = LookupLanguage(request);
  if (!id) id = LookupLanguage(lang);
  if (!id) id = "ENU";
  if (Equal(id, "JPN")) id = "JPL";
  return id;
}

const char* ResolveSessionLanguage(const char* request) {
  return ResolveSessionLanguage(request, std::getenv("LANG"));
}

unsigned char LanguageShiftSwitch() { return g_languageShift; }
void SetLanguageShiftSwitch(unsigned char value) { g_languageShift = value; }
