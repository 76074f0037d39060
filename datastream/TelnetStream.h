#pragma once
#include <cstddef>

// The byte stream under the Telnet transport: a plain TCP socket, or a
// secure session over that socket. The transport owns the socket
// descriptor; a stream only reads and writes through it.
class TelnetStream {
 public:
  virtual ~TelnetStream() = default;

  // Reads up to `size` bytes. Returns the count read (> 0), 0 at the end of
  // the connection, or -1 with errno set; errno EAGAIN or EWOULDBLOCK means
  // nothing is available yet (for a secure stream also: only part of a
  // record has arrived).
  virtual long read(void* buffer, size_t size) = 0;

  // Writes up to `size` bytes and returns the count written (may be fewer),
  // or -1 with errno set; EAGAIN or EWOULDBLOCK means the write would block
  // and should be repeated when the socket is writable. Must never raise
  // SIGPIPE.
  virtual long write(const void* data, size_t size) = 0;

  // Ends the stream's session (a secure stream sends its close notification
  // and frees the session). Does not close the socket descriptor.
  virtual void close() = 0;
};
