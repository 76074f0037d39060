// IOCA's mixed fax coding turned into one Group 4 stream.
#include "image/FaxMixedRows.h"

#include <tiffio.h>
#include <unistd.h>

#include <cstdio>

#include "image/TiffMemory.h"

namespace fax_mixed {

namespace {
bool Bit(const std::vector<uint8_t>& b, size_t i) { return (b[i / 8] >> (7 - i % 8)) & 1; }

// The raw strip of the first directory of a TIFF file in memory.
std::vector<uint8_t> RawStrip(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> out;
  TIFF* t = tiff_memory::Open(file.data(), file.size());
  if (!t) return out;
  uint64_t* counts = nullptr;
  if (TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts) && counts && counts[0] < (1u << 26)) {
    out.resize(counts[0]);
    if (TIFFReadRawStrip(t, 0, out.data(), static_cast<tmsize_t>(out.size())) < 0) out.clear();
  }
  TIFFClose(t);
  return out;
}
}  // namespace

long FindEol(const std::vector<uint8_t>& bits, size_t from) {
  size_t zeros = 0;
  for (size_t i = from; i < bits.size() * 8; ++i) {
    if (!Bit(bits, i)) {
      ++zeros;
    } else {
      if (zeros >= 11) return static_cast<long>(i - 11);
      zeros = 0;
    }
  }
  return -1;
}

void AppendBits(std::vector<uint8_t>& out, size_t& at, const std::vector<uint8_t>& b, size_t from, size_t bits) {
  for (size_t i = 0; i < bits && from + i < b.size() * 8; ++i, ++at) {
    if (at / 8 >= out.size()) out.push_back(0);
    if (Bit(b, from + i)) out[at / 8] |= static_cast<uint8_t>(0x80 >> (at % 8));
  }
}

std::vector<uint8_t> Encode(const uint8_t* rows, uint32_t width, uint32_t count, uint16_t compression) {
  std::vector<uint8_t> file;
  FILE* tmp = std::tmpfile();
  if (!tmp) return file;
  const int fd = dup(fileno(tmp));
  TIFF* t = fd >= 0 ? TIFFFdOpen(fd, "rows", "w") : nullptr;
  if (!t) {
    if (fd >= 0) close(fd);
    std::fclose(tmp);
    return file;
  }
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, count);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, count);
  TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
  if (compression == COMPRESSION_CCITTFAX3) {
    TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, 0);
    TIFFSetField(t, TIFFTAG_FAXMODE, FAXMODE_NORTC);
  }
  const size_t bytesPerLine = (width + 7) / 8;
  bool ok = true;
  std::vector<uint8_t> row(bytesPerLine);
  for (uint32_t r = 0; r < count && ok; ++r) {
    std::copy(rows + r * bytesPerLine, rows + (r + 1) * bytesPerLine, row.begin());
    ok = TIFFWriteScanline(t, row.data(), r, 0) >= 0;
  }
  TIFFClose(t);
  if (ok) {
    std::rewind(tmp);
    int c;
    while ((c = std::fgetc(tmp)) != EOF) file.push_back(static_cast<uint8_t>(c));
  }
  std::fclose(tmp);
  return ok ? RawStrip(file) : std::vector<uint8_t>();
}

std::vector<uint8_t> ToGroup4(const uint8_t* data, size_t length, uint32_t width) {
  std::vector<uint8_t> out;
  if (!data || !length || !width) return out;
  const std::vector<uint8_t> in(data, data + length);
  // An EOL may stand before the first row.
  const size_t start = FindEol(in, 0) == 0 ? 12 : 0;

  // The first row alone: modified Huffman without EOLs.
  std::vector<uint8_t> first;
  size_t at = 0;
  AppendBits(first, at, in, start, in.size() * 8 - start);
  tiff_memory::FaxStrip strip;
  strip.width = width;
  strip.rows = 1;
  strip.compression = COMPRESSION_CCITTRLE;
  strip.photometric = PHOTOMETRIC_MINISWHITE;
  const std::vector<uint8_t> file = tiff_memory::WrapFaxStrip(strip, first.data(), first.size());
  TIFF* t = tiff_memory::Open(file.data(), file.size());
  if (!t) return out;
  std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(t)) + 1);
  const bool decoded = TIFFReadScanline(t, row.data(), 0, 0) >= 0;
  TIFFClose(t);
  if (!decoded) return out;

  // Its coded length: the distance between the EOLs of the row coded twice.
  std::vector<uint8_t> twice(row.begin(), row.begin() + (width + 7) / 8);
  twice.insert(twice.end(), row.begin(), row.begin() + (width + 7) / 8);
  const std::vector<uint8_t> mh = Encode(twice.data(), width, 2, COMPRESSION_CCITTFAX3);
  const long eol1 = FindEol(mh, 0), eol2 = eol1 >= 0 ? FindEol(mh, static_cast<size_t>(eol1) + 12) : -1;
  if (eol2 < 0) return out;
  const size_t firstBits = static_cast<size_t>(eol2 - eol1 - 12);

  // The row as a Group 4 row, which ends where its end-of-block mark begins.
  const std::vector<uint8_t> g4 = Encode(twice.data(), width, 1, COMPRESSION_CCITTFAX4);
  const long eofb = FindEol(g4, 0);
  if (eofb < 0) return out;
  at = 0;
  AppendBits(out, at, g4, 0, static_cast<size_t>(eofb));
  if (start + firstBits < in.size() * 8) AppendBits(out, at, in, start + firstBits, in.size() * 8 - start - firstBits);
  return out;
}

}  // namespace fax_mixed
