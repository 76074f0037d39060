// YCbCr TIFF images: the strips hold data units of h x v luma samples and
// one Cb and one Cr sample each (h and v the chroma subsampling), which
// become red/green/blue triples by the fixed-point conversion of video
// YCbCr.
#include <tiffio.h>

#include <vector>

#include "base/LogMsg.h"
#include "image/Decompress.h"
#include "image/ImageAid.h"

namespace {

// One component from its 16.16 sum.
uint8_t Clamp(long sum) {
  if (sum <= 0xFFFF) return 0;
  if (sum > 0xFFFFFF) return 255;
  return static_cast<uint8_t>(sum >> 16);
}

void ToRgb(int y, int cb, int cr, uint8_t* out) {
  const long luma = 76310L * (y > 16 ? y - 16 : 0);
  out[0] = Clamp(luma + 104635L * (cr - 128));
  out[1] = Clamp(luma - 25690L * (cb - 128) - 53294L * (cr - 128));
  out[2] = Clamp(luma + 132278L * (cb - 128));
}

}  // namespace

int Decompress::readYCbCrImage(TIFF* t, uint32_t width, uint32_t height) {
  uint16_t h = 2, v = 2, planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(t, TIFFTAG_YCBCRSUBSAMPLING, &h, &v);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  if ((h != 1 && h != 2 && h != 4) || (v != 1 && v != 2 && v != 4) || planar != PLANARCONFIG_CONTIG)
    return fail(image_aid::kRefused);
  uint32_t rowsPerStrip = height;
  TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
  // A strip holds whole rows of data units.
  if (rowsPerStrip % v && rowsPerStrip != height) return fail(image_aid::kRefused);
  const uint32_t unitsAcross = (width + h - 1) / h;
  const size_t unitBytes = size_t{h} * v + 2;
  const uint32_t bytesPerLine = 3 * width;
  if (!allocatePixels(bytesPerLine, height)) return -1;
  const uint32_t strips = TIFFNumberOfStrips(t);
  std::vector<uint8_t> strip;
  for (uint32_t s = 0, top = 0; s < strips && top < height; ++s, top += rowsPerStrip) {
    const uint32_t rows = height - top < rowsPerStrip ? height - top : rowsPerStrip;
    const uint32_t unitRows = (rows + v - 1) / v;
    const size_t need = size_t{unitRows} * unitsAcross * unitBytes;
    strip.assign(need, 0);
    if (TIFFReadEncodedStrip(t, s, strip.data(), static_cast<tmsize_t>(need)) < 0) {
      if (DebugFlag()) LogMsg(LevelDebug, "image: bad data read on line %u\n", top);
      return fail(image_aid::kGeneral);
    }
    const uint8_t* unit = strip.data();
    for (uint32_t ur = 0; ur < unitRows; ++ur)
      for (uint32_t uc = 0; uc < unitsAcross; ++uc, unit += unitBytes) {
        const int cb = unit[size_t{h} * v], cr = unit[size_t{h} * v + 1];
        for (uint32_t j = 0; j < v; ++j)
          for (uint32_t i = 0; i < h; ++i) {
            const uint32_t x = uc * h + i, y = top + ur * v + j;
            if (x >= width || y >= top + rows) continue;
            ToRgb(unit[j * h + i], cb, cr, pixels_->data() + size_t{y} * bytesPerLine + 3 * size_t{x});
          }
      }
  }
  description_->width = static_cast<uint16_t>(width);
  description_->height = static_cast<uint16_t>(height);
  description_->bytesPerLine = bytesPerLine;
  description_->bitsPerPixel = 24;
  description_->type = kImageColour;
  colourCount_ = 0;
  return 0;
}
