// Painting after host records: every record outside a burst is painted at
// once; inside a burst (what one receive takes) the records are painted
// together when the burst ends, no record waits longer than the burst's
// painting interval, and an inbound record never leaves before the screen
// the host reads is painted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/datastream/RecordGlueFixtures.h"

namespace {

using namespace glue_test;

// What the window and the connection saw, in order.
class EventLink : public RecordingLink {
 public:
  explicit EventLink(const uint64_t& clock) : clock_(clock) {}
  void flushPainting() override {
    RecordingLink::flushPainting();
    events.push_back("paint");
    paintTimes.push_back(clock_);
  }
  int tel_sendeor() override {
    events.push_back("send");
    return RecordingLink::tel_sendeor();
  }
  std::vector<std::string> events;
  std::vector<uint64_t> paintTimes;

 private:
  const uint64_t& clock_;
};

// The TCP host interface on a clock that the test moves.
class ClockedHost : public Scripted<HostInterfaceTCP> {
 public:
  ClockedHost(RecordGlue* glue, const uint64_t& clock) : Scripted<HostInterfaceTCP>(glue), clock_(clock) {}
  uint64_t nowMilliseconds() const override { return clock_; }

 private:
  const uint64_t& clock_;
};

struct Burst {
  uint64_t clock = 1000;
  EventLink link{clock};
  std::vector<unsigned char> outbound = std::vector<unsigned char>(kRecordBufferSize);
  std::vector<unsigned char> reassembly = std::vector<unsigned char>(kRecordBufferSize);
  RecordGlue glue{link, outbound.data(), reassembly.data()};
  ClockedHost host{&glue, clock};

  Burst() { glue.setHostInterface(&host); }
  void Record() {
    static const Bytes write = B({0x04, 0x11, 0x00, 0x08, 0xC1});
    host.processNewDataStream(0, write.data(), static_cast<unsigned>(write.size()));
  }
  int paints() const { return link.flushes; }
};

TEST(RecordBurstTest, RecordsOutsideABurstArePaintedOneByOne) {
  Burst b;
  for (int i = 1; i <= 5; ++i) {
    b.Record();
    EXPECT_EQ(b.paints(), i);
  }
  EXPECT_FALSE(b.host.paintingPending());
}

TEST(RecordBurstTest, ABurstIsPaintedOnceWhenItEnds) {
  struct Case {
    const char* name;
    int records;
    int paintsAtEnd;
  } cases[] = {{"one record", 1, 1}, {"many records", 300, 1}, {"no record", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Burst b;
    b.host.beginRecordBurst();
    for (int i = 0; i < c.records; ++i) b.Record();
    EXPECT_EQ(b.paints(), 0);
    EXPECT_EQ(b.host.paintingPending(), c.records > 0);
    b.host.endRecordBurst();
    EXPECT_EQ(b.paints(), c.paintsAtEnd);
    EXPECT_FALSE(b.host.paintingPending());
    EXPECT_EQ(b.host.calls.size(), static_cast<size_t>(c.records));
  }
}

TEST(RecordBurstTest, NestedBurstsPaintWhenTheOutermostEnds) {
  Burst b;
  b.host.beginRecordBurst();
  b.Record();
  b.host.beginRecordBurst();
  b.Record();
  b.host.endRecordBurst();
  EXPECT_EQ(b.paints(), 0);
  EXPECT_TRUE(b.host.inRecordBurst());
  b.host.endRecordBurst();
  EXPECT_EQ(b.paints(), 1);
  // An end without a begin (the host interface was rebuilt meanwhile)
  // stays balanced and paints nothing more.
  b.host.endRecordBurst();
  EXPECT_FALSE(b.host.inRecordBurst());
  EXPECT_EQ(b.paints(), 1);
}

TEST(RecordBurstTest, AFloodIsPaintedAtLeastEveryIntervalAndNoRecordWaitsLonger) {
  struct Case {
    const char* name;
    uint64_t step;  // milliseconds between records
    int records;
  } cases[] = {{"fast records", 1, 1000}, {"a record every 7 ms", 7, 200}, {"slow records", 60, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Burst b;
    b.host.beginRecordBurst();
    std::vector<uint64_t> recordTimes;
    for (int i = 0; i < c.records; ++i) {
      b.clock += c.step;
      b.Record();
      recordTimes.push_back(b.clock);
    }
    b.host.endRecordBurst();
    const auto& paints = b.link.paintTimes;
    ASSERT_FALSE(paints.empty());
    // Every record is painted by the first paint at or after it, within the
    // interval (plus the step in which the record that paints arrives).
    size_t next = 0;
    for (uint64_t t : recordTimes) {
      while (next < paints.size() && paints[next] < t) ++next;
      ASSERT_LT(next, paints.size());
      EXPECT_LE(paints[next] - t, HostInterface::kBurstPaintIntervalMs + c.step);
    }
    // At most one paint per interval (and the one at the end), however fast
    // the records come.
    const uint64_t span = recordTimes.back() - recordTimes.front();
    EXPECT_LE(paints.size(), span / HostInterface::kBurstPaintIntervalMs + 2);
  }
}

TEST(RecordBurstTest, AnInboundRecordLeavesAfterThePendingPaint) {
  struct Case {
    const char* name;
    int (*send)(HostInterfaceTCP&);
  } cases[] = {
      {"inbound data", [](HostInterfaceTCP& h) { return h.sendDataToHost(nullptr, 0, nullptr, 0); }},
      {"system request", [](HostInterfaceTCP& h) { return h.sendSystemRequestToHost(nullptr, 0, nullptr); }},
      {"attention", [](HostInterfaceTCP& h) { return h.sendAttnSignalToHost(nullptr); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Burst b;
    b.host.beginRecordBurst();
    b.Record();
    b.Record();
    EXPECT_EQ(c.send(b.host), 1);
    EXPECT_EQ(b.link.events, (std::vector<std::string>{"paint", "send"}));
    // Nothing is left for the end of the burst; a send with nothing pending
    // paints nothing.
    EXPECT_FALSE(b.host.paintingPending());
    EXPECT_EQ(c.send(b.host), 1);
    b.host.endRecordBurst();
    EXPECT_EQ(b.link.events, (std::vector<std::string>{"paint", "send", "send"}));
  }
}

TEST(RecordBurstTest, ReplayOfHeldRecordsIsPaintedAtOnce) {
  Burst b;
  b.host.answers.push_back(dsm_sense::kContention);
  b.host.beginRecordBurst();
  b.Record();  // refused and held
  EXPECT_TRUE(b.host.contention());
  b.host.endRecordBurst();
  const int before = b.paints();
  b.host.sendContentionErrorResolvedToHost(nullptr);
  b.host.processBufferedDataStreamsIfNeeded();
  EXPECT_EQ(b.host.calls.size(), 2u);
  EXPECT_EQ(b.paints(), before + 1);
}

}  // namespace
