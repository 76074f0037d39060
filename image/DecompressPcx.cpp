// PCX files: one plane of 1 bit (bilevel) or three planes of 8 bits
// (colour), run-length coded rows.
#include <cstring>

#include "base/LogMsg.h"
#include "image/Decompress.h"
#include "image/ImageAid.h"

namespace {
constexpr size_t kPcxHeader = 128;

unsigned int Get16(const uint8_t* p) { return p[0] | (unsigned{p[1]} << 8); }
}  // namespace

int Decompress::pcx_decompress(const uint8_t* data, size_t length) {
  if (!data || length < kPcxHeader || data[0] != 0x0A || data[2] != 1) return fail(image_aid::kPcxHeader);
  const unsigned int bits = data[3], planes = data[65];
  const unsigned int xMin = Get16(data + 4), yMin = Get16(data + 6);
  const unsigned int xMax = Get16(data + 8), yMax = Get16(data + 10);
  const unsigned int planeBytes = Get16(data + 66);
  const bool bilevel = bits == 1 && planes == 1;
  const bool colour = bits == 8 && planes == 3;
  if (!bilevel && !colour) return fail(image_aid::kRefused);  // palette and 4-plane images included
  if (xMax < xMin || yMax < yMin) return fail(image_aid::kSize);
  const uint32_t width = xMax - xMin + 1, height = yMax - yMin + 1;
  if (width > kImageMaxWidth || height > 0xFFFF) return fail(image_aid::kSize);
  // Every plane row must hold the row's pixels.
  if (uint64_t{planeBytes} * 8 < uint64_t{width} * bits) return fail(image_aid::kRefused);

  const uint32_t rowBytes = planeBytes * planes;
  const uint32_t bytesPerLine = bilevel ? planeBytes : 3 * width;
  // The header's palette names the colours of the 0 and 1 bits of a
  // one-plane image; without one (both entries alike) 1 is white.
  auto lightness = [&](unsigned int entry) {
    const uint8_t* c = data + 16 + 3 * entry;
    return 299u * c[0] + 587u * c[1] + 114u * c[2];
  };
  const uint8_t paperMask = bilevel && lightness(1) >= lightness(0) ? 0xFF : 0x00;
  if (!allocatePixels(bytesPerLine, height)) return -1;
  std::vector<uint8_t> row(rowBytes);
  size_t at = kPcxHeader;
  for (uint32_t y = 0; y < height; ++y) {
    // A count byte 0xC0 + n repeats the following byte n times; smaller
    // bytes stand for themselves. A row ends when its plane bytes are
    // complete (the rest of a run is dropped); data that ends early leaves
    // the rest of the image zero.
    uint32_t filled = 0;
    while (filled < rowBytes && at < length) {
      uint8_t b = data[at++];
      uint32_t count = 1;
      if (b >= 0xC0) {
        count = b - 0xC0u;
        if (at >= length) break;
        b = data[at++];
      }
      while (count-- && filled < rowBytes) row[filled++] = b;
    }
    if (filled < rowBytes) std::memset(row.data() + filled, 0, rowBytes - filled);
    uint8_t* out = pixels_->data() + static_cast<size_t>(y) * bytesPerLine;
    if (bilevel) {
      // A set bit is ink: the darker of the two palette entries.
      for (uint32_t i = 0; i < planeBytes; ++i) out[i] = static_cast<uint8_t>(row[i] ^ paperMask);
    } else {
      for (uint32_t x = 0; x < width; ++x)
        for (unsigned int c = 0; c < 3; ++c) out[3 * x + c] = row[c * planeBytes + x];
    }
  }
  description_->width = static_cast<uint16_t>(width);
  description_->height = static_cast<uint16_t>(height);
  description_->bytesPerLine = bytesPerLine;
  description_->bitsPerPixel = bilevel ? 1 : 24;
  description_->type = bilevel ? kImageBilevel : kImageColour;
  if (DebugFlag()) LogMsg(LevelDebug, "image:  PCX %ux%u, %u plane(s) of %u bit(s)\n", width, height, planes, bits);
  return 0;
}
