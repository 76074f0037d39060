#include "xfront/WindowCodeSets.h"

#include <langinfo.h>

#include <cstdint>
#include <cstring>

#include "session/Language.h"
#include "base/LogMsg.h"

namespace {

struct EuroRow {
  const char* locale;
  const char* base;
  const char* euro;
};

constexpr EuroRow kEuroRows[] = {
    {"fr_CA", "FRC", "@RC"}, {"da_DK", "DAN", "@AN"}, {"nl_NL", "NLD", "@LD"}, {"nl_BE", "NLB", "@LB"},
    {"en_GB", "ENG", "@NG"}, {"en_US", "ENU", "@NU"}, {"fi_FI", "FIN", "@IN"}, {"fr_FR", "FRA", "@RA"},
    {"fr_BE", "FRB", "@FB"}, {"fr_CH", "FRS", "@RS"}, {"de_DE", "DEU", "@EU"}, {"de_CH", "DES", "@ES"},
    {"it_IT", "ITA", "@TA"}, {"it_CH", "ITS", "@TS"}, {"no_NO", "NON", "@ON"}, {"pt_BR", "PTB", "@TB"},
    {"pt_PT", "PTG", "@TG"}, {"es_ES", "ESP", "@SP"}, {"es_LA", "ESL", "@SL"}, {"sv_SE", "SVE", "@VE"},
};

void Open(CodePageConverter& c, const char* to, const char* from) {
  if (!to || !from || !*to || !*from) return;
  if (!c.open(to, from) && DebugFlag())
    LogMsg(LevelDebug, "No code-set converter from %s to %s.\n", from, to);
}

}  // namespace

const char* XCodeSetOfLanguage(const LanguageRow* row) {
  if (row && row->localCodeSet && std::strcmp(row->localCodeSet, kEmulatedEuroCodeSet) == 0) return "ISO8859-15";
  // A Thai session's ASCII set is the code set of its fonts.
  if (row && IsThaiCodeSet(row->localCodeSet)) return row->localCodeSet;
  return "ISO8859-1";
}

unsigned char NullPositionCharacter(const char* xCodeSet) {
  if (!xCodeSet) return 0xB7;
  if (std::strcmp(xCodeSet, "ISO8859-2") == 0) return 0xFF;
  if (std::strcmp(xCodeSet, "ISO8859-5") == 0 || IsThaiCodeSet(xCodeSet)) return 0x2E;
  return 0xB7;
}

bool IsThaiCodeSet(const char* xCodeSet) { return xCodeSet && std::strcmp(xCodeSet, "QAV-874") == 0; }

const char* EuroBaseLocale(const char* euroCode) {
  if (!euroCode) return nullptr;
  for (const EuroRow& r : kEuroRows)
    if (std::strcmp(r.euro, euroCode) == 0) return r.locale;
  return nullptr;
}

bool BuildWideCharTable(const char* codeSet, wchar_t table[256]) {
  for (int i = 0; i < 256; ++i) table[i] = 0;
  CodePageConverter toUcs4;
  if (!codeSet || !toUcs4.open("UCS-4LE", codeSet)) return false;
  for (int b = 0x20; b < 0x100; ++b) {
    const unsigned char in = static_cast<unsigned char>(b);
    unsigned char out[8] = {};
    CodePageConverter::Result r = toUcs4.convert(&in, 1, out, sizeof out, -1);
    if (r.failed || r.written != 4) {
      if (DebugFlag()) LogMsg(LevelDebug, "mbtowc error on conversion of %d\n", b);
      continue;
    }
    const uint32_t cp = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<uint32_t>(out[3]) << 24);
    table[b] = static_cast<wchar_t>(cp);
  }
  return true;
}

void WindowCodeSets::open(const char* xCodeSet, const char* sessionCodeSet, bool euro, const char* localeCodeSet) {
  close();
  x_ = xCodeSet && *xCodeSet ? xCodeSet : "ISO8859-1";
  const char* locale = localeCodeSet ? localeCodeSet : nl_langinfo(CODESET);
  locale_ = locale ? locale : "ANSI_X3.4-1968";
  const char* x = x_.c_str();
  Open(xFromUtf8, x, "UTF-8");
  Open(xFromLocale, x, locale_.c_str());
  Open(localeFromIso1, locale_.c_str(), "ISO8859-1");
  Open(iso1FromLocale, "ISO8859-1", locale_.c_str());
  Open(xFromIso1, x, "ISO8859-1");
  Open(localeFromUtf8, locale_.c_str(), "UTF-8");
  if (euro) Open(xFromEuro, x, kEmulatedEuroCodeSet);
  Open(utf8FromSession, "UTF-8", sessionCodeSet);
  Open(sessionFromUtf8, sessionCodeSet, "UTF-8");
  Open(xFromUtf8Second, x, "UTF-8");
  localeIs15_ = locale_ == "ISO-8859-15" || locale_ == "ISO8859-15";
}

void WindowCodeSets::close() {
  for (CodePageConverter* c : {&xFromUtf8, &xFromLocale, &localeFromIso1, &iso1FromLocale, &xFromIso1,
                               &localeFromUtf8, &xFromEuro, &utf8FromSession, &sessionFromUtf8, &xFromUtf8Second})
    c->close();
  localeIs15_ = false;
}
