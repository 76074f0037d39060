#pragma once
// The outbound buffer through which a command answers the host at once (a
// save image, a query reply): one work buffer of the display at a time,
// written through a save stream and sent, or given back unsent.
#include <cstdint>

#include "datastream/qrnOStream.h"

class DisplayBag;

class HostBuf {
 public:
  static constexpr uint32_t kBusy = 0x80000000u;

  explicit HostBuf(DisplayBag* display) : display_(display) {}
  ~HostBuf();
  HostBuf(const HostBuf&) = delete;
  HostBuf& operator=(const HostBuf&) = delete;

  // The stream over a new buffer of n bytes; null while one is in use or
  // when the display has none.
  qrnOStream* getHostBuf(uint32_t n);
  // 1 when no buffer is in use.
  int checkHostBuf() const { return (flags_ & kBusy) ? 0 : 1; }
  void abortHostPut();
  void endOfHostPut();
  // Sends n bytes as a system request record; a copy that does not fit
  // marks the stream overflowed.
  void systemRequestPut(const unsigned char* data, uint32_t n);

 private:
  DisplayBag* display_;
  unsigned char* buffer_ = nullptr;
  qrnOStream stream_;
  uint32_t flags_ = 0;
};
