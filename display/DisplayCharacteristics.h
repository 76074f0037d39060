#pragma once
#include <cstdint>

// The eight-word record of a session's screen capabilities. Word 0 holds
// feature bits, word 5 the buffer size (high half) and the rows and columns
// (its two low bytes); the other words carry device identification.
// Bits of word 1: the larger screen sizes the station can show.
constexpr unsigned kWord1Wide27x132Bit = 24;
constexpr unsigned kWord1Screen43x80Bit = 27;
constexpr unsigned kWord1Screen32x80Bit = 28;

struct DisplayCharacteristics {
  uint32_t word[8] = {0x7F68428Du, 0, 0, 0, 0, (3696u << 16) | (24u << 8) | 80u, 0, 0};

  bool feature(unsigned bit) const { return (word[0] >> bit) & 1u; }
  bool word1Bit(unsigned bit) const { return (word[1] >> bit) & 1u; }
  unsigned int bufferSize() const { return word[5] >> 16; }
  unsigned int rows() const { return (word[5] >> 8) & 0xFFu; }
  unsigned int columns() const { return word[5] & 0xFFu; }

  // Byte k (0-31) of the record, its words big-endian.
  unsigned char recordByte(unsigned k) const { return static_cast<unsigned char>(word[k / 4] >> (8 * (3 - k % 4))); }
  void setRecordByte(unsigned k, unsigned char b) {
    const unsigned shift = 8 * (3 - k % 4);
    word[k / 4] = (word[k / 4] & ~(0xFFu << shift)) | (static_cast<uint32_t>(b) << shift);
  }
  // The device identification that the query reply reports: the device type
  // (4 EBCDIC characters, bytes 6-9) and the model (3, bytes 10-12).
  void setDevice(const unsigned char type[4], const unsigned char model[3]) {
    for (unsigned k = 0; k < 4; ++k) setRecordByte(6 + k, type[k]);
    for (unsigned k = 0; k < 3; ++k) setRecordByte(10 + k, model[k]);
  }
};
