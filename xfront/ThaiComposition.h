#pragma once
// Thai text composed into cells: tone marks and upper and lower vowels are
// drawn in the cell of the consonant before them, so the text after them
// moves left; nulls, field attributes, the end-of-field character and runs
// of blanks put the following text back in its own columns. Works on the
// host's EBCDIC bytes of a row.

namespace thai {

// Character classes of the Thai host code page.
enum Class : unsigned char {
  kTone = 1, kUpperVowel = 2, kBase = 3, kLowerVowel = 4, kBase2 = 5, kSpacing6 = 6, kSpacing7 = 7,
  kSpacing8 = 8, kSpacing = 9,
};
unsigned int ClassOf(unsigned char ebcdic);

// Flags of a composed position.
enum : unsigned char {
  kJoinsTone = 0x01, kJoinsUpper = 0x02, kJoinsLower = 0x04, kRealigned = 0x08, kFirstEndOfField = 0x10,
  kJoined = 0x40, kEndOfField = 0x80,
};

struct Options {
  bool spaceAlign = true;
  bool endOfFieldAlign = true;
  int spaceCount = 3;
  unsigned char endOfFieldChar = 0xEA;
};

// The position of the field attribute before (backwards) or after
// `position` on its row, or the row's first (last) position when there is
// none.
int FindFieldAttributeLocation(const unsigned char* ebcdic, int columns, int cells, int position, bool backwards);

// Composes positions [from, to]: each gets the number of earlier positions
// drawn into earlier cells (it is drawn in the cell `position - absorbed`)
// and its flags, in absorbed[position - from] and flags[position - from].
void ComposeInfo(const unsigned char* ebcdic, int from, int to, const Options& options, unsigned char* absorbed,
                 unsigned char* flags);

// The cell in which the character at `position` is drawn, composed within
// its field on its row.
int CellOf(const unsigned char* ebcdic, int columns, int cells, int position, const Options& options);

// The position drawn first in screen cell `cell` of its row, within the
// field around it; with `adjust` the position moves on over the marks drawn
// into the same cell (at most two). -1 when no position is drawn there.
int MarkPos(const unsigned char* ebcdic, int columns, int cells, int cell, bool adjust, const Options& options);

}  // namespace thai
