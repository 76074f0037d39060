#pragma once
// The writer of a save/restore stream. It works in place on a caller's
// buffer: single bytes, bit-packed runs (values of 1 to 8 bits, most
// significant bit first), big-endian fields of 2, 3 and 4 bytes, raw copies,
// run-length compressed blocks, reserved length fields and the closing FCS.
//
// The last two bytes of the buffer are kept for the FCS: no other write
// reaches them. A write that does not fit is dropped whole and marks the
// stream overflowed; a value that does not fit its field is written cut to
// the field but marks the stream (valueTooWide). checkSave() tells the
// caller whether the image is complete and exact.
//
// Calling order of a save: setup, initMajorLength, the two header bytes with
// save, skipForMajorLength(2), the members, appendFCS, endOfMajorLength.

#include <cstddef>

#include "datastream/qrnField.h"

class qrnOStream {
 public:
  qrnOStream() = default;

  // Starts a stream over `size` bytes at `buffer`.
  void setup(unsigned char* buffer, std::size_t size);

  // Copies n bytes; dropped (overflow) when they would reach the last two
  // bytes of the buffer.
  void hostPutData(const void* data, std::size_t n);

  // Outside a bit-packed run: one byte (bits is not used; the value must fit
  // 8 bits). Inside: the low `bits` bits (1 to 8); a value that does not fit
  // into the bits left of the current byte starts a new byte.
  template <class T>
  void save(T value, unsigned bits) {
    unsigned long long raw = 0;
    const unsigned width = bitPackingOn_ ? bits : 8;
    const bool fits = width >= 1 && width <= 8 && qrnEncodeField(value, width, raw);
    saveRaw(static_cast<unsigned char>(raw), bits, fits);
  }

  // Big-endian fields of 2, 3 and 4 bytes.
  template <class T>
  void hostPut16(T value) { putField(value, 2); }
  template <class T>
  void hostPut24(T value) { putField(value, 3); }
  template <class T>
  void hostPut32(T value) { putField(value, 4); }

  void startBitCompression();
  // Ends the run; a partly filled byte is padded with 0 bits and written.
  void endBitCompression();

  // Reserve `width` bytes at the current position for a length.
  void skipForMajorLength(unsigned width);
  void skipForMinorLength(unsigned width);
  // The length counts from the current position.
  void initMajorLength();
  void initMinorLength();
  // Write the count of bytes since the start into the reserved field,
  // big-endian, and return it.
  unsigned long endOfMajorLength();
  unsigned long endOfMinorLength();

  // A compressed block of n bytes (at most 65,535): flag 0xFF and the
  // run-length code, or flag 0x00 and the bytes as they are when the code
  // would be longer. Dropped whole (overflow) when it does not fit.
  void hostPutDataCompressed(const unsigned char* data, std::size_t n);

  // Closes a pending bit-packed run, then appends the complemented FCS of
  // everything after the major-length field, low byte first.
  void appendFCS();

  std::size_t lengthOfData() const { return current_; }
  unsigned char* buffer() const { return base_; }

  // Empties the bit byte (0, 8 bits left).
  void resetSaveChar();

  // Failure reporting.
  void setOverflow() { overflow_ = true; }
  bool checkOverflow() const { return overflow_; }
  bool valueTooWide() const { return tooWide_; }
  // True when something was dropped or cut: the image must not be sent as
  // a good one.
  bool checkSave() const { return overflow_ || tooWide_; }

 private:
  struct LengthField {
    std::size_t field = 0;  // offset of the reserved bytes
    unsigned char width = 0;
    bool reserved = false;  // the reservation fitted
    std::size_t start = 0;  // offset from which the length counts
  };

  void saveRaw(unsigned char raw, unsigned bits, bool fits);
  void putRaw(unsigned long long raw, unsigned bytes);
  template <class T>
  void putField(T value, unsigned bytes) {
    unsigned long long raw = 0;
    if (!qrnEncodeField(value, bytes * 8, raw)) tooWide_ = true;
    putRaw(raw, bytes);
  }
  bool room(std::size_t n) const;  // n more bytes stay clear of the last two
  void emitBitByte();
  void skipFor(LengthField& f, unsigned width);
  unsigned long endOf(LengthField& f);

  unsigned char* base_ = nullptr;
  std::size_t size_ = 0;
  std::size_t current_ = 0;  // offset of the next byte to write
  LengthField major_;
  LengthField minor_;
  bool bitPackingOn_ = false;
  unsigned char bitByte_ = 0;
  unsigned char bitsLeft_ = 8;
  bool overflow_ = false;
  bool tooWide_ = false;
};
