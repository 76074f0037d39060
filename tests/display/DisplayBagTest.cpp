// The display station as one object: save/restore of every member, and
// restores that fail part-way leave it exactly as it was.
#include <gtest/gtest.h>

#include "display/RestoreSense.h"
#include "tests/display/StationFixture.h"

namespace {

std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return "snapshots differ at " + std::to_string(i) + " of " + std::to_string(a.size()) + "/" +
         std::to_string(b.size()) + ": " + a.substr(i > 20 ? i - 20 : 0, 40);
}

// A station with something in every member.
void Populate(Station& st) {
  st.entry(kLTRField, {{10, 19}}, Field::kMDT);
  st.entry(kLTRField, {{150, 159}, {230, 239}});
  st.selection({{400, 405}, {410, 415}});
  st.scrollBar(kHorizontalScrollBar, 600, 6);
  st.entry(kSignedNumericField, {{1000, 1009}});
  ASSERT_EQ(st.table().validateFormatTable(nullptr), 0);
  PresentationSpaceScreenBuffer& ps = st.display.presentationSpace();
  const unsigned char text[] = {0xC6, 0xF1, 0xF3, 0x7E, 0x40, 0xC5, 0xA7, 0x89, 0xA3};
  ps.writeData(text, sizeof text, 1700);
  ps.writeCharacter(9, 0x20);
  st.display.cursor().initializeCursorToArea(12, 0, CursorOffsetAsShown);
  st.display.modeFlagsA() |= DisplayBag::kAInsert;
  st.display.pfKeyMask().setPFKeyMask(1, 0x0F);
  st.display.contentionError().setContentionError();
  ASSERT_TRUE(st.keyboard().enterErrorState(12, 0, 1, 0, 0));
}

TEST(DisplayStation, SaveRestoreRoundTripIsByteIdentical) {
  Station source;
  Populate(source);
  const auto image = source.save();
  for (int into = 0; into < 2; ++into) {
    Station fresh;
    Station& target = into == 0 ? fresh : source;
    ASSERT_EQ(target.restore(image), 0u);
    EXPECT_EQ(MemberBytes(target.save()), MemberBytes(image));
    EXPECT_EQ(target.keyboard().state(), KeyboardState::kError);
    EXPECT_EQ(target.table().fieldCount(), 5u);
    EXPECT_EQ(target.display.presentationSpace().getCharacter(1700), 0xC6);
  }
}

TEST(DisplayStation, PartialSaveKeepsImagesAndAFullOneDropsThem) {
  for (unsigned int partial : {0u, 1u}) {
    Station st;
    const auto image = st.save(partial);
    st.display.modeFlagsB() |= DisplayBag::kBImages;
    ASSERT_EQ(st.restore(image), 0u);
    EXPECT_EQ((st.display.modeFlagsB() & DisplayBag::kBImages) != 0, partial != 0);
  }
}

// Every cut of a good image, and every image with one byte changed, is
// either taken whole or leaves every member of the station as it was.
TEST(DisplayStation, FailedRestoreChangesNothing) {
  Station source;
  Populate(source);
  const auto image = source.save();
  const auto members = MemberBytes(image);

  Station target;
  target.entry(kLTRField, {{1500, 1520}});
  target.display.presentationSpace().writeCharacter(77, 0xC1);
  target.display.cursor().initializeCursorToArea(1505, 0, CursorOffsetAsShown);
  target.snapshot();  // the first save validates the new field
  const std::string before = target.snapshot();

  for (size_t keep = 0; keep < members.size(); ++keep) {
    SCOPED_TRACE(keep);
    ASSERT_NE(target.restore(Truncated(image, keep)), 0u);
    ASSERT_TRUE(target.snapshot() == before) << FirstDifference(target.snapshot(), before);
  }
  size_t accepted = 0;
  for (size_t at = 0; at < members.size(); ++at) {
    SCOPED_TRACE(at);
    auto changed = members;
    changed[at] ^= 0xA5;
    const auto stream =
        SaveStream([&](qrnOStream* o) { o->hostPutData(changed.data(), changed.size()); });
    Station fresh;
    fresh.entry(kLTRField, {{1500, 1520}});
    fresh.display.presentationSpace().writeCharacter(77, 0xC1);
    fresh.display.cursor().initializeCursorToArea(1505, 0, CursorOffsetAsShown);
    fresh.snapshot();
    const std::string mine = fresh.snapshot();
    if (fresh.restore(stream) == 0)
      ++accepted;
    else
      ASSERT_TRUE(fresh.snapshot() == mine) << FirstDifference(fresh.snapshot(), mine);
  }
  EXPECT_LT(accepted, members.size());
}

TEST(DisplayStation, ChangeScreenSizeClearsEveryPlane) {
  Station st;
  Populate(st);
  st.display.primaryPlane().writeCharacter(5, 0x81);
  st.display.changeScreenSize(27, 132);
  PresentationSpaceScreenBuffer& ps = st.display.presentationSpace();
  EXPECT_EQ(ps.rows(), 27u);
  EXPECT_EQ(ps.columns(), 132u);
  for (unsigned int p = 0; p <= ps.lastOffset(); ++p) {
    ASSERT_EQ(ps.getCharacter(p), 0) << p;
    ASSERT_EQ(st.display.primaryPlane().getCharacter(p), 0) << p;
  }
  st.display.changeScreenSize(200, 200);  // does not fit: nothing happens
  EXPECT_EQ(ps.rows(), 27u);
}

TEST(DisplayStation, PostDatastreamProcessingStartsThePendingReadAndTheTranslator) {
  Station st;
  st.display.postAidCode(0xF3);
  EXPECT_EQ(st.display.postDatastreamProcessing(), 0u);
  EXPECT_EQ(st.display.readMgr().lastActivatedAid(), 0xF3);
  EXPECT_EQ(st.tax.continuations(), 1u);
}

}  // namespace
