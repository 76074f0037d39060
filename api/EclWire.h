#pragma once
// The wire format of the programming interface: 32-bit big-endian integers;
// a request is class id, function id, data length n and n data bytes; a
// reply is the return code and the reply data. The decoder reassembles the
// requests of one connection from whatever pieces the socket delivers and
// refuses a data length beyond its cap instead of trusting it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ecl {

// Return codes shared by every class.
enum ReturnCode : int32_t {
  kSuccess = 1,
  kBadFunction = 3,
  kBadClass = 4,
  kNoSession = 5,
  kNoMemory = 6,
  kSendKeysError = 7,
  kNoCodePage = 8,
  kSetStringError = 9,
};

// Class ids that have a handler.
enum ClassId : int32_t {
  kClassBase = 0,
  kClassConnectionManager = 3,
  kClassConnection = 5,
  kClassFieldList = 8,
  kClassOia = 11,
  kClassPresentationSpace = 13,
  kClassWindowMetrics = 19,
};

constexpr size_t kRequestHeaderSize = 12;
// The largest data a request may carry (a SendKeys text of a whole screen
// with room to spare); a longer one breaks the framing of the connection.
constexpr uint32_t kMaxRequestData = 16384;

inline uint32_t Get32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
inline void Put32(std::vector<unsigned char>& out, uint32_t v) {
  out.push_back(static_cast<unsigned char>(v >> 24));
  out.push_back(static_cast<unsigned char>(v >> 16));
  out.push_back(static_cast<unsigned char>(v >> 8));
  out.push_back(static_cast<unsigned char>(v));
}
inline void PutBytes(std::vector<unsigned char>& out, const void* data, size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  out.insert(out.end(), p, p + n);
}

struct Request {
  int32_t classId = 0;
  int32_t functionId = 0;
  std::vector<unsigned char> data;
};

class RequestDecoder {
 public:
  enum class Outcome { Request, NeedMore, Broken };

  // Appends bytes as they arrived. The decoder never holds more than one
  // request's header and capped data beyond what next() has taken.
  void feed(const unsigned char* bytes, size_t n);
  // The next whole request. Broken: a data length above the cap (or
  // negative as a signed word); the connection cannot be read any further.
  Outcome next(Request* out);
  // Bytes received but not yet taken as a request.
  size_t pending() const { return buffer_.size() - start_; }
  // A whole request (or broken framing) waits for next().
  bool holdsRequest() const;

 private:
  std::vector<unsigned char> buffer_;
  size_t start_ = 0;
  bool broken_ = false;
};

// The session handle of a request's data: the first 4 bytes as one
// big-endian word; -1 when the data is shorter or the word names no slot
// (0 to 98).
int SessionHandleOf(const std::vector<unsigned char>& data);

// A NUL-terminated text of the request data from `offset` on, at most
// `limit` bytes before the terminator. False when the data ends before a
// terminator within the limit.
bool TextOf(const std::vector<unsigned char>& data, size_t offset, size_t limit, std::string* out);

}  // namespace ecl
