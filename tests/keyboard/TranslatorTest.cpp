// The keyboard translator over a whole display station: key records in,
// function words and input objects out.
#include <gtest/gtest.h>

#include <cstring>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "keyboard/XltState.h"
#include "tests/display/StreamHelpers.h"
#include "tests/keyboard/KeyStation.h"

namespace {

// The error code as the keyboard state keeps it: the four digits shown.
unsigned int Shown(unsigned int n) {
  return (n / 1000 % 10) << 12 | (n / 100 % 10) << 8 | (n / 10 % 10) << 4 | n % 10;
}

// ---- table lookup per table and shift state ---------------------------------------------------

struct LookupCase {
  unsigned char type;
  unsigned char scan;
  unsigned int held;   // XltState word-0 bits
  bool upper;
  FunctionWord expected;
};

TEST(KeyTranslation, LooksKeysUpPerTableAndShiftState) {
  const unsigned int kShift = XltState::kLeftShift;
  const LookupCase cases[] = {
      // The rows every table shares.
      {kTable1, 0x01, 0, false, {10, 0xA9}},           // z
      {kTable1, 0x01, kShift, true, {9, 0xE9}},        // Z
      {kTable1, 0x31, 0, false, {13, 0xF1}},           // top-row 1
      {kTable1, 0x3A, 0, false, {13, 0xF0}},           // top-row 0
      {kTable1, 0x31, kShift, true, {11, 0x5A}},       // !
      {kTable1, 0x40, 0, false, {14, 0xF0}},           // numeric pad 0
      {kTable1, 0x49, kShift, true, {14, 0xF9}},       // numeric pad 9
      {kTable1, 0x0F, 0, false, {16, 0x40}},           // space
      {kTable1, 0x54, 0, false, {32, 1}},              // Shift Lock
      {kTable1, 0x56, 0, false, {32, 3}},              // right Shift
      {kTable1, 0x57, 0, false, {32, 2}},              // left Shift
      {kTable1, 0xD7, 0, false, {33, 2}},              // left Shift released
      {kTable1, 0x3E, 0, false, {38, 2}},              // dead key
      {kTable1, 0x51, 0, false, {23, 3}},
      {kTable1, 0x00, 0, false, {35, 0}},
      {kTable1, 0x1D, 0, false, {34, 0}},
      {kTable1, 0xFF, 0, false, {36, 0}},              // overrun
      {kTable1, 0x70, 0, false, {5, 1}},
      {kTable1, 0x7B, kShift, true, {5, 24}},
      // Upper shift without a Shift key (automatic shift) only shifts data keys.
      {kTable1, 0x01, 0, true, {9, 0xE9}},
      {kTable1, 0x52, 0, true, {1, 10}},
      {kTable1, 0x52, kShift, true, {1, 12}},
      // Typewriter tables have data keys on the pad's minus and plus, the
      // data-entry tables Field Minus and Field Plus.
      {kTable1, 0x4B, 0, false, {11, 0x60}},
      {kTable2, 0x4B, 0, false, {2, 2}},
      {kTable2, 0x4C, 0, false, {2, 3}},
      {kTable3, 0x4A, 0, false, {11, 0x6B}},           // decimal comma tables
      {kTable4, 0x4A, 0, false, {11, 0x6B}},
      {kTable2, 0x4A, 0, false, {11, 0x4B}},
      // The six-plane table: PF keys on their own keys, Caps Lock, Alt, layers.
      {kTable5, 0x0B, 0, false, {5, 13}},
      {kTable5, 0x30, 0, false, {5, 24}},
      {kTable5, 0x70, kShift, true, {5, 1}},
      {kTable5, 0x54, 0, false, {32, 9}},
      {kTable5, 0x55, 0, false, {32, 7}},
      {kTable5, 0x7E, 0, false, {32, 13}},
  };
  for (const LookupCase& c : cases) {
    KeyStation st(c.type);
    XltState s;
    s.w[0] = c.held;
    s.setUpperShift(c.upper);
    EXPECT_EQ(st.tax().getFW(c.scan, &s), c.expected) << "type " << unsigned(c.type) << " scan " << unsigned(c.scan);
  }
}

TEST(KeyTranslation, PlanesBeyondTheTableAreNotValidKeys) {
  // A two-plane table has no language plane and no Alt plane.
  KeyStation st(kTable1);
  XltState language;
  language.setLanguageShift(true);
  EXPECT_EQ(st.tax().getFW(kScanA, &language), (FunctionWord{35, 0}));
  XltState alt;
  alt.w[0] = XltState::kAltActive | XltState::kLeftAlt;
  EXPECT_EQ(st.tax().getFW(kScanA, &alt), (FunctionWord{35, 0}));
  XltState layer;
  layer.setLayer(true);
  layer.setLanguageShift(true);
  EXPECT_EQ(st.tax().getFW(kScanA, &layer), (FunctionWord{35, 0}));
}

TEST(KeyTranslation, DefaultTableNameFollowsTheKeyboardType) {
  const struct {
    unsigned char type;
    unsigned char digit;
  } cases[] = {{0x20, 0xF5}, {0xA8, 0xF5}, {0x80, 0xF1}, {0x88, 0xF3}, {0x00, 0xF2}, {0x08, 0xF4}};
  for (const auto& c : cases) {
    TAXlate tax;
    tax.setKeyboardType(c.type);
    RuName name;
    tax.getDefaultTableRuName(name);
    const unsigned char expected[8] = {0xC1, 0xD1, 0xD3, c.digit, 0xE8, 0xF0, 0xC2, 0xC3};
    EXPECT_EQ(0, std::memcmp(name.bytes, expected, 8)) << unsigned(c.type);
  }
}

// ---- keys through the whole station ---------------------------------------------------------

TEST(KeyTranslation, DataKeysAreOutputWithTheShiftOfTheirMoment) {
  KeyStation st(kTable1);
  st.keys({kScanA});
  st.press(kScanLeftShift);
  st.keys({kScanB});
  st.release(kScanLeftShift);
  st.keys({kScanB});
  const std::vector<FunctionWord> expected = {{10, 0x81}, {9, 0xC2}, {10, 0x82}};
  EXPECT_EQ(st.words, expected);
}

TEST(KeyTranslation, EnterAndPFKeysPostTheirAids) {
  const struct {
    std::vector<unsigned char> scans;
    unsigned char aid;
  } cases[] = {
      {{kScanEnter}, 0xF1},
      {{kScanPF1}, 0x31},
      {{0x7B}, 0x3C},                                    // PF12
      {{kScanLeftShift, kScanPF1}, 0xB1},                // PF13
      {{kScanLeftShift, 0x7B}, 0xBC},                    // PF24
      {{kScanHelp}, 0xF3},
      {{0x6C}, 0xBD},                                    // Clear
      {{0x6A}, 0xF5},                                    // Roll Up
      {{0x6B}, 0xF4},                                    // Roll Down
      {{0x6D}, 0x6C},                                    // PA1
      {{kScanLeftShift, 0x6D}, 0x6E},                    // PA2
      {{0x6E}, 0x6B},                                    // PA3
      {{kScanCommand, kScanTop5}, 0x35},                 // command key + 5: PF5
      {{kScanLeftShift, kScanCommand, kScanTop5}, 0xB5}, // with Shift: PF17
      {{kScanShiftLock, kScanCommand, kScanTop5}, 0xB5}, // Shift Lock too
      {{kScanCommand, 0x3C}, 0x3C},                      // command + top-row 12th key: PF12
  };
  for (const auto& c : cases) {
    KeyStation st(kTable1);
    for (unsigned char s : c.scans) st.key(s);
    EXPECT_EQ(st.display.readMgr().lastActivatedAid(), c.aid) << unsigned(c.scans.back());
    EXPECT_EQ(st.display.readMgr().activations(), 1u);
    EXPECT_EQ(st.keyboard().state(), KeyboardState::kNormalLocked);
  }
}

TEST(KeyTranslation, CommandKeySequencesInDataProcessing) {
  const struct {
    std::vector<unsigned char> scans;
    FunctionWord expected;
  } cases[] = {
      {{kScanCommand, kScanTop1}, {5, 1}},
      {{kScanCommand, 0x3D}, {6, 6}},                       // Test Request
      {{kScanLeftShift, kScanCommand, 0x3D}, {6, 5}},       // Clear
      {{kScanCommand, kScanA}, {23, 3}},                    // not a command sequence
      {{kScanCommand, kScanLeftShift, kScanHex}, {3, 9}},   // Shift held at the second key
      {{kScanCommand, kScanReset}, {4, 1}},                 // Reset cancels: nothing is output
  };
  for (const auto& c : cases) {
    KeyStation st(kTable1);
    for (unsigned char s : c.scans) st.key(s);
    if (c.expected == FunctionWord{4, 1}) {
      EXPECT_TRUE(st.words.empty());
      EXPECT_FALSE(st.tax().replayModes().modesSet());
    } else {
      ASSERT_FALSE(st.words.empty());
      EXPECT_EQ(st.last(), c.expected);
    }
  }
}

TEST(KeyTranslation, CommandKeyWithInsertOrHelpIsAnOperatorError) {
  // The words these sequences used to give have no input object.
  for (unsigned char second : {kScanInsert, kScanHelp}) {
    KeyStation st(kTable2);
    st.display.options().optionWord |= StationOptions::kHiddenDataCheck;
    st.keys({kScanCommand, second});
    EXPECT_EQ(st.last(), (FunctionWord{23, 3}));
    EXPECT_EQ(st.keyboard().state(), KeyboardState::kError);
    EXPECT_EQ(st.keyboard().getErrorCode(), Shown(3));
  }
}

// ---- hex entry ------------------------------------------------------------------------------

TEST(KeyTranslation, HexEntry) {
  const struct {
    std::vector<unsigned char> digits;
    FunctionWord expected;
    unsigned int error;
  } cases[] = {
      {{kScanTop4, kScanTop1}, {11, 0x41}, 0},
      {{kScanA, kScanB}, {11, 0xAB}, 0},                      // letters A-F
      {{kScanLeftShift, kScanE, kScanE}, {11, 0xEE}, 0},      // upper-case letters
      {{0x40 + 7, 0x40 + 5}, {11, 0x75}, 0},                  // numeric pad
      {{kScanTop3}, {23, 5}, 23},                             // below 0x40
      {{kScanTop4, kScanQ}, {23, 5}, 23},                     // second key not a digit
      {{kScanQ}, {23, 5}, 23},                                // first key not a digit
      {{0x2B /* [ */}, {23, 5}, 23},
  };
  for (const auto& c : cases) {
    KeyStation st(kTable1);
    st.keys({kScanCommand, kScanHex});
    for (unsigned char s : c.digits) st.key(s);
    ASSERT_EQ(st.words.size(), 1u) << unsigned(c.expected.code);
    EXPECT_EQ(st.last(), c.expected);
    if (c.error) EXPECT_EQ(st.keyboard().getErrorCode(), Shown(c.error));
    EXPECT_FALSE(st.tax().replayModes().modesSet());
  }
}

TEST(KeyTranslation, HexFFIsRefused) {
  KeyStation st(kTable1);
  st.keys({kScanCommand, kScanHex, 0x14 /* f */, 0x14});
  EXPECT_EQ(st.last(), (FunctionWord{23, 5}));
}

TEST(KeyTranslation, HexKTogglesTypeAheadAndHexMReportsIt) {
  KeyStation st(kTable1);
  ASSERT_TRUE(st.tax().typeAheadOn());
  st.keys({kScanCommand, kScanHex, kScanM});
  EXPECT_EQ(st.keyboard().getErrorCode(), Shown(1111));
  st.keyboard().exitErrorState();
  st.keys({kScanCommand, kScanHex, kScanK});
  EXPECT_FALSE(st.tax().typeAheadOn());
  st.keys({kScanCommand, kScanHex, kScanM});
  EXPECT_EQ(st.keyboard().getErrorCode(), Shown(9999));
  st.keyboard().exitErrorState();
  st.keys({kScanCommand, kScanHex, kScanK});
  EXPECT_TRUE(st.tax().typeAheadOn());
}

// ---- dead keys ------------------------------------------------------------------------------

TEST(KeyTranslation, DeadKeys) {
  const unsigned char kShiftUp = kScanLeftShift | kScanRelease;
  const struct {
    std::vector<unsigned char> scans;  // records as typed, releases included
    FunctionWord expected;
  } cases[] = {
      {{kScanDead, kScanE}, {12, 0x54}},                                          // grave + e: è
      {{kScanDead, kScanLeftShift, kScanE, kShiftUp}, {11, 0x74}},                // grave + E: È
      {{kScanLeftShift, kScanDead, kShiftUp, kScanE}, {10, 0x51}},                // acute + e: é
      {{kScanLeftShift, kScanDead, kScanE, kShiftUp}, {9, 0x71}},                 // acute + E: É
      {{kScanDead, kScanSpace}, {11, 0x79}},                                      // grave + space: `
      {{kScanDead, kScanB}, {23, 7}},                                             // error 29
  };
  for (const auto& c : cases) {
    KeyStation st(kTable1);
    for (unsigned char s : c.scans) st.key(s);
    ASSERT_EQ(st.words.size(), 1u);
    EXPECT_EQ(st.last(), c.expected);
    if (c.expected.category == 23) EXPECT_EQ(st.keyboard().getErrorCode(), Shown(29));
  }
}

TEST(KeyTranslation, DeadKeyShowsTheDiacriticIndicatorUntilTheNextKey) {
  KeyStation st(kTable1);
  st.key(kScanDead);
  EXPECT_TRUE(st.display.indicators().current().get() & Indicators::kDiacritic);
  st.key(kScanE);
  EXPECT_FALSE(st.display.indicators().current().get() & Indicators::kDiacritic);
}

// ---- caps lock, shifts ------------------------------------------------------------------------

TEST(KeyTranslation, CapsLockMonocasesLetters) {
  KeyStation st(kTable5);
  st.press(kScanCapsLock);
  st.release(kScanCapsLock);
  st.keys({kScanA, kScanTop1});
  st.press(kScanCapsLock);
  st.release(kScanCapsLock);
  st.keys({kScanA});
  const std::vector<FunctionWord> expected = {{10, 0xC1}, {13, 0xF1}, {10, 0x81}};
  EXPECT_EQ(st.words, expected);
}

TEST(ShiftStates, ShiftKeyEdgeCases) {
  {  // Releasing left Shift while right Shift is held keeps upper shift.
    KeyStation st(kTable1);
    st.press(kScanLeftShift);
    st.press(kScanRightShift);
    st.release(kScanLeftShift);
    EXPECT_TRUE(st.tax().arrivalState().upperShift());
    st.key(kScanA);
    EXPECT_EQ(st.last(), (FunctionWord{9, 0xC1}));
    st.release(kScanRightShift);
    EXPECT_FALSE(st.tax().arrivalState().upperShift());
  }
  {  // The same on a data-entry keyboard, where the left Shift's release
     // also runs the automatic shift.
    KeyStation st(kTable2);
    st.press(kScanLeftShift);
    st.press(kScanRightShift);
    st.release(kScanLeftShift);
    EXPECT_TRUE(st.tax().arrivalState().upperShift());
  }
  {  // Caps Lock twice leaves caps lock off; a lone release changes nothing.
    KeyStation st(kTable5);
    st.release(kScanCapsLock);
    EXPECT_FALSE(st.tax().arrivalState().caps());
    st.press(kScanCapsLock);
    st.release(kScanCapsLock);
    EXPECT_TRUE(st.tax().arrivalState().caps());
    EXPECT_TRUE(st.display.indicators().current().get() & Indicators::kCapsLock);
    st.press(kScanCapsLock);
    st.release(kScanCapsLock);
    EXPECT_FALSE(st.tax().arrivalState().caps());
  }
  {  // Shift Lock latches on release; a Shift press and release after a data key releases it.
    KeyStation st(kTable1);
    st.press(kScanShiftLock);
    st.release(kScanShiftLock);
    EXPECT_TRUE(st.tax().arrivalState().upperShift());
    st.key(kScanA);
    EXPECT_EQ(st.last(), (FunctionWord{9, 0xC1}));
    st.press(kScanLeftShift);
    st.release(kScanLeftShift);
    EXPECT_FALSE(st.tax().arrivalState().upperShift());
  }
}

TEST(ShiftStates, LayerKeysSwitchTheLayerUntilADataKey) {
  KeyStation st(kTable5);
  st.press(0x7E);
  st.release(0x7E);
  EXPECT_TRUE(st.tax().arrivalState().layer());
  st.key(kScanA);
  EXPECT_EQ(st.last(), (FunctionWord{10, 0x81}));
  EXPECT_FALSE(st.tax().arrivalState().layer());
}

TEST(ShiftStates, AltPlaneGivesNoFunctionOnTheSixPlaneTable) {
  KeyStation st(kTable5);
  st.press(0x55);
  st.key(kScanA);
  st.release(0x55);
  st.key(kScanA);
  const std::vector<FunctionWord> expected = {{10, 0x81}};
  EXPECT_EQ(st.words, expected);
}

TEST(ShiftStates, AutomaticUpperShiftShiftsOnlyDataKeys) {
  KeyStation st(kTable2);
  // With an automatic upper shift the lookup gives the shifted data key and
  // the unshifted function key.
  XltState automatic;
  automatic.setUpperShift(true);
  EXPECT_EQ(st.tax().getFW(kScanTop1, &automatic), (FunctionWord{11, 0x5A}));
  EXPECT_EQ(st.tax().getFW(kScanTab, &automatic), (FunctionWord{1, 10}));
}

// ---- type-ahead -----------------------------------------------------------------------------

TEST(TypeAhead, KeysTypedWhileLockedReplayInOrderWithTheShiftOfTheirMoment) {
  KeyStation st(kTable1);
  st.lock();
  ASSERT_TRUE(st.tax().queueMode());
  st.key(kScanA);
  st.press(kScanLeftShift);
  st.key(kScanB);
  st.release(kScanLeftShift);
  st.key(kScanZ);
  EXPECT_TRUE(st.words.empty());
  EXPECT_EQ(st.tax().queuedKeys(), 5u);
  st.unlock();
  const std::vector<FunctionWord> expected = {{10, 0x81}, {9, 0xC2}, {10, 0xA9}};
  EXPECT_EQ(st.words, expected);
  EXPECT_EQ(st.tax().queuedKeys(), 0u);
}

TEST(TypeAhead, ReplayStopsWhenAQueuedAidLocksTheKeyboardAgain) {
  KeyStation st(kTable1);
  st.inputField(0, 79);
  st.lock();
  st.keys({kScanA, kScanEnter, kScanB});
  st.unlock();
  const std::vector<FunctionWord> first = {{10, 0x81}, {6, 4}};
  EXPECT_EQ(st.words, first);
  EXPECT_EQ(st.tax().queuedKeys(), 1u);
  EXPECT_EQ(st.display.readMgr().lastActivatedAid(), 0xF1);
  st.unlock();
  EXPECT_EQ(st.last(), (FunctionWord{10, 0x82}));
}

TEST(TypeAhead, TheThousandthKeyInhibitsAndTheNextIsLostWithOverrun) {
  KeyStation st(kTable1);
  st.lock();
  for (int i = 0; i < 999; ++i) st.key(kScanA);
  EXPECT_FALSE(st.tax().inputWord() & TAXlate::kInputInhibited);
  st.key(kScanA);
  EXPECT_EQ(st.tax().queuedKeys(), 1000u);
  EXPECT_TRUE(st.tax().inputWord() & TAXlate::kInputInhibited);
  EXPECT_FALSE(st.tax().inputWord() & TAXlate::kInputOverrun);
  st.key(kScanB);
  EXPECT_EQ(st.tax().queuedKeys(), 1000u);
  EXPECT_TRUE(st.tax().inputWord() & TAXlate::kInputOverrun);
  // Shift keys still find room above the limit.
  st.press(kScanLeftShift);
  st.release(kScanLeftShift);
  EXPECT_EQ(st.tax().queuedKeys(), 1002u);
  st.unlock();
  EXPECT_EQ(st.words.size(), 1000u);
  EXPECT_EQ(st.tax().queuedKeys(), 0u);
  EXPECT_FALSE(st.tax().inputWord() & TAXlate::kInputInhibited);
  EXPECT_FALSE(st.tax().replayState().held(XltState::kLeftShift));
}

TEST(TypeAhead, AShiftReleaseThatFindsNoSlotIsAppliedAtOnce) {
  KeyStation st(kTable1);
  st.press(kScanLeftShift);  // held before the keyboard locks
  st.lock();
  for (int i = 0; i < 1000; ++i) st.key(kScanA);
  // Fill the slots above the limit with shift keys.
  for (int i = 0; i < 4; ++i) {
    st.press(kScanRightShift);
    st.release(kScanRightShift);
  }
  EXPECT_TRUE(st.tax().typeAhead().queue().queueFull());
  st.release(kScanLeftShift);
  EXPECT_FALSE(st.tax().replayState().held(XltState::kLeftShift));
}

TEST(TypeAhead, AnOperatorErrorEmptiesTheQueue) {
  KeyStation st(kTable1);
  st.inputField(0, 79);
  st.lock();
  st.keys({kScanA, kScanNotValidEntry, kScanB, kScanZ});
  st.unlock();
  const std::vector<FunctionWord> expected = {{10, 0x81}, {23, 3}};
  EXPECT_EQ(st.words, expected);
  EXPECT_EQ(st.tax().queuedKeys(), 0u);
  EXPECT_EQ(st.keyboard().state(), KeyboardState::kError);
  EXPECT_EQ(st.keyboard().getErrorCode(), Shown(3));
}

TEST(TypeAhead, KeysWhileLockedWithTypeAheadOffAreDropped) {
  KeyStation st(kTable1);
  st.tax().TAOverride(0);
  ASSERT_FALSE(st.tax().typeAheadOn());
  st.lock();
  st.keys({kScanA, kScanB});
  EXPECT_EQ(st.tax().queuedKeys(), 0u);
  st.unlock();
  EXPECT_TRUE(st.words.empty());
  st.key(kScanA);
  EXPECT_EQ(st.last(), (FunctionWord{10, 0x81}));
}

TEST(TypeAhead, AttentionWaitsBehindEarlierKeysAndResetPassesTheQueue) {
  KeyStation st(kTable1);
  st.lock();
  st.keys({kScanA, kScanAttention});
  EXPECT_EQ(st.tax().queuedKeys(), 2u);
  st.key(kScanReset);
  // Reset empties the queue and acts at once.
  EXPECT_EQ(st.tax().queuedKeys(), 0u);
  EXPECT_EQ(st.last(), (FunctionWord{4, 1}));
}

TEST(TypeAhead, TurningOffWhileKeysAreQueuedWaitsForTheQueue) {
  KeyStation st(kTable1);
  st.lock();
  st.keys({kScanA, kScanB});
  st.tax().turnTAOffCtl();
  EXPECT_EQ(st.host.globalTypeAhead, 0);
  EXPECT_TRUE(st.tax().typeAheadOn());
  EXPECT_TRUE(st.tax().typeAheadByte() & TAXlate::kTAOffPending);
  st.unlock();
  EXPECT_EQ(st.words.size(), 2u);
  EXPECT_FALSE(st.tax().typeAheadOn());
  st.tax().turnTAOnCtl();
  EXPECT_TRUE(st.tax().typeAheadOn());
}

TEST(TypeAhead, OverrideDecidesOverTheDeviceWish) {
  TAXlate tax;
  tax.TAOverride(1);
  tax.turnTAOffDev(0);  // only the wish
  EXPECT_TRUE(tax.typeAheadOn());
  tax.TAOverride(2);  // follows the wish: off
  EXPECT_FALSE(tax.typeAheadOn());
  tax.turnTAOnDev(0);
  EXPECT_TRUE(tax.typeAheadOn());
  tax.TAOverride(0);
  EXPECT_FALSE(tax.typeAheadOn());
  tax.TAOverride(7);  // only stored
  EXPECT_EQ(tax.typeAheadOverride(), 7);
  EXPECT_FALSE(tax.typeAheadOn());
}

// ---- other records --------------------------------------------------------------------------

TEST(Records, FixedFunctionRecordsAreOperatorErrors) {
  for (unsigned long length : {35ul, 1ul, 0ul}) {
    KeyStation st(kTable1);
    EXPECT_EQ(st.tax().tax(4, nullptr, length), 0);
    EXPECT_EQ(st.last(), (FunctionWord{23, static_cast<unsigned char>(length == 35 ? 11 : 10)}));
    EXPECT_EQ(st.keyboard().getErrorCode(), Shown(length == 35 ? 35 : 31));
  }
}

TEST(Records, UnknownOrEmptyRecordsAreRefusedAndChangeNothing) {
  KeyStation st(kTable1);
  const unsigned char data[3] = {1, 2, 3};
  EXPECT_EQ(st.tax().tax(5, data, 3), TAXlate::kRecordRefused);
  EXPECT_EQ(st.tax().tax(200, data, 3), TAXlate::kRecordRefused);
  EXPECT_EQ(st.tax().tax(0, data, 0), TAXlate::kRecordRefused);
  EXPECT_EQ(st.tax().tax(0, nullptr, 1), TAXlate::kRecordRefused);
  EXPECT_TRUE(st.words.empty());
  EXPECT_EQ(st.host.osbErrors, 0);
}

TEST(Records, MouseRecords) {
  const struct {
    unsigned char left, right, middle;
    bool shift;
    int expectedCode;  // -1: nothing; -2: negative response
  } cases[] = {
      {1, 0, 0, false, 1}, {3, 0, 0, false, 3}, {0, 2, 0, false, 5},  {0, 0, 1, false, 7},
      {0, 0, 0, false, 0}, {1, 0, 0, true, 10}, {0, 0, 3, true, 18}, {4, 0, 0, false, -2},
      {0, 9, 0, false, -2},
  };
  for (const auto& c : cases) {
    KeyStation st(kTable1);
    st.display.options().optionWord |= 0x00200000u;
    if (c.shift) st.press(kScanLeftShift);
    st.words.clear();
    unsigned char record[40] = {1, c.left, c.right, c.middle, 0, 0x00, 0x52};
    const unsigned char r = st.tax().tax(1, record, sizeof record);
    if (c.expectedCode == -2) {
      EXPECT_EQ(r, TAXlate::kDeviceRecordError);
      EXPECT_EQ(st.host.osbErrors, 1);
      EXPECT_TRUE(st.words.empty());
    } else {
      EXPECT_EQ(r, 0);
      ASSERT_EQ(st.words.size(), 1u);
      EXPECT_EQ(st.last(), (FunctionWord{27, static_cast<unsigned char>(c.expectedCode)}));
    }
    EXPECT_EQ(st.tax().talkMode(), 0);
  }
}

TEST(Records, MouseRecordsThatTheDisplayDoesNotTakeMakeNoObject) {
  KeyStation st(kTable1);
  unsigned char record[40] = {1, 1, 0, 0, 0, 0, 5};
  EXPECT_EQ(st.tax().tax(1, record, sizeof record), 0);
  EXPECT_EQ(st.last(), (FunctionWord{25, 1}));
  // With a mode open the record ends it with the mode's operator error.
  st.key(kScanCommand);
  EXPECT_EQ(st.tax().tax(1, record, sizeof record), 0);
  EXPECT_EQ(st.last(), (FunctionWord{23, 3}));
  EXPECT_FALSE(st.tax().replayModes().modesSet());
  EXPECT_EQ(st.keyboard().state(), KeyboardState::kError);
}

TEST(Records, ExportAndImageStatusRecords) {
  KeyStation st(kTable1);
  st.display.options().optionWord |= 0x00004000u;
  unsigned char exportRecord[40] = {2};
  EXPECT_EQ(st.tax().tax(1, exportRecord, sizeof exportRecord), 0);
  EXPECT_EQ(st.last(), (FunctionWord{27, 19}));
  unsigned char status[40] = {8, 2, 0x11, 0x22};
  EXPECT_EQ(st.tax().tax(1, status, sizeof status), 0);
  EXPECT_EQ(st.last(), (FunctionWord{27, 21}));
  const size_t before = st.words.size();
  unsigned char badStatus[40] = {8, 7};
  EXPECT_EQ(st.tax().tax(1, badStatus, sizeof badStatus), 0);
  EXPECT_EQ(st.words.size(), before);
  // Records longer than a device record are cut to it.
  std::vector<unsigned char> longRecord(400, 0);
  longRecord[0] = 8;
  longRecord[1] = 1;
  EXPECT_EQ(st.tax().tax(1, longRecord.data(), longRecord.size()), 0);
  EXPECT_EQ(st.last(), (FunctionWord{27, 20}));
}

TEST(Records, LightPenAndStripeReader) {
  KeyStation st(kTable1);
  const unsigned char pen[2] = {0x25, 0x93};
  EXPECT_EQ(st.tax().tax(3, pen, 2), 0);
  EXPECT_EQ(st.last(), (FunctionWord{25, 2}));
  EXPECT_EQ(st.tax().tax(2, pen, 2), 0);
  EXPECT_EQ(st.last(), (FunctionWord{25, 1}));
  EXPECT_EQ(st.tax().tax(3, nullptr, 0), 0);
}

// ---- save and restore -----------------------------------------------------------------------

TEST(TranslatorSaveRestore, LanguageShiftTravelsOnEveryKeyboard) {
  for (bool on : {true, false}) {
    TAXlate from;
    from.setLanguageShift(on);
    const std::vector<unsigned char> image = SaveStream([&](qrnOStream* o) { from.saveTaxStuff(o); }, 64);
    qrnIStream in(image.data(), image.size());
    ASSERT_FALSE(in.checkFCS());
    TAXlate to;
    to.setLanguageShift(!on);
    EXPECT_EQ(to.restoreTaxStuff(&in), 0u);
    EXPECT_EQ(to.languageShift(), on);
  }
}

}  // namespace
