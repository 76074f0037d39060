#pragma once
// The window position and size that a session starts with: the X geometry
// string as given ("-geometry" or the start-session dialog) and the values
// parsed from it. Copied byte for byte into the hand-off block, so its layout
// is fixed: 40 bytes, 16-bit values in host order.
#include <cstddef>
#include <cstdint>

struct Geometry {
  char geometryString[25];  // up to 24 characters and a terminator; "" = none
  char xGiven;              // 1 when the geometry gave x
  char yGiven;
  char widthGiven;
  char heightGiven;
  char fontGiven;           // 1 when fontIndex names the font to use
  int16_t x;
  int16_t y;
  uint16_t width;
  uint16_t height;
  int16_t fontIndex;
};

// Longest geometry string that fits.
constexpr size_t kMaxGeometryStringLength = sizeof(Geometry::geometryString) - 1;

static_assert(sizeof(Geometry) == 40, "Geometry travels in a 40-byte field");
static_assert(offsetof(Geometry, xGiven) == 25, "flags follow the string");
static_assert(offsetof(Geometry, fontGiven) == 29, "font flag after the four flags");
static_assert(offsetof(Geometry, x) == 30, "16-bit values follow the flags");
static_assert(offsetof(Geometry, fontIndex) == 38, "font index last");
