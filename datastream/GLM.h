#pragma once
// Graphic Character Load (0x31): defines a user character of a double-byte
// display. Bytes: a 2-byte code, the 2-byte character code C, the matrix
// length M, then M bytes of matrix. The matrix is checked and skipped; the
// display draws user characters from its own fonts.
#include "datastream/FSMNw.h"

class GLM : public FSMNw {
 public:
  explicit GLM(Arena* arena) : FSMNw(arena) {}
  // On the first byte after the command code.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};
