#include "xfront/AttributeGlyphs.h"

#include <cstddef>

namespace {

// Hex digits 3 pixels wide and 5 high, one row per entry, bit 2 leftmost.
constexpr unsigned char kDigits[16][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {2, 5, 7, 5, 5}, {6, 5, 6, 5, 6},
    {7, 4, 4, 4, 7}, {6, 5, 5, 5, 6}, {7, 4, 6, 4, 7}, {7, 4, 6, 4, 4}};

void Set(AttributeGlyph& g, int x, int y) {
  if (x < 0 || y < 0 || x >= g.width || y >= g.height) return;
  g.bits[static_cast<std::size_t>(y * ((g.width + 7) / 8) + x / 8)] |= static_cast<unsigned char>(1u << (x % 8));
}

// A digit at (x, y), each of its rows drawn twice (10 pixels high).
void Digit(AttributeGlyph& g, int digit, int x, int y) {
  for (int row = 0; row < 5; ++row)
    for (int column = 0; column < 3; ++column)
      if (kDigits[digit][row] & (4 >> column)) {
        Set(g, x + column, y + 2 * row);
        Set(g, x + column, y + 2 * row + 1);
      }
}

}  // namespace

AttributeGlyph MakeAttributeGlyph(int index, bool large) {
  AttributeGlyph g;
  g.width = large ? 9 : 6;
  g.height = large ? 15 : 13;
  g.bits.assign(static_cast<std::size_t>(g.height * ((g.width + 7) / 8)), 0);
  const int attribute = 0x20 + (index & 0x1F);
  const int gap = large ? 1 : 0;
  const int left = (g.width - 6 - gap) / 2;
  Digit(g, attribute >> 4, left, 1);
  Digit(g, attribute & 0x0F, left + 3 + gap, 1);
  for (int x = 0; x < g.width; ++x) Set(g, x, g.height - 2);
  return g;
}
