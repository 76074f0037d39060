// The card command interpreters and the access layer, through a simulated
// reader with a card of either family.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "login/card/CardInterpreter.h"
#include "login/card/LitronicReader.h"
#include "login/card/SmartCard.h"
#include "login/cardsim/CardReaderSimulator.h"

using namespace std::chrono_literals;

namespace {

CardReaderSimulator* gSim = nullptr;

CardReader* SimulatedReader() {
  auto* r = static_cast<LitronicReader*>(gSim->newReader());
  r->setResetPulse(1ms);
  r->setAnswerTimeouts(3s, 2s);
  return r;
}

class AccessLayer : public ::testing::TestWithParam<CardReaderSimulator::Dialect> {
 protected:
  void SetUp() override {
    sim_ = std::make_unique<CardReaderSimulator>(GetParam());
    gSim = sim_.get();
    SmartCardSetReaderFactory(SimulatedReader);
    ASSERT_EQ(kSmartCardDone, SmartCardOpen(&card_));
    ASSERT_NE(nullptr, card_);
  }
  void TearDown() override {
    if (card_) {
      card_->detachReader();
      delete card_;
    }
    SmartCardDropReader();
    SmartCardSetReaderFactory(nullptr);
    gSim = nullptr;
  }
  bool gem() const { return GetParam() == CardReaderSimulator::GemPlus; }

  std::unique_ptr<CardReaderSimulator> sim_;
  SmartCardHandle card_ = nullptr;
  uint8_t sw1_ = 0, sw2_ = 0;
  int32_t result_ = -1;
};

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
  return v;
}

}  // namespace

TEST_P(AccessLayer, OpenBuildsTheFamilyOfTheAnswer) {
  EXPECT_EQ(gem(), dynamic_cast<GemPlusCard*>(card_) != nullptr);
  EXPECT_EQ(0xC0, card_->classByte());
}

TEST_P(AccessLayer, ReadIdentity) {
  uint8_t id[kCardIdBytes] = {};
  EXPECT_EQ(kSmartCardDone, SmartCardReadId(card_, id, &sw1_, &sw2_, &result_));
  EXPECT_EQ(0, result_);
  EXPECT_EQ(sim_->identity(), std::vector<uint8_t>(id, id + sizeof id));
}

TEST_P(AccessLayer, DataStreamSpansTheDataFiles) {
  std::vector<uint8_t> data = Pattern(900, 3);
  EXPECT_EQ(kSmartCardDone, SmartCardWriteData(card_, data.data(), 0, data.size(), &sw1_, &sw2_, &result_));
  EXPECT_EQ(0, result_);
  EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 440), sim_->file(0x21));
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 440, data.begin() + 880), sim_->file(0x22));
  std::vector<uint8_t> f23 = sim_->file(0x23);
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 880, data.end()), std::vector<uint8_t>(f23.begin(), f23.begin() + 20));
  EXPECT_EQ(0xFF, f23[20]);

  std::vector<uint8_t> back(900);
  EXPECT_EQ(kSmartCardDone, SmartCardReadData(card_, back.data(), 0x210000, back.size(), &sw1_, &sw2_, &result_));
  EXPECT_EQ(0, result_);
  EXPECT_EQ(data, back);

  // At an odd offset inside a file (a word boundary matters on GemPlus).
  std::vector<uint8_t> part(30);
  EXPECT_EQ(kSmartCardDone, SmartCardReadData(card_, part.data(), 0x22000B, part.size(), &sw1_, &sw2_, &result_));
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 451, data.begin() + 481), part);
}

TEST_P(AccessLayer, ReadPastTheLastFileEndsWithNoData) {
  std::vector<uint8_t> big(kCardDataBytes + 10);
  EXPECT_EQ(kSmartCardDone, SmartCardReadData(card_, big.data(), 0, big.size(), &sw1_, &sw2_, &result_));
  EXPECT_EQ(kSmartCardNoData, result_);
}

TEST_P(AccessLayer, HeaderIgnoresTheOffsetAndEraseFillsEveryFile) {
  std::vector<uint8_t> header = Pattern(96, 11);
  EXPECT_EQ(kSmartCardDone, SmartCardWriteHeader(card_, header.data(), 50, header.size(), &sw1_, &sw2_, &result_));
  EXPECT_EQ(header, sim_->file(0x20));
  std::vector<uint8_t> back(96);
  EXPECT_EQ(kSmartCardDone, SmartCardReadHeader(card_, back.data(), 17, back.size(), &sw1_, &sw2_, &result_));
  EXPECT_EQ(header, back);

  std::vector<uint8_t> data = Pattern(kCardDataBytes, 5);
  SmartCardWriteData(card_, data.data(), 0, data.size(), &sw1_, &sw2_, &result_);
  EXPECT_EQ(kSmartCardDone, SmartCardErase(card_, &sw1_, &sw2_, &result_));
  EXPECT_EQ(0, result_);
  EXPECT_EQ(std::vector<uint8_t>(96, 0xFF), sim_->file(0x20));
  for (uint16_t f = 0x21; f <= 0x24; ++f) EXPECT_EQ(std::vector<uint8_t>(440, 0xFF), sim_->file(f)) << f;
}

TEST_P(AccessLayer, PinVerifyChangeAndUnblock) {
  struct Step {
    const char* name;
    int op;  // 0 verify, 1 change, 2 unblock
    const char* a;
    const char* b;
    int result;
  } steps[] = {
      {"right PIN", 0, "1234", nullptr, 0},
      {"wrong PIN", 0, "9999", nullptr, 1},
      {"change", 1, "1234", "5678", 0},
      {"old PIN refused", 0, "1234", nullptr, 1},
      {"second failure", 0, "1111", nullptr, 1},
      {"third failure blocks", 0, "0000", nullptr, 3},
      {"blocked", 0, "5678", nullptr, 3},
      {"unblock", 2, "87654321", "2468", 0},
      {"new PIN", 0, "2468", nullptr, 0},
      // Callers cut long PINs to 8; the card sees the first 8.
      {"long PIN cut to 8", 0, "246800000000", nullptr, 1},
  };
  for (const Step& s : steps) {
    int rc = 0;
    const uint8_t* a = reinterpret_cast<const uint8_t*>(s.a);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(s.b);
    int la = static_cast<int>(strlen(s.a));
    if (s.op == 0) rc = SmartCardVerifyPIN(card_, a, la, 1, &sw1_, &sw2_, &result_);
    if (s.op == 1) rc = SmartCardChangePIN(card_, a, la, b, static_cast<int>(strlen(s.b)), &sw1_, &sw2_, &result_);
    if (s.op == 2) rc = SmartCardUnblockPIN(card_, a, la, b, static_cast<int>(strlen(s.b)), &sw1_, &sw2_, &result_);
    EXPECT_EQ(kSmartCardDone, rc) << s.name;
    EXPECT_EQ(s.result, result_) << s.name;
  }
  EXPECT_EQ(kSmartCardFailed, SmartCardVerifyPIN(card_, nullptr, -1, 1, &sw1_, &sw2_, &result_));
}

TEST_P(AccessLayer, PulledCardFailsOperationsAndPollDropsIt) {
  EXPECT_EQ(0, SmartCardPoll(card_));
  sim_->insertCard(false);
  uint8_t id[kCardIdBytes];
  EXPECT_EQ(5, SmartCardReadId(card_, id, &sw1_, &sw2_, &result_));
  EXPECT_EQ(1, SmartCardPoll(card_));
  card_ = nullptr;
  // The reader survives; a new open finds no card.
  SmartCardHandle again = reinterpret_cast<SmartCardHandle>(0x1);
  EXPECT_EQ(kSmartCardDone, SmartCardOpen(&again));
  EXPECT_EQ(nullptr, again);
  sim_->insertCard(true);
  EXPECT_EQ(kSmartCardDone, SmartCardOpen(&card_));
  EXPECT_NE(nullptr, card_);
  EXPECT_EQ(2, sim_->resets());
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, AccessLayer,
                         ::testing::Values(CardReaderSimulator::Schlumberger, CardReaderSimulator::GemPlus));

TEST(CardInterpreters, FactoryAndStatusTables) {
  const uint8_t gemAtr[] = {0x3B, 0x27, 0xFF};
  const uint8_t slbAtr[] = {0x3B, 0x27, 0xFE};
  std::unique_ptr<CardInterpreter> gem(CreateCardInterpreter(3, gemAtr, nullptr));
  std::unique_ptr<CardInterpreter> slb(CreateCardInterpreter(3, slbAtr, nullptr));
  std::unique_ptr<CardInterpreter> shortAtr(CreateCardInterpreter(2, gemAtr, nullptr));
  EXPECT_NE(nullptr, dynamic_cast<GemPlusCard*>(gem.get()));
  EXPECT_NE(nullptr, dynamic_cast<SchlumbergerCard*>(slb.get()));
  EXPECT_NE(nullptr, dynamic_cast<SchlumbergerCard*>(shortAtr.get()));
  struct Case {
    uint8_t sw1, sw2;
    int base, gemplus;
  } cases[] = {{0x90, 0x00, 0, 0},  {0x63, 0x00, 1, 1},  {0x69, 0x81, 2, 2},   {0x69, 0x83, 3, 3},
               {0x62, 0x83, 4, 4},  {0x65, 0x81, 5, 5},  {0x67, 0x12, 6, 6},   {0x69, 0x86, 7, 7},
               {0x6A, 0x80, 8, 8},  {0x69, 0x82, 10, 10}, {0x9F, 0x10, 11, 11}, {0x61, 0x10, 12, 11},
               {0x6F, 0x00, 12, 12}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.base, slb->statusToCode(c.sw1, c.sw2)) << std::hex << (c.sw1 << 8 | c.sw2);
    EXPECT_EQ(c.gemplus, gem->statusToCode(c.sw1, c.sw2)) << std::hex << (c.sw1 << 8 | c.sw2);
  }
  const uint8_t shortResponse[3] = {1, 2, 3};
  EXPECT_EQ(0u, slb->fileSizeFromResponse(shortResponse, sizeof shortResponse));
  EXPECT_EQ(0u, gem->fileSizeFromResponse(shortResponse, sizeof shortResponse));
}

TEST(CardInterpreters, CommandBytesOnTheLine) {
  for (auto dialect : {CardReaderSimulator::Schlumberger, CardReaderSimulator::GemPlus}) {
    CardReaderSimulator sim(dialect);
    gSim = &sim;
    std::unique_ptr<CardReader> reader(SimulatedReader());
    uint8_t atr[64];
    size_t n = sizeof atr;
    reader->reset(atr, &n);
    std::unique_ptr<CardInterpreter> card(CreateCardInterpreter(n, atr, reader.get()));
    uint8_t sw1, sw2;
    const uint8_t pin[] = {'1', '2', '3', '4'};
    sim.clearCommands();
    card->verifyPIN(pin, 4, &sw1, &sw2);
    auto cmds = sim.commands();
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(std::vector<uint8_t>({'1', '2', '3', '4', 0xFF, 0xFF, 0xFF, 0xFF}), cmds.back().data);
    EXPECT_EQ(0, memcmp(cmds.back().header, "\xC0\x20\x00\x01\x08", 5));
    sim.clearCommands();
    const uint8_t fresh[] = {'5', '6', '7', '8'};
    card->changePIN(pin, 4, fresh, 4, &sw1, &sw2);
    cmds = sim.commands();
    if (dialect == CardReaderSimulator::GemPlus) {
      EXPECT_EQ(0, memcmp(cmds.back().header, "\x80\x24\x00\x01\x08", 5));
      EXPECT_EQ(std::vector<uint8_t>({0x12, 0x34, 0xFF, 0xFF, 0x56, 0x78, 0xFF, 0xFF}), cmds.back().data);
      // MF selected first.
      EXPECT_EQ(0xA4, cmds.front().header[1]);
    } else {
      EXPECT_EQ(0, memcmp(cmds.back().header, "\xF0\x24\x00\x01\x10", 5));
      EXPECT_EQ(16u, cmds.back().data.size());
    }
    card->detachReader();
    gSim = nullptr;
  }
}

TEST(CardInterpreters, GemPlusWordAddressing) {
  CardReaderSimulator sim(CardReaderSimulator::GemPlus);
  gSim = &sim;
  std::unique_ptr<CardReader> reader(SimulatedReader());
  uint8_t atr[64];
  size_t n = sizeof atr;
  reader->reset(atr, &n);
  std::unique_ptr<CardInterpreter> card(CreateCardInterpreter(n, atr, reader.get()));
  std::vector<uint8_t> file = Pattern(440, 1);
  sim.setFile(0x21, file);
  uint8_t sw1, sw2;
  const uint8_t id[2] = {0x00, 0x21};
  card->selectFile(0, 0, 2, id, &sw1, &sw2);

  sim.clearCommands();
  uint8_t buf[100];
  size_t len = 100;
  card->readBinary(96, buf, &len, &sw1, &sw2);
  EXPECT_EQ(96u, len);
  EXPECT_EQ(0, memcmp(buf, file.data() + 96, 96));
  EXPECT_EQ(0, memcmp(sim.commands().back().header, "\xC0\xB0\x00\x18\x60", 5));

  sim.clearCommands();
  const uint8_t ten[10] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9};
  len = 10;
  card->updateBinary(6, ten, &len, &sw1, &sw2);
  EXPECT_EQ(10u, len);
  auto cmds = sim.commands();
  ASSERT_EQ(2u, cmds.size());
  EXPECT_EQ(0, memcmp(cmds[0].header, "\xC0\xB0\x00\x01\x04", 5));
  EXPECT_EQ(0, memcmp(cmds[1].header, "\xC0\xD6\x00\x01\x0C", 5));
  std::vector<uint8_t> now = sim.file(0x21);
  std::vector<uint8_t> want = file;
  memcpy(want.data() + 6, ten, 10);
  EXPECT_EQ(want, now);
  card->detachReader();
  gSim = nullptr;
}

TEST(AccessLayerSetup, ReaderFromTheEnvironment) {
  SmartCardDropReader();
  SmartCardSetReaderFactory(nullptr);
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger);
  SmartCardHandle untouched = reinterpret_cast<SmartCardHandle>(0x1);
  unsetenv("QX_SMARTCARD_DEVICE");
  unsetenv("QX_SMARTCARD_READER");
  EXPECT_EQ(kSmartCardNoReader, SmartCardOpen(&untouched));
  setenv("QX_SMARTCARD_DEVICE", sim.devicePath().c_str(), 1);
  EXPECT_EQ(kSmartCardNoReader, SmartCardOpen(&untouched));
  setenv("QX_SMARTCARD_READER", "Other", 1);
  EXPECT_EQ(kSmartCardNoReader, SmartCardOpen(&untouched));
  EXPECT_EQ(reinterpret_cast<SmartCardHandle>(0x1), untouched);
  // A real line on a pseudo-terminal: the reader is made, but a terminal
  // without a carrier line reports no card.
  setenv("QX_SMARTCARD_READER", "Litronic", 1);
  EXPECT_EQ(kSmartCardDone, SmartCardOpen(&untouched));
  EXPECT_EQ(nullptr, untouched);
  unsetenv("QX_SMARTCARD_DEVICE");
  unsetenv("QX_SMARTCARD_READER");
  SmartCardDropReader();
}

namespace {
CardReader* SilentReader() {
  auto* r = static_cast<LitronicReader*>(gSim->newReader());
  r->setResetPulse(1ms);
  r->setAnswerTimeouts(200ms, 200ms);
  return r;
}
}  // namespace

TEST(AccessLayerSetup, FailedResetPowersTheCardOff) {
  CardReaderSimulator::Options o;
  o.silent = true;
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger, o);
  gSim = &sim;
  SmartCardSetReaderFactory(SilentReader);
  SmartCardHandle card = reinterpret_cast<SmartCardHandle>(0x1);
  EXPECT_EQ(kSmartCardFailed, SmartCardOpen(&card));
  EXPECT_EQ(reinterpret_cast<SmartCardHandle>(0x1), card);
  EXPECT_FALSE(sim.dtr());
  SmartCardDropReader();
  SmartCardSetReaderFactory(nullptr);
  gSim = nullptr;
}

TEST(AccessLayerSetup, ShortDirectoryResponseFailsTheSelection) {
  CardReaderSimulator::Options o;
  o.directoryResponse = 15;  // no byte 15 to count the files
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger, o);
  sim.setFile(0x20, std::vector<uint8_t>(96, 0x11));
  gSim = &sim;
  SmartCardSetReaderFactory(SimulatedReader);
  SmartCardHandle card = nullptr;
  ASSERT_EQ(kSmartCardDone, SmartCardOpen(&card));
  ASSERT_NE(nullptr, card);
  uint8_t buf[96], sw1, sw2;
  int32_t result = -1;
  EXPECT_EQ(kSmartCardDone, SmartCardReadData(card, buf, 0, 10, &sw1, &sw2, &result));
  EXPECT_EQ(kSmartCardNoData, result);
  EXPECT_EQ(kSmartCardFailed, SmartCardErase(card, &sw1, &sw2, &result));
  EXPECT_EQ(std::vector<uint8_t>(96, 0x11), sim.file(0x20));
  card->detachReader();
  delete card;
  SmartCardDropReader();
  SmartCardSetReaderFactory(nullptr);
  gSim = nullptr;
}
