#include "datastream/calcFCS.h"

#include <array>

namespace {

// The 256-entry table of the reflected polynomial 0x8408, built as RFC 1662
// builds it.
constexpr std::array<unsigned short, 256> makeFcsTable() {
  std::array<unsigned short, 256> t{};
  for (unsigned b = 0; b < 256; ++b) {
    unsigned v = b;
    for (int i = 0; i < 8; ++i) v = (v & 1) ? (v >> 1) ^ 0x8408 : v >> 1;
    t[b] = static_cast<unsigned short>(v);
  }
  return t;
}

constexpr std::array<unsigned short, 256> kFcsTable = makeFcsTable();
static_assert(kFcsTable[1] == 0x1189 && kFcsTable[255] == 0x0F78, "RFC 1662 table");

}  // namespace

unsigned short fcs16Update(unsigned short fcs, const unsigned char* data, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) fcs = static_cast<unsigned short>((fcs >> 8) ^ kFcsTable[(fcs ^ data[i]) & 0xFF]);
  return fcs;
}

unsigned short calcFCS(const unsigned char* first, const unsigned char* last) {
  if (first == nullptr || last == nullptr || first > last) return kFcsInitial;
  return fcs16Update(kFcsInitial, first, static_cast<std::size_t>(last - first) + 1);
}
