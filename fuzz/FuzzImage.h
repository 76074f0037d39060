// Shared by the image decoder fuzz targets: decodes the input with one
// container's reader and checks what a successful decode promises.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/Decompress.h"
#include "image/ImageAid.h"

namespace fuzz_image {

struct CountingSink : ImageErrorSink {
  void SendImageAID(unsigned char type, uint16_t) override {
    if (type != image_aid::kDecode) __builtin_trap();
    ++count;
  }
  int count = 0;
};

// `decode` returns true on success. The first input byte picks the screen
// depth (8 or 24); the rest is the image.
template <class Decode>
int Run(const uint8_t* data, size_t size, Decode decode) {
  if (size < 1) return 0;
  const unsigned int depth = (data[0] & 1) ? 8 : 24;
  image_data description;
  std::vector<uint8_t> pixels;
  CountingSink sink;
  Decompress d(&description, &sink, &pixels, depth);
  // The image is copied so that every read past its end is caught.
  const std::vector<uint8_t> image(data + 1, data + size);
  const bool ok = decode(d, image.empty() ? nullptr : image.data(), image.size());
  if (ok) {
    if (sink.count != 0) __builtin_trap();
    if (description.width == 0 || description.width > kImageMaxWidth || description.height == 0) __builtin_trap();
    if (pixels.size() != static_cast<size_t>(description.bytesPerLine) * description.height) __builtin_trap();
  } else if (sink.count == 0 || sink.count > 2) {
    __builtin_trap();  // every failure is answered
  }
  return 0;
}

}  // namespace fuzz_image
