// The display words and characters that the window is handed, checked
// against a plain position-by-position model of the rules on screens of
// random planes: sparse and dense field attributes, extended attributes in
// some, all or none of the three planes, rebuilds of random ranges over
// words that are partly up to date already.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "xfront/DisplayAttributes.h"

namespace {

using namespace display_attribute;

// The rules one position at a time: what the rebuild must store and where
// it must stop.
int ModelRebuild(const ShadowPlanes& s, int start, int end) {
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
    if (colour != 0x80 && colour != 0x81) word = static_cast<unsigned short>((word & ~0x1F) | ColorNumberOf(colour));
    const bool changed = s.attributes[p] != word;
    s.attributes[p] = word;
    if (p >= end && !changed && !(p == end && endIsAttribute)) {
      ++p;
      break;
    }
  }
  return p;
}

struct Planes {
  explicit Planes(int n) : ps(n), primary(n), secondary(n), colour(n), attributes(n) {}
  ShadowPlanes view() {
    return {ps.data(), primary.data(), secondary.data(), colour.data(), attributes.data(), static_cast<int>(ps.size())};
  }
  std::vector<unsigned char> ps, primary, secondary, colour;
  std::vector<unsigned short> attributes;
};

TEST(DisplayAttributesTest, RebuildMatchesThePositionByPositionRules) {
  struct Case {
    const char* name;
    int size;
    int attributeEvery;     // a field attribute about every n positions
    int extendedEvery[3];   // an extended attribute about every n positions (0: never)
  } cases[] = {
      {"24 x 80, field attributes only", 1920 + 80, 20, {0, 0, 0}},
      {"27 x 132, colour plane", 3564 + 132, 12, {0, 0, 40}},
      {"all three planes, sparse", 1920 + 80, 60, {150, 90, 70}},
      {"all three planes, dense", 1920 + 80, 5, {6, 7, 3}},
      {"no field attribute", 1920 + 80, 0, {0, 200, 0}},
  };
  std::mt19937 random(5250);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int round = 0; round < 40; ++round) {
      Planes fast(c.size);
      auto one = [&](int every) { return every > 0 && static_cast<int>(random() % every) == 0; };
      for (int p = 0; p < c.size; ++p) {
        fast.ps[p] = one(c.attributeEvery) ? static_cast<unsigned char>(0x20 + random() % 0x20)
                                           : static_cast<unsigned char>(0x40 + random() % 0xC0);
        std::vector<unsigned char>* ext[3] = {&fast.primary, &fast.secondary, &fast.colour};
        for (int e = 0; e < 3; ++e)
          (*ext[e])[p] = one(c.extendedEvery[e]) ? static_cast<unsigned char>(0x80 + random() % 0x20) : 0;
      }
      Planes model = fast;
      // Words partly up to date: the rebuild's stop depends on them.
      ModelRebuild(model.view(), 0, c.size - 1);
      fast.attributes = model.attributes;
      for (int k = 0; k < 8; ++k) {
        const int p = static_cast<int>(random() % c.size);
        const unsigned char v = static_cast<unsigned char>(random() % 2 ? 0x20 + random() % 0x20 : 0xC1);
        fast.ps[p] = model.ps[p] = v;
        if (c.extendedEvery[2]) fast.colour[p] = model.colour[p] = static_cast<unsigned char>(0x80 + random() % 16);
      }
      const int start = static_cast<int>(random() % c.size) - 2;
      const int end = start + static_cast<int>(random() % 300) - 20;
      SCOPED_TRACE("range " + std::to_string(start) + " to " + std::to_string(end));
      EXPECT_EQ(RebuildDisplayAttributes(fast.view(), start, end), ModelRebuild(model.view(), start, end));
      ASSERT_EQ(fast.attributes, model.attributes);
    }
  }
}

// The CP037 code of a few punctuation characters.
unsigned char Cp037Of(char c) {
  switch (c) {
    case '.': return 0x4B;
    case ':': return 0x7A;
    case '-': return 0x60;
    case '/': return 0x61;
    default: return 0x40;
  }
}

TEST(DisplayAttributesTest, CharactersBlankTheFieldAttributesDrawSymbolsAsFallbacksAndTranslateTheRest) {
  unsigned char table[256];
  for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(255 - i);
  std::vector<unsigned char> ps(300), characters(300, 0x55);
  for (int i = 0; i < 300; ++i) ps[i] = static_cast<unsigned char>(i);
  RebuildDisplayCharacters(ps.data(), table, characters.data(), 10, 280);
  for (int p = 0; p < 300; ++p) {
    SCOPED_TRACE(p);
    if (p < 10 || p >= 290)
      EXPECT_EQ(characters[p], 0x55);  // outside the range: untouched
    else if (IsFieldAttribute(ps[p]))
      EXPECT_EQ(characters[p], 0x20);
    else if (SymbolFallback(ps[p]))
      EXPECT_EQ(characters[p], table[SymbolFallback(ps[p])]);
    else
      EXPECT_EQ(characters[p], table[ps[p]]);
  }
  // Window corners and sides, the separator, radio buttons and check boxes
  // look like a character display's.
  const struct {
    unsigned char symbol;
    char shown;
  } symbols[] = {{0x0C, '.'}, {0x12, ':'}, {0x13, '-'}, {0x16, '.'}, {0x17, '/'}, {0x15, '/'}, {0x14, ' '}};
  for (const auto& sym : symbols) {
    SCOPED_TRACE(int(sym.symbol));
    EXPECT_EQ(characters[sym.symbol], table[Cp037Of(sym.shown)]);  // ps[p] is p
  }
  EXPECT_EQ(SymbolFallback(0x1C), 0) << "Dup keeps its own character";
  // The table itself is not changed.
  EXPECT_EQ(table[0x20], 255 - 0x20);
}

}  // namespace
