#include "xfront/XuFormat.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// The argument kinds a format consumes, one code per argument, or false when
// the format is not one the program can use safely.
bool ArgumentKinds(const char* f, std::vector<std::string>* kinds) {
  kinds->clear();
  if (!f) return false;
  for (const char* p = f; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    // Flags.
    while (*p && std::strchr("-+ #0'", *p)) ++p;
    // Width.
    if (*p == '*') {
      kinds->push_back("i");
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') ++p;
      if (*p == '$') return false;  // positional arguments
    }
    // Precision.
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        kinds->push_back("i");
        ++p;
      } else {
        while (*p >= '0' && *p <= '9') ++p;
      }
    }
    // Length modifier.
    std::string length;
    while (*p && std::strchr("hlLqjzt", *p)) length += *p++;
    if (length.size() > 2) return false;
    switch (*p) {
      case 'd': case 'i':
        kinds->push_back("i" + length);
        break;
      case 'u': case 'o': case 'x': case 'X':
        // Signed and unsigned of one size take the same argument.
        kinds->push_back("i" + length);
        break;
      case 'c':
        if (!length.empty()) return false;
        kinds->push_back("i");
        break;
      case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
        if (!length.empty() && length != "l" && length != "L") return false;
        kinds->push_back(length == "L" ? "ld" : "d");
        break;
      case 's':
        if (!length.empty()) return false;
        kinds->push_back("s");
        break;
      case 'p':
        if (!length.empty()) return false;
        kinds->push_back("p");
        break;
      default:  // 'n', a missing conversion at the end, anything unknown
        return false;
    }
    if (!*p) break;
  }
  return true;
}

}  // namespace

bool XuFormatFitsArguments(const char* candidate, const char* trusted) {
  std::vector<std::string> want, have;
  if (!ArgumentKinds(trusted, &want) || !ArgumentKinds(candidate, &have)) return false;
  if (have.size() > want.size()) return false;
  for (size_t i = 0; i < have.size(); ++i)
    if (have[i] != want[i]) return false;
  return true;
}
