// The pieces every data-stream machine shares: the record cursor, the
// arena, the keyboard-state transitions and the cursor-and-lock machine.
#include <gtest/gtest.h>

#include <vector>

#include "datastream/Arena.h"
#include "datastream/Databyte.h"
#include "datastream/DsmSense.h"
#include "datastream/FSMNw.h"
#include "datastream/KbdStTrn.h"
#include "datastream/WTDCsr.h"
#include "datastream/qrnIStream.h"
#include "tests/display/StreamHelpers.h"
#include "keyboard/KeyboardState.h"
#include "tests/datastream/DsmRecords.h"

namespace {

TEST(Databyte, LoadNextValueStopsOnTheLastByte) {
  const unsigned char r[] = {1, 2, 3, 4, 5};
  Databyte db(nullptr, nullptr, r, 3);  // bytes 1 2 3
  EXPECT_EQ(db.loadNextValue(2), 0);
  EXPECT_EQ(db.getValue(), 3);
  EXPECT_EQ(db.remaining, 1u);
  Databyte two(nullptr, nullptr, r, 2);
  EXPECT_EQ(two.loadNextValue(2), 1);
  EXPECT_EQ(two.getValue(), 2);
  EXPECT_EQ(two.remaining, 1u);
  EXPECT_EQ(two.loadNextValue(1), 1);  // stays on the last byte
  EXPECT_EQ(two.position(), 1u);
}

// A machine that takes one byte at a time and ends with the record.
class Counting : public FSMNw {
 public:
  explicit Counting(Arena* a) : FSMNw(a) {}
  int processInput(Databyte* db) override { return fSMContinue(db, 1); }
  int endOfData(Databyte*) override { return 42; }
};

TEST(FSMNw, ContinueAtTheLastByteAnswersTheMachinesEndOfData) {
  alignas(8) unsigned char pool[64];
  Arena arena(pool, sizeof pool);
  Counting m(&arena);
  const unsigned char r[] = {9, 8};
  Databyte db(nullptr, nullptr, r, 2);
  EXPECT_EQ(m.processInput(&db), kFsmDispatchAgain);
  EXPECT_EQ(m.processInput(&db), 42);
}

class ArenaTest : public ::testing::Test {
 protected:
  alignas(8) unsigned char pool[8 + 1024];
  Arena arena{pool, sizeof pool};
};

TEST_F(ArenaTest, FreeingTheOnlyBlockMergesBackIntoOne) {
  void* a = arena.alloc(10);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(arena.blockCount(), 2u);
  arena.aFree(a);
  EXPECT_TRUE(arena.isEmpty());
  EXPECT_EQ(arena.blockCount(), 1u);
}

TEST_F(ArenaTest, BodiesAreAlignedAndFreesMergeBothWays) {
  void* a = arena.alloc(3);
  void* b = arena.alloc(17);
  void* c = arena.alloc(40);
  for (void* p : {a, b, c}) EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % Arena::kAlign, 0u);
  arena.aFree(a);
  arena.aFree(c);
  arena.aFree(b);  // merges with both neighbours
  EXPECT_TRUE(arena.isEmpty());
}

TEST_F(ArenaTest, SmallestFittingBlockWinsAndAFullArenaAnswersNull) {
  void* a = arena.alloc(64);
  void* b = arena.alloc(8);
  void* c = arena.alloc(16);
  void* d = arena.alloc(8);
  arena.aFree(a);  // 64 free at the front
  arena.aFree(c);  // 16 free in the middle
  EXPECT_EQ(arena.alloc(16), c);
  EXPECT_EQ(arena.alloc(1024), nullptr);
  EXPECT_EQ(arena.alloc(1u << 20), nullptr);
  arena.aFree(b);
  arena.aFree(d);
}

TEST_F(ArenaTest, FreeOfSomethingElseIsIgnored) {
  void* a = arena.alloc(8);
  int x = 0;
  arena.aFree(&x);
  arena.aFree(static_cast<unsigned char*>(a) + 8);
  arena.aFree(a);
  arena.aFree(a);  // twice
  EXPECT_TRUE(arena.isEmpty());
}

TEST_F(ArenaTest, ResetGivesTheWholePoolBack) {
  for (int i = 0; i < 5; ++i) ASSERT_NE(arena.alloc(100), nullptr);
  arena.resetArena();
  EXPECT_TRUE(arena.isEmpty());
  EXPECT_NE(arena.alloc(1024), nullptr);
}

TEST(KbdStTrn, NormalLockedToUnlockedTakesTwoStepsAndCompletes) {
  DsmStation s;
  ASSERT_TRUE(s.keyboard().enterNormalLockedState());
  Databyte db(&s.display, &s.manager(), nullptr, 0);
  db.targetKeyboardState = KeyboardState::kNormalUnlocked;
  KbdStTrn t;
  t.cachedState = s.keyboard().state();
  EXPECT_EQ(t.processInput(&db), 0);  // enter
  t.cachedState = s.keyboard().state();
  EXPECT_EQ(t.processInput(&db), 1);  // complete
  EXPECT_EQ(s.keyboard().state(), KeyboardState::kNormalUnlocked);
}

TEST(KbdStTrn, ARefusedStepEndsTheTransitionInsteadOfLooping) {
  DsmStation s;
  Databyte db(&s.display, &s.manager(), nullptr, 0);
  db.targetKeyboardState = KeyboardState::kError;
  KbdStTrn t;
  t.errorColumn = 200;  // beyond the row: the keyboard refuses the error state
  EXPECT_EQ(t.kbdStateTransition(&db), 1);
  EXPECT_EQ(s.keyboard().state(), KeyboardState::kNormalUnlocked);
}

struct CsrCase {
  unsigned int from;
  WTDCsr::Event event;
  int to;  // -1: refused
};

TEST(WTDCsr, TransitionsAndRefusalsLeaveTheStateAlone) {
  const CsrCase cases[] = {
      {0, WTDCsr::kStartRead, 1},    {1, WTDCsr::kStartRead, -1},  {8, WTDCsr::kStartRead, 8},
      {2, WTDCsr::kWTDLock, 5},      {4, WTDCsr::kMoveCursor, 6},  {1, WTDCsr::kMoveCursor, -1},
      {8, WTDCsr::kInsertCursor, -1}, {7, WTDCsr::kResetIC, 5},    {1, WTDCsr::kUnlocked, 5},
      {2, WTDCsr::kCCByte1Bit1, 2},  {3, WTDCsr::kCCByte1Bit1, 8}, {8, WTDCsr::kResetIC, -1},
  };
  DsmStation s;
  for (const CsrCase& c : cases) {
    WTDCsr csr;
    csr.state = c.from;
    Databyte db(&s.display, &s.manager(), nullptr, 0);
    using Fn = int (WTDCsr::*)(Databyte*);
    const Fn fns[] = {&WTDCsr::startRead, &WTDCsr::wTDunLock,  &WTDCsr::wTDLock,
                      &WTDCsr::moveCursor, &WTDCsr::insertCursor, &WTDCsr::resetIC,
                      &WTDCsr::locked,    &WTDCsr::unlocked,   &WTDCsr::cCByte1Bit1};
    const int r = (csr.*fns[c.event])(&db);
    if (c.to < 0) {
      EXPECT_EQ(r, kFsmRejected) << c.from << "/" << c.event;
      EXPECT_EQ(csr.state, c.from);
      EXPECT_EQ(db.getSenseCode(), dsm_sense::kPrematureEnd);
    } else {
      EXPECT_EQ(r, 0) << c.from << "/" << c.event;
      EXPECT_EQ(csr.state, static_cast<unsigned int>(c.to));
    }
  }
}

TEST(Addresses, RestoreRefusesGeometryThatIsNotThisScreensAndKeepsItsOwn) {
  DsmStation s;
  Addresses& a = s.manager().addresses();
  a.loadScreenSizeStuff();
  struct Geometry {
    unsigned int flag, ic, columns, rows, lastDisplay, lastBuffer;
    bool good;
  };
  const Geometry cases[] = {
      {1, 419, 80, 24, 1919, 1999, true},
      {0, 0, 132, 27, 3563, 3695, true},
      {2, 0, 80, 24, 1919, 1999, false},      // flag not 0 or 1
      {0, 0, 0, 24, 1919, 1999, false},       // no columns
      {0, 0, 80, 24, 1919, 2000, false},      // last buffer address does not match
      {0, 0, 132, 30, 3827, 4091, false},     // beyond the buffer
      {0, 2000, 80, 24, 1919, 1999, false},   // insert cursor off the screen
  };
  for (const Geometry& g : cases) {
    const std::vector<unsigned char> stream = SaveStream([&](qrnOStream* o) {
      o->save(static_cast<unsigned char>(g.flag), 8);
      o->hostPut32(g.ic);
      o->hostPut32(g.columns);
      o->hostPut32(g.rows);
      o->hostPut32(g.lastDisplay);
      o->hostPut32(g.lastBuffer);
    });
    qrnIStream in(stream.data(), stream.size());
    Addresses copy = a;
    const uint32_t sense = a.restoreAddresses(&in);
    if (g.good) {
      EXPECT_EQ(sense, 0u) << g.columns << "x" << g.rows;
      EXPECT_EQ(a.columns, g.columns);
      a = copy;
    } else {
      EXPECT_EQ(sense, dsm_sense::kRestoreInvalid) << g.columns << "x" << g.rows;
      EXPECT_EQ(a.columns, copy.columns);
      EXPECT_EQ(a.lastBufferAddress, copy.lastBufferAddress);
      EXPECT_EQ(a.insertCursorAddress, copy.insertCursorAddress);
    }
  }
}

TEST(DsmSense, OnlyNegativeResponseCodesLeave) {
  EXPECT_TRUE(dsm_sense::isNegativeResponse(0x10050121));
  EXPECT_TRUE(dsm_sense::isNegativeResponse(0x082D0100));
  EXPECT_FALSE(dsm_sense::isNegativeResponse(0xDEADBEEF));
  EXPECT_FALSE(dsm_sense::isNegativeResponse(0));
}

}  // namespace
