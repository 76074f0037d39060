#pragma once
// Framing of the loopback connection between a session and a helper
// program, both directions: a 4-byte big-endian length, then exactly that
// many bytes of text. The reader takes bytes as they arrive (a message may
// come in pieces, several may come in one read) and bounds every length;
// the writer queues what a non-blocking socket did not take, so a stalled
// peer never splits a frame or freezes the session.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class HelperFrameReader {
 public:
  // The longest text accepted from a helper (a translation table).
  static constexpr std::uint32_t kMaxLength = 256 * 1024;

  // Called once per complete message; the text is NUL-terminated (c_str()).
  // Returning false stops the feed (the sink closed the connection); the
  // sink must not destroy the reader.
  using MessageSink = std::function<bool(const std::string& text)>;

  // Takes received bytes. False when a length word exceeds kMaxLength (the
  // reader then refuses everything until reset(), and the connection must
  // be closed) or when the sink stopped the feed.
  bool feed(const unsigned char* data, std::size_t size, const MessageSink& sink);

  // True between the first byte of a length word and the end of its text.
  bool inMessage() const { return lengthHave_ > 0 || expected_ > 0; }
  bool failed() const { return failed_; }
  // The length of the message in progress (0 while its length word is incomplete).
  std::uint32_t expectedLength() const { return expected_; }
  void reset();

 private:
  unsigned char lengthBytes_[4] = {};
  std::size_t lengthHave_ = 0;
  std::uint32_t expected_ = 0;
  bool haveLength_ = false;
  bool failed_ = false;
  std::string body_;
};

class HelperFrameWriter {
 public:
  // The most that may wait for a slow helper; a frame beyond it is refused.
  static constexpr std::size_t kMaxQueued = 1024 * 1024;

  // Queues one frame (length word and text). False when the text is longer
  // than a length word says or the queue would pass kMaxQueued.
  bool queue(const char* text, std::size_t length);
  // Writes what the non-blocking descriptor takes. 1: all written; 0: some
  // left for when the descriptor is writable again; -1: write error (errno
  // kept; the connection is to be closed).
  int flush(int fd);
  bool pending() const { return sent_ < out_.size(); }
  std::size_t queuedBytes() const { return out_.size() - sent_; }

 private:
  std::string out_;
  std::size_t sent_ = 0;
};

// The frame of one text: length word and text.
std::string EncodeHelperFrame(const char* text, std::size_t length);
