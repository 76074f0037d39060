#pragma once
// Write Structured Field (command 0xF3): one structured field of class 0xD9
// whose type selects the query, the query station state, transparent data
// to the host or a text-assist structured field.
#include <cstdint>

#include "datastream/FSMNw.h"

class WSF : public FSMNw {
 public:
  explicit WSF(Arena* arena) : FSMNw(arena) {}
  // Called on the structured field's first length byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
  // Builds the machine of structured-field type `type`; false when there is
  // none or no room.
  bool fSMLdInd(Databyte* db, unsigned char type);

 private:
  int reject(Databyte* db, uint32_t sense);
  // Brings the keyboard to what text assist needs; 5, or 3.
  int retText(Databyte* db, unsigned char type);
};

// Transparent data to the host (type 0x3F): accepted and stepped over; it
// must end the record.
class TDFHost : public FSMNw {
 public:
  static constexpr uint32_t kMaxLength = 4404;
  explicit TDFHost(Arena* arena) : FSMNw(arena) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};
