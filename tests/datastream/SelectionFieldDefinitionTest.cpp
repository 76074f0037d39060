// Define selection field: the structured field of a Write to Display's
// structured field order that builds a menu bar or a list of choices.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datastream/DsmSense.h"
#include "display/FormatTable.h"
#include "display/ScrollBarField.h"
#include "display/SelectionField.h"
#include "tests/datastream/SelectionFieldRecords.h"

namespace {

using namespace selection_records;

struct ExpectedChoice {
  unsigned int row, column;  // of the first text position
  std::string shown;         // the text positions on the screen
  unsigned char state;
  unsigned char mnemonic;
  unsigned char aid;
};

struct Accepted {
  const char* name;
  Bytes sf;
  unsigned int columns;  // the field's columns of choices
  std::vector<ExpectedChoice> choices;
};

TEST(SelectionFieldDefinition, BuildsTheFieldWithItsChoices) {
  const unsigned char on = SelectionFieldChoice::kAvailable;
  const unsigned char sel = SelectionFieldChoice::kAvailable | SelectionFieldChoice::kSelected;
  const unsigned char off = 0;  // shown, reached by the cursor, never selected
  const unsigned char gone = SelectionFieldChoice::kNotCursorable;
  const Accepted cases[] = {
      {"three-choice single-selection list",
       Definition(0x21, 6, 3, 1,
                  Join({ChoiceText(0x08, {0}, "Apple"), ChoiceText(0x40, {}, "Banana"),
                        ChoiceText(0x80, {}, "Cherry")})),
       1,
       {{5, 11, "Apple ", on, 0xC1, 0}, {6, 11, "Banana", sel, 0, 0}, {7, 11, "Cherry", off, 0, 0}}},
      {"multiple selection in two columns, two selected",
       Definition(0x12, 3, 2, 2,
                  Join({ChoiceText(0x40, {}, "One"), ChoiceText(0x40, {}, "Two"),
                        ChoiceText(0x00, {}, "Six")})),
       2,
       {{5, 11, "One", sel, 0, 0}, {5, 16, "Two", sel, 0, 0}, {6, 11, "Six", on, 0, 0}}},
      {"menu bar with padding, mnemonics and an AID",
       Definition(0x01, 10, 1, 3,
                  Join({ChoiceText(0x08, {1}, "File"), ChoiceText(0x0C, {0, 0xF3}, "edit"),
                        ChoiceText(0x00, {}, "")}),
                  0x06, 1),
       2,
       {{5, 11, "File", on, 0xC9, 0}, {5, 18, "edit", on, 0xC5, 0xF3}}},
      {"no mnemonics without the parameter's mnemonic bits, no AIDs without the field's AID flag",
       Definition(0x01, 10, 1, 2, Join({ChoiceText(0x0C, {1, 0xF3}, "File")}), 0x00, 0, 0xF7),
       1,
       {{5, 11, "File", on, 0, 0}}},
      {"text longer than the text size is cut, an empty one is unavailable",
       Definition(0x21, 4, 2, 1, Join({ChoiceText(0x00, {}, "Longer"), ChoiceText(0x00, {}, "")})),
       1,
       {{5, 11, "Long", on, 0, 0}, {6, 11, "    ", gone, 0, 0}}},
      {"numbers before the text, a non-AID byte and another display's choice",
       Definition(0x21, 5, 2, 1,
                  Join({ChoiceText(0x06, {0x01, 0x40, 0xF1}, "One"),
                        ChoiceText(0x00, {}, "Hidden", 0x00), ChoiceText(0x01, {0xF2}, "Two")})),
       1,
       {{5, 11, " 1.On", on, 0, 0}, {6, 11, "2.Two", on, 0, 0}}},
      {"other minors are stepped over",
       Definition(0x21, 3, 1, 1, Join({{4, 0x02, 0x00, 0x61}, {5, 0x77, 1, 2, 3}, ChoiceText(0, {}, "Yes")})),
       1,
       {{5, 11, "Yes", on, 0, 0}}},
  };
  for (const Accepted& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    ASSERT_EQ(s.run(Define(5, 10, c.sf)), 0u);
    ASSERT_EQ(s.table().fieldCount(), 1u);
    ASSERT_EQ(s.table().validateFormatTable(nullptr), 0);
    Field* f = s.table().firstRecord();
    ASSERT_EQ(f->getFieldClassID(), kSelectionField);
    auto* field = static_cast<SelectionField*>(f);
    EXPECT_EQ(field->columns(), c.columns);
    ASSERT_EQ(field->builtChoices(), c.choices.size());
    for (size_t i = 0; i < c.choices.size(); ++i) {
      SCOPED_TRACE(i);
      const ExpectedChoice& e = c.choices[i];
      const SelectionFieldChoice* choice = field->choice(static_cast<unsigned int>(i));
      const unsigned int at = s.offset(e.row, e.column);
      EXPECT_EQ(choice->start, at);
      EXPECT_EQ(choice->end, at + e.shown.size() - 1);
      EXPECT_EQ(choice->state, e.state);
      EXPECT_EQ(choice->mnemonic, e.mnemonic);
      EXPECT_EQ(choice->aid, e.aid);
      EXPECT_EQ(s.screen(at, static_cast<unsigned int>(e.shown.size())), Cp037(e.shown));
      // The choice's attribute before it, an ending attribute after it.
      const unsigned char lead = s.screen(at - 1, 1)[0];
      EXPECT_GE(lead, 0x20);
      EXPECT_LE(lead, 0x3F);
      EXPECT_EQ(s.screen(at + static_cast<unsigned int>(e.shown.size()), 1)[0], 0x20);
    }
  }
}

TEST(SelectionFieldDefinition, MenuBarSeparatorOnTheRowBelow) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  const Bytes separator = {8, 0x09, 0x00, 3, 12, 0x22, 0x22, 0x5C};
  ASSERT_EQ(s.run(Define(5, 1, Definition(0x01, 8, 1, 2, Join({ChoiceText(0, {}, "File"), separator})))), 0u);
  EXPECT_EQ(s.screen(s.offset(6, 3), 10), Bytes({0x22, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x20}));
}

TEST(SelectionFieldDefinition, IgnoredForThisDisplayBuildsNothing) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  const Bytes before = s.screen(s.offset(5, 9), 8);
  ASSERT_EQ(s.run(Define(5, 10, Definition(0x21, 3, 1, 1, ChoiceText(0, {}, "Yes"), 0xC0))), 0u);
  EXPECT_EQ(s.table().fieldCount(), 0u);
  EXPECT_EQ(s.screen(s.offset(5, 9), 8), before);
  // The record goes on after the structure.
  Record r = Define(5, 10, Definition(0x21, 3, 1, 1, ChoiceText(0, {}, "Yes"), 0xC0));
  r.sba(9, 1).text("after");
  ASSERT_EQ(s.run(r), 0u);
  EXPECT_EQ(s.screen(s.offset(9, 1), 5), Cp037("after"));
}

TEST(SelectionFieldDefinition, MustFollowEveryOtherField) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  ASSERT_EQ(s.run(Define(5, 10, Definition(0x21, 3, 1, 1, ChoiceText(0, {}, "Yes")))), 0u);
  EXPECT_EQ(s.run(Define(4, 10, Definition(0x21, 3, 1, 1, ChoiceText(0, {}, "Yes")))),
            dsm_sense::kFormatTableInvalid);
}

TEST(SelectionFieldDefinition, RedefinedInPlace) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  ASSERT_EQ(s.run(Define(5, 10, Definition(0x21, 6, 2, 1,
                                            Join({ChoiceText(0x40, {}, "Banana"), ChoiceText(0, {}, "Cherry")})))),
            0u);
  Field* before = s.table().firstRecord();
  // The same place, as many choices, shorter texts and the other one selected.
  ASSERT_EQ(s.run(Define(5, 10, Definition(0x21, 3, 2, 1,
                                            Join({ChoiceText(0, {}, "Fig"), ChoiceText(0x40, {}, "Kiw")})))),
            0u);
  ASSERT_EQ(s.table().fieldCount(), 1u);
  ASSERT_EQ(s.table().validateFormatTable(nullptr), 0);
  auto* f = static_cast<SelectionField*>(s.table().firstRecord());
  EXPECT_EQ(f, before) << "the record is rebuilt where it stood";
  ASSERT_EQ(f->builtChoices(), 2u);
  EXPECT_FALSE(f->choice(0)->isSelected());
  EXPECT_TRUE(f->choice(1)->isSelected());
  EXPECT_EQ(f->choice(1)->start, s.offset(6, 11));
  EXPECT_EQ(f->choice(1)->end, s.offset(6, 13));
  // The old texts are gone; the new ones end with their ending attribute.
  EXPECT_EQ(s.screen(s.offset(5, 11), 5), Join({Cp037("Fig"), {0x20, 0x00}}));
  EXPECT_EQ(s.screen(s.offset(6, 11), 5), Join({Cp037("Kiw"), {0x20, 0x00}}));
}

TEST(SelectionFieldDefinition, RefusedWithoutChangingTheScreen) {
  struct Case {
    const char* name;
    unsigned int row, column;
    Bytes sf;
    uint32_t sense;
  };
  const Case cases[] = {
      {"a redefinition with another number of choices", 5, 10,
       Definition(0x21, 6, 3, 1, Join({ChoiceText(0, {}, "A"), ChoiceText(0, {}, "B"), ChoiceText(0, {}, "C")})),
       dsm_sense::kBadStructuredData},
      {"an indicator column over the entry field", 8, 10,
       Definition(0x21, 6, 1, 1, ChoiceText(0, {}, "A"), 0x00, 0, 0x02), dsm_sense::kFormatTableInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    // A list at 5/10, and an entry field at 8/2 whose last position is 8/8
    // (0-based 7*80+7). The cursor stands outside them: a rejection empties
    // the format table, and a field that had the cursor would lose its focus
    // attribute.
    Record r;
    r.wtd(0, 0);
    Place(r, 5, 10, Definition(0x21, 6, 2, 1, Join({ChoiceText(0, {}, "A"), ChoiceText(0, {}, "B")})));
    r.sba(8, 2).bytes({0x1D, 0x40, 0x00, 0x20, 0x00, 0x06}).ic(20, 1);
    ASSERT_EQ(s.run(r), 0u);
    ASSERT_EQ(s.table().fieldCount(), 2u);
    const std::string planes = s.planes();
    EXPECT_EQ(s.run(Define(c.row, c.column, c.sf)), c.sense);
    EXPECT_EQ(s.planes(), planes);
  }
}

// Display characteristics, word 0.
constexpr uint32_t kGuiDisplay = 0x00400000u;
constexpr uint32_t kGuiPushButtons = 0x00000080u;
constexpr uint32_t kColour = 0x10000000u;

DisplayCharacteristics CharacterDisplay(uint32_t alsoClear = 0) {
  DisplayCharacteristics c;
  c.word[0] &= ~(kGuiDisplay | kGuiPushButtons | alsoClear);
  return c;
}

// The text size must leave room for what the field's kind puts before the
// text: one or two numeric selection characters (and a blank after them
// with flag byte 2 bit 0x40), or a push button's brackets.
TEST(SelectionFieldDefinition, TextSizeAtLeastWhatTheKindNeeds) {
  struct Case {
    const char* name;
    unsigned char type, parameter, flags2;
    bool scrolls;
    unsigned char smallest;  // the shortest text size taken
  };
  const Case cases[] = {
      {"numeric selection, one entry position", 0x21, 0x84, 0x00, true, 3},
      {"numeric selection, one entry position and a blank", 0x21, 0x84, 0x40, true, 4},
      {"numeric selection, two entry positions", 0x21, 0x85, 0x00, true, 4},
      {"numeric selection, two entry positions and a blank", 0x21, 0x85, 0x40, true, 5},
      {"bracketed push buttons", 0x41, 0x30, 0x00, false, 3},
      {"bracketed push buttons, first one earlier", 0x51, 0x50, 0x00, false, 3},
      {"an indicator before each choice", 0x21, 0x02, 0x00, false, 1},
  };
  for (const Case& c : cases) {
    for (unsigned char size : {static_cast<unsigned char>(c.smallest - 1), c.smallest}) {
      if (size == 0) continue;
      SCOPED_TRACE(std::string(c.name) + ", text size " + std::to_string(size));
      DsmStation s(CharacterDisplay());
      ASSERT_EQ(s.run(Record().clearUnit()), 0u);
      // Four rows (a scroll bar needs more than two).
      Bytes sf = Definition(c.type, size, 4, 1,
                            Join({ChoiceText(0x01, {0xF1}, "A"), ChoiceText(0x01, {0xF2}, "B"),
                                  ChoiceText(0x01, {0xF3}, "C"), ChoiceText(0x01, {0xF4}, "D")}),
                            0x00, 0, c.parameter);
      if (c.scrolls)
        sf = Scrolling(sf, 10, 0, c.flags2);
      else
        sf[5] = c.flags2;
      const std::string planes = s.planes();
      const uint32_t sense = s.run(Define(5, 10, sf));
      if (size < c.smallest) {
        EXPECT_EQ(sense, dsm_sense::kBadStructuredData);
        EXPECT_EQ(s.table().fieldCount(), 0u);
        EXPECT_EQ(s.planes(), planes);
      } else {
        EXPECT_EQ(sense, 0u);
        EXPECT_GE(s.table().fieldCount(), 1u);
      }
    }
  }
}

// The choice-indicators minor's third byte is the unavailable-choice
// indicator: a display without colour attributes shows it before each
// unavailable choice when flag byte 2 bit 0x20 asks for it.
TEST(SelectionFieldDefinition, UnavailableChoiceIndicator) {
  struct Case {
    const char* name;
    bool colour;
    unsigned char flags2;
    Bytes indicators;          // the choice-indicators minor, if any
    unsigned char unavailable; // what stands before the unavailable choice
  };
  const unsigned char available = 0x40;  // of a multiple-choice list on a character display
  const Case cases[] = {
      {"the default unavailable indicator", false, 0x20, {}, 0x5C},
      {"the minor's third byte", false, 0x20, {6, 0x02, 0x00, 0x00, 0x00, 0x6C}, 0x6C},
      {"a third byte of 0 keeps the default", false, 0x20, {6, 0x02, 0x00, 0x00, 0x00, 0x00}, 0x5C},
      {"not asked for", false, 0x00, {6, 0x02, 0x00, 0x00, 0x00, 0x6C}, available},
      {"a colour display shows it by its colour", true, 0x20, {6, 0x02, 0x00, 0x00, 0x00, 0x6C}, available},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s(CharacterDisplay(c.colour ? 0 : kColour));
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    Bytes sf = Definition(0x12, 4, 2, 1, Join({c.indicators, ChoiceText(0x00, {}, "Yes"), ChoiceText(0x80, {}, "No")}),
                          0x00, 0, 0x02);
    sf[5] = c.flags2;
    ASSERT_EQ(s.run(Define(5, 10, sf)), 0u);
    // Indicator attribute, indicator, choice attribute, then the text at
    // column 11.
    EXPECT_EQ(s.screen(s.offset(5, 9), 1)[0], available);
    EXPECT_EQ(s.screen(s.offset(6, 9), 1)[0], c.unavailable);
  }
}

// A scroll-bar indicators minor inside the definition of a list that
// scrolls gives its bar's attributes and characters.
TEST(SelectionFieldDefinition, ScrollBarIndicatorsMinorPaintsTheListsBar) {
  struct Case {
    const char* name;
    uint32_t clear;  // characteristics bits taken away
    Bytes minor;
    Bytes top, middle, bottom;  // attribute, cell, ending attribute
  };
  const Bytes given = {11, 0x03, 0x80, 0x24, 0x2C, 0x26, 0x2E, 0x4C, 0x6E, 0x60, 0x7B};
  const Case cases[] = {
      {"no minor: the GUI display's own", 0, {}, {0x22, 0x01, 0x20}, {0x22, 0x1A, 0x20}, {0x22, 0x02, 0x20}},
      {"the GUI display takes a minor with the top flag bit", 0, given,
       {0x2C, 0x4C, 0x20}, {0x2E, 0x60, 0x20}, {0x2C, 0x6E, 0x20}},
      {"the GUI display keeps its own without it", 0, {11, 0x03, 0x00, 0x24, 0x2C, 0x26, 0x2E, 0x4C, 0x6E, 0x60, 0x7B},
       {0x22, 0x01, 0x20}, {0x22, 0x1A, 0x20}, {0x22, 0x02, 0x20}},
      {"a monochrome character display takes the monochrome attributes", kGuiDisplay | kColour,
       {11, 0x03, 0x00, 0x24, 0x2C, 0x26, 0x2E, 0x4C, 0x6E, 0x60, 0x7B},
       {0x24, 0x4C, 0x20}, {0x26, 0x60, 0x20}, {0x24, 0x6E, 0x20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DisplayCharacteristics chars;
    chars.word[0] &= ~c.clear;
    DsmStation s(chars);
    ASSERT_EQ(s.run(Record().clearUnit()), 0u);
    // Six rows of ten shown, the slider at the end of the list.
    Bytes choices;
    for (const char* t : {"A", "B", "C", "D", "E", "F"}) choices = Join({choices, ChoiceText(0x00, {}, t)});
    const Bytes sf = Scrolling(Definition(0x21, 3, 6, 1, Join({c.minor, choices})), 10, 4);
    ASSERT_EQ(s.run(Define(5, 10, sf)), 0u);
    Field* list = s.table().firstRecord();
    ASSERT_NE(list, nullptr);
    Field* f = s.table().nextRecord(list);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->getFieldClassID(), kVerticalScrollBar);
    const unsigned int at = static_cast<ScrollBarField*>(f)->getStartOffset() - 1;
    EXPECT_EQ(s.screen(at, 3), c.top);
    EXPECT_EQ(s.screen(at + 80, 3), c.middle);
    EXPECT_EQ(s.screen(at + 5 * 80, 3), c.bottom);
  }
}

// Remove GUI selection field drops the push buttons of the field that
// follows the display address, and only those.
TEST(SelectionFieldDefinition, RemoveGuiSelectionFieldErasesItsPushButtons) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  Record r;
  r.wtd(0, 0);
  Place(r, 5, 10, Definition(0x41, 6, 1, 2, Join({ChoiceText(0, {}, "OK"), ChoiceText(0, {}, "Cancel")}), 0x00, 1, 0x20));
  Place(r, 8, 10, Definition(0x41, 6, 1, 1, Join({ChoiceText(0, {}, "Help")}), 0x00, 1, 0x20));
  ASSERT_EQ(s.run(r), 0u);
  ASSERT_EQ(s.table().fieldCount(), 2u);
  auto* first = static_cast<SelectionField*>(s.table().firstRecord());
  auto* second = static_cast<SelectionField*>(s.table().nextRecord(first));
  ASSERT_EQ(first->selectionType(), SelectionField::kTypePushButtons);
  const auto buttons = [](SelectionField* f) {
    unsigned int n = 0;
    for (unsigned int i = 0; i < f->builtChoices(); ++i)
      if (f->choice(i)->layout & SelectionFieldChoice::kPushButton) ++n;
    return n;
  };
  ASSERT_EQ(buttons(first), 2u);
  ASSERT_EQ(buttons(second), 1u);
  s.rendering.calls.clear();
  // Type 0x58 at the address before the first field's start.
  Record remove;
  remove.wtd(0, 0).sba(5, 10).bytes({0x15, 0x00, 0x06, 0xD9, 0x58, 0x00, 0x00});
  ASSERT_EQ(s.run(remove), 0u);
  EXPECT_EQ(buttons(first), 0u);
  EXPECT_EQ(buttons(second), 1u);
  std::vector<std::string> erased;
  for (const std::string& call : s.rendering.calls)
    if (call.rfind("erasePushButtons", 0) == 0) erased.push_back(call);
  const unsigned int a = first->choice(0)->start, b = first->choice(1)->start;
  EXPECT_EQ(erased, (std::vector<std::string>{"erasePushButtons(" + std::to_string(a) + "," + std::to_string(a) + ")",
                                              "erasePushButtons(" + std::to_string(b) + "," + std::to_string(b) + ")"}));
  // The choices stay as they were: a later redraw shows no button for them.
  EXPECT_EQ(s.table().fieldCount(), 2u);
  EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);
}

}  // namespace
