// Save and restore of every class of the presentation space: a round trip
// gives the same image again; a cut or damaged stream is refused with the
// restore sense code and leaves the object as it was.
#include <gtest/gtest.h>

#include <functional>

#include "display/CursorClass.h"
#include "display/PFKeyMask.h"
#include "display/ProgrammableMouseButtonsTable.h"
#include "display/RestoreSense.h"
#include "tests/display/FakeStation.h"
#include "tests/display/StreamHelpers.h"

namespace {
// Everything a display save writes from the classes here, in the station's order.
struct Members {
  explicit Members(FakeStation& s) : st(s), cursor(&s) {}
  void save(qrnOStream* o) const {
    cursor.saveCursor(o);
    st.controlData.saveControlData(o);
    st.indicators.saveIndicators(o);
    mask.savePFKeyMask(o);
    buttons.saveProgrammableMouseButtonsTable(o);
    st.ps.savePresentationSpace(o, 0);
    st.primary.saveAllECBPlanes(o);
  }
  unsigned int restore(qrnIStream* in) {
    unsigned int rc = 0;
    const std::function<unsigned int()> steps[] = {
        [&] { return cursor.restoreCursor(in); },
        [&] { return st.controlData.restoreControlData(in); },
        [&] { return st.indicators.restoreIndicators(in); },
        [&] { return mask.restorePFKeyMask(in); },
        [&] { return buttons.restoreProgrammableMouseButtonsTable(&st, in); },
        [&] { return st.ps.restorePresentationSpace(in); },
        [&] { return st.primary.restoreAllECBPlanes(in); }};
    for (const auto& step : steps)
      if ((rc = step()) != 0) return rc;
    return in->checkRestore() ? kSenseRestoreDataInvalid : 0;
  }
  std::vector<unsigned char> image() const {
    return SaveStream([&](qrnOStream* o) { save(o); });
  }
  FakeStation& st;
  CursorClass cursor;
  PFKeyMask mask;
  ProgrammableMouseButtonsTable buttons;
};

void Fill(FakeStation& st, Members& m) {
  for (unsigned int i = 0; i < 2000; i += 7) st.ps.writeCharacter(i, 0xC1 + i % 9);
  st.ps.writeCharacter(1999, 0x11);  // the run marker itself
  st.primary.writeCharacter(40, 0x84);
  st.colour.writeCharacter(41, 0x8E);
  st.indicators.current().set(Indicators::kInsert | Indicators::kRightToLeftCursor);
  st.controlData.setCursorRequest(0x24);
  st.controlData.setControlBits(DisplayControlData::kHideCursor);
  m.cursor.moveCursorWithinSameArea(321, CursorOffsetAsShown);
  m.cursor.setHomePosition(81);
  m.cursor.setRememberedColumn(12);
  m.cursor.setWindowRestrictedCursorMovement(3, 40, 2, 9);
  m.mask.setPFKeyMask(2, 0x5A);
  m.buttons.addTableEntry(&st, 3, {0x80 | 0x40, 4, 0x31});
  m.buttons.addTableEntry(&st, 18, {0x20, 0, 0xF1});
}

TEST(SaveRestore, RoundTripGivesTheSameImage) {
  FakeStation a;
  Members ma(a);
  Fill(a, ma);
  const auto saved = ma.image();

  FakeStation b;
  Members mb(b);
  qrnIStream in(saved.data(), saved.size());
  ASSERT_FALSE(in.checkFCS());
  ASSERT_EQ(mb.restore(&in), 0u);
  EXPECT_EQ(MemberBytes(mb.image()), MemberBytes(saved));
  EXPECT_EQ(0, memcmp(a.psBytes.data(), b.psBytes.data(), 2000));
  EXPECT_EQ(a.words, b.words);
}

TEST(SaveRestore, EveryTruncationIsRefusedAndChangesNothing) {
  FakeStation a;
  Members ma(a);
  Fill(a, ma);
  const auto saved = ma.image();
  const size_t members = MemberBytes(saved).size();

  FakeStation b;
  Members mb(b);
  b.ps.writeCharacter(5, 0xE5);
  const auto before = mb.image();
  for (size_t keep = 0; keep < members; ++keep) {
    const auto cut = Truncated(saved, keep);
    qrnIStream in(cut.data(), cut.size());
    ASSERT_FALSE(in.checkFCS());
    // A class that finds its own part complete restores it; the first one
    // that does not refuses. Restore on a fresh copy each time.
    FakeStation c;
    Members mc(c);
    c.ps.writeCharacter(5, 0xE5);
    EXPECT_EQ(mc.restore(&in), kSenseRestoreDataInvalid) << "kept " << keep;
  }
  // The classes here refuse before they change: a cut inside the plane data
  // leaves the plane alone.
  const auto cut = Truncated(saved, members - 10);
  qrnIStream in(cut.data(), cut.size());
  qrnIStream skip(saved.data(), saved.size());
  EXPECT_EQ(b.ps.restorePresentationSpace(&in), kSenseRestoreDataInvalid);
  EXPECT_EQ(MemberBytes(mb.image()), MemberBytes(before));
}

struct Corruption {
  const char* name;
  std::function<void(qrnOStream*)> write;
  std::function<unsigned int(FakeStation&, qrnIStream*)> restore;
};

class CorruptStreams : public ::testing::TestWithParam<Corruption> {};

TEST_P(CorruptStreams, AreRefusedWithTheRestoreSense) {
  FakeStation st;
  st.ps.writeCharacter(3, 0xC1);
  const auto before = SaveStream([&](qrnOStream* o) {
    st.ps.savePresentationSpace(o, 0);
    st.primary.saveAllECBPlanes(o);
  });
  const auto bad = SaveStream(GetParam().write);
  qrnIStream in(bad.data(), bad.size());
  ASSERT_FALSE(in.checkFCS());
  EXPECT_EQ(GetParam().restore(st, &in), kSenseRestoreDataInvalid);
  const auto after = SaveStream([&](qrnOStream* o) {
    st.ps.savePresentationSpace(o, 0);
    st.primary.saveAllECBPlanes(o);
  });
  EXPECT_EQ(before, after);
  EXPECT_EQ(st.rendering.outstandingBuffers(), 0u);
}

auto PlaneHeader(unsigned int device, unsigned int last, unsigned char rows, unsigned char cols,
                 unsigned char clear) {
  return [=](qrnOStream* o) {
    o->hostPut32(device);
    o->hostPut32(0u);
    o->hostPut16(static_cast<unsigned short>(last));
    o->save(rows, 8);
    o->save(cols, 8);
    o->save(clear, 8);
  };
}
unsigned int RestorePlane(FakeStation& st, qrnIStream* in) {
  return st.ps.restorePresentationSpace(in);
}
unsigned int RestoreEcb(FakeStation& st, qrnIStream* in) {
  return st.primary.restoreAllECBPlanes(in);
}
auto EcbHeader(unsigned short last, unsigned char rows, unsigned char cols, unsigned char clear) {
  return [=](qrnOStream* o) {
    for (int i = 0; i < 3; ++i) {
      o->hostPut16(last);
      o->save(rows, 8);
      o->save(cols, 8);
    }
    for (int i = 0; i < 3; ++i) o->save(clear, 8);
  };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorruptStreams,
    ::testing::Values(
        Corruption{"HugeDeviceDataLength", PlaneHeader(0xFFFFFFF0u, 1999, 24, 80, 1),
                   RestorePlane},
        Corruption{"LastOffsetBeyondTheBuffer", PlaneHeader(0, 5000, 24, 80, 1), RestorePlane},
        Corruption{"LastOffsetNotTheSize", PlaneHeader(0, 1000, 24, 80, 1), RestorePlane},
        Corruption{"RowsTooMany", PlaneHeader(0, 40 * 132 + 131, 40, 132, 1), RestorePlane},
        Corruption{"NoColumns", PlaneHeader(0, 0xFFFF, 24, 0, 1), RestorePlane},
        Corruption{"ClearFlagNotABool", PlaneHeader(0, 1999, 24, 80, 7), RestorePlane},
        Corruption{"PlaneDataMissing", PlaneHeader(0, 1999, 24, 80, 0), RestorePlane},
        Corruption{"PlaneBlockOfTheWrongSize",
                   [](qrnOStream* o) {
                     PlaneHeader(0, 1999, 24, 80, 0)(o);
                     const unsigned char few[10] = {};
                     o->hostPutDataCompressed(few, 10);
                   },
                   RestorePlane},
        Corruption{"EcbGeometry", EcbHeader(5000, 24, 80, 1), RestoreEcb},
        Corruption{"EcbClearFlag", EcbHeader(1999, 24, 80, 2), RestoreEcb},
        Corruption{"EcbWordsMissing", EcbHeader(1999, 24, 80, 0), RestoreEcb}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveRestore, MouseButtonAndCursorValuesAreChecked) {
  FakeStation st;
  ProgrammableMouseButtonsTable t;
  const auto badEntry = SaveStream([](qrnOStream* o) {
    o->save(0, 8);
    for (int i = 0; i < 18; ++i) {
      o->save(i == 4 ? 0x80 : 0, 8);
      o->save(i == 4 ? 25 : 0, 8);  // second button out of range
      o->save(i == 4 ? 0x31 : 0, 8);
    }
  });
  qrnIStream in(badEntry.data(), badEntry.size());
  EXPECT_EQ(t.restoreProgrammableMouseButtonsTable(&st, &in), kSenseRestoreDataInvalid);
  EXPECT_TRUE(t.isClear());

  CursorClass cursor(&st);
  const auto badWindow = SaveStream([](qrnOStream* o) {
    o->hostPut16(10);
    o->hostPut16(0);
    o->save(0, 8);
    o->save(30, 8);  // left beyond right
    o->save(20, 8);
    o->save(1, 8);
    o->save(5, 8);
  });
  qrnIStream in2(badWindow.data(), badWindow.size());
  EXPECT_EQ(cursor.restoreCursor(&in2), kSenseRestoreDataInvalid);
  EXPECT_EQ(cursor.getCursorOffset(), 0u);
  EXPECT_FALSE(cursor.hasWindow());
}

struct CompressedCase {
  const char* name;
  unsigned int rows, columns;
  bool ecb;
  std::vector<std::string> expected;
};
class RestoredScreenOutput : public ::testing::TestWithParam<CompressedCase> {};

TEST_P(RestoredScreenOutput, IsCompressedOnlyOnAPlain24By80Screen) {
  const CompressedCase& c = GetParam();
  FakeStation a(c.rows, c.columns);
  a.ps.fillRange(0, c.rows * c.columns - 1, 0x40);
  a.ps.writeCharacter(0, 0x11);
  if (c.ecb) a.primary.writeCharacter(3, 0x84);
  const auto saved = SaveStream([&](qrnOStream* o) {
    a.ps.savePresentationSpace(o, 0);
    a.primary.saveAllECBPlanes(o);
  });
  FakeStation b(c.rows, c.columns);
  b.characteristics.word[1] |= 0x20000000;
  qrnIStream in(saved.data(), saved.size());
  ASSERT_EQ(b.ps.restorePresentationSpace(&in), 0u);
  ASSERT_EQ(b.primary.restoreAllECBPlanes(&in), 0u);
  b.output();
  EXPECT_EQ(b.rendering.calls, c.expected);
  EXPECT_EQ(0, memcmp(a.psBytes.data(), b.psBytes.data(), a.psBytes.size()));
  EXPECT_EQ(b.rendering.outstandingBuffers(), 0u);
  // The restored plane is not clear: a later clear empties it.
  b.ps.clearEntirePlane(0);
  EXPECT_EQ(b.psBytes[5], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoredScreenOutput,
    ::testing::Values(
        CompressedCase{"Plain24By80", 24, 80, false,
                       {"clearAllPlanes(0)", "updatePresentationSpaceCompressed(30,0)"}},
        CompressedCase{"Plain27By132", 27, 132, false,
                       {"clearAllPlanes(0)", "updatePresentationSpacePlane(0,0,3696)"}},
        CompressedCase{"Extended24By80", 24, 80, true,
                       {"updateAllPlanes(0,2000,0,2000,0,2000,0,2000)"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveRestore, DeviceDataAndImagesComeBackAtTheNextOutput) {
  FakeStation a;
  a.flagsB |= 0x80000000u | 0x08000000u;  // audio/video and images in use
  a.rendering.deviceData = {1, 2, 3};
  a.rendering.imageData = {4, 5};
  const auto saved = SaveStream([&](qrnOStream* o) { a.ps.savePresentationSpace(o, 0); });
  FakeStation b;
  qrnIStream in(saved.data(), saved.size());
  ASSERT_EQ(b.ps.restorePresentationSpace(&in), 0u);
  b.output();
  EXPECT_EQ(b.rendering.calls,
            std::vector<std::string>({"clearPresentationSpace()", "hook23(3)", "restoreImage(2)"}));
  EXPECT_EQ(b.rendering.outstandingBuffers(), 0u);
}
}  // namespace
