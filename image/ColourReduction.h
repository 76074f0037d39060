#pragma once
// Reduction of 24-bit pictures to the colours a screen can show: a median
// cut over a 5-6-5 bit histogram with error-limited Floyd-Steinberg
// dithering (for screens with a colour map), and packing into 5-6-5 pixels.
// Source pixels are red, green, blue bytes, rows `bytesPerLine` apart.
#include <cstdint>

namespace colour_reduction {

// The dithering error actually carried for an error e (-255 to 255):
// small errors in full, larger ones damped, at most 32 either way.
int LimitError(int e);

// Reduces the picture to at most `colours` (1 to 256) colours: one index
// byte per pixel in `out` (width x height, rows width apart) and the map in
// red, green and blue (256 entries each; unused entries black). *used gets
// the number of colours chosen. 0, or 1 when the work space cannot be had
// (out is then untouched).
int Convert24to8Slow(const uint8_t* pixels, unsigned int width, unsigned int height, unsigned int bytesPerLine,
                     uint8_t* out, uint8_t* red, uint8_t* green, uint8_t* blue, unsigned int colours,
                     unsigned int* used = nullptr);

// Packs each pixel into two bytes, red 5, green 6, blue 5 bits, most
// significant byte first (rows 2 x width apart). The tables get the
// widened 5- and 6-bit levels of red and green; blue entries are 0.
void Convert24to16(const uint8_t* pixels, unsigned int width, unsigned int height, unsigned int bytesPerLine,
                   uint8_t* out, uint8_t* red, uint8_t* green, uint8_t* blue);

}  // namespace colour_reduction
