#pragma once
// The byte buffer a print job is written into. A job is produced twice by
// the same code: once in counting mode, which only adds up the bytes, and
// once in writing mode over a buffer of exactly the counted size. Writing
// never passes the end of the buffer: a write that does not fit is refused
// whole.
#include <cstddef>

class OutDataStream {
 public:
  enum Result : int { Done = 0, NoRoom = 2 };

  OutDataStream();
  ~OutDataStream();
  OutDataStream(const OutDataStream&) = delete;
  OutDataStream& operator=(const OutDataStream&) = delete;

  // Counting mode: nothing is kept, only the count grows.
  void setupDsBuffForCount();
  // Writing mode over a new buffer of n bytes (the old one is freed). A
  // failed allocation leaves no buffer (getDsBuffPtr() is null) and is
  // reported through the low-memory dialog; it never ends the program.
  void setupDsBuff(unsigned n);

  int putDsBuffChar(const unsigned char* bytes, unsigned n);
  int putDsBuffChar(unsigned char byte) { return putDsBuffChar(&byte, 1); }
  // The characters of s, without the NUL.
  int copyString(const char* s);
  // Puts n bytes in at the word begin: what was written behind it moves on
  // by n, and the cursor and the word begin advance by n.
  int insertAtWordBegin(const unsigned char* bytes, unsigned n);
  void updateWordBeginDelimiterLoc() { wordBegin_ = cursor_; }

  unsigned char* getDsBuffPtr() const { return buffer_; }
  unsigned char* getDsBuffLoc() const { return cursor_; }
  int setDsBuffLoc(unsigned char* p);
  void freeDsBuff();

  bool counting() const { return counting_; }
  // Bytes counted (counting mode) or written (writing mode).
  std::size_t length() const;
  unsigned size() const { return size_; }

 private:
  unsigned size_ = 0;
  unsigned char* buffer_ = nullptr;
  unsigned char* end_ = nullptr;
  unsigned char* cursor_ = nullptr;
  bool counting_ = true;
  unsigned char* wordBegin_ = nullptr;
  std::size_t count_ = 0;
};
