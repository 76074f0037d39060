#include "api/EclWire.h"

#include <algorithm>
#include <cstring>

namespace ecl {

void RequestDecoder::feed(const unsigned char* bytes, size_t n) {
  if (broken_ || n == 0) return;
  // Drop what was taken before growing the buffer.
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > 65536) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), bytes, bytes + n);
}

bool RequestDecoder::holdsRequest() const {
  if (broken_) return true;
  const size_t have = buffer_.size() - start_;
  if (have < kRequestHeaderSize) return false;
  const uint32_t length = Get32(buffer_.data() + start_ + 8);
  return length > kMaxRequestData || have - kRequestHeaderSize >= length;
}

RequestDecoder::Outcome RequestDecoder::next(Request* out) {
  if (broken_) return Outcome::Broken;
  const size_t have = buffer_.size() - start_;
  if (have < kRequestHeaderSize) return Outcome::NeedMore;
  const unsigned char* p = buffer_.data() + start_;
  const uint32_t length = Get32(p + 8);
  if (length > kMaxRequestData) {
    broken_ = true;
    buffer_.clear();
    start_ = 0;
    return Outcome::Broken;
  }
  if (have - kRequestHeaderSize < length) return Outcome::NeedMore;
  out->classId = static_cast<int32_t>(Get32(p));
  out->functionId = static_cast<int32_t>(Get32(p + 4));
  out->data.assign(p + kRequestHeaderSize, p + kRequestHeaderSize + length);
  start_ += kRequestHeaderSize + length;
  return Outcome::Request;
}

int SessionHandleOf(const std::vector<unsigned char>& data) {
  if (data.size() < 4) return -1;
  const uint32_t handle = Get32(data.data());
  return handle < 99 ? static_cast<int>(handle) : -1;
}

bool TextOf(const std::vector<unsigned char>& data, size_t offset, size_t limit, std::string* out) {
  if (offset >= data.size()) return false;
  const size_t room = std::min(data.size() - offset, limit + 1);
  const void* end = std::memchr(data.data() + offset, 0, room);
  if (!end) return false;
  const auto* from = reinterpret_cast<const char*>(data.data() + offset);
  out->assign(from, static_cast<const char*>(end));
  return true;
}

}  // namespace ecl
