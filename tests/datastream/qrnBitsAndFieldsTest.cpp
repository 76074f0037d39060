// Bit-packed runs, single bytes and multi-byte fields of the save/restore
// streams, and how values that do not fit are reported.

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A reader over members only: four header bytes in front of them.
struct Reader {
  explicit Reader(const Bytes& members) : bytes(4, 0) {
    bytes.insert(bytes.end(), members.begin(), members.end());
  }
  qrnIStream stream() const { return qrnIStream(bytes.data(), bytes.size()); }
  Bytes bytes;
};

template <class Fn>
Bytes written(Fn fn, bool* bad = nullptr, std::size_t size = 64) {
  Bytes buf(size, 0xCC);
  qrnOStream out;
  out.setup(buf.data(), buf.size());
  fn(out);
  if (bad) *bad = out.checkSave();
  buf.resize(out.lengthOfData());
  return buf;
}

struct BitCase {
  const char* name;
  std::vector<std::pair<unsigned, unsigned>> values;  // value, bits
  Bytes expected;
};

TEST(QrnBits, PackedRunsWriteAndReadBack) {
  const BitCase cases[] = {
      {"3+3+2 bits fill one byte", {{5, 3}, {2, 3}, {3, 2}}, {0xAB}},
      {"4 bits after 6 start a new byte", {{5, 3}, {2, 3}, {1, 4}}, {0xA8, 0x10}},
      {"eight single bits", {{1, 1}, {0, 1}, {1, 1}, {1, 1}, {0, 1}, {0, 1}, {1, 1}, {1, 1}}, {0xB3}},
      {"a full byte then one bit", {{0xFF, 8}, {1, 1}}, {0xFF, 0x80}},
      {"one bit padded", {{1, 1}}, {0x80}},
      {"7 bits then 2 bits", {{0x7F, 7}, {2, 2}}, {0xFE, 0x80}},
      {"no values", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool bad = true;
    const Bytes bytes = written(
        [&](qrnOStream& out) {
          out.save(0x42, 8);
          out.startBitCompression();
          for (auto [v, bits] : c.values) out.save(v, bits);
          out.endBitCompression();
          out.save(0x43, 8);
        },
        &bad);
    EXPECT_FALSE(bad);
    Bytes expected{0x42};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    expected.push_back(0x43);
    EXPECT_EQ(bytes, expected);

    // The reader mirrors the writer: same values, and the byte after the
    // run is where the writer put it (also for a run without values).
    Reader r(bytes);
    qrnIStream in = r.stream();
    unsigned char b = 0;
    in.restore(b, 8);
    EXPECT_EQ(b, 0x42);
    in.startBitExpansion();
    for (auto [v, bits] : c.values) {
      unsigned char got = 0xEE;
      in.restore(got, bits);
      EXPECT_EQ(got, v);
    }
    in.endBitExpansion();
    in.restore(b, 8);
    EXPECT_EQ(b, 0x43);
    EXPECT_FALSE(in.checkRestore());
    EXPECT_EQ(in.bytesLeft(), 0u);
  }
}

TEST(QrnBits, BadBitCountsAreReported) {
  Reader r({0xFF, 0xFF});
  qrnIStream in = r.stream();
  in.startBitExpansion();
  unsigned v = 7;
  in.restore(v, 0);
  EXPECT_EQ(v, 0u);
  EXPECT_TRUE(in.checkRestore());
  EXPECT_EQ(in.firstError(), qrnStreamError::BadBits);

  bool bad = false;
  written([](qrnOStream& out) {
    out.startBitCompression();
    out.save(1, 9);
    out.endBitCompression();
  }, &bad);
  EXPECT_TRUE(bad);
}

TEST(QrnBits, ReadingPastTheEndYieldsZeros) {
  Reader r({0xFF});
  qrnIStream in = r.stream();
  in.startBitExpansion();
  unsigned char v = 0;
  in.restore(v, 8);
  EXPECT_EQ(v, 0xFF);
  in.restore(v, 1);
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(in.checkRestore());
  EXPECT_EQ(in.firstError(), qrnStreamError::PastEnd);
}

// Values that do not fit their field are reported, never cut silently.
TEST(QrnFields, WriterReportsValuesTooWide) {
  struct Case {
    const char* name;
    void (*put)(qrnOStream&);
    bool tooWide;
  };
  const Case cases[] = {
      {"byte 255", [](qrnOStream& o) { o.save(255, 8); }, false},
      {"byte 256", [](qrnOStream& o) { o.save(256, 8); }, true},
      {"byte from int -1", [](qrnOStream& o) { o.save(-1, 8); }, true},
      {"byte from signed char -1", [](qrnOStream& o) { o.save(static_cast<signed char>(-1), 8); }, false},
      {"2 bits holding 4",
       [](qrnOStream& o) {
         o.startBitCompression();
         o.save(4, 2);
         o.endBitCompression();
       },
       true},
      {"u16 65535", [](qrnOStream& o) { o.hostPut16(65535); }, false},
      {"u16 65536", [](qrnOStream& o) { o.hostPut16(65536); }, true},
      {"u16 from int -1", [](qrnOStream& o) { o.hostPut16(-1); }, true},
      {"u16 from short -1", [](qrnOStream& o) { o.hostPut16(static_cast<short>(-1)); }, false},
      {"u24 0xFFFFFF", [](qrnOStream& o) { o.hostPut24(0xFFFFFFu); }, false},
      {"u24 0x1000000", [](qrnOStream& o) { o.hostPut24(0x1000000u); }, true},
      {"u32 from int -1", [](qrnOStream& o) { o.hostPut32(-1); }, false},
      {"u32 from 2^32", [](qrnOStream& o) { o.hostPut32(0x100000000ULL); }, true},
      {"u32 from long -1", [](qrnOStream& o) { o.hostPut32(-1L); }, true},
      {"1-byte length of 300",
       [](qrnOStream& o) {
         o.initMinorLength();
         o.skipForMinorLength(1);
         Bytes big(299, 0);
         o.hostPutData(big.data(), big.size());
         EXPECT_EQ(o.endOfMinorLength(), 300u);
       },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes buf(400);
    qrnOStream out;
    out.setup(buf.data(), buf.size());
    c.put(out);
    EXPECT_EQ(out.valueTooWide(), c.tooWide);
    EXPECT_EQ(out.checkSave(), c.tooWide);
    EXPECT_FALSE(out.checkOverflow());
  }
}

TEST(QrnFields, SignedAndUnsignedMembersRoundTrip) {
  const Bytes bytes = written([](qrnOStream& o) {
    o.hostPut16(static_cast<short>(-2));
    o.hostPut32(-1);
    o.hostPut24(0x123456);
    o.hostPut32(0xFEDCBA98u);
    o.save(static_cast<signed char>(-16), 8);
    o.save(true, 1);
  });
  EXPECT_EQ(bytes, (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0xFE, 0xDC, 0xBA, 0x98, 0xF0, 0x01}));
  Reader r(bytes);
  qrnIStream in = r.stream();
  short s = 0;
  int i = 0;
  long l = 0;
  unsigned u = 0;
  signed char c = 0;
  bool b = false;
  in.hostGet16(s);
  in.hostGet32(i);
  in.hostGet24(l);
  in.hostGet32(u);
  in.restore(c, 8);
  in.restore(b, 1);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(i, -1);
  EXPECT_EQ(l, 0x123456);
  EXPECT_EQ(u, 0xFEDCBA98u);
  EXPECT_EQ(c, -16);
  EXPECT_TRUE(b);
  EXPECT_FALSE(in.checkRestore());
}

// A restored value that does not fit its member is an error and reads as 0.
TEST(QrnFields, ReaderRefusesValuesThatDoNotFit) {
  enum class Kind : unsigned char { A, B };
  struct Case {
    const char* name;
    Bytes members;
    bool (*get)(qrnIStream&);  // true when the value read is 0
  };
  const Case cases[] = {
      {"bool from 2", {0x02}, [](qrnIStream& in) { bool v = true; in.restore(v, 1); return !v; }},
      {"u8 from 0x0100", {0x01, 0x00}, [](qrnIStream& in) { unsigned char v = 9; in.hostGet16(v); return v == 0; }},
      {"short from 0x8000 in 32 bits", {0x00, 0x00, 0x80, 0x00},
       [](qrnIStream& in) { short v = 9; in.hostGet32(v); return v == 0; }},
      {"short from 0xFFFF7FFF", {0xFF, 0xFF, 0x7F, 0xFF},
       [](qrnIStream& in) { short v = 9; in.hostGet32(v); return v == 0; }},
      {"enum from 0x0100", {0x01, 0x00}, [](qrnIStream& in) { Kind v = Kind::B; in.hostGet16(v); return v == Kind::A; }},
      {"unsigned from 2^32-1 into u16", {0xFF, 0xFF, 0xFF, 0xFF},
       [](qrnIStream& in) { unsigned short v = 9; in.hostGet32(v); return v == 0; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reader r(c.members);
    qrnIStream in = r.stream();
    EXPECT_TRUE(c.get(in));
    EXPECT_TRUE(in.checkRestore());
    EXPECT_EQ(in.firstError(), qrnStreamError::OutOfRange);
  }
}

// Writes that would reach the last two bytes (kept for the FCS) are dropped
// whole and reported; the FCS itself still fits.
TEST(QrnOverflow, DroppedWritesAreReported) {
  struct Case {
    const char* name;
    void (*put)(qrnOStream&);
    std::size_t length;  // of the data written into a 10-byte buffer
    bool overflow;
  };
  const Case cases[] = {
      {"eight bytes fit", [](qrnOStream& o) { o.hostPutData("12345678", 8); }, 8, false},
      {"nine bytes do not", [](qrnOStream& o) { o.hostPutData("123456789", 9); }, 0, true},
      {"a u32 after six bytes", [](qrnOStream& o) { o.hostPutData("123456", 6); o.hostPut32(1u); }, 6, true},
      {"a byte after eight", [](qrnOStream& o) { o.hostPutData("12345678", 8); o.save(1, 8); }, 8, true},
      {"a block without room", [](qrnOStream& o) { o.hostPutData("1234", 4); o.hostPutDataCompressed(reinterpret_cast<const unsigned char*>("AB"), 2); }, 4, true},
      {"a length field without room", [](qrnOStream& o) { o.hostPutData("1234567", 7); o.skipForMinorLength(2); }, 7, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes buf(10, 0xCC);
    qrnOStream out;
    out.setup(buf.data(), buf.size());
    c.put(out);
    EXPECT_EQ(out.lengthOfData(), c.length);
    EXPECT_EQ(out.checkOverflow(), c.overflow);
    EXPECT_EQ(out.checkSave(), c.overflow);
    EXPECT_EQ(buf[8], 0xCC);
    EXPECT_EQ(buf[9], 0xCC);
    out.appendFCS();
    EXPECT_EQ(out.lengthOfData(), c.length + 2);
  }
}

TEST(QrnOverflow, TinyOrMissingBuffers) {
  for (std::size_t size : {0u, 1u, 2u, 3u}) {
    SCOPED_TRACE(size);
    Bytes buf(size + 1, 0xCC);
    qrnOStream out;
    out.setup(size ? buf.data() : nullptr, size);
    out.save(1, 8);
    out.hostPut16(1u);
    out.skipForMinorLength(0);
    out.skipForMajorLength(2);
    out.hostPutDataCompressed(reinterpret_cast<const unsigned char*>("A"), 1);
    out.appendFCS();
    EXPECT_TRUE(out.checkOverflow());
    EXPECT_LE(out.lengthOfData(), size);
    EXPECT_EQ(buf[size], 0xCC);
  }
  for (std::size_t size : {0u, 1u, 3u, 4u}) {
    SCOPED_TRACE(size);
    Bytes buf(size);
    qrnIStream in(size ? buf.data() : nullptr, size);
    EXPECT_TRUE(in.checkFCS());
    unsigned char v = 1;
    in.restore(v, 8);
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(in.checkRestore());
  }
}

}  // namespace
