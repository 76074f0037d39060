// TIFF files: the directory and the codecs are libtiff's; the accepted
// compressions, the limits and the output layout are the image window's.
#include <tiffio.h>

#include <cstring>

#include "base/LogMsg.h"
#include "image/Decompress.h"
#include "image/ImageAid.h"
#include "image/TiffMemory.h"

namespace {

bool CompressionAccepted(uint16_t c) {
  return c == COMPRESSION_NONE || c == COMPRESSION_CCITTRLE || c == COMPRESSION_CCITTFAX3 ||
         c == COMPRESSION_CCITTFAX4 || c == COMPRESSION_PACKBITS;
}

// Sample `i` of a row packed at `bits` bits per sample, most significant
// bits first.
unsigned int Sample(const uint8_t* row, size_t i, unsigned int bits) {
  if (bits == 8) return row[i];
  const size_t bit = i * bits;
  const unsigned int shift = 8 - bits - static_cast<unsigned int>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

}  // namespace

int Decompress::DecompressTIFF(const uint8_t* data, size_t length) {
  // Classic TIFF only: the library would also read BigTIFF (version 43).
  if (data && length >= 4 && data[0] == data[1] && (data[0] == 'I' || data[0] == 'M')) {
    const unsigned int version = data[0] == 'I' ? data[2] | (data[3] << 8) : (data[2] << 8) | data[3];
    if (version != 42) {
      if (DebugFlag()) LogMsg(LevelDebug, "image: Not a TIFF file, bad version number %u\n", version);
      return fail(image_aid::kGeneral);
    }
  }
  TIFF* t = tiff_memory::Open(data, length);
  if (!t) {
    if (DebugFlag()) LogMsg(LevelDebug, "image:  TIFF header or directory unreadable\n");
    // The library refuses a directory with a zero width or length; those
    // have answers of their own.
    const uint16_t zero = tiff_memory::ZeroDimension(data, length);
    return fail(zero ? zero : image_aid::kGeneral);
  }
  const int result = readTiffImage(t);
  TIFFClose(t);
  return result;
}

int Decompress::readTiffImage(TIFF* t) {
  uint16_t bits = 1, samples = 1, compression = COMPRESSION_NONE, photometric = 0, planar = PLANARCONFIG_CONTIG;
  uint32_t width = 0, height = 0;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
  if (DebugFlag()) LogMsg(LevelDebug, "image:  compression = %i\n", compression);

  if (!CompressionAccepted(compression)) {
    if (DebugFlag()) LogMsg(LevelDebug, "image:  wrong compression = %i\n", compression);
    if (sink_) sink_->SendImageAID(image_aid::kDecode, image_aid::kRefused);
    return fail(image_aid::kWidthZero);
  }
  if (height == 0) return fail(image_aid::kLengthZero);
  if (width == 0) return fail(image_aid::kWidthZero);
  if (width > kImageMaxWidth || height > 0xFFFF) return fail(image_aid::kSize);
  if (TIFFIsTiled(t)) return fail(image_aid::kRefused);

  const bool bilevel = bits == 1 && samples == 1;
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric))
    photometric = bilevel ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) {
    if (DebugFlag()) LogMsg(LevelDebug, "image: bits/sample of %u refused\n", bits);
    return fail(image_aid::kRefused);
  }
  if (samples > 1 && planar != PLANARCONFIG_CONTIG) return fail(image_aid::kRefused);

  const unsigned int largest = (1u << bits) - 1;
  bool grey = false, palette = false;
  if (!bilevel) {
    switch (photometric) {
      case PHOTOMETRIC_MINISWHITE:
      case PHOTOMETRIC_MINISBLACK:
        if (samples != 1) return fail(image_aid::kRefused);
        grey = true;
        break;
      case PHOTOMETRIC_RGB:
        if (samples != 3) return fail(image_aid::kRefused);
        break;
      case PHOTOMETRIC_PALETTE: {
        if (samples != 1) return fail(image_aid::kRefused);
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(t, TIFFTAG_COLORMAP, &red, &green, &blue)) {
          if (DebugFlag()) LogMsg(LevelDebug, "image: error getting colormaps\n");
          return fail(image_aid::kGeneral);
        }
        colourCount_ = largest + 1;
        for (unsigned int i = 0; i < colourCount_; ++i) {
          colourMap_[3 * i] = static_cast<uint8_t>(red[i] / 257);
          colourMap_[3 * i + 1] = static_cast<uint8_t>(green[i] / 257);
          colourMap_[3 * i + 2] = static_cast<uint8_t>(blue[i] / 257);
        }
        palette = true;
        break;
      }
      case PHOTOMETRIC_YCBCR:
        if (samples != 3 || bits != 8) return fail(image_aid::kRefused);
        return readYCbCrImage(t, width, height);
      default:
        if (DebugFlag()) LogMsg(LevelDebug, "image: unknown photometric: %d\n", photometric);
        return fail(image_aid::kGeneral);
    }
  }

  const tmsize_t scanSize = TIFFScanlineSize(t);
  if (scanSize <= 0) return fail(image_aid::kGeneral);
  std::vector<uint8_t> scan(static_cast<size_t>(scanSize) + 1);
  // Bilevel rows are kept as decoded; grey levels and palette indices are
  // bytes on a screen of depth 8; everything else becomes triples.
  const bool bytes = !bilevel && depth_ == 8 && (grey || palette);
  const uint32_t bytesPerLine = bilevel ? static_cast<uint32_t>(scanSize) : bytes ? width : 3 * width;
  if (!allocatePixels(bytesPerLine, height)) return -1;

  for (uint32_t row = 0; row < height; ++row) {
    std::memset(scan.data(), 0, scan.size());
    if (TIFFReadScanline(t, scan.data(), row, 0) < 0) {
      // A PackBits row whose data ends early keeps what was decoded, the
      // rest left white.
      if (compression != COMPRESSION_PACKBITS) {
        if (DebugFlag()) LogMsg(LevelDebug, "image: bad data read on line %u\n", row);
        return fail(image_aid::kGeneral);
      }
    }
    uint8_t* out = pixels_->data() + static_cast<size_t>(row) * bytesPerLine;
    if (bilevel) {
      // A set bit is ink: black-is-zero rows are turned round.
      const uint8_t paperMask = photometric == PHOTOMETRIC_MINISBLACK ? 0xFF : 0x00;
      for (uint32_t i = 0; i < bytesPerLine; ++i) out[i] = static_cast<uint8_t>(scan[i] ^ paperMask);
      continue;
    }
    for (uint32_t x = 0; x < width; ++x) {
      if (grey) {
        unsigned int v = Sample(scan.data(), x, bits) * 255 / largest;
        if (photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
        if (bytes) {
          out[x] = static_cast<uint8_t>(v);
        } else {
          out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = static_cast<uint8_t>(v);
        }
      } else if (palette) {
        const unsigned int i = Sample(scan.data(), x, bits);
        if (bytes) {
          out[x] = static_cast<uint8_t>(i);
        } else {
          std::memcpy(out + 3 * x, colourMap_ + 3 * i, 3);
        }
      } else {
        for (unsigned int c = 0; c < 3; ++c)
          out[3 * x + c] = static_cast<uint8_t>(Sample(scan.data(), 3 * size_t{x} + c, bits) * 255 / largest);
      }
    }
  }

  description_->width = static_cast<uint16_t>(width);
  description_->height = static_cast<uint16_t>(height);
  description_->bytesPerLine = bytesPerLine;
  description_->bitsPerPixel = bilevel ? 1 : bytes ? 8 : 24;
  description_->type = bilevel ? kImageBilevel : grey ? kImageGreyscale : kImageColour;
  if (!palette || !bytes) colourCount_ = 0;  // triples carry their colours
  return 0;
}

int Decompress::decodeFaxStrip(const uint8_t* data, size_t length, uint32_t width, uint32_t rows,
                               uint16_t compression, uint32_t faxOptions, bool lsbFirst, uint16_t photometric) {
  tiff_memory::FaxStrip strip;
  strip.width = width;
  strip.rows = rows;
  strip.compression = compression;
  strip.faxOptions = faxOptions;
  strip.lsbFirst = lsbFirst;
  strip.photometric = photometric;
  const std::vector<uint8_t> file = tiff_memory::WrapFaxStrip(strip, data, length);
  TIFF* t = tiff_memory::Open(file.data(), file.size());
  if (!t) return fail(image_aid::kGeneral);
  const uint32_t bytesPerLine = (width + 7) / 8;
  if (!allocatePixels(bytesPerLine, rows)) {
    TIFFClose(t);
    return -1;
  }
  std::vector<uint8_t> scan(static_cast<size_t>(TIFFScanlineSize(t)) + 1);
  for (uint32_t row = 0; row < rows; ++row) {
    if (TIFFReadScanline(t, scan.data(), row, 0) < 0) {
      if (DebugFlag()) LogMsg(LevelDebug, "image: bad data read on line %u\n", row);
      TIFFClose(t);
      return fail(image_aid::kGeneral);
    }
    uint8_t* out = pixels_->data() + static_cast<size_t>(row) * bytesPerLine;
    // The codec sets the pixels of the black runs: the ink, whatever the
    // page's polarity byte says about its own sense.
    std::memcpy(out, scan.data(), bytesPerLine);
  }
  TIFFClose(t);
  description_->width = static_cast<uint16_t>(width);
  description_->height = static_cast<uint16_t>(rows);
  description_->bytesPerLine = bytesPerLine;
  description_->bitsPerPixel = 1;
  description_->type = kImageBilevel;
  return 0;
}
