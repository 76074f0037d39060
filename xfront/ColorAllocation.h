#pragma once
// Colours of the session window: the built-in default scheme, and turning a
// colour name into a pixel on displays with few colours (a direct RGB565
// pixel at depth 16, the nearest colormap cell when no cell is left).
#include <X11/Xlib.h>

#include <cstddef>

constexpr int kSessionColorCount = 22;

// The default ("black") colour scheme, index 0 first, as X colour specs.
const char* const* DefaultColorScheme();

// The RGB565 pixel of 16-bit colour components.
unsigned long ComposeRgb565(unsigned short red, unsigned short green, unsigned short blue);

// The index of the cell nearest to `wanted` (sum of the absolute differences
// of the high 8 bits of each component) among cells whose flags equal the
// wanted flags; the first on ties; the search stops at the first distance
// below 26. -1 when no cell qualifies.
int BestFitCell(const XColor& wanted, const XColor* cells, size_t count);

// Allocates a read-only cell (or composes the pixel at depth 16 on an
// RGB565 visual); false when the colormap is full.
bool MyAllocColor(Display* display, Colormap colormap, int screen, XColor* color);
// Replaces `color` by the nearest of the colormap's first 256 cells.
void findBestFitColor(XColor* color, Display* display, int screen);
// The pixel of a colour name; `failed` is set when a substitute was taken.
// An unparsable name logs and yields pixel 0.
unsigned long AllocateColor(const char* name, Colormap colormap, Display* display, int screen, bool* failed);
