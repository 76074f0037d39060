#pragma once
// Display characters and display attribute words of screen positions, worked
// out from the shadow planes of a session: the presentation space (host
// characters with field attributes in place) and the primary, secondary and
// colour extended-attribute planes. No X here: the window paints the result.

// The display attribute word of a position (16 bits).
namespace display_attribute {
constexpr unsigned short kColorMask = 0x000F;      // colour number
constexpr unsigned short kEntryHighlight = 0x0010;  // set by the window only
constexpr unsigned short kBlink = 0x0020;
constexpr unsigned short kReverse = 0x0040;
constexpr unsigned short kUnderline = 0x0080;
constexpr unsigned short kColumnSeparators = 0x0100;
constexpr unsigned short kNonDisplay = 0x4000;
// Colour numbers.
constexpr unsigned short kBlue = 9, kRed = 10, kPink = 11, kGreen = 12, kTurquoise = 13, kYellow = 14,
                         kWhite = 15;
}  // namespace display_attribute

// The value of an extended-attribute plane that means "nothing in force".
constexpr unsigned char kNoExtendedAttribute = 0x80;

inline bool IsFieldAttribute(unsigned char byte) { return byte >= 0x20 && byte <= 0x3F; }

// The display word of a field attribute (index = attribute & 0x1F).
unsigned short FieldAttributeDisplayWord(unsigned char attribute);
// The display word of a primary extended attribute (index = value & 0x1F).
unsigned short PrimaryDisplayWord(unsigned char primary);
// The colour number of a colour extended attribute (index = value & 0x0F).
unsigned short ColorNumberOf(unsigned char colour);

// The shadow planes that the attribute rebuild reads and writes. All arrays
// hold at least `size` entries.
struct ShadowPlanes {
  const unsigned char* presentationSpace;
  const unsigned char* primary;
  const unsigned char* secondary;
  const unsigned char* colour;
  unsigned short* attributes;
  int size;  // screen size of the planes
};

// The field attribute in force at a position: scanning back, the first
// attribute byte; 0x20 when there is none or the position is negative.
unsigned char WorkingFieldAttribute(const unsigned char* presentationSpace, int position);
// The extended attribute in force at a position: the first non-zero byte at
// or before it; kNoExtendedAttribute when there is none.
unsigned char WorkingExtendedAttribute(const unsigned char* plane, int position);

// Rebuilds the display attribute words from `start`; goes on past `end`
// while a stored word changes (and one position further when `end` holds a
// field attribute), never past the planes' size. Returns one past the last
// position processed (start when start is outside the planes).
int RebuildDisplayAttributes(const ShadowPlanes& planes, int start, int end);

// The host character that stands for a graphic symbol (window borders,
// choice indicators, menu-bar separators, scroll bars) the font cannot
// draw, or 0 for any other byte.
unsigned char SymbolFallback(unsigned char symbol);

// Display characters of a range: attribute bytes become blanks, graphic
// symbols their fallback characters, everything else goes through the
// session's host-to-display table.
void RebuildDisplayCharacters(const unsigned char* presentationSpace, const unsigned char table[256],
                              unsigned char* characters, int start, int count);
