// Field editing end to end: the loopback host sends a screen of input
// fields, the operator's keystroke codes go through the key glue, and Enter
// brings back exactly the edited fields in the inbound record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/session/ConnectedSession.h"

namespace {

using namespace session_test;

// SF: the field format word, no control words, attribute 0x20 and the
// field length; the SBA before it addresses the attribute position.
Bytes StartField(int ffw1, int ffw2, int length) { return B({0x1D, ffw1, ffw2, 0x20, length >> 8, length & 0xFF}); }

// Clear Unit, a Write to Display with `orders` that unlocks the keyboard,
// then Read MDT Fields.
Bytes ScreenRecord(const Bytes& orders) {
  return Record(0x03, Cat({B({0x04, 0x40}), WriteToDisplay(orders), B({0x04, 0x52, 0x00, 0x00})}), 0, 0x40);
}

// One step of the operator: a keystroke code, or data keys.
struct Step {
  int code;          // keystroke code; -1 for data keys
  std::string text;  // the data keys' characters (Latin-1, sent as CP037)
};
Step Key(int code) { return {code, ""}; }
Step Data(const std::string& text) { return {-1, text}; }

void Play(ConnectedSession& s, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    SCOPED_TRACE(step.code < 0 ? "data " + step.text : "keystroke code " + std::to_string(step.code));
    if (step.code < 0)
      ASSERT_EQ(s.Type(Ebcdic(step.text)), 1);
    else
      ASSERT_EQ(s.Key(static_cast<unsigned char>(step.code)), 1);
  }
}

// Two alphanumeric fields: "Name" on row 5 (columns 20-29, the host's
// "XXXXXXXXXX" in it) and "City" on row 6 (columns 20-29, empty); the
// cursor starts at the name field.
Bytes TwoFieldScreen() {
  return ScreenRecord(Cat({SetBufferAddress(5, 10), Ebcdic("Name"), SetBufferAddress(5, 19), StartField(0x40, 0x00, 10),
                           Ebcdic("XXXXXXXXXX"), SetBufferAddress(6, 10), Ebcdic("City"), SetBufferAddress(6, 19),
                           StartField(0x40, 0x00, 10), B({0x13, 5, 20})}));
}

TEST(FieldEditingSessionTest, TypedAndCorrectedFieldsComeBackExactly) {
  // The name field: "HELLX", Backspace (destructive, the session's default:
  // it takes the X away and the host's X's close up behind it) and "O";
  // then the key that leaves the field. The city field: "WRKLDZ",
  // Backspace takes the Z, three lefts go back to the K and Delete removes
  // it, one more left reaches the R, and "O" goes in before it in insert
  // mode.
  const std::vector<Step> city = {Data("WRKLDZ"),   Key(kBackspace),  Key(kCursorLeft),
                                  Key(kCursorLeft), Key(kCursorLeft), Key(kDelete),
                                  Key(kCursorLeft), Key(kInsert),     Data("O")};
  const struct {
    const char* what;
    int leave;
    const char* name;  // what the name field sends
  } cases[] = {
      // Field Exit erases the rest of the field; Field Advance keeps it.
      {"Field Exit", kFieldExit, "HELLO"},
      {"Field Advance", kFieldAdvance, "HELLOXXXX"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConnectedSession s;
    s.Send(TwoFieldScreen());
    ASSERT_TRUE(s.Pending().empty());
    ASSERT_EQ(s.display().keyboardState().state(), KeyboardState::kNormalUnlocked);
    Play(s, {Data("HELLX"), Key(kBackspace), Data("O"), Key(c.leave)});
    EXPECT_EQ(s.display().cursor().getCursorOffset(), 5u * 80 + 19) << "the city field's first position";
    Play(s, city);
    EXPECT_EQ(s.display().cursor().getCursorOffset(), 5u * 80 + 21) << "after the inserted O";
    EXPECT_EQ(s.display().keyboardState().getErrorCode(), 0u);
    EXPECT_TRUE(s.Pending().empty());
    ASSERT_EQ(s.Key(kEnter), 1);
    EXPECT_EQ(s.Next(), Inbound(Cat({B({6, 22, 0xF1}), SetBufferAddress(5, 20), Ebcdic(c.name), SetBufferAddress(6, 20),
                                     Ebcdic("WORLD")})));
    EXPECT_TRUE(s.Pending().empty());
  }
}

TEST(FieldEditingSessionTest, UntouchedFieldStaysOutOfTheRecord) {
  ConnectedSession s;
  s.Send(TwoFieldScreen());
  Play(s, {Key(kFieldAdvance), Data("ROME"), Key(kEnter)});
  EXPECT_EQ(s.Next(), Inbound(Cat({B({6, 24, 0xF1}), SetBufferAddress(6, 20), Ebcdic("ROME")})));
}

TEST(FieldEditingSessionTest, ResetEndsInsertMode) {
  // "ABC" in the city field, back to the A, Insert; then "X" goes in before
  // the A, or over it when Reset came between.
  const struct {
    const char* what;
    std::vector<Step> between;
    const char* city;
  } cases[] = {
      {"insert", {}, "XABC"},
      {"Reset after Insert", {Key(kReset)}, "XBC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConnectedSession s;
    s.Send(TwoFieldScreen());
    Play(s, {Key(kFieldAdvance), Data("ABC"), Key(kCursorLeft), Key(kCursorLeft), Key(kCursorLeft), Key(kInsert)});
    Play(s, c.between);
    EXPECT_EQ(s.display().keyboardState().state(), KeyboardState::kNormalUnlocked);
    Play(s, {Data("X"), Key(kEnter)});
    EXPECT_EQ(s.Next(), Inbound(Cat({B({6, 21, 0xF1}), SetBufferAddress(6, 20), Ebcdic(c.city)})));
  }
}

// A numeric-only field (row 8, columns 10-14) and a signed-numeric field
// (row 9, columns 10-15, its sign in column 15).
Bytes NumericScreen() {
  return ScreenRecord(Cat({SetBufferAddress(8, 9), StartField(0x43, 0x00, 5), SetBufferAddress(9, 9),
                           StartField(0x47, 0x00, 6), B({0x13, 8, 10})}));
}

TEST(FieldEditingSessionTest, NumericFieldsRefuseALetterUntilReset) {
  const struct {
    const char* what;
    std::vector<Step> reach;   // to the field
    unsigned int row;          // the field's row (its first column is 10)
    unsigned int error;        // the error shown for the letter
    std::vector<Step> finish;  // after the last digit
    Bytes body;
  } cases[] = {
      {"numeric only", {}, 8, 0x0009, {Key(kEnter)}, Cat({B({8, 13, 0xF1}), SetBufferAddress(8, 10), Ebcdic("123")})},
      // Field Exit right-adjusts the digits before the sign position (blank
      // fill) and leaves the sign position null: no sign rule in the read.
      {"signed numeric",
       {Key(kFieldAdvance)},
       9,
       0x0010,
       {Key(kFieldExit), Key(kEnter)},
       Cat({B({8, 10, 0xF1}), SetBufferAddress(9, 10), B({0x40, 0x40}), Ebcdic("123")})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConnectedSession s;
    s.Send(NumericScreen());
    KeyboardState& k = s.display().keyboardState();
    const unsigned int refused = (c.row - 1) * 80 + 11;
    const unsigned char* ps = s.display().presentationSpace().buffer();
    const unsigned char* errorLine = ps + (k.errorRow() - 1) * 80;
    const Bytes rowBefore(errorLine, errorLine + 80);
    Play(s, c.reach);
    Play(s, {Data("12"), Data("A")});
    EXPECT_EQ(k.state(), KeyboardState::kError);
    EXPECT_EQ(k.getErrorCode(), c.error);
    // The error line shows the number after its attribute.
    const Bytes shown = B({0x2A, 0xF0, 0xF0, 0xF0 + int(c.error >> 4), 0xF0 + int(c.error & 0x0F)});
    EXPECT_EQ(Bytes(errorLine, errorLine + 5), shown);
    EXPECT_EQ(s.display().cursor().getCursorOffset(), refused) << "the cursor stays on the refused position";
    // Locked until Reset: digits change nothing, Enter sends nothing.
    Play(s, {Data("7"), Key(kEnter)});
    EXPECT_EQ(k.state(), KeyboardState::kError);
    EXPECT_EQ(ps[refused], 0x00);
    EXPECT_TRUE(s.Pending().empty());
    Play(s, {Key(kReset)});
    EXPECT_EQ(k.state(), KeyboardState::kNormalUnlocked);
    EXPECT_EQ(Bytes(errorLine, errorLine + 80), rowBefore) << "the error line is gone";
    Play(s, {Data("3")});
    Play(s, c.finish);
    EXPECT_EQ(s.Next(), Inbound(c.body));
    EXPECT_TRUE(s.Pending().empty());
  }
}

TEST(FieldEditingSessionTest, FieldMinusSendsTheSignRule) {
  const struct {
    const char* what;
    std::vector<Step> steps;
    Bytes body;
  } cases[] = {
      // Signed numeric: the digits are right-adjusted before the sign
      // position, and the minus sign makes the last digit's zone D.
      {"signed numeric, Field Minus",
       {Key(kFieldAdvance), Data("42"), Key(kFieldMinus), Key(kEnter)},
       Cat({B({8, 10, 0xF1}), SetBufferAddress(9, 10), B({0x40, 0x40, 0x40, 0xF4, 0xD2})})},
      {"signed numeric, Field Exit",
       {Key(kFieldAdvance), Data("42"), Key(kFieldExit), Key(kEnter)},
       Cat({B({8, 10, 0xF1}), SetBufferAddress(9, 10), B({0x40, 0x40, 0x40, 0xF4, 0xF2})})},
      // Numeric only: Field Minus puts zone D over the last position (a null
      // there gives 0xD0); the read sends the inner nulls as blanks.
      {"numeric only, Field Minus",
       {Data("12"), Key(kFieldMinus), Key(kEnter)},
       Cat({B({9, 10, 0xF1}), SetBufferAddress(8, 10), B({0xF1, 0xF2, 0x40, 0x40, 0xD0})})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConnectedSession s;
    s.Send(NumericScreen());
    Play(s, c.steps);
    EXPECT_EQ(s.display().keyboardState().getErrorCode(), 0u);
    EXPECT_EQ(s.Next(), Inbound(c.body));
  }
}

TEST(FieldEditingSessionTest, EnterBeforeTheSignedFieldsExitKeyIsRefused) {
  ConnectedSession s;
  s.Send(NumericScreen());
  KeyboardState& k = s.display().keyboardState();
  Play(s, {Key(kFieldAdvance), Data("42"), Key(kEnter)});
  EXPECT_EQ(k.state(), KeyboardState::kError);
  EXPECT_EQ(k.getErrorCode(), 0x0020u) << "a changed signed-numeric field waits for its exit key";
  EXPECT_TRUE(s.Pending().empty());
  Play(s, {Key(kReset), Key(kFieldMinus), Key(kEnter)});
  EXPECT_EQ(s.Next(), Inbound(Cat({B({8, 10, 0xF1}), SetBufferAddress(9, 10), B({0x40, 0x40, 0x40, 0xF4, 0xD2})})));
}

}  // namespace
