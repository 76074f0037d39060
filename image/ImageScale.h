#pragma once
// The geometry of a shown image: the scale chosen by an image control
// field's scale parameter, the shown size at a scale and rotation, and the
// two sampling maps that take a shown pixel to its source pixel (nearest
// neighbour, two table look-ups per pixel).
#include <cstdint>
#include <vector>

namespace image_scale {

constexpr unsigned int kMinScale = 3;
constexpr unsigned int kMaxScale = 400;

// The scale in percent for `parameter`: 3-400 as given; 0xFFFF the current
// scale; 0xFFFE fit the visible area; 0xFFFD fit its width; 0xFFD1-0xFFD9
// zoom in and 0xFFE1-0xFFE9 zoom out by steps; anything else 100.
unsigned int CalculateScale(unsigned int parameter, unsigned int current, unsigned int visibleWidth,
                            unsigned int visibleHeight, unsigned int imageWidth, unsigned int imageHeight);

struct Size {
  unsigned int width = 0, height = 0;
};

// The shown size of an image at `scale` percent and `rotation` (0, 90, 180
// or 270 degrees clockwise); never 0 in either direction.
Size ShownSize(unsigned int imageWidth, unsigned int imageHeight, unsigned int scale, unsigned int rotation);

// Shown pixel (x, y) comes from source pixel
//   (columnMap[x], rowMap[y])  when !swapped  (rotation 0 and 180),
//   (rowMap[y], columnMap[x])  when swapped   (rotation 90 and 270),
// every entry within the source image.
class SamplingMaps {
 public:
  void setup(unsigned int imageWidth, unsigned int imageHeight, unsigned int scale, unsigned int rotation);
  bool swapped() const { return swapped_; }
  const std::vector<uint16_t>& columnMap() const { return columns_; }
  const std::vector<uint16_t>& rowMap() const { return rows_; }
  const Size& shown() const { return shown_; }
  unsigned int scale() const { return scale_; }
  unsigned int rotation() const { return rotation_; }
  // The source pixel of shown pixel (x, y).
  void source(unsigned int x, unsigned int y, unsigned int* sx, unsigned int* sy) const {
    if (swapped_) {
      *sx = rows_[y];
      *sy = columns_[x];
    } else {
      *sx = columns_[x];
      *sy = rows_[y];
    }
  }

 private:
  std::vector<uint16_t> columns_, rows_;
  Size shown_;
  unsigned int scale_ = 100, rotation_ = 0;
  bool swapped_ = false;
};

}  // namespace image_scale
