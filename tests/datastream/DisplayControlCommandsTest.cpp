// Write Error Code and its window form, Roll, Graphic Character Load and the
// display-customisation structured field, run through the data stream
// manager of a display station.
#include <gtest/gtest.h>

#include "datastream/DsmSense.h"
#include "keyboard/KeystrokeClasses.h"
#include "tests/datastream/DsmRecords.h"

namespace {

constexpr uint32_t kSeparateErrorLine = 0x00000010u;  // characteristics word 0
constexpr uint32_t kDoubleByte = 0x00800000u;         // characteristics word 0

DisplayCharacteristics WithErrorRow25() {
  DisplayCharacteristics c;
  c.word[0] |= kSeparateErrorLine;
  return c;
}

void Reset(DisplayBag& d) {
  ResetKeystroke reset;
  d.processUserInputObject(&reset);
}

// Write Error Code on the error line of a 24-row station and of one with a
// 25th row: the message replaces the line, the keyboard is in the error
// state with the code of the message's second to fifth bytes, and Reset
// brings back the line and the keyboard.
TEST(WriteErrorCode, ShowsTheMessageLocksAndResetBringsBackTheLine) {
  struct Case {
    const char* name;
    DisplayCharacteristics c;
    unsigned int row;
  };
  const Case cases[] = {{"error line on row 24", DisplayCharacteristics(), 24},
                        {"error line on row 25", WithErrorRow25(), 25}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    DsmStation s(k.c);
    ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).sba(24, 1).text("F3=Exit  F12=Cancel").sba(3, 1).text("Body")),
              0u);
    ASSERT_EQ(s.keyboard().state(), KeyboardState::kNormalUnlocked);
    const unsigned int line = (k.row - 1) * 80;
    const std::vector<unsigned char> lineBefore = s.screen(line, 80);

    // "CPF1234": bytes 2 to 5 are P F 1 2 (D7 C6 F1 F2).
    ASSERT_EQ(s.run(Record().bytes({0x04, 0x21}).text("CPF1234 Value not valid")), 0u);
    EXPECT_EQ(s.screen(line, 23), Cp037("CPF1234 Value not valid"));
    EXPECT_EQ(s.keyboard().state(), KeyboardState::kError);
    EXPECT_EQ(s.keyboard().getErrorCode(), 0x7612u);
    EXPECT_EQ(s.screen(s.offset(3, 1), 4), Cp037("Body"));

    const bool extraRow = k.row == 25;
    EXPECT_EQ((s.display.controlData().controlWord() & KeyboardState::kErrorLineOnExtraRow) != 0, extraRow)
        << "the extra row is shown while the error lasts";

    Reset(s.display);
    EXPECT_EQ(s.keyboard().state(), KeyboardState::kNormalUnlocked);
    EXPECT_FALSE(s.display.controlData().controlWord() & KeyboardState::kErrorLineOnExtraRow);
    // Row 24 shows its own line again; the extra row is simply not shown.
    if (!extraRow) EXPECT_EQ(s.screen(line, 80), lineBefore);
  }
}

TEST(WriteErrorCode, LongMessagesAreCutAndCodesTakeFourNibbles) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08)), 0u);
  std::vector<unsigned char> message = {0x04, 0x21, 0x40, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5};
  message.resize(2 + 100, 0xC1);  // 100 bytes for an 80-column line
  ASSERT_EQ(s.run(message), 0u);
  EXPECT_EQ(s.keyboard().getErrorCode(), 0x1234u);
  EXPECT_EQ(s.screen(23 * 80, 7), std::vector<unsigned char>({0x40, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xC1}));
  EXPECT_EQ(s.screen(23 * 80 + 79, 1), std::vector<unsigned char>{0xC1});
  EXPECT_EQ(s.screen(24 * 80, 1), std::vector<unsigned char>{0x00}) << "nothing beyond the line";

  DsmStation one;
  ASSERT_EQ(one.run(Record().clearUnit().wtd(0, 0x08)), 0u);
  ASSERT_EQ(one.run(Record().bytes({0x04, 0x21, 0xC1})), 0u);
  EXPECT_EQ(one.keyboard().getErrorCode(), 0u);
}

TEST(WriteErrorCode, InsertCursorOrderPlacesTheCursorAfterReset) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08)), 0u);
  ASSERT_EQ(s.run(Record().bytes({0x04, 0x21}).text("Bad").bytes({0x13, 10, 20}).text(" value")), 0u);
  EXPECT_EQ(s.screen(23 * 80, 9), Cp037("Bad value"));
  Reset(s.display);
  EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(10, 20));

  DsmStation bad;
  ASSERT_EQ(bad.run(Record().clearUnit().wtd(0, 0x08)), 0u);
  EXPECT_EQ(bad.run(Record().bytes({0x04, 0x21, 0xC1, 0x13, 0, 5})), dsm_sense::kBadRowColumn);
}

TEST(WriteErrorCode, WindowFormWritesInsideItsColumns) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).sba(24, 1).text("0123456789012345678901234567890123456789")),
            0u);
  const std::vector<unsigned char> before = s.screen(23 * 80, 80);
  // Columns 11 to 20; the message is longer than the window.
  ASSERT_EQ(s.run(Record().bytes({0x04, 0x22, 11, 20}).text("Window message too long")), 0u);
  EXPECT_EQ(s.screen(23 * 80, 10), std::vector<unsigned char>(before.begin(), before.begin() + 10));
  EXPECT_EQ(s.screen(23 * 80 + 10, 10), Cp037("Window mes"));
  EXPECT_EQ(s.screen(23 * 80 + 20, 20), std::vector<unsigned char>(before.begin() + 20, before.begin() + 40));
  EXPECT_EQ(s.keyboard().state(), KeyboardState::kError);
  Reset(s.display);
  EXPECT_EQ(s.screen(23 * 80, 80), before);

  DsmStation separate(WithErrorRow25());
  ASSERT_EQ(separate.run(Record().clearUnit().wtd(0, 0x08)), 0u);
  EXPECT_EQ(separate.run(Record().bytes({0x04, 0x22, 11, 20}).text("x")), 0x10050133u);
}

TEST(WriteErrorCode, RefusedInSystemRequest) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08)), 0u);
  ASSERT_TRUE(s.keyboard().enterSystemRequestState());
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x21}).text("x")), dsm_sense::kContention);
}

// A record whose fields do not fit together and that ends with a host error
// message: the record is refused, and although the message keeps the clear
// format table from running, no field of the bad table is kept. (Found by
// the data-stream fuzz target.)
TEST(WriteErrorCode, ARefusedRecordKeepsNoBadFieldsBehindAnErrorMessage) {
  DisplayCharacteristics c;
  c.word[0] |= 0x00000002u;
  c.word[1] |= 0x04000000u;
  c.word[0] &= ~(0x00000200u | 0x08000000u);
  DsmStation s(c);
  EXPECT_EQ(s.run(std::vector<unsigned char>{0x3d, 0xff}), dsm_sense::kNotAfterEscape);
  const std::vector<unsigned char> r = {
      0x04, 0x11, 0x04, 0x11, 0x97, 0x17, 0x17, 0x00, 0x11, 0x06, 0x0a, 0x1d, 0x43, 0x00, 0x22, 0x00, 0x11, 0x11,
      0x03, 0x0a, 0x5d, 0x1d, 0x43, 0x00, 0x22, 0x06, 0x0a, 0x1d, 0x43, 0x00, 0x22, 0x00, 0x11, 0x11, 0x03, 0x03,
      0x0a, 0x1d, 0x43, 0x00, 0x22, 0x06, 0x0a, 0xff, 0x40, 0x08, 0xff, 0x40, 0x08, 0xef, 0x24, 0x3d, 0xff, 0xff,
      0xff, 0xff, 0x04, 0x21, 0x11, 0x00};
  EXPECT_EQ(s.run(r), dsm_sense::kFormatTableInvalid);
  EXPECT_EQ(s.keyboard().state(), KeyboardState::kError);
  EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);
  EXPECT_EQ(s.table().fieldCount(), 0u);
}

// Rows 2 to 5 hold "row2" to "row5"; rolls of those rows by n.
TEST(Roll, MovesTheRowsInsideItsBoundsAndKeepsTheVacatedRows) {
  struct Case {
    const char* name;
    unsigned int control;
    const char* expected[4];  // rows 2 to 5 afterwards
  };
  const Case cases[] = {
      {"up by 1", 0x01, {"row3", "row4", "row5", "row5"}},
      {"up by 2", 0x02, {"row4", "row5", "row4", "row5"}},
      {"down by 1", 0x81, {"row2", "row2", "row3", "row4"}},
      {"down by 3", 0x83, {"row2", "row3", "row4", "row2"}},
      {"by 0", 0x80, {"row2", "row3", "row4", "row5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).sba(1, 1).text("row1").sba(2, 1).text("row2").sba(3, 1)
                        .text("row3").sba(4, 1).text("row4").sba(5, 1).text("row5").sba(6, 1).text("row6")),
              0u);
    ASSERT_EQ(s.run(Record().bytes({0x04, 0x23, c.control, 2, 5})), 0u);
    for (unsigned int r = 0; r < 4; ++r) EXPECT_EQ(s.screen(s.offset(r + 2, 1), 4), Cp037(c.expected[r])) << r;
    EXPECT_EQ(s.screen(s.offset(1, 1), 4), Cp037("row1"));
    EXPECT_EQ(s.screen(s.offset(6, 1), 4), Cp037("row6"));
  }
}

TEST(GraphicCharacterLoad, AcceptedOrRefusedByCharacterAndMatrixLength) {
  DisplayCharacteristics dbcs;
  dbcs.word[0] |= kDoubleByte;
  struct Case {
    const char* name;
    std::vector<unsigned int> parameters;
    size_t matrix;
    uint32_t sense;
  };
  const Case cases[] = {
      {"user character with a 72-byte matrix", {0x00, 0x01, 0xF1, 0x40, 0x48}, 0x48, 0},
      {"below a user range", {0x00, 0x01, 0xF1, 0x3F, 0x48}, 0x48, 0x1005012E},
      {"user character with a 116-byte matrix", {0x00, 0x01, 0xF2, 0xBF, 0x74}, 0x74, 0},
      {"no matrix for 0x4140", {0x00, 0x01, 0x41, 0x40, 0x00}, 0, 0},
      {"no matrix for the code itself", {0x12, 0x34, 0x12, 0x34, 0x00}, 0, 0},
      {"character beyond the user ranges", {0x00, 0x01, 0xF2, 0xC0, 0x48}, 0x48, 0x1005012E},
      {"matrix of 10 bytes", {0x00, 0x01, 0xF0, 0x40, 0x0A}, 10, 0x1005012E},
      {"four bytes only", {0x00, 0x01, 0xF0, 0x40}, 0, 0x10050110},
      {"matrix cut short", {0x00, 0x01, 0xF0, 0x40, 0x48}, 0x20, 0x10050110},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s(dbcs);
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    Record r;
    r.bytes({0x04, 0x31});
    for (unsigned int b : c.parameters) r.data.push_back(static_cast<unsigned char>(b));
    r.data.resize(r.data.size() + c.matrix, 0x11);
    if (!c.sense) r.wtd(0, 0).sba(2, 1).text("after");
    EXPECT_EQ(s.run(r), c.sense);
    if (!c.sense) EXPECT_EQ(s.screen(s.offset(2, 1), 5), Cp037("after"));
  }
}

TEST(DisplayCustomisation, SettingsAndSubfieldsAreApplied) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  DisplayBag& d = s.display;
  // Flag word B bits 21 and 19 on; the cursor subfield hides the cursor; the
  // keyboard subfield (without the control flag) gives the host control.
  ASSERT_EQ(s.run(Record().bytes({0x04, 0xF4, 0x00, 0x0C, 0xD9, 0x71, 0x00, 0x50, 0x03, 0x02, 0x01, 0x03, 0x01,
                                  0x01})),
            0u);
  EXPECT_TRUE(d.modeFlagsB() & 0x00200000u);
  EXPECT_TRUE(d.modeFlagsB() & 0x00080000u);
  EXPECT_FALSE(d.controlData().controlWord() & 0x04000000u);
  EXPECT_TRUE(s.tax.keyboardOptions() & 0x80000000u);

  // And off again; a subfield of another length is skipped.
  ASSERT_EQ(s.run(Record().bytes({0x04, 0xF4, 0x00, 0x10, 0xD9, 0x71, 0x00, 0x28, 0x04, 0x09, 0x09, 0x09, 0x03,
                                  0x02, 0x00, 0x03, 0x01, 0x00})),
            0u);
  EXPECT_FALSE(d.modeFlagsB() & 0x00200000u);
  EXPECT_FALSE(d.modeFlagsB() & 0x00080000u);
  EXPECT_TRUE(d.controlData().controlWord() & 0x04000000u);
  EXPECT_FALSE(s.tax.keyboardOptions() & 0x80000000u);

  // A bad subfield refuses the whole field before any setting is applied.
  EXPECT_EQ(s.run(Record().bytes({0x04, 0xF4, 0x00, 0x09, 0xD9, 0x71, 0x00, 0x40, 0x00, 0x00, 0x00})),
            dsm_sense::kBadLength);
  EXPECT_FALSE(d.modeFlagsB() & 0x00200000u);
}

TEST(DisplayCustomisation, ReadModeAndTypeAheadFollowTheSettingsByte) {
  struct Case {
    const char* what;
    unsigned char settings;
    unsigned char keyboard;  // keyboard subfield value
    bool doubleByte;
    unsigned char readMode;
    const char* typeAhead;  // the call the display gets, or null
  };
  const Case cases[] = {
      {"double-byte reads on a double-byte display", 0x04, 0x00, true, 4, nullptr},
      {"double-byte reads need a double-byte display", 0x04, 0x00, false, 0, nullptr},
      {"read mode 0x11", 0x02, 0x00, false, 0x11, nullptr},
      {"type-ahead on with the control flag", 0x01, 0x06, false, 0, "setTypeAhead(1,1)"},
      {"type-ahead off with the control flag", 0x01, 0x04, false, 0, "setTypeAhead(0,1)"},
      {"type-ahead on for the device", 0x00, 0x06, false, 0, "setTypeAhead(1,0)"},
      {"no type-ahead change", 0x00, 0x02, false, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DisplayCharacteristics chars;
    if (c.doubleByte) chars.word[0] |= 0x00800100u;
    DsmStation s(chars);
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    s.rendering.clear();
    ASSERT_EQ(s.run(Record().bytes({0x04, 0xF4, 0x00, 0x09, 0xD9, 0x71, 0x00, c.settings, 0x03, 0x01, c.keyboard})),
              0u);
    EXPECT_EQ(s.display.readMgr().readMode(), c.readMode);
    int calls = 0;
    for (const std::string& call : s.rendering.calls)
      if (call.rfind("setTypeAhead(", 0) == 0) {
        ++calls;
        if (c.typeAhead) EXPECT_EQ(call, c.typeAhead);
      }
    EXPECT_EQ(calls, c.typeAhead ? 1 : 0);
  }
}

}  // namespace
