// Each field class through the format table's save stream: what a field
// holds comes back member by member, and restore images whose fields
// overlap, run out of range or disagree with themselves are refused with
// the restore's sense code, leaving the table as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "display/RestoreSense.h"
#include "tests/display/StationFixture.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes SaveTable(Station& st) {
  EXPECT_EQ(st.table().validateFormatTable(nullptr), 0);
  return SaveStream([&](qrnOStream* o) { st.table().saveFormatTable(o); });
}

unsigned int RestoreTable(Station& st, const Bytes& image) {
  qrnIStream in(image.data(), image.size());
  if (in.checkFCS()) return 1;
  return st.table().restoreFormatTable(&in);
}

EntryFieldSegment* Segment(EntryField* e, unsigned int i) {
  return const_cast<EntryFieldSegment*>(e->getFirstSegmentPtr()) + i;
}

// Distinct values in every member an entry field saves.
void FillEntry(EntryField* e) {
  e->setFormatByte(0, 0x98 | (e->shiftType() & 0x07));
  e->setFormatByte(1, EntryField::kLightPenWrite | EntryField::kChangedByEditKey | 0x02);
  e->setFormatByte(2, EntryField::kModulus10 | 0x25);
  e->setFormatByte(3, 0x7C);
  e->setProgression(9);
  for (unsigned int i = 0; i < e->segmentCount(); ++i) Segment(e, i)->attribute = static_cast<unsigned char>(0x20 + i);
}

void CheckEntry(const EntryField* was, Field* f) {
  auto* e = static_cast<EntryField*>(f);
  for (unsigned int i = 0; i < 4; ++i) EXPECT_EQ(e->formatByte(i), was->formatByte(i)) << "format byte " << i;
  EXPECT_EQ(e->progression(), was->progression());
  ASSERT_EQ(e->segmentCount(), was->segmentCount());
  const EntryFieldSegment* a = was->getFirstSegmentPtr();
  const EntryFieldSegment* b = e->getFirstSegmentPtr();
  for (unsigned int i = 0; i < e->segmentCount(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(b[i].start, a[i].start);
    EXPECT_EQ(b[i].end, a[i].end);
    EXPECT_EQ(b[i].attribute, a[i].attribute);
    EXPECT_EQ(b[i].isFirstSegment(), i == 0);
    EXPECT_EQ(b[i].isLastSegment(), i + 1 == e->segmentCount());
  }
}

TEST(FieldSaveRestore, EveryFieldClassRoundTrips) {
  struct Case {
    const char* name;
    FieldClassID id;
    // Builds the field in `st` with distinct members; returns it.
    std::function<Field*(Station& st)> build;
    // Compares the restored field with the saved one.
    std::function<void(Field* was, Field* now)> check;
    bool first = false;  // built before the other fields
  };
  auto entryCase = [](const char* name, FieldClassID id, Segments segments, unsigned int shift) {
    return Case{name, id,
                [=](Station& st) -> Field* {
                  EntryField* e = st.entry(id, segments, Field::kMDT | Field::kAutoEnter);
                  if (!e) return nullptr;
                  e->setShiftType(shift);
                  FillEntry(e);
                  return e;
                },
                [](Field* was, Field* now) { CheckEntry(static_cast<EntryField*>(was), now); }};
  };
  auto barCase = [](const char* name, FieldClassID id, unsigned int start, unsigned int size) {
    return Case{name, id,
                [=](Station& st) -> Field* {
                  ScrollBarField* s = st.scrollBar(id, start, size);
                  if (!s) return nullptr;
                  s->setScrollBarParameters(start, 70000, 1234, size);
                  s->setSlider(2, 3);
                  s->setBarCharacters(0x4C, 0x6E);
                  s->setFlags(Field::kMDT);
                  return s;
                },
                [](Field* was, Field* now) {
                  auto* a = static_cast<ScrollBarField*>(was);
                  auto* b = static_cast<ScrollBarField*>(now);
                  EXPECT_EQ(b->barFlags(), a->barFlags());
                  EXPECT_EQ(b->barSize(), a->barSize());
                  EXPECT_EQ(b->totalRows(), 70000u);
                  EXPECT_EQ(b->position(), 1234u);
                  EXPECT_EQ(b->sliderOffset(), 2u);
                  EXPECT_EQ(b->sliderSize(), 3u);
                  // A restored bar reports no movement until it is used.
                  unsigned char data[4] = {9, 9, 9, 9};
                  ASSERT_EQ(b->readIncrement(data, 4), 4);
                  EXPECT_EQ(Bytes(data, data + 4), Bytes(4, 0));
                }};
  };
  auto selectionCase = [](const char* name, Segments choices) {
    return Case{name,
                kSelectionField,
                [=](Station& st) -> Field* {
                  SelectionField* s = st.selection(choices);
                  if (!s) return nullptr;
                  const unsigned char indicators[6] = {0x21, 0x22, 0x23, 0x24, 0x25, 0x26};
                  s->define(SelectionField::kChoiceAids | SelectionField::kInOrder, 2, indicators);
                  s->setSelectionType(SelectionField::kTypeIndicator);
                  s->setSingleChoice(true);
                  s->setIndicatorCharacters(0x4E, 0x61);
                  for (unsigned int i = 0; i < s->builtChoices(); ++i) {
                    SelectionFieldChoice* c = s->choice(i);
                    c->state = static_cast<unsigned char>(SelectionFieldChoice::kAvailable |
                                                          (i == 1 ? SelectionFieldChoice::kSelected : 0));
                    c->mnemonic = static_cast<unsigned char>(0xC1 + i);
                    c->aid = static_cast<unsigned char>(0x31 + i);
                  }
                  s->setFlags(Field::kMDT);
                  return s;
                },
                [](Field* was, Field* now) {
                  auto* a = static_cast<SelectionField*>(was);
                  auto* b = static_cast<SelectionField*>(now);
                  EXPECT_EQ(b->options(), a->options());
                  EXPECT_EQ(b->selectionType(), a->selectionType());
                  EXPECT_EQ(b->isSingleChoice(), a->isSingleChoice());
                  EXPECT_EQ(b->columns(), a->columns());
                  for (unsigned int i = 0; i < 6; ++i) EXPECT_EQ(b->indicator(i), a->indicator(i));
                  EXPECT_EQ(b->deselectedCharacter(), a->deselectedCharacter());
                  EXPECT_EQ(b->selectedCharacter(), a->selectedCharacter());
                  ASSERT_EQ(b->builtChoices(), a->builtChoices());
                  EXPECT_EQ(b->choiceCount(), a->choiceCount());
                  for (unsigned int i = 0; i < b->builtChoices(); ++i) {
                    SCOPED_TRACE(i);
                    EXPECT_EQ(b->choice(i)->start, a->choice(i)->start);
                    EXPECT_EQ(b->choice(i)->end, a->choice(i)->end);
                    EXPECT_EQ(b->choice(i)->state, a->choice(i)->state);
                    EXPECT_EQ(b->choice(i)->mnemonic, a->choice(i)->mnemonic);
                    EXPECT_EQ(b->choice(i)->aid, a->choice(i)->aid);
                  }
                },
                choices.empty()};
  };
  const Case cases[] = {
      entryCase("left-to-right", kLTRField, {{100, 119}}, 0),
      entryCase("left-to-right, three segments", kLTRField, {{150, 159}, {230, 239}, {310, 319}}, 3),
      entryCase("right-to-left", kRTLField, {{100, 119}}, 4),
      entryCase("protected", kProtectedField, {{100, 119}}, 6),
      entryCase("selection cursor", kSelectionCursorField, {{100, 119}}, 6),
      entryCase("signed numeric", kSignedNumericField, {{100, 119}}, 7),
      entryCase("word wrap", kWordWrapField, {{100, 139}, {180, 219}}, 0),
      entryCase("right-to-left word wrap", kRTLWordWrapField, {{100, 139}, {180, 219}}, 4),
      selectionCase("selection field", {{400, 405}, {410, 415}, {420, 425}}),
      selectionCase("selection field without choices", {}),
      barCase("vertical scroll bar", kVerticalScrollBar, 500, 6),
      barCase("horizontal scroll bar", kHorizontalScrollBar, 1600, 12),
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station from;
    Field* f = c.first ? c.build(from) : nullptr;
    EntryField* before = from.entry(kLTRField, {{10, 19}}, Field::kBypass);
    ASSERT_NE(before, nullptr);
    if (!c.first) f = c.build(from);
    ASSERT_NE(f, nullptr);
    EntryField* after = from.entry(kSignedNumericField, {{1800, 1809}});
    ASSERT_NE(after, nullptr);
    const unsigned char flags = f->flags();
    const Bytes image = SaveTable(from);

    Station to;
    to.entry(kLTRField, {{1500, 1510}});
    ASSERT_EQ(RestoreTable(to, image), 0u);
    EXPECT_EQ(to.table().fieldCount(), from.table().fieldCount());
    Field* now = c.first ? to.table().firstRecord() : to.table().nextRecord(to.table().firstRecord());
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->getFieldClassID(), c.id);
    EXPECT_EQ(now->flags(), flags);
    c.check(f, now);
    EXPECT_EQ(to.table().lastField()->getFieldClassID(), kSignedNumericField);
    EXPECT_EQ(MemberBytes(SaveTable(to)), MemberBytes(image));
  }
}

// Writes restore images by hand: the field order, the count, then each
// field's class and members.
class ImageWriter {
 public:
  explicit ImageWriter(unsigned int count) : count_(count) {}
  ImageWriter& entry(FieldClassID id, const Segments& segments) {
    steps_.push_back([=](qrnOStream* o) {
      o->save(static_cast<unsigned char>(id), 8);
      o->save(static_cast<unsigned char>(0), 8);  // flags
      for (int i = 0; i < 4; ++i) o->save(static_cast<unsigned char>(0), 8);
      o->hostPut16(static_cast<unsigned int>(segments.size()));
      for (const auto& s : segments) {
        o->hostPut16(s.first);
        o->hostPut16(s.second);
        o->save(static_cast<unsigned char>(0x20), 8);
      }
      o->save(static_cast<unsigned char>(0), 8);  // pointer-device AID
    });
    return *this;
  }
  ImageWriter& selection(const Segments& choices) {
    steps_.push_back([=](qrnOStream* o) {
      o->save(static_cast<unsigned char>(kSelectionField), 8);
      o->save(static_cast<unsigned char>(choices.size()), 8);
      o->save(static_cast<unsigned char>(0), 8);
      for (int i = 0; i < 11; ++i) o->save(static_cast<unsigned char>(0), 8);
      o->hostPut32(static_cast<unsigned int>(choices.size()));
      for (const auto& c : choices) {
        o->hostPut16(c.first);
        o->hostPut16(c.second);
        for (int i = 0; i < 4; ++i) o->save(static_cast<unsigned char>(0), 8);
      }
    });
    return *this;
  }
  ImageWriter& verticalBar(unsigned int start, unsigned int size, unsigned int total, unsigned int position) {
    steps_.push_back([=](qrnOStream* o) {
      o->save(static_cast<unsigned char>(kVerticalScrollBar), 8);
      o->save(static_cast<unsigned char>(Field::kBypass), 8);
      o->save(static_cast<unsigned char>(0), 8);
      o->hostPut16(start);
      o->hostPut16(start);
      o->hostPut32(total);
      o->hostPut32(position);
      o->save(static_cast<unsigned char>(size), 8);
      o->save(static_cast<unsigned char>(0), 8);
      o->save(static_cast<unsigned char>(1), 8);
      o->save(static_cast<unsigned char>(0x4C), 8);
      o->save(static_cast<unsigned char>(0x6E), 8);
    });
    return *this;
  }
  Bytes image() const {
    return SaveStream([&](qrnOStream* o) {
      o->save(static_cast<unsigned char>(0), 8);
      o->hostPut16(count_);
      for (const auto& step : steps_) step(o);
    });
  }

 private:
  unsigned int count_;
  std::vector<std::function<void(qrnOStream*)>> steps_;
};

TEST(FieldSaveRestore, OverlappingOrBadDefinitionsAreRefused) {
  struct Case {
    const char* name;
    ImageWriter writer;
    bool accepted;
  } cases[] = {
      {"two fields side by side", ImageWriter(2).entry(kLTRField, {{10, 19}}).entry(kLTRField, {{21, 30}}), true},
      {"a field inside another", ImageWriter(2).entry(kLTRField, {{10, 40}}).entry(kLTRField, {{20, 25}}), false},
      {"a field over the next one's start",
       ImageWriter(2).entry(kLTRField, {{10, 19}}).entry(kLTRField, {{15, 30}}), false},
      {"a field sharing another's last position",
       ImageWriter(2).entry(kLTRField, {{10, 19}}).entry(kLTRField, {{19, 30}}), false},
      {"fields out of order", ImageWriter(2).entry(kLTRField, {{100, 119}}).entry(kLTRField, {{10, 19}}), false},
      {"a segment inside another field",
       ImageWriter(2).entry(kLTRField, {{10, 19}, {300, 319}}).entry(kLTRField, {{200, 350}}), false},
      {"segments out of order", ImageWriter(1).entry(kLTRField, {{200, 219}, {100, 119}}), false},
      {"segments overlapping", ImageWriter(1).entry(kLTRField, {{200, 219}, {210, 239}}), false},
      {"a segment beyond the buffer", ImageWriter(1).entry(kLTRField, {{3600, 5000}}), false},
      {"no segments", ImageWriter(1).entry(kLTRField, {}), false},
      {"a choice inside an entry field",
       ImageWriter(2).entry(kLTRField, {{400, 430}}).selection({{410, 415}}), false},
      {"choices overlapping", ImageWriter(1).selection({{400, 405}, {403, 410}}), false},
      {"choices sharing a position", ImageWriter(1).selection({{400, 405}, {405, 410}}), false},
      {"a scroll bar through an entry field",
       ImageWriter(2).entry(kLTRField, {{150, 170}}).verticalBar(165, 3, 100, 0), false},
      {"a sound scroll bar", ImageWriter(1).verticalBar(159, 4, 100, 10), true},
      {"a scroll bar below the buffer", ImageWriter(1).verticalBar(3650, 4, 100, 0), false},
      {"a scroll bar past its rows", ImageWriter(1).verticalBar(159, 4, 100, 101), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station st;
    st.entry(kLTRField, {{1500, 1510}});
    ASSERT_EQ(st.table().validateFormatTable(nullptr), 0);
    const Bytes before = MemberBytes(SaveTable(st));
    const unsigned int sense = RestoreTable(st, c.writer.image());
    if (c.accepted) {
      EXPECT_EQ(sense, 0u);
      continue;
    }
    EXPECT_EQ(sense, kSenseRestoreDataInvalid);
    EXPECT_EQ(st.table().fieldCount(), 1u);
    EXPECT_EQ(MemberBytes(SaveTable(st)), before);
  }
}

}  // namespace
