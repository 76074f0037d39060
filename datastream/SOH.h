#pragma once
// Start of header (order 0x01 of a Write to Display): clears the format
// table for a new screen and takes the header's flags, resequencing byte,
// error row and PF-key masks. Entered on the length byte after the order.
#include "datastream/FSMNw.h"

class SOH : public FSMNw {
 public:
  static constexpr unsigned char kMaxLength = 7;
  explicit SOH(Arena* arena) : FSMNw(arena) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};
