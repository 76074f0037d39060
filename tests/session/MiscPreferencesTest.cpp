// The miscellaneous preferences: each one reaches the session state it
// drives, the preferences file is checked before anything changes, and the
// values go to the preferences program in its order and encoding.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "display/StationOptions.h"
#include "session/AppResources.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "tests/session/ConnectedSession.h"
#include "tests/support/FakeEventSources.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace misc_pref;
using namespace misc_effect;

TEST(MiscPreferencesTest, EachPreferenceReachesItsState) {
  struct Case {
    unsigned char id;
    unsigned char value;
    unsigned char stored;         // the session's value afterwards
    unsigned int effects;         // what the window has to do
    bool (*station)(const StationOptions&);  // the station's copy, when it keeps one
  } cases[] = {
      {kCursorStyle, 1, 1, kRedrawCursor, nullptr},
      {kEnterKey, 3, 3, kTranslations, nullptr},
      {kEnterKey, 9, 0, kTranslations, nullptr},
      {kAutomaticHelp, 1, 1, 0, [](const StationOptions& s) { return !s.has(StationOptions::kHelpInError); }},
      {kAutomaticHelp, 0, 0, 0, [](const StationOptions& s) { return s.has(StationOptions::kHelpInError); }},
      {kBlueUnderscore, 0, 0, kRedrawUnderlines, nullptr},
      {kRowColumnIndicator, 1, 1, kMapRowColumn, nullptr},
      {kDestructiveBackspace, 1, 1, 0, [](const StationOptions& s) { return !s.destructiveBackspace; }},
      {kDestructiveBackspace, 0, 0, 0, [](const StationOptions& s) { return s.destructiveBackspace; }},
      {kRuleLine, 1, 1, kRedoRuleLine, nullptr},
      {kRuleLineStyle, 2, 2, kRedoRuleLine, nullptr},
      {kPasteLocation, 1, 1, 0, [](const StationOptions& s) { return s.pasteAtPointer; }},
      {kCursorBlink, 1, 1, kBlink, nullptr},
      {kLargeScreenBehavior, 0, 2, 0, nullptr},
      {kLargeScreenBehavior, 4, 4, 0, nullptr},
      {kPrintKey, 2, 2, kTranslations, nullptr},
      {kHotspots, 0, 0, kClearHotspotHighlight | kRewrite,
       [](const StationOptions& s) { return s.hotSpotClickMode == 0; }},
      {kHotspots, 2, 2, kRewrite, [](const StationOptions& s) { return s.hotSpotClickMode == 2; }},
      {kKeyboardBuffering, 1, 1, kTypeAhead, nullptr},
      {kErrorResetKeys, 2, 2, 0, [](const StationOptions& s) { return s.errorResetPreference == 2; }},
      {kHotspotHighlighting, 1, 1, kRewrite, nullptr},
      {kDefaultCopyType, 1, 1, 0,
       [](const StationOptions& s) { return s.copyType == 1 && s.alternativeCopyType == 0; }},
      {kInsertMode, 2, 2, kInsertIndicator,
       [](const StationOptions& s) { return s.insertModePreference == 2 && s.keepsInsertMode(); }},
      {kInputOnlyCursorMovement, 1, 1, 0, [](const StationOptions& s) { return s.inputOnlyCursorMovement; }},
      {kAudioAlarm, 0, 0, 0, nullptr},
  };
  bool covered[kMiscPreferenceCount] = {};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << int(c.id) << " value " << int(c.value));
    MiscPreferenceSet set;
    StationOptions station;
    const MiscPreferenceSet before = set;
    EXPECT_EQ(SetMiscPreference(&set, &station, false, c.id, c.value), c.effects);
    EXPECT_EQ(set.value[c.id], c.stored);
    for (int other = 0; other < kMiscPreferenceCount; ++other)
      if (other != c.id) EXPECT_EQ(set.value[other], before.value[other]) << "preference " << other;
    if (c.station) EXPECT_TRUE(c.station(station));
    covered[c.id] = true;
  }
  for (int id = 0; id < kMiscPreferenceCount; ++id) EXPECT_TRUE(covered[id]) << "preference " << id;
}

TEST(MiscPreferencesTest, RefusedAndUnchangedValues) {
  MiscPreferenceSet set;
  StationOptions station;
  const MiscPreferenceSet before = set;
  // Out of range, or beyond the last id: nothing changes.
  EXPECT_EQ(SetMiscPreference(&set, &station, false, 20, 1), 0u);
  EXPECT_EQ(SetMiscPreference(&set, &station, false, 255, 1), 0u);
  EXPECT_EQ(SetMiscPreference(&set, &station, false, kCursorStyle, 4), 0u);
  EXPECT_EQ(SetMiscPreference(&set, &station, false, kHotspots, 200), 0u);
  EXPECT_EQ(SetMiscPreference(&set, &station, false, kInsertMode, 3), 0u);
  for (int id = 0; id < kMiscPreferenceCount; ++id) EXPECT_EQ(set.value[id], before.value[id]);
  EXPECT_EQ(station.insertModePreference, 0);
  // The same cursor style twice redraws nothing the second time.
  EXPECT_EQ(SetMiscPreference(&set, &station, false, kCursorStyle, 3), kRedrawCursor);
  EXPECT_EQ(SetMiscPreference(&set, &station, false, kCursorStyle, 3), 0u);
  // On a 5250 keyboard ENTER_KEY does nothing.
  EXPECT_EQ(SetMiscPreference(&set, &station, true, kEnterKey, 2), 0u);
  EXPECT_EQ(set.value[kEnterKey], 0);
  // Turning highlighting off clears the highlights; off again only rewrites.
  ASSERT_EQ(SetMiscPreference(&set, &station, false, kHotspotHighlighting, 1), kRewrite);
  EXPECT_EQ(SetMiscPreference(&set, &station, false, kHotspotHighlighting, 0), kClearHotspotHighlight | kRewrite);
  EXPECT_EQ(SetMiscPreference(&set, &station, false, kHotspotHighlighting, 0), kRewrite);
}

TEST(MiscPreferencesTest, ResourceKeywordsBecomeValues) {
  struct Case {
    unsigned char id, code, value;
  } cases[] = {
      {kAutomaticHelp, QwEnable, 0}, {kAutomaticHelp, QwDisable, 1},   {kBlueUnderscore, QwDisable, 1},
      {kAudioAlarm, QwEnable, 1},    {kAudioAlarm, QwDisable, 0},      {kCursorBlink, QwEnable, 1},
      {kRuleLine, QwDisable, 0},     {kRuleLine, 3, 3},                {kHotspots, QwDisable, 0},
      {kHotspots, 2, 2},             {kKeyboardBuffering, QwEnable, 1}, {kKeyboardBuffering, 2, 2},
      {kCursorStyle, 2, 2},          {kLargeScreenBehavior, 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << int(c.id) << " code " << int(c.code));
    EXPECT_EQ(MiscPreferenceFromResource(c.id, c.code), c.value);
  }
}

TEST(MiscPreferencesTest, PreferencesFileIsCheckedWhole) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    bool accepted;
  } cases[] = {
      {"empty", {}, true},
      {"three", {1, 4, 1}, true},
      {"twenty", std::vector<unsigned char>(20, 0), true},
      {"twenty-one", std::vector<unsigned char>(21, 0), false},
      {"cursor style 4", {4}, false},
      {"last byte out of range", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, false},
      {"0xFF", {0, 0xFF}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    unsigned char values[kMiscPreferenceCount] = {};
    std::size_t count = 99;
    const char* why = nullptr;
    EXPECT_EQ(ParseMiscPreferenceFile(c.bytes.data(), c.bytes.size(), values, &count, &why), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(count, c.bytes.size());
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(values[i], c.bytes[i]);
    } else {
      EXPECT_EQ(count, 0u);
      EXPECT_NE(why, nullptr);
    }
  }
}

TEST(MiscPreferencesTest, MessagesCarryEveryValueInOrder) {
  MiscPreferenceSet set;
  for (int id = 0; id < kMiscPreferenceCount; ++id)
    set.value[id] = static_cast<unsigned char>(MiscPreferenceMaximum(id));
  MiscPreferenceMessage m[kMiscPreferenceCount];
  MiscPreferenceMessages(set, -1, m);
  const unsigned char order[] = {2, 3, 10, 19, 9, 0, 16, 5, 1, 14, 13, 12, 15, 18, 17, 8, 11, 4, 6, 7};
  for (int i = 0; i < kMiscPreferenceCount; ++i) {
    EXPECT_EQ(m[i].id, order[i]);
    EXPECT_EQ(m[i].value, MiscPreferenceMaximum(order[i])) << "preference " << int(order[i]);
  }
  // KEYBOARD_BUFFERING carries the translator's setting.
  MiscPreferenceMessages(set, 0, m);
  EXPECT_EQ(m[10].id, kKeyboardBuffering);
  EXPECT_EQ(m[10].value, 0);
}

// The twenty preferences through a whole session connected to the loopback
// host: each one set with UpdateMiscellaneousPreference, then what it drives
// seen from the outside where the engine does it (keys typed, the record the
// host gets). The window's own preferences (the keys' translations, cursor,
// underlines, indicator) are seen in the window tests; here they reach the
// session's values and the window object.
namespace behaviour {

using namespace session_test;

// An alphanumeric field: SF with the field format word, attribute 0x20.
Bytes StartField(int length) { return B({0x1D, 0x40, 0x00, 0x20, length >> 8, length & 0xFF}); }

// "Name" (row 5, columns 20-29, the host's "XXXXXXXXXX" in it) and "City"
// (row 6, columns 20-29, empty); the cursor at the name field; the keyboard
// unlocked and a Read MDT Fields waiting.
Bytes TwoFieldScreen() {
  return Record(0x03,
                Cat({B({0x04, 0x40}),
                     WriteToDisplay(Cat({SetBufferAddress(5, 10), Ebcdic("Name"), SetBufferAddress(5, 19),
                                         StartField(10), Ebcdic("XXXXXXXXXX"), SetBufferAddress(6, 10), Ebcdic("City"),
                                         SetBufferAddress(6, 19), StartField(10), B({0x13, 5, 20})})),
                     B({0x04, 0x52, 0x00, 0x00})}),
                0, 0x40);
}
constexpr unsigned int kNameStart = 4 * 80 + 19, kNameEnd = 4 * 80 + 28, kCityStart = 5 * 80 + 19;

void Keys(ConnectedSession& s, std::initializer_list<unsigned char> codes) {
  for (unsigned char c : codes) ASSERT_EQ(s.Key(c), 1) << "keystroke code " << int(c);
}
// The record Enter sends with the fields the operator changed.
Bytes EnterRecord(ConnectedSession& s) {
  EXPECT_EQ(s.Key(kEnter), 1);
  return s.Next();
}
// Field Minus in an alphanumeric field: an operator error.
void OperatorError(ConnectedSession& s) {
  EXPECT_EQ(s.Key(kFieldMinus), 1);
  EXPECT_NE(s.display().keyboardState().getErrorCode(), 0u);
}

struct Case {
  unsigned char id;
  unsigned char value;
  // What the value drives, looked at after it was set on a session showing
  // the two-field screen.
  std::function<void(ConnectedSession&)> check;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      // Automatic help: an operator error asks the host for help at once
      // (post-help error state, the help-in-error record with the error's
      // number), or waits in the error state.
      {kAutomaticHelp, 0,
       [](ConnectedSession& s) {
         OperatorError(s);
         EXPECT_EQ(s.display().keyboardState().state(), KeyboardState::kPostHelpError);
         const Bytes r = s.Next();
         const unsigned int code = s.display().keyboardState().getErrorCode();
         ASSERT_GE(r.size(), 2u);
         EXPECT_EQ(r[r.size() - 2], code >> 8);
         EXPECT_EQ(r[r.size() - 1], code & 0xFF);
       }},
      {kAutomaticHelp, 1,
       [](ConnectedSession& s) {
         OperatorError(s);
         EXPECT_EQ(s.display().keyboardState().state(), KeyboardState::kError);
         EXPECT_TRUE(s.Pending().empty());
       }},
      // Destructive backspace: "ABC" over the host's X's, Backspace: the C
      // goes and the rest closes up, or the cursor only steps back onto it.
      {kDestructiveBackspace, 0,
       [](ConnectedSession& s) {
         ASSERT_EQ(s.Type(Ebcdic("ABC")), 1);
         Keys(s, {kBackspace});
         EXPECT_EQ(EnterRecord(s), Inbound(Cat({B({5, 22, 0xF1}), SetBufferAddress(5, 20), Ebcdic("ABXXXXXXX")})));
       }},
      {kDestructiveBackspace, 1,
       [](ConnectedSession& s) {
         ASSERT_EQ(s.Type(Ebcdic("ABC")), 1);
         Keys(s, {kBackspace});
         EXPECT_EQ(EnterRecord(s), Inbound(Cat({B({5, 22, 0xF1}), SetBufferAddress(5, 20), Ebcdic("ABCXXXXXXX")})));
       }},
      // Input-only cursor movement: Cursor Right off the end of the name
      // field lands on the city field, or on the screen position beside it.
      {kInputOnlyCursorMovement, 1,
       [](ConnectedSession& s) {
         for (unsigned int i = kNameStart; i < kNameEnd; ++i) Keys(s, {kRight});
         ASSERT_EQ(s.display().cursor().getCursorOffset(), kNameEnd);
         Keys(s, {kRight});
         EXPECT_EQ(s.display().cursor().getCursorOffset(), kCityStart);
       }},
      {kInputOnlyCursorMovement, 0,
       [](ConnectedSession& s) {
         for (unsigned int i = kNameStart; i < kNameEnd; ++i) Keys(s, {kRight});
         Keys(s, {kRight});
         EXPECT_EQ(s.display().cursor().getCursorOffset(), kNameEnd + 1);
       }},
      // Error reset keys: after an operator error a cursor key ends it and
      // moves, or (Reset key only) is ignored.
      {kErrorResetKeys, 1,
       [](ConnectedSession& s) {
         OperatorError(s);
         Keys(s, {kRight});
         EXPECT_EQ(s.display().keyboardState().state(), KeyboardState::kNormalUnlocked);
         EXPECT_EQ(s.display().cursor().getCursorOffset(), kNameStart + 1);
       }},
      {kErrorResetKeys, 0,
       [](ConnectedSession& s) {
         OperatorError(s);
         Keys(s, {kRight});
         EXPECT_EQ(s.display().keyboardState().state(), KeyboardState::kError);
         EXPECT_EQ(s.display().cursor().getCursorOffset(), kNameStart);
       }},
      // Insert mode: 2 turns it on at once and keeps it over Reset (and
      // the keyboard's locks); 0 turns it off, and Reset ends it. "AB" in the
      // city field, back to the A, Insert, Reset: "X" goes in before the A,
      // or over it.
      {kInsertMode, 2,
       [](ConnectedSession& s) {
         EXPECT_TRUE(s.display().indicators().current().get() & Indicators::kInsert);
         Keys(s, {kFieldAdvance});
         ASSERT_EQ(s.Type(Ebcdic("AB")), 1);
         Keys(s, {kCursorLeft, kCursorLeft, kInsert, kReset});
         ASSERT_EQ(s.Type(Ebcdic("X")), 1);
         EXPECT_EQ(EnterRecord(s), Inbound(Cat({B({6, 21, 0xF1}), SetBufferAddress(6, 20), Ebcdic("XAB")})));
       }},
      {kInsertMode, 0,
       [](ConnectedSession& s) {
         EXPECT_FALSE(s.display().indicators().current().get() & Indicators::kInsert);
         Keys(s, {kFieldAdvance});
         ASSERT_EQ(s.Type(Ebcdic("AB")), 1);
         Keys(s, {kCursorLeft, kCursorLeft, kInsert, kReset});
         ASSERT_EQ(s.Type(Ebcdic("X")), 1);
         EXPECT_EQ(EnterRecord(s), Inbound(Cat({B({6, 21, 0xF1}), SetBufferAddress(6, 20), Ebcdic("XB")})));
       }},
      // Keyboard buffering: the translator's type-ahead override.
      {kKeyboardBuffering, 0, [](ConnectedSession& s) { EXPECT_EQ(s.block->taxlate->typeAheadOverride(), 0); }},
      {kKeyboardBuffering, 1, [](ConnectedSession& s) { EXPECT_EQ(s.block->taxlate->typeAheadOverride(), 1); }},
      // The station's copy type and hot-spot click mode (the mouse code that
      // reads them is not built yet) and paste target (where a shifted right
      // click pastes: the paste tests of the keyboard drive it).
      {kDefaultCopyType, 1,
       [](ConnectedSession& s) {
         EXPECT_EQ(s.display().options().copyType, KeyboardState::kBlockCopy);
         EXPECT_EQ(s.display().options().alternativeCopyType, KeyboardState::kLinearCopy);
       }},
      {kHotspots, 2, [](ConnectedSession& s) { EXPECT_EQ(s.display().options().hotSpotClickMode, 2); }},
      {kPasteLocation, 1, [](ConnectedSession& s) { EXPECT_TRUE(s.display().options().pasteAtPointer); }},
      {kPasteLocation, 0, [](ConnectedSession& s) { EXPECT_FALSE(s.display().options().pasteAtPointer); }},
      // The window object's values.
      {kRuleLine, 1, [](ConnectedSession& s) { EXPECT_EQ(s.block->xstuff.ruleLineMode(), 1); }},
      {kLargeScreenBehavior, 0, [](ConnectedSession& s) { EXPECT_EQ(s.block->xstuff.largeScreenBehavior(), 2); }},
      {kAudioAlarm, 0, [](ConnectedSession& s) { EXPECT_FALSE(s.block->xstuff.audioAlarm()); }},
      // Kept by the session for its window.
      {kCursorStyle, 1, nullptr},
      {kEnterKey, 4, nullptr},
      {kBlueUnderscore, 0, nullptr},
      {kRowColumnIndicator, 1, nullptr},
      {kRuleLineStyle, 2, nullptr},
      {kCursorBlink, 1, nullptr},
      {kPrintKey, 2, nullptr},
      {kHotspotHighlighting, 1, nullptr},
  };
  return cases;
}

TEST(MiscPreferencesBehaviourTest, EachPreferenceDrivesTheSession) {
  bool covered[kMiscPreferenceCount] = {};
  for (const Case& c : Cases()) {
    SCOPED_TRACE(testing::Message() << "preference " << int(c.id) << " value " << int(c.value));
    ConnectedSession s;
    s.Send(TwoFieldScreen());
    ASSERT_TRUE(s.Pending().empty());
    ASSERT_EQ(s.display().cursor().getCursorOffset(), kNameStart);
    UpdateMiscellaneousPreference(s.block, c.id, c.value);
    EXPECT_EQ(s.block->miscPreferences.value[c.id], c.id == kLargeScreenBehavior && c.value == 0 ? 2 : c.value);
    if (c.check) c.check(s);
    covered[c.id] = true;
  }
  for (int id = 0; id < kMiscPreferenceCount; ++id) EXPECT_TRUE(covered[id]) << "preference " << id;
}

}  // namespace behaviour

class MiscPreferencesSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    SetSessionEventSources(&events_);
    memory_ = std::calloc(1, sizeof(SessionControlBlock));
    block_ = new (memory_) SessionControlBlock(3, nullptr, "DEV1", nullptr, 0, 0);
    char pattern[] = "/tmp/qwmiscXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    block_->~SessionControlBlock();
    std::free(memory_);
    std::remove((dir_ + "/Miscellaneous").c_str());
    rmdir(dir_.c_str());
  }
  std::string write(const std::vector<unsigned char>& bytes) {
    const std::string path = dir_ + "/Miscellaneous";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
      if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return path;
  }

  qwtest::FakeEventSources events_;
  void* memory_ = nullptr;
  SessionControlBlock* block_ = nullptr;
  std::string dir_;
};

TEST_F(MiscPreferencesSessionTest, FileAppliesEachByteOrNothing) {
  EXPECT_EQ(ReadMiscellaneousPreferencesFile(block_, (dir_ + "/none").c_str()), 0);
  EXPECT_EQ(ReadMiscellaneousPreferencesFile(block_, write({1, 2, 1, 0, 1, 1, 0, 2, 1, 1, 0, 2}).c_str()), 0);
  const unsigned char expected[] = {1, 2, 1, 0, 1, 1, 0, 2, 1, 1, 2, 2};
  for (int id = 0; id < 12; ++id) EXPECT_EQ(block_->miscPreferences.value[id], expected[id]) << "preference " << id;
  const MiscPreferenceSet before = block_->miscPreferences;
  {
    qwtest::LogCapture log;
    EXPECT_EQ(ReadMiscellaneousPreferencesFile(block_, write(std::vector<unsigned char>(64, 0)).c_str()), -1);
    EXPECT_EQ(ReadMiscellaneousPreferencesFile(block_, write({0, 0, 0, 7}).c_str()), -1);
    EXPECT_EQ(log.Count("refused"), 2);
  }
  for (int id = 0; id < kMiscPreferenceCount; ++id)
    EXPECT_EQ(block_->miscPreferences.value[id], before.value[id]) << "preference " << id;
}

TEST_F(MiscPreferencesSessionTest, ResourcesApplyToTheSession) {
  AppResourceStruct& r = AppResources();
  const AppResourceStruct saved = r;
  r.AUTOMATIC_HELP = QwDisable;
  r.AUDIO_ALARM = QwDisable;
  r.RULE_LINE = 2;
  r.LARGE_SCREEN_BEHAVIOR = 1;
  r.CURSOR_STYLE = 3;
  ApplyMiscellaneousPreferences(block_);
  EXPECT_EQ(block_->miscPreferences.value[kAutomaticHelp], 1);
  EXPECT_EQ(block_->miscPreferences.value[kAudioAlarm], 0);
  EXPECT_EQ(block_->miscPreferences.value[kRuleLine], 2);
  EXPECT_EQ(block_->miscPreferences.value[kLargeScreenBehavior], 1);
  EXPECT_EQ(block_->miscPreferences.value[kCursorStyle], 3);
  EXPECT_FALSE(block_->xstuff.audioAlarm());
  EXPECT_EQ(block_->xstuff.ruleLineMode(), 2);
  EXPECT_EQ(block_->xstuff.largeScreenBehavior(), 1);
  UpdateMiscellaneousPreference(block_, kAudioAlarm, 1);
  EXPECT_TRUE(block_->xstuff.audioAlarm());
  r = saved;
}

}  // namespace
