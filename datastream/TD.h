#pragma once
// Transparent data (order 0x10 of a Write to Display): a 2-byte length and
// that many bytes written as they are, without order interpretation.
// Entered on the first length byte.
#include <cstdint>

#include "datastream/FSMNw.h"

class TD : public FSMNw {
 public:
  explicit TD(Arena* arena) : FSMNw(arena) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
  uint16_t length = 0;
};
