// The registry's JPEG reader: any bytes as a splash image or icon.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sdk/JpegDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JpegImage image;
  std::string error;
  if (DecodeJpeg(data, size, &image, &error) &&
      image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3)
    __builtin_trap();
  return 0;
}
