// The read manager over a display station whose planes and fields the test
// sets: the inbound record of an AID for each pending read, AIDs kept for a
// later read, resequenced fields, the immediate and screen reads and the
// signals that travel as AIDs.
#include <gtest/gtest.h>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/display/StreamHelpers.h"

namespace {

using namespace glue_test;

// A host interface that keeps what it is asked to send.
class CapturingHost : public HostInterface {
 public:
  int sendDataToHost(unsigned char* data, unsigned int n, Rendering* r, unsigned int) override {
    records.emplace_back(data, data + n);
    freeBuffer(data, r);
    return 1;
  }
  int sendSystemRequestToHost(unsigned char* data, unsigned int n, Rendering* r) override {
    signals.push_back("system request");
    systemRequest.assign(data, data + n);
    freeBuffer(data, r);
    return 1;
  }
  int sendAttnSignalToHost(Rendering*) override { return signals.push_back("attention"), 1; }
  int sendHelpInErrorSignalToHost(unsigned int code, Rendering*) override {
    signals.push_back("help " + std::to_string(code));
    return 1;
  }
  int sendTestRequestToHost(Rendering*) override { return signals.push_back("test request"), 1; }
  int sendResequencingErrorToHost(Rendering*) override { return signals.push_back("resequencing error"), 1; }
  int isPendingReadOK(Rendering*) override { return wait; }
  int isImmediateReadOK(Rendering*) override { return wait; }

  std::vector<Bytes> records;
  std::vector<std::string> signals;
  Bytes systemRequest;
  int wait = 0;
};

struct Reads : StationWith<CapturingHost> {
  ReadMgr& read = display.readMgr();

  void cursorAt(unsigned int offset) {
    display.cursor().detachCursorFromArea();
    display.cursor().initializeCursorToArea(static_cast<int>(offset), 0, CursorOffsetAsShown);
  }
  // What a field sends for itself in MDT or normal form.
  Bytes fieldData(Field* f, bool normal) {
    std::vector<unsigned char> buf(4000);
    const int n = normal ? f->readFieldNormalFormat(&display, buf.data(), 4000)
                         : f->readFieldMDTFormat(&display, buf.data(), 4000);
    return Bytes(buf.begin(), buf.begin() + (n > 0 ? n : 0));
  }
  Bytes sba(Field* f, bool normal = false) {
    const unsigned int s = f->getStartOffset();
    return Cat({B({0x11, int(s / 80 + 1), int(s % 80 + 1)}), fieldData(f, normal)});
  }
  ~Reads() { EXPECT_EQ(rendering.outstandingBuffers(), 0u) << "a work buffer did not go back"; }
};

TEST(ReadMgrTest, EnterSendsCursorAidAndModifiedFieldsInTableOrder) {
  Reads s;
  EntryField* a = s.field(81, 90, true);
  EntryField* b = s.field(161, 170, false);
  EntryField* c = s.field(241, 250, true);
  ASSERT_TRUE(a && b && c);
  s.text(81, Ebcdic("USER01"));
  s.text(241, Ebcdic("SECRET"));
  s.cursorAt(85);
  s.read.setReadMDTFields(0x00, 0x08);
  EXPECT_EQ(s.read.activateReadProcess(0xF1, 0), 0u);
  ASSERT_EQ(s.host.records.size(), 1u);
  EXPECT_EQ(s.host.records[0], Cat({B({2, 6, 0xF1}), s.sba(a), s.sba(c)}));
  EXPECT_FALSE(s.read.queryReadPending());
  EXPECT_FALSE(s.read.queryPendingAid());
}

TEST(ReadMgrTest, ReadInputFieldsSendsEveryInputFieldOrNothing) {
  for (bool modified : {true, false}) {
    Reads s;
    EntryField* a = s.field(81, 90, modified);
    EntryField* b = s.field(161, 170, false);
    s.read.setReadInputFields(0, 0);
    s.read.activateReadProcess(0xF1, 0);
    ASSERT_EQ(s.host.records.size(), 1u);
    const Bytes expected = modified ? Cat({B({1, 1, 0xF1}), s.fieldData(a, true), s.fieldData(b, true)})
                                    : B({1, 1, 0xF1});
    EXPECT_EQ(s.host.records[0], expected);
  }
}

TEST(ReadMgrTest, WhichAidsCarryFieldData) {
  struct Case {
    uint8_t aid;
    uint8_t maskIndex, mask;  // PF-key mask set before the AID
    bool fields;
  } cases[] = {
      {0xF1, 0, 0, true},  {0xF4, 0, 0, true},   {0x3F, 0, 0, true},  {0x50, 0, 0, true},
      {0x31, 0, 0, true},  {0x31, 3, 0x01, false}, {0x32, 3, 0x01, true}, {0xBC, 1, 0x80, false},
      {0xF3, 0, 0, false}, {0x70, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "AID 0x" << std::hex << int(c.aid));
    Reads s;
    EntryField* a = s.field(81, 90, true);
    if (c.maskIndex) s.display.pfKeyMask().setPFKeyMask(c.maskIndex, c.mask);
    s.read.setReadMDTFields(0, 0);
    s.read.activateReadProcess(c.aid, 0);
    ASSERT_EQ(s.host.records.size(), 1u);
    EXPECT_EQ(s.host.records[0], c.fields ? Cat({B({1, 1, c.aid}), s.sba(a)}) : B({1, 1, c.aid}));
  }
}

TEST(ReadMgrTest, AidWithoutReadIsKeptUntilTheReadComes) {
  Reads s;
  EntryField* a = s.field(81, 90, true);
  EXPECT_EQ(s.read.activateReadProcess(0xF1, 0), 1u);
  EXPECT_TRUE(s.read.queryPendingAid());
  EXPECT_TRUE(s.host.records.empty());
  // A second AID is not taken while the first waits.
  EXPECT_EQ(s.read.activateReadProcess(0xF3, 0), 0u);
  EXPECT_EQ(s.read.pendingAid(), 0xF1);
  // Nothing goes before a read is pending.
  EXPECT_EQ(s.read.activateSuspendedReadProcess(), 0u);
  s.read.setReadMDTFields(0, 0);
  EXPECT_EQ(s.read.activateSuspendedReadProcess(), 1u);
  ASSERT_EQ(s.host.records.size(), 1u);
  EXPECT_EQ(s.host.records[0], Cat({B({1, 1, 0xF1}), s.sba(a)}));
  EXPECT_FALSE(s.read.queryPendingAid());
}

TEST(ReadMgrTest, AidWaitsWhileTheHostHoldsTheReads) {
  Reads s;
  s.host.wait = 1;
  s.read.setReadMDTFields(0, 0);
  EXPECT_EQ(s.read.activateReadProcess(0xF1, 0), 1u);
  EXPECT_TRUE(s.host.records.empty());
  s.host.wait = 0;
  EXPECT_EQ(s.read.activateSuspendedReadProcess(), 1u);
  EXPECT_EQ(s.host.records.size(), 1u);
}

TEST(ReadMgrTest, ResequencedFieldsFollowTheirChain) {
  struct Case {
    const char* name;
    unsigned char start;
    unsigned char next[3];  // the resequence byte of fields 1, 2 and 3
    std::vector<int> order; // field numbers sent; empty: resequencing error
  } cases[] = {
      {"chain 3, 1, end", 3, {0xFF, 0, 1}, {3, 1}},
      {"chain 2 then table order", 2, {0xFF, 0, 0xFF}, {2, 3}},
      {"chain to a missing field", 1, {9, 0, 0}, {}},
      {"chain past the last field", 3, {0, 0, 0}, {}},
      {"chain that comes back", 1, {2, 1, 0xFF}, {}},
      {"start beyond 128", 200, {0xFF, 0xFF, 0xFF}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reads s;
    EntryField* f[3] = {s.field(81, 90, true), s.field(161, 170, true), s.field(241, 250, true)};
    for (int i = 0; i < 3; ++i) {
      if (c.next[i] == 0) continue;
      f[i]->setFormatByte(1, EntryField::kResequenced);
      f[i]->setProgression(c.next[i]);
    }
    s.read.setFieldSequencing(c.start);
    s.read.setReadMDTFields(0, 0);
    s.read.activateReadProcess(0xF1, 0);
    if (c.order.empty()) {
      EXPECT_TRUE(s.host.records.empty());
      EXPECT_EQ(s.host.signals, std::vector<std::string>{"resequencing error"});
    } else {
      Bytes expected = B({1, 1, 0xF1});
      for (int n : c.order) expected = Cat({expected, s.sba(f[n - 1])});
      ASSERT_EQ(s.host.records.size(), 1u);
      EXPECT_EQ(s.host.records[0], expected);
    }
    EXPECT_FALSE(s.read.queryReadPending());
    EXPECT_FALSE(s.read.queryPendingAid());
  }
}

TEST(ReadMgrTest, ReadScreenSendsTheScreenWithoutTheMessageLine) {
  Reads s;
  const Bytes title = Ebcdic("Sign On");
  const Bytes user = Ebcdic("User  . . . . . . . . . . . . . .");
  s.text(35, title);
  s.text(5 * 80 + 16, user);
  s.text(1920, Ebcdic("message line"));
  s.read.readScreen();
  ASSERT_EQ(s.host.records.size(), 1u);
  const Bytes& r = s.host.records[0];
  ASSERT_EQ(r.size(), 1920u);
  EXPECT_EQ(Bytes(r.begin() + 35, r.begin() + 35 + title.size()), title);
  EXPECT_EQ(Bytes(r.begin() + 416, r.begin() + 416 + user.size()), user);
  EXPECT_EQ(r, Bytes(s.psBuffer.begin(), s.psBuffer.begin() + 1920));
}

TEST(ReadMgrTest, ReadImmediateSendsHeadOnlyWithoutModifiedFields) {
  for (bool modified : {false, true}) {
    Reads s;
    EntryField* a = s.field(81, 90, modified);
    s.cursorAt(82);
    s.read.readImmediate();
    ASSERT_EQ(s.host.records.size(), 1u);
    EXPECT_EQ(s.host.records[0], modified ? Cat({B({2, 3, 0x00}), s.fieldData(a, true)}) : B({2, 3, 0x00}));
  }
}

TEST(ReadMgrTest, ReadMDTImmediateAlternateSendsModifiedFields) {
  Reads s;
  EntryField* a = s.field(81, 90, true);
  s.field(161, 170, false);
  s.read.readMDTImmedAlt();
  ASSERT_EQ(s.host.records.size(), 1u);
  EXPECT_EQ(s.host.records[0], Cat({B({1, 1, 0x00}), s.sba(a)}));
}

TEST(ReadMgrTest, SignalsTravelAsAids) {
  Reads s;
  EntryField* line = s.field(1920, 1999, false);
  ASSERT_NE(line, nullptr);
  s.read.activateReadProcess(0x02, 0);
  s.read.activateReadProcess(0x04, 0);
  s.read.activateReadProcess(0x03, 0);
  s.read.activateReadProcess(0x01, 0);
  EXPECT_EQ(s.host.signals, (std::vector<std::string>{"attention", "test request",
                                                      "help " + std::to_string(s.display.keyboardState().getErrorCode()),
                                                      "system request"}));
  EXPECT_EQ(s.host.systemRequest, s.fieldData(line, false));
  EXPECT_TRUE(s.host.records.empty());
  EXPECT_FALSE(s.read.queryPendingAid());
}

TEST(ReadMgrTest, ImageAidsWithoutImagesSendNothing) {
  Reads s;
  s.read.setReadMDTFields(0, 0);
  s.display.keyboardState().enterNormalLockedState();
  s.read.activateReadProcess(0x82, 0);
  EXPECT_TRUE(s.host.records.empty());
  EXPECT_FALSE(s.read.queryPendingAid());
  EXPECT_EQ(s.display.keyboardState().state(), KeyboardState::kNormalUnlocked);
}

TEST(ReadMgrTest, PrintTranslationOfControlCharacters) {
  Reads s;
  Bytes data = B({0x01, 0x05, 0x10, 0x01, 0x05, 0x1B, 0x40, 0x14, 0x1F, 0xC1});
  const Bytes kept = data;
  s.read.translateDataForPrint(data.data(), static_cast<unsigned>(data.size()));
  EXPECT_EQ(data, kept) << "translated outside the print mode";
  s.display.modeFlagsB() |= 0x20000000u;
  s.read.translateDataForPrint(data.data(), static_cast<unsigned>(data.size()));
  EXPECT_EQ(data, B({0xC1, 0x6E, 0x10, 0x01, 0x05, 0x60, 0x40, 0x40, 0x1F, 0xC1}));
}

TEST(ReadMgrTest, RestoreRefusesAnUnknownPendingRead) {
  for (unsigned char pending : {3, 4}) {
    const auto image = SaveStream([&](qrnOStream* o) {
      for (unsigned char b : {pending, (unsigned char)0, (unsigned char)0x20, (unsigned char)0x08,
                              (unsigned char)0xF1})
        o->save(b, 8);
    });
    Reads s;
    qrnIStream in(image.data(), image.size());
    ASSERT_FALSE(in.checkFCS());
    EXPECT_EQ(s.read.restoreRead(&in) == 0, pending == 3);
    EXPECT_EQ(s.read.queryReadPending() != 0, pending == 3);
    // The restored AID is the saved one, not a pending one.
    EXPECT_FALSE(s.read.queryPendingAid());
    EXPECT_EQ(s.read.querySavedPendingAid() != 0, pending == 3);
  }
}

}  // namespace
