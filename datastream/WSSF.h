#pragma once
// Write Single Structured Field (command 0xF4): image control and image
// download, video/audio commands, display customisation and the ignored
// type 0x7F.
#include <cstdint>

#include "datastream/FSMNw.h"

class WSSF : public FSMNw {
 public:
  explicit WSSF(Arena* arena) : FSMNw(arena) {}
  // Called on the structured field's first length byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

 private:
  int image(Databyte* db, uint32_t length, unsigned char type);
};

namespace structured_field {
// A video/audio structured field of `length` bytes at the cursor (checked
// to be in the record): buffers its command. 1, or 3 with the sense set.
int videoAudio(Databyte* db, uint32_t length);
}  // namespace structured_field
