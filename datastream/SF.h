#pragma once
// The start-field order (0x1D) of a Write to Display: defines an input field
// (FFW, FCWs, attribute, length) or an output field (attribute, length) at
// the display address, redefines the field that already starts there, or
// supplies the next segment of a continued entry field. It writes the
// field's attribute and its ending attribute and hands the definition to
// the field-creation machine.
#include <cstdint>

#include "datastream/FldCrt.h"

struct EntryFieldSegment;

class SF : public FSMNw {
 public:
  // Definition modes.
  enum Mode : unsigned char { kNewField = 0, kNextSegment = 1, kRedefine = 2 };

  explicit SF(Arena* arena) : FSMNw(arena), fldCrt(arena) {}
  int processInput(Databyte* db) override { return doSF(db); }
  int endOfData(Databyte* db) override { return endOfDS(db); }
  // Called on the order byte; finishes on the order's last byte. 1 the
  // field is made, 4 it continues in a further segment, 3 rejected.
  int doSF(Databyte* db);
  int endOfDS(Databyte* db);

  // The segment of a redefined continued field that the next start field
  // must supply, null when none.
  EntryFieldSegment* nextSegment = nullptr;
  FldCrt fldCrt;
  uint32_t fieldLength = 0;

 private:
  int reject(Databyte* db, uint32_t sense);
  int inputField(Databyte* db, unsigned char& mode);
  int fieldControlWords(Databyte* db, unsigned char mode);
  int attribute(Databyte* db, unsigned char mode);
};
