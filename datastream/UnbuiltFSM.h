#pragma once
// The machine of a command, order or structured field that this build does
// not interpret yet: it rejects the record with its machine's default sense
// code and logs which one it was.
#include <cstdint>

#include "datastream/FSMNw.h"

class UnbuiltFSM : public FSMNw {
 public:
  UnbuiltFSM(Arena* arena, const char* name, uint32_t sense = 0x10050121u)
      : FSMNw(arena), name_(name), sense_(sense) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
  const char* name() const { return name_; }

 private:
  const char* name_;
  uint32_t sense_;
};
