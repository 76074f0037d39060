// Building card records in tests: tagged values as the card's record holds
// them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "login/record/Tlv.h"

namespace qwtest {

using TlvBytes = std::vector<uint8_t>;

// Appends the tag and its value to *b.
inline void PutTlv(TlvBytes* b, uint32_t tag, const TlvBytes& value) {
  uint8_t buf[4096];
  uint8_t* c = buf;
  size_t room = sizeof buf;
  TlvPutLong(&c, &room, tag);
  TlvPutBytes(&c, &room, value.data(), value.size());
  b->insert(b->end(), buf, c);
}
inline TlvBytes TlvText(const std::string& s) { return TlvBytes(s.begin(), s.end()); }
inline TlvBytes TlvLong(uint32_t v) {
  return TlvBytes{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

}  // namespace qwtest
