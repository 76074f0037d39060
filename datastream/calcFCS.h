#pragma once
// The 16-bit frame check sequence that closes a save/restore stream: the
// reflected CRC-16 of RFC 1662 (polynomial 0x8408, initial value 0xFFFF).
// The stream carries the one's complement of the result, low byte first;
// run over the data and those two bytes the computation gives kFcsGood.

#include <cstddef>

constexpr unsigned short kFcsInitial = 0xFFFF;
constexpr unsigned short kFcsGood = 0xF0B8;

// Continues `fcs` over n bytes.
unsigned short fcs16Update(unsigned short fcs, const unsigned char* data, std::size_t n);

// The FCS of the bytes first through last inclusive, from kFcsInitial;
// kFcsInitial when first lies after last.
unsigned short calcFCS(const unsigned char* first, const unsigned char* last);
