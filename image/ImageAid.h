#pragma once
// The image error AIDs and their information codes, and the interface
// through which the decoders report them.
#include <cstdint>

namespace image_aid {
constexpr unsigned char kNotRestored = 0x81;  // a saved image is no longer stored
constexpr unsigned char kFormat = 0x82;       // unsupported or unrecognised format
constexpr unsigned char kDecode = 0x83;       // the data could not be decoded

constexpr uint16_t kTooLarge = 0x02;         // more data than the largest image
constexpr uint16_t kLengthZero = 0x12;       // image length 0
constexpr uint16_t kWidthZero = 0x13;        // image width 0, or a refused TIFF compression
constexpr uint16_t kRefused = 0x14;          // depth, compression or plane count refused
constexpr uint16_t kSize = 0x15;             // too wide, or a size the decoder cannot hold
constexpr uint16_t kIocaCompression = 0x21;  // an IOCA compression without a decoder
constexpr uint16_t kPcxHeader = 0x22;        // a PCX file with a bad identifier or encoding
constexpr uint16_t kGeneral = 0x100;         // bad data, or no memory
}  // namespace image_aid

class ImageErrorSink {
 public:
  virtual ~ImageErrorSink() = default;
  virtual void SendImageAID(unsigned char type, uint16_t info) = 0;
};
