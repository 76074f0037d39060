// The image object: any sequence of image control and download structured
// fields (each as long as its own length word says, cut at the input's end)
// through a session's image object and store, with a small largest image.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/ImageObject.h"

namespace {
struct NoPort : ImageStatusPort {
  void postImageStatus(unsigned char code, const unsigned char*) override {
    if (code < 0x14 || code > 0x16) __builtin_trap();
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageStore store;
  NoPort port;
  std::unique_ptr<ImageObject> object;
  size_t at = 0;
  while (size - at >= 4) {
    size_t n = (size_t{data[at]} << 8) | data[at + 1];
    if (n < 4 || n > size - at) n = size - at;
    // Each field in a buffer of its own size, as the screen hands it over.
    const std::vector<uint8_t> field(data + at, data + at + n);
    at += n;
    if (field[3] & 1) {
      if (!object) object = std::make_unique<ImageObject>(&store, &port, 20000, (field[2] & 1) ? 8 : 24);
      if (object->ReadControlData(field.data(), static_cast<unsigned int>(field.size())) != 0) object.reset();
    } else if (object) {
      if (object->ReadDownloadData(field.data(), static_cast<unsigned int>(field.size())) != 0) object.reset();
    }
    if (store.hasImage &&
        store.pixels.size() != static_cast<size_t>(store.description.bytesPerLine) * store.description.height)
      __builtin_trap();
  }
  return 0;
}
