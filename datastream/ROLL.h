#pragma once
// Roll (0x23): moves rows T to B of the presentation space up or down by n
// rows. Three bytes: control (bit 7 down, else up; bits 4-0 the count n),
// top row T and bottom row B, 1-based. The rows the roll vacates keep what
// they showed.
#include "datastream/FSMNw.h"

class ROLL : public FSMNw {
 public:
  explicit ROLL(Arena* arena) : FSMNw(arena) {}
  // On the control byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};
