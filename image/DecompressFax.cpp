// Headerless fax pages and IOCA image segments: the containers are read
// here, the fax rows are decoded by libtiff over an in-memory TIFF file.
#include <tiffio.h>

#include <cstring>

#include "base/LogMsg.h"
#include "image/Decompress.h"
#include "image/FaxMixedRows.h"
#include "image/ImageAid.h"
#include "image/TiffMemory.h"

namespace {

// The row width of the first pass over a headerless page.
constexpr uint32_t kMeasureWidth = 32768;

// What the first pass learns from the runs of each decoded row.
struct PageMeasure {
  uint32_t singleRun = 0;  // the white run of a one-run row, else 0
  bool empty = false;      // an EOL right after an EOL: the end of the page
};
thread_local PageMeasure* tMeasure = nullptr;

// libtiff's fill function during the first pass: the row is not drawn, only
// its runs are looked at. A row that stops at its EOL before the row width
// is padded by the library: [run, 0, rest] for one white run, [width] for
// no run at all.
void MeasureRuns(unsigned char*, uint32_t* runs, uint32_t* end, uint32_t lastx) {
  if (!tMeasure) return;
  const ptrdiff_t n = end - runs;
  tMeasure->singleRun = 0;
  tMeasure->empty = n == 1 && runs[0] == lastx;
  if (n == 3 && runs[1] == 0 && runs[0] > 0 && runs[0] < lastx && runs[0] + runs[2] == lastx)
    tMeasure->singleRun = runs[0];
}

using FillFunction = void (*)(unsigned char*, uint32_t*, uint32_t*, uint32_t);

uint32_t Get32BigEndian(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

int Decompress::standalone(const uint8_t* data, size_t length) {
  constexpr size_t kHeader = 12;
  if (!data || length < kHeader) return fail(image_aid::kGeneral);
  if (data[8] || data[9]) return fail(image_aid::kGeneral);
  uint16_t photometric;
  if (data[5] == 0)
    photometric = PHOTOMETRIC_MINISBLACK;
  else if (data[5] == 16)
    photometric = PHOTOMETRIC_MINISWHITE;
  else
    return fail(image_aid::kGeneral);
  // The page is as long as its length word says, and never past the buffer.
  size_t faxLength = Get32BigEndian(data);
  if (faxLength > length - kHeader) faxLength = length - kHeader;
  const uint8_t* fax = data + kHeader;

  // First pass: count the rows and measure the page width from the rows
  // that hold one white run.
  const uint64_t rowBound = static_cast<uint64_t>(faxLength) * 8 / 12 + 1;
  const uint32_t bound = static_cast<uint32_t>(rowBound > 0x10000 ? 0x10000 : rowBound);
  tiff_memory::FaxStrip strip;
  strip.width = kMeasureWidth;
  strip.rows = bound;
  strip.compression = COMPRESSION_CCITTFAX3;
  strip.lsbFirst = true;
  strip.photometric = photometric;
  const std::vector<uint8_t> file = tiff_memory::WrapFaxStrip(strip, fax, faxLength);
  TIFF* t = tiff_memory::Open(file.data(), file.size());
  if (!t) return fail(image_aid::kGeneral);
  TIFFSetField(t, TIFFTAG_FAXFILLFUNC, static_cast<FillFunction>(MeasureRuns));
  std::vector<uint8_t> scan(static_cast<size_t>(TIFFScanlineSize(t)) + 1);
  PageMeasure measure;
  tMeasure = &measure;
  uint32_t rows = 0, width = 0;
  for (uint32_t row = 0; row < bound; ++row) {
    if (TIFFReadScanline(t, scan.data(), row, 0) < 0 || measure.empty) break;
    ++rows;
    if (measure.singleRun > width) width = measure.singleRun;
  }
  tMeasure = nullptr;
  TIFFClose(t);
  if (DebugFlag()) LogMsg(LevelDebug, "image:  fax page of %u rows, width %u\n", rows, width);
  if (rows == 0) return fail(image_aid::kLengthZero);
  if (width == 0) return fail(image_aid::kWidthZero);
  if (width > kImageMaxWidth || rows > 0xFFFF) return fail(image_aid::kSize);

  // Second pass: the rows at the measured width.
  return decodeFaxStrip(fax, faxLength, width, rows, COMPRESSION_CCITTFAX3, 0, true, photometric);
}

int Decompress::DecompressIoca(const uint8_t* data, size_t length) {
  size_t at = 0;
  auto need = [&](size_t n) { return at <= length && length - at >= n; };
  // Begin Segment with a name of 0 or 4 bytes, then Begin Image Content.
  if (!need(2) || data[0] != 0x70 || (data[1] != 0 && data[1] != 4)) return fail(image_aid::kGeneral);
  at = 2 + data[1];
  if (!need(3) || data[at] != 0x91 || data[at + 1] != 1 || data[at + 2] != 0xFF) return fail(image_aid::kGeneral);
  at += 3;

  uint32_t width = 0, height = 0;
  bool sized = false, encoded = false, lsbFirst = false;
  unsigned int compression = 0;
  std::vector<uint8_t> raw;
  for (;;) {
    if (!need(1)) return fail(image_aid::kGeneral);
    const uint8_t code = data[at];
    if (code == 0x93 || code == 0x71) break;  // End Image Content, End Segment
    if (code == 0xFE) {
      if (!need(4) || data[at + 1] != 0x92) return fail(image_aid::kGeneral);
      const size_t n = (size_t{data[at + 2]} << 8) | data[at + 3];
      at += 4;
      if (!need(n)) {
        if (DebugFlag()) LogMsg(LevelDebug, "image: IOCA Error: Data will exceed the end of the buffer\n");
        return fail(image_aid::kGeneral);
      }
      raw.insert(raw.end(), data + at, data + at + n);
      at += n;
      continue;
    }
    if (!need(2)) return fail(image_aid::kGeneral);
    const uint8_t n = data[at + 1];
    if (!need(2 + size_t{n})) return fail(image_aid::kGeneral);
    const uint8_t* p = data + at + 2;
    switch (code) {
      case 0x94:  // image size: unit base, resolutions, width, height
        if (n != 9) return fail(image_aid::kGeneral);
        width = (uint32_t{p[5]} << 8) | p[6];
        height = (uint32_t{p[7]} << 8) | p[8];
        if (width > kImageMaxWidth) return fail(image_aid::kSize);
        if (width == 0) {
          if (DebugFlag()) LogMsg(LevelDebug, "image: imagewidth = 0\n");
          return fail(image_aid::kWidthZero);
        }
        if (height == 0) {
          if (DebugFlag()) LogMsg(LevelDebug, "image: imagelength = 0\n");
          return fail(image_aid::kLengthZero);
        }
        sized = true;
        break;
      case 0x95:  // image encoding: compression, recording algorithm, bit order
        if ((n != 2 && n != 3) || p[1] != 1) return fail(image_aid::kGeneral);
        compression = p[0];
        lsbFirst = n == 3 && p[2] != 0;
        encoded = true;
        break;
      case 0x96:  // image data element size: one bit
        if (n != 1 || p[0] != 1) return fail(image_aid::kGeneral);
        break;
      case 0x97:  // look-up table id
        if (n != 1 || p[0] != 0) return fail(image_aid::kGeneral);
        break;
      default:
        return fail(image_aid::kGeneral);
    }
    at += 2 + size_t{n};
  }
  if (!sized || !encoded) return fail(image_aid::kGeneral);

  int result;
  switch (compression) {
    case 0x80:
    case 0x81:
      if (DebugFlag()) LogMsg(LevelDebug, "image: IOCA: G3  compression\n");
      result = decodeFaxStrip(raw.data(), raw.size(), width, height, COMPRESSION_CCITTFAX3, 0, lsbFirst,
                              PHOTOMETRIC_MINISWHITE);
      break;
    case 0x82:
      if (DebugFlag()) LogMsg(LevelDebug, "image: IOCA: G4 Modified Modified Read compression\n");
      result = decodeFaxStrip(raw.data(), raw.size(), width, height, COMPRESSION_CCITTFAX4, 0, lsbFirst,
                              PHOTOMETRIC_MINISWHITE);
      break;
    case 0x01: {
      if (DebugFlag()) LogMsg(LevelDebug, "image: IOCA: QAV_MMR compression\n");
      // The bits are read most significant first here.
      if (lsbFirst) TIFFReverseBits(raw.data(), static_cast<tmsize_t>(raw.size()));
      const std::vector<uint8_t> g4 = fax_mixed::ToGroup4(raw.data(), raw.size(), width);
      if (g4.empty()) return fail(image_aid::kGeneral);
      result = decodeFaxStrip(g4.data(), g4.size(), width, height, COMPRESSION_CCITTFAX4, 0, false,
                              PHOTOMETRIC_MINISWHITE);
      break;
    }
    case 0x03: {
      const uint32_t bytesPerLine = (width + 7) / 8;
      if (!allocatePixels(bytesPerLine, height)) return -1;
      // Rows the data does not reach stay zero.
      if (!raw.empty())
        std::memcpy(pixels_->data(), raw.data(), raw.size() < pixels_->size() ? raw.size() : pixels_->size());
      description_->width = static_cast<uint16_t>(width);
      description_->height = static_cast<uint16_t>(height);
      description_->bytesPerLine = bytesPerLine;
      description_->bitsPerPixel = 1;
      result = 0;
      break;
    }
    default:
      if (DebugFlag()) LogMsg(LevelDebug, "image: IOCA: This decompression not supported\n");
      return fail(image_aid::kIocaCompression);
  }
  if (result != 0) return result;
  // A set bit is ink, as the fax codes and the uncompressed data have it.
  description_->type = kImageBilevel;
  return 0;
}
