// The focused field's data held reversed on a reversed screen: one field at
// a time, given back unchanged, suspended around reads and mirrored output,
// released when the format table is cleared.
#include <gtest/gtest.h>

#include "display/RestoreSense.h"
#include "tests/display/StationFixture.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes At(Station& s, unsigned int from, unsigned int n) {
  return Bytes(s.psBuffer.begin() + from, s.psBuffer.begin() + from + n);
}
void Put(Station& s, unsigned int at, const Bytes& b) {
  for (size_t i = 0; i < b.size(); ++i) s.psBuffer[at + i] = b[i];
}

TEST(ReversedFieldData, ReversingTwiceGivesTheDataBack) {
  Station s;
  EntryField* a = s.entry(kLTRField, {{100, 104}});
  EntryField* b = s.entry(kLTRField, {{200, 202}, {280, 281}});
  ASSERT_TRUE(a && b);
  // With a shaping language the mirror swaps '(' and ')'; every byte must
  // come back as it was, also those that the screen mirror maps one way
  // only.
  s.display.asd().setASDLanguage(ASD::kArabic);
  const Bytes text = {0x4D, 0x2E, 0xC1, 0x4B, 0x6B};
  Put(s, 100, text);
  Put(s, 200, {0xC1, 0xC2, 0xC3});
  Put(s, 280, {0xC4, 0xC5});
  PresentationSpaceScreenBuffer& ps = s.display.presentationSpace();
  ps.reverseEntryFieldData(a);
  EXPECT_EQ(ps.reversedField(), a);
  EXPECT_EQ(At(s, 100, 5), (Bytes{0x6B, 0x4B, 0xC1, 0x2E, 0x5D}));
  // A second field: the first one is given back first.
  ps.reverseEntryFieldData(b);
  EXPECT_EQ(ps.reversedField(), b);
  EXPECT_EQ(At(s, 100, 5), text);
  EXPECT_EQ(At(s, 200, 3), (Bytes{0xC3, 0xC2, 0xC1})) << "each segment mirrors in place";
  EXPECT_EQ(At(s, 280, 2), (Bytes{0xC5, 0xC4}));
  // Un-reversing another field does nothing.
  ps.unReverseEntryFieldData(a);
  EXPECT_EQ(ps.reversedField(), b);
  ps.unReverseEntryFieldData(b);
  EXPECT_EQ(ps.reversedField(), nullptr);
  EXPECT_EQ(At(s, 200, 3), (Bytes{0xC1, 0xC2, 0xC3}));
}

TEST(ReversedFieldData, SuspendedAroundReadsAndReleasedWithTheTable) {
  Station s;
  EntryField* a = s.entry(kLTRField, {{100, 102}});
  ASSERT_NE(a, nullptr);
  Put(s, 100, {0xC1, 0xC2, 0xC3});
  PresentationSpaceScreenBuffer& ps = s.display.presentationSpace();
  ps.reverseEntryFieldData(a);
  ps.suspendReversedFieldDataIfAny();
  EXPECT_EQ(At(s, 100, 3), (Bytes{0xC1, 0xC2, 0xC3})) << "the host's order while suspended";
  EXPECT_EQ(ps.reversedField(), nullptr);
  ps.suspendReversedFieldDataIfAny();  // nothing more to suspend
  ps.unSuspendReversedFieldDataIfAny();
  EXPECT_EQ(ps.reversedField(), a);
  EXPECT_EQ(At(s, 100, 3), (Bytes{0xC3, 0xC2, 0xC1}));
  ps.unSuspendReversedFieldDataIfAny();
  EXPECT_EQ(At(s, 100, 3), (Bytes{0xC3, 0xC2, 0xC1}));
  // Clearing the format table gives the data back and forgets the field.
  s.table().clearFormatTable();
  EXPECT_EQ(ps.reversedField(), nullptr);
  EXPECT_EQ(At(s, 100, 3), (Bytes{0xC1, 0xC2, 0xC3}));
}

TEST(ReversedFieldData, FocusOnAReversedScreenReversesTheField) {
  Station s;
  EntryField* a = s.entry(kLTRField, {{100, 102}});
  EntryField* b = s.entry(kLTRField, {{200, 202}});
  ASSERT_TRUE(a && b);
  Put(s, 100, {0xC1, 0xC2, 0xC3});
  PresentationSpaceScreenBuffer& ps = s.display.presentationSpace();
  a->gainFocus(&s.display);
  EXPECT_EQ(ps.reversedField(), nullptr) << "a normal screen keeps the data as it is";
  a->loseFocus(&s.display);
  s.display.modeFlagsB() |= DisplayBag::kBReversed;
  a->gainFocus(&s.display);
  EXPECT_EQ(ps.reversedField(), a);
  EXPECT_EQ(At(s, 100, 3), (Bytes{0xC3, 0xC2, 0xC1}));
  a->loseFocus(&s.display);
  b->gainFocus(&s.display);
  EXPECT_EQ(ps.reversedField(), b);
  EXPECT_EQ(At(s, 100, 3), (Bytes{0xC1, 0xC2, 0xC3}));
}

}  // namespace

namespace {

// A restored shaping state is checked: a state that does not exist is
// refused and the shaper keeps what it had.
TEST(ShapingState, RestoreTakesOnlyStatesThatExist) {
  Station s;
  ASD& asd = s.display.asd();
  asd.setASDLanguage(ASD::kFarsi);
  for (unsigned int state : {0u, 7u, 11u, 12u, 255u}) {
    SCOPED_TRACE(state);
    const std::vector<unsigned char> stream = SaveStream([&](qrnOStream* o) { o->save(state, 8); });
    qrnIStream in(stream.data(), stream.size());
    ASSERT_EQ(in.checkFCS(), 0u);
    const unsigned int before = asd.state();
    const unsigned int sense = asd.restoreASD(&in);
    if (state <= ASD::kForceFarsiBase) {
      EXPECT_EQ(sense, 0u);
      EXPECT_EQ(asd.state(), state);
    } else {
      EXPECT_EQ(sense, kSenseRestoreDataInvalid);
      EXPECT_EQ(asd.state(), before);
    }
  }
}

}  // namespace
