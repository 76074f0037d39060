// The translation-table registry and the host's table download.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "keyboard/GeneratedTables.h"
#include "keyboard/XlateTableDownload.h"
#include "tests/keyboard/KeyStation.h"

namespace {

std::vector<unsigned char> BuiltIn(unsigned int i) {
  const unsigned char* t = keyboard_data::kBuiltInTables[i];
  return std::vector<unsigned char>(t, t + keyboard_data::kBuiltInTableLengths[i]);
}
// "AJL1Y0BC" (typewriter, two planes).
std::vector<unsigned char> Table1() { return BuiltIn(2); }
// The same table as the host sends it, for keyboard "BD".
std::vector<unsigned char> HostTable() {
  std::vector<unsigned char> t = Table1();
  t[19] = 0xC4;
  return t;
}

RuName Name(const char* ebcdicHex8) {
  RuName n;
  for (int i = 0; i < 8; ++i) n.bytes[i] = static_cast<unsigned char>(ebcdicHex8[i]);
  return n;
}
const char kAJL1[] = "\xC1\xD1\xD3\xF1\xE8\xF0\xC2\xC3";

void SetEntry(std::vector<unsigned char>& t, unsigned int index, unsigned char cat, unsigned char code) {
  t[42 + 2 * index] = cat;
  t[42 + 2 * index + 1] = code;
}

TEST(XlateTables, BuiltInTablesAreRegisteredAndValid) {
  XlateTable registry(BuiltInXlateTables());
  EXPECT_EQ(registry.builtInCount(), 5u);
  EXPECT_EQ(registry.tableCount(), 5u);
  const struct {
    unsigned char digit;
    unsigned int entries;
  } cases[] = {{0xF1, 256}, {0xF2, 256}, {0xF3, 256}, {0xF4, 256}, {0xF5, 768}};
  for (const auto& c : cases) {
    RuName n = Name(kAJL1);
    n.bytes[3] = c.digit;
    XlateTableInfo* t = registry.FindAndIncrement(n, nullptr);
    ASSERT_NE(t, nullptr) << unsigned(c.digit);
    EXPECT_EQ(t->entryCount, c.entries);
    EXPECT_EQ(t->keyboardCode, kKeyboardBC);
    EXPECT_EQ(t->diacriticCountry, 0x19);
    EXPECT_EQ(t->downloaded, 0u);
    EXPECT_EQ(XlateTable::ValidateTT(t), 0u);
    registry.DecrementAndDelete(t);
  }
}

TEST(XlateTables, EntryRules) {
  // (category, code, table digit, header flags, keyboard code, valid)
  const struct {
    unsigned char cat, code, digit, flags;
    unsigned int keyboard;
    bool valid;
  } cases[] = {
      {1, 14, 0xF1, 0, kKeyboardBC, true},   {1, 15, 0xF1, 0, kKeyboardBC, false},
      {2, 4, 0xF1, 0, kKeyboardBC, true},    {2, 5, 0xF1, 0, kKeyboardBC, false},
      {3, 12, 0xF1, 0, kKeyboardBC, true},   {3, 13, 0xF1, 0, kKeyboardBC, false},
      {3, 16, 0xF1, 0, kKeyboardBC, true},   {3, 33, 0xF1, 0, kKeyboardBC, true},
      {3, 34, 0xF1, 0, kKeyboardBC, false},  {4, 3, 0xF1, 0, kKeyboardBC, true},
      {4, 0, 0xF1, 0, kKeyboardBC, false},   {5, 24, 0xF1, 0, kKeyboardBC, true},
      {5, 25, 0xF1, 0, kKeyboardBC, false},  {6, 10, 0xF1, 0, kKeyboardBC, true},
      {6, 11, 0xF1, 0, kKeyboardBC, false},  {9, 0x40, 0xF1, 0, kKeyboardBC, true},
      {16, 0xFE, 0xF1, 0, kKeyboardBC, true}, {16, 0xFF, 0xF1, 0, kKeyboardBC, false},
      {12, 0x3F, 0xF1, 0, kKeyboardBC, false}, {17, 0x40, 0xF1, 0, kKeyboardBC, false},
      {23, 3, 0xF1, 0, kKeyboardBC, true},   {23, 2, 0xF1, 0, kKeyboardBC, false},
      {32, 4, 0xF1, 0, kKeyboardBC, true},   {32, 13, 0xF1, 0, kKeyboardBC, false},
      {32, 13, 0xF5, 0x10, kKeyboardBC, true}, {32, 10, 0xF1, 0x04, kKeyboardBC, true},
      {32, 10, 0xF1, 0, kKeyboardBC, false}, {32, 9, 0xF5, 0, kKeyboardBC, true},
      {32, 9, 0xF1, 0, kKeyboardBC, false},  {32, 5, 0xF1, 0, kKeyboardBG, true},
      {32, 6, 0xF1, 0, kKeyboardBH, true},   {32, 5, 0xF1, 0, kKeyboardBC, false},
      {32, 12, 0xF5, 0, kKeyboardBG, true},  {32, 12, 0xF1, 0, kKeyboardBG, false},
      {32, 15, 0xF5, 0x14, kKeyboardBG, false}, {34, 0, 0xF1, 0, kKeyboardBC, true},
      {35, 1, 0xF1, 0, kKeyboardBC, false},  {37, 12, 0xF1, 0, kKeyboardBC, true},
      {38, 13, 0xF1, 0, kKeyboardBC, false}, {39, 0x40, 0xF1, 0, kKeyboardBC, true},
      {39, 0x41, 0xF1, 0, kKeyboardBC, false}, {0, 0, 0xF1, 0, kKeyboardBC, false},
      {7, 1, 0xF1, 0, kKeyboardBC, false},   {24, 0, 0xF1, 0, kKeyboardBC, false},
      {33, 2, 0xF1, 0, kKeyboardBC, false},  {36, 0, 0xF1, 0, kKeyboardBC, false},
      {40, 0, 0xF1, 0, kKeyboardBC, false},
  };
  for (const auto& c : cases) {
    std::vector<unsigned char> t(42 + 2 * 1024, 0);
    for (unsigned int i = 0; i < 1024; ++i) SetEntry(t, i, 35, 0);
    std::memcpy(&t[12], kAJL1, 8);
    t[15] = c.digit;
    t[18] = static_cast<unsigned char>(c.keyboard >> 8);
    t[19] = static_cast<unsigned char>(c.keyboard);
    t[41] = c.flags;
    SetEntry(t, 7, c.cat, c.code);
    XlateTableInfo info;
    XlateTable::CreateXlateTblHdr(t.data(), &info);
    info.entries = t.data() + 42;
    EXPECT_EQ(XlateTable::ValidateTT(&info), c.valid ? 0u : 8u)
        << unsigned(c.cat) << "," << unsigned(c.code) << " digit " << unsigned(c.digit);
  }
}

TEST(XlateTables, EntryCountFollowsNameAndFlags) {
  const struct {
    unsigned char digit, flags;
    unsigned int keyboard, entries;
  } cases[] = {
      {0xF1, 0, kKeyboardBC, 256}, {0xF4, 0x04, kKeyboardBC, 512}, {0xF2, 0, kKeyboardBG, 512},
      {0xF5, 0, kKeyboardBC, 384}, {0xF5, 0x10, kKeyboardBC, 768}, {0xF5, 0x04, kKeyboardBC, 640},
      {0xF5, 0x10, kKeyboardBG, 640}, {0xF6, 0, kKeyboardBC, 256}, {0xF6, 0, kKeyboardBH, 512},
  };
  for (const auto& c : cases) {
    std::vector<unsigned char> t = Table1();
    t[15] = c.digit;
    t[18] = static_cast<unsigned char>(c.keyboard >> 8);
    t[19] = static_cast<unsigned char>(c.keyboard);
    t[41] = c.flags;
    XlateTableInfo info;
    XlateTable::CreateXlateTblHdr(t.data(), &info);
    EXPECT_EQ(info.entryCount, c.entries);
  }
}

TEST(XlateTables, AddTableRefusals) {
  XlateTable registry(BuiltInXlateTables());
  const size_t freeBefore = registry.largestFreeBlock();
  const struct {
    const char* what;
    void (*change)(std::vector<unsigned char>&);
    int expected;
  } cases[] = {
      {"first name byte", [](std::vector<unsigned char>& t) { t[12] = 0xC2; }, 12},
      {"second name byte", [](std::vector<unsigned char>& t) { t[13] = 0; }, 13},
      {"third name byte", [](std::vector<unsigned char>& t) { t[14] = 0xD4; }, 14},
      {"entry 200 category 7", [](std::vector<unsigned char>& t) { SetEntry(t, 199, 7, 1); }, 200},
      {"entry 1", [](std::vector<unsigned char>& t) { SetEntry(t, 0, 36, 0); }, 1},
      {"last entry", [](std::vector<unsigned char>& t) { SetEntry(t, 255, 5, 30); }, 256},
      {"one byte short", [](std::vector<unsigned char>& t) { t.pop_back(); }, kXlateTableTooShort},
      {"header only", [](std::vector<unsigned char>& t) { t.resize(42); }, kXlateTableTooShort},
      {"below the header", [](std::vector<unsigned char>& t) { t.resize(41); }, kXlateTableTooShort},
      {"more entries by flag", [](std::vector<unsigned char>& t) { t[41] = 0x04; }, kXlateTableTooShort},
      {"double-byte keyboard without sub-tables",
       [](std::vector<unsigned char>& t) {
         t[18] = 0xC2;
         t[19] = 0xD2;
         t.resize(t.size() + 512 + 3, 0x41);
       },
       kXlateTableNoSubTables},
  };
  for (const auto& c : cases) {
    std::vector<unsigned char> t = Table1();
    c.change(t);
    XlateTableInfo* out = reinterpret_cast<XlateTableInfo*>(1);
    EXPECT_EQ(registry.AddTable(t.data(), static_cast<int>(t.size()), out), c.expected) << c.what;
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(registry.tableCount(), 5u);
    EXPECT_EQ(registry.largestFreeBlock(), freeBefore);
  }
}

TEST(XlateTables, DoubleByteSubTablesAreBoundedByTheTable) {
  XlateTable registry(BuiltInXlateTables());
  std::vector<unsigned char> t = Table1();
  t[18] = 0xC2;
  t[19] = 0xD2;  // "BK": sub-tables 512 bytes past the entries
  t.resize(t.size() + 512, 0x40);
  const unsigned char runs[] = {1, 2, 0, 3, 0, 0, 4, 5, 6, 0};
  t.insert(t.end(), runs, runs + sizeof runs);
  XlateTableInfo* info = nullptr;
  ASSERT_EQ(registry.AddTable(t.data(), static_cast<int>(t.size()), info), 0);
  TAXlate tax;
  tax.setUsesHostTables(true);
  tax.loadXlateTable(info);
  const unsigned char* start = info->entries + 512 + 512;
  EXPECT_EQ(tax.doubleByteTable(0), start);
  EXPECT_EQ(tax.doubleByteTable(1), start + 3);
  EXPECT_EQ(tax.doubleByteTable(2), start + 5);
  EXPECT_EQ(tax.doubleByteTable(3), start + 6);
  registry.DecrementAndDelete(info);
}

TEST(XlateTables, QualifierMustMatch) {
  XlateTable registry(BuiltInXlateTables());
  std::vector<unsigned char> t = Table1();
  t[15] = 0xF9;
  t[24] = 0x5C;  // a qualifier
  XlateTableInfo* info = nullptr;
  ASSERT_EQ(registry.AddTable(t.data(), static_cast<int>(t.size()), info), 0);
  RuName n = Name(kAJL1);
  n.bytes[3] = 0xF9;
  EXPECT_EQ(registry.FindAndIncrement(n, nullptr), nullptr);
  char q[14] = {0x5C};
  EXPECT_EQ(registry.FindAndIncrement(n, q), info);
  registry.DecrementAndDelete(info);
  registry.DecrementAndDelete(info);
  EXPECT_EQ(registry.tableCount(), 5u);
}

TEST(XlateTables, SharedDownloadedTableGoesWithItsLastUser) {
  XlateTable registry(BuiltInXlateTables());
  const size_t freeBefore = registry.largestFreeBlock();
  std::vector<unsigned char> t = Table1();
  t[15] = 0xF9;
  XlateTableInfo* first = nullptr;
  ASSERT_EQ(registry.AddTable(t.data(), static_cast<int>(t.size()), first), 0);
  RuName n = Name(kAJL1);
  n.bytes[3] = 0xF9;
  XlateTableInfo* second = registry.FindAndIncrement(n, nullptr);
  EXPECT_EQ(second, first);
  registry.DecrementAndDelete(first);
  EXPECT_EQ(registry.tableCount(), 6u);
  registry.DecrementAndDelete(second);
  EXPECT_EQ(registry.tableCount(), 5u);
  EXPECT_EQ(registry.largestFreeBlock(), freeBefore);
}

TEST(XlateTables, ThePoolRunsOutWithoutHalting) {
  XlateTable registry(BuiltInXlateTables());
  std::vector<unsigned char> t = Table1();
  int taken = 0;
  for (unsigned char d = 0xC1; d < 0xFA; ++d) {
    if (d == 0xF5) continue;  // a digit-5 name asks for more entries
    t[15] = d;
    XlateTableInfo* info = nullptr;
    const bool room = registry.CheckSpace(static_cast<int>(t.size())) != 0;
    const int r = registry.AddTable(t.data(), static_cast<int>(t.size()), info);
    EXPECT_EQ(r == 0, room);
    if (r == 0) ++taken;
    else EXPECT_EQ(r, kXlateTableNoRoom);
  }
  EXPECT_GT(taken, 5);
  EXPECT_LT(taken, 40);
}

// ---- download into a session ----------------------------------------------------------------

TEST(HostTableDownload, AnAcceptedTableBecomesActive) {
  KeyStation st(kTable1);
  XlateTableInfo* builtIn = st.tax().activeTable();
  const unsigned int refs = builtIn->references;
  std::vector<unsigned char> t = HostTable();
  SetEntry(t, kScanA, 10, 0x91);  // the a key types j
  t[40] = 0x0B;
  ASSERT_EQ(InstallHostTable(st.registry, st.tax(), t.data(), t.size()), 0);
  EXPECT_NE(st.tax().activeTable(), builtIn);
  EXPECT_EQ(builtIn->references, refs - 1);
  EXPECT_TRUE(st.tax().usesHostTables());
  EXPECT_EQ(st.tax().diacriticCountry(), 0x0B);
  st.key(kScanA);
  EXPECT_EQ(st.last(), (FunctionWord{10, 0x91}));

  // The same table again is found by name and replaces itself.
  const size_t tables = st.registry.tableCount();
  ASSERT_EQ(InstallHostTable(st.registry, st.tax(), t.data(), t.size()), 0);
  EXPECT_EQ(st.registry.tableCount(), tables);
  EXPECT_EQ(st.tax().activeTable()->references, 1u);
}

TEST(HostTableDownload, ARefusedTableLeavesTheActiveTable) {
  const struct {
    const char* what;
    void (*change)(std::vector<unsigned char>&);
  } cases[] = {
      {"bad entry", [](std::vector<unsigned char>& t) { SetEntry(t, 199, 7, 1); }},
      {"short", [](std::vector<unsigned char>& t) { t.resize(100); }},
      {"bad name", [](std::vector<unsigned char>& t) { t[14] = 0; }},
      {"too large for the pool", [](std::vector<unsigned char>& t) { t.resize(20000, 0); }},
  };
  for (const auto& c : cases) {
    KeyStation st(kTable1);
    XlateTableInfo* builtIn = st.tax().activeTable();
    const unsigned int refs = builtIn->references;
    const size_t tables = st.registry.tableCount();
    std::vector<unsigned char> t = HostTable();
    SetEntry(t, kScanA, 10, 0x91);
    c.change(t);
    EXPECT_NE(InstallHostTable(st.registry, st.tax(), t.data(), t.size()), 0) << c.what;
    EXPECT_EQ(st.tax().activeTable(), builtIn);
    EXPECT_EQ(builtIn->references, refs);
    EXPECT_EQ(st.registry.tableCount(), tables);
    EXPECT_FALSE(st.tax().usesHostTables());
    st.key(kScanA);
    EXPECT_EQ(st.last(), (FunctionWord{10, 0x81})) << c.what;
  }
}

}  // namespace
