#include "display/CharacterBufferImplementation.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"

// The generic slots, built on getCharacter and writeCharacter. A range runs
// from first to last inclusive, leftwards when first > last.

namespace {
inline int Step(unsigned int first, unsigned int last) { return first <= last ? 1 : -1; }
inline unsigned int Span(unsigned int first, unsigned int last) {
  return (first <= last ? last - first : first - last) + 1;
}
}  // namespace

int CharacterBufferImplementation::compareRanges(unsigned int first, unsigned int last,
                                                 unsigned int other) const {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first + step * static_cast<int>(i);
    if (getCharacter(at) != getCharacter(other + step * static_cast<int>(i))) return at;
  }
  return -1;
}

int CharacterBufferImplementation::compareRangeWithData(unsigned int first, unsigned int last,
                                                        const unsigned char* bytes) const {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first + step * static_cast<int>(i);
    if (getCharacter(at) != bytes[i]) return at;
  }
  return -1;
}

int CharacterBufferImplementation::compareRangeWithDataReversed(unsigned int first,
                                                                unsigned int last,
                                                                const unsigned char* bytes) const {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first + step * static_cast<int>(i);
    if (getCharacter(at) != bytes[n - 1 - i]) return at;
  }
  return -1;
}

int CharacterBufferImplementation::findLastMismatchWithData(unsigned int first, unsigned int last,
                                                            const unsigned char* bytes) const {
  for (unsigned int at = last + 1; at-- > first;)
    if (getCharacter(at) != bytes[at - first]) return static_cast<int>(at);
  return -1;
}

void CharacterBufferImplementation::copyCharacter(unsigned int from, unsigned int to) {
  writeCharacter(to, getCharacter(from));
}

void CharacterBufferImplementation::copyRange(unsigned int first, unsigned int last,
                                              unsigned int destination) {
  if (first > last) {
    const unsigned int t = first;
    first = last;
    last = t;
  }
  const unsigned int n = last - first + 1;
  if (destination > first) {
    for (unsigned int i = n; i-- > 0;) copyCharacter(first + i, destination + i);
  } else {
    for (unsigned int i = 0; i < n; ++i) copyCharacter(first + i, destination + i);
  }
}

void CharacterBufferImplementation::fillRangeWithACharacter(unsigned int first,
                                                            unsigned int last,
                                                            unsigned char value) {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) writeCharacter(first + step * static_cast<int>(i), value);
}

int CharacterBufferImplementation::findCharacterInRange(unsigned int first, unsigned int last,
                                                        unsigned char value) const {
  return findCharacterInRange(first, last, value, value);
}

int CharacterBufferImplementation::findCharacterInRange(unsigned int first, unsigned int last,
                                                        unsigned char low,
                                                        unsigned char high) const {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first + step * static_cast<int>(i);
    const unsigned char c = getCharacter(at);
    if (c >= low && c <= high) return at;
  }
  return -1;
}

int CharacterBufferImplementation::findMismatchInRange(unsigned int first, unsigned int last,
                                                       unsigned char value) const {
  return findCharacterNotInValueRange(first, last, value, value);
}

int CharacterBufferImplementation::findCharacterNotInValueRange(unsigned int first,
                                                                unsigned int last,
                                                                unsigned char low,
                                                                unsigned char high) const {
  const int step = Step(first, last);
  const unsigned int n = Span(first, last);
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned int at = first + step * static_cast<int>(i);
    const unsigned char c = getCharacter(at);
    if (c < low || c > high) return at;
  }
  return -1;
}

void CharacterBufferImplementation::getRangeOfCharacters(unsigned int first, unsigned int count,
                                                         unsigned char* out) const {
  for (unsigned int i = 0; i < count; ++i) out[i] = getCharacter(first + i);
}

void CharacterBufferImplementation::getRangeOfCharactersCompressed(unsigned int first,
                                                                   unsigned int count,
                                                                   qrnOStream* stream) const {
  for (unsigned int i = 0; i < count; ++i) {
    const unsigned char c = getCharacter(first + i);
    stream->hostPutData(&c, 1);
  }
}

void CharacterBufferImplementation::getRangeOfCharactersReversed(unsigned int first,
                                                                 unsigned int count,
                                                                 unsigned char* out) const {
  for (unsigned int i = 0; i < count; ++i) out[i] = getCharacter(first - i);
}

void CharacterBufferImplementation::writeRangeOfCharacters(const unsigned char* bytes,
                                                           unsigned int count,
                                                           unsigned int first) {
  for (unsigned int i = 0; i < count; ++i) writeCharacter(first + i, bytes[i]);
}

void CharacterBufferImplementation::writeRangeOfCompressedCharacters(qrnIStream* stream,
                                                                     unsigned int count,
                                                                     unsigned int first) {
  for (unsigned int i = 0; i < count; ++i) {
    unsigned char c = 0;
    stream->hostGetData(&c, 1);
    writeCharacter(first + i, c);
  }
}

void CharacterBufferImplementation::writeRangeOfCharactersReversed(const unsigned char* bytes,
                                                                   unsigned int count,
                                                                   unsigned int last) {
  for (unsigned int i = 0; i < count; ++i) writeCharacter(last - i, bytes[i]);
}
