// The miscellaneous preferences: each one reaches the session state it
// drives, the preferences file is checked before anything changes, and the
// values go to the preferences program in its order and encoding.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
      {kAutomaticHelp, 1, 1, 0, [](const StationOptions& s) { return !s.automaticHelp; }},
      {kBlueUnderscore, 0, 0, kRedrawUnderlines, nullptr},
      {kRowColumnIndicator, 1, 1, kMapRowColumn, nullptr},
      {kDestructiveBackspace, 1, 1, 0, [](const StationOptions& s) { return !s.destructiveBackspace; }},
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
