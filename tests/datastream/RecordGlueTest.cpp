// The TN5250 record glue: reassembly against the end-of-record mark, the
// framing refusals, opcode dispatch and the reply of each opcode, the
// outbound header, negative responses, the keyboard-table download and the
// simulator commands.
#include <gtest/gtest.h>

#include "datastream/S5250Simulator.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace glue_test;

// The glue over a scripted host interface (no display station).
struct GlueWithHost : Glue {
  Scripted<HostInterface> host;
  GlueWithHost() { glue.setHostInterface(&host); }
};

// The reply header the glue builds from a request with `opcode` and
// `flags2`, for `n` data bytes.
Bytes ReplyHeader(uint8_t opcode, size_t n, uint8_t flags1, uint8_t flags2) {
  const size_t len = n + 10;
  return {static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len), 0x12, 0xA0, 0, 0, 0x04, flags1, flags2, opcode};
}

Bytes NegativeResponse(uint8_t opcode, uint32_t sense, uint8_t flags2 = 0) {
  return Cat({ReplyHeader(opcode, 4, 0x80, flags2),
              B({int(sense >> 24), int((sense >> 16) & 0xFF), int((sense >> 8) & 0xFF), int(sense & 0xFF)})});
}

const Bytes kWriteToDisplay = Cat({B({0x04, 0x11, 0x00, 0x08, 0x11, 0x01, 0x01}), Ebcdic("Sign On")});

TEST(RecordGlueTest, RecordSplitAtEveryPointIsDispatchedOnce) {
  const Bytes record = Record(0x03, kWriteToDisplay);
  for (size_t i = 1; i < record.size(); ++i) {
    for (size_t j = i; j < record.size(); ++j) {
      GlueWithHost g;
      s5250_accept(g.glue, record.data(), i);
      s5250_accept(g.glue, record.data() + i, j - i);
      s5250_accept(g.glue, record.data() + j, record.size() - j);
      EXPECT_TRUE(g.host.calls.empty()) << "dispatched before the end of record";
      s5250_accept_eor(g.glue);
      ASSERT_EQ(g.host.calls.size(), 1u) << "split at " << i << ", " << j;
      EXPECT_EQ(g.host.calls[0], (DsmCall{0, kWriteToDisplay}));
    }
  }
}

TEST(RecordGlueTest, ByteByByteRecordsFollowOneAnother) {
  GlueWithHost g;
  const Bytes first = Record(0x03, kWriteToDisplay);
  const Bytes second = Record(0x02, B({0x04, 0x40}));
  for (const Bytes* r : {&first, &second}) {
    for (uint8_t b : *r) s5250_accept(g.glue, &b, 1);
    s5250_accept_eor(g.glue);
  }
  ASSERT_EQ(g.host.calls.size(), 2u);
  EXPECT_EQ(g.host.calls[0].data, kWriteToDisplay);
  EXPECT_EQ(g.host.calls[1].data, B({0x04, 0x40}));
}

TEST(RecordGlueTest, FramingErrorsAreRefusedAndTheNextRecordIsTaken) {
  Bytes longer = Record(0x03, B({0x04, 0x40}));
  longer[1] = 14;  // says 14, 12 come
  Bytes shorter = Record(0x03, B({0x04, 0x40, 0x04, 0x50}));
  shorter[1] = 12;  // says 12, 14 come
  const Bytes twoInOne = Cat({Record(0x03, B({0x04, 0x40})), Record(0x03, B({0x04, 0x50}))});
  Bytes oversizeMismatch = Record(0x03, Bytes(40000, 0x40));
  oversizeMismatch[0] = 0x00;
  oversizeMismatch[1] = 0x64;
  // A refused record is answered, so that the host does not wait for ever:
  // with its own header when a whole one came.
  const std::vector<Bytes> refused = {NegativeResponse(0x03, dsm_sense::kBadLength)};
  const std::vector<Bytes> refusedNoHeader = {NegativeResponse(0x00, dsm_sense::kBadLength)};
  struct Case {
    const char* name;
    Bytes bytes;
    unsigned long framingErrors;
    std::vector<Bytes> answers;
  } cases[] = {
      {"header longer than the record", longer, 1, refused},
      {"header shorter than the record", shorter, 1, refused},
      {"two records before one end of record", twoInOne, 1, refused},
      {"fewer bytes than a header", B({0x00, 0x0A, 0x12, 0xA0, 0x00}), 1, refusedNoHeader},
      {"oversize record whose header disagrees", oversizeMismatch, 1, refused},
      {"end of record with nothing before it", {}, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GlueWithHost g;
    g.Feed(c.bytes);
    EXPECT_TRUE(g.host.calls.empty());
    EXPECT_EQ(g.link.sent, c.answers);
    EXPECT_EQ(g.glue.framingErrors, c.framingErrors);
    g.Feed(Record(0x03, B({0x04, 0x40})));
    ASSERT_EQ(g.host.calls.size(), 1u);
    EXPECT_EQ(g.host.calls[0].data, B({0x04, 0x40}));
  }
}

TEST(RecordGlueTest, WellFramedOversizeRecordGetsNegativeResponse) {
  GlueWithHost g;
  const Bytes big = Record(0x03, Bytes(kRecordBufferSize - 10 + 1, 0x40));
  // Delivered in pieces, as Telnet would.
  for (size_t at = 0; at < big.size(); at += 4096)
    s5250_accept(g.glue, big.data() + at, std::min<size_t>(4096, big.size() - at));
  s5250_accept_eor(g.glue);
  EXPECT_TRUE(g.host.calls.empty());
  ASSERT_EQ(g.link.sent.size(), 1u);
  EXPECT_EQ(g.link.sent[0], NegativeResponse(0x03, dsm_sense::kBadLength));

  // The largest record is taken.
  const Bytes largest = Record(0x03, Bytes(kRecordBufferSize - 10, 0x40));
  g.Feed(largest);
  ASSERT_EQ(g.host.calls.size(), 1u);
  EXPECT_EQ(g.host.calls[0].data.size(), kRecordBufferSize - 10);
}

TEST(RecordGlueTest, OpcodesAndTheirReplies) {
  const Bytes data = B({0x04, 0x40});
  const Bytes saveScreen = B({0x04, 0x02});
  struct Case {
    uint8_t opcode;
    bool withData;
    std::vector<DsmCall> calls;
    std::vector<Bytes> sent;  // built for flags byte 2 = 0x40 in the request
    int invited;              // -1: not checked
  } cases[] = {
      {0x00, true, {}, {}, -1},
      {0x01, true, {{0, data}}, {}, 1},
      {0x02, false, {}, {}, -1},
      {0x02, true, {{0, data}}, {}, -1},
      {0x03, true, {{0, data}}, {}, 1},
      {0x04, false, {{0, saveScreen}}, {}, -1},
      {0x04, true, {{0, data}}, {}, -1},
      {0x05, true, {{0, data}}, {}, -1},
      {0x06, false, {}, {}, -1},
      {0x06, true, {{0, data}}, {}, -1},
      {0x07, true, {}, {NegativeResponse(0x07, dsm_sense::kUnknownCommand)}, -1},
      {0x08, false, {}, {ReplyHeader(0x08, 0, 0, 0x40)}, -1},
      {0x08, true, {{0, data}}, {}, -1},
      {0x09, true, {{0, data}}, {}, -1},
      {0x0A, false, {}, {ReplyHeader(0x0A, 0, 0, 0)}, 0},
      {0x0B, false, {{1, {}}}, {}, -1},
      {0x0C, false, {{2, {}}}, {}, -1},
      {0x0D, false, {}, {ReplyHeader(0x0D, 0, 0, 0)}, -1},
      {0x0E, true, {}, {NegativeResponse(0x0E, dsm_sense::kUnknownCommand)}, -1},
      {0x0F, false, {}, {NegativeResponse(0x0F, dsm_sense::kUnknownCommand)}, -1},
      {0x10, false, {}, {Cat({ReplyHeader(0x10, 1, 0, 0x40), B({0x03})})}, -1},
      {0x11, true, {}, {NegativeResponse(0x11, dsm_sense::kBadLength)}, -1},
      {0x12, true, {}, {NegativeResponse(0x12, dsm_sense::kUnknownCommand)}, -1},
      {0xFF, true, {}, {NegativeResponse(0xFF, dsm_sense::kUnknownCommand)}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "opcode 0x" << std::hex << int(c.opcode) << (c.withData ? " with" : " without")
                                    << " data");
    GlueWithHost g;
    g.glue.invited = 1;
    g.Feed(Record(c.opcode, c.withData ? data : Bytes(), 0, 0x40));
    EXPECT_EQ(g.host.calls, c.calls);
    EXPECT_EQ(g.link.sent, c.sent);
    if (c.invited >= 0) EXPECT_EQ(g.glue.invited, c.invited);
  }
}

TEST(RecordGlueTest, EmptyReadScreenReplyCarriesEndOfReplyOnlyWhenAsked) {
  for (uint8_t flags2 : {0x00, 0x40}) {
    GlueWithHost g;
    g.Feed(Record(0x08, {}, 0, flags2));
    ASSERT_EQ(g.link.sent.size(), 1u);
    EXPECT_EQ(g.link.sent[0], ReplyHeader(0x08, 0, 0, flags2));
  }
}

TEST(RecordGlueTest, ReplyHeaderKeepsRequestTypeAndFlagsOnlyWhereDue) {
  struct Case {
    uint8_t requestFlags1, requestFlags2, sendFlags;
    int endOfReply;
    uint8_t flags1, flags2;
  } cases[] = {
      {0xFF, 0x40, 0x00, 1, 0x38, 0x40},
      {0xFF, 0x40, 0x04, 0, 0x3C, 0x00},  // system request: not the end of the reply
      {0x00, 0x40, 0x40, 0, 0x40, 0x00},  // attention
      {0x00, 0x00, 0x00, 1, 0x00, 0x00},
      {0x07, 0xC0, 0x80, 1, 0x80, 0x40},  // the leading-block bit never goes back
  };
  for (const Case& c : cases) {
    GlueWithHost g;
    const Bytes data = (c.requestFlags2 & 0x80) ? B({0x01, 0x04, 0x40}) : B({0x04, 0x40});
    g.Feed(Record(0x03, data, c.requestFlags1, c.requestFlags2));
    const Bytes payload = B({0x01, 0x02, 0xF1});
    ASSERT_TRUE(s5250_net_put(g.glue, payload.data(), payload.size()));
    EXPECT_EQ(s5250_net_eor(g.glue, c.sendFlags, c.endOfReply), 1);
    ASSERT_EQ(g.link.sent.size(), 1u);
    EXPECT_EQ(g.link.sent[0], Cat({ReplyHeader(0x03, 3, c.flags1, c.flags2), payload}));
    EXPECT_EQ(g.glue.fill, 0u);
    if (c.endOfReply) {
      EXPECT_EQ(g.glue.invited, 0);
      EXPECT_EQ(g.glue.endOfReply, 0);
    }
  }
}

TEST(RecordGlueTest, DataStreamSenseBecomesNegativeResponse) {
  struct Case {
    uint32_t sense;
    bool answered;
  } cases[] = {{0, false}, {0xFFFFFFFFu, false}, {0x10050122u, true}, {0x10030101u, true}, {0x08290100u, true}};
  for (const Case& c : cases) {
    GlueWithHost g;
    g.host.answers.push_back(c.sense);
    g.Feed(Record(0x03, B({0x04, 0x11}), 0, 0x40));
    if (c.answered) {
      ASSERT_EQ(g.link.sent.size(), 1u);
      EXPECT_EQ(g.link.sent[0], NegativeResponse(0x03, c.sense, 0x40));
    } else {
      EXPECT_TRUE(g.link.sent.empty());
    }
  }
}

TEST(RecordGlueTest, RecordsMarkedInReservedByteAreNotInterpreted) {
  for (uint8_t reserved : {0x40, 0x80, 0xC0}) {
    GlueWithHost g;
    g.Feed(Record(0x03, B({0x04, 0x40}), 0, 0, reserved));
    EXPECT_TRUE(g.host.calls.empty());
    EXPECT_TRUE(g.link.sent.empty());
  }
  GlueWithHost g;
  g.Feed(Record(0x03, B({0x04, 0x40}), 0, 0, 0x20));
  EXPECT_EQ(g.host.calls.size(), 1u);
}

TEST(RecordGlueTest, LeadingBlockIsSkippedOrRefused) {
  struct Case {
    Bytes data;
    std::vector<DsmCall> calls;
    bool refused;
  } cases[] = {
      {B({0x03, 0xAA, 0xBB, 0x04, 0x40}), {{0, B({0x04, 0x40})}}, false},
      {B({0x01, 0x04, 0x40}), {{0, B({0x04, 0x40})}}, false},
      {B({0x03, 0xAA, 0xBB}), {{0, {}}}, false},
      {B({0x00, 0x04, 0x40}), {}, true},
      {B({0x09, 0x04, 0x40}), {}, true},
      {{}, {}, true},
  };
  for (const Case& c : cases) {
    GlueWithHost g;
    g.Feed(Record(0x03, c.data, 0, 0x80));
    EXPECT_EQ(g.host.calls, c.calls);
    if (c.refused) {
      ASSERT_EQ(g.link.sent.size(), 1u);
      EXPECT_EQ(g.link.sent[0], NegativeResponse(0x03, dsm_sense::kBadLength));
    } else {
      EXPECT_TRUE(g.link.sent.empty());
    }
  }
}

TEST(RecordGlueTest, SendFailureEndsTheRecordAndEmptiesTheBuffer) {
  GlueWithHost g;
  const Bytes payload = B({1, 2, 3});
  s5250_net_put(g.glue, payload.data(), payload.size());
  g.link.failSends = true;
  EXPECT_EQ(s5250_net_eor(g.glue, 0, 1), 0);
  EXPECT_EQ(g.glue.fill, 0u);
  EXPECT_TRUE(g.link.sent.empty());
}

TEST(RecordGlueTest, OutboundPieceThatDoesNotFitIsDroppedWhole) {
  GlueWithHost g;
  const Bytes most(kRecordBufferSize - 2, 0x40);
  EXPECT_TRUE(s5250_net_put(g.glue, most.data(), most.size()));
  const Bytes three = B({1, 2, 3});
  EXPECT_FALSE(s5250_net_put(g.glue, three.data(), three.size()));
  EXPECT_EQ(g.glue.fill, kRecordBufferSize - 2);
  EXPECT_TRUE(s5250_net_put(g.glue, three.data(), 2));
  EXPECT_EQ(g.glue.fill, kRecordBufferSize);
}

TEST(RecordGlueTest, SessionEndedWhileEventsWereHandledStopsTheRecord) {
  GlueWithHost g;
  g.link.endSessionOnDrain = true;
  const Bytes r = Record(0x03, B({0x04, 0x40}));
  s5250_accept(g.glue, r.data(), r.size());
  EXPECT_EQ(s5250_accept_eor(g.glue), 1);
  EXPECT_TRUE(g.host.calls.empty());
}

TEST(RecordGlueTest, CdHeldFollowsSimulatorMode) {
  GlueWithHost g;
  EXPECT_EQ(cdHeld(g.glue), 1);
  g.glue.simulatorMode = 1;
  g.Feed(Record(0x02, {}, 0, 0x40));
  EXPECT_EQ(cdHeld(g.glue), 0x40);
  g.Feed(Record(0x02, {}, 0, 0x00));
  EXPECT_EQ(cdHeld(g.glue), 0);
}

// A download's data: the table size at bytes 20-23, then `bodyBytes` bytes
// of table image.
Bytes TableDownload(uint32_t size, size_t bodyBytes) {
  Bytes d(24, 0);
  d[20] = static_cast<uint8_t>(size >> 24);
  d[21] = static_cast<uint8_t>(size >> 16);
  d[22] = static_cast<uint8_t>(size >> 8);
  d[23] = static_cast<uint8_t>(size);
  d.resize(24 + bodyBytes, 0x5A);
  return d;
}

TEST(RecordGlueTest, KeyboardTableDownloadIsOfferedOnlyWhenWhole) {
  struct Case {
    const char* what;
    Bytes data;
    uint32_t linkSense;  // what the session answers for the table
    bool offered;
    uint32_t sense;      // 0: accepted, no reply
  } cases[] = {
      {"whole", TableDownload(300, 300), 0, true, 0},
      {"trailing bytes", TableDownload(300, 310), 0, true, 0},
      {"header only", TableDownload(42, 42), 0, true, 0},
      {"refused by the session", TableDownload(300, 300), kSenseTableData, true,
       kSenseTableData},
      {"claims more than came", TableDownload(301, 300), 0, false, kSenseTableLength},
      {"size that would wrap", TableDownload(0xFFFFFFFFu, 300), 0, false, kSenseTableLength},
      {"size below a header", TableDownload(41, 300), 0, false, kSenseTableLength},
      {"no table header", TableDownload(30, 30), 0, false, kSenseTableLength},
      {"no size", Bytes(10, 0), 0, false, kSenseTableLength},
      {"empty", Bytes(), 0, false, kSenseTableLength},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GlueWithHost g;
    g.link.tableSense = c.linkSense;
    qwtest::LogCapture log;
    g.Feed(Record(0x11, c.data, 0, 0x40));
    EXPECT_EQ(g.link.tableOffered, c.offered);
    if (c.offered) {
      const uint32_t size = (uint32_t(c.data[20]) << 24) | (c.data[21] << 16) | (c.data[22] << 8) | c.data[23];
      EXPECT_EQ(g.link.tableBody, Bytes(c.data.begin() + 24, c.data.begin() + 24 + size));
    }
    // A table taken is logged at info level with its size.
    EXPECT_EQ(log.Count("[ INFORMATIONAL ]: s5250rep: keyboard table of " +
                        std::to_string(c.data.size() >= 24 ? (c.data[22] << 8) | c.data[23] : 0) +
                        " bytes downloaded from the host."),
              c.sense == 0 ? 1 : 0);
    EXPECT_EQ(g.glue.hostKeyboardTable, c.sense == 0 ? 1 : 0);
    if (c.sense == 0) {
      EXPECT_TRUE(g.link.sent.empty());
    } else {
      ASSERT_EQ(g.link.sent.size(), 1u);
      EXPECT_EQ(g.link.sent[0], NegativeResponse(0x11, c.sense)) << "the refusal names the download";
    }
  }
}

// The simulator over a display station.
class FakeSimulator : public SimulatorHost {
 public:
  explicit FakeSimulator(DisplayBag* d) : d_(d) {}
  DisplayBag* display() override { return d_; }
  unsigned int tax(unsigned int kind, const unsigned char* record, unsigned int n) override {
    taxCalls.push_back({kind, record ? Bytes(record, record + n) : Bytes{static_cast<uint8_t>(n)}});
    return taxResult;
  }
  void powerOnReset() override { ++resets; }
  void readDisplayInformation(unsigned char* out, unsigned int size) override {
    informationSize = size;
    out[0] = 0xEE;  // the glue's own status byte wins
    out[size - 1] = 0x5A;
  }
  void useJapanese() override { ++japanese; }
  void keyRecord(const unsigned char* record, unsigned int n) override { keyRecords.push_back(Bytes(record, record + n)); }
  std::vector<DsmCall> taxCalls;
  std::vector<Bytes> keyRecords;
  unsigned int informationSize = 0;
  int japanese = 0;
  unsigned int taxResult = 0;
  int resets = 0;

 private:
  DisplayBag* d_;
};

struct SimulatorLink : RecordingLink {
  SimulatorHost* sim = nullptr;
  SimulatorHost* simulatorHost() override { return sim; }
};

struct SimulatorFixture {
  StationWith<Scripted<HostInterface>> station;
  SimulatorLink link;
  std::vector<unsigned char> outbound = std::vector<unsigned char>(kRecordBufferSize);
  std::vector<unsigned char> reassembly = std::vector<unsigned char>(kRecordBufferSize);
  RecordGlue glue{link, outbound.data(), reassembly.data()};
  FakeSimulator sim{&station.display};
  SimulatorFixture() {
    link.sim = &sim;
    glue.setHostInterface(&station.host);
  }
  void Feed(const Bytes& data) {
    const Bytes r = Record(0x10, data);
    s5250_accept(glue, r.data(), r.size());
    s5250_accept_eor(glue);
  }
};

TEST(RecordGlueTest, SimulatorCommandReplies) {
  const Bytes version = B({0x00, 0x09, 0x09, 0x09, 0x11, 0x09, 0x95, 0x11, 0x59, 0x59});
  struct Case {
    const char* name;
    Bytes command;
    Bytes reply;
  } cases[] = {
      {"no command byte", {}, B({0x03})},
      {"command 9", B({9}), B({0x03})},
      {"command 10", B({10, 1, 2}), B({0x03})},
      {"unknown command", B({0x20}), B({0x03})},
      {"version", B({14}), version},
      {"plane above 3", B({5, 4, 0, 0}), B({0x0A})},
      {"plane start at the last address", B({5, 0, 0x07, 0xCF}), B({0x09})},
      {"plane start beyond any screen", B({5, 0, 0xFF, 0xFF}), B({0x09})},
      {"plane command cut short", B({5, 0}), B({0x03})},
      {"device record cut short", B({2, 1, 2, 3}), B({0x03})},
      {"position outside the screen", B({6, 0x80, 30, 1}), B({0x09})},
      {"position in column 0", B({6, 0x80, 1, 0}), B({0x09})},
      {"marked position", B({6, 0}), B({0x09})},
      {"open parameters of an unknown device", Cat({B({11}), {'9', '9', '9', '9', '0', '0', '1'}}), B({0x03})},
      {"open parameters cut short", B({11, '3'}), B({0x03})},
      {"edit function cut short", B({15, 1}), B({0x03})},
      {"key string longer than the command", B({15, 4, 0x00, 0x09, 0x01}), B({0x03})},
      {"stripe reader", B({7, 1, 2, 3}), B({0x00})},
      {"keystrokes", B({1, 0, 0xC1, 0x00, 0xC2}), B({0x00})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatorFixture f;
    f.Feed(c.command);
    ASSERT_EQ(f.link.sent.size(), 1u);
    EXPECT_EQ(f.link.sent[0], Cat({ReplyHeader(0x10, c.reply.size(), 0, 0), c.reply}));
    EXPECT_EQ(f.glue.hostKeyboardTable, 1);
  }
}

TEST(RecordGlueTest, SimulatorPlaneAndPositionReads) {
  SimulatorFixture f;
  const Bytes text = Ebcdic("Sign On");
  f.station.text(1990, text);  // the message line
  f.Feed(B({5, 0, 0x07, 0xC6}));  // from 1990 to 1999
  ASSERT_EQ(f.link.sent.size(), 1u);
  const Bytes& r = f.link.sent[0];
  ASSERT_EQ(r.size(), 10u + 1 + 10);
  EXPECT_EQ(Bytes(r.begin() + 11, r.begin() + 18), text);
  f.Feed(B({6, 0x80, 25, 11}));  // row 25 (the message line), column 11
  const Bytes& p = f.link.sent[1];
  ASSERT_EQ(p.size(), 13u);
  EXPECT_EQ(p[10], 0x00);
  EXPECT_EQ(p[12], f.station.display.presentationSpace().getCharacter(24 * 80 + 10));
}

TEST(RecordGlueTest, SimulatorKeystrokesAndTranslatorFailure) {
  SimulatorFixture f;
  f.Feed(B({1, 0, 0xC1, 0x00, 0xC2}));
  ASSERT_EQ(f.sim.taxCalls.size(), 2u);
  EXPECT_EQ(f.sim.taxCalls[0], (DsmCall{0, B({0xC1})}));
  EXPECT_EQ(f.sim.taxCalls[1], (DsmCall{0, B({0xC2})}));

  SimulatorFixture g;
  g.sim.taxResult = 0xFF;
  Bytes device(41, 0);
  device[0] = 2;
  g.Feed(device);
  ASSERT_EQ(g.link.sent.size(), 3u);
  EXPECT_EQ(g.link.sent[0], Cat({ReplyHeader(0x10, 1, 0, 0), B({0x00})}));
  EXPECT_EQ(g.link.sent[1], NegativeResponse(0x10, 0x08310000u));
  EXPECT_EQ(g.link.sent[2], Cat({ReplyHeader(0x10, 1, 0, 0), B({0x00})}));
  EXPECT_EQ(g.sim.resets, 1);
}

TEST(RecordGlueTest, SimulatorOpenParametersSetSimulatorModeAndClearTheUnit) {
  SimulatorFixture f;
  f.Feed(Cat({B({11}), {'5', '2', '9', '2', '0', '0', '1'}}));
  ASSERT_EQ(f.link.sent.size(), 1u);
  EXPECT_EQ(f.link.sent[0], Cat({ReplyHeader(0x10, 1, 0, 0), B({0x00})}));
  EXPECT_EQ(f.glue.simulatorMode, 1);
  EXPECT_TRUE(f.station.host.simulatorPrefix());
  ASSERT_EQ(f.station.host.calls.size(), 1u);
  EXPECT_EQ(f.station.host.calls[0], (DsmCall{0, B({0x04, 0x40})}));
  const unsigned char same[4] = {'5', '2', '9', '2'};
  const unsigned char other[4] = {'3', '1', '7', '9'};
  EXPECT_EQ(check_device_type(f.glue, same), 0);
  EXPECT_EQ(check_device_type(f.glue, other), 1);
}

// Command 13 answers the window's 612 bytes, its status byte first;
// command 15 sub-code 4 makes the session Japanese and hands the string to
// the keyboard glue as a double-byte key record; sub-code 6 the key 0x0B.
TEST(RecordGlueTest, SimulatorDisplayInformationAndKeyStrings) {
  SimulatorFixture f;
  f.Feed(B({13}));
  ASSERT_EQ(f.link.sent.size(), 1u);
  const Bytes& info = f.link.sent[0];
  ASSERT_EQ(info.size(), 10u + 612);
  EXPECT_EQ((info[0] << 8) | info[1], 0x026E);
  EXPECT_EQ(info[10], 0x00);
  EXPECT_EQ(info.back(), 0x5A);
  EXPECT_EQ(f.sim.informationSize, 612u);

  f.glue.hostKeyboardTable = 1;
  f.Feed(B({15, 4, 0x00, 0x04, 0x0E, 0x42, 0x42, 0x0F}));
  EXPECT_EQ(f.link.sent[1], Cat({ReplyHeader(0x10, 2, 0, 0), B({0x00, 0x00})}));
  EXPECT_EQ(f.sim.japanese, 1);
  ASSERT_EQ(f.sim.keyRecords.size(), 1u);
  EXPECT_EQ(f.sim.keyRecords[0], B({0x02, 0x0E, 0x42, 0x42, 0x0F}));
  EXPECT_EQ(f.glue.hostKeyboardTable, 0);

  f.glue.hostKeyboardTable = 1;
  f.Feed(B({15, 6, 1}));
  EXPECT_EQ(f.link.sent[2], Cat({ReplyHeader(0x10, 1, 0, 0), B({0x00})}));
  ASSERT_EQ(f.sim.keyRecords.size(), 2u);
  EXPECT_EQ(f.sim.keyRecords[1], B({0x0B}));
  EXPECT_EQ(f.glue.hostKeyboardTable, 0);
}

}  // namespace
