#include "xfront/KeyText.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>
#include <vector>

#include "session/CodePageConverter.h"

std::string KeyTextCodeSet(const char* locale) {
  locale_t l = newlocale(LC_CTYPE_MASK, locale ? locale : "", static_cast<locale_t>(nullptr));
  if (!l) return std::string();
  std::string codeSet = nl_langinfo_l(CODESET, l);
  freelocale(l);
  if (codeSet == "ANSI_X3.4-1968" || codeSet == "ASCII") return "ISO-8859-1";
  return codeSet;
}

bool DecodeKeyText(const std::string& codeSet, const char* text, int length, std::u32string* out) {
  out->clear();
  if (!text || length <= 0) return true;
  CodePageConverter decoder;
  if (codeSet.empty() || !decoder.open("UTF-32LE", codeSet.c_str())) return false;
  std::vector<unsigned char> wide(static_cast<size_t>(length) * 4 + 4);
  const CodePageConverter::Result r = decoder.convert(reinterpret_cast<const unsigned char*>(text),
                                                      static_cast<size_t>(length), wide.data(), wide.size(), -1);
  if (r.failed || r.outOfRoom || r.consumed != static_cast<size_t>(length)) return false;
  for (size_t i = 0; i + 4 <= r.written; i += 4)
    out->push_back(static_cast<char32_t>(wide[i] | wide[i + 1] << 8 | wide[i + 2] << 16 |
                                         static_cast<uint32_t>(wide[i + 3]) << 24));
  return true;
}

size_t KeyTextToSessionCodes(const std::u32string& text, bool euroSession, std::string* codes) {
  constexpr char32_t kEuroSign = 0x20AC;
  codes->clear();
  size_t taken = 0;
  for (char32_t c : text) {
    if (euroSession && c == kEuroSign)
      codes->push_back(static_cast<char>(0xA4));
    else if (c <= 0xFF && !(euroSession && c == 0xA4))
      codes->push_back(static_cast<char>(c));
    else
      break;
    ++taken;
  }
  return taken;
}

size_t KeyTextToCodeSet(const std::u32string& text, const std::string& codeSet, std::string* codes) {
  codes->clear();
  CodePageConverter encoder;
  if (codeSet.empty() || !encoder.open(codeSet.c_str(), "UTF-32LE")) return 0;
  size_t taken = 0;
  for (char32_t c : text) {
    const unsigned char in[4] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                                 static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 24)};
    unsigned char out[8];
    const CodePageConverter::Result r = encoder.convert(in, sizeof in, out, sizeof out, -1);
    if (r.failed || r.outOfRoom || r.written != 1) break;
    codes->push_back(static_cast<char>(out[0]));
    ++taken;
  }
  return taken;
}
