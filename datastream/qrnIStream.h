#pragma once
// The reader of a save/restore stream (see qrnOStream). It works in place on
// the received bytes and never reads outside them: every read that runs
// past the end, a compressed block that is cut short or does not decode to
// the size asked for, and a value that does not fit its member set the error
// flag and yield zeros; further reads fail the same way. The caller tests
// checkFCS() right after construction and checkRestore() once at the end,
// and rejects the restore (a negative response) when either is true. Restore
// into scratch members and commit only when both are clear.

#include <cstddef>

#include "datastream/qrnField.h"

enum class qrnStreamError : unsigned char {
  None = 0,
  PastEnd,     // a read ran past the end of the stream
  BadBlock,    // a compressed block's header, length or code is wrong
  BadBits,     // a bit value of 0 or more than 8 bits was asked for
  OutOfRange,  // a value does not fit the member it is read into
};

class qrnIStream {
 public:
  // Over the `size` bytes of a stream; reading starts after the two header
  // bytes and the 2-byte major length.
  qrnIStream(const unsigned char* buffer, std::size_t size);

  // Copies n bytes; zeros and error when fewer are left.
  void hostGetData(void* dest, std::size_t n);

  // Outside bit expansion: one byte. Inside: the next `bits` bits (1 to 8),
  // most significant first; when fewer are left in the current byte, its
  // padding is dropped and the next byte read, as the writer does.
  template <class T>
  void restore(T& value, unsigned bits) {
    const unsigned char raw = restoreRaw(bits);
    if (!qrnDecodeField(raw, bitExpansionOn_ ? bits : 8, value)) fail(qrnStreamError::OutOfRange);
  }

  // Big-endian fields of 2, 3 and 4 bytes.
  template <class T>
  void hostGet16(T& value) { getField(value, 2); }
  template <class T>
  void hostGet24(T& value) { getField(value, 3); }
  template <class T>
  void hostGet32(T& value) { getField(value, 4); }

  void startBitExpansion();
  // Unread bits of the current byte are dropped.
  void endBitExpansion();

  // Reads a compressed block that must expand to exactly n bytes.
  void hostGetDataCompressed(unsigned char* dest, std::size_t n);

  // For the block at the current position: its data (after the 5-byte
  // header) and in m its byte count, without moving; null (m = 0, error set)
  // when the block does not lie wholly inside the stream.
  const unsigned char* hostGetDataCompressedPtrAndLength(std::size_t& m);

  // True (bad) unless the major length equals the stream's size and the FCS
  // over everything after the major length, the FCS included, leaves the
  // good residue. Called right after construction.
  bool checkFCS() const;

  // True when any read failed.
  bool checkRestore() const { return error_; }
  // The first failure, for the caller's log line.
  qrnStreamError firstError() const { return firstError_; }
  static const char* errorText(qrnStreamError e);

  // Empties the bit byte (0 bits left).
  void resetRestoreChar();

  std::size_t bytesLeft() const { return size_ - current_; }

 private:
  unsigned char restoreRaw(unsigned bits);
  unsigned long long getRaw(unsigned bytes);
  template <class T>
  void getField(T& value, unsigned bytes) {
    const unsigned long long raw = getRaw(bytes);
    if (!qrnDecodeField(raw, bytes * 8, value)) fail(qrnStreamError::OutOfRange);
  }
  void fail(qrnStreamError e);
  void failPastEnd(qrnStreamError e);  // error, and nothing more can be read

  const unsigned char* base_;
  std::size_t size_;
  std::size_t current_;  // offset of the next byte to read
  bool bitExpansionOn_ = false;
  unsigned char bitByte_ = 0;
  unsigned char bitsLeft_ = 0;
  bool error_ = false;
  qrnStreamError firstError_ = qrnStreamError::None;
};
