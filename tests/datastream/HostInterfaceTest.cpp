// The host interface: records held while a contention error is outstanding
// and replayed after the operator's next input, the records that pass the
// contention, the bounds of the contention buffer, its save and restore,
// and the send primitives with their header flags.
#include <gtest/gtest.h>

#include <algorithm>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/display/StreamHelpers.h"

namespace {

using namespace glue_test;

constexpr uint32_t kContention = dsm_sense::kContention;

struct Contention {
  StationWith<Scripted<HostInterface>> station;
  Scripted<HostInterface>& host = station.host;

  // A record refused for contention: held, and the contention flag set.
  void Refuse(const Bytes& record) {
    host.answers.push_back(kContention);
    EXPECT_EQ(host.processNewDataStream(0, record.data(), static_cast<unsigned>(record.size())), 0u);
  }
  uint32_t Send(const Bytes& record) {
    return host.processNewDataStream(0, record.data(), static_cast<unsigned>(record.size()));
  }
  // The operator's inbound record resolved the contention.
  void Resolve() { host.sendContentionErrorResolvedToHost(nullptr); }
};

const Bytes kFirst = B({0x04, 0x11, 0x00, 0x08, 0xC1});
const Bytes kSecond = B({0x04, 0x11, 0x00, 0x08, 0xC2});
const Bytes kThird = B({0x04, 0x11, 0x00, 0x08, 0xC3});

TEST(HostInterfaceTest, RecordsHeldDuringContentionAreReplayedInOrder) {
  Contention c;
  c.Refuse(kFirst);
  EXPECT_TRUE(c.host.contention());
  EXPECT_EQ(c.Send(kSecond), 0u);
  EXPECT_EQ(c.Send(kThird), 0u);
  // Held: the data stream saw only the first, refused one.
  EXPECT_EQ(c.host.calls.size(), 1u);
  EXPECT_EQ(c.host.heldRecordCount(), 3u);
  // Nothing is replayed while the contention lasts.
  EXPECT_EQ(c.host.processBufferedDataStreamsIfNeeded(), 0u);
  EXPECT_EQ(c.host.calls.size(), 1u);

  c.Resolve();
  const unsigned int before = c.station.tax.continuations();
  EXPECT_EQ(c.host.processBufferedDataStreamsIfNeeded(), 0u);
  ASSERT_EQ(c.host.calls.size(), 4u);
  EXPECT_EQ(c.host.calls[1], (DsmCall{0, kFirst}));
  EXPECT_EQ(c.host.calls[2], (DsmCall{0, kSecond}));
  EXPECT_EQ(c.host.calls[3], (DsmCall{0, kThird}));
  // Each replayed record is followed by the station's post-record work.
  EXPECT_EQ(c.station.tax.continuations() - before, 3u);
  EXPECT_EQ(c.host.heldBytes(), 0u);
}

TEST(HostInterfaceTest, ClearUnitKindDiscardsHeldRecords) {
  for (uint8_t command : {0x40, 0x20, 0x12, 0x13}) {
    Contention c;
    c.Refuse(kFirst);
    c.Send(kSecond);
    const Bytes clear = B({0x04, command});
    EXPECT_EQ(c.Send(clear), 0u);
    EXPECT_FALSE(c.host.contention());
    EXPECT_EQ(c.host.heldBytes(), 0u);
    ASSERT_EQ(c.host.calls.size(), 2u);
    EXPECT_EQ(c.host.calls[1].data, clear);
    EXPECT_EQ(c.host.processBufferedDataStreamsIfNeeded(), 0u);
    EXPECT_EQ(c.host.calls.size(), 2u);
  }
}

TEST(HostInterfaceTest, RecordsThatPassTheContention) {
  struct Case {
    Bytes record;
    KeyboardState::State state;
    bool processed;
  } cases[] = {
      {B({0x04, 0x02}), KeyboardState::kNormalLocked, true},
      {B({0x04, 0x21, 0x00}), KeyboardState::kNormalLocked, true},
      {B({0x04, 0x22, 0x00}), KeyboardState::kNormalLocked, true},
      {B({0x04, 0x72}), KeyboardState::kNormalLocked, false},
      {B({0x04, 0x11, 0x00, 0x00}), KeyboardState::kNormalLocked, false},
      {B({0x04}), KeyboardState::kNormalLocked, false},
      {{}, KeyboardState::kNormalLocked, false},
  };
  for (const Case& k : cases) {
    Contention c;
    c.Refuse(kFirst);
    c.Send(k.record);
    EXPECT_EQ(c.host.calls.size(), k.processed ? 2u : 1u);
    EXPECT_EQ(c.host.heldRecordCount(), k.processed ? 1u : 2u);
    EXPECT_TRUE(c.host.contention());
  }
}

TEST(HostInterfaceTest, ReadImmediateAfterHelpErrorPasses) {
  Contention c;
  c.Refuse(kFirst);
  ASSERT_TRUE(c.station.display.keyboardState().enterErrorState(5, 0, 1, 0, 0));
  ASSERT_TRUE(c.station.display.keyboardState().enterPostHelpErrorState());
  ASSERT_EQ(c.station.display.keyboardState().state(), KeyboardState::kPostHelpError);
  c.Send(B({0x04, 0x72}));
  EXPECT_EQ(c.host.calls.size(), 2u);
  EXPECT_EQ(c.host.heldRecordCount(), 1u);
}

TEST(HostInterfaceTest, ReplayRefusedAgainKeepsTheRestInOrder) {
  Contention c;
  c.Refuse(kFirst);
  c.Send(kSecond);
  c.Send(kThird);
  c.Resolve();
  c.host.answers = {0, kContention};
  EXPECT_EQ(c.host.processBufferedDataStreamsIfNeeded(), 0u);
  EXPECT_TRUE(c.host.contention());
  ASSERT_EQ(c.host.heldRecordCount(), 2u);
  c.Resolve();
  c.host.calls.clear();
  EXPECT_EQ(c.host.processBufferedDataStreamsIfNeeded(), 0u);
  ASSERT_EQ(c.host.calls.size(), 2u);
  EXPECT_EQ(c.host.calls[0].data, kSecond);
  EXPECT_EQ(c.host.calls[1].data, kThird);
}

TEST(HostInterfaceTest, ReplayNegativeResultEmptiesTheBuffer) {
  Contention c;
  c.Refuse(kFirst);
  c.Send(kSecond);
  c.Send(kThird);
  c.Resolve();
  c.host.answers = {0, 0x10050121u};
  EXPECT_EQ(c.host.processBufferedDataStreamsIfNeeded(), 0x10050121u);
  EXPECT_FALSE(c.host.contention());
  EXPECT_EQ(c.host.heldBytes(), 0u);
  EXPECT_EQ(c.host.calls.size(), 3u);  // the third never ran
}

// A host interface whose records run the operator's type-ahead, which asks
// for the held records again.
class ReentrantHost : public Scripted<HostInterface> {
 public:
  uint32_t runDataStream(unsigned int op, const unsigned char* data, unsigned int n, unsigned int& unlocked) override {
    const uint32_t sense = Scripted<HostInterface>::runDataStream(op, data, n, unlocked);
    processBufferedDataStreamsIfNeeded();
    return sense;
  }
};

TEST(HostInterfaceTest, InputDuringReplayDoesNotReplayAgain) {
  StationWith<ReentrantHost> s;
  s.host.answers.push_back(kContention);
  s.host.processNewDataStream(0, kFirst.data(), static_cast<unsigned>(kFirst.size()));
  s.host.processNewDataStream(0, kSecond.data(), static_cast<unsigned>(kSecond.size()));
  s.host.sendContentionErrorResolvedToHost(nullptr);
  s.host.calls.clear();
  EXPECT_EQ(s.host.processBufferedDataStreamsIfNeeded(), 0u);
  ASSERT_EQ(s.host.calls.size(), 2u);
  EXPECT_EQ(s.host.calls[0].data, kFirst);
  EXPECT_EQ(s.host.calls[1].data, kSecond);
}

TEST(HostInterfaceTest, RecordTooLargeToHoldIsRefused) {
  Contention c;
  c.Refuse(kFirst);
  const Bytes big(HostInterface::kLargestHeldRecord + 1, 0x40);
  EXPECT_EQ(c.Send(big), kContention);
  EXPECT_EQ(c.host.heldRecordCount(), 1u);
  const Bytes largest(HostInterface::kLargestHeldRecord, 0x40);
  EXPECT_EQ(c.Send(largest), 0u);
  // The largest record only fits alone: the older one made room.
  EXPECT_EQ(c.host.heldRecordCount(), 1u);
  EXPECT_EQ(c.host.heldBytes(), HostInterface::kContentionBufferSize);
}

TEST(HostInterfaceTest, RefusedRecordTooLargeToHoldIsAnsweredNotHeld) {
  Contention c;
  const Bytes big(HostInterface::kLargestHeldRecord + 1, 0x40);
  c.host.answers.push_back(kContention);
  EXPECT_EQ(c.Send(big), kContention);
  EXPECT_FALSE(c.host.contention());
  EXPECT_EQ(c.host.heldBytes(), 0u);
}

TEST(HostInterfaceTest, FullBufferDropsTheOldestEntries) {
  Contention c;
  c.Refuse(Bytes(4000, 0x01));
  c.Send(Bytes(4000, 0x02));
  c.Send(Bytes(4000, 0x03));  // 12,009 bytes would not fit: the first goes
  ASSERT_EQ(c.host.heldRecordCount(), 2u);
  EXPECT_EQ(c.host.heldData()[3], 0x02);
  EXPECT_LE(c.host.heldBytes(), HostInterface::kContentionBufferSize);
}

std::vector<unsigned char> SaveHost(HostInterface& host, size_t leading) {
  return SaveStream(
      [&](qrnOStream* o) {
        const std::vector<unsigned char> filler(leading, 0x40);
        if (leading) o->hostPutData(filler.data(), filler.size());
        host.saveHostInterface(o);
      },
      40000);
}

TEST(HostInterfaceTest, SaveKeepsNewestRecordsThatFitAndLeavesTheBuffer) {
  Contention c;
  c.Refuse(Bytes(3000, 0x01));
  c.Send(Bytes(3000, 0x02));
  c.Send(Bytes(3000, 0x03));
  const unsigned int held = c.host.heldBytes();
  // 2,000 bytes of the image are taken already: two entries fit in the rest.
  const auto image = SaveHost(c.host, 2000);
  EXPECT_EQ(c.host.heldBytes(), held);

  StationWith<Scripted<HostInterface>> other;
  qrnIStream in(image.data(), image.size());
  ASSERT_FALSE(in.checkFCS());
  std::vector<unsigned char> skip(2000);
  in.hostGetData(skip.data(), skip.size());
  ASSERT_EQ(other.host.restoreHostInterface(&in), 0u);
  EXPECT_TRUE(other.host.contention());
  ASSERT_EQ(other.host.heldRecordCount(), 2u);
  EXPECT_EQ(other.host.heldData()[3], 0x02);
}

TEST(HostInterfaceTest, RestoreRefusesEntriesThatAreNotWhole) {
  struct Case {
    const char* name;
    Bytes held;
  } cases[] = {
      {"entry longer than the total", B({0x00, 0x05, 0x00, 0x04, 0x40})},
      {"head cut short", B({0x00, 0x01, 0x00, 0x04, 0x00})},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const auto image = SaveStream(
        [&](qrnOStream* o) {
          o->hostPut32(1);
          o->hostPut32(static_cast<unsigned>(k.held.size()));
          o->hostPutData(k.held.data(), k.held.size());
        },
        100);
    StationWith<Scripted<HostInterface>> s;
    qrnIStream in(image.data(), image.size());
    ASSERT_FALSE(in.checkFCS());
    EXPECT_NE(s.host.restoreHostInterface(&in), 0u);
    EXPECT_FALSE(s.host.contention());
    EXPECT_EQ(s.host.heldBytes(), 0u);
  }
}

// The send primitives of the TCP host interface through the record glue.
struct TcpHost {
  Glue g;
  HostInterfaceTCP host{&g.glue};
  TcpHost() {
    g.glue.setHostInterface(&host);
    // The last request: opcode 3, flags byte 1 with all kept bits.
    g.Feed(Record(0x03, {}, 0x38, 0x40));
    g.link.sent.clear();
  }
};

TEST(HostInterfaceTest, SendPrimitivesAndTheirFlags) {
  auto header = [](size_t n, uint8_t flags1, uint8_t flags2) {
    const size_t len = n + 10;
    return B({int(len >> 8), int(len & 0xFF), 0x12, 0xA0, 0, 0, 0x04, flags1, flags2, 0x03});
  };
  struct Case {
    const char* name;
    bool prefix;
    int (*send)(HostInterfaceTCP&);
    Bytes expected;
  } cases[] = {
      {"attention", false, [](HostInterfaceTCP& h) { return h.sendAttnSignalToHost(nullptr); }, header(0, 0x78, 0)},
      {"attention with prefix", true, [](HostInterfaceTCP& h) { return h.sendAttnSignalToHost(nullptr); },
       Cat({header(5, 0x78, 0), B({0xC9, 0x00, 0x01, 0x00, 0x01})})},
      {"help in error", false, [](HostInterfaceTCP& h) { return h.sendHelpInErrorSignalToHost(0x0123, nullptr); },
       Cat({header(2, 0x39, 0), B({0x01, 0x23})})},
      {"help in error with prefix", true,
       [](HostInterfaceTCP& h) { return h.sendHelpInErrorSignalToHost(0x0123, nullptr); },
       Cat({header(5, 0x39, 0), B({0xC9, 0x00, 0x02, 0x01, 0x23})})},
      {"test request", false, [](HostInterfaceTCP& h) { return h.sendTestRequestToHost(nullptr); },
       header(0, 0x3A, 0)},
      {"test request with prefix", true, [](HostInterfaceTCP& h) { return h.sendTestRequestToHost(nullptr); },
       Cat({header(9, 0x3A, 0), B({0x01, 0x03, 0x80, 0, 0, 0, 0, 0, 0})})},
      {"invalid scan code", false, [](HostInterfaceTCP& h) { return h.sendInvalidScanCodeErrorToHost(nullptr); },
       Cat({header(4, 0xB8, 0x40), B({0x00, 0x00, 0x01, 0x11})})},
      {"OSB error", false, [](HostInterfaceTCP& h) { return h.sendOSBErrorToHost(nullptr); },
       Cat({header(4, 0xB8, 0x40), B({0x00, 0x00, 0x01, 0x89})})},
      {"resequencing error", false, [](HostInterfaceTCP& h) { return h.sendResequencingErrorToHost(nullptr); },
       Cat({header(4, 0xB8, 0x40), B({0x00, 0x00, 0x01, 0x03})})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TcpHost t;
    t.host.setSimulatorPrefix(c.prefix);
    EXPECT_EQ(c.send(t.host), 1);
    ASSERT_EQ(t.g.link.sent.size(), 1u);
    EXPECT_EQ(t.g.link.sent[0], c.expected);
  }
}

TEST(HostInterfaceTest, DataAndSystemRequestRecordsReturnTheirBuffers) {
  TcpHost t;
  RecordingRendering r;
  auto* data = static_cast<unsigned char*>(r.WsGetBuffer(3));
  data[0] = 0x01;
  data[1] = 0x02;
  data[2] = 0xF1;
  EXPECT_EQ(t.host.sendDataToHost(data, 3, &r, 0), 1);
  auto* srq = static_cast<unsigned char*>(r.WsGetBuffer(1));
  srq[0] = 0xC1;
  EXPECT_EQ(t.host.sendSystemRequestToHost(srq, 1, &r), 1);
  EXPECT_EQ(r.outstandingBuffers(), 0u);
  ASSERT_EQ(t.g.link.sent.size(), 2u);
  EXPECT_EQ(t.g.link.sent[0][7], 0x38);
  EXPECT_EQ(t.g.link.sent[0][8], 0x40);
  EXPECT_EQ(Bytes(t.g.link.sent[0].begin() + 10, t.g.link.sent[0].end()), B({0x01, 0x02, 0xF1}));
  EXPECT_EQ(t.g.link.sent[1][7], 0x3C);
  EXPECT_EQ(t.g.link.sent[1][8], 0x00);
}

TEST(HostInterfaceTest, ReplyTooLargeForARecordIsNotSentAsAnEmptyOne) {
  TcpHost t;
  RecordingRendering r;
  const unsigned int n = static_cast<unsigned int>(kRecordBufferSize) + 1;
  auto* data = static_cast<unsigned char*>(r.WsGetBuffer(n));
  std::fill(data, data + n, 0x40);
  EXPECT_EQ(t.host.sendDataToHost(data, n, &r, 0), 0);
  EXPECT_EQ(r.outstandingBuffers(), 0u);
  EXPECT_TRUE(t.g.link.sent.empty());
  EXPECT_EQ(t.g.glue.fill, 0u);
  // The next reply goes out whole.
  auto* next = static_cast<unsigned char*>(r.WsGetBuffer(1));
  next[0] = 0xF1;
  EXPECT_EQ(t.host.sendDataToHost(next, 1, &r, 0), 1);
  ASSERT_EQ(t.g.link.sent.size(), 1u);
  EXPECT_EQ(Bytes(t.g.link.sent[0].begin() + 10, t.g.link.sent[0].end()), B({0xF1}));
}

TEST(HostInterfaceTest, ReadsWaitUnlessInvitedOrInSimulatorMode) {
  TcpHost t;
  // The opcode 3 request invited; the reply ended it.
  t.g.glue.invited = 0;
  EXPECT_EQ(t.host.isPendingReadOK(nullptr), 1);
  EXPECT_EQ(t.host.isImmediateReadOK(nullptr), 0);
  t.g.glue.invited = 1;
  EXPECT_EQ(t.host.isPendingReadOK(nullptr), 0);
  t.g.glue.simulatorMode = 1;
  t.g.glue.endOfReply = 0;
  EXPECT_EQ(t.host.isPendingReadOK(nullptr), 1);
  EXPECT_EQ(t.host.isImmediateReadOK(nullptr), 1);
}

}  // namespace
