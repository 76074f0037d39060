#pragma once
// The Thai fonts of a Thai session, in pairs of one cell size: the separate
// font (every character in its own column, a mark drawn over the column
// before it) and the composing font (a mark drawn inside the cell it is
// painted in, so that it can be put into its consonant's cell).
#include <cstddef>
#include <string>

namespace thai {

struct FontPair {
  const char* separate;
  const char* composing;
};

// The pairs, smallest cell first (Debian's xfonts-thai).
const FontPair* FontPairs(size_t* count);

// The pair whose composing font (or separate font) is named `name`, -1 when
// none is.
int PairNamed(const std::string& name, bool composing);

// The pair to show text of cells `cellWidth` wide in: the widest pair whose
// cell is not wider, else the narrowest. `widths` holds each usable pair's
// cell width in order (0 for a pair that could not be loaded); -1 when no
// pair is usable.
int PairForCellWidth(const int* widths, size_t count, int cellWidth);

}  // namespace thai
