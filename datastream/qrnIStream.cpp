#include "datastream/qrnIStream.h"

#include <cstring>

#include "datastream/calcFCS.h"

namespace {

constexpr unsigned char kRunMarker = 0x11;
constexpr unsigned char kBlockCoded = 0xFF;
constexpr unsigned char kBlockStored = 0x00;
constexpr std::size_t kBlockHeader = 5;
// Two header bytes and the 2-byte major length precede the members.
constexpr std::size_t kStreamHeader = 4;
constexpr std::size_t kFcsBytes = 2;

}  // namespace

qrnIStream::qrnIStream(const unsigned char* buffer, std::size_t size)
    : base_(buffer), size_(buffer ? size : 0), current_(kStreamHeader) {
  if (size_ < kStreamHeader) failPastEnd(qrnStreamError::PastEnd);
}

void qrnIStream::fail(qrnStreamError e) {
  if (!error_) firstError_ = e;
  error_ = true;
}

void qrnIStream::failPastEnd(qrnStreamError e) {
  fail(e);
  current_ = size_;
}

void qrnIStream::hostGetData(void* dest, std::size_t n) {
  if (n == 0) return;
  if (dest == nullptr) {
    failPastEnd(qrnStreamError::PastEnd);
    return;
  }
  if (n > size_ - current_) {
    std::memset(dest, 0, n);
    failPastEnd(qrnStreamError::PastEnd);
    return;
  }
  std::memcpy(dest, base_ + current_, n);
  current_ += n;
}

unsigned long long qrnIStream::getRaw(unsigned bytes) {
  unsigned char b[8] = {};
  hostGetData(b, bytes);
  unsigned long long raw = 0;
  for (unsigned i = 0; i < bytes; ++i) raw = (raw << 8) | b[i];
  return raw;
}

unsigned char qrnIStream::restoreRaw(unsigned bits) {
  unsigned char b = 0;
  if (!bitExpansionOn_) {
    hostGetData(&b, 1);
    return b;
  }
  unsigned k = bits;
  if (k == 0 || k > 8) {
    fail(qrnStreamError::BadBits);
    if (k == 0) return 0;
    k = 8;
  }
  if (bitsLeft_ < k) {
    // The writer started a new byte here: the rest of this one is padding.
    hostGetData(&b, 1);
    bitByte_ = b;
    bitsLeft_ = 8;
  }
  const unsigned value = (static_cast<unsigned>(bitByte_) >> (bitsLeft_ - k)) & ((1u << k) - 1);
  bitsLeft_ = static_cast<unsigned char>(bitsLeft_ - k);
  return static_cast<unsigned char>(value);
}

void qrnIStream::startBitExpansion() {
  bitExpansionOn_ = true;
  // The first byte is read with the first value, so that a run without
  // values (which the writer leaves out) reads nothing either.
  resetRestoreChar();
}

void qrnIStream::endBitExpansion() {
  bitExpansionOn_ = false;
  resetRestoreChar();
}

void qrnIStream::resetRestoreChar() {
  bitByte_ = 0;
  bitsLeft_ = 0;
}

void qrnIStream::hostGetDataCompressed(unsigned char* dest, std::size_t n) {
  auto bad = [&](qrnStreamError e) {
    if (n && dest) std::memset(dest, 0, n);
    failPastEnd(e);
  };
  if (n && !dest) return bad(qrnStreamError::PastEnd);
  const std::size_t left = size_ - current_;
  if (left < kBlockHeader) return bad(qrnStreamError::PastEnd);
  const unsigned char* p = base_ + current_;
  const std::size_t declared = static_cast<std::size_t>(p[1]) << 8 | p[2];
  const std::size_t m = static_cast<std::size_t>(p[3]) << 8 | p[4];
  if (declared != n) return bad(qrnStreamError::BadBlock);
  if (m > left - kBlockHeader) return bad(qrnStreamError::PastEnd);
  const unsigned char* code = p + kBlockHeader;
  if (p[0] == kBlockStored) {
    if (m != n) return bad(qrnStreamError::BadBlock);
    if (n) std::memcpy(dest, code, n);
  } else if (p[0] == kBlockCoded) {
    std::size_t out = 0;
    std::size_t i = 0;
    while (i < m) {
      const unsigned char c = code[i++];
      if (c == kRunMarker) {
        if (m - i < 2) return bad(qrnStreamError::BadBlock);
        const unsigned char value = code[i];
        const std::size_t count = code[i + 1];
        i += 2;
        if (count > n - out) return bad(qrnStreamError::BadBlock);
        if (count) std::memset(dest + out, value, count);
        out += count;
      } else {
        if (out >= n) return bad(qrnStreamError::BadBlock);
        dest[out++] = c;
      }
    }
    if (out != n) return bad(qrnStreamError::BadBlock);
  } else {
    return bad(qrnStreamError::BadBlock);
  }
  current_ += kBlockHeader + m;
}

const unsigned char* qrnIStream::hostGetDataCompressedPtrAndLength(std::size_t& m) {
  m = 0;
  const std::size_t left = size_ - current_;
  if (left < kBlockHeader) {
    failPastEnd(qrnStreamError::PastEnd);
    return nullptr;
  }
  const unsigned char* p = base_ + current_;
  const std::size_t count = static_cast<std::size_t>(p[3]) << 8 | p[4];
  if (count > left - kBlockHeader) {
    failPastEnd(qrnStreamError::PastEnd);
    return nullptr;
  }
  m = count;
  return p + kBlockHeader;
}

bool qrnIStream::checkFCS() const {
  if (size_ < kStreamHeader + kFcsBytes) return true;
  const std::size_t majorLength = static_cast<std::size_t>(base_[2]) << 8 | base_[3];
  if (majorLength != size_) return true;
  return fcs16Update(kFcsInitial, base_ + kStreamHeader, size_ - kStreamHeader) != kFcsGood;
}

const char* qrnIStream::errorText(qrnStreamError e) {
  switch (e) {
    case qrnStreamError::None: return "no error";
    case qrnStreamError::PastEnd: return "read past the end of the stream";
    case qrnStreamError::BadBlock: return "compressed block does not match";
    case qrnStreamError::BadBits: return "bit value of 0 or more than 8 bits";
    case qrnStreamError::OutOfRange: return "value does not fit its member";
  }
  return "unknown error";
}
