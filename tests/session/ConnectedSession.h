#pragma once
// A session block connected to the loopback TN5250 host, for the tests that
// drive a whole session through its key glue: keystroke codes go in through
// s5250_key, the host's records come out of the Telnet link.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "datastream/HostInterface.h"
#include "datastream/TelnetLAN.h"
#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"
#include "session/AppResources.h"
#include "session/KeyGlue.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "tests/datastream/LoopbackSession.h"
#include "tests/support/HostRecords.h"
#include "tests/support/PollEventSources.h"
#include "tests/support/TestHost5250.h"

namespace session_test {

using namespace glue_test;

constexpr int kWaitMs = 10000;

// Keystroke codes of the key glue.
constexpr unsigned char kCursorLeft = 5, kRight = 6, kFieldAdvance = 9, kInsert = 14, kDelete = 15, kBackspace = 16,
                        kPF1 = 24, kPF3 = 26, kPF12 = 35, kPF13 = 36, kPF24 = 47, kClear = 48, kEnter = 49, kPA1 = 50,
                        kPA3 = 52, kReset = 54, kRollDown = 65, kRollUp = 66, kFieldExit = 69, kFieldMinus = 71;

// A session block whose Telnet link has negotiated with the loopback host.
struct ConnectedSession {
  qwtest::PollEventSources events;
  qwtest::TestHost5250 host;
  AppResourceStruct savedResources = AppResources();
  void* memory = nullptr;
  SessionControlBlock* block = nullptr;
  std::vector<FunctionWord> words;  // what the translator handed on
  qwtest::TestHost5250::Pump pump = [this] { events.ProcessPending(10); };

  explicit ConnectedSession(bool connect = true, const char* language = nullptr) {
    AppResources().CONNECT_TIMEOUT = 10;
    AppResources().NEGOTIATE_TIMEOUT = 10;
    SetSessionEventSources(&events);
    memory = std::calloc(1, sizeof(SessionControlBlock));
    block = new (memory) SessionControlBlock(7, nullptr, nullptr, nullptr, 0, 0);
    EXPECT_EQ(block->constructed, 1);
    if (language) {
      std::strcpy(block->languageId, language);
      block->setEBCDICtoFW_Ptr();
    }
    EXPECT_EQ(S5250_Init(block, 80, 24), 0);
    block->taxlate->setOutputObserver(
        [](void* self, FunctionWord w) { static_cast<ConnectedSession*>(self)->words.push_back(w); }, this);
    if (!connect) return;
    EXPECT_TRUE(host.Start());
    EXPECT_EQ(block->telnet->tel_init("127.0.0.1", host.Port()), 0);
    EXPECT_EQ(block->telnet->tel_setup(0, nullptr, nullptr), 0);
    EXPECT_TRUE(host.WaitNegotiated(kWaitMs, pump));
    block->telnet->addSocketInput();
  }
  ~ConnectedSession() {
    block->~SessionControlBlock();
    std::free(memory);
    SetSessionEventSources(nullptr);
    AppResources() = savedResources;
  }
  ConnectedSession(const ConnectedSession&) = delete;
  ConnectedSession& operator=(const ConnectedSession&) = delete;

  DisplayBag& display() { return *block->display; }
  void Send(const Bytes& record) { qwtest::SendRecordAndSettle(host, pump, kWaitMs, record); }
  Bytes Next() { return qwtest::NextRecord(host, pump, kWaitMs); }
  std::vector<Bytes> Pending() { return qwtest::PendingRecords(host, pump, kWaitMs); }
  // One keystroke code.
  int Key(unsigned char code) { return s5250_key(block, &code, 1); }
  // Data keys: one key record carrying the EBCDIC characters.
  int Type(const Bytes& ebcdic) {
    Bytes record = Cat({B({kKeyTypeData}), ebcdic});
    return s5250_key(block, record.data(), static_cast<int>(record.size()));
  }
  // A screen without input fields, the cursor at (row, column), the
  // keyboard unlocked and the host waiting for an AID (Read MDT Fields,
  // which leaves the keyboard locked once the AID has gone).
  void Screen(int row, int column) {
    Send(Record(0x03,
                Cat({B({0x04, 0x40}),
                     WriteToDisplay(Cat({SetBufferAddress(2, 10), Ebcdic("Main menu"), B({0x13, row, column})})),
                     B({0x04, 0x52, 0x00, 0x00})}),
                0, 0x40));
  }
  Bytes Name() const {
    unsigned char name[8];
    block->recordLink.currentTableName(name);
    return Bytes(name, name + 8);
  }
};

// The inbound record of an answer to the host's read: header, then the
// body (row, column, AID and the fields).
inline Bytes Inbound(const Bytes& body) { return Cat({Header(0x03, body.size(), 0, 0x40), body}); }
// The inbound record of an AID without modified fields.
inline Bytes Inbound(int row, int column, uint8_t aid) { return Inbound(B({row, column, aid})); }

}  // namespace session_test
