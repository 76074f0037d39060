#pragma once
// What the keyboard translator asks of the session's host side: the
// translation of keys when the session uses no tables, the keyboard code
// and diacritic country of the session, the code-page category of a
// character, and the two requests it sends. The defaults describe a
// session on the built-in tables that sends nothing.
#include "keyboard/FunctionWord.h"

struct TaxTCB;

class TranslatorHost {
 public:
  TranslatorHost() = default;
  virtual ~TranslatorHost() = default;
  TranslatorHost(const TranslatorHost&) = delete;
  TranslatorHost& operator=(const TranslatorHost&) = delete;

  // Whether keys are looked up in the translation tables (else genKeystroke).
  virtual bool usesTranslationTables() { return true; }
  // The word for a key record when no table is used.
  virtual FunctionWord genKeystroke(const TaxTCB&) { return FunctionWord{35, 0}; }
  // The keyboard code and diacritic country of the session's language.
  virtual unsigned int genCountryCode() { return 0xC2C3; }
  virtual unsigned char genDiacCountryNum() { return 0x19; }
  // The category of a character in the session's code page (37 and 38 mark
  // dead keys).
  virtual unsigned char codePageCategory(unsigned char) { return 11; }
  // The negative response to a bad device record.
  virtual void sendOSBErrorToHost() {}
  virtual void setGlobalTypeAheadState(unsigned char) {}
};
