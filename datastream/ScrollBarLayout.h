#pragma once
// What a scroll bar looks like and where its slider stands: shared by the
// scroll-bar definition and the selection fields that scroll.
#include <cstdint>

class Addresses;
class DisplayBag;
class ScrollBarField;

struct ScrollBarLook {
  unsigned char arrowAttribute, shaftAttribute;
  unsigned char firstArrow, secondArrow, shaft, slider;
};

// The look of a vertical or horizontal bar on this kind of display.
ScrollBarLook DefaultScrollBarLook(uint32_t characteristicsWord0, bool vertical);
// A scroll-bar indicators minor structure (0x03) of `n` bytes at `m`
// (length, type, flags, then up to eight values): the monochrome and colour
// attributes of the arrows and of the shaft, the two arrows and the shaft and
// slider characters replace the look's where given. A GUI display keeps its
// own look unless the flags' top bit is set. 0, or the sense code of a minor
// that is too long.
uint32_t LoadScrollBarIndicators(uint32_t characteristicsWord0, const unsigned char* m, uint32_t n,
                                 ScrollBarLook& look);
// Whether a bar of `size` positions has arrow cells at its ends.
inline bool ScrollBarHasArrows(bool vertical, unsigned int size) { return vertical ? size > 4 : true; }
// Writes the bar's attributes, arrows, shaft and slider into the
// presentation space.
void PaintScrollBar(DisplayBag* d, Addresses& addresses, ScrollBarField* bar, const ScrollBarLook& look,
                    bool vertical, bool arrows);
