#include "session/SessionCodePages.h"

#include <langinfo.h>

#include <cstring>

#include "base/LogMsg.h"

namespace {

constexpr const char* kIso1 = "ISO8859-1";

void OpenOrLog(CodePageConverter& c, const std::string& to, const std::string& from) {
  if (!c.open(to.c_str(), from.c_str()))
    LogMsg(LevelError, "Cannot convert from code set %s to %s.\n", from.c_str(), to.c_str());
}

bool SameCodeSet(const std::string& a, const std::string& b) {
  return IconvCodeSetName(a.c_str()) == IconvCodeSetName(b.c_str());
}

void LogInputBytes(const unsigned char* in, int length) {
  for (int i = 0; i < length; ++i) LogMsg(LevelError, "%x", in[i]);
  LogMsg(LevelError, "\n");
}

void LogTruncated(const char* name, int length, size_t consumed, int size) {
  LogMsg(LevelError, "%s: output room of %d bytes used up; %d of %d input bytes not converted.\n", name, size,
         length - static_cast<int>(consumed), length);
}

}  // namespace

bool SessionCodePages::open(const char* hostCodeSet, const char* sessionAsciiCodeSet, const char* localeCodeSet) {
  close();
  host_ = hostCodeSet ? hostCodeSet : "";
  ascii_ = sessionAsciiCodeSet ? sessionAsciiCodeSet : "";
  locale_ = localeCodeSet ? localeCodeSet : nl_langinfo(CODESET);
  OpenOrLog(localeToHost_, host_, locale_);
  OpenOrLog(iso1ToLocale_, locale_, kIso1);
  OpenOrLog(localeToIso1_, kIso1, locale_);
  OpenOrLog(iso1ToHost_, host_, kIso1);
  OpenOrLog(asciiToHost_, host_, ascii_);
  if (!SameCodeSet(ascii_, locale_)) OpenOrLog(asciiToLocale_, locale_, ascii_);
  OpenOrLog(euroToHost_, host_, kEmulatedEuroCodeSet);
  OpenOrLog(hostToAscii_, ascii_, host_);
  return asciiToHost_.isOpen();
}

void SessionCodePages::close() {
  for (CodePageConverter* c : {&localeToHost_, &iso1ToLocale_, &localeToIso1_, &iso1ToHost_, &asciiToHost_,
                               &asciiToLocale_, &euroToHost_, &hostToAscii_})
    c->close();
}

void SessionCodePages::buildEbcdicToAsciiTable(unsigned char table[256]) const {
  std::memset(table, 0, 256);
  for (int code = 64; code < 256; ++code) {
    unsigned char in = static_cast<unsigned char>(code);
    unsigned char out[8];
    CodePageConverter::Result r = hostToAscii_.convert(&in, 1, out, sizeof out, -1);
    if (!r.failed && r.written > 0) table[code] = out[0];
  }
}

int SessionCodePages::strict(const CodePageConverter& c, const char* name, const char* id, const char* text,
                             const unsigned char* in, int length, unsigned char* out, int size) const {
  if (!in || !out || length <= 0 || size <= 0) return 0;
  CodePageConverter::Result r = c.convert(in, static_cast<size_t>(length), out, static_cast<size_t>(size), -1);
  if (r.failed || r.outOfRoom || !c.isOpen()) {
    LogMsg(LevelError, text, id, -1, r.error);
    LogInputBytes(in, length);
    return 0;
  }
  return static_cast<int>(r.written);
}

int SessionCodePages::lenient(const CodePageConverter& c, const char* name, const char* debugText, int substitute,
                              const unsigned char* in, int length, unsigned char* out, int size) const {
  if (!in || !out || length <= 0 || size <= 0) return 0;
  CodePageConverter::Result r = c.convert(in, static_cast<size_t>(length), out, static_cast<size_t>(size), substitute);
  if ((r.substituted > 0 || r.failed) && DebugFlag()) {
    LogMsg(LevelDebug, "%s", debugText);
    LogMsg(LevelDebug, "rc= %d, errno= %d, inbytesleft= %d, outbytesleft= %d, output_buff_size= %d.\n", -1, r.error,
           length - static_cast<int>(r.consumed), size - static_cast<int>(r.written), size);
  }
  if (r.outOfRoom) LogTruncated(name, length, r.consumed, size);
  return static_cast<int>(r.written);
}

int SessionCodePages::convertKeyboardCodePointsToEBCDIC(const unsigned char* in, int length, unsigned char* out,
                                                        int size) const {
  return strict(localeToHost_, "convertKeyboardCodePointsToEBCDIC", "QWC0119",
                "%s: convertKeyboardCodePointsToEBCDIC: locale-> ebcdic iconv rc = %d, errno = %d.\n", in, length, out,
                size);
}

int SessionCodePages::convertSessionKeyboardCodesToEBCDIC(const unsigned char* in, int length, unsigned char* out,
                                                          int size, bool euro) const {
  return strict(euro ? euroToHost_ : iso1ToHost_, "convertSessionKeyboardCodesToEBCDIC", "QWC0218",
                "%s: convertSessionKeyboardCodesToEBCDIC: locale-> ebcdic iconv rc = %d, errno = %d.\n", in, length,
                out, size);
}

int SessionCodePages::convertISO1ToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) const {
  return strict(iso1ToHost_, "convertISO1toEBCDIC", "QWC0197",
                "%s: convertISO1toEBCDIC: iso1-> ebcdic rc = %d, errno = %d.\n", in, length, out, size);
}

int SessionCodePages::convertASCIIToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) const {
  return lenient(asciiToHost_, "convertASCIIToEBCDIC",
                 "convertASCIIToEBCDIC: unable to convert session ascii to session ebcdic.\n", 0x40, in, length, out,
                 size);
}

int SessionCodePages::convertLocaleASCIIToEBCDIC(const unsigned char* in, int length, unsigned char* out,
                                                 int size) const {
  return lenient(localeToHost_, "convertLocaleASCIIToEBCDIC",
                 "convertASCIIToEBCDIC: unable to convert locale ascii to session ebcdic.\n", 0x40, in, length, out,
                 size);
}

int SessionCodePages::convertASCIIToLocaleASCII(const unsigned char* in, int length, unsigned char* out,
                                                int size) const {
  if (!in || !out || length <= 0 || size <= 0) return 0;
  if (!asciiToLocale_.isOpen()) {
    const int n = length <= size ? length : size;
    std::memcpy(out, in, static_cast<size_t>(n));
    if (n < length) LogTruncated("convertASCIIToLocaleASCII", length, static_cast<size_t>(n), size);
    return n;
  }
  return lenient(asciiToLocale_, "convertASCIIToLocaleASCII",
                 "convertASCIIToLocaleASCII: unable to convert session ascii to locale ascii.\n", ' ', in, length, out,
                 size);
}

int SessionCodePages::convertISO1ToCodePageOfLocale(const unsigned char* in, int length, unsigned char* out,
                                                    int size) const {
  if (!in || !out || length <= 0 || size <= 0) return 0;
  CodePageConverter::Result r = iso1ToLocale_.convert(in, static_cast<size_t>(length), out, static_cast<size_t>(size), -1);
  return (r.failed || r.outOfRoom) ? 0 : static_cast<int>(r.written);
}

int SessionCodePages::convertCodePageOfLocaleToISO1(const unsigned char* in, int length, unsigned char* out,
                                                    int size) const {
  if (!in || !out || length <= 0 || size <= 0) return 0;
  CodePageConverter::Result r = localeToIso1_.convert(in, static_cast<size_t>(length), out, static_cast<size_t>(size), -1);
  return (r.failed || r.outOfRoom) ? 0 : static_cast<int>(r.written);
}
