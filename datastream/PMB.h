#pragma once
// Define programmable mouse buttons (structured field 0x55 of the write to
// display structured field order): replaces the station's table of mouse
// buttons that post AIDs. Bytes 4-6 flags and reserved, then entries of four
// bytes: flags (bit 7 a second event completes it; bits 6-4 kept), first
// event, second event, AID. Length 7 clears the table.
#include "datastream/FSMNw.h"

class PMB : public FSMNw {
 public:
  static constexpr uint32_t kHeaderLength = 7;
  static constexpr uint32_t kEntryLength = 4;

  explicit PMB(Arena* arena) : FSMNw(arena) {}
  // On the structured field's first length byte; finishes on its last byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};
