// The session control block without a display: the SSL setting in use, the
// default display characteristics, and the device-name candidates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "session/AppResources.h"
#include "session/DisplayNameList.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "tests/support/FakeEventSources.h"
#include "tests/support/LogCapture.h"

namespace {

TEST(SessionBlockTest, SslSettingInUse) {
  qwtest::FakeEventSources events;
  SetSessionEventSources(&events);
  char resource[] = "profile";
  struct Case {
    const char* name;
    const char* option;    // the session's SSL value
    char* resourceValue;   // resource SSL
    const char* inUse;     // null: no SSL
  } cases[] = {
      {"option", "/keys/host", nullptr, "/keys/host"},
      {"resource", nullptr, resource, "profile"},
      {"-NO_SSL beats the resource", kNoSslString, resource, nullptr},
      {"neither", nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppResources().SSL = c.resourceValue;
    void* memory = std::calloc(1, sizeof(SessionControlBlock));
    auto* block = new (memory) SessionControlBlock(3, c.option, "DEV1", nullptr, 0, 0);
    ASSERT_EQ(block->constructed, 1);
    if (c.inUse) {
      ASSERT_NE(block->sslInUse, nullptr);
      EXPECT_STREQ(block->sslInUse, c.inUse);
      EXPECT_EQ(block->secureStream(), block->brell);
    } else {
      EXPECT_EQ(block->sslInUse, nullptr);
      EXPECT_EQ(block->secureStream(), nullptr);
    }
    EXPECT_STREQ(block->deviceName, "DEV1");
    EXPECT_EQ(block->terminalName, nullptr);
    EXPECT_EQ(block->slot, 3);
    block->~SessionControlBlock();
    std::free(memory);
  }
  AppResources().SSL = nullptr;
  SetSessionEventSources(nullptr);
  EXPECT_EQ(events.TimerCount(), 0u);
}

TEST(SessionBlockTest, DefaultDisplayCharacteristics) {
  const DisplayCharacteristics single = GetDefaultDisplayCharacteristics(0);
  const DisplayCharacteristics dbcs = GetDefaultDisplayCharacteristics(1);
  EXPECT_EQ(single.word[0], 0x7F68428Du);
  EXPECT_EQ(dbcs.word[0], 0x7F68428Du | 0x00800100u);
  for (const DisplayCharacteristics& dc : {single, dbcs}) {
    EXPECT_EQ(dc.rows(), 24u);
    EXPECT_EQ(dc.columns(), 80u);
    EXPECT_EQ(dc.bufferSize(), 3696u);
  }
}

TEST(DisplayNameListTest, Candidates) {
  DisplayNameFacts facts;
  facts.macAddress = "0004ac12343f";
  facts.network = 'E';
  facts.user = "jsmith";
  facts.hostName = "term7.example.com";
  struct Case {
    const char* value;
    std::vector<std::string> names;
    int rejected;
    bool endSession;
  } cases[] = {
      {"  dsp01 DSP02", {"DSP01", "DSP02"}, 0, false},
      {"ABCDEFGHIJKLM", {"ABCDEFGHIJ"}, 0, false},
      {"1BAD X GOOD", {"GOOD"}, 2, false},
      {"USE_USER_ID", {"JSMITH"}, 0, false},
      {"USE_USER_ID+3", {"JSMITH1", "JSMITH2", "JSMITH3"}, 0, false},
      {"USE_USER_ID+ABC", {"JSMITHABC"}, 0, false},
      {"USE_USER_ID+ABCDEFGHI", {}, 0, true},
      {"USE_USER_IDX", {}, 0, true},
      {"P+USE_USER_ID", {"PJSMITH"}, 0, false},
      {"USE_HOST_NAME", {"TERM7"}, 0, false},
      {"USE_HOST_NAME+2", {"TERM71", "TERM72"}, 0, false},
      {"USE_HOST_NAMEX", {}, 0, true},
      {"USE_MAC_ADDRESS+2", {"E0004AC121", "E0004AC122"}, 0, false},
      {"USE_MAC_ADDRESS+0", {}, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    qwtest::LogCapture log;
    DisplayNameCandidates got = BuildDisplayNameCandidates(c.value, facts);
    EXPECT_EQ(got.names, c.names);
    EXPECT_EQ(got.rejected, c.rejected);
    EXPECT_EQ(got.endSession, c.endSession);
  }
  DisplayNameFacts none;
  EXPECT_TRUE(BuildDisplayNameCandidates("USE_MAC_ADDRESS", none).endSession);
  EXPECT_TRUE(BuildDisplayNameCandidates("USE_HOST_NAME", none).endSession);
  none.user = "j";
  EXPECT_TRUE(BuildDisplayNameCandidates("USE_USER_ID", none).endSession);
}

}  // namespace
