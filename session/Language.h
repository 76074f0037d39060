#pragma once
// The language table of QW5250 and the choice of a session's language.
#include <cstddef>

// One language: the 20 base languages and their 20 euro twins, and Thai.
struct LanguageRow {
  const char* id;            // "ENU"; a euro twin has '@' for the first letter
  const char* locale;        // "en_US"; a euro twin adds "@euro"
  const char* keyboard;      // keyboard type sent to the host, "USB"
  const char* characterSet;  // "697" (base) or "695" (euro)
  const char* codePage;      // host code page, "037" or "1140"
  const char* hostCodeSet;   // iconv name of the host code page, "QAV-037"
  const char* localCodeSet;  // iconv name of the local code set
  unsigned char languageShift;  // Alt+Shift language switch of this language
};

constexpr size_t kLanguageRows = 40;
constexpr size_t kBaseLanguageRows = 20;

// The table: rows 0-19 base languages, row i + 20 the euro twin of row i.
const LanguageRow* LanguageTable();
// The row of a language id ("ENU", "@NU", also Thai's "THA", which has a
// row outside the table), or null.
const LanguageRow* FindLanguageRow(const char* id);
// The row whose locale equals locale exactly (Thai's: "th_TH" with or
// without a code set, "th_TH.TIS-620"), or null.
const LanguageRow* FindLanguageRowByLocale(const char* locale);
// True for "th_TH" and "th_TH.<code set>".
bool IsThaiLocale(const char* locale);
// The other member of a row's base/euro pair.
const LanguageRow* LanguageEuroTwin(const LanguageRow* row);

// The language that a request names: "JPN" for "JPN" or "ja_JP"; a row's id
// for its id or locale (Thai's "THA" also for "th_TH.<code set>"); "JPK" for "JPK" or "ja_JP.QAV930"; "JPL" for "JPL" or
// "ja_JP.QAV939". Null for anything else (also null or "NIL").
const char* LookupLanguage(const char* request);

// A session's language: the language of the request, else that of lang (the
// value of LANG, may be null), else "ENU"; JPN is always taken as JPL.
const char* ResolveSessionLanguage(const char* request, const char* lang);
// The same with the value of LANG from the environment.
const char* ResolveSessionLanguage(const char* request);

// The process-wide language-shift byte that start-up takes from the row of
// LANG, read by the keyboard pre-dispatch (0 at start).
unsigned char LanguageShiftSwitch();
void SetLanguageShiftSwitch(unsigned char value);
