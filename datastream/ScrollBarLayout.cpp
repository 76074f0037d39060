#include "datastream/ScrollBarLayout.h"

#include "datastream/Addresses.h"
#include "datastream/DsmSense.h"
#include "display/DisplayBag.h"
#include "display/ScrollBarField.h"

namespace {
constexpr uint32_t kColourAttributes = 0x10000000u;
constexpr uint32_t kGuiDisplay = 0x00400000u;
constexpr unsigned char kEndingAttribute = 0x20;
constexpr uint32_t kIndicatorsMaxLength = 11;

bool IsAttribute(unsigned char a) { return a >= 0x20 && a <= 0x3F; }
}  // namespace

uint32_t LoadScrollBarIndicators(uint32_t word0, const unsigned char* m, uint32_t n, ScrollBarLook& look) {
  if (n > kIndicatorsMaxLength) return dsm_sense::kBadLength;
  if (!(m[2] & 0x80) && (word0 & kGuiDisplay)) return 0;
  unsigned char v[8] = {};
  for (uint32_t i = 3; i < n; ++i) v[i - 3] = m[i];
  const bool colour = (word0 & kColourAttributes) != 0;
  const unsigned char arrow = colour ? v[1] : v[0], shaft = colour ? v[3] : v[2];
  if (IsAttribute(arrow)) look.arrowAttribute = arrow;
  if (IsAttribute(shaft)) look.shaftAttribute = shaft;
  if (v[4]) look.firstArrow = v[4];
  if (v[5]) look.secondArrow = v[5];
  if (v[6]) look.shaft = v[6];
  if (v[7]) look.slider = v[7];
  return 0;
}

ScrollBarLook DefaultScrollBarLook(uint32_t word0, bool vertical) {
  if (word0 & kGuiDisplay)
    return {0x22, 0x22, static_cast<unsigned char>(vertical ? 0x01 : 0x03),
            static_cast<unsigned char>(vertical ? 0x02 : 0x05), static_cast<unsigned char>(vertical ? 0x1A : 0x1B),
            static_cast<unsigned char>(vertical ? 0x19 : 0x1D)};
  const unsigned char a = (word0 & kColourAttributes) ? 0x23 : 0x21;
  return {a, a, static_cast<unsigned char>(vertical ? 0xC1 : 0x4C), static_cast<unsigned char>(vertical ? 0xE5 : 0x6E),
          static_cast<unsigned char>(vertical ? 0x7A : 0x60), 0x5C};
}

void PaintScrollBar(DisplayBag* d, Addresses& addresses, ScrollBarField* bar, const ScrollBarLook& look,
                    bool vertical, bool arrows) {
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const unsigned int cells = bar->barSize();
  const unsigned int step = vertical ? d->columns() : 1;
  const unsigned int first = bar->getStartOffset();
  // The ending attribute after the bar, unless a window's border is there.
  const auto ending = [&](unsigned int at) {
    if (!addresses.checkFieldEnd(at)) ps.writeCharacter(at, kEndingAttribute);
  };
  if (vertical) {
    for (unsigned int i = 0; i < cells; ++i) {
      const bool arrow = arrows && (i == 0 || i + 1 == cells);
      ps.writeCharacter(first + i * step - 1, arrow ? look.arrowAttribute : look.shaftAttribute);
      ending(first + i * step + 1);
    }
  } else {
    ps.writeCharacter(first - 1, look.arrowAttribute);
    ending(first + cells);
  }
  const unsigned int shaftFirst = arrows ? 1 : 0;
  const unsigned int shaftCells = arrows ? cells - 2 : cells;
  const unsigned int sliderFirst = bar->sliderOffset() - shaftFirst;
  for (unsigned int i = 0; i < shaftCells; ++i) {
    const bool slider = i >= sliderFirst && i < sliderFirst + bar->sliderSize();
    ps.writeCharacter(first + (shaftFirst + i) * step, slider ? look.slider : look.shaft);
  }
  if (arrows) {
    ps.writeCharacter(first, look.firstArrow);
    ps.writeCharacter(first + (cells - 1) * step, look.secondArrow);
  }
}
