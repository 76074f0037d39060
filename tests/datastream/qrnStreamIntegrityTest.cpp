// Whole streams: random members saved and restored in the same order, and
// every truncation and single-bit corruption of a good stream refused.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "datastream/calcFCS.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "tests/support/SaveStreamImage.h"

namespace {

using Bytes = std::vector<unsigned char>;

// One saved member of a random class.
struct Item {
  enum Kind { Byte, Bits, U16, U24, U32, Raw, Block } kind;
  std::uint32_t value = 0;
  std::vector<std::pair<unsigned, unsigned>> bits;  // value, width
  Bytes data;
};

Bytes runs(std::mt19937& rng, std::size_t n) {
  Bytes d;
  while (d.size() < n) {
    const unsigned char b = rng() % 4 == 0 ? 0x11 : static_cast<unsigned char>(rng() % 6 + 0x40);
    const std::size_t len = rng() % 3 == 0 ? rng() % 300 + 1 : rng() % 4 + 1;
    d.insert(d.end(), std::min(len, n - d.size()), b);
  }
  return d;
}

std::vector<Item> randomItems(std::mt19937& rng) {
  std::vector<Item> items(rng() % 12 + 1);
  for (auto& it : items) {
    it.kind = static_cast<Item::Kind>(rng() % 7);
    switch (it.kind) {
      case Item::Byte: it.value = rng() & 0xFF; break;
      case Item::U16: it.value = rng() & 0xFFFF; break;
      case Item::U24: it.value = rng() & 0xFFFFFF; break;
      case Item::U32: it.value = static_cast<std::uint32_t>(rng()); break;
      case Item::Bits:
        for (unsigned k = rng() % 10; k > 0; --k) {
          const unsigned w = rng() % 8 + 1;
          it.bits.push_back({rng() & ((1u << w) - 1), w});
        }
        break;
      case Item::Raw: it.data = runs(rng, rng() % 20); break;
      case Item::Block: it.data = runs(rng, rng() % 600); break;
    }
  }
  return items;
}

Bytes save(const std::vector<Item>& items) {
  Bytes buf(10000);
  qrnOStream out;
  BeginSaveStream(&out, buf.data(), buf.size());
  for (const auto& it : items) {
    switch (it.kind) {
      case Item::Byte: out.save(it.value, 8); break;
      case Item::U16: out.hostPut16(it.value); break;
      case Item::U24: out.hostPut24(it.value); break;
      case Item::U32: out.hostPut32(it.value); break;
      case Item::Bits:
        out.startBitCompression();
        for (auto [v, w] : it.bits) out.save(v, w);
        out.endBitCompression();
        break;
      case Item::Raw: out.hostPutData(it.data.data(), it.data.size()); break;
      case Item::Block: out.hostPutDataCompressed(it.data.data(), it.data.size()); break;
    }
  }
  const unsigned long length = EndSaveStream(&out);
  EXPECT_FALSE(out.checkSave());
  EXPECT_EQ(length, out.lengthOfData());
  buf.resize(out.lengthOfData());
  return buf;
}

// Restores into fresh members; true when every member read back equal.
bool restoreEqual(qrnIStream& in, const std::vector<Item>& items) {
  bool equal = true;
  for (const auto& it : items) {
    std::uint32_t v = 0xDEAD;
    switch (it.kind) {
      case Item::Byte: in.restore(v, 8); break;
      case Item::U16: in.hostGet16(v); break;
      case Item::U24: in.hostGet24(v); break;
      case Item::U32: in.hostGet32(v); break;
      case Item::Bits:
        in.startBitExpansion();
        for (auto [bv, w] : it.bits) {
          unsigned char got = 0;
          in.restore(got, w);
          equal = equal && got == bv;
        }
        in.endBitExpansion();
        continue;
      case Item::Raw:
      case Item::Block: {
        Bytes got(it.data.size(), 0xEE);
        if (it.kind == Item::Raw)
          in.hostGetData(got.data(), got.size());
        else
          in.hostGetDataCompressed(got.data(), got.size());
        equal = equal && got == it.data;
        continue;
      }
    }
    equal = equal && v == it.value;
  }
  return equal;
}

TEST(QrnStream, RandomMembersRoundTrip) {
  std::mt19937 rng(5250);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const auto items = randomItems(rng);
    const Bytes stream = save(items);
    ASSERT_EQ((stream[2] << 8 | stream[3]), static_cast<int>(stream.size()));
    qrnIStream in(stream.data(), stream.size());
    EXPECT_FALSE(in.checkFCS());
    EXPECT_TRUE(restoreEqual(in, items));
    EXPECT_FALSE(in.checkRestore());
    EXPECT_EQ(in.bytesLeft(), 2u);  // only the FCS is left
  }
}

// Each prefix of a good stream, in a buffer of its own size (ASan sees any
// read beyond it), fails the FCS check; restoring it anyway never reads
// outside it.
TEST(QrnStream, EveryTruncationIsRefused) {
  std::mt19937 rng(3179);
  for (int round = 0; round < 6; ++round) {
    const auto items = randomItems(rng);
    const Bytes stream = save(items);
    for (std::size_t len = 0; len < stream.size(); ++len) {
      SCOPED_TRACE(len);
      Bytes prefix(stream.begin(), stream.begin() + len);
      qrnIStream in(prefix.empty() ? nullptr : prefix.data(), prefix.size());
      EXPECT_TRUE(in.checkFCS());
      restoreEqual(in, items);
      // Cut inside the members: the restore itself reports it.
      if (len + 2 < stream.size() && len >= 4) {
        qrnIStream again(prefix.data(), prefix.size());
        restoreEqual(again, items);
        EXPECT_TRUE(again.checkRestore());
      }
    }
  }
}

TEST(QrnStream, EverySingleBitCorruptionIsDetected) {
  std::mt19937 rng(3477);
  const auto items = randomItems(rng);
  Bytes stream = save(items);
  for (std::size_t i = 0; i < stream.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      stream[i] ^= static_cast<unsigned char>(1 << bit);
      qrnIStream in(stream.data(), stream.size());
      // The escape and command bytes are the caller's to check.
      if (i >= 2) EXPECT_TRUE(in.checkFCS()) << "byte " << i << " bit " << bit;
      stream[i] ^= static_cast<unsigned char>(1 << bit);
    }
  }
  qrnIStream in(stream.data(), stream.size());
  EXPECT_FALSE(in.checkFCS());
}

TEST(QrnStream, EndingEarlyGivesZerosForMissingMembers) {
  Bytes stream{0x04, 0x12, 0x00, 0x07, 0x12, 0x34, 0x56};
  qrnIStream in(stream.data(), stream.size());
  unsigned short a = 0;
  unsigned b = 9, c = 9;
  unsigned char d = 9;
  Bytes e(3, 0xEE);
  in.hostGet16(a);
  in.hostGet16(b);  // only one byte left
  in.hostGet32(c);
  in.restore(d, 1);
  in.hostGetData(e.data(), e.size());
  EXPECT_EQ(a, 0x1234);
  EXPECT_EQ(b, 0u);
  EXPECT_EQ(c, 0u);
  EXPECT_EQ(d, 0);
  EXPECT_EQ(e, Bytes(3, 0));
  EXPECT_TRUE(in.checkRestore());
  EXPECT_EQ(in.firstError(), qrnStreamError::PastEnd);
}

}  // namespace
