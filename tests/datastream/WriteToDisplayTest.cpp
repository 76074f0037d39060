// Write to Display and the commands around it, over a whole station.
#include <gtest/gtest.h>

#include <cstdio>

#include "datastream/DsmSense.h"
#include "keyboard/KeyboardState.h"
#include "tests/datastream/DsmRecords.h"

namespace {

// The host's blink request in the cursor request byte.
constexpr unsigned char kHostBlink = 0x10;

// The control word of the last indicator update the device got.
unsigned int LastControlWord(const RecordingRendering& r) {
  for (auto it = r.calls.rbegin(); it != r.calls.rend(); ++it) {
    unsigned int c = 0, i = 0;
    if (std::sscanf(it->c_str(), "updateIndicators(0x%X,0x%X)", &c, &i) == 2) return c;
  }
  return 0;
}

TEST(WriteToDisplay, SignOnScreenLandsInThePlanesWithTheCursorAtTheInsertCursor) {
  DsmStation s;
  Record r;
  r.clearUnit()
      .wtd(0x00, 0x08)
      .sba(1, 35).text("Sign On")
      .sba(6, 17).bytes({0x22}).text("User").bytes({0x20})
      .sba(7, 17).wea(1, 0x84).text("Password")
      .ic(6, 30);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);

  EXPECT_EQ(s.screen(s.offset(1, 35), 7), Cp037("Sign On"));
  EXPECT_EQ(s.screen(s.offset(6, 17), 6),
            (std::vector<unsigned char>{0x22, 0xE4, 0xA2, 0x85, 0x99, 0x20}));
  EXPECT_EQ(s.screen(s.offset(7, 17), 8), Cp037("Password"));
  // WEA marks the position it stands at and does not move the address.
  EXPECT_EQ(s.display.primaryPlane().getCharacter(s.offset(7, 17)), 0x84);
  EXPECT_EQ(s.display.primaryPlane().getCharacter(s.offset(7, 18)), 0x00);
  // Everything else is null after the clear unit.
  EXPECT_EQ(s.screen(0, 1), std::vector<unsigned char>{0x20});  // the clear unit's attribute
  EXPECT_EQ(s.screen(1, 33), std::vector<unsigned char>(33, 0x00));
  EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(6, 30));
  EXPECT_EQ(s.display.cursor().getHomePosition(), s.offset(6, 30));
  EXPECT_EQ(s.keyboard().state(), KeyboardState::kNormalUnlocked);
  EXPECT_EQ(s.lastUnlocked, 1u);
  EXPECT_TRUE(s.manager().arena().isEmpty());
  // The changes went out to the device.
  EXPECT_FALSE(s.display.presentationSpace().hasChanges());
}

// A data run ends at the first order byte wherever it stands: runs of 1 to
// 40 bytes (every byte value that is not an order, 0x00 and 0x1E to 0xFF
// among them) each ended by an SBA, and a run that ends the record.
TEST(WriteToDisplay, DataRunsEndAtTheFirstOrderWhereverItStands) {
  for (unsigned int length = 1; length <= 40; ++length) {
    SCOPED_TRACE(length);
    DsmStation s;
    std::vector<unsigned char> run;
    for (unsigned int i = 0; i < length; ++i) {
      const unsigned int v = (i * 37 + length) % 227;  // 0x00, then 0x1E to 0xFF
      run.push_back(static_cast<unsigned char>(v == 0 ? 0x00 : v + 0x1D));
    }
    Record r;
    r.clearUnit().wtd(0x00, 0x00);
    for (unsigned int row : {2, 5, 9}) {
      r.sba(row, 1);
      r.data.insert(r.data.end(), run.begin(), run.end());
    }
    ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
    EXPECT_EQ(s.screen(s.offset(2, 1), length), run);
    EXPECT_EQ(s.screen(s.offset(5, 1), length), run);
    EXPECT_EQ(s.screen(s.offset(9, 1), length), run);
    // Nothing past each run.
    EXPECT_EQ(s.screen(s.offset(2, 1) + length, 1), std::vector<unsigned char>{0x00});
    EXPECT_EQ(s.screen(s.offset(9, 1) + length, 1), std::vector<unsigned char>{0x00});
  }
}

TEST(WriteToDisplay, KeyboardStaysLockedWithoutTheUnlockBit) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0x00, 0x00).text("x")), 0u);
  EXPECT_EQ(s.keyboard().state(), KeyboardState::kNormalLocked);
  EXPECT_EQ(s.lastUnlocked, 0u);
  ASSERT_EQ(s.run(Record().wtd(0x00, 0x08)), 0u);
  EXPECT_EQ(s.keyboard().state(), KeyboardState::kNormalUnlocked);
}

TEST(WriteToDisplay, RepeatToAddressFillsThroughTheTarget) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0).sba(2, 1).ra(2, 10, 0x5C).text("A")), 0u);
  EXPECT_EQ(s.screen(s.offset(2, 1), 10), std::vector<unsigned char>(10, 0x5C));
  EXPECT_EQ(s.screen(s.offset(2, 11), 1), Cp037("A"));
  // Target equal to the display address writes one character.
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(3, 5).ra(3, 5, 0x60)), 0u);
  EXPECT_EQ(s.screen(s.offset(3, 4), 3), (std::vector<unsigned char>{0x00, 0x60, 0x00}));
}

TEST(WriteToDisplay, EraseToAddressClearsTheNamedPlanesOnly) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0).sba(4, 1).wea(1, 0x84).wea(3, 0x85).text("abcdef")),
            0u);
  ASSERT_EQ(s.display.colourPlane().getCharacter(s.offset(4, 1)), 0x85);
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(4, 1).ea(4, 3, {0x00, 0x01})), 0u);
  EXPECT_EQ(s.screen(s.offset(4, 1), 4), (std::vector<unsigned char>{0, 0, 0, 0x84}));
  EXPECT_EQ(s.display.primaryPlane().getCharacter(s.offset(4, 1)), 0x00);
  EXPECT_EQ(s.display.colourPlane().getCharacter(s.offset(4, 1)), 0x85);
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(4, 1).ea(4, 1, {0xFF})), 0u);
  EXPECT_EQ(s.display.colourPlane().getCharacter(s.offset(4, 1)), 0x00);
}

TEST(WriteToDisplay, TransparentDataWritesOrderBytesAsData) {
  DsmStation s;
  const std::vector<unsigned char> raw = {0x01, 0x04, 0x11, 0x1D, 0xC1};
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0).sba(5, 1).td(raw).text("B")), 0u);
  EXPECT_EQ(s.screen(s.offset(5, 1), 5), raw);
  EXPECT_EQ(s.screen(s.offset(5, 6), 1), Cp037("B"));
  // Length 0 writes nothing and the record goes on.
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(6, 1).td({}).text("C")), 0u);
  EXPECT_EQ(s.screen(s.offset(6, 1), 1), Cp037("C"));
  // A run may end on the last display position, and an attribute may follow
  // the run's last byte there.
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(24, 79).td({0xC1, 0xC2})), 0u);
  EXPECT_EQ(s.screen(s.offset(24, 79), 2), std::vector<unsigned char>({0xC1, 0xC2}));
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(24, 79).text("D").wea(1, 0x84)), 0u);
  EXPECT_EQ(s.display.primaryPlane().getCharacter(s.offset(24, 80)), 0x84);
}

TEST(WriteToDisplay, MoveCursorWithoutInsertCursorMovesTheCursorOnUnlock) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).mc(10, 10)), 0u);
  EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(10, 10));
}

TEST(WriteToDisplay, DirectOutputGoesToTheDeviceAndIsStillBoundedByTheScreen) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  s.rendering.clear();
  ASSERT_EQ(s.run(Record().wtd(0x01, 0).sba(2, 1).text("direct")), 0u);
  EXPECT_EQ(s.screen(s.offset(2, 1), 6), std::vector<unsigned char>(6, 0x00));
  EXPECT_EQ(s.rendering.lastData, Cp037("direct"));
  // Transparent data in direct output is checked against the screen too.
  EXPECT_EQ(s.run(Record().wtd(0x01, 0).sba(24, 80).td(std::vector<unsigned char>(100, 0x40))),
            dsm_sense::kDataPastScreen);
}

TEST(WriteToDisplay, DataEndingOnTheLastDisplayPositionIsAccepted) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0).sba(24, 78).text("xyz")), 0u);
  EXPECT_EQ(s.screen(s.offset(24, 78), 3), Cp037("xyz"));
}

TEST(WriteToDisplay, MergedControlCharactersTheLaterBlinkAndMessageWaitingWin) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x10 | 0x01).wtd(0, 0x20 | 0x02)), 0u);
  EXPECT_FALSE(s.display.controlData().cursorRequest() & kHostBlink);
  EXPECT_FALSE(s.display.indicators().current().get() & Indicators::kMessageWait);
  ASSERT_EQ(s.run(Record().wtd(0, 0x20 | 0x02).wtd(0, 0x10 | 0x01)), 0u);
  EXPECT_TRUE(s.display.controlData().cursorRequest() & kHostBlink);
  EXPECT_TRUE(s.display.indicators().current().get() & Indicators::kMessageWait);
}

TEST(WriteToDisplay, StartOfHeaderClearsTheFormatTableAndSetsTheMasks) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  s.entry(kLTRField, {{100, 109}});
  ASSERT_EQ(s.table().fieldCount(), 1u);
  ASSERT_EQ(s.run(Record().wtd(0, 0).soh({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01})), 0u);
  EXPECT_EQ(s.table().fieldCount(), 0u);
  PFKeyMask expected;
  expected.setPFKeyMask(3, 0x01);
  EXPECT_EQ(s.display.pfKeyMask().maskByte(2), expected.maskByte(2));
}

TEST(WriteToDisplay, StartOfHeaderMovesTheErrorLineRow) {
  // Byte 4 of the header names the error row; 0 or a row past the screen
  // leaves it on the last row, and a clear unit puts it back there.
  struct {
    unsigned int row;
    unsigned int expected;
  } cases[] = {{5, 5}, {1, 1}, {24, 24}, {0, 24}, {26, 24}, {200, 24}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    DsmStation s;
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    ASSERT_EQ(s.run(Record().wtd(0, 0).soh({0x00, 0x00, 0x00, c.row})), 0u);
    EXPECT_EQ(s.display.keyboardState().errorRow(), c.expected);
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    EXPECT_EQ(s.display.keyboardState().errorRow(), 24u);
  }
}

TEST(WriteToDisplay, ManyCommandsInOneRecordLeaveTheArenaEmpty) {
  for (const std::vector<unsigned int>& command :
       {std::vector<unsigned int>{0x04, 0x40}, {0x04, 0x50}, {0x04, 0x11, 0x00, 0x00},
        {0x04, 0x11, 0x00, 0x00, 0x01, 0x01, 0x00}, {0x04, 0x42, 0x00, 0x00}}) {
    DsmStation s;
    std::vector<unsigned char> r;
    for (int i = 0; i < 300; ++i)
      for (unsigned int b : command) r.push_back(static_cast<unsigned char>(b));
    EXPECT_EQ(s.run(r), 0u) << "command 0x" << std::hex << command[1];
    EXPECT_TRUE(s.manager().arena().isEmpty());
  }
}

TEST(DataStreamManager, EmptyRecordAndUnknownOperationAnswerZeroAndTheLockState) {
  DsmStation s;
  unsigned int unlocked = 7;
  EXPECT_EQ(s.manager().dsm(7, nullptr, 0, unlocked), 0u);
  EXPECT_EQ(unlocked, 1u);
  EXPECT_EQ(s.run(std::vector<unsigned char>{}), 0u);
}

TEST(DataStreamManager, MessageWaitingOperations) {
  DsmStation s;
  unsigned int unlocked = 0;
  EXPECT_EQ(s.manager().dsm(DataStreamManager::kSetMsgWaiting, nullptr, 0, unlocked), 0u);
  EXPECT_TRUE(s.display.indicators().current().get() & Indicators::kMessageWait);
  // The alarm sounds once: it went out with the indicators.
  EXPECT_TRUE(LastControlWord(s.rendering) & DisplayControlData::kAlarm);
  EXPECT_EQ(s.manager().dsm(DataStreamManager::kResetMsgWaiting, nullptr, 0, unlocked), 0u);
  EXPECT_FALSE(s.display.indicators().current().get() & Indicators::kMessageWait);
}

TEST(DataStreamManager, ReadInputFieldsLeavesTheReadPending) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).bytes({0x04, 0x52, 0x00, 0x08})), 0u);
  EXPECT_EQ(s.display.readMgr().pendingRead(), ReadMgr::kReadMDTFields);
}

TEST(DataStreamManager, ReadScreenIsAnsweredAtOnce) {
  DsmStation s;
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x62})), dsm_sense::kAnswered);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x72})), dsm_sense::kAnswered);
}

TEST(DataStreamManager, GridLineReadsAreAnsweredWhenTheDisplayClaimsGridLines) {
  DisplayCharacteristics c;
  c.word[0] |= 0x00000002u;
  DsmStation s(c);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x6A})), dsm_sense::kAnswered);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x6C})), dsm_sense::kAnswered);
  DsmStation g;  // default characteristics: no grid lines
  EXPECT_EQ(g.run(Record().bytes({0x04, 0x6A})), dsm_sense::kReadNotSupported);
}

TEST(DataStreamManager, ContentionRefusalKeepsTheFormatTableAndMarksContention) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  s.entry(kLTRField, {{100, 109}});
  ASSERT_TRUE(s.keyboard().enterSystemRequestState());
  EXPECT_EQ(s.run(Record().wtd(0, 0).text("x")), dsm_sense::kContention);
  EXPECT_TRUE(s.display.contentionError().isSet());
}

TEST(DataStreamManager, ResetDeviceSessionClearsTheScreenAndBuildsItsOneField) {
  // The reset record: clear unit, Write to Display, header, the cursor at
  // row 1 column 2 and one start field there; the station takes all of it.
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0).text("OLD")), 0u);
  s.entry(kLTRField, {{100, 109}, {200, 209}});
  unsigned int unlocked = 0;
  const uint32_t sense =
      s.manager().dsm(DataStreamManager::kResetDeviceSession, nullptr, 0, unlocked);
  EXPECT_EQ(sense, 0u);
  EXPECT_EQ(s.table().fieldCount(), 1u);
  EXPECT_EQ(s.display.cursor().getCursorOffset(), 1u);
  EXPECT_NE(s.screen(0, 3), Cp037("OLD")) << "the screen is cleared";
  EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);
  EXPECT_TRUE(s.manager().arena().isEmpty());
}

// The reset sets characteristics bit 24 only while its own record runs:
// afterwards the bit is as it was, set or clear, and the reset did its work
// either way.
TEST(DataStreamManager, ResetDeviceSessionLeavesCharacteristicsBit24AsItWas) {
  constexpr uint32_t kBit24 = 0x01000000u;
  for (const bool setBefore : {false, true}) {
    SCOPED_TRACE(setBefore);
    DisplayCharacteristics c;
    c.word[0] = setBefore ? (c.word[0] | kBit24) : (c.word[0] & ~kBit24);
    DsmStation s(c);
    ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0).text("OLD")), 0u);
    unsigned int unlocked = 0;
    EXPECT_EQ(s.manager().dsm(DataStreamManager::kResetDeviceSession, nullptr, 0, unlocked), 0u);
    EXPECT_EQ((s.display.characteristics().word[0] & kBit24) != 0, setBefore);
    EXPECT_EQ(s.table().fieldCount(), 1u);
    EXPECT_EQ(s.display.cursor().getCursorOffset(), 1u);
  }
}

}  // namespace

namespace {

TEST(DataStreamManager, ClearUnitAlternateSwitchesAWideStationTo27x132AndClearUnitBack) {
  DisplayCharacteristics c;
  c.word[1] |= 1u << kWord1Wide27x132Bit;
  DsmStation s(c);
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0).text("A")), 0u);
  ASSERT_EQ(s.run(Record().bytes({0x04, 0x20, 0x00})), 0u);
  EXPECT_EQ(s.display.rows(), 27u);
  EXPECT_EQ(s.display.columns(), 132u);
  EXPECT_NE(s.screen(0, 1)[0], Cp037("A")[0]) << "the screen is cleared";
  // The last position of row 27 takes data; row 28 does not exist.
  EXPECT_EQ(s.run(Record().wtd(0, 0).sba(27, 132).text("Z")), 0u);
  EXPECT_EQ(s.screen(27 * 132 - 1, 1)[0], Cp037("Z")[0]);
  EXPECT_EQ(s.run(Record().wtd(0, 0).sba(28, 1).text("Z")), 0x10050122u);
  // 0x80 clears at the current size.
  ASSERT_EQ(s.run(Record().bytes({0x04, 0x20, 0x80})), 0u);
  EXPECT_EQ(s.display.columns(), 132u);
  EXPECT_EQ(s.screen(27 * 132 - 1, 1)[0], 0x00);
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  EXPECT_EQ(s.display.rows(), 24u);
  EXPECT_EQ(s.display.columns(), 80u);
}

}  // namespace
