#include "datastream/WINTITLE.h"

#include "datastream/WINBDR.h"
#include "display/DisplayBag.h"

void WINTITLE::load(const DisplayBag* d, const unsigned char* minor, uint32_t length) {
  Text t;
  t.flags = minor[2];
  const unsigned char a = WINBDR::colourDisplay(d) ? minor[4] : minor[3];
  t.attribute = a >= 0x20 && a <= 0x3F ? a : 0;
  t.text = minor + kTextOffset;
  t.length = length - kTextOffset;
  (t.flags & kFooter ? footer_ : title_) = t;
}

void WINTITLE::showText(DisplayBag* d, const Text& t, uint32_t at, uint32_t width) {
  if (!t.text) return;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const bool attribute = t.attribute != 0;
  const uint32_t room = attribute ? width : width + 2;
  const uint32_t n = t.length < room ? t.length : room;
  uint32_t offset = 0;
  switch (t.flags & kPlacement) {
    case kRight: {
      const uint32_t cut = t.length < width ? t.length : width;
      offset = width - cut + (attribute ? 0 : 1);
      break;
    }
    case kLeft:
      offset = attribute ? 0 : 1;
      break;
    default:
      offset = (room - n) / 2;
      break;
  }
  const uint32_t start = at + offset;
  uint32_t length = (t.flags & kPlacement) == kRight || (t.flags & kPlacement) == kLeft
                        ? (t.length < width ? t.length : width)
                        : n;
  // Never beyond the border row: the text, with its attribute and the
  // character after it, stays left of the right corner.
  const uint32_t last = at + width + 1;
  if (attribute) {
    if (start + length + 1 > last) length = start + 1 > last ? 0 : last - start - 1;
    const unsigned char resume = ps.getCharacter(start - 2);
    ps.writeCharacter(start, t.attribute);
    if (length) ps.writeData(t.text, length, start + 1);
    if (start + length + 1 <= last) ps.writeCharacter(start + length + 1, resume);
  } else {
    if (start + length > last + 1) length = start > last ? 0 : last + 1 - start;
    if (length) ps.writeData(t.text, length, start);
  }
}

void WINTITLE::show(DisplayBag* d, uint32_t start, uint32_t depth, uint32_t width,
                    bool suppressTitle) const {
  if (!suppressTitle) showText(d, title_, start + 2, width);
  showText(d, footer_, start + (depth + 1) * d->columns() + 2, width);
}
