// The keyboard state machine of a whole station: every transition, the
// error line, dispatch by state and the restore checks.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "display/RestoreSense.h"
#include "keyboard/UserInput.h"
#include "tests/display/StationFixture.h"

namespace {

using S = KeyboardState;

struct Fixture : Station {
  Fixture() { bar = scrollBar(kVerticalScrollBar, 600, 3); }
  ScrollBarField* bar;

  // Brings the keyboard into `state` by legal steps.
  void reach(int state) {
    KeyboardState& k = keyboard();
    switch (state) {
      case 0: break;
      case 1: ASSERT_TRUE(k.enterSystemRequestState()); break;
      case 2: ASSERT_TRUE(k.enterErrorState(5, 0, 1, 0, 0)); break;
      case 3: reach(2); ASSERT_TRUE(k.enterPostHelpErrorState()); break;
      case 4: ASSERT_TRUE(k.enterNormalLockedState()); break;
      case 7: ASSERT_TRUE(k.enterDragAndDropState(bar, 600)); break;
      case 8: ASSERT_TRUE(k.enterTwoMouseEventState(1, 10)); break;
      case 9: ASSERT_TRUE(k.enterCopyState(S::kLinearCopy, 10, 0)); break;
      case 10:
        reach(9);
        k.updateCopyState(20);
        ASSERT_TRUE(k.enterPostCopyState(-1, S::kLinearCopy));
        break;
      case 11: ASSERT_TRUE(k.enterWPState()); break;
    }
    ASSERT_EQ(k.state(), state);
  }
};

using Op = std::function<bool(Fixture&)>;

const std::map<std::string, Op>& Operations() {
  static const std::map<std::string, Op> ops = {
      {"lock", [](Fixture& f) { return f.keyboard().enterNormalLockedState(); }},
      {"unlock", [](Fixture& f) { return f.keyboard().enterNormalUnlockState(); }},
      {"toLocked", [](Fixture& f) { return f.keyboard().changeErrorStateToLocked(); }},
      {"toUnlocked", [](Fixture& f) { return f.keyboard().changeErrorStateToUnlocked(); }},
      {"error", [](Fixture& f) { return f.keyboard().enterErrorState(7, 0, 1, 0, 0); }},
      {"hostError", [](Fixture& f) { return f.keyboard().enterErrorState(0x0044, 1, 10, 40, 0); }},
      {"reentry", [](Fixture& f) { return f.keyboard().enterErrorState(7, 0, 1, 0, 1); }},
      {"exitError", [](Fixture& f) { return f.keyboard().exitErrorState(); }},
      {"help", [](Fixture& f) { return f.keyboard().enterPostHelpErrorState(); }},
      {"exitHelp", [](Fixture& f) { return f.keyboard().exitPostHelpErrorState(); }},
      {"sysreq", [](Fixture& f) { return f.keyboard().enterSystemRequestState(); }},
      {"exitSysreq", [](Fixture& f) { return f.keyboard().exitSystemRequestState(); }},
      {"drag", [](Fixture& f) { return f.keyboard().enterDragAndDropState(f.bar, 600); }},
      {"exitDrag", [](Fixture& f) {
         const auto before = f.keyboard().state();
         f.keyboard().exitDragAndDropState();
         return f.keyboard().state() != before;
       }},
      {"two", [](Fixture& f) { return f.keyboard().enterTwoMouseEventState(2, 30); }},
      {"exitTwo", [](Fixture& f) { return f.keyboard().exitTwoMouseEventState(); }},
      {"copy", [](Fixture& f) { return f.keyboard().enterCopyState(S::kBlockCopy, 40, 0); }},
      {"exitCopy", [](Fixture& f) { return f.keyboard().exitCopyState(); }},
      {"postCopy", [](Fixture& f) { return f.keyboard().enterPostCopyState(300, S::kLinearCopy); }},
      {"exitPostCopy", [](Fixture& f) { return f.keyboard().exitPostCopyState(); }},
      {"wp", [](Fixture& f) { return f.keyboard().enterWPState(); }},
      {"exitWp", [](Fixture& f) { return f.keyboard().exitWPState(); }},
  };
  return ops;
}

TEST(KeyboardState, EveryTransition) {
  // (from, operation) -> to; every pair not listed must be refused.
  const std::map<std::pair<int, std::string>, int> legal = {
      {{0, "lock"}, 4},        {{4, "unlock"}, 0},       {{0, "error"}, 2},
      {{4, "error"}, 2},       {{1, "error"}, 2},        {{10, "error"}, 2},
      {{11, "error"}, 11},     {{0, "hostError"}, 2},    {{4, "hostError"}, 2},
      {{1, "hostError"}, 2},   {{10, "hostError"}, 2},   {{11, "hostError"}, 11},
      {{0, "reentry"}, 2},     {{4, "reentry"}, 2},      {{1, "reentry"}, 2},
      {{10, "reentry"}, 2},    {{11, "reentry"}, 11},    {{2, "reentry"}, 2},
      {{2, "toLocked"}, 2},    {{2, "toUnlocked"}, 2},   {{2, "exitError"}, 0},
      {{2, "help"}, 3},        {{3, "exitHelp"}, 2},     {{0, "sysreq"}, 1},
      {{4, "sysreq"}, 1},      {{11, "sysreq"}, 1},      {{1, "exitSysreq"}, 0},
      {{0, "drag"}, 7},        {{7, "exitDrag"}, 0},     {{0, "two"}, 8},
      {{8, "exitTwo"}, 0},     {{0, "copy"}, 9},         {{11, "copy"}, 9},
      {{9, "exitCopy"}, 0},    {{0, "postCopy"}, 10},    {{11, "postCopy"}, 10},
      {{9, "postCopy"}, 10},   {{10, "postCopy"}, 10},   {{10, "exitPostCopy"}, 0},
      {{0, "wp"}, 11},         {{4, "wp"}, 11},          {{11, "exitWp"}, 4},
  };
  for (int from : {0, 1, 2, 3, 4, 7, 8, 9, 10, 11}) {
    for (const auto& [name, op] : Operations()) {
      SCOPED_TRACE(std::to_string(from) + " " + name);
      Fixture f;
      f.reach(from);
      const auto it = legal.find({from, name});
      bool done = false;
      ASSERT_NO_THROW(done = op(f));  // never a halt
      if (it == legal.end()) {
        EXPECT_FALSE(done);
        EXPECT_EQ(f.keyboard().state(), from);
      } else {
        EXPECT_TRUE(done);
        EXPECT_EQ(f.keyboard().state(), it->second);
      }
    }
  }
}

TEST(KeyboardState, LeavingTheErrorStateReturnsToTheStateUnderIt) {
  struct Case {
    int under;
    const char* change;
    int after;
    bool locked;
  } cases[] = {{0, nullptr, 0, false}, {4, nullptr, 4, true}, {0, "toLocked", 4, true},
               {4, "toUnlocked", 0, false}};
  for (const Case& c : cases) {
    Fixture f;
    f.reach(c.under);
    ASSERT_TRUE(f.keyboard().enterErrorState(5, 0, 1, 0, 0));
    EXPECT_EQ(f.keyboard().isLockedState(), c.under == 4);
    if (c.change) Operations().at(c.change)(f);
    ASSERT_TRUE(f.keyboard().exitErrorState());
    EXPECT_EQ(f.keyboard().state(), c.after);
    EXPECT_EQ(f.keyboard().isLockedState(), c.locked);
    EXPECT_EQ((f.display.indicators().current().get() & Indicators::kSystem) != 0, c.locked);
  }
}

TEST(KeyboardState, ErrorFiveShowsOnTheErrorRowAndLeavesItAsItWas) {
  Station st;
  PresentationSpaceScreenBuffer& ps = st.display.presentationSpace();
  const unsigned int row24 = 23 * 80;
  const unsigned char text[] = {0xC8, 0x85, 0x93, 0x93, 0x96, 0x40, 0xE6, 0x96};
  ps.writeData(text, sizeof text, row24);
  std::vector<unsigned char> before(80);
  ps.getData(row24, 80, before.data());
  ASSERT_TRUE(st.keyboard().enterErrorState(5, 0, 1, 0, 0));
  std::vector<unsigned char> shown(6);
  ps.getData(row24, 6, shown.data());
  EXPECT_EQ(shown, (std::vector<unsigned char>{0x2A, 0xF0, 0xF0, 0xF0, 0xF5, 0x27}));
  EXPECT_EQ(st.keyboard().getErrorCode(), 0x0005u);
  // A second keyboard error only changes the digits.
  ASSERT_TRUE(st.keyboard().enterErrorState(12345, 0, 1, 0, 1));
  ps.getData(row24, 6, shown.data());
  EXPECT_EQ(shown, (std::vector<unsigned char>{0x2A, 0xF2, 0xF3, 0xF4, 0xF5, 0x27}));
  ASSERT_TRUE(st.keyboard().exitErrorState());
  std::vector<unsigned char> after(80);
  ps.getData(row24, 80, after.data());
  EXPECT_EQ(after, before);
}

TEST(KeyboardState, ErrorRowBelowTheScreenOnlyFlagsTheExtraRow) {
  DisplayCharacteristics c;
  c.word[0] |= 1u << 4;  // error row 25
  Station st(c);
  const std::vector<unsigned char> screen = st.psBuffer;
  ASSERT_TRUE(st.keyboard().enterErrorState(5, 0, 1, 0, 0));
  EXPECT_TRUE(st.display.controlData().controlWord() & KeyboardState::kErrorLineOnExtraRow);
  ASSERT_TRUE(st.keyboard().exitErrorState());
  EXPECT_FALSE(st.display.controlData().controlWord() & KeyboardState::kErrorLineOnExtraRow);
  EXPECT_EQ(std::vector<unsigned char>(st.psBuffer.begin(), st.psBuffer.begin() + 1920),
            std::vector<unsigned char>(screen.begin(), screen.begin() + 1920));
}

// Records which operation the station chose.
class Probe : public UserInput {
 public:
  std::string ran;
  unsigned int consume = 0;
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return note("0"); }
  unsigned int processInSystemRequestState(DisplayBag*) override { return note("1"); }
  unsigned int processInErrorState(DisplayBag*) override { return note("2"); }
  unsigned int processInPostHelpErrorState(DisplayBag*) override { return note("3"); }
  unsigned int processInNormalLockedState(DisplayBag*) override { return note("4"); }
  unsigned int processInDragAndDropState(DisplayBag*) override { return note("5"); }
  unsigned int processInTwoMouseEventState(DisplayBag*) override { return note("6"); }
  unsigned int processInCopyState(DisplayBag*) override { return note("7"); }
  unsigned int processInPostCopyState(DisplayBag*) override { return note("8"); }
  unsigned int processInWPErrorState(DisplayBag*) override { return note("9"); }
  unsigned int processInWPState(DisplayBag*) override { return note("10"); }
  unsigned int preProcess(DisplayBag*) override { return consume; }

 private:
  unsigned int note(const char* slot) {
    ran += slot;
    return 0;
  }
};

TEST(Dispatch, ByKeyboardState) {
  struct Case {
    int state;
    bool textError;
    const char* slot;
  } cases[] = {{0, false, "0"},  {1, false, "1"},  {2, false, "2"}, {3, false, "3"},
               {4, false, "4"},  {7, false, "5"},  {8, false, "6"}, {9, false, "7"},
               {10, false, "8"}, {11, false, "10"}, {11, true, "9"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    Fixture f;
    f.reach(c.state);
    if (c.textError) f.display.textSession()->operatorerror(70);
    Probe p;
    f.display.processUserInputObject(&p);
    EXPECT_EQ(p.ran, c.slot);
  }
}

TEST(Dispatch, RestoredStatesFiveAndSixActAsUnlockedAndLocked) {
  for (unsigned char state : {5, 6}) {
    Fixture f;
    const auto image = SaveStream([&](qrnOStream* o) {
      const unsigned char bytes[] = {state, 0, 24, 1, 0, 0, 0, 0, 0, 0x27, 0, 0};
      o->hostPutData(bytes, sizeof bytes);
    });
    qrnIStream in(image.data(), image.size());
    ASSERT_EQ(f.keyboard().restoreKeyboardState(&in), 0u);
    Probe p;
    f.display.processUserInputObject(&p);
    EXPECT_EQ(p.ran, state == 5 ? "0" : "4");
    EXPECT_FALSE(f.keyboard().isLockedState());
  }
}

TEST(Dispatch, ConsumedInputStillSendsAPendingAid) {
  Fixture f;
  f.display.postAidCode(0xF1);
  EXPECT_EQ(f.keyboard().state(), 4);  // an AID locks the keyboard
  Probe p;
  p.consume = 1;
  f.display.processUserInputObject(&p);
  EXPECT_EQ(p.ran, "");
  EXPECT_EQ(f.display.readMgr().activations(), 1u);
  EXPECT_EQ(f.display.readMgr().lastActivatedAid(), 0xF1);
  EXPECT_EQ(f.display.pendingAid(), 0);
}

TEST(Dispatch, SignalsLeaveTheKeyboardUnlockedAndAttentionWorksInTheErrorState) {
  for (unsigned char aid : {1, 2, 3}) {
    Fixture f;
    f.display.postAidCode(aid);
    EXPECT_EQ(f.keyboard().state(), 0);
    EXPECT_EQ(f.display.pendingAid(), aid);
  }
  Fixture f;
  f.reach(2);
  ASSERT_NO_THROW(f.display.postAidCode(2));
  EXPECT_EQ(f.keyboard().state(), 2);
  EXPECT_EQ(f.display.pendingAid(), 2);
}

TEST(Dispatch, ErrorResetPreference) {
  for (unsigned char pref : {0, 2}) {
    Fixture f;
    f.display.options().errorResetPreference = pref;
    f.reach(2);
    struct Key : Probe {
      unsigned int processInErrorState(DisplayBag* d) override {
        return UserInput::processInErrorState(d);
      }
    } key;
    f.display.processUserInputObject(&key);
    EXPECT_EQ(f.keyboard().state(), pref == 2 ? 0 : 2);
    EXPECT_EQ(key.ran, pref == 2 ? "0" : "");
  }
}

TEST(KeyboardState, RestoreRefusesStatesAndErrorRowsThatASaveCannotLeave) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;  // state swapped row column line[6] saved shown
  } cases[] = {
      {"state 12", {12, 0, 24, 1, 0, 0, 0, 0, 0, 0x27, 0, 0}},
      {"state 7", {7, 0, 24, 1, 0, 0, 0, 0, 0, 0x27, 0, 0}},
      {"state 9", {9, 0, 24, 1, 0, 0, 0, 0, 0, 0x27, 0, 0}},
      {"error not swapped", {2, 0, 24, 1, 0x2A, 0xF0, 0xF0, 0xF0, 0xF5, 0x27, 0, 1}},
      {"error over state 5", {2, 1, 24, 1, 0x2A, 0xF0, 0xF0, 0xF0, 0xF5, 0x27, 5, 1}},
      {"unlocked but swapped", {0, 1, 24, 1, 0, 0, 0, 0, 0, 0x27, 0, 0}},
      {"row 200", {0, 0, 200, 1, 0, 0, 0, 0, 0, 0x27, 0, 0}},
      {"column 0", {0, 0, 24, 0, 0, 0, 0, 0, 0, 0x27, 0, 0}},
      {"bad end attribute", {0, 0, 24, 1, 0, 0, 0, 0, 0, 0x99, 0, 0}},
      {"bad digit", {2, 1, 24, 1, 0x2A, 0x41, 0xF0, 0xF0, 0xF5, 0x27, 0, 1}},
      {"shown flag 2", {0, 0, 24, 1, 0, 0, 0, 0, 0, 0x27, 0, 2}},
      {"short", {0, 0, 24, 1, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    const auto image = SaveStream([&](qrnOStream* o) { o->hostPutData(c.bytes.data(), c.bytes.size()); });
    qrnIStream in(image.data(), image.size());
    EXPECT_EQ(f.keyboard().restoreKeyboardState(&in), kSenseRestoreDataInvalid);
    EXPECT_EQ(f.keyboard().state(), 0);
    EXPECT_EQ(f.keyboard().errorRow(), 24u);
  }
}

TEST(KeyboardState, SystemRequestLineAndBack) {
  Station st;
  st.entry(kLTRField, {{10, 19}});
  const unsigned int fields = st.table().fieldCount();
  ASSERT_TRUE(st.keyboard().enterSystemRequestState());
  PresentationSpaceScreenBuffer& ps = st.display.presentationSpace();
  EXPECT_EQ(ps.getCharacter(1840), KeyboardState::kSystemRequestAttribute);
  EXPECT_EQ(ps.getCharacter(1919), KeyboardState::kEndAttribute);
  EXPECT_EQ(st.display.cursor().getCursorOffset(), 1841u);
  EXPECT_EQ(st.table().fieldCount(), 1u);
  unsigned int flag = 0;
  EXPECT_EQ(st.display.determinePollType(flag), 8u);
  EXPECT_EQ(flag, 1u);
  ASSERT_TRUE(st.keyboard().exitSystemRequestState());
  EXPECT_EQ(st.table().fieldCount(), fields);
  EXPECT_EQ(ps.getCharacter(1840), 0);
}

TEST(KeyboardState, MarkedAreaIsCopiedWhenMarkingEnds) {
  Station st;
  PresentationSpaceScreenBuffer& ps = st.display.presentationSpace();
  // Row 1: visible text, then a non-display field further along.
  ps.writeCharacter(5, 0x20);
  ps.writeCharacter(40, 0x27);
  ps.writeCharacter(41, 0xC1);
  ASSERT_TRUE(st.keyboard().enterCopyState(KeyboardState::kLinearCopy, 6, 0));
  st.keyboard().updateCopyState(100);
  ASSERT_TRUE(st.keyboard().enterPostCopyState(-1, KeyboardState::kLinearCopy));
  const KeyboardState::CopyAreaInfo info = st.keyboard().getCopyAreaInfo();
  EXPECT_EQ(info.marked, 1u);
  EXPECT_EQ(info.from, 6u);
  EXPECT_EQ(info.to, 100u);
  EXPECT_EQ(info.toRow, 2u);
  bool copied = false;
  for (const std::string& c : st.rendering.calls) copied |= c == "copyArea()";
  EXPECT_TRUE(copied);
}

}  // namespace
