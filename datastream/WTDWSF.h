#pragma once
// The write-to-display structured field order (0x15) of a Write to Display:
// windows, selection fields, scroll bars, mouse buttons, GUI removal and
// grid lines go to their machines; unrestricted cursor movement, write data
// to a field and video/audio commands are handled here.
#include <cstdint>

#include "datastream/FSMNw.h"

class WTDWSF : public FSMNw {
 public:
  explicit WTDWSF(Arena* arena) : FSMNw(arena) {}
  // Called on the structured field's first length byte; finishes on its
  // last byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

 private:
  // Hands the structured field to the machine of its type, after the lock
  // signals of the cursor machine when asked.
  template <class T>
  int structure(Databyte* db, bool lockSignals);
  int unrestrictedCursor(Databyte* db, uint32_t length);
  int writeDataToField(Databyte* db, uint32_t length);
};
