#include "image/Decompress.h"

#include "base/LogMsg.h"
#include "image/ImageAid.h"

Decompress::Decompress(image_data* description, ImageErrorSink* sink, std::vector<uint8_t>* pixels,
                       unsigned int screenDepth)
    : description_(description), sink_(sink), pixels_(pixels), depth_(screenDepth) {
  description_->type = kImageBilevel;
}

Decompress::~Decompress() = default;

int Decompress::fail(uint16_t info) {
  if (sink_) sink_->SendImageAID(image_aid::kDecode, info);
  return -1;
}

bool Decompress::allocatePixels(uint64_t bytesPerLine, uint64_t rows, bool zeroed) {
  // Both factors are below 2^32: the product cannot wrap in 64 bits.
  const uint64_t size = bytesPerLine * rows;
  if (size == 0 || size > kMaxPixelBytes) {
    if (DebugFlag())
      LogMsg(LevelDebug, "image:  - pixel buffer of %llu bytes refused\n", static_cast<unsigned long long>(size));
    fail(image_aid::kSize);
    return false;
  }
  if (zeroed)
    pixels_->assign(static_cast<size_t>(size), 0);
  else
    pixels_->resize(static_cast<size_t>(size));
  return true;
}
