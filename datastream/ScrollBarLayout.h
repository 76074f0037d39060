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
// Whether a bar of `size` positions has arrow cells at its ends.
inline bool ScrollBarHasArrows(bool vertical, unsigned int size) { return vertical ? size > 4 : true; }
// Writes the bar's attributes, arrows, shaft and slider into the
// presentation space.
void PaintScrollBar(DisplayBag* d, Addresses& addresses, ScrollBarField* bar, const ScrollBarLook& look,
                    bool vertical, bool arrows);
