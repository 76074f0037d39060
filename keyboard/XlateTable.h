#pragma once
// The registry of a session's keyboard translation tables: the built-in
// tables and those the host downloads, kept in a fixed pool, validated
// entry by entry and counted by reference.
//
// Table image (big-endian): bytes 0-11 reserved, 12-19 the EBCDIC name
// ("AJL", a digit, two characters, the two-letter keyboard code), 20-23
// reserved, 24-37 the qualifier, 38-39 reserved, 40 the diacritic country
// number, 41 the option flags, from 42 the function words (category, code),
// 128 per plane.
#include <cstddef>

#include "keyboard/FunctionWord.h"
#include "base/BufferMgr.h"

// A table name: eight EBCDIC bytes.
struct RuName {
  unsigned char bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

// The registry's record of one table.
struct XlateTableInfo {
  // Table flag bits (from header byte 41).
  static constexpr unsigned int kFlag80 = 0x8000;
  static constexpr unsigned int kFlag20 = 0x4000;
  static constexpr unsigned int kFlag10 = 0x2000;         // extra planes on digit-5 tables
  static constexpr unsigned int kRightToLeft = 0x1000;    // header 0x08
  static constexpr unsigned int kExtraPlanes = 0x0800;    // header 0x04
  static constexpr unsigned int kFlag02 = 0x0400;
  static constexpr unsigned int kFlag01 = 0x0200;

  XlateTableInfo* next = nullptr;
  unsigned int references = 0;
  unsigned char name[8] = {};
  unsigned char qualifier[14] = {};
  unsigned int downloaded = 0;
  // What the translator uses.
  const unsigned char* entries = nullptr;
  unsigned int entryCount = 0;
  unsigned int entryBytes = 0;  // bytes present from `entries` (entries and sub-tables)
  unsigned int keyboardCode = 0;
  unsigned char digit = 0;
  unsigned char diacriticCountry = 0;
  unsigned int flags = 0;

  FunctionWord entry(unsigned int index) const {
    return FunctionWord{entries[2 * index], entries[2 * index + 1]};
  }
};

// Keyboard codes (two EBCDIC letters) that the tables treat specially.
enum : unsigned int {
  kKeyboardBC = 0xC2C3,
  kKeyboardBG = 0xC2C7,
  kKeyboardBH = 0xC2C8,
  kKeyboardBK = 0xC2D2,
  kKeyboardCA = 0xC3C1,
  kKeyboardCB = 0xC3C2,
  kKeyboardCC = 0xC3C3,
};

// AddTable's refusals other than an entry number (1-based) or a name
// byte (12-14).
enum : int {
  kXlateTableTooShort = -1,      // fewer bytes than the header and its entries
  kXlateTableNoSubTables = -2,   // double-byte sub-tables missing or not ended
  kXlateTableNoRoom = -3,        // the pool cannot hold it
};

class XlateTable {
 public:
  static constexpr size_t kPoolSize = 15360;
  static constexpr unsigned int kHeaderLength = 42;

  // `builtIn`: the built-in tables, a null-terminated list (may be null).
  explicit XlateTable(unsigned char** builtIn);
  ~XlateTable() = default;
  XlateTable(const XlateTable&) = delete;
  XlateTable& operator=(const XlateTable&) = delete;

  // The table of that name and qualifier (14 zero bytes when null), with a
  // reference taken; null when none.
  XlateTableInfo* FindAndIncrement(RuName& name, const char* qualifier);
  // Lets go of one reference; a downloaded table goes with its last.
  void DecrementAndDelete(XlateTableInfo* info);
  // Registers a downloaded table: `length` is the number of bytes present
  // at `table`. 0 and `out` the new table (one reference) when taken; else
  // out null and the refusal (name byte 12-14, the 1-based number of the
  // first bad entry, or one of the negative codes above). A refused table
  // leaves nothing in the pool.
  int AddTable(const unsigned char* table, int length, XlateTableInfo*& out);
  // Non-zero when the pool can take a table of `length` bytes.
  int CheckSpace(int length) const;
  // 0, or the 1-based number of the first entry that breaks the rules.
  static unsigned int ValidateTT(const XlateTableInfo* info);
  // Fills a record from a table header (entry count from the name and flags).
  static void CreateXlateTblHdr(const unsigned char* table, XlateTableInfo* info);
  // Where the double-byte sub-tables begin, in bytes from the first entry.
  static unsigned int doubleByteOffset(const XlateTableInfo* info);

  size_t builtInCount() const { return builtIns_; }
  // The records in the list, for tests and traces.
  size_t tableCount() const;
  size_t largestFreeBlock() const { return pool_.LargestFreeBlock(); }

 private:
  void link(XlateTableInfo* info);

  XlateTableInfo* head_ = nullptr;
  alignas(8) char region_[kPoolSize];
  BufferMgr pool_;
  size_t builtIns_ = 0;
};

// The program's list of built-in tables, null-terminated.
unsigned char** BuiltInXlateTables();
