// The image decoder's IOCA segment reader: any bytes as a downloaded image.
#include "fuzz/FuzzImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz_image::Run(data, size, [](Decompress& d, const uint8_t* p, size_t n) { return d.DecompressIoca(p, n) == 0; });
}
