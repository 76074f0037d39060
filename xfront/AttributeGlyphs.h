#pragma once
// The glyphs of field attribute bytes in the extended display: the
// attribute's two hex digits over a bar, as X bitmap data (bits of a row
// from the least significant, rows padded to whole bytes). Two sizes: 9 x 15
// for cells wider than 8 pixels, else 6 x 13. No X here.
#include <vector>

struct AttributeGlyph {
  int width = 0, height = 0;
  std::vector<unsigned char> bits;  // height rows of (width + 7) / 8 bytes
};

// The glyph of attribute byte 0x20 + index (index 0-31); `large` selects 9 x 15.
AttributeGlyph MakeAttributeGlyph(int index, bool large);
