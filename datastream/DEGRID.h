#pragma once
// Draw or erase grid lines (structured fields 0x60 and 0x61 of the write to
// display structured field order). This display draws no grid lines: a well
// formed structure is refused with the grid-line sense code after the
// pending output has gone to the device.
#include "datastream/FSMNw.h"

class DEGRID : public FSMNw {
 public:
  static constexpr uint32_t kGridLinesNotSupported = 0x10050153u;
  static constexpr unsigned char kErase = 0x61;
  static constexpr uint32_t kEraseLength = 11;

  explicit DEGRID(Arena* arena) : FSMNw(arena) {}
  // On the structured field's first length byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};
