#include "display/NormalCharacterBufferImplementation.h"

#include <cstdint>
#include <cstring>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "base/LocalMalloc.h"

#include <cstdlib>

namespace {
inline unsigned int Low(unsigned int a, unsigned int b) { return a < b ? a : b; }
inline unsigned int Span(unsigned int first, unsigned int last) {
  return (first <= last ? last - first : first - last) + 1;
}
}  // namespace

NormalCharacterBufferImplementation::NormalCharacterBufferImplementation(unsigned char* buffer,
                                                                         unsigned int size)
    : buffer_(buffer), owned_(false) {
  if (buffer_ == nullptr) {
    buffer_ = static_cast<unsigned char*>(
        LocalMalloc("NormalCharacterBufferImplementation", size ? size : 1,
                    MallocFailExitProcess));
    std::memset(buffer_, 0, size ? size : 1);
    owned_ = true;
  }
}

NormalCharacterBufferImplementation::~NormalCharacterBufferImplementation() {
  if (owned_) std::free(buffer_);
}

int NormalCharacterBufferImplementation::compareRanges(unsigned int first, unsigned int last,
                                                       unsigned int other) const {
  if (first <= last) {
    const unsigned int n = last - first + 1;
    const unsigned char* a = buffer_ + first;
    const unsigned char* b = buffer_ + other;
    for (unsigned int i = 0; i < n; ++i)
      if (a[i] != b[i]) return first + i;
    return -1;
  }
  return CharacterBufferImplementation::compareRanges(first, last, other);
}

int NormalCharacterBufferImplementation::compareRangeWithData(unsigned int first,
                                                              unsigned int last,
                                                              const unsigned char* bytes) const {
  if (first <= last) {
    const unsigned int n = last - first + 1;
    const unsigned char* a = buffer_ + first;
    if (std::memcmp(a, bytes, n) == 0) return -1;
    for (unsigned int i = 0; i < n; ++i)
      if (a[i] != bytes[i]) return first + i;
    return -1;
  }
  // Leftwards: position first - i holds bytes[i].
  for (unsigned int i = 0, n = first - last + 1; i < n; ++i)
    if (buffer_[first - i] != bytes[i]) return static_cast<int>(first - i);
  return -1;
}

int NormalCharacterBufferImplementation::compareRangeWithDataReversed(
    unsigned int first, unsigned int last, const unsigned char* bytes) const {
  // The i-th position walked holds bytes[n - 1 - i].
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first <= last ? first + i : first - i;
    if (buffer_[at] != bytes[n - 1 - i]) return static_cast<int>(at);
  }
  return -1;
}

int NormalCharacterBufferImplementation::findLastMismatchWithData(unsigned int first, unsigned int last,
                                                                  const unsigned char* bytes) const {
  const unsigned char* a = buffer_ + first;
  unsigned int n = last - first + 1;
  // Eight at a time from the end while they are equal.
  for (uint64_t x, y; n >= 8; n -= 8) {
    std::memcpy(&x, a + n - 8, 8);
    std::memcpy(&y, bytes + n - 8, 8);
    if (x != y) break;
  }
  while (n > 0 && a[n - 1] == bytes[n - 1]) --n;
  return n ? static_cast<int>(first + n - 1) : -1;
}

void NormalCharacterBufferImplementation::copyCharacter(unsigned int from, unsigned int to) {
  buffer_[to] = buffer_[from];
}

void NormalCharacterBufferImplementation::copyRange(unsigned int first, unsigned int last,
                                                    unsigned int destination) {
  const unsigned int low = Low(first, last);
  std::memmove(buffer_ + destination, buffer_ + low, Span(first, last));
}

void NormalCharacterBufferImplementation::fillRangeWithACharacter(unsigned int first,
                                                                  unsigned int last,
                                                                  unsigned char value) {
  std::memset(buffer_ + Low(first, last), value, Span(first, last));
}

int NormalCharacterBufferImplementation::findCharacterInRange(unsigned int first,
                                                              unsigned int last,
                                                              unsigned char value) const {
  if (first <= last) {
    const void* p = std::memchr(buffer_ + first, value, last - first + 1);
    return p ? static_cast<int>(static_cast<const unsigned char*>(p) - buffer_) : -1;
  }
  for (unsigned int at = first + 1; at-- > last;)
    if (buffer_[at] == value) return at;
  return -1;
}

int NormalCharacterBufferImplementation::findCharacterInRange(unsigned int first,
                                                              unsigned int last,
                                                              unsigned char low,
                                                              unsigned char high) const {
  if (first <= last) {
    for (unsigned int at = first; at <= last; ++at)
      if (buffer_[at] >= low && buffer_[at] <= high) return at;
    return -1;
  }
  for (unsigned int at = first + 1; at-- > last;)
    if (buffer_[at] >= low && buffer_[at] <= high) return at;
  return -1;
}

int NormalCharacterBufferImplementation::findMismatchInRange(unsigned int first,
                                                             unsigned int last,
                                                             unsigned char value) const {
  return findCharacterNotInValueRange(first, last, value, value);
}

int NormalCharacterBufferImplementation::findCharacterNotInValueRange(unsigned int first,
                                                                      unsigned int last,
                                                                      unsigned char low,
                                                                      unsigned char high) const {
  if (first <= last) {
    for (unsigned int at = first; at <= last; ++at)
      if (buffer_[at] < low || buffer_[at] > high) return at;
    return -1;
  }
  for (unsigned int at = first + 1; at-- > last;)
    if (buffer_[at] < low || buffer_[at] > high) return at;
  return -1;
}

void NormalCharacterBufferImplementation::getRangeOfCharacters(unsigned int first,
                                                               unsigned int count,
                                                               unsigned char* out) const {
  if (count) std::memcpy(out, buffer_ + first, count);
}

void NormalCharacterBufferImplementation::getRangeOfCharactersCompressed(
    unsigned int first, unsigned int count, qrnOStream* stream) const {
  stream->hostPutDataCompressed(buffer_ + first, count);
}

void NormalCharacterBufferImplementation::getRangeOfCharactersReversed(unsigned int first,
                                                                       unsigned int count,
                                                                       unsigned char* out) const {
  for (unsigned int i = 0; i < count; ++i) out[i] = buffer_[first - i];
}

void NormalCharacterBufferImplementation::writeRangeOfCharacters(const unsigned char* bytes,
                                                                 unsigned int count,
                                                                 unsigned int first) {
  if (count) std::memmove(buffer_ + first, bytes, count);
}

void NormalCharacterBufferImplementation::writeRangeOfCompressedCharacters(qrnIStream* stream,
                                                                           unsigned int count,
                                                                           unsigned int first) {
  stream->hostGetDataCompressed(buffer_ + first, count);
}

void NormalCharacterBufferImplementation::writeRangeOfCharactersReversed(
    const unsigned char* bytes, unsigned int count, unsigned int last) {
  for (unsigned int i = 0; i < count; ++i) buffer_[last - i] = bytes[i];
}
