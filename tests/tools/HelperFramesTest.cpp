// The loopback framing between a session and its helper programs: messages
// in one piece, split at every byte and several in one read are each
// delivered once; an oversized length word is refused; a stalled peer makes
// the writer keep the rest of a frame instead of blocking or splitting it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
using namespace std::string_literals;
#include <algorithm>
#include <vector>

#include "tools/HelperFrames.h"

namespace {

std::vector<std::string> FeedInPieces(const std::string& bytes, size_t piece, bool* ok = nullptr) {
  HelperFrameReader reader;
  std::vector<std::string> got;
  bool all = true;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const size_t n = std::min(piece, bytes.size() - at);
    all = reader.feed(reinterpret_cast<const unsigned char*>(bytes.data() + at), n,
                      [&](const std::string& t) {
                        got.push_back(t);
                        return true;
                      }) && all;
  }
  if (ok) *ok = all;
  EXPECT_FALSE(reader.inMessage());
  return got;
}

TEST(HelperFrames, WholeSplitAndBackToBackMessagesAreEachDeliveredOnce) {
  const std::string first = "sendKey()\0enter()\0"s;
  const std::string second = "<Key>F1: enter()\n";
  const std::string empty;
  const std::string stream = EncodeHelperFrame(first.data(), first.size()) +
                             EncodeHelperFrame(empty.data(), 0) +
                             EncodeHelperFrame(second.data(), second.size());
  // Piece size 1 splits at every byte; the whole stream is one read.
  for (size_t piece : {size_t{1}, size_t{2}, size_t{3}, size_t{5}, size_t{7}, stream.size()}) {
    SCOPED_TRACE(piece);
    const std::vector<std::string> got = FeedInPieces(stream, piece);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], first);
    EXPECT_EQ(got[1], empty);
    EXPECT_EQ(got[2], second);
    EXPECT_EQ(got[2].c_str()[got[2].size()], '\0');
  }
}

TEST(HelperFrames, LengthWordBeyondTheBoundIsRefusedAndNothingIsDelivered) {
  struct Case {
    unsigned char length[4];
    bool accepted;
  } cases[] = {
      {{0xFF, 0xFF, 0xFF, 0xFF}, false},
      {{0x80, 0x00, 0x00, 0x00}, false},
      {{0x00, 0x04, 0x00, 0x01}, false},  // one past the bound
      {{0x00, 0x00, 0x00, 0x03}, true},
  };
  for (const Case& c : cases) {
    HelperFrameReader reader;
    int delivered = 0;
    std::string bytes(reinterpret_cast<const char*>(c.length), 4);
    bytes += "abc";
    const bool ok = reader.feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                [&](const std::string&) {
                                  ++delivered;
                                  return true;
                                });
    EXPECT_EQ(ok, c.accepted);
    EXPECT_EQ(delivered, c.accepted ? 1 : 0);
    EXPECT_EQ(reader.failed(), !c.accepted);
    if (!c.accepted) {
      // Refused for good until the connection is reset.
      EXPECT_FALSE(reader.feed(reinterpret_cast<const unsigned char*>("\0\0\0\0"), 4, nullptr));
    }
  }
  static_assert(HelperFrameReader::kMaxLength == 0x40000, "the table above assumes this bound");
}

TEST(HelperFrames, SinkThatClosesStopsTheFeed) {
  const std::string stream = EncodeHelperFrame("a", 1) + EncodeHelperFrame("b", 1);
  HelperFrameReader reader;
  int delivered = 0;
  EXPECT_FALSE(reader.feed(reinterpret_cast<const unsigned char*>(stream.data()), stream.size(),
                           [&](const std::string&) {
                             ++delivered;
                             return false;
                           }));
  EXPECT_EQ(delivered, 1);
}

TEST(HelperFrames, StalledPeerLeavesTheRestQueuedAndTheFramesIntact) {
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  int small = 4096;
  setsockopt(sv[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  setsockopt(sv[1], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  fcntl(sv[0], F_SETFL, O_NONBLOCK);

  std::string big(200000, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  HelperFrameWriter writer;
  ASSERT_TRUE(writer.queue(big.data(), big.size()));
  ASSERT_TRUE(writer.queue("tail", 4));
  EXPECT_EQ(writer.flush(sv[0]), 0);  // the peer reads nothing yet: no block, rest kept
  EXPECT_TRUE(writer.pending());
  // Over the bound of what may wait: refused, and the queue is unchanged.
  const size_t queued = writer.queuedBytes();
  std::string huge(HelperFrameWriter::kMaxQueued, 'y');
  EXPECT_FALSE(writer.queue(huge.data(), huge.size()));
  EXPECT_EQ(writer.queuedBytes(), queued);

  HelperFrameReader reader;
  std::vector<std::string> got;
  unsigned char buf[1000];
  while (got.size() < 2) {
    const int r = writer.flush(sv[0]);
    ASSERT_GE(r, 0);
    const ssize_t n = read(sv[1], buf, sizeof buf);
    ASSERT_GT(n, 0);
    ASSERT_TRUE(reader.feed(buf, static_cast<size_t>(n), [&](const std::string& t) {
      got.push_back(t);
      return true;
    }));
  }
  EXPECT_EQ(got[0], big);
  EXPECT_EQ(got[1], "tail");
  EXPECT_FALSE(writer.pending());

  // A peer that went away is a write error, not a signal.
  close(sv[1]);
  ASSERT_TRUE(writer.queue("x", 1));
  EXPECT_EQ(writer.flush(sv[0]), -1);
  close(sv[0]);
}

}  // namespace
