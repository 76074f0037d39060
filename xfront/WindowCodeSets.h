#pragma once
// The code sets of a session window: the X code set of its fonts, the
// converters between it, UTF-8, ISO 8859-1, the locale's code set and the
// session's ASCII code set, and the table of the wide characters that the
// window draws for each byte of the session's display table.
#include <cstddef>
#include <string>

#include "session/CodePageConverter.h"

struct LanguageRow;

// The X code set of a language: ISO 8859-15 for the euro languages (whose
// session code set is the emulated euro set), ISO 8859-1 otherwise and
// without a row.
const char* XCodeSetOfLanguage(const LanguageRow* row);

// The character shown at null positions by the extended display.
unsigned char NullPositionCharacter(const char* xCodeSet);
// True for the Thai X code set.
bool IsThaiCodeSet(const char* xCodeSet);

// The locale of the base language of a euro language code ("@EU" gives
// "de_DE"), or null for any other code.
const char* EuroBaseLocale(const char* euroCode);

// Builds the 256 wide characters of the bytes of `codeSet` (a language-table
// name, "emuleuro" included): bytes below 0x20 and bytes that have no
// character there give 0. Returns false (all 0) when the code set is unknown.
bool BuildWideCharTable(const char* codeSet, wchar_t table[256]);

class WindowCodeSets {
 public:
  // Opens every converter; one the C library cannot provide stays closed
  // (logged at debug level). `localeCodeSet` null: the locale's (nl_langinfo).
  void open(const char* xCodeSet, const char* sessionCodeSet, bool euro, const char* localeCodeSet = nullptr);
  void close();

  const std::string& xCodeSet() const { return x_; }
  const std::string& localeCodeSet() const { return locale_; }
  // The locale's code set is ISO 8859-15.
  bool localeIsIso885915() const { return localeIs15_; }

  CodePageConverter xFromUtf8;
  CodePageConverter xFromLocale;
  CodePageConverter localeFromIso1;
  CodePageConverter iso1FromLocale;
  CodePageConverter xFromIso1;
  CodePageConverter localeFromUtf8;
  CodePageConverter xFromEuro;       // open in euro sessions only
  CodePageConverter utf8FromSession;  // the session's ASCII code set to UTF-8
  CodePageConverter sessionFromUtf8;
  CodePageConverter xFromUtf8Second;  // the second direction's own descriptor

 private:
  std::string x_, locale_;
  bool localeIs15_ = false;
};
