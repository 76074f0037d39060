#pragma once
// The description of a decoded image: what the image window draws from.
// Rows are stored top to bottom, `bytesPerLine` apart; 1-bit pixels are
// packed eight to a byte, the leftmost in the most significant bit.
#include <cstdint>

constexpr uint32_t kImageBilevel = 0x5031;    // "P1"
constexpr uint32_t kImageGreyscale = 0x5032;  // "P2"
constexpr uint32_t kImageColour = 0x5033;     // "P3"

// The widest image that is shown, in pixels.
constexpr uint32_t kImageMaxWidth = 4096;

struct image_data {
  uint32_t type = kImageBilevel;
  uint32_t bitsPerPixel = 0;  // 1, 8, 16 or 24
  uint32_t bytesPerLine = 0;
  uint32_t size = 0;          // bytesPerLine x height, set after decoding
  uint16_t width = 0;
  uint16_t height = 0;
};
