// The key and mouse glue of a session block connected to the loopback
// TN5250 host: keystroke codes become inbound records, keys typed while the
// keyboard is locked wait for the host, records held in contention run
// after the next key, and the host's keyboard-table downloads are taken or
// refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "keyboard/GeneratedTables.h"
#include "session/Language.h"
#include "tests/session/ConnectedSession.h"
#include "xfront/EmulatorActions.h"
#include "xfront/SessionMenuHooks.h"

namespace {

using namespace session_test;

// The name of the built-in table of keyboard type 0, "AJL2Y0BC".
const Bytes kDefaultTableName = B({0xC1, 0xD1, 0xD3, 0xF2, 0xE8, 0xF0, 0xC2, 0xC3});

TEST(KeyGlueTest, AidKeystrokeCodesSendTheirInboundRecord) {
  const struct {
    unsigned char code;
    uint8_t aid;
  } cases[] = {
      {kEnter, 0xF1}, {kPF1, 0x31},     {kPF12, 0x3C},   {kPF13, 0xB1}, {kPF24, 0xBC}, {kClear, 0xBD},
      {kPA1, 0x6C},   {kPA3, 0x6B},     {kRollUp, 0xF5}, {kRollDown, 0xF4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "keystroke code " << int(c.code));
    ConnectedSession s;
    s.Screen(7, 22);
    ASSERT_TRUE(s.Pending().empty());
    EXPECT_EQ(s.Key(c.code), 1);
    EXPECT_EQ(s.Next(), Inbound(7, 22, c.aid));
    EXPECT_EQ(s.block->glue.activity, 1);
  }
}

TEST(KeyGlueTest, KeysTypedWhileLockedWaitForTheHost) {
  ConnectedSession s;
  s.Screen(3, 4);
  ASSERT_EQ(s.Key(kEnter), 1);
  EXPECT_EQ(s.Next(), Inbound(3, 4, 0xF1));
  // The keyboard stays locked until the host answers: PF3 waits.
  ASSERT_EQ(s.display().keyboardState().state(), KeyboardState::kNormalLocked);
  ASSERT_EQ(s.Key(kPF3), 1);
  EXPECT_EQ(s.block->taxlate->queuedKeys(), 1u);
  EXPECT_TRUE(s.Pending().empty());
  // The next screen unlocks the keyboard and reads: PF3 goes out from the
  // new cursor position.
  s.Screen(10, 11);
  EXPECT_EQ(s.Next(), Inbound(10, 11, 0x33));
  EXPECT_EQ(s.block->taxlate->queuedKeys(), 0u);
  EXPECT_TRUE(s.Pending().empty());
}

TEST(KeyGlueTest, RecordHeldInContentionRunsAfterTheNextKey) {
  ConnectedSession s;
  s.Screen(5, 6);
  // A key that is not valid puts the keyboard into the error state.
  ASSERT_EQ(s.Key(0), 1);
  ASSERT_EQ(s.display().keyboardState().state(), KeyboardState::kError);
  // Clear Format Table while the error shows: held, not answered.
  const Bytes title = Ebcdic("HELD");
  s.Send(Record(0x03, Cat({B({0x04, 0x50}), WriteToDisplay(Cat({SetBufferAddress(1, 2), title}))}), 0, 0x40));
  EXPECT_TRUE(s.block->hostInterface->contention());
  EXPECT_EQ(s.block->hostInterface->heldRecordCount(), 1u);
  const unsigned char* ps = s.display().presentationSpace().buffer();
  EXPECT_FALSE(std::equal(title.begin(), title.end(), ps + 1));
  EXPECT_TRUE(s.Pending().empty());
  // Reset leaves the error state: that resolves the contention, and the
  // held record runs as soon as the key has been handled.
  ASSERT_EQ(s.Key(kReset), 1);
  EXPECT_EQ(s.display().keyboardState().state(), KeyboardState::kNormalUnlocked);
  EXPECT_FALSE(s.block->hostInterface->contention());
  EXPECT_EQ(s.block->hostInterface->heldRecordCount(), 0u);
  EXPECT_TRUE(std::equal(title.begin(), title.end(), s.display().presentationSpace().buffer() + 1));
  EXPECT_EQ(s.Pending(), std::vector<Bytes>());
}

TEST(KeyGlueTest, KeysAndMouseAreRefusedWithoutAConnection) {
  ConnectedSession s(false);
  const unsigned char data[3] = {kKeyTypeData, 0xC1, 0xC2};
  EXPECT_EQ(s5250_key(s.block, data, 3), 0);
  EXPECT_EQ(s.Key(kEnter), 0);
  EXPECT_EQ(s5250_key(s.block, nullptr, 1), 0);
  EXPECT_EQ(s5250_key(nullptr, data, 3), 0);
  genMouseEvent(s.block, 1, 100);
  EXPECT_TRUE(s.words.empty());
  EXPECT_EQ(s.block->glue.activity, 0);
}

TEST(KeyGlueTest, EmptyAndDoubleByteRecordsAreRefused) {
  ConnectedSession s;
  s.Screen(5, 6);
  const unsigned char doubleByte[3] = {kKeyTypeDoubleByte, 0x42, 0xC1};
  EXPECT_EQ(s5250_key(s.block, doubleByte, 3), 0) << "a single-byte session";
  const unsigned char enter = kEnter;
  EXPECT_EQ(s5250_key(s.block, &enter, 0), 0);
  EXPECT_TRUE(s.words.empty());
  EXPECT_TRUE(s.Pending().empty());
}

TEST(KeyGlueTest, TypedCharactersGetTheirDataCategory) {
  ConnectedSession s(false);
  const struct {
    unsigned char code;
    FunctionWord word;
  } cases[] = {
      {0xC1, {9, 0xC1}},  {0xE9, {9, 0xE9}},  {0x81, {10, 0x81}}, {0xA9, {10, 0xA9}}, {0xF0, {13, 0xF0}},
      {0xF9, {13, 0xF9}}, {0x40, {16, 0x40}}, {0x4B, {11, 0x4B}}, {0x60, {11, 0x60}}, {0x15, {34, 0}},
      {0x00, {34, 0}},
  };
  for (const auto& c : cases) {
    const unsigned char record[2] = {kKeyTypeData, c.code};
    TaxTCB tcb;
    tcb.flags = TaxTCB::kKeyRecord;
    tcb.record = record;
    tcb.length = 2;
    tcb.scan = c.code;
    const FunctionWord w = genKeystroke(s.block, tcb);
    EXPECT_EQ(w.category, c.word.category) << std::hex << int(c.code);
    EXPECT_EQ(w.code, c.word.code) << std::hex << int(c.code);
  }
}

TEST(KeyGlueTest, DataRecordsAreTranslatedOneCharacterAtATime) {
  ConnectedSession s;
  s.Screen(5, 6);
  const unsigned char data[4] = {kKeyTypeData, 0xC1, 0x81, 0xF5};
  ASSERT_EQ(s5250_key(s.block, data, sizeof data), 1);
  ASSERT_FALSE(s.words.empty());
  EXPECT_EQ(s.words.front().category, 9);
  EXPECT_EQ(s.words.front().code, 0xC1);
}

TEST(KeyGlueTest, GenKeystrokeCoversEveryKeystrokeAction) {
  ConnectedSession s(false);
  const EmulatorAction* actions = EmulatorActionTable();
  TaxTCB tcb;
  tcb.flags = TaxTCB::kKeyRecord;
  tcb.length = 1;
  for (size_t i = 0; i < kEmulatorActionCount; ++i) {
    if (actions[i].kind != EmulatorActionKind::Keystroke) continue;
    // The double-byte mode keys have no single-byte function.
    if (!std::strcmp(actions[i].name, "kanji") || !std::strcmp(actions[i].name, "displaySOSI")) continue;
    const unsigned char code = static_cast<unsigned char>(actions[i].value);
    tcb.record = &code;
    tcb.scan = code;
    const FunctionWord w = genKeystroke(s.block, tcb);
    EXPECT_NE(w.category, 35) << actions[i].name << " (" << actions[i].value << ") has no word";
  }
  // The menus' codes.
  const struct {
    char code;
    FunctionWord word;
  } menus[] = {{'1', {6, 4}}, {'5', {4, 3}}, {'6', {4, 1}}, {'>', {4, 2}}, {'@', {6, 7}}, {'?', {6, 1}}};
  for (const auto& m : menus) {
    const unsigned char code = static_cast<unsigned char>(m.code);
    tcb.record = &code;
    tcb.scan = code;
    const FunctionWord w = genKeystroke(s.block, tcb);
    EXPECT_EQ(w.category, m.word.category) << m.code;
    EXPECT_EQ(w.code, m.word.code) << m.code;
  }
  // Codes without a key are keys that are not valid, never a halt.
  for (unsigned char code : {0, 17, 121 + 1, 200, 255}) {
    tcb.record = &code;
    tcb.scan = code;
    const FunctionWord w = genKeystroke(s.block, tcb);
    EXPECT_EQ(w.category, 35) << int(code);
  }
  // A character below 0x40 has no function.
  const unsigned char control[2] = {kKeyTypeData, 0x15};
  tcb.record = control;
  tcb.length = 2;
  tcb.scan = control[1];
  EXPECT_EQ(genKeystroke(s.block, tcb).category, 34);
}

TEST(KeyGlueTest, MouseEventsReachTheTranslatorAsDeviceRecords) {
  const struct {
    unsigned int event;
    bool hostTable;
    int code;  // the decoded mouse event, -1 none
  } cases[] = {
      {1, false, 1},  {4, false, 4},  {9, false, 9},  {12, false, 12}, {18, false, 18}, {0, false, 0},
      {1, true, 1},   {6, true, 6},   {8, true, 8},   {13, true, 4},   {19, false, -1}, {1000, false, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "event " << c.event << (c.hostTable ? " with a host table" : ""));
    ConnectedSession s;
    s.Screen(2, 3);
    s.display().options().optionWord |= 0x00200000u;  // the host takes mouse events
    s.block->glue.hostKeyboardTable = c.hostTable ? 1 : 0;
    s.words.clear();
    genMouseEvent(s.block, c.event, 85);
    if (c.code < 0) {
      EXPECT_TRUE(s.words.empty());
      EXPECT_EQ(s.block->glue.activity, 0);
      continue;
    }
    ASSERT_FALSE(s.words.empty());
    EXPECT_EQ(s.words.front().category, 27);
    EXPECT_EQ(s.words.front().code, c.code);
    EXPECT_EQ(s.block->glue.activity, 1);
  }
}

TEST(KeyGlueTest, ShiftUpdateFollowsTheModifiersAndTheLockKind) {
  const struct {
    char behaviour;
    unsigned int modifiers;
    bool caps, shift;
  } cases[] = {
      {'C', 0x00, false, false}, {'C', 0x01, false, true}, {'C', 0x02, true, false},
      {'C', 0x03, true, true},   {'S', 0x02, false, true}, {'S', 0x00, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.behaviour << " " << c.modifiers);
    ConnectedSession s(false);
    SetCapsLockBehaviour(c.behaviour);
    s5250_shiftupdate(s.block, c.modifiers);
    const unsigned int word = s.display().indicators().current().get();
    EXPECT_EQ((word & Indicators::kCapsLock) != 0, c.caps);
    EXPECT_EQ((word & Indicators::kShift) != 0, c.shift);
  }
  SetCapsLockBehaviour('C');
}

TEST(KeyGlueTest, TranslatorStartsWithTheLanguagesCountry) {
  const struct {
    const char* language;
    unsigned char country;
  } cases[] = {{"ENU", 0x19}, {"DEU", 0x0B}, {"FRC", 0x0C}, {"@NU", 0x1A}, {"FRA", 25}, {nullptr, 25}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language ? c.language : "none");
    ConnectedSession s(false, c.language);
    EXPECT_EQ(genDiacCountryNum(s.block), c.country);
    EXPECT_EQ(s.block->taxlate->diacriticCountry(), c.country);
    EXPECT_EQ(s.block->taxlate->keyboardCode(), 0xC2C3u);
    EXPECT_EQ(s.Name(), kDefaultTableName);
    EXPECT_EQ(s.block->taxlate->display(), s.block->display);
  }
}

// A download of the built-in table of keyboard type 0 under the keyboard
// code "BE", its scan code 0x59 (Enter) turned into PF5.
Bytes DownloadedTable() {
  const unsigned char* image = keyboard_data::kBuiltInTables[0];
  Bytes t(image, image + keyboard_data::kBuiltInTableLengths[0]);
  t[18] = 0xC2;
  t[19] = 0xC5;
  t[42 + 2 * 0x59] = 5;
  t[42 + 2 * 0x59 + 1] = 5;
  return t;
}

Bytes DownloadRecord(const Bytes& table, uint32_t size) {
  Bytes d(24, 0);
  d[20] = static_cast<uint8_t>(size >> 24);
  d[21] = static_cast<uint8_t>(size >> 16);
  d[22] = static_cast<uint8_t>(size >> 8);
  d[23] = static_cast<uint8_t>(size);
  return Record(0x11, Cat({d, table}));
}

TEST(KeyGlueTest, DownloadedTableBecomesTheActiveTable) {
  ConnectedSession s;
  const Bytes table = DownloadedTable();
  ASSERT_EQ(s.Name(), kDefaultTableName);
  s.Send(DownloadRecord(table, static_cast<uint32_t>(table.size())));
  EXPECT_TRUE(s.Pending().empty()) << "an accepted download is not answered";
  EXPECT_EQ(s.Name(), B({0xC1, 0xD1, 0xD3, 0xF2, 0xE8, 0xF0, 0xC2, 0xC5}));
  EXPECT_EQ(s.block->glue.hostKeyboardTable, 1);
  // Keys are scan codes of the new table now.
  s.Screen(4, 40);
  ASSERT_EQ(s.Key(0x59), 1);
  EXPECT_EQ(s.Next(), Inbound(4, 40, 0x35));

  // A new connection starts on the built-in table again.
  EXPECT_EQ(S5250_Init(s.block, 80, 24), 0);
  EXPECT_EQ(s.Name(), kDefaultTableName);
  EXPECT_EQ(s.block->glue.hostKeyboardTable, 0);
}

TEST(KeyGlueTest, RefusedDownloadAnswersItsSenseAndKeepsTheTable) {
  const struct {
    const char* what;
    void (*change)(Bytes& table, uint32_t& size);
    uint32_t sense;
  } cases[] = {
      {"entry 101 of category 7", [](Bytes& t, uint32_t&) { t[42 + 200] = 7; }, kSenseTableData},
      {"name not AJL", [](Bytes& t, uint32_t&) { t[13] = 0xC1; }, kSenseTableData},
      {"size beyond the record", [](Bytes& t, uint32_t& size) { size = static_cast<uint32_t>(t.size()) + 1; },
       kSenseTableLength},
      {"table cut short", [](Bytes& t, uint32_t& size) { t.resize(100); size = 100; }, kSenseTableLength},
      {"no table", [](Bytes& t, uint32_t& size) { t.resize(10); size = 10; }, kSenseTableLength},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConnectedSession s;
    Bytes table = DownloadedTable();
    uint32_t size = static_cast<uint32_t>(table.size());
    c.change(table, size);
    s.Send(DownloadRecord(table, size));
    const Bytes sense = B({int(c.sense >> 24), int((c.sense >> 16) & 0xFF), int((c.sense >> 8) & 0xFF),
                           int(c.sense & 0xFF)});
    EXPECT_EQ(s.Next(), Cat({Header(0x11, 4, 0x80, 0), sense}));
    EXPECT_EQ(s.Name(), kDefaultTableName);
    EXPECT_EQ(s.block->glue.hostKeyboardTable, 0);
    // Keystroke codes still go through the glue's own words.
    s.Screen(4, 40);
    ASSERT_EQ(s.Key(kEnter), 1);
    EXPECT_EQ(s.Next(), Inbound(4, 40, 0xF1));
  }
}

TEST(KeyGlueTest, SimulatorKeystrokesAreScanCodesOfTheActiveTable) {
  ConnectedSession s;
  s.Screen(8, 9);
  // Simulator command 1: scan code 0x59, Enter on the built-in tables.
  s.Send(Record(0x10, B({0x01, 0x00, 0x59})));
  const std::vector<Bytes> sent = s.Pending();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(Bytes(sent[0].begin() + 10, sent[0].end()), B({8, 9, 0xF1}));
  EXPECT_EQ(Bytes(sent[1].begin() + 10, sent[1].end()), B({0x00})) << "the command's reply";
}

TEST(KeyGlueTest, WindowKeyHookIsTheKeyGlue) {
  ConnectedSession s;
  SessionKeyProc proc = GetSessionKeyProc();
  ASSERT_NE(proc, nullptr);
  s.Screen(6, 7);
  const unsigned char enter = '1';
  proc(s.block, &enter, 1);
  EXPECT_EQ(s.Next(), Inbound(6, 7, 0xF1));
}

// Simulator command 12, power-on reset: the session gets a new station,
// host interface, renderer and translator. A record held in contention and
// a downloaded keyboard table go with the old ones; the characteristics,
// the station's preferences and type-ahead as the host set it stay; the
// screen is the reset's own (one field, the cursor at row 1 column 2);
// and the session goes on working.
TEST(KeyGlueTest, PowerOnResetRebuildsTheStation) {
  ConnectedSession s;
  const Bytes table = DownloadedTable();
  s.Send(DownloadRecord(table, static_cast<uint32_t>(table.size())));
  ASSERT_EQ(s.block->glue.hostKeyboardTable, 1);
  s.block->taxlate->turnTAOffCtl();
  s.display().options().selectionCharacter = 0xE7;
  const DisplayCharacteristics characteristics = s.display().characteristics();
  // A record held in contention behind the error state.
  s.Screen(5, 6);
  ASSERT_EQ(s.Key(0), 1);
  ASSERT_EQ(s.display().keyboardState().state(), KeyboardState::kError);
  s.Send(Record(0x03, Cat({B({0x04, 0x50}), WriteToDisplay(Cat({SetBufferAddress(1, 2), Ebcdic("HELD")}))}), 0, 0x40));
  ASSERT_EQ(s.block->hostInterface->heldRecordCount(), 1u);

  s.Send(Record(0x10, B({12})));
  const Bytes reply = s.Next();
  ASSERT_EQ(reply.size(), 11u);
  EXPECT_EQ(reply[9], 0x10);
  EXPECT_EQ(reply[10], 0x00);
  EXPECT_EQ(s.block->hostInterface->heldRecordCount(), 0u);
  EXPECT_FALSE(s.block->hostInterface->contention());
  EXPECT_EQ(s.block->glue.hostInterface(), s.block->hostInterface);
  EXPECT_EQ(s.block->taxlate->display(), s.block->display);
  EXPECT_EQ(s.Name(), kDefaultTableName) << "the built-in table again";
  EXPECT_TRUE(s.block->taxlate->typeAheadByte() & TAXlate::kTAHostSet);
  EXPECT_FALSE(s.block->taxlate->typeAheadOn());
  EXPECT_EQ(s.display().options().selectionCharacter, 0xE7);
  for (int w = 0; w < 8; ++w) EXPECT_EQ(s.display().characteristics().word[w], characteristics.word[w]) << w;
  EXPECT_EQ(s.display().keyboardState().state(), KeyboardState::kNormalUnlocked);
  EXPECT_EQ(s.display().formatTable().fieldCount(), 1u);
  EXPECT_EQ(s.display().cursor().getCursorOffset(), 1u);
  const unsigned char* ps = s.display().presentationSpace().buffer();
  EXPECT_NE(ps[1], Ebcdic("H")[0]) << "the held record never ran";
  // The new station reads and answers. After a simulator command keys are
  // scan codes of the active table: 0x59 is Enter on the built-in one.
  s.Screen(7, 8);
  ASSERT_EQ(s.Key(0x59), 1);
  EXPECT_EQ(s.Next(), Inbound(7, 8, 0xF1));
}

// Simulator command 15 sub-code 4: double-byte keys make the session's
// language Japanese.
TEST(KeyGlueTest, DoubleByteKeyStringMakesTheSessionJapanese) {
  ConnectedSession s;
  ASSERT_STRNE(s.block->languageId, "JPN");
  s.Screen(3, 3);
  s.Send(Record(0x10, B({15, 4, 0x00, 0x04, 0x0E, 0x42, 0xC1, 0x0F})));
  const Bytes reply = s.Next();
  ASSERT_EQ(reply.size(), 12u);
  EXPECT_EQ(Bytes(reply.begin() + 10, reply.end()), B({0x00, 0x00}));
  EXPECT_STREQ(s.block->languageId, "JPN");
  EXPECT_EQ(s.block->glue.hostKeyboardTable, 0);
}

}  // namespace
