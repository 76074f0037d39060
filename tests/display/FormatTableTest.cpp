// The format table over a whole station: lookup, field progression in both
// orders, the unit limit, validation, system request, orientation, save and
// restore.
#include <gtest/gtest.h>

#include "display/FieldArena.h"
#include "display/RestoreSense.h"
#include "tests/display/StationFixture.h"

namespace {

// A mixed screen (24 x 80): entry fields, a continued field, a bypass
// field, a selection field and a vertical scroll bar.
struct MixedScreen : Station {
  MixedScreen() {
    a = entry(kLTRField, {{10, 19}});
    b = entry(kProtectedField, {{85, 90}}, Field::kBypass);
    c = entry(kLTRField, {{150, 159}, {230, 239}, {310, 319}});
    s = selection({{400, 405}, {410, 415}});
    v = scrollBar(kVerticalScrollBar, 500, 3);
    d = entry(kSignedNumericField, {{1000, 1009}});
  }
  EntryField *a, *b, *c, *d;
  SelectionField* s;
  ScrollBarField* v;
};

TEST(FormatTable, LookupByPosition) {
  MixedScreen m;
  struct Case {
    unsigned int offset;
    Field* expected;
  } cases[] = {{0, nullptr},   {10, m.a},   {19, m.a},   {20, nullptr}, {85, m.b},
               {150, m.c},     {239, m.c},  {240, nullptr}, {319, m.c}, {404, m.s},
               {407, nullptr}, {415, m.s},  {500, m.v},  {580, m.v},    {660, m.v},
               {501, nullptr}, {740, nullptr}, {1009, m.d}, {1919, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(m.table().getField(c.offset), c.expected);
    AreaOfScreen* area = m.table().getArea(c.offset);
    if (c.expected)
      EXPECT_EQ(area, c.expected);
    else
      EXPECT_EQ(area->isEntryField(), 0);
  }
  // The bypass field is not an input area; scroll bars are bypass fields too.
  EXPECT_NE(m.table().getNonBypassArea(85), m.b);
  EXPECT_NE(m.table().getNonBypassArea(500), m.v);
  EXPECT_EQ(m.table().getNonBypassArea(12), m.a);
}

TEST(FormatTable, ContinuedFieldGeometry) {
  MixedScreen m;
  EXPECT_EQ(m.c->getStartOffset(), 150u);
  EXPECT_EQ(m.c->getFirstPartEnd(), 159u);
  EXPECT_EQ(m.c->getLastCursorOffset(&m.display), 319u);
  EXPECT_EQ(m.c->getTotalFieldSize(), 30u);
  EXPECT_EQ(m.c->segmentCount(), 3u);
  int first = 0;
  unsigned int last = 0;
  m.table().getFirstAndLastEntryFieldOffsetForScreenRefresh(first, last);
  EXPECT_EQ(first, 10);
  EXPECT_EQ(last, 1009u);
}

TEST(FormatTable, RefreshRangeEndsWithTheLastSegmentOfAContinuedField) {
  Station st;
  st.entry(kLTRField, {{10, 19}});
  st.entry(kLTRField, {{150, 159}, {230, 239}});
  int first = 0;
  unsigned int last = 0;
  st.table().getFirstAndLastEntryFieldOffsetForScreenRefresh(first, last);
  EXPECT_EQ(first, 10);
  EXPECT_EQ(last, 239u);
}

TEST(FormatTable, EmptyTable) {
  Station st;
  for (unsigned int o : {0u, 100u, 1919u}) {
    EXPECT_EQ(st.table().getField(o), nullptr);
    EXPECT_EQ(st.table().getArea(o)->isEntryField(), 0);
  }
  EXPECT_EQ(st.table().getFirstNonBypassField(), nullptr);
  EXPECT_EQ(st.table().getLastNonBypassField(), nullptr);
  EXPECT_EQ(st.table().getDefaultCursorOffset(), 0u);
  EXPECT_EQ(st.table().masterMDT(), 0u);
  EXPECT_EQ(st.table().validateFormatTable(nullptr), 0);
  int first = 0;
  unsigned int last = 0;
  st.table().getFirstAndLastEntryFieldOffsetForScreenRefresh(first, last);
  EXPECT_EQ(first, -1);
  st.table().setRTLFieldOrder();
  EXPECT_EQ(st.table().getDefaultCursorOffset(), 79u);
}

TEST(FormatTable, NextAndPreviousInLeftToRightOrder) {
  MixedScreen m;
  struct Case {
    Field* from;
    unsigned int offset;
    Field* next;
    unsigned int wrapped;
    Field* previous;
  } cases[] = {
      {nullptr, 0, m.a, 0, m.d},     // before everything: previous wraps to the last
      {m.a, 0, m.c, 0, m.d},         // the bypass field and the scroll bar are skipped
      {m.c, 0, m.s, 0, m.a},
      {m.s, 0, m.d, 0, m.c},
      {m.d, 0, m.a, 1, m.s},         // the last input field wraps to the first
      {nullptr, 1500, m.a, 1, m.d},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    unsigned int wrapped = 9;
    EXPECT_EQ(m.table().getNextNonBypassFieldInLTROrder(c.from, wrapped, c.offset), c.next);
    EXPECT_EQ(wrapped, c.wrapped);
    EXPECT_EQ(m.table().getPreviousNonBypassFieldInLTROrder(c.from, c.offset), c.previous);
  }
}

TEST(FormatTable, NextAndPreviousInRightToLeftOrder) {
  // Row 1: three fields, row 2: two fields (80 columns).
  Station st;
  EntryField* r1a = st.entry(kLTRField, {{2, 5}});
  EntryField* r1b = st.entry(kLTRField, {{20, 25}});
  EntryField* r1c = st.entry(kLTRField, {{50, 55}});
  EntryField* r2a = st.entry(kLTRField, {{90, 95}});
  EntryField* r2b = st.entry(kLTRField, {{120, 125}});
  st.table().setRTLFieldOrder();
  struct Case {
    Field* from;
    Field* next;
    Field* previous;
  } cases[] = {
      {r1c, r1b, r2a},  // to the left on the same row; previous: the leftmost of the row below... see below
      {r1b, r1a, r1c},
      {r1a, r2b, r1b},  // the leftmost goes to the rightmost of the row below
      {r2b, r2a, r1a},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from->getStartOffset());
    unsigned int wrapped = 0;
    EXPECT_EQ(st.table().getNextLogicalNonBypassField(c.from, wrapped, 0), c.next);
    if (c.from != r1c) EXPECT_EQ(st.table().getPreviousLogicalNonBypassField(c.from, 0), c.previous);
  }
  EXPECT_EQ(st.table().getRightMostNonBypassFieldOnLine(r1a, 2), r1c);
  // The indicator of the station follows the order.
  EXPECT_TRUE(st.display.modeFlagsB() & FormatTable::kStationRTLOrder);
  st.table().setLTRFieldOrder();
  EXPECT_FALSE(st.display.modeFlagsB() & FormatTable::kStationRTLOrder);
}

TEST(FormatTable, UnitLimit) {
  struct Case {
    const char* name;
    int selections;   // one-choice selection fields first (2 units each)
    int entries;      // then one-segment entry fields
    bool lastFits;
  } cases[] = {
      {"128 selections", 128, 0, true},
      {"129th selection", 129, 0, false},
      {"256 entries", 0, 256, true},
      {"257th entry", 0, 257, false},
      {"mixed 100 + 56", 100, 56, true},
      {"mixed 100 + 57", 100, 57, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station st;
    bool ok = true;
    unsigned int at = 0;
    for (int i = 0; i < c.selections; ++i, at += 2) ok = st.selection({{at, at}}) != nullptr;
    for (int i = 0; i < c.entries; ++i, at += 2) ok = st.entry(kLTRField, {{at, at}}) != nullptr;
    EXPECT_EQ(ok, c.lastFits);
    EXPECT_LE(st.table().unitsInUse(), 256u);
    EXPECT_EQ(st.table().validateFormatTable(nullptr), 0);
  }
  Station st;
  st.selection({{0, 1}, {3, 4}, {6, 7}});
  EXPECT_EQ(st.table().unitsInUse(), 6u);
  st.scrollBar(kHorizontalScrollBar, 100, 5);
  EXPECT_EQ(st.table().unitsInUse(), 9u);
}

TEST(FormatTable, ArenaHoldsAFullTableOfTheLargestRecords) {
  // 85 scroll bars (255 units) and 256 continued-field segments both fit.
  Station st;
  for (unsigned int i = 0; i < 85; ++i)
    ASSERT_NE(st.scrollBar(kHorizontalScrollBar, i * 10, 3), nullptr) << i;
  Station big;
  Segments many;
  for (unsigned int i = 0; i < 256; ++i) many.push_back({i * 4, i * 4 + 1});
  EXPECT_NE(big.entry(kLTRField, many), nullptr);
  EXPECT_EQ(big.table().unitsInUse(), 256u);
  EXPECT_GE(field_arena::kArenaBytes, 256 * (sizeof(LTRField) + sizeof(EntryFieldSegment)));
}

TEST(FormatTable, ValidationResults) {
  struct Case {
    const char* name;
    Segments fields;  // one entry field per pair
    int expected;
  } cases[] = {
      {"empty", {}, 0},
      {"ascending", {{10, 19}, {30, 39}, {100, 110}}, 0},
      {"touching", {{10, 19}, {19, 25}}, -1},
      {"descending", {{30, 39}, {10, 19}}, -1},
      {"adjacent", {{10, 19}, {20, 25}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station st;
    for (const auto& f : c.fields) ASSERT_NE(st.entry(kLTRField, {f}), nullptr);
    Field* bad = nullptr;
    EXPECT_EQ(st.table().validateFormatTable(&bad), c.expected);
    EXPECT_EQ(bad != nullptr, c.expected != 0);
    EXPECT_EQ(st.rendering.outstandingBuffers(), 0u);
  }
  // A selection field whose choices did not all come is not sound.
  Station st;
  Field* f = st.table().createField(kSelectionField, nullptr, 2);
  st.table().createSelectionFieldChoice(static_cast<SelectionField*>(f), 10, 12, 0);
  EXPECT_EQ(st.table().validateFormatTable(nullptr), -2);
}

TEST(FormatTable, BadHostGeometryIsRefusedNotHalted) {
  Station st;
  Field* f = st.table().createField(kLTRField, nullptr, 0);
  EntryField* e = static_cast<EntryField*>(f);
  EXPECT_EQ(st.table().createEntryFieldSegment(e, 20, 10, 1), nullptr);     // start after end
  EXPECT_EQ(st.table().createEntryFieldSegment(e, 10, 99999, 1), nullptr);  // off the buffer
  // While an entry field waits for its segments no other field is placed.
  EXPECT_EQ(st.table().createField(kLTRField, nullptr, 0), nullptr);
  EXPECT_NE(st.table().createEntryFieldSegment(e, 10, 20, 1), nullptr);
  EXPECT_EQ(st.table().createField(static_cast<FieldClassID>(9), nullptr, 0), nullptr);
  SelectionField* s = st.selection({{40, 45}});
  EXPECT_EQ(st.table().createSelectionFieldChoice(s, 50, 55, 0), nullptr);  // one too many
}

TEST(FormatTable, SystemRequestModeHidesTheTable) {
  MixedScreen m;
  const unsigned int count = m.table().fieldCount();
  m.table().enterSystemRequestMode(1841, 1918);
  EXPECT_EQ(m.table().fieldCount(), 1u);
  EXPECT_EQ(m.table().getField(10), nullptr);
  Field* line = m.table().getField(1850);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->getFieldClassID(), kLTRField);
  EXPECT_EQ(m.table().createField(kLTRField, nullptr, 0), nullptr);  // unit limit 1
  EXPECT_THROW(m.table().enterSystemRequestMode(1841, 1918), Halted);
  m.table().exitSystemRequestMode();
  EXPECT_EQ(m.table().fieldCount(), count);
  EXPECT_EQ(m.table().getField(10), m.a);
  EXPECT_EQ(m.table().lastField(), m.d);
  m.table().exitSystemRequestMode();  // not in the mode: nothing
  EXPECT_EQ(m.table().fieldCount(), count);
}

TEST(FormatTable, OrientationToggledTwice) {
  struct Case {
    FieldClassID id;
    unsigned int shift;
    FieldClassID afterOne;
  } cases[] = {
      {kLTRField, 0, kRTLField},
      {kLTRField, 1, kRTLField},
      {kWordWrapField, 0, kRTLWordWrapField},
      {kLTRField, 2, kLTRField},             // shift types 2 and up stay
      {kProtectedField, 0, kProtectedField}, // would come back as a plain field
      {kSignedNumericField, 0, kSignedNumericField},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.id));
    Station st;
    EntryField* e = st.entry(c.id, {{150, 159}, {230, 239}}, Field::kMDT);
    e->setShiftType(c.shift);
    e->setProgression(7);
    st.table().toggleFieldOrientationsForReverseScreen();
    Field* once = st.table().getField(150);
    EXPECT_EQ(once->getFieldClassID(), c.afterOne);
    st.table().toggleFieldOrientationsForReverseScreen();
    EntryField* twice = static_cast<EntryField*>(st.table().getField(150));
    EXPECT_EQ(twice->getFieldClassID(), c.id);
    EXPECT_EQ(twice->shiftType(), c.shift == 1 ? 0u : c.shift);
    EXPECT_EQ(twice->segmentCount(), 2u);
    EXPECT_EQ(twice->getLastSegmentPtr()->end, 239u);
    EXPECT_TRUE(twice->flags() & Field::kMDT);
    EXPECT_EQ(twice->progression(), 7u);
  }
}

TEST(FormatTable, SaveRestoreRoundTripAndRefusals) {
  MixedScreen m;
  m.table().validateFormatTable(nullptr);
  const auto image = SaveStream([&](qrnOStream* o) { m.table().saveFormatTable(o); });
  Station other;
  other.entry(kLTRField, {{1500, 1510}});
  {
    qrnIStream in(image.data(), image.size());
    ASSERT_FALSE(in.checkFCS());
    EXPECT_EQ(other.table().restoreFormatTable(&in), 0u);
  }
  const auto again = SaveStream([&](qrnOStream* o) { other.table().saveFormatTable(o); });
  EXPECT_EQ(MemberBytes(again), MemberBytes(image));
  EXPECT_EQ(other.table().getField(230)->getFieldClassID(), kLTRField);
  EXPECT_EQ(other.table().getField(500)->getFieldClassID(), kVerticalScrollBar);

  // Every shortened image is refused and leaves the table as it was. (The
  // last two bytes are left out: a reader past the members reads the frame
  // check; the station checks that exactly that is left.)
  const auto before = SaveStream([&](qrnOStream* o) { other.table().saveFormatTable(o); });
  const size_t n = MemberBytes(image).size();
  for (size_t keep = 0; keep + 2 < n; ++keep) {
    const auto cut = Truncated(image, keep);
    qrnIStream in(cut.data(), cut.size());
    EXPECT_NE(other.table().restoreFormatTable(&in), 0u) << keep;
  }
  EXPECT_EQ(MemberBytes(SaveStream([&](qrnOStream* o) { other.table().saveFormatTable(o); })),
            MemberBytes(before));
}

TEST(FormatTable, RestoreRefusesADifferentSecondChoiceCount) {
  Station st;
  st.selection({{400, 405}, {410, 415}});
  st.table().validateFormatTable(nullptr);
  auto members = MemberBytes(SaveStream([&](qrnOStream* o) { st.table().saveFormatTable(o); }));
  // order, count (2), class 14, choices 2, flags, 10 bytes, selected char, count (4 bytes)
  const size_t countAt = 1 + 2 + 1 + 1 + 1 + 10 + 1;
  ASSERT_EQ(members[countAt + 3], 2);
  members[countAt + 3] = 1;
  const auto bad = SaveStream([&](qrnOStream* o) { o->hostPutData(members.data(), members.size()); });
  qrnIStream in(bad.data(), bad.size());
  EXPECT_EQ(st.table().restoreFormatTable(&in), kSenseRestoreDataInvalid);
  EXPECT_EQ(st.table().fieldCount(), 1u);
}

TEST(FormatTable, RestoreOfMoreFieldsThanFitIsRefused) {
  // 300 one-segment fields claimed: refused, not a halt.
  const auto image = SaveStream([&](qrnOStream* o) {
    o->save(static_cast<unsigned char>(0), 8);
    o->hostPut16(300u);
    for (unsigned int i = 0; i < 300; ++i) {
      o->save(static_cast<unsigned char>(kLTRField), 8);
      for (int b = 0; b < 5; ++b) o->save(static_cast<unsigned char>(0), 8);
      o->hostPut16(1u);
      o->hostPut16(i * 2);
      o->hostPut16(i * 2);
      o->save(static_cast<unsigned char>(0), 8);
      o->save(static_cast<unsigned char>(0), 8);
    }
  });
  Station st;
  st.entry(kLTRField, {{5, 6}});
  qrnIStream in(image.data(), image.size());
  EXPECT_EQ(st.table().restoreFormatTable(&in), kSenseRestoreDataInvalid);
  EXPECT_EQ(st.table().fieldCount(), 1u);
}

}  // namespace
