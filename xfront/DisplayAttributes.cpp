#include "xfront/DisplayAttributes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

using namespace display_attribute;

// Index = field attribute & 0x1F.
constexpr unsigned short kFieldAttributeWords[32] = {
    0x000C, 0x004C, 0x000F, 0x004F, 0x008C, 0x00CC, 0x008F, 0x4000,  // 0x20-0x27
    0x000A, 0x004A, 0x002A, 0x006A, 0x008A, 0x00CA, 0x00AA, 0x4000,  // 0x28-0x2F
    0x010D, 0x014D, 0x010E, 0x014E, 0x018D, 0x01CD, 0x018E, 0x4000,  // 0x30-0x37
    0x000B, 0x004B, 0x0009, 0x0049, 0x008B, 0x00CB, 0x0089, 0x4000,  // 0x38-0x3F
};

// Index = colour & 0x0F.
constexpr unsigned char kColorNumbers[16] = {kGreen,     kGreen,     kBlue,   kBlue,   kGreen,  kGreen,
                                             kTurquoise, kTurquoise, kRed,    kRed,    kPink,   kPink,
                                             kYellow,    kYellow,    kWhite,  kWhite};

}  // namespace

unsigned short FieldAttributeDisplayWord(unsigned char attribute) { return kFieldAttributeWords[attribute & 0x1F]; }

unsigned short PrimaryDisplayWord(unsigned char primary) {
  const unsigned int i = primary & 0x1F;
  unsigned short word = (i & 0x02) ? kWhite : kGreen;
  if (i & 0x01) word |= kReverse;
  if (i & 0x04) word |= kUnderline;
  if (i & 0x08) word |= kBlink;
  if (i & 0x10) word |= kColumnSeparators;
  return word;
}

unsigned short ColorNumberOf(unsigned char colour) { return kColorNumbers[colour & 0x0F]; }

unsigned char WorkingFieldAttribute(const unsigned char* ps, int position) {
  for (int p = position; p >= 0; --p)
    if (IsFieldAttribute(ps[p])) return ps[p];
  return 0x20;
}

unsigned char WorkingExtendedAttribute(const unsigned char* plane, int position) {
  for (int p = position; p >= 0; --p)
    if (plane[p]) return plane[p];
  return kNoExtendedAttribute;
}

namespace {

// The attributes in force while the rebuild walks the planes, with the two
// display words they give: that of a field attribute position and that of
// any other position.
struct InForce {
  unsigned char field, primary, secondary, colour;
  unsigned short attributeWord, textWord;

  void words() {
    const unsigned short underline = (secondary & 0x04) ? kUnderline : 0;
    if (primary == kNoExtendedAttribute) {
      attributeWord = kNonDisplay;
      textWord = static_cast<unsigned short>(FieldAttributeDisplayWord(field) | underline);
    } else {
      attributeWord = textWord = static_cast<unsigned short>(PrimaryDisplayWord(primary) | underline);
    }
    if (colour != 0x80 && colour != 0x81) {
      const unsigned short number = ColorNumberOf(colour);
      attributeWord = static_cast<unsigned short>((attributeWord & ~0x1F) | number);
      textWord = static_cast<unsigned short>((textWord & ~0x1F) | number);
    }
  }
  // One position: takes what it sets and gives its word.
  unsigned short at(const ShadowPlanes& s, int p) {
    bool changed = false;
    if (const unsigned char v = s.primary[p]; v && v != primary) primary = v, changed = true;
    if (const unsigned char v = s.secondary[p]; v && v != secondary) secondary = v, changed = true;
    if (const unsigned char v = s.colour[p]; v && v != colour) colour = v, changed = true;
    const unsigned char c = s.presentationSpace[p];
    const bool attribute = IsFieldAttribute(c);
    if (attribute && c != field) field = c, changed = true;
    if (changed) words();
    return attribute ? attributeWord : textWord;
  }
  // A position where no extended plane sets anything.
  unsigned short plainAt(const ShadowPlanes& s, int p) {
    const unsigned char c = s.presentationSpace[p];
    if (!IsFieldAttribute(c)) return textWord;
    if (c != field) {
      field = c;
      words();
    }
    return attributeWord;
  }
};

// Whether none of the extended planes sets anything in [p, p + 8).
inline bool NoExtendedAttributes8(const ShadowPlanes& s, int p) {
  uint64_t a, b, c;
  std::memcpy(&a, s.primary + p, 8);
  std::memcpy(&b, s.secondary + p, 8);
  std::memcpy(&c, s.colour + p, 8);
  return (a | b | c) == 0;
}

}  // namespace

int RebuildDisplayAttributes(const ShadowPlanes& s, int start, int end) {
  if (start < 0) start = 0;
  if (start >= s.size) return start;
  InForce f{WorkingFieldAttribute(s.presentationSpace, start - 1), WorkingExtendedAttribute(s.primary, start - 1),
            WorkingExtendedAttribute(s.secondary, start - 1), WorkingExtendedAttribute(s.colour, start - 1), 0, 0};
  f.words();
  const bool endIsAttribute = end >= 0 && end < s.size && IsFieldAttribute(s.presentationSpace[end]);
  // Up to `end` every word is stored; most screens set no extended
  // attribute, so eight positions at a time are checked for that first.
  const int stored = std::min(std::max(end, start), s.size);
  int p = start;
  while (p < stored) {
    if (p + 8 <= stored && NoExtendedAttributes8(s, p)) {
      for (const int last = p + 8; p < last; ++p) s.attributes[p] = f.plainAt(s, p);
    } else {
      s.attributes[p] = f.at(s, p);
      ++p;
    }
  }
  // From `end` on, the walk stops after the first word that stays as it was
  // (not at `end` itself when it holds a field attribute).
  for (; p < s.size; ++p) {
    const unsigned short word = f.at(s, p);
    const bool changed = s.attributes[p] != word;
    s.attributes[p] = word;
    if (!changed && !(p == end && endIsAttribute)) {
      ++p;
      break;
    }
  }
  return p;
}

namespace {
// The graphic symbols of host windows, selection fields and scroll bars
// that have no glyph in a text font, and the characters a character
// display shows for them: scroll arrows, window corners and sides, the
// menu-bar separator, check boxes and radio buttons, scroll-bar shafts.
struct Fallback {
  unsigned char symbol, character;
};
constexpr Fallback kSymbolFallbacks[] = {
    {0x01, 0xC1}, {0x02, 0xE5}, {0x03, 0x4C}, {0x05, 0x6E},  // arrows
    {0x0A, 0x7A}, {0x0B, 0x4B}, {0x0C, 0x4B}, {0x0D, 0x7A},  // corners
    {0x12, 0x7A}, {0x13, 0x60},                              // side, top and separator
    {0x14, 0x40}, {0x15, 0x61}, {0x16, 0x4B}, {0x17, 0x61},  // check boxes, radio buttons
    {0x19, 0x5C}, {0x1A, 0x7A}, {0x1B, 0x60}, {0x1D, 0x5C},  // scroll-bar shafts and sliders
};
}  // namespace

unsigned char SymbolFallback(unsigned char symbol) {
  for (const Fallback& f : kSymbolFallbacks)
    if (f.symbol == symbol) return f.character;
  return 0;
}

void RebuildDisplayCharacters(const unsigned char* ps, const unsigned char table[256], unsigned char* characters,
                              int start, int count) {
  if (count <= 0) return;
  // One lookup per position: the table with the field attributes blanked
  // and the graphic symbols drawn as their fallback characters.
  unsigned char display[256];
  std::memcpy(display, table, sizeof display);
  std::memset(display + 0x20, 0x20, 0x20);
  for (const Fallback& f : kSymbolFallbacks) display[f.symbol] = table[f.character];
  for (int p = start; p < start + count; ++p) characters[p] = display[ps[p]];
}
