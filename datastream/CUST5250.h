#pragma once
// The display-customisation structured field (type 0x71 of Write Single
// Structured Field): its settings byte switches flag word B bits 21 and 19
// of the station, and its subfields set the keyboard's type-ahead and host
// control and whether the cursor is shown. Layout: 2-byte length, class,
// type, flags (bit 7 must be clear), settings, subfields (length, type,
// value). The whole field is checked before anything is applied.
#include "datastream/FSMNw.h"

class CUST5250 : public FSMNw {
 public:
  explicit CUST5250(Arena* arena) : FSMNw(arena) {}
  // On the first length byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};
