// The session control block's record glue without a display: host records
// handed over by the transport reach the session's display station through
// its TCP host interface, and its programming-interface accessors read the
// result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "session/ScreenInfo.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/FakeEventSources.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace glue_test;

struct Block {
  qwtest::FakeEventSources events;
  void* memory = nullptr;
  SessionControlBlock* block = nullptr;
  Block() {
    SetSessionEventSources(&events);
    memory = std::calloc(1, sizeof(SessionControlBlock));
    block = new (memory) SessionControlBlock(5, nullptr, nullptr, nullptr, 0, 0);
    EXPECT_EQ(block->constructed, 1);
    S5250_Init(block, 80, 24);
  }
  ~Block() {
    block->~SessionControlBlock();
    std::free(memory);
    SetSessionEventSources(nullptr);
  }
  // One record as the transport hands it over: in two pieces, then the end
  // of record.
  void Receive(const Bytes& record) {
    const int half = static_cast<int>(record.size() / 2);
    block->s5250_accept(record.data(), half);
    block->s5250_accept(record.data() + half, static_cast<int>(record.size()) - half);
    block->s5250_accept_eor();
  }
};

TEST(SessionRecordGlueTest, HostRecordReachesTheStationThroughTheBlock) {
  qwtest::LogCapture log;
  Block b;
  ASSERT_NE(b.block->display, nullptr);
  ASSERT_EQ(b.block->hostInterface->display(), b.block->display);
  const Bytes title = Ebcdic("Sign On");
  b.Receive(Record(0x03, Cat({B({0x04, 0x40, 0x04, 0x11, 0x00, 0x08, 0x11, 0x01, 0x24, 0x22}), title,
                              B({0x20})})));
  const unsigned char* ps = b.block->display->presentationSpace().buffer();
  EXPECT_TRUE(std::equal(title.begin(), title.end(), ps + 36));
  // The clear unit's attribute at the first position and the two written.
  EXPECT_EQ(ps[0], 0x20);
  EXPECT_EQ(b.block->getNumberOfFields(), 3);

  // A malformed record and a refused opcode leave the session as it was.
  Bytes bad = Record(0x03, B({0x04, 0x40}));
  bad[1] = 0x40;
  b.Receive(bad);
  b.Receive(Record(0x0E, B({0x04, 0x40})));
  EXPECT_TRUE(std::equal(title.begin(), title.end(), b.block->display->presentationSpace().buffer() + 36));
  EXPECT_EQ(b.block->glue.framingErrors, 1u);
}

TEST(SessionRecordGlueTest, FieldInfoIntoASmallBufferIsNotFatal) {
  Block b;
  b.Receive(Record(0x03, B({0x04, 0x11, 0x00, 0x08, 0x11, 0x02, 0x01, 0x20, 0xC1, 0x22, 0xC2, 0x20})));
  int total = 0;
  char room[kFieldInfoRecordSize + 3];
  const int written = b.block->getFieldInfo(room, sizeof room, &total);
  EXPECT_EQ(written, 1);
  EXPECT_GE(total, 3);
  auto info = std::make_unique<ScreenInfo>();
  b.block->getScreenInfo(info.get());
  EXPECT_EQ(info->rows, 24);
  EXPECT_EQ(info->text[81], 0xC1);
}

}  // namespace
