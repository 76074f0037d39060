// Plane edits: insert, delete, fills and the bounds every caller must keep.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "base/ErrorHalt.h"
#include "tests/display/FakeStation.h"

namespace {
std::string Row(FakeStation& st, unsigned int first, unsigned int n) {
  std::string s;
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned char c = st.ps.getCharacter(first + i);
    s += c == 0 ? '.' : static_cast<char>(c - 0xC1 + 'A');
  }
  return s;
}
void Put(FakeStation& st, unsigned int at, const char* text) {
  for (; *text; ++text, ++at)
    if (*text != '.') st.ps.writeCharacter(at, static_cast<unsigned char>(*text - 'A' + 0xC1));
}

TEST(PlaneEdit, InsertShiftsTowardsTheEndOnlyWhenThereIsRoom) {
  for (bool compare : {true, false}) {
    FakeStation st(24, 80, 3696, compare);
    Put(st, 10, "ABC..");
    EXPECT_EQ(st.ps.insertCharacter(10, 14, 0xC4), 0);  // D
    EXPECT_EQ(Row(st, 10, 5), "DABC.");
    Put(st, 14, "E");
    st.output();
    EXPECT_EQ(st.ps.insertCharacter(10, 14, 0xC6), -1);  // no null at the end
    EXPECT_EQ(Row(st, 10, 5), "DABCE");
    EXPECT_FALSE(st.ps.hasChanges());
    // Leftwards.
    Put(st, 20, "..AB");
    EXPECT_EQ(st.ps.insertCharacter(23, 20, 0xC3), 0);
    EXPECT_EQ(Row(st, 20, 4), ".ABC");
  }
}

TEST(PlaneEdit, DeleteCloseUpsAndNullsTheFreedPositions) {
  FakeStation st;
  Put(st, 0, "ABCDE...");
  st.output();
  st.ps.deleteCharacters(1, 7, 2);
  EXPECT_EQ(Row(st, 0, 8), "ADE.....");
  EXPECT_EQ(st.ps.changedLow(), 1u);
  EXPECT_EQ(st.ps.changedHigh(), 4u);
}

TEST(PlaneEdit, BulkInsertAndPreviousAttribute) {
  FakeStation st;
  Put(st, 0, "AB..");
  st.ps.bulkInsert(0, 3, 0x40);
  EXPECT_EQ(st.ps.getCharacter(0), 0x40);
  EXPECT_EQ(st.ps.getCharacter(2), 0xC1);
  st.ps.writeCharacter(50, 0x24);
  EXPECT_EQ(st.ps.getPreviousAttribute(60, 0), 0x24);
  EXPECT_EQ(st.ps.getPreviousAttribute(49, 0), 0);
  st.primary.writeCharacter(30, 0x86);
  EXPECT_EQ(st.primary.getPreviousAttribute(40, 0), 30);
}

TEST(PlaneEdit, NextLineAndVerticalFill) {
  FakeStation st;
  EXPECT_EQ(st.ps.getFirstPositionOfNextLine(5), 80u);
  EXPECT_EQ(st.ps.getFirstPositionOfNextLine(23 * 80 + 5), 0u);  // last screen row
  st.ps.fillVerticalRange(3, 24, 0x40);
  EXPECT_EQ(st.ps.getCharacter(23 * 80 + 3), 0x40);
  EXPECT_EQ(st.ps.changedLow(), 3u);
  EXPECT_EQ(st.ps.changedHigh(), 23u * 80 + 3);
}

TEST(PlaneEdit, DoubleByteInsertNeedsTwoNulls) {
  FakeStation st;
  Put(st, 0, "AB..");
  EXPECT_EQ(st.ps.insertDoubleByteCharacter(0, 3, 0x4242), 0);
  EXPECT_EQ(st.ps.getCharacter(2), 0xC1);
  EXPECT_EQ(st.ps.insertDoubleByteCharacter(0, 3, 0x4242), -1);
}

TEST(PlaneEdit, OffsetsOutsideThePlaneAreInternalErrors) {
  FakeStation st;
  SetErrorHaltHook([](unsigned short m, unsigned short e) {
    throw std::runtime_error(std::to_string(m) + "/" + std::to_string(e));
  });
  const unsigned char two[2] = {1, 2};
  EXPECT_THROW(st.ps.writeCharacter(2000, 1), std::runtime_error);
  EXPECT_THROW(st.ps.writeData(two, 2, 1999), std::runtime_error);
  EXPECT_THROW(st.ps.fillRange(0, 2000, 0), std::runtime_error);
  EXPECT_THROW(st.ps.copyRange(0, 10, 1990), std::runtime_error);
  EXPECT_THROW(st.ps.deleteCharacters(0, 5, 7), std::runtime_error);
  EXPECT_THROW(st.primary.writeCharacter(4000, 0x84), std::runtime_error);
  SetErrorHaltHook(nullptr);
  EXPECT_EQ(st.ps.getCharacter(1999), 0);
}
}  // namespace
