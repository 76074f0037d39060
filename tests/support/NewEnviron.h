#pragma once
// Reading the variables of a Telnet NEW-ENVIRON IS subnegotiation (RFC 1572)
// on the host side. Header only and without a test framework: the demo host
// and the tests' loopback host both use it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace new_environ {

// One RFC 1572 name or value: up to VAR, VALUE or USERVAR; ESC takes the
// next byte as it is.
inline std::string Text(const std::vector<uint8_t>& s, size_t& i) {
  std::string out;
  while (i < s.size() && s[i] != 0 && s[i] != 1 && s[i] != 3) {
    if (s[i] == 2 && i + 1 < s.size()) ++i;
    out += static_cast<char>(s[i++]);
  }
  return out;
}

// Hands each VAR or USERVAR of the subnegotiation `sub` (option byte, IS,
// then the variables from offset 2) to take(name, value), in order; a
// variable without VALUE has an empty value.
template <typename Take>
void ForEachVariable(const std::vector<uint8_t>& sub, Take&& take) {
  size_t i = 2;
  while (i < sub.size()) {
    if (sub[i] != 0 && sub[i] != 3) {
      ++i;
      continue;
    }
    ++i;
    std::string name = Text(sub, i);
    std::string value;
    if (i < sub.size() && sub[i] == 1) {
      ++i;
      value = Text(sub, i);
    }
    take(name, value);
  }
}

}  // namespace new_environ
