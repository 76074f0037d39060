#include "image/ImageScale.h"

#include <algorithm>

#include "base/LogMsg.h"

namespace image_scale {

namespace {
unsigned int Clamp(long s) { return static_cast<unsigned int>(std::clamp<long>(s, kMinScale, kMaxScale)); }
}  // namespace

unsigned int CalculateScale(unsigned int p, unsigned int current, unsigned int visibleWidth,
                            unsigned int visibleHeight, unsigned int imageWidth, unsigned int imageHeight) {
  if (p >= kMinScale && p <= kMaxScale) return p;
  const long vw = visibleWidth, vh = visibleHeight;
  const long iw = std::max(1u, imageWidth), ih = std::max(1u, imageHeight);
  switch (p) {
    case 0xFFFF:
      return current >= kMinScale && current <= kMaxScale ? current : 100;
    case 0xFFFE:
      return Clamp(std::min((vw - 4) * 100 / iw, (vh - 4) * 100 / ih));
    case 0xFFFD: {
      // A picture taller than the window gets a vertical scroll bar: leave
      // room for it.
      const bool taller = vh > 0 && iw * 100 / ih < vw * 100 / vh;
      return Clamp((taller ? vw - 25 : vw - 4) * 100 / iw);
    }
    default:
      break;
  }
  if (p >= 0xFFD1 && p <= 0xFFD9) {
    float s = static_cast<float>(current);
    for (unsigned int n = p - 0xFFD0; n > 0; --n) s *= 1.33f;
    long t = static_cast<long>(s);
    if (t == 3) t = 10;
    return static_cast<unsigned int>(std::min<long>(t, kMaxScale));
  }
  if (p >= 0xFFE1 && p <= 0xFFE9) {
    float s = static_cast<float>(current);
    for (unsigned int n = p - 0xFFE0; n > 0; --n) s *= 0.75f;
    return static_cast<unsigned int>(std::max<long>(static_cast<long>(s), kMinScale));
  }
  LogMsg(LevelWarning, "image:  Invalid scale parameter - scaling is 100%%\n");
  return 100;
}

Size ShownSize(unsigned int imageWidth, unsigned int imageHeight, unsigned int scale, unsigned int rotation) {
  const unsigned long w = std::max(1ul, static_cast<unsigned long>(imageWidth) * scale / 100);
  const unsigned long h = std::max(1ul, static_cast<unsigned long>(imageHeight) * scale / 100);
  Size s;
  if (rotation == 90 || rotation == 270) {
    s.width = static_cast<unsigned int>(h);
    s.height = static_cast<unsigned int>(w);
  } else {
    s.width = static_cast<unsigned int>(w);
    s.height = static_cast<unsigned int>(h);
  }
  return s;
}

void SamplingMaps::setup(unsigned int imageWidth, unsigned int imageHeight, unsigned int scale,
                         unsigned int rotation) {
  scale_ = std::clamp(scale, kMinScale, kMaxScale);
  rotation_ = rotation == 90 || rotation == 180 || rotation == 270 ? rotation : 0;
  shown_ = ShownSize(imageWidth, imageHeight, scale_, rotation_);
  swapped_ = rotation_ == 90 || rotation_ == 270;
  // Source index of shown index i: i x 100 / scale, rounded, and never
  // beyond the source (at large scales the last shown pixels would round
  // up past it).
  auto value = [&](unsigned long i, unsigned int limit) {
    const unsigned long q = i * 100 / scale_, r = i * 100 % scale_;
    const unsigned long v = q + (2 * r > scale_ ? 1 : 0);
    return static_cast<uint16_t>(std::min<unsigned long>(v, limit ? limit - 1 : 0));
  };
  const unsigned int w = shown_.width, h = shown_.height;
  columns_.resize(w);
  rows_.resize(h);
  switch (rotation_) {
    case 0:
      for (unsigned int x = 0; x < w; ++x) columns_[x] = value(x, imageWidth);
      for (unsigned int y = 0; y < h; ++y) rows_[y] = value(y, imageHeight);
      break;
    case 90:  // shown x runs up the source's rows, shown y along its columns
      for (unsigned int x = 0; x < w; ++x) columns_[x] = value(w - 1 - x, imageHeight);
      for (unsigned int y = 0; y < h; ++y) rows_[y] = value(y, imageWidth);
      break;
    case 180:
      for (unsigned int x = 0; x < w; ++x) columns_[x] = value(w - 1 - x, imageWidth);
      for (unsigned int y = 0; y < h; ++y) rows_[y] = value(h - 1 - y, imageHeight);
      break;
    default:  // 270
      for (unsigned int x = 0; x < w; ++x) columns_[x] = value(x, imageHeight);
      for (unsigned int y = 0; y < h; ++y) rows_[y] = value(h - 1 - y, imageWidth);
      break;
  }
}

}  // namespace image_scale
