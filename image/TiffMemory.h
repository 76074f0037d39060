#pragma once
// libtiff over bytes in memory: opening a buffer as a TIFF file with the
// library's messages sent to the debug log, and wrapping a raw one-bit fax
// strip into a TIFF file of its own.
#include <cstddef>
#include <cstdint>
#include <vector>

struct tiff;

namespace tiff_memory {

// A read-only TIFF over `data` (which must outlive it); null when the
// header or the first directory cannot be read. Close with TIFFClose.
tiff* Open(const uint8_t* data, size_t length);

// When the first directory of a TIFF file gives an image length of 0:
// 0x12; an image width of 0: 0x13; otherwise 0. Reads only the header and
// the entries of that directory, bounded by `length`.
uint16_t ZeroDimension(const uint8_t* data, size_t length);

struct FaxStrip {
  uint32_t width = 0;
  uint32_t rows = 0;
  uint16_t compression = 0;  // 2, 3 or 4 (COMPRESSION_CCITT*)
  uint32_t faxOptions = 0;   // Group 3 options (compression 3)
  bool lsbFirst = false;     // fill order 2
  uint16_t photometric = 0;
};

// A little-endian TIFF file: header, one directory and the strip.
std::vector<uint8_t> WrapFaxStrip(const FaxStrip& strip, const uint8_t* data, size_t length);

}  // namespace tiff_memory
