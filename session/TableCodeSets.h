#pragma once
// Single-byte code sets that the C library does not convert, held as tables
// of their own: the emulated euro set of the euro sessions and the Thai host
// code page 838. A converter goes through UCS-4 on their side.
#include <cstdint>

struct TableCodeSet {
  const char* name;  // the language table's name: "emuleuro", "QAV-838"
  // The code point of each byte.
  uint32_t codePoints[256];
  // Bytes that repeat the code point of another byte (the spacing forms of
  // the Thai tone marks): read as that code point, never written for it.
  const unsigned char* secondary;
  int secondaryCount;
};

// The table of a code-set name, or null when the C library's iconv is asked.
const TableCodeSet* FindTableCodeSet(const char* name);

// The byte of a code point in the set, or -1 when the set has none.
int TableCodeSetByte(const TableCodeSet& set, uint32_t codePoint);
