#include "datastream/calcFCS.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "datastream/qrnOStream.h"

namespace {

std::vector<unsigned char> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

// The two bytes a stream carries: the complement, low byte first.
std::vector<unsigned char> wireFcs(const std::vector<unsigned char>& data) {
  const unsigned short fcs = calcFCS(data.data(), data.data() + data.size() - 1);
  const unsigned short sent = static_cast<unsigned short>(~fcs);
  return {static_cast<unsigned char>(sent & 0xFF), static_cast<unsigned char>(sent >> 8)};
}

struct FcsCase {
  std::string data;
  std::vector<unsigned char> wire;  // CRC-16/X-25 check values, low byte first
};

TEST(CalcFCS, KnownValuesAndResidue) {
  const FcsCase cases[] = {
      {"123456789", {0x6E, 0x90}},
      {"abc", {0x25, 0x9E}},
      {"A", {0xF5, 0xA3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data);
    auto data = bytesOf(c.data);
    EXPECT_EQ(wireFcs(data), c.wire);
    data.insert(data.end(), c.wire.begin(), c.wire.end());
    EXPECT_EQ(calcFCS(data.data(), data.data() + data.size() - 1), kFcsGood);
  }
}

TEST(CalcFCS, EmptyRangeAndPieces) {
  const unsigned char b[4] = {1, 2, 3, 4};
  EXPECT_EQ(calcFCS(b + 1, b), kFcsInitial);
  EXPECT_EQ(calcFCS(nullptr, nullptr), kFcsInitial);
  EXPECT_EQ(fcs16Update(kFcsInitial, b, 0), kFcsInitial);
  // Continuing over pieces gives the FCS of the whole.
  EXPECT_EQ(fcs16Update(fcs16Update(kFcsInitial, b, 1), b + 1, 3), calcFCS(b, b + 3));
}

TEST(CalcFCS, AppendedByTheWriterLowByteFirst) {
  // A stream without a major-length field: the FCS covers it from the start.
  unsigned char buf[16];
  std::memset(buf, 0xCC, sizeof buf);
  qrnOStream out;
  out.setup(buf, sizeof buf);
  out.hostPutData("abc", 3);
  out.appendFCS();
  ASSERT_EQ(out.lengthOfData(), 5u);
  EXPECT_FALSE(out.checkSave());
  EXPECT_EQ(buf[3], 0x25);
  EXPECT_EQ(buf[4], 0x9E);
  EXPECT_EQ(calcFCS(buf, buf + 4), kFcsGood);
}

TEST(CalcFCS, PendingBitsAreWrittenBeforeTheFcs) {
  unsigned char buf[16];
  qrnOStream out;
  out.setup(buf, sizeof buf);
  out.startBitCompression();
  out.save(1, 1);
  out.appendFCS();
  ASSERT_EQ(out.lengthOfData(), 3u);
  EXPECT_EQ(buf[0], 0x80);
  EXPECT_EQ(calcFCS(buf, buf + 2), kFcsGood);
}

}  // namespace
