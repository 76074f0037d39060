#include "tools/HelperFrames.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

bool HelperFrameReader::feed(const unsigned char* data, std::size_t size, const MessageSink& sink) {
  if (failed_) return false;
  std::size_t at = 0;
  while (at < size) {
    if (!haveLength_) {
      lengthBytes_[lengthHave_++] = data[at++];
      if (lengthHave_ < sizeof lengthBytes_) continue;
      const std::uint32_t length = (std::uint32_t{lengthBytes_[0]} << 24) | (std::uint32_t{lengthBytes_[1]} << 16) |
                                   (std::uint32_t{lengthBytes_[2]} << 8) | std::uint32_t{lengthBytes_[3]};
      if (length > kMaxLength) {
        failed_ = true;
        body_.clear();
        return false;
      }
      haveLength_ = true;
      expected_ = length;
      body_.clear();
      body_.reserve(length);
    }
    const std::size_t want = expected_ - body_.size();
    const std::size_t take = size - at < want ? size - at : want;
    body_.append(reinterpret_cast<const char*>(data + at), take);
    at += take;
    if (body_.size() == expected_) {
      const std::string text = std::move(body_);
      body_.clear();
      haveLength_ = false;
      lengthHave_ = 0;
      expected_ = 0;
      if (sink && !sink(text)) return false;
    }
  }
  return true;
}

void HelperFrameReader::reset() {
  lengthHave_ = 0;
  expected_ = 0;
  haveLength_ = false;
  failed_ = false;
  body_.clear();
  body_.shrink_to_fit();
}

bool HelperFrameWriter::queue(const char* text, std::size_t length) {
  if (length > 0xFFFFFFFFu || (length > 0 && !text)) return false;
  if (queuedBytes() + 4 + length > kMaxQueued) return false;
  if (sent_ > 0) {  // drop what went out already
    out_.erase(0, sent_);
    sent_ = 0;
  }
  out_ += EncodeHelperFrame(text, length);
  return true;
}

int HelperFrameWriter::flush(int fd) {
  while (sent_ < out_.size()) {
    const ssize_t n = send(fd, out_.data() + sent_, out_.size() - sent_, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent_ += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return 0;
    } else {
      if (n == 0) errno = EPIPE;
      return -1;
    }
  }
  out_.clear();
  sent_ = 0;
  return 1;
}

std::string EncodeHelperFrame(const char* text, std::size_t length) {
  std::string frame;
  frame.reserve(4 + length);
  const auto n = static_cast<std::uint32_t>(length);
  frame.push_back(static_cast<char>(n >> 24));
  frame.push_back(static_cast<char>(n >> 16));
  frame.push_back(static_cast<char>(n >> 8));
  frame.push_back(static_cast<char>(n));
  if (length) frame.append(text, length);
  return frame;
}
