#pragma once
// The code-page converters of one session: between the host's EBCDIC code
// page, the session's ASCII code set (that of its language) and the code set
// of the locale; and the session's EBCDIC-to-ASCII table. Every conversion
// is bounded by its output room: when the room runs out the output is cut
// there and a line is logged.
#include <cstddef>
#include <string>

#include "session/CodePageConverter.h"

class SessionCodePages {
 public:
  // Opens the converters. `localeCodeSet` null: the locale's (nl_langinfo).
  // A converter that the C library cannot provide stays closed and its
  // conversions answer 0 (logged here once). Returns true when the session
  // ASCII to host converter opened.
  bool open(const char* hostCodeSet, const char* sessionAsciiCodeSet, const char* localeCodeSet = nullptr);
  void close();

  // The session's EBCDIC-to-ASCII table: codes 0-63 are 0, each code 64-255
  // converted alone from the host code set to the session ASCII code set
  // (0 when it has no character there).
  void buildEbcdicToAsciiTable(unsigned char table[256]) const;

  // Each takes the input and its length, the output and its size, and
  // returns the number of bytes written.
  // Locale to EBCDIC; 0 (logged with the input) on a conversion error.
  int convertKeyboardCodePointsToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) const;
  // ISO 8859-1 to EBCDIC, or the euro converter with `euro`; 0 (logged) on
  // a conversion error.
  int convertSessionKeyboardCodesToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size,
                                          bool euro) const;
  // ISO 8859-1 to EBCDIC; 0 (logged) on a conversion error.
  int convertISO1ToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) const;
  // Session ASCII to EBCDIC; a byte that cannot be converted becomes 0x40.
  int convertASCIIToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) const;
  // Locale to EBCDIC; a byte that cannot be converted becomes 0x40.
  int convertLocaleASCIIToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) const;
  // Session ASCII to the locale's code set; a byte that cannot be converted
  // becomes a space. When both sets are the same the bytes are copied.
  int convertASCIIToLocaleASCII(const unsigned char* in, int length, unsigned char* out, int size) const;
  // ISO 8859-1 to or from the locale's code set; 0 on any error.
  int convertISO1ToCodePageOfLocale(const unsigned char* in, int length, unsigned char* out, int size) const;
  int convertCodePageOfLocaleToISO1(const unsigned char* in, int length, unsigned char* out, int size) const;

  const std::string& hostCodeSet() const { return host_; }
  const std::string& sessionAsciiCodeSet() const { return ascii_; }
  const std::string& localeCodeSet() const { return locale_; }
  // False when the session ASCII set is the locale's (no conversion there).
  bool asciiNeedsLocaleConversion() const { return asciiToLocale_.isOpen(); }

 private:
  int strict(const CodePageConverter& c, const char* name, const char* id, const char* text,
             const unsigned char* in, int length, unsigned char* out, int size) const;
  int lenient(const CodePageConverter& c, const char* name, const char* debugText, int substitute,
              const unsigned char* in, int length, unsigned char* out, int size) const;

  std::string host_, ascii_, locale_;
  CodePageConverter localeToHost_;
  CodePageConverter iso1ToLocale_;
  CodePageConverter localeToIso1_;
  CodePageConverter iso1ToHost_;
  CodePageConverter asciiToHost_;
  CodePageConverter asciiToLocale_;  // closed when both sets are the same
  CodePageConverter euroToHost_;
  CodePageConverter hostToAscii_;
};
