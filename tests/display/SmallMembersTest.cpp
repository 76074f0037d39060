// Indicators and display control output, PF-key masks, programmed mouse buttons.
#include <gtest/gtest.h>

#include "display/PFKeyMask.h"
#include "display/ProgrammableMouseButtonsTable.h"
#include "tests/display/FakeStation.h"

using Lines = std::vector<std::string>;

namespace {
TEST(ControlData, IndicatorsGoOutOnceAndTheAlarmOnce) {
  FakeStation st;
  st.controlData.outputChanges();  // a new station shows type-ahead
  st.controlData.outputChanges();
  st.controlData.setControlBits(DisplayControlData::kAlarm);
  st.controlData.outputChanges();
  st.controlData.outputChanges();
  st.indicators.current().set(Indicators::kInsert);
  st.controlData.outputChanges();
  st.flagsB |= 0x00080000;  // always send
  st.controlData.outputChanges();
  EXPECT_EQ(st.rendering.calls, Lines({"updateIndicators(0x04000000,0x00400000)",
                                       "updateIndicators(0x0C000000,0x00400000)",
                                       "updateIndicators(0x04000000,0x08400000)",
                                       "updateIndicators(0x04000000,0x08400000)"}));
}

struct BlinkCase {
  unsigned char request, state;
  bool blink;
};
class Blink : public ::testing::TestWithParam<BlinkCase> {};
TEST_P(Blink, FromRequestAndState) {
  FakeStation st;
  st.controlData.setCursorRequest(GetParam().request);
  st.controlData.setCursorState(GetParam().state);
  EXPECT_EQ(st.controlData.computeBlink(), GetParam().blink);
}
INSTANTIATE_TEST_SUITE_P(Table, Blink,
                         ::testing::Values(BlinkCase{0x00, 0x00, false},
                                           BlinkCase{0x01, 0x00, true},
                                           BlinkCase{0x20, 0x84, true},
                                           BlinkCase{0x40, 0x04, true},
                                           BlinkCase{0x40, 0x88, false},
                                           BlinkCase{0x10, 0x84, true},
                                           BlinkCase{0x02, 0x8C, true},
                                           BlinkCase{0x02, 0x8D, false}));

TEST(ControlData, TextSymbolStatesCycleThroughThePlanes) {
  FakeStation st;
  st.characteristics.word[0] |= 0x200;
  for (int i = 0; i < 4; ++i) st.controlData.cycleTextSymbolsDisplayState();
  EXPECT_EQ(st.rendering.calls, Lines({"setTextSymbolsDisplayPlane(1)",
                                       "setTextSymbolsDisplayPlane(2)",
                                       "setTextSymbolsDisplayPlane(0)"}));
  st.characteristics.word[0] &= ~0x200u;
  st.controlData.cycleTextSymbolsDisplayState();
  EXPECT_TRUE(st.controlData.controlWord() & DisplayControlData::kTextSymbolsWholeScreen);
}

TEST(PFKeyMask, MaskBitsSayWhichKeysSendData) {
  PFKeyMask m;
  EXPECT_TRUE(m.isDataRequired(0xF1));
  EXPECT_TRUE(m.isDataRequired(0x31));
  m.setPFKeyMask(3, 0x01);
  EXPECT_FALSE(m.isDataRequired(0x31));  // PF1
  EXPECT_TRUE(m.isDataRequired(0x32));
  m.setPFKeyMask(1, 0x80);
  EXPECT_FALSE(m.isDataRequired(0xBC));  // PF24
  m.setPFKeyMask(4, 0xFF);               // ignored
  EXPECT_TRUE(m.isDataRequired(0xF1));
  m.resetPFKeyMasks();
  EXPECT_TRUE(m.isDataRequired(0x31));
}

TEST(MouseButtons, BadEntriesAreRefusedWithoutHalting) {
  FakeStation st;
  ProgrammableMouseButtonsTable t;
  EXPECT_FALSE(t.addTableEntry(&st, 0, {0, 0, 0xF1}));
  EXPECT_FALSE(t.addTableEntry(&st, 19, {0, 0, 0xF1}));
  EXPECT_FALSE(t.addTableEntry(&st, 1, {0x80, 19, 0xF1}));
  EXPECT_FALSE(t.addTableEntry(&st, 1, {0, 0, 0x99}));  // not an AID
  EXPECT_TRUE(t.isClear());
  EXPECT_TRUE(t.addTableEntry(&st, 1, {0x20, 0, 0xF1}));
  EXPECT_TRUE(t.isProgrammedAndQueableInNormalLockedState(1));
  EXPECT_FALSE(t.isProgrammed(0));
  EXPECT_FALSE(t.isProgrammed(40));
}

TEST(MouseButtons, OneEventWaitsWhileLockedAndRunsLater) {
  FakeStation st;
  ProgrammableMouseButtonsTable t;
  t.addTableEntry(&st, 1, {0x40, 0, 0xF1});
  t.addTableEntry(&st, 4, {0, 0, 0x31});
  t.bufferProgrammedMouseEvent(1, 100);
  t.bufferProgrammedMouseEvent(4, 200);  // dropped
  t.processAnyBufferedProgrammedEvent(&st);
  t.processAnyBufferedProgrammedEvent(&st);
  EXPECT_EQ(st.events, Lines({"moveCursor(100)", "postAidCode(241)"}));
}

TEST(MouseButtons, ProgrammedEventPaths) {
  FakeStation st;
  ProgrammableMouseButtonsTable t;
  t.addTableEntry(&st, 1, {0x40, 0, 0xF1});
  t.addTableEntry(&st, 2, {0x80 | 0x10, 3, 0x31});
  st.shapingResult = 12;
  t.processProgrammedEvent(&st, 1, 5);
  st.shapingResult = 0;
  st.moveResult = 1;
  t.processProgrammedEvent(&st, 1, 6);
  st.moveResult = 0;
  st.checkResult = 27;
  t.processProgrammedEvent(&st, 1, 7);
  st.checkResult = 0;
  t.processProgrammedEvent(&st, 2, 8);
  t.processProgrammedEvent(&st, 9, 8);  // not programmed: nothing
  EXPECT_EQ(st.events, Lines({"enterErrorState(12)", "moveCursor(6)", "moveCursor(7)",
                              "enterErrorState(27)", "enterTwoMouseEventState(2,8)"}));
}

TEST(MouseButtons, TwoEventStateEndsOnTheSecondButton) {
  FakeStation st;
  ProgrammableMouseButtonsTable t;
  t.addTableEntry(&st, 2, {0x80 | 0x10, 5, 0x31});
  t.twoEventStateProcessing(&st, 2, 4, 10);  // next to the second button: ignored
  t.twoEventStateProcessing(&st, 2, 5, 11);
  t.twoEventStateProcessing(&st, 2, 7, 12);  // any other button leaves the state
  // The second button posts AID 0x80, which carries the button's own AID.
  EXPECT_EQ(st.events, Lines({"exitTwoMouseEventState", "postAidCode(128)",
                              "exitTwoMouseEventState"}));
  t.drawMarkerBoxIfNeeded(&st, 2, 10);
  t.eraseMarkerBoxIfNeeded(&st, 2, 10);
  t.drawMarkerBoxIfNeeded(&st, 5, 10);  // not a marker-box button
  EXPECT_EQ(st.rendering.calls, Lines({"drawMarkerBox(10)", "eraseMarkerBox(10)"}));
}
}  // namespace
