// Character stores: plain bytes and bit fields of a shared word.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "display/CharacterBufferImplementationOfSharedChars.h"
#include "display/NormalCharacterBufferImplementation.h"
#include "base/ErrorHalt.h"

namespace {
struct SharedCase {
  unsigned int mask;
  unsigned int clamp;
  unsigned char written;
  unsigned char readBack;
};

class SharedStoreValues : public ::testing::TestWithParam<SharedCase> {};

TEST_P(SharedStoreValues, WriteThenRead) {
  const SharedCase& c = GetParam();
  unsigned short words[4] = {};
  CharacterBufferImplementationOfSharedChars s(c.mask, c.clamp,
                                               reinterpret_cast<unsigned char*>(words), 2);
  s.writeCharacter(1, c.written);
  EXPECT_EQ(s.getCharacter(1), c.readBack);
  EXPECT_EQ(s.getCharacter(0), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedStoreValues,
    ::testing::Values(SharedCase{0x3C00, 1, 0x95, 0x8E},  // clamped colour
                      SharedCase{0x7C00, 0, 0x95, 0x95},  // wide colour
                      SharedCase{0x003F, 0, 0x84, 0x84},
                      SharedCase{0x003F, 0, 0x7F, 0x00},  // below 0x80 is no attribute
                      SharedCase{0x03C0, 0, 0x80, 0x80},
                      // too wide for a 4-bit field: kept at its largest, never spilled
                      SharedCase{0x03C0, 0, 0xA0, 0x8E}));

TEST(SharedStore, PlanesOfOneWordStayApart) {
  unsigned short words[3] = {};
  auto* bytes = reinterpret_cast<unsigned char*>(words);
  CharacterBufferImplementationOfSharedChars primary(0x003F, 0, bytes, 2);
  CharacterBufferImplementationOfSharedChars secondary(0x03C0, 0, bytes, 2);
  CharacterBufferImplementationOfSharedChars colour(0x3C00, 1, bytes, 2);
  primary.writeCharacter(2, 0xA0);
  secondary.writeCharacter(2, 0x85);
  colour.writeCharacter(2, 0x8E);
  secondary.writeCharacter(2, 0x81);
  EXPECT_EQ(primary.getCharacter(2), 0xA0);
  EXPECT_EQ(secondary.getCharacter(2), 0x81);
  EXPECT_EQ(colour.getCharacter(2), 0x8E);
  EXPECT_EQ(primary.findNonNullInAnySharedCharacter(0, 2), 2);
  EXPECT_EQ(secondary.findCharacterInRange(2, 0, 0x81), 2);
  primary.clearAllSharedCharacters(0, 2);
  EXPECT_EQ(colour.getCharacter(2), 0);
}

TEST(SharedStore, AMaskOutsideThePositionIsAnInternalError) {
  unsigned char bytes[4] = {};
  SetErrorHaltHook([](unsigned short m, unsigned short e) {
    throw std::runtime_error(std::to_string(m) + "/" + std::to_string(e));
  });
  EXPECT_THROW(CharacterBufferImplementationOfSharedChars(0x10000, 0, bytes, 2),
               std::runtime_error);
  SetErrorHaltHook(nullptr);
}

class BothStores : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      store.reset(new NormalCharacterBufferImplementation(nullptr, 16));
    } else {
      store.reset(new CharacterBufferImplementationOfSharedChars(
          0x003F, 0, reinterpret_cast<unsigned char*>(words), 2));
    }
    const unsigned char v[8] = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87};
    store->writeRangeOfCharacters(v, 8, 4);  // positions 4..11
  }
  unsigned short words[16] = {};
  std::unique_ptr<CharacterBufferImplementation> store;
};

TEST_P(BothStores, SearchesRunEitherWayAndIncludeBothEnds) {
  EXPECT_EQ(store->findCharacterInRange(0, 15, 0x84), 8);
  EXPECT_EQ(store->findCharacterInRange(15, 0, 0x84), 8);
  EXPECT_EQ(store->findCharacterInRange(11, 4, 0x80), 4);   // leftwards, last end
  EXPECT_EQ(store->findCharacterInRange(4, 11, 0x87), 11);  // rightwards, last end
  EXPECT_EQ(store->findCharacterInRange(0, 3, 0x80), -1);
  EXPECT_EQ(store->findCharacterInRange(15, 0, 0x82, 0x83), 7);
  EXPECT_EQ(store->findMismatchInRange(15, 0, 0), 11);
  EXPECT_EQ(store->findCharacterNotInValueRange(4, 15, 0x80, 0x85), 10);
}

TEST_P(BothStores, OverlappingCopiesAreSafeBothWays) {
  store->copyRange(4, 11, 6);  // destination above the source
  unsigned char out[10];
  store->getRangeOfCharacters(4, 10, out);
  const unsigned char up[10] = {0x80, 0x81, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87};
  EXPECT_EQ(0, memcmp(out, up, 10));
  store->copyRange(6, 13, 4);  // and back down
  store->getRangeOfCharacters(4, 8, out);
  const unsigned char down[8] = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87};
  EXPECT_EQ(0, memcmp(out, down, 8));
}

TEST_P(BothStores, ReversedTransfers) {
  unsigned char out[3];
  store->getRangeOfCharactersReversed(6, 3, out);
  EXPECT_EQ(out[0], 0x82);
  EXPECT_EQ(out[2], 0x80);
  const unsigned char in[3] = {0x87, 0x86, 0x85};
  store->writeRangeOfCharactersReversed(in, 3, 2);  // 2, 1, 0
  EXPECT_EQ(store->getCharacter(0), 0x85);
  EXPECT_EQ(store->getCharacter(2), 0x87);
  EXPECT_EQ(store->compareRangeWithData(0, 2, in), 0);
  EXPECT_EQ(store->compareRangeWithDataReversed(0, 2, in), -1);
  EXPECT_EQ(store->compareRanges(4, 7, 4), -1);
}

// Positions 4..11 hold 0x80..0x87. Data compared rightwards, leftwards and
// reversed, and the last mismatch (whole words of eight at a time and the
// bytes around them).
TEST_P(BothStores, DataComparisonsFindTheFirstAndTheLastDifference) {
  const unsigned char same[8] = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87};
  const unsigned char leftwards[8] = {0x87, 0x86, 0x85, 0x84, 0x83, 0x82, 0x81, 0x80};
  unsigned char twoOff[8];
  std::memcpy(twoOff, same, 8);
  twoOff[1] = 0x11;
  twoOff[6] = 0x16;
  struct Case {
    const char* name;
    unsigned int first, last;
    const unsigned char* bytes;
    int compare, reversed, lastMismatch;
  } cases[] = {
      {"equal", 4, 11, same, -1, 4, -1},
      {"two differences", 4, 11, twoOff, 5, 4, 10},
      {"leftwards", 11, 4, leftwards, -1, 11, -2},
      {"leftwards, read as rightwards data", 11, 4, same, 11, -1, -2},
      {"one position", 7, 7, same + 3, -1, -1, -1},
      {"one position differing", 7, 7, same, 7, 7, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(store->compareRangeWithData(c.first, c.last, c.bytes), c.compare);
    EXPECT_EQ(store->compareRangeWithDataReversed(c.first, c.last, c.bytes), c.reversed);
    if (c.lastMismatch != -2) EXPECT_EQ(store->findLastMismatchWithData(c.first, c.last, c.bytes), c.lastMismatch);
  }
  // Sixteen positions, one difference at each place in turn.
  unsigned char all[16];
  store->getRangeOfCharacters(0, 16, all);
  for (unsigned int at = 0; at < 16; ++at) {
    unsigned char other[16];
    std::memcpy(other, all, 16);
    other[at] ^= 0x01;
    unsigned char backwards[16];
    for (int i = 0; i < 16; ++i) backwards[i] = other[15 - i];
    EXPECT_EQ(store->findLastMismatchWithData(0, 15, other), static_cast<int>(at)) << at;
    EXPECT_EQ(store->compareRangeWithData(15, 0, backwards), static_cast<int>(at)) << at;
    EXPECT_EQ(store->compareRangeWithDataReversed(0, 15, backwards), static_cast<int>(at)) << at;
  }
  EXPECT_EQ(store->findLastMismatchWithData(0, 15, all), -1);
}

INSTANTIATE_TEST_SUITE_P(Stores, BothStores, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Normal" : "Shared"; });
}  // namespace
