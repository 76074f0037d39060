#pragma once
// The start-field order (0x1D) of a Write to Display: defines an input or
// output field at the display address. This display does not interpret it
// yet: the order rejects its record with the premature-end sense code.
#include "datastream/FSMNw.h"

class SF : public FSMNw {
 public:
  explicit SF(Arena* arena) : FSMNw(arena) {}
  int processInput(Databyte* db) override { return doSF(db); }
  int endOfData(Databyte* db) override { return endOfDS(db); }
  int doSF(Databyte* db);
  int endOfDS(Databyte* db);
};
