// The serial line, the answer-to-reset decoder and the Litronic reader,
// against a simulated reader on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "login/card/AnswerToReset.h"
#include "login/card/LitronicReader.h"
#include "login/card/SerialDeviceError.h"
#include "login/card/SharkReader.h"
#include "login/card/UnixSerialDevice.h"
#include "login/cardsim/CardReaderSimulator.h"

using namespace std::chrono_literals;

namespace {

int ErrorCode(const std::function<void()>& f) {
  try {
    f();
  } catch (const SerialDeviceError& e) {
    return e.code();
  }
  return -1;
}

std::unique_ptr<LitronicReader> QuickReader(CardReaderSimulator& sim) {
  std::unique_ptr<LitronicReader> r(static_cast<LitronicReader*>(sim.newReader()));
  r->setResetPulse(1ms);
  // Generous: the card thread may be slow to run on a loaded machine.
  r->setAnswerTimeouts(3s, 2s);
  return r;
}

}  // namespace

TEST(SerialLine, FailuresCarryTheirCodes) {
  UnixSerialDevice missing("/nonexistent/tty");
  EXPECT_EQ(0, ErrorCode([&] { missing.open(); }));
  UnixSerialDevice none(nullptr);
  EXPECT_EQ(0, ErrorCode([&] { none.open(); }));
  uint8_t b;
  size_t n = 1;
  EXPECT_EQ(1, ErrorCode([&] { missing.read(&b, &n); }));
  EXPECT_EQ(1, ErrorCode([&] { missing.write(&b, &n); }));
}

TEST(SerialLine, ReadWithNothingPendingReturnsZero) {
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger);
  UnixSerialDevice line(sim.devicePath().c_str());
  line.open();
  uint8_t buf[4];
  size_t n = sizeof buf;
  EXPECT_EQ(0, line.read(buf, &n));
  EXPECT_EQ(0u, n);
  EXPECT_EQ(0, line.waitForInput());
  // A pseudo-terminal has no carrier line: no card.
  EXPECT_EQ(0, line.carrierDetect());
}

TEST(AnswerToReset, DecodesStructure) {
  struct Case {
    std::vector<uint8_t> bytes;
    AnswerToResetDecoder::State state;
    size_t length;
    uint8_t wi;
  } cases[] = {
      {{0x3B, 0x00}, AnswerToResetDecoder::Complete, 2, 0},
      {{0x3B, 0x22, 0x00, 'S', 'C'}, AnswerToResetDecoder::Complete, 5, 0},
      // TD1 announces TC2 = 0x0A.
      {{0x3B, 0x80, 0x40, 0x0A}, AnswerToResetDecoder::Complete, 4, 10},
      // TD1 announces TD2 whose TA3 follows; TC2 absent.
      {{0x3B, 0x81, 0x80, 0x10, 0x33, 0x44}, AnswerToResetDecoder::Complete, 6, 0},
      {{0x3B, 0x0F, 1, 2, 3}, AnswerToResetDecoder::HistoricalPending, 5, 0},
  };
  for (const Case& c : cases) {
    AnswerToResetDecoder d;
    for (uint8_t b : c.bytes) d.feed(b);
    EXPECT_EQ(c.state, d.state());
    EXPECT_EQ(c.length, d.length());
    EXPECT_EQ(c.wi, d.waitingIntegerTC2());
  }
  // A chain of TD bytes that never ends overruns at the cap.
  AnswerToResetDecoder d;
  d.feed(0x3B);
  d.feed(0x80);
  for (int i = 0; i < 100; ++i) d.feed(0x80);
  EXPECT_EQ(AnswerToResetDecoder::Overrun, d.state());
  EXPECT_LE(d.length(), AnswerToResetDecoder::kMaxAnswerBytes + 1);
}

class ReaderDialect : public ::testing::TestWithParam<CardReaderSimulator::Dialect> {};

TEST_P(ReaderDialect, ResetReadsTheAnswerAfterNoise) {
  CardReaderSimulator sim(GetParam());
  auto reader = QuickReader(sim);
  EXPECT_TRUE(sim.dtr());
  EXPECT_EQ(0, reader->getStatus());
  uint8_t atr[64];
  size_t n = sizeof atr;
  reader->reset(atr, &n);
  EXPECT_EQ(sim.answerToReset(), std::vector<uint8_t>(atr, atr + n));
  EXPECT_EQ(1, sim.resets());
  EXPECT_EQ(1000ms, reader->byteTimeout());
  reader->powerOff();
  EXPECT_FALSE(sim.dtr());
}

TEST_P(ReaderDialect, ProcedureBytesOfEveryKind) {
  struct Case {
    const char* name;
    unsigned nulls;
    bool byteByByte;
  } cases[] = {{"ack", 0, false}, {"nulls", 5, false}, {"complemented", 0, true}, {"both", 3, true}};
  for (const Case& c : cases) {
    CardReaderSimulator::Options o;
    o.nullsBeforeAck = c.nulls;
    o.byteByByte = c.byteByByte;
    CardReaderSimulator sim(GetParam(), o);
    auto reader = QuickReader(sim);
    uint8_t atr[64];
    size_t n = sizeof atr;
    reader->reset(atr, &n);
    uint8_t select[5] = {0xC0, 0xA4, 0, 0, 2};
    uint8_t mf[2] = {0x3F, 0x00};
    size_t len = 2;
    uint8_t sw1 = 0, sw2 = 0;
    reader->transmit(select, CardReader::ToCard, mf, &len, &sw1, &sw2);
    EXPECT_EQ(GetParam() == CardReaderSimulator::GemPlus ? 0x61 : 0x9F, sw1) << c.name;
    ASSERT_FALSE(sim.commands().empty());
    EXPECT_EQ(std::vector<uint8_t>({0x3F, 0x00}), sim.commands().back().data) << c.name;
    uint8_t get[5] = {0xC0, 0xC0, 0, 0, sw2};
    uint8_t resp[256];
    len = sizeof resp;
    reader->transmit(get, CardReader::FromCard, resp, &len, &sw1, &sw2);
    EXPECT_EQ(0x90, sw1) << c.name;
    EXPECT_EQ(get[4], len) << c.name;
    EXPECT_EQ(5, resp[15]) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, ReaderDialect,
                         ::testing::Values(CardReaderSimulator::Schlumberger, CardReaderSimulator::GemPlus));

TEST(LitronicReader, BadAnswersAreRefused) {
  struct Case {
    const char* name;
    CardReaderSimulator::Options options;
    size_t capacity;
    bool removeCard;
    int code;
  };
  CardReaderSimulator::Options badCheck;
  badCheck.badCheckByte = true;
  CardReaderSimulator::Options silent;
  silent.silent = true;
  CardReaderSimulator::Options overlong;
  overlong.atr = {0x3B, 0x80};
  for (int i = 0; i < 40; ++i) overlong.atr.push_back(0x80);
  CardReaderSimulator::Options normal;
  Case cases[] = {
      {"bad check byte", badCheck, 64, false, 1},
      {"silent card present", silent, 64, false, 7},
      {"overrun answer", overlong, 64, false, 2},
      {"answer larger than the buffer", normal, 4, false, 2},
  };
  for (Case& c : cases) {
    CardReaderSimulator sim(CardReaderSimulator::Schlumberger, c.options);
    auto reader = QuickReader(sim);
    if (c.options.silent) reader->setAnswerTimeouts(200ms, 200ms);
    uint8_t atr[64];
    size_t n = c.capacity;
    EXPECT_EQ(c.code, ErrorCode([&] { reader->reset(atr, &n); })) << c.name;
    EXPECT_EQ(c.capacity, n) << c.name;
  }
}

TEST(LitronicReader, SilentResetWithoutCardIsLineFailure) {
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger);
  auto reader = QuickReader(sim);
  reader->setAnswerTimeouts(200ms, 200ms);
  sim.insertCard(false);
  EXPECT_EQ(1, reader->getStatus());
  uint8_t atr[64];
  size_t n = sizeof atr;
  EXPECT_EQ(1, ErrorCode([&] { reader->reset(atr, &n); }));
}

TEST(LitronicReader, RestartedAnswerIsFollowedFromItsLastTS) {
  CardReaderSimulator::Options o;
  // A broken start (TS, T0 announcing 15 historical bytes) then a full answer.
  o.noise = {0x00, 0x3B, 0x0F, 0x01};
  o.atr = {0x3B, 0x80, 0x40, 0x05};  // TC2: WI 5
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger, o);
  auto reader = QuickReader(sim);
  uint8_t atr[64];
  size_t n = sizeof atr;
  reader->reset(atr, &n);
  EXPECT_EQ(sim.answerToReset(), std::vector<uint8_t>(atr, atr + n));
  EXPECT_EQ(500ms, reader->byteTimeout());
}

TEST(LitronicReader, EndlessNullProcedureBytesEndAtTheExchangeLimit) {
  CardReaderSimulator::Options o;
  o.endlessNulls = true;
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger, o);
  auto reader = QuickReader(sim);
  uint8_t atr[64];
  size_t n = sizeof atr;
  reader->reset(atr, &n);
  reader->setExchangeLimit(300ms);
  uint8_t header[5] = {0xC0, 0x20, 0, 1, 8};
  uint8_t data[8] = {'1', '2', '3', '4', 0xFF, 0xFF, 0xFF, 0xFF};
  size_t len = sizeof data;
  uint8_t sw1, sw2;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(1, ErrorCode([&] { reader->transmit(header, CardReader::ToCard, data, &len, &sw1, &sw2); }))
      << std::hex << int(sw1) << " " << int(sw2) << " " << len;
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(LitronicReader, ReceiveIsClampedToTheCallersBuffer) {
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger);
  auto reader = QuickReader(sim);
  uint8_t atr[64];
  size_t n = sizeof atr;
  reader->reset(atr, &n);
  uint8_t select[5] = {0xC0, 0xA4, 0, 0, 2};
  uint8_t id[2] = {0x00, 0x20};
  size_t len = 2;
  uint8_t sw1, sw2;
  reader->transmit(select, CardReader::ToCard, id, &len, &sw1, &sw2);
  // P3 asks for 16 bytes; the caller's buffer holds 4 (with guards around).
  uint8_t buf[8];
  memset(buf, 0xEE, sizeof buf);
  uint8_t read[5] = {0xC0, 0xB0, 0, 0, 16};
  len = 4;
  reader->setByteTimeout(100ms);
  try {
    reader->transmit(read, CardReader::FromCard, buf + 2, &len, &sw1, &sw2);
  } catch (const SerialDeviceError&) {
  }
  EXPECT_EQ(0xEE, buf[0]);
  EXPECT_EQ(0xEE, buf[1]);
  EXPECT_EQ(0xEE, buf[6]);
  EXPECT_EQ(0xEE, buf[7]);
}

TEST(SharkReader, TraceLines) {
  struct Case {
    std::vector<uint8_t> bytes;
    const char* line;
  } cases[] = {
      {{}, "\n"},
      {{'A', 0x01, '7'}, "A  0x01 7  \n"},
      {{0x3B, 0xFF}, "0x3b  0xff \n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.line, FormatCardTrace(c.bytes.data(), c.bytes.size()));
}

TEST(SharkReader, DriverFailuresCarryTheirCodes) {
  EXPECT_EQ(0, ErrorCode([] { SharkReader r(nullptr, "/nonexistent/scr0"); }));
  // A device that answers no reader request.
  SharkReader r(nullptr, "/dev/null");
  EXPECT_EQ(1, ErrorCode([&] { r.getStatus(); }));
  EXPECT_EQ(1, ErrorCode([&] { r.powerOff(); }));
  uint8_t atr[60];
  size_t n = sizeof atr;
  EXPECT_EQ(1, ErrorCode([&] { r.reset(atr, &n); }));
  uint8_t h[5] = {0xC0, 0xB0, 0, 0, 4}, d[4], sw1, sw2;
  n = sizeof d;
  EXPECT_EQ(1, ErrorCode([&] { r.transmit(h, CardReader::FromCard, d, &n, &sw1, &sw2); }));
}
