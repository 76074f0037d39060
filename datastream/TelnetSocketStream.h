#pragma once
#include "datastream/TelnetStream.h"

// A TelnetStream straight over a connected socket (recv and send).
class TelnetSocketStream final : public TelnetStream {
 public:
  explicit TelnetSocketStream(int socket = -1) : socket_(socket) {}
  void setSocket(int socket) { socket_ = socket; }

  long read(void* buffer, size_t size) override;
  long write(const void* data, size_t size) override;
  void close() override {}

 private:
  int socket_;
};
