// Define selection field: the structured field of a Write to Display's
// structured field order that builds a menu bar or a list of choices.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datastream/DsmSense.h"
#include "display/FormatTable.h"
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

}  // namespace
