// Which input object each function word makes.
#include <gtest/gtest.h>

#include <typeinfo>

#include "keyboard/AidKeystrokes.h"
#include "keyboard/InObjGen.h"
#include "keyboard/InputEvents.h"
#include "keyboard/KeystrokeClasses.h"
#include "keyboard/MouseEvents.h"
#include "tests/keyboard/KeyStation.h"

namespace {

struct alignas(std::max_align_t) Buffer {
  unsigned char bytes[InObjGen::kObjectBufferSize];
};

TEST(InputObjects, WordsMakeTheirClasses) {
  const struct {
    FunctionWord word;
    const std::type_info& type;
  } cases[] = {
      {{1, 1}, typeid(NewlineKeystroke)},          {{1, 4}, typeid(FastCursorLeftKeystroke)},
      {{1, 10}, typeid(TabKeystroke)},             {{1, 11}, typeid(TabKeystroke)},
      {{1, 12}, typeid(ShiftedTabKeystroke)},      {{1, 17}, typeid(TxEndOfLineKeystroke)},
      {{2, 3}, typeid(FieldPlusKeystroke)},        {{2, 5}, typeid(TxCarRetKeystroke)},
      {{3, 1}, typeid(InsertKeystroke)},           {{3, 15}, typeid(DisplayTextSymbolsKeystroke)},
      {{3, 22}, typeid(KeyboardCopyKeys)},         {{3, 30}, typeid(KeyboardCopyKeys)},
      {{3, 31}, typeid(MenuPaste)},                {{3, 33}, typeid(MenuCut)},
      {{4, 1}, typeid(ResetKeystroke)},            {{4, 3}, typeid(SystemRequestKeystroke)},
      {{6, 4}, typeid(EnterKeystroke)},            {{6, 6}, typeid(TestRequestKeystroke)},
      {{6, 9}, typeid(PAKeystroke)},               {{6, 12}, typeid(TxBotOfPageKeystroke)},
      {{9, 0xC1}, typeid(AlphaKeystroke)},         {{10, 0x81}, typeid(AlphaCapsableKeystroke)},
      {{14, 0xF1}, typeid(NumericPadDigitKeystroke)}, {{17, 0x60}, typeid(DataEntryMinusKeystroke)},
      {{19, 0x4B}, typeid(MSRNonAlphaNumericKeystroke)},
      {{23, 4}, typeid(OperatorError)},            {{26, 1}, typeid(TxUnderscoreKeystroke)},
      {{26, 13}, typeid(TxAltDKeystroke)},
  };
  InObjGen gen;
  for (const auto& c : cases) {
    Buffer b;
    UserInput* in = gen.getUserInputObj(nullptr, b.bytes, &c.word);
    ASSERT_NE(in, nullptr) << c.word;
    EXPECT_EQ(typeid(*in), c.type) << c.word;
  }
}

TEST(InputObjects, AidAndErrorParameters) {
  InObjGen gen;
  const struct {
    FunctionWord word;
    unsigned int aid;
  } aids[] = {{{5, 1}, 0x31}, {{5, 12}, 0x3C}, {{5, 13}, 0xB1}, {{5, 24}, 0xBC},
              {{6, 8}, 0x6C}, {{6, 9}, 0x6E}, {{6, 10}, 0x6B}, {{6, 1}, 0xF6}, {{6, 5}, 0xBD}};
  for (const auto& c : aids) {
    Buffer b;
    auto* k = dynamic_cast<AidKeystroke*>(gen.getUserInputObj(nullptr, b.bytes, &c.word));
    ASSERT_NE(k, nullptr) << c.word;
    EXPECT_EQ(k->aid(), c.aid) << c.word;
  }
  const unsigned int numbers[] = {0, 1, 2, 3, 1111, 23, 27, 29, 0, 9999, 31, 35};
  for (unsigned char code = 1; code <= 11; ++code) {
    Buffer b;
    const FunctionWord w{23, code};
    auto* e = dynamic_cast<OperatorError*>(gen.getUserInputObj(nullptr, b.bytes, &w));
    if (code == 8) {
      EXPECT_EQ(e, nullptr);
      continue;
    }
    ASSERT_NE(e, nullptr) << unsigned(code);
    EXPECT_EQ(e->number(), numbers[code]);
  }
}

TEST(InputObjects, WordsWithoutAnObjectMakeNone) {
  InObjGen gen;
  const FunctionWord none[] = {{0, 0},  {1, 0},  {1, 18}, {2, 6},  {3, 13}, {3, 14}, {3, 16}, {3, 17},
                               {3, 34}, {4, 4},  {5, 0},  {5, 25}, {6, 13}, {7, 1},  {20, 0}, {23, 0},
                               {23, 8}, {23, 12}, {24, 0}, {25, 1}, {26, 14}, {27, 0}, {39, 0x40}, {255, 255}};
  for (const FunctionWord& w : none) {
    Buffer b;
    EXPECT_EQ(gen.getUserInputObj(nullptr, b.bytes, &w), nullptr) << w;
  }
}

TEST(InputObjects, KeysWithoutAnObjectAreOperatorErrorsNotHalts) {
  KeyStation st;
  FunctionWord w{3, 13};
  st.display.inObjGen().processKeystrokeEvent(&st.display, &w);
  EXPECT_EQ(st.keyboard().state(), KeyboardState::kError);
  EXPECT_EQ(st.keyboard().getErrorCode(), 2u);
}

TEST(InputObjects, MouseClassesCarryTheirButtonNumbers) {
  // Every mouse word is dispatched without a halt.
  for (unsigned char code = 0; code <= 18; ++code) {
    KeyStation st;
    FunctionWord w{27, code};
    EXPECT_EQ(st.display.inObjGen().processMouseEvent(&st.display, &w, 5), 0u);
  }
  const struct {
    MouseEvent* (*make)(void*);
    unsigned int button;
  } cases[] = {
      {[](void* p) -> MouseEvent* { return new (p) LeftButtonPress(3); }, 1},
      {[](void* p) -> MouseEvent* { return new (p) MiddleButtonRelease(3); }, 8},
      {[](void* p) -> MouseEvent* { return new (p) MiddleButtonPress(3); }, 7},
      {[](void* p) -> MouseEvent* { return new (p) ShiftedMiddleButtonPress(3); }, 16},
      {[](void* p) -> MouseEvent* { return new (p) ShiftedMiddleButtonDoubleClick(3); }, 18},
      {[](void* p) -> MouseEvent* { return new (p) MouseMovementEvent(3); }, 0},
  };
  for (const auto& c : cases) {
    Buffer b;
    MouseEvent* m = c.make(b.bytes);
    EXPECT_EQ(m->button(), c.button);
    EXPECT_EQ(m->offset(), 3u);
  }
}

TEST(InputObjects, WrongMouseAndMenuEventsAreIgnored) {
  KeyStation st;
  FunctionWord notMouse{25, 1};
  EXPECT_EQ(st.display.inObjGen().processMouseEvent(&st.display, &notMouse, 0), 0u);
  FunctionWord tooHigh{27, 19};
  EXPECT_EQ(st.display.inObjGen().processMouseEvent(&st.display, &tooHigh, 0), 0u);
  FunctionWord status{27, 23};
  const unsigned char bytes[2] = {1, 2};
  EXPECT_EQ(st.display.inObjGen().processImageStatusEvent(&st.display, &status, bytes), 0u);
  EXPECT_EQ(st.display.inObjGen().processMenuEvent(&st.display, 3), 0u);
  EXPECT_EQ(st.display.inObjGen().processMenuEvent(&st.display, -1), 0u);
  EXPECT_EQ(st.keyboard().state(), KeyboardState::kNormalUnlocked);
}

}  // namespace
