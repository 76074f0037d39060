#pragma once
// The decoder of one downloaded image: turns the compressed buffer into the
// pixel buffer of the session's image store and fills the image
// description. One object per image. Every reader is bounded by the length
// it is given; failures the host must learn of are reported to the sink as
// AID 0x83 with an information code, and the entry point then fails.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/ImageData.h"

class ImageErrorSink;
struct tiff;

class Decompress {
 public:
  // The largest pixel buffer a decoder allocates, in bytes.
  static constexpr uint64_t kMaxPixelBytes = 64u << 20;

  // `screenDepth` 8 keeps grey levels and palette indices as bytes; any
  // other depth gets red/green/blue triples.
  Decompress(image_data* description, ImageErrorSink* sink, std::vector<uint8_t>* pixels,
             unsigned int screenDepth);
  ~Decompress();
  Decompress(const Decompress&) = delete;
  Decompress& operator=(const Decompress&) = delete;

  // 0 on success, -1 on failure.
  int DecompressTIFF(const uint8_t* data, size_t length);
  int standalone(const uint8_t* data, size_t length);
  int DecompressIoca(const uint8_t* data, size_t length);
  int pcx_decompress(const uint8_t* data, size_t length);
  // Non-zero on success, 0 on failure.
  int DecompressJPEG(const uint8_t* data, size_t length);

  // The palette of a palette image kept as indices (screen depth 8).
  const uint8_t* colourMap() const { return colourMap_; }
  unsigned int colourCount() const { return colourCount_; }

 private:
  // Reports the AID and returns -1.
  int fail(uint16_t info);
  // Sizes the pixel buffer for `rows` rows of `bytesPerLine`, zeroed
  // unless the decoder writes every byte; false (AID sent) when the
  // product passes the cap.
  bool allocatePixels(uint64_t bytesPerLine, uint64_t rows, bool zeroed = true);
  // The rows of an open TIFF directory into the pixel buffer.
  int readTiffImage(tiff* t);
  // A YCbCr TIFF image (8 bits, contiguous data units) as colour triples.
  int readYCbCrImage(tiff* t, uint32_t width, uint32_t height);
  // A one-bit fax strip wrapped in an in-memory TIFF file, decoded into
  // the pixel buffer.
  int decodeFaxStrip(const uint8_t* data, size_t length, uint32_t width, uint32_t rows,
                     uint16_t compression, uint32_t faxOptions, bool lsbFirst, uint16_t photometric);

  image_data* description_;
  ImageErrorSink* sink_;
  std::vector<uint8_t>* pixels_;
  unsigned int depth_;
  uint8_t colourMap_[768] = {};
  unsigned int colourCount_ = 0;
};
