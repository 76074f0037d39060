#include "display/CharacterBufferImplementationOfSharedChars.h"

#include <cstring>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "base/ErrorHalt.h"

namespace {
constexpr unsigned short kModuleCharacterStores = 0x0B01;
inline int Step(unsigned int first, unsigned int last) { return first <= last ? 1 : -1; }
inline unsigned int Span(unsigned int first, unsigned int last) {
  return (first <= last ? last - first : first - last) + 1;
}
}  // namespace

CharacterBufferImplementationOfSharedChars::CharacterBufferImplementationOfSharedChars(
    unsigned int mask, unsigned int clampFlag, unsigned char* words, unsigned int bytesPerPosition)
    : mask_(mask),
      clampFlag_(clampFlag ? 1 : 0),
      shift_(0),
      bytesPerPosition_(static_cast<unsigned char>(bytesPerPosition)),
      words_(words) {
  const unsigned int bits = bytesPerPosition >= 4 ? 32 : bytesPerPosition * 8;
  const unsigned int usable = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
  if (bytesPerPosition == 0 || bytesPerPosition > 4 || (mask & usable) == 0 || mask != (mask & usable))
    ErrorHalt(kModuleCharacterStores, 1, mask, bytesPerPosition);
  while (((mask_ >> shift_) & 1u) == 0) ++shift_;
}

unsigned int CharacterBufferImplementationOfSharedChars::word(unsigned int offset) const {
  const unsigned char* p = words_ + offset * bytesPerPosition_;
  unsigned int w = 0;
  for (unsigned int i = 0; i < bytesPerPosition_; ++i) w = (w << 8) | p[i];
  return w;
}

void CharacterBufferImplementationOfSharedChars::setWord(unsigned int offset, unsigned int value) {
  unsigned char* p = words_ + offset * bytesPerPosition_;
  for (unsigned int i = bytesPerPosition_; i-- > 0;) {
    p[i] = static_cast<unsigned char>(value);
    value >>= 8;
  }
}

unsigned char CharacterBufferImplementationOfSharedChars::getCharacter(unsigned int offset) const {
  const unsigned int field = (word(offset) & mask_) >> shift_;
  if (field == 0) return 0;
  const unsigned int value = 0x7F + field;
  return static_cast<unsigned char>(value > 0xFF ? 0xFF : value);
}

void CharacterBufferImplementationOfSharedChars::writeCharacter(unsigned int offset,
                                                                unsigned char value) {
  unsigned int field = 0;
  if (value >= 0x80) field = (clampFlag_ && value > 0x8E) ? 15 : value - 0x7Fu;
  // A value wider than the field is kept at the field's largest value rather
  // than spilling into the neighbouring plane's bits.
  const unsigned int widest = mask_ >> shift_;
  if (field > widest) field = widest;
  setWord(offset, (word(offset) & ~mask_) | ((field << shift_) & mask_));
}

int CharacterBufferImplementationOfSharedChars::findCharacterInRange(unsigned int first,
                                                                     unsigned int last,
                                                                     unsigned char value) const {
  return findCharacterInRange(first, last, value, value);
}

int CharacterBufferImplementationOfSharedChars::findCharacterInRange(unsigned int first,
                                                                     unsigned int last,
                                                                     unsigned char low,
                                                                     unsigned char high) const {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  const bool skipEmptyWords = low > 0;  // a zero word holds 0 in every plane
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first + step * static_cast<int>(i);
    if (skipEmptyWords && word(at) == 0) continue;
    const unsigned char c = getCharacter(at);
    if (c >= low && c <= high) return at;
  }
  return -1;
}

void CharacterBufferImplementationOfSharedChars::clearAllSharedCharacters(unsigned int first,
                                                                          unsigned int last) {
  const unsigned int low = first < last ? first : last;
  std::memset(words_ + low * bytesPerPosition_, 0, Span(first, last) * bytesPerPosition_);
}

int CharacterBufferImplementationOfSharedChars::compareRangesOfSharedCharacters(
    unsigned int first, unsigned int last, unsigned int other) const {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first + step * static_cast<int>(i);
    if (word(at) != word(other + step * static_cast<int>(i))) return at;
  }
  return -1;
}

void CharacterBufferImplementationOfSharedChars::copyRangeOfSharedCharacters(
    unsigned int first, unsigned int last, unsigned int destination) {
  const unsigned int low = first < last ? first : last;
  std::memmove(words_ + destination * bytesPerPosition_, words_ + low * bytesPerPosition_,
               Span(first, last) * bytesPerPosition_);
}

int CharacterBufferImplementationOfSharedChars::findNonNullInAnySharedCharacter(
    unsigned int first, unsigned int last) const {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first + step * static_cast<int>(i);
    if (word(at) != 0) return at;
  }
  return -1;
}

void CharacterBufferImplementationOfSharedChars::getRangeOfSharedCharactersCompressed(
    unsigned int first, unsigned int count, qrnOStream* stream) const {
  stream->hostPutDataCompressed(words_ + first * bytesPerPosition_, count * bytesPerPosition_);
}

void CharacterBufferImplementationOfSharedChars::writeRangeOfCompressedSharedCharacters(
    qrnIStream* stream, unsigned int count, unsigned int first) {
  stream->hostGetDataCompressed(words_ + first * bytesPerPosition_, count * bytesPerPosition_);
}
