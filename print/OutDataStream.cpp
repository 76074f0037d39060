#include "print/OutDataStream.h"

#include <cstdlib>
#include <cstring>

#include "base/LocalMalloc.h"
#include "base/LogMsg.h"

OutDataStream::OutDataStream() {
  if (DebugFlag()) LogMsg(LevelDebug, "outdatastream constructor\n");
}

OutDataStream::~OutDataStream() {
  if (DebugFlag()) LogMsg(LevelDebug, "starting outdatastream destructor\n");
  freeDsBuff();
  if (DebugFlag()) LogMsg(LevelDebug, "ending outdatastream destructor\n");
}

void OutDataStream::setupDsBuffForCount() {
  freeDsBuff();
  counting_ = true;
  count_ = 0;
}

void OutDataStream::setupDsBuff(unsigned n) {
  freeDsBuff();
  counting_ = false;
  count_ = 0;
  // One byte more than asked so that an empty job still has a buffer.
  buffer_ = static_cast<unsigned char*>(LocalMalloc("out_data_buff", n ? n : 1, MallocFailLowMemoryDialog));
  if (!buffer_) return;
  size_ = n;
  cursor_ = wordBegin_ = buffer_;
  end_ = buffer_ + n;
}

int OutDataStream::putDsBuffChar(const unsigned char* bytes, unsigned n) {
  if (counting_) {
    count_ += n;
    return Done;
  }
  if (!buffer_ || static_cast<std::size_t>(end_ - cursor_) < n) return NoRoom;
  if (n) std::memcpy(cursor_, bytes, n);
  cursor_ += n;
  return Done;
}

int OutDataStream::copyString(const char* s) {
  return putDsBuffChar(reinterpret_cast<const unsigned char*>(s), static_cast<unsigned>(std::strlen(s)));
}

int OutDataStream::insertAtWordBegin(const unsigned char* bytes, unsigned n) {
  if (counting_) {
    count_ += n;
    return Done;
  }
  if (!buffer_ || static_cast<std::size_t>(end_ - cursor_) < n) return NoRoom;
  if (n) {
    std::memmove(wordBegin_ + n, wordBegin_, static_cast<std::size_t>(cursor_ - wordBegin_));
    std::memcpy(wordBegin_, bytes, n);
  }
  cursor_ += n;
  wordBegin_ += n;
  return Done;
}

int OutDataStream::setDsBuffLoc(unsigned char* p) {
  if (!buffer_ || p < buffer_ || p > end_) return NoRoom;
  cursor_ = p;
  if (wordBegin_ > cursor_) wordBegin_ = cursor_;
  return Done;
}

void OutDataStream::freeDsBuff() {
  std::free(buffer_);
  buffer_ = end_ = cursor_ = wordBegin_ = nullptr;
  size_ = 0;
}

std::size_t OutDataStream::length() const {
  if (counting_) return count_;
  return buffer_ ? static_cast<std::size_t>(cursor_ - buffer_) : 0;
}
