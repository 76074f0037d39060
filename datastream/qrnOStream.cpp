#include "datastream/qrnOStream.h"

#include <cstring>

#include "datastream/calcFCS.h"

namespace {

constexpr unsigned char kRunMarker = 0x11;
constexpr unsigned char kBlockCoded = 0xFF;
constexpr unsigned char kBlockStored = 0x00;
constexpr std::size_t kBlockHeader = 5;
constexpr std::size_t kMaxRun = 255;
constexpr std::size_t kMaxBlock = 0xFFFF;

// Walks the run-length code of n bytes, handing each code byte to `emit`:
// a run of four or more equal bytes (at most 255) becomes 0x11, byte, count;
// one to three 0x11 bytes become 0x11, 0x11, count; other bytes stay.
template <class Emit>
void forEachCodeByte(const unsigned char* data, std::size_t n, Emit emit) {
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = data[i];
    std::size_t run = 1;
    while (i + run < n && data[i + run] == b && run < kMaxRun) ++run;
    if (run >= 4 || b == kRunMarker) {
      emit(kRunMarker);
      emit(b);
      emit(static_cast<unsigned char>(run));
    } else {
      for (std::size_t k = 0; k < run; ++k) emit(b);
    }
    i += run;
  }
}

}  // namespace

void qrnOStream::setup(unsigned char* buffer, std::size_t size) {
  *this = qrnOStream();
  base_ = buffer;
  size_ = buffer ? size : 0;
}

bool qrnOStream::room(std::size_t n) const {
  const std::size_t limit = size_ >= 2 ? size_ - 2 : 0;
  return current_ <= limit && n <= limit - current_;
}

void qrnOStream::hostPutData(const void* data, std::size_t n) {
  if (n == 0) return;
  if (data == nullptr || !room(n)) {
    overflow_ = true;
    return;
  }
  std::memcpy(base_ + current_, data, n);
  current_ += n;
}

void qrnOStream::emitBitByte() {
  const unsigned char b = static_cast<unsigned char>(bitByte_ << bitsLeft_);
  bitByte_ = 0;
  bitsLeft_ = 8;
  hostPutData(&b, 1);
}

void qrnOStream::saveRaw(unsigned char raw, unsigned bits, bool fits) {
  if (!fits) tooWide_ = true;
  if (!bitPackingOn_) {
    hostPutData(&raw, 1);
    return;
  }
  const unsigned k = bits > 8 ? 8 : bits;
  if (k == 0) return;
  if (bitsLeft_ < k) emitBitByte();
  const unsigned mask = (1u << k) - 1;
  bitByte_ = static_cast<unsigned char>((static_cast<unsigned>(bitByte_) << k) | (raw & mask));
  bitsLeft_ = static_cast<unsigned char>(bitsLeft_ - k);
}

void qrnOStream::putRaw(unsigned long long raw, unsigned bytes) {
  unsigned char b[8];
  for (unsigned i = 0; i < bytes; ++i) b[i] = static_cast<unsigned char>(raw >> (8 * (bytes - 1 - i)));
  hostPutData(b, bytes);
}

void qrnOStream::startBitCompression() {
  if (bitPackingOn_ && bitsLeft_ < 8) emitBitByte();
  bitPackingOn_ = true;
  resetSaveChar();
}

void qrnOStream::endBitCompression() {
  bitPackingOn_ = false;
  if (bitsLeft_ < 8) emitBitByte();
}

void qrnOStream::resetSaveChar() {
  bitByte_ = 0;
  bitsLeft_ = 8;
}

void qrnOStream::skipFor(LengthField& f, unsigned width) {
  if (width > 8) {
    tooWide_ = true;
    width = 8;
  }
  f.width = static_cast<unsigned char>(width);
  f.reserved = room(width);
  if (!f.reserved) {
    overflow_ = true;
    return;
  }
  f.field = current_;
  if (width) std::memset(base_ + current_, 0, width);
  current_ += width;
}

unsigned long qrnOStream::endOf(LengthField& f) {
  const unsigned long length = static_cast<unsigned long>(current_ - f.start);
  if (!f.reserved || f.width == 0) return length;
  if (f.width < sizeof(unsigned long) && (static_cast<unsigned long long>(length) >> (8 * f.width)) != 0)
    tooWide_ = true;
  for (unsigned i = 0; i < f.width; ++i) {
    const unsigned shift = 8 * (f.width - 1 - i);
    base_[f.field + i] = shift < 64 ? static_cast<unsigned char>(static_cast<unsigned long long>(length) >> shift) : 0;
  }
  return length;
}

void qrnOStream::skipForMajorLength(unsigned width) { skipFor(major_, width); }
void qrnOStream::skipForMinorLength(unsigned width) { skipFor(minor_, width); }
void qrnOStream::initMajorLength() { major_.start = current_; }
void qrnOStream::initMinorLength() { minor_.start = current_; }
unsigned long qrnOStream::endOfMajorLength() { return endOf(major_); }
unsigned long qrnOStream::endOfMinorLength() { return endOf(minor_); }

void qrnOStream::hostPutDataCompressed(const unsigned char* data, std::size_t n) {
  if (n > kMaxBlock) {
    // N has two bytes: the block cannot describe itself.
    tooWide_ = true;
    return;
  }
  if (n > 0 && data == nullptr) {
    overflow_ = true;
    return;
  }
  std::size_t coded = 0;
  forEachCodeByte(data, n, [&](unsigned char) { ++coded; });
  const bool stored = coded > n;
  const std::size_t m = stored ? n : coded;
  if (!room(kBlockHeader + m)) {
    overflow_ = true;
    return;
  }
  unsigned char* out = base_ + current_;
  out[0] = stored ? kBlockStored : kBlockCoded;
  out[1] = static_cast<unsigned char>(n >> 8);
  out[2] = static_cast<unsigned char>(n);
  out[3] = static_cast<unsigned char>(m >> 8);
  out[4] = static_cast<unsigned char>(m);
  out += kBlockHeader;
  if (stored) {
    if (n) std::memcpy(out, data, n);
  } else {
    forEachCodeByte(data, n, [&](unsigned char c) { *out++ = c; });
  }
  current_ += kBlockHeader + m;
}

void qrnOStream::appendFCS() {
  if (base_ == nullptr) {
    overflow_ = true;
    return;
  }
  if (bitPackingOn_ && bitsLeft_ < 8) endBitCompression();
  const std::size_t from = major_.reserved ? major_.field + major_.width : 0;
  const unsigned short fcs =
      from <= current_ ? fcs16Update(kFcsInitial, base_ + from, current_ - from) : kFcsInitial;
  const unsigned short sent = static_cast<unsigned short>(~fcs);
  if (current_ > size_ || size_ - current_ < 2) {
    overflow_ = true;
    return;
  }
  base_[current_++] = static_cast<unsigned char>(sent & 0xFF);
  base_[current_++] = static_cast<unsigned char>(sent >> 8);
}
