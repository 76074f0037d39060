#pragma once
// IOCA's mixed fax coding: the first row coded one-dimensionally (modified
// Huffman), every further row two-dimensionally against the row before
// (Group 4). libtiff decodes Group 4 only from a white reference row, so the
// first row is decoded on its own and coded again as a Group 4 row, and
// the rest of the data follows it: one Group 4 stream for the whole image.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fax_mixed {

// The Group 4 stream (most significant bit first) of `data` (most
// significant bit first, an EOL before the first row allowed); empty when
// the first row cannot be decoded. `width` pixels per row.
std::vector<uint8_t> ToGroup4(const uint8_t* data, size_t length, uint32_t width);

// Rows of one-bit pixels (a set bit black) coded by libtiff: compression 3
// (one-dimensional, an EOL before each row, no end-of-page mark) or 4 (with
// its end-of-block mark); the coded bits, most significant first.
std::vector<uint8_t> Encode(const uint8_t* rows, uint32_t width, uint32_t count, uint16_t compression);

// The bit position of the first EOL (eleven zeros and a one) at or after
// `from`, or -1.
long FindEol(const std::vector<uint8_t>& bits, size_t from);

// `bits` bits of `b` from bit `from` on, appended to `out` at bit `at`.
void AppendBits(std::vector<uint8_t>& out, size_t& at, const std::vector<uint8_t>& b, size_t from, size_t bits);

}  // namespace fax_mixed
