// Home and the mouse in text assist, through the input-object generator as
// the keyboard and the window deliver them. Home asks the host's
// command-key table for its own function (key 255) before it sends AID
// 0xEC; a click places the cursor inside the margins, and the function-key
// labels shown outside the text (hot spots) act as their PF keys when the
// station acts on single clicks; a double click is Enter unless hot spots
// act on double clicks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/textassist/TextStation.h"

namespace {

const FunctionWord kHome{1, 13}, kEnter{6, 4}, kDup{2, 4};
constexpr unsigned char kLeftPress = 1, kLeftRelease = 2, kLeftDouble = 3, kShiftLeftDouble = 12;

Bytes Entry(unsigned char key, unsigned char type, const std::string& text) {
  return Bytes{static_cast<unsigned char>(3 + text.size()), key, type} + Ebc(text);
}

struct Station : TextStation {
  explicit Station(const Bytes& entries = {}) {
    EXPECT_EQ(run(R1()), 0u);
    // The host's command-key table, as a text-assist field of a record.
    if (!entries.empty()) EXPECT_EQ(run(Wsf(Field(0x31, Bytes{0x04} + entries))), 0u);
  }
  void mouse(unsigned char code, unsigned int offset) {
    FunctionWord w{27, code};
    display.inObjGen().processMouseEvent(&display, &w, offset);
  }
  void click(unsigned int offset) {
    mouse(kLeftPress, offset);
    mouse(kLeftRelease, offset);
  }
  // Text shown on a row outside the text (as the host's status text is).
  void put(unsigned int row, unsigned int column, const std::string& text) {
    Bytes b = Ebc(text);
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == '=') b[i] = 0x7E;
    display.presentationSpace().writeData(b.data(), static_cast<unsigned int>(b.size()), offset(row, column));
  }
  bool pushButtonDrawn() const {
    return std::any_of(rendering.calls.begin(), rendering.calls.end(),
                       [](const std::string& c) { return c.rfind("drawPushButton(", 0) == 0; });
  }
  std::string promptRow() {
    std::string s;
    for (unsigned char b : row(24)) s.push_back(b == 0 ? '_' : b == 0x40 ? ' ' : (b >= 0xC1 ? '*' : '?'));
    while (!s.empty() && s.back() == '_') s.pop_back();
    return s;
  }
};

TEST(HomeKey, TheHostsCommandKeyTableComesFirst) {
  struct Case {
    const char* name;
    Bytes entries;
    unsigned char aid;       // sent by Home (0: nothing)
    bool prompt;             // prompt-row input began
    Bytes promptText;        // what the prompt row starts with
    unsigned char enterAid;  // the AID that Enter sends afterwards
  } cases[] = {
      {"no entry for Home", {}, 0xEC, false, {}, 0},
      {"an entry for another key only", Entry(2, 1, "FIND"), 0xEC, false, {}, 0},
      {"a prompt entry", Entry(255, 1, "GOTO"), 0, true, Ebc("GOTO"), 0xF8},
      {"a locate entry", Entry(255, 2, "LOCATE"), 0, false, Ebc("LOCATE"), 0xF1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station s(c.entries);
    s.key(kHome);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    if (c.aid) {
      ASSERT_EQ(s.host.sent.size(), 1u);
      EXPECT_EQ(s.host.sent[0][2], c.aid);
      continue;
    }
    EXPECT_TRUE(s.host.sent.empty());
    EXPECT_EQ((s.text()->stateWord() & text_mode::kPromptInput) != 0, c.prompt);
    EXPECT_EQ(s.screen(s.offset(24, 1), static_cast<unsigned int>(c.promptText.size())), c.promptText);
    s.key(kEnter);
    ASSERT_EQ(s.host.sent.size(), 1u);
    EXPECT_EQ(s.host.sent[0][2], c.enterAid);
  }
}

TEST(HomeKey, StatesThatRefuseOrReset) {
  // Restricted editing: 77 on a text line.
  {
    Station s(Entry(255, 1, "GOTO"));
    s.text()->textDef.defFlags |= 0x08000000u;
    s.key(kHome);
    EXPECT_EQ(s.text()->lastOperatorError(), 77u);
    EXPECT_TRUE(s.host.sent.empty());
  }
  // Cursor draw: 72.
  {
    Station s(Entry(255, 1, "GOTO"));
    s.text()->modes |= text_mode::kCursorDraw;
    s.key(kHome);
    EXPECT_EQ(s.text()->lastOperatorError(), 72u);
  }
  // During prompt input Home is Reset: the prompt goes, the cursor returns.
  {
    Station s(Entry(255, 1, "GOTO"));
    s.key(FunctionWord{1, 3});
    s.key(kHome);
    ASSERT_TRUE(s.text()->stateWord() & text_mode::kPromptInput);
    s.key(kHome);
    EXPECT_FALSE(s.text()->stateWord() & text_mode::kPromptInput);
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, 3));
    EXPECT_EQ(s.promptRow(), "");
    EXPECT_TRUE(s.host.sent.empty());
  }
}

// Clicks and double clicks: where the cursor goes, what is sent, whether
// the label shows pressed.
TEST(TextMouse, ClicksAndHotSpots) {
  struct Case {
    const char* name;
    unsigned char hotSpotMode;
    Bytes entries;
    unsigned char event;       // the mouse event
    unsigned int row, column;  // where
    unsigned int cursorRow, cursorColumn;
    unsigned char aid;         // 0: nothing sent
    bool pressed;              // the hot spot drawn pressed
    bool prompt;               // a prompt began
  } cases[] = {
      {"a click in the text places the cursor", 0, {}, kLeftPress, 3, 6, 3, 6, 0, false, false},
      {"a click on the right margin", 0, {}, kLeftPress, 3, 70, 3, 70, 0, false, false},
      {"a click left of the left margin", 0, {}, kLeftPress, 3, 1, 3, 2, 0, false, false},
      {"a click right of the right margin", 0, {}, kLeftPress, 3, 75, 3, 2, 0, false, false},
      {"a label without single-click hot spots", 0, {}, kLeftPress, 1, 52, 3, 2, 0, false, false},
      {"a label with single-click hot spots is its PF key", 1, {}, kLeftPress, 1, 52, 3, 2, 0x33, true, false},
      {"a second-row key label gives PF13", 1, {}, kLeftPress, 1, 62, 3, 2, 0xB1, true, false},
      {"a label of a key with a function of its own", 1, Entry(3, 1, "FIND"), kLeftPress, 1, 52, 24, 5, 0, false,
       true},
      {"a click on plain status text", 1, {}, kLeftPress, 1, 45, 3, 2, 0, false, false},
      {"a double click is Enter", 0, {}, kLeftDouble, 3, 2, 3, 2, 0xF1, false, false},
      {"a shifted double click is Enter too", 0, {}, kShiftLeftDouble, 3, 2, 3, 2, 0xF1, false, false},
      {"a double click with single-click hot spots is Enter", 1, {}, kLeftDouble, 1, 52, 3, 2, 0xF1, false, false},
      {"a double click on a label with double-click hot spots", 2, {}, kLeftDouble, 1, 52, 3, 2, 0x33, true,
       false},
      {"a double click on plain text with double-click hot spots", 2, {}, kLeftDouble, 3, 5, 3, 2, 0, false,
       false},
      {"a single click with double-click hot spots", 2, {}, kLeftPress, 1, 52, 3, 2, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station s(c.entries);
    s.display.options().hotSpotClickMode = c.hotSpotMode;
    s.put(1, 45, "TEXT");
    s.put(1, 50, "F3=EXIT");
    s.put(1, 60, "F13=MORE");
    s.rendering.clear();
    s.mouse(c.event, s.offset(c.row, c.column));
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.cursorRow, c.cursorColumn));
    if (c.aid) {
      ASSERT_EQ(s.host.sent.size(), 1u);
      EXPECT_EQ(s.host.sent[0][2], c.aid);
    } else {
      EXPECT_TRUE(s.host.sent.empty());
    }
    EXPECT_EQ(s.pushButtonDrawn(), c.pressed);
    EXPECT_EQ((s.text()->stateWord() & text_mode::kPromptInput) != 0, c.prompt);
  }
}

// While a prompt takes input, a click in the text does not move the cursor
// off the prompt row; hot spots still act.
TEST(TextMouse, PromptInputKeepsTheCursor) {
  Station s(Entry(2, 1, "FIND"));
  s.display.options().hotSpotClickMode = 1;
  s.key(FunctionWord{5, 2});
  ASSERT_TRUE(s.text()->stateWord() & text_mode::kPromptInput);
  const unsigned int cursor = s.text()->cursorPos;
  s.click(s.offset(5, 5));
  EXPECT_EQ(s.text()->cursorPos, cursor);
  EXPECT_TRUE(s.host.sent.empty());
}

// A shown error: a click on the error row resets it; elsewhere only the
// hot spot that names Reset does, and only with single-click hot spots.
TEST(TextMouse, ClicksThatEndAnError) {
  struct Case {
    const char* name;
    unsigned char hotSpotMode;
    unsigned int row, column;
    bool reset;
  } cases[] = {
      {"the error row", 0, 24, 10, true},
      {"the Reset label", 1, 1, 52, true},
      {"the Reset label without single-click hot spots", 2, 1, 52, false},
      {"another label", 1, 1, 62, false},
      {"the text", 1, 3, 5, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station s;
    s.display.options().hotSpotClickMode = c.hotSpotMode;
    s.put(1, 50, "F8=RESET");
    s.put(1, 60, "F3=EXIT");
    s.key(kDup);
    ASSERT_TRUE(s.text()->errorFlag());
    s.rendering.clear();
    s.text()->c_textmouseclick(s.offset(c.row, c.column));
    EXPECT_EQ(s.text()->errorFlag(), !c.reset);
    EXPECT_TRUE(s.host.sent.empty());
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, 2));
    if (c.reset) {
      s.type("Q");
      EXPECT_EQ(s.screen(s.offset(3, 2), 1), Ebc("Q")) << "the keyboard takes keys again";
    }
  }
}

// With an in-line command field (5 columns) Home goes to it and back; a
// click in it places the cursor although it lies left of the margin.
TEST(HomeKey, TheInLineCommandFieldAndBack) {
  Station s;
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80, Bytes{0x00, 21, 0, 0, 5}) + Dfscl(ScaleLine(1, {{8, 1}, {70, 2}})) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 10, R1Lines()) + Rdtxt())),
            0u);
  ASSERT_EQ(s.text()->cursorPos, s.offset(3, 10));
  s.key(kHome);
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 1));
  s.key(kHome);
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 10));
  s.click(s.offset(4, 3));
  EXPECT_EQ(s.text()->cursorPos, s.offset(4, 3));
  s.click(s.offset(4, 6));
  EXPECT_EQ(s.text()->cursorPos, s.offset(4, 3)) << "between the field and the margin";
  EXPECT_TRUE(s.host.sent.empty());
  EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
}

}  // namespace
