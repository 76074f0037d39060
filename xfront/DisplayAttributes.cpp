#include "xfront/DisplayAttributes.h"

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

int RebuildDisplayAttributes(const ShadowPlanes& s, int start, int end) {
  if (start < 0) start = 0;
  if (start >= s.size) return start;
  unsigned char colour = WorkingExtendedAttribute(s.colour, start - 1);
  unsigned char primary = WorkingExtendedAttribute(s.primary, start - 1);
  unsigned char secondary = WorkingExtendedAttribute(s.secondary, start - 1);
  unsigned char field = WorkingFieldAttribute(s.presentationSpace, start - 1);
  const bool endIsAttribute = end >= 0 && end < s.size && IsFieldAttribute(s.presentationSpace[end]);
  int p = start;
  for (; p < s.size; ++p) {
    if (s.primary[p]) primary = s.primary[p];
    if (s.secondary[p]) secondary = s.secondary[p];
    if (s.colour[p]) colour = s.colour[p];
    const bool attributeHere = IsFieldAttribute(s.presentationSpace[p]);
    if (attributeHere) field = s.presentationSpace[p];

    unsigned short word;
    if (primary == kNoExtendedAttribute) {
      word = attributeHere ? kNonDisplay : FieldAttributeDisplayWord(field);
      if (!attributeHere && (secondary & 0x04)) word |= kUnderline;
    } else {
      word = PrimaryDisplayWord(primary);
      if (secondary & 0x04) word |= kUnderline;
    }
    if (colour != 0x80 && colour != 0x81)
      word = static_cast<unsigned short>((word & ~0x1F) | ColorNumberOf(colour));

    const bool changed = s.attributes[p] != word;
    s.attributes[p] = word;
    if (p >= end && !changed && !(p == end && endIsAttribute)) {
      ++p;
      break;
    }
  }
  return p;
}

void RebuildDisplayCharacters(const unsigned char* ps, const unsigned char table[256], unsigned char* characters,
                              int start, int count) {
  for (int p = start; p < start + count; ++p) characters[p] = IsFieldAttribute(ps[p]) ? 0x20 : table[ps[p]];
}
