// Write Structured Field, Write Single Structured Field and the structured
// field order of a Write to Display: the query replies and the refusals.
#include <gtest/gtest.h>

#include <vector>

#include "datastream/DsmSense.h"
#include "datastream/Query5250.h"
#include "display/EntryField.h"
#include "display/Rendering.h"
#include "tests/datastream/DsmRecords.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A host side that keeps what the display sends.
class CapturingHost : public HostInterface {
 public:
  int sendDataToHost(unsigned char* data, unsigned int n, Rendering* r, unsigned int) override {
    sent.emplace_back(data, data + n);
    r->WsFreeBuffer(data);
    return 0;
  }
  std::vector<Bytes> sent;
};

// The station with a capturing host interface.
struct QueryStation {
  QueryStation() : rendering(3696, 24, 80), psBuffer(3696),
                   display(nullptr, &rendering, &host, &tax, DisplayCharacteristics(), psBuffer.data()) {
    SetErrorHaltHook(ThrowingHalt);
  }
  ~QueryStation() { SetErrorHaltHook(nullptr); }
  uint32_t run(const Bytes& r) {
    unsigned int unlocked = 0;
    return display.dataStreamManager().dsm(DataStreamManager::kRecord, r.data(),
                                           static_cast<uint32_t>(r.size()), unlocked);
  }
  RecordingRendering rendering;
  CapturingHost host;
  TAXlate tax;
  std::vector<unsigned char> psBuffer;
  DisplayBag display;
};

Bytes Wsf(const Bytes& sf) {
  Bytes r = {0x04, 0xF3};
  r.insert(r.end(), sf.begin(), sf.end());
  return r;
}

TEST(Query, TheReplyIs71BytesOfTheDisplaysCapabilities) {
  QueryStation s;
  ASSERT_EQ(s.run(Wsf({0x00, 0x05, 0xD9, 0x70, 0x00})), dsm_sense::kAnswered);
  ASSERT_EQ(s.host.sent.size(), 1u);
  const Bytes& q = s.host.sent[0];
  ASSERT_EQ(q.size(), 71u);
  const Bytes head = {0x00, 0x00, 0x88, 0x00, 0x44, 0xD9, 0x70, 0x80, 0x00, 0x04, 0x03, 0x07, 0x00};
  EXPECT_EQ(Bytes(q.begin(), q.begin() + 13), head);
  EXPECT_EQ(Bytes(q.begin() + 13, q.begin() + 29), Bytes(16, 0x00));
  EXPECT_EQ(q[29], 0x01);
  EXPECT_EQ(Bytes(q.begin() + 44, q.begin() + 50), (Bytes{0x01, 0x00, 0xF0, 0x00, 0x00, 0x7F}));
  // Word 0 of the default display is 0x7F68428D, word 1 is 0.
  EXPECT_EQ(q[50], 0x10 | 0x01);              // W1 bit 28
  EXPECT_EQ(q[51], 0x44 | 0x01);              // W1 bit 9, W1 bits 20-19 = 01
  EXPECT_EQ(q[52], 0x0A);                     // W1 bits 8 and 23 clear
  EXPECT_EQ(q[53], 0x07 | 0x08);              // W1 bits 22 and 14
  EXPECT_EQ(q[54], 0xB8);
  EXPECT_EQ(Bytes(q.begin() + 55, q.begin() + 71),
            (Bytes{0, 0xFE, 0x07, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0}));
  // W1 bit 0: later queries report F3 F4 F8 F9 in bytes 40-43.
  ASSERT_EQ(s.run(Wsf({0x00, 0x05, 0xD9, 0x70, 0x00})), dsm_sense::kAnswered);
  ASSERT_EQ(s.host.sent.size(), 2u);
  EXPECT_EQ(Bytes(s.host.sent[1].begin() + 40, s.host.sent[1].begin() + 44),
            (Bytes{0xF3, 0xF4, 0xF8, 0xF9}));
}

TEST(Query, CapabilityBitsOfTable) {
  struct Case {
    uint32_t w1, w2;
    unsigned int at;
    unsigned char value;
  };
  const Case cases[] = {
      {0, 0, 50, 0x10},        {0, 1u << 28, 50, 0x50}, {0, 1u << 27, 50, 0x90},
      {0, 1u << 24, 50, 0x30}, {1u << 16, 0, 50, 0x18}, {1u << 15, 0, 50, 0x14},
      {0, 1u << 25, 51, 0x80}, {3u << 19, 0, 51, 0x03}, {1u << 8, 0, 52, 0x4A},
      {0, 0, 52, 0x0A},        {0, 0, 53, 0x03},        {0, 1u << 26, 53, 0x23},
      {0, 1u << 22, 55, 0x01}, {1u << 1, 0, 61, 0x01},  {0, 0, 56, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.w1 << " " << c.w2 << " byte " << std::dec << c.at);
    uint32_t w[8] = {c.w1, c.w2, 0, 0, 0, 0, 0, 0};
    unsigned char reply[QRY5250::kReplyBytes];
    BuildQueryReply(w, false, reply);
    EXPECT_EQ(reply[c.at], c.value);
  }
}

TEST(Query, Refusals) {
  struct Case {
    const char* name;
    Bytes record;
    uint32_t sense;
  };
  const Case cases[] = {
      // The dispatcher finds the structured field longer than the record
      // before the query sees its length.
      {"length 0x0105", Wsf({0x01, 0x05, 0xD9, 0x70, 0x00}), dsm_sense::kBadLength},
      {"length 4 inside the record", Wsf({0x00, 0x04, 0xD9, 0x70, 0x00}), dsm_sense::kBadStructuredData},
      {"bytes after the query", Wsf({0x00, 0x05, 0xD9, 0x70, 0x00, 0x04, 0x40}), dsm_sense::kPrematureEnd},
      {"wrong class", Wsf({0x00, 0x05, 0xD8, 0x70, 0x00}), dsm_sense::kBadClassOrType},
      {"unknown type", Wsf({0x00, 0x05, 0xD9, 0x7E, 0x00}), dsm_sense::kBadClassOrType},
      {"length 0", Wsf({0x00, 0x00, 0xD9, 0x70, 0x00}), dsm_sense::kBadLength},
      {"length 2", Wsf({0x00, 0x02, 0xD9, 0x70}), dsm_sense::kBadLength},
      {"three bytes", Wsf({0x00, 0x05, 0xD9}), dsm_sense::kBadLength},
      {"query station state: flag byte 1 not 0", Wsf({0x00, 0x06, 0xD9, 0x72, 0x01, 0x00}),
       dsm_sense::kBadStructuredData},
      {"query station state: length 7", Wsf({0x00, 0x07, 0xD9, 0x72, 0x00, 0x00, 0x00}), dsm_sense::kBadLength},
      {"text assist in display mode", Wsf({0x00, 0x05, 0xD9, 0x32, 0x00}), 0x1005011Cu},
      {"transparent data not last", Wsf({0x00, 0x05, 0xD9, 0x3F, 0x00, 0x04, 0x40}), dsm_sense::kPrematureEnd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QueryStation s;
    EXPECT_EQ(s.run(c.record), c.sense);
    EXPECT_TRUE(s.host.sent.empty());
    EXPECT_TRUE(s.display.dataStreamManager().arena().isEmpty());
  }
}

TEST(Query, TransparentDataToTheHostIsAcceptedAtTheEndOfTheRecord) {
  QueryStation s;
  EXPECT_EQ(s.run(Wsf({0x00, 0x07, 0xD9, 0x3F, 0xC1, 0xC2, 0xC3})), dsm_sense::kAccepted);
  EXPECT_TRUE(s.host.sent.empty());
}

TEST(QueryStationState, KeyboardSubfieldAndOptionalCursorSubfield) {
  QueryStation s;
  ASSERT_EQ(s.run(Wsf({0x00, 0x06, 0xD9, 0x72, 0x00, 0x00})), dsm_sense::kAnswered);
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(s.host.sent[0], (Bytes{0x00, 0x00, 0x88, 0x00, 0x09, 0xD9, 0x72, 0x80, 0x00, 0x03, 0x01, 0x04}));
  ASSERT_EQ(s.run(Wsf({0x00, 0x06, 0xD9, 0x72, 0x00, 0x01})), dsm_sense::kAnswered);
  ASSERT_EQ(s.host.sent.size(), 2u);
  // The cursor control bit is set on a new station: the subfield says 0.
  EXPECT_EQ(s.host.sent[1],
            (Bytes{0x00, 0x00, 0x88, 0x00, 0x0C, 0xD9, 0x72, 0x80, 0x00, 0x03, 0x01, 0x04, 0x03, 0x02, 0x00}));
}

TEST(WriteSingleStructuredField, TypesAndRefusals) {
  struct Case {
    const char* name;
    Bytes sf;
    uint32_t sense;
  };
  Bytes image13 = {0x00, 0x0D, 0xD9, 0x67};
  image13.resize(13, 0x00);
  Bytes image14 = {0x00, 0x0E, 0xD9, 0x67};
  image14.resize(14, 0x00);
  const Case cases[] = {
      {"ignored type 0x7F", {0x00, 0x04, 0xD9, 0x7F}, dsm_sense::kAccepted},
      {"image download of 13 bytes", image13, dsm_sense::kBadImageLength},
      {"image download without the capability", image14, dsm_sense::kNoCapability},
      {"video/audio without the capability", {0x00, 0x0B, 0xD9, 0x68, 0, 0xE2, 0x01, 0, 0, 0, 0},
       dsm_sense::kNoCapability},
      {"unknown type", {0x00, 0x04, 0xD9, 0x20}, dsm_sense::kBadStructuredData},
      {"length 0", {0x00, 0x00, 0xD9, 0x7F}, dsm_sense::kBadLength},
      {"customisation without subfields", {0x00, 0x06, 0xD9, 0x71, 0x00, 0x00}, dsm_sense::kAccepted},
      {"customisation of length 8", {0x00, 0x08, 0xD9, 0x71, 0x00, 0x00, 0x00, 0x00}, dsm_sense::kBadLength},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QueryStation s;
    s.display.characteristicsForQuery().word[0] &= ~0x00000001u;  // no image capability
    Bytes r = {0x04, 0xF4};
    r.insert(r.end(), c.sf.begin(), c.sf.end());
    EXPECT_EQ(s.run(r), c.sense);
  }
}

TEST(WriteSingleStructuredField, VideoAudioCommandsAreChecked) {
  DisplayCharacteristics c;
  c.word[1] |= 0x00400000u;
  struct Case {
    unsigned char command, one;
    uint32_t sense;
  };
  const Case cases[] = {{0xE2, 0x01, 0}, {0xE3, 0x01, 0}, {0xE4, 0x01, dsm_sense::kBadImageLength},
                        {0xE2, 0x02, dsm_sense::kBadImageLength}};
  for (const Case& k : cases) {
    DsmStation s(c);
    const Bytes r = {0x04, 0xF4, 0x00, 0x0B, 0xD9, 0x68, 0x00, k.command, k.one, 1, 2, 3, 4};
    EXPECT_EQ(s.run(r), k.sense);
    EXPECT_EQ((s.display.modeFlagsB() & DisplayBag::kBAudioVideo) != 0, k.sense == 0);
  }
}

TEST(WriteToDisplayStructuredField, OrdersAndRefusals) {
  struct Case {
    const char* name;
    Bytes sf;
    uint32_t sense;
  };
  const Case cases[] = {
      {"unrestricted cursor movement", {0x00, 0x06, 0xD9, 0x52, 0x00, 0x00}, dsm_sense::kAccepted},
      {"unrestricted cursor movement, length 7", {0x00, 0x07, 0xD9, 0x52, 0x00, 0x00, 0x00},
       dsm_sense::kBadLength},
      {"length 0 never loops", {0x00, 0x00, 0xD9, 0x52}, dsm_sense::kBadLength},
      {"length 1", {0x00, 0x01, 0xD9, 0x52}, dsm_sense::kBadLength},
      {"length beyond the record", {0x00, 0x30, 0xD9, 0x52, 0x00, 0x00}, dsm_sense::kPrematureEnd},
      {"create window", {0x00, 0x09, 0xD9, 0x51, 0, 0, 0, 2, 10}, dsm_sense::kAccepted},
      {"programmable mouse buttons cleared", {0x00, 0x07, 0xD9, 0x55, 0, 0, 0}, dsm_sense::kAccepted},
      {"remove GUI window", {0x00, 0x07, 0xD9, 0x59, 0, 0, 0}, dsm_sense::kAccepted},
      {"remove GUI selection field", {0x00, 0x06, 0xD9, 0x58, 0, 0}, dsm_sense::kAccepted},
      {"remove GUI scroll bar", {0x00, 0x06, 0xD9, 0x5B, 0, 0}, dsm_sense::kAccepted},
      {"remove all GUI constructs", {0x00, 0x07, 0xD9, 0x5F, 0x80, 0, 0}, dsm_sense::kAccepted},
      {"selection field is not interpreted", {0x00, 0x08, 0xD9, 0x50, 0, 0, 0, 0}, dsm_sense::kBadLength},
      {"grid lines are not drawn by this display", {0x00, 0x08, 0xD9, 0x60, 0, 0, 0, 0}, 0x10050153u},
      {"erase grid lines", {0x00, 0x0B, 0xD9, 0x61, 0, 0, 0, 0, 0, 0, 0}, 0x10050153u},
      {"unknown type", {0x00, 0x04, 0xD9, 0x70}, dsm_sense::kBadClassOrType},
      {"write data outside a field", {0x00, 0x08, 0xD9, 0x54, 0x80, 0x00, 0xC1, 0xC2},
       dsm_sense::kWriteFieldRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    Record r;
    r.clearUnit().wtd(0, 0).sba(5, 5).bytes({0x15});
    r.data.insert(r.data.end(), c.sf.begin(), c.sf.end());
    EXPECT_EQ(s.run(r), c.sense);
    EXPECT_TRUE(s.manager().arena().isEmpty());
  }
}

TEST(WriteToDisplayStructuredField, WriteDataToAFieldFillsItAndTooMuchIsRefused) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(5, 4).bytes({0x1D, 0x40, 0x00, 0x20, 0x00, 0x05});
  r.sba(5, 5).bytes({0x15, 0x00, 0x09, 0xD9, 0x54, 0x80, 0x00}).text("ABC");
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  EXPECT_EQ(s.screen(s.offset(5, 5), 5), (Bytes{0xC1, 0xC2, 0xC3, 0x00, 0x00}));
  Record big;
  big.wtd(0, 0).sba(5, 5).bytes({0x15, 0x00, 0x0C, 0xD9, 0x54, 0x80, 0x00}).text("ABCDEF");
  EXPECT_EQ(s.run(big), dsm_sense::kWriteFieldData);
}

}  // namespace
