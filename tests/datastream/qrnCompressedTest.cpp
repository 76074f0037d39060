// Run-length compressed blocks: the code the writer produces, and the
// reader's refusal of blocks that are cut short or do not match.

#include <gtest/gtest.h>

#include <vector>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes rep(std::size_t n, unsigned char b) { return Bytes(n, b); }
Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct BlockCase {
  const char* name;
  Bytes input;
  Bytes block;  // flag, N, M, data
};

TEST(QrnCompressed, WriterCodesAndReaderExpands) {
  const BlockCase cases[] = {
      {"four equal bytes", rep(4, 0x41), {0xFF, 0x00, 0x04, 0x00, 0x03, 0x11, 0x41, 0x04}},
      {"three equal bytes stay literal", rep(3, 0x41), {0xFF, 0x00, 0x03, 0x00, 0x03, 0x41, 0x41, 0x41}},
      {"300 blanks: runs of 255 and 45", rep(300, 0x20),
       {0xFF, 0x01, 0x2C, 0x00, 0x06, 0x11, 0x20, 0xFF, 0x11, 0x20, 0x2D}},
      {"256 nulls: a run and a literal", rep(256, 0x00), {0xFF, 0x01, 0x00, 0x00, 0x04, 0x11, 0x00, 0xFF, 0x00}},
      {"one 0x11 is stored", {0x11}, {0x00, 0x00, 0x01, 0x00, 0x01, 0x11}},
      {"two 0x11 escaped", cat({rep(2, 0x11), rep(4, 0x41), {0x42}}),
       {0xFF, 0x00, 0x07, 0x00, 0x07, 0x11, 0x11, 0x02, 0x11, 0x41, 0x04, 0x42}},
      {"trailing three 0x11", cat({{0x40, 0x40, 0x40, 0x40, 0x40}, rep(3, 0x11)}),
       {0xFF, 0x00, 0x08, 0x00, 0x06, 0x11, 0x40, 0x05, 0x11, 0x11, 0x03}},
      {"five 0x11 as a run", rep(5, 0x11), {0xFF, 0x00, 0x05, 0x00, 0x03, 0x11, 0x11, 0x05}},
      {"no repeats", {0x41, 0x42, 0x43}, {0xFF, 0x00, 0x03, 0x00, 0x03, 0x41, 0x42, 0x43}},
      {"empty", {}, {0xFF, 0x00, 0x00, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes buf(700, 0xCC);
    qrnOStream out;
    out.setup(buf.data(), buf.size());
    out.hostPutData("\x04\x12\x00\x00", 4);
    out.hostPutDataCompressed(c.input.data(), c.input.size());
    out.save(0x99, 8);
    EXPECT_FALSE(out.checkSave());
    ASSERT_EQ(out.lengthOfData(), 4 + c.block.size() + 1);
    EXPECT_EQ(Bytes(buf.begin() + 4, buf.begin() + 4 + c.block.size()), c.block);

    Bytes exact(buf.begin(), buf.begin() + out.lengthOfData());
    {
      qrnIStream in(exact.data(), exact.size());
      Bytes back(c.input.size() + 1, 0xEE);
      in.hostGetDataCompressed(back.data(), c.input.size());
      EXPECT_EQ(Bytes(back.begin(), back.end() - 1), c.input);
      EXPECT_EQ(back.back(), 0xEE);
      unsigned char after = 0;
      in.restore(after, 8);
      EXPECT_EQ(after, 0x99);
      EXPECT_FALSE(in.checkRestore());
    }
    {
      qrnIStream in(exact.data(), exact.size());
      std::size_t m = 99;
      const unsigned char* p = in.hostGetDataCompressedPtrAndLength(m);
      EXPECT_EQ(p, exact.data() + 4 + 5);
      EXPECT_EQ(m, c.block.size() - 5);
      EXPECT_EQ(in.bytesLeft(), exact.size() - 4);  // did not move
      EXPECT_FALSE(in.checkRestore());
    }
  }
}

struct BadBlockCase {
  const char* name;
  Bytes block;  // everything after the four header bytes; the stream ends with it
  std::size_t asked;
  qrnStreamError error;
};

// Each is refused: error set, the destination zeroed, nothing read outside
// the stream (the stream sits in a buffer of its exact size).
TEST(QrnCompressed, ReaderRefusesBadBlocks) {
  const BadBlockCase cases[] = {
      {"N differs from the size asked", {0xFF, 0x00, 0x04, 0x00, 0x03, 0x11, 0x41, 0x04}, 5, qrnStreamError::BadBlock},
      {"header cut short", {0xFF, 0x00, 0x04, 0x00}, 4, qrnStreamError::PastEnd},
      {"data one byte short", {0xFF, 0x00, 0x04, 0x00, 0x03, 0x11, 0x41}, 4, qrnStreamError::PastEnd},
      {"data five bytes short", {0xFF, 0x00, 0x08, 0x00, 0x08, 0x41, 0x42, 0x43}, 8, qrnStreamError::PastEnd},
      {"run marker without its count", {0xFF, 0x00, 0x04, 0x00, 0x02, 0x11, 0x41}, 4, qrnStreamError::BadBlock},
      {"run marker without value and count", {0xFF, 0x00, 0x04, 0x00, 0x01, 0x11}, 4, qrnStreamError::BadBlock},
      {"decodes short of N", {0xFF, 0x00, 0x05, 0x00, 0x03, 0x11, 0x41, 0x04}, 5, qrnStreamError::BadBlock},
      {"run beyond N", {0xFF, 0x00, 0x03, 0x00, 0x03, 0x11, 0x41, 0x04}, 3, qrnStreamError::BadBlock},
      {"literal beyond N", {0xFF, 0x00, 0x02, 0x00, 0x03, 0x41, 0x42, 0x43}, 2, qrnStreamError::BadBlock},
      {"stored with M not N", {0x00, 0x00, 0x02, 0x00, 0x03, 0x41, 0x42, 0x43}, 2, qrnStreamError::BadBlock},
      {"unknown flag", {0x7F, 0x00, 0x01, 0x00, 0x01, 0x41}, 1, qrnStreamError::BadBlock},
      {"nothing left", {}, 1, qrnStreamError::PastEnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes stream = cat({{0x04, 0x12, 0x00, 0x00}, c.block});
    qrnIStream in(stream.data(), stream.size());
    Bytes dest(c.asked, 0xEE);
    in.hostGetDataCompressed(dest.data(), dest.size());
    EXPECT_EQ(dest, Bytes(c.asked, 0));
    EXPECT_TRUE(in.checkRestore());
    EXPECT_EQ(in.firstError(), c.error);
    // Every later read fails the same way.
    unsigned char v = 7;
    in.restore(v, 8);
    EXPECT_EQ(v, 0);
  }
}

TEST(QrnCompressed, PointerAndLengthOfATruncatedBlock) {
  for (std::size_t cut = 1; cut <= 5; ++cut) {
    SCOPED_TRACE(cut);
    Bytes stream{0x04, 0x12, 0x00, 0x00, 0xFF, 0x00, 0x08, 0x00, 0x08, 1, 2, 3, 4, 5, 6, 7, 8};
    stream.resize(stream.size() - cut);
    qrnIStream in(stream.data(), stream.size());
    std::size_t m = 99;
    EXPECT_EQ(in.hostGetDataCompressedPtrAndLength(m), nullptr);
    EXPECT_EQ(m, 0u);
    EXPECT_TRUE(in.checkRestore());
  }
}

TEST(QrnCompressed, BlockTooLargeForItsLengthIsReported) {
  Bytes big(70000, 0x41);
  Bytes buf(1000);
  qrnOStream out;
  out.setup(buf.data(), buf.size());
  out.hostPutDataCompressed(big.data(), big.size());
  EXPECT_TRUE(out.checkSave());
  EXPECT_EQ(out.lengthOfData(), 0u);
}

}  // namespace
