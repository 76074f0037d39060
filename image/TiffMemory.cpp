#include "image/TiffMemory.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/LogMsg.h"

namespace tiff_memory {
namespace {

// The largest single allocation libtiff may make for a downloaded image.
constexpr tmsize_t kMaxLibraryAllocation = 64 << 20;

struct MemoryFile {
  const uint8_t* data;
  toff_t length;
  toff_t position;
};

tmsize_t Read(thandle_t h, void* buffer, tmsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  if (size <= 0 || f->position >= f->length) return 0;
  const toff_t left = f->length - f->position;
  const toff_t n = static_cast<toff_t>(size) < left ? static_cast<toff_t>(size) : left;
  std::memcpy(buffer, f->data + f->position, n);
  f->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t Write(thandle_t, void*, tmsize_t) { return -1; }

toff_t Seek(thandle_t h, toff_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = f->position;
  else if (whence == SEEK_END) base = f->length;
  // Offsets beyond the buffer are allowed; reads there return nothing.
  if (offset > ~base) return static_cast<toff_t>(-1);
  f->position = base + offset;
  return f->position;
}

int Close(thandle_t h) {
  delete static_cast<MemoryFile*>(h);
  return 0;
}

toff_t Size(thandle_t h) { return static_cast<MemoryFile*>(h)->length; }

int Map(thandle_t h, void** base, toff_t* size) {
  auto* f = static_cast<MemoryFile*>(h);
  *base = const_cast<uint8_t*>(f->data);
  *size = f->length;
  return 1;
}

void Unmap(thandle_t, void*, toff_t) {}

int Message(TIFF*, void*, const char* module, const char* format, va_list args) {
  if (DebugFlag()) {
    char line[256];
    std::vsnprintf(line, sizeof line, format, args);
    LogMsg(LevelDebug, "image: %s: %s\n", module ? module : "tiff", line);
  }
  return 1;  // handled: the library's own handlers stay silent
}

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t value) {
  v[at] = static_cast<uint8_t>(value);
  v[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

tiff* Open(const uint8_t* data, size_t length) {
  if (!data || length < 8) return nullptr;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options, Message, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Message, nullptr);
  auto* file = new MemoryFile{data, static_cast<toff_t>(length), 0};
  // "r": read only; the buffer is mapped, so strips are read in place.
  TIFF* t = TIFFClientOpenExt("image", "r", file, Read, Write, Seek, Close, Size, Map, Unmap, options);
  TIFFOpenOptionsFree(options);
  // A failed open does not call Close.
  if (!t) delete file;
  return t;
}

uint16_t ZeroDimension(const uint8_t* data, size_t length) {
  if (!data || length < 8) return 0;
  const bool little = data[0] == 'I' && data[1] == 'I';
  if (!little && !(data[0] == 'M' && data[1] == 'M')) return 0;
  auto get16 = [&](size_t at) -> uint32_t {
    return little ? data[at] | (data[at + 1] << 8) : (data[at] << 8) | data[at + 1];
  };
  auto get32 = [&](size_t at) -> uint32_t { return little ? get16(at) | (get16(at + 2) << 16) : (get16(at) << 16) | get16(at + 2); };
  const uint32_t directory = get32(4);
  if (directory > length - 2) return 0;
  const uint32_t count = get16(directory);
  bool widthZero = false, lengthZero = false;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = directory + 2 + size_t{i} * 12;
    if (length < 12 || at > length - 12) break;
    const uint32_t tag = get16(at), type = get16(at + 2);
    const uint32_t value = type == 3 ? get16(at + 8) : type == 4 ? get32(at + 8) : 1;
    if (tag == TIFFTAG_IMAGEWIDTH && value == 0) widthZero = true;
    if (tag == TIFFTAG_IMAGELENGTH && value == 0) lengthZero = true;
  }
  return lengthZero ? 0x12 : widthZero ? 0x13 : 0;
}

std::vector<uint8_t> WrapFaxStrip(const FaxStrip& strip, const uint8_t* data, size_t length) {
  struct Entry {
    uint16_t tag, type;
    uint32_t value;
  };
  constexpr uint16_t kShort = 3, kLong = 4;
  Entry entries[12];
  size_t n = 0;
  const bool group3 = strip.compression == COMPRESSION_CCITTFAX3;
  const size_t count = group3 ? 11 : 10;
  const uint32_t dataOffset = static_cast<uint32_t>(8 + 2 + 12 * count + 4);
  entries[n++] = {TIFFTAG_IMAGEWIDTH, kLong, strip.width};
  entries[n++] = {TIFFTAG_IMAGELENGTH, kLong, strip.rows};
  entries[n++] = {TIFFTAG_BITSPERSAMPLE, kShort, 1};
  entries[n++] = {TIFFTAG_COMPRESSION, kShort, strip.compression};
  entries[n++] = {TIFFTAG_PHOTOMETRIC, kShort, strip.photometric};
  entries[n++] = {TIFFTAG_FILLORDER, kShort, strip.lsbFirst ? 2u : 1u};
  entries[n++] = {TIFFTAG_STRIPOFFSETS, kLong, dataOffset};
  entries[n++] = {TIFFTAG_SAMPLESPERPIXEL, kShort, 1};
  entries[n++] = {TIFFTAG_ROWSPERSTRIP, kLong, strip.rows};
  entries[n++] = {TIFFTAG_STRIPBYTECOUNTS, kLong, static_cast<uint32_t>(length)};
  if (group3) entries[n++] = {TIFFTAG_GROUP3OPTIONS, kLong, strip.faxOptions};

  std::vector<uint8_t> file(dataOffset + length);
  file[0] = 'I';
  file[1] = 'I';
  Put16(file, 2, 42);
  Put32(file, 4, 8);
  Put16(file, 8, static_cast<uint32_t>(n));
  size_t at = 10;
  for (size_t i = 0; i < n; ++i, at += 12) {
    Put16(file, at, entries[i].tag);
    Put16(file, at + 2, entries[i].type);
    Put32(file, at + 4, 1);
    if (entries[i].type == kShort)
      Put16(file, at + 8, entries[i].value);
    else
      Put32(file, at + 8, entries[i].value);
  }
  Put32(file, at, 0);  // no further directory
  if (length) std::memcpy(file.data() + dataOffset, data, length);
  return file;
}

}  // namespace tiff_memory
