// Cursor movement, wrap and window, binding and output.
#include <gtest/gtest.h>

#include <stdexcept>

#include "display/CursorClass.h"
#include "base/ErrorHalt.h"
#include "tests/display/FakeStation.h"

namespace {
unsigned int At(unsigned int row, unsigned int col) { return (row - 1) * 80 + col - 1; }

enum Move { Left, Right, Up, Down };
struct MoveCase {
  const char* name;
  bool window;  // window columns 10-20, rows 5-8
  Move move;
  unsigned int fromRow, fromCol, count, stop;
  unsigned int toRow, toCol;
};

class CursorMoves : public ::testing::TestWithParam<MoveCase> {};

TEST_P(CursorMoves, LandsWhereExpected) {
  const MoveCase& c = GetParam();
  FakeStation st;
  CursorClass cursor(&st);
  if (c.window) ASSERT_TRUE(cursor.setWindowRestrictedCursorMovement(10, 20, 5, 8));
  const unsigned int from = At(c.fromRow, c.fromCol);
  unsigned int to = 0;
  switch (c.move) {
    case Left: to = cursor.getPositionToLeft(from, c.count, c.stop); break;
    case Right: to = cursor.getPositionToRight(from, c.count, c.stop); break;
    case Up: to = cursor.getPositionUpward(from); break;
    case Down: to = cursor.getPositionDownward(from); break;
  }
  EXPECT_EQ(to, At(c.toRow, c.toCol));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CursorMoves,
    ::testing::Values(
        MoveCase{"NoStepStays", false, Right, 3, 3, 0, 1, 3, 3},
        MoveCase{"RightInRow", false, Right, 3, 3, 2, 0, 3, 5},
        MoveCase{"RightToNextRow", false, Right, 3, 80, 1, 1, 4, 1},
        MoveCase{"RightFromLastStopsAtHome", false, Right, 24, 80, 5, 1, 1, 1},
        MoveCase{"RightFromLastGoesOn", false, Right, 24, 80, 3, 0, 1, 3},
        MoveCase{"LeftToPreviousRow", false, Left, 3, 1, 1, 0, 2, 80},
        MoveCase{"LeftFromHomeWrapsEvenWithStop", false, Left, 1, 1, 2, 1, 24, 79},
        MoveCase{"UpFromFirstRow", false, Up, 1, 7, 1, 0, 24, 7},
        MoveCase{"DownFromLastRow", false, Down, 24, 7, 1, 0, 1, 7},
        MoveCase{"WindowRightEdgeToNextRow", true, Right, 5, 20, 1, 0, 6, 10},
        MoveCase{"WindowBottomRightToTop", true, Right, 8, 20, 2, 0, 5, 11},
        MoveCase{"WindowWrapStops", true, Right, 6, 19, 5, 1, 7, 10},
        MoveCase{"WindowLeftEdgeToRowAbove", true, Left, 6, 10, 1, 0, 5, 20},
        MoveCase{"WindowTopLeftToBottom", true, Left, 5, 10, 1, 1, 8, 20},
        MoveCase{"OutsideWindowRowsIsFree", true, Right, 3, 20, 1, 0, 3, 21},
        MoveCase{"WindowUpFromTop", true, Up, 5, 15, 1, 0, 8, 15},
        MoveCase{"WindowDownFromBottom", true, Down, 8, 15, 1, 0, 5, 15},
        MoveCase{"WindowColumnsOnlyBind", true, Up, 5, 30, 1, 0, 4, 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cursor, WindowIsRefusedWhenItDoesNotFitOrWhileBlocked) {
  FakeStation st;
  CursorClass cursor(&st);
  EXPECT_FALSE(cursor.setWindowRestrictedCursorMovement(20, 10, 5, 8));
  EXPECT_FALSE(cursor.setWindowRestrictedCursorMovement(1, 81, 5, 8));
  EXPECT_FALSE(cursor.setWindowRestrictedCursorMovement(1, 80, 0, 8));
  st.flagsB |= 0x04000000;  // B bit 26
  EXPECT_FALSE(cursor.setWindowRestrictedCursorMovement(10, 20, 5, 8));
  EXPECT_FALSE(cursor.hasWindow());
}

TEST(Cursor, OutputSendsEachPositionOnceAndMirrorsOnAReversedScreen) {
  FakeStation st;
  CursorClass cursor(&st);
  cursor.outputNewCursorPosition();
  cursor.outputNewCursorPosition();
  cursor.moveCursorWithinSameArea(81, CursorOffsetAsShown);
  st.flagsB |= 0x01000000;
  cursor.outputNewCursorPosition();
  EXPECT_EQ(st.rendering.calls,
            std::vector<std::string>({"setCursorPosition(0)", "setCursorPosition(158)"}));
}

TEST(Cursor, BindingLeavesInsertModeAndRunsTheAreaNotifications) {
  FakeStation st;
  CursorClass cursor(&st);
  st.flagsA = 0x10000000 | 0x20000000;  // insert mode, A bit 29
  st.controlData.setCursorRequestBits(DisplayControlData::kRequestInsert);
  st.flagsB |= 0x01000000;
  st.areaStart = 80;
  st.areaEnd = 99;
  st.gainFocusResult = 7;
  EXPECT_EQ(cursor.moveCursorToNewArea(82, CursorOffsetLogical), 7);
  EXPECT_EQ(cursor.getCursorOffset(), 97u);  // mirrored within its area
  EXPECT_EQ(st.flagsA, 0x04000000u);          // only "new area" remains
  EXPECT_EQ(st.controlData.cursorRequest(), 0);
  EXPECT_EQ(st.events, std::vector<std::string>({"enterArea", "gainFocus"}));
  // Beyond the screen: the offset is kept.
  cursor.detachCursorFromArea();
  cursor.initializeCursorToArea(5000, 0, CursorOffsetAsShown);
  EXPECT_EQ(cursor.getCursorOffset(), 97u);
}

TEST(Cursor, BindingTwiceIsAnInternalError) {
  FakeStation st;
  CursorClass cursor(&st);
  cursor.initializeCursorToArea(0, 0, CursorOffsetAsShown);
  SetErrorHaltHook([](unsigned short m, unsigned short e) {
    throw std::runtime_error(std::to_string(m) + "/" + std::to_string(e));
  });
  EXPECT_THROW(cursor.initializeCursorToArea(0, 0, CursorOffsetAsShown), std::runtime_error);
  SetErrorHaltHook(nullptr);
}

TEST(Cursor, SystemRequestKeepsOffsetAndWindow) {
  FakeStation st;
  CursorClass cursor(&st);
  cursor.moveCursorWithinSameArea(100, CursorOffsetAsShown);
  cursor.setWindowRestrictedCursorMovement(10, 20, 5, 8);
  cursor.saveForSystemRequest();
  cursor.moveCursorWithinSameArea(5, CursorOffsetAsShown);
  cursor.resetWindowRestrictedCursorMovement();
  cursor.restoreFromSystemRequest();
  EXPECT_EQ(cursor.getCursorOffset(), 100u);
  EXPECT_TRUE(cursor.hasWindow());
}

TEST(Cursor, FieldBoundariesOnTheCursorRow) {
  FakeStation st;
  CursorClass cursor(&st);
  cursor.moveCursorWithinSameArea(At(2, 5), CursorOffsetAsShown);
  EXPECT_EQ(cursor.getUnShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(40, 200), 80u);
  EXPECT_EQ(cursor.getUnShiftedOffsetOfRightFieldBoundaryOnLineOfScreen(40, 200), 159u);
  st.flagsB |= 0x01000000;
  EXPECT_EQ(cursor.getUnShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(40, 200), 159u);
  EXPECT_EQ(cursor.getShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(40, 200), 81u);
}
}  // namespace
