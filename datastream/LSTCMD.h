#pragma once
// The commands the dispatcher does not carry out itself: save and restore
// screen, the screen reads and the immediate reads. Called on the command
// code; everything else is an invalid command.
#include "datastream/FSMNw.h"

class LSTCMD : public FSMNw {
 public:
  explicit LSTCMD(Arena* arena) : FSMNw(arena) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override { return 0; }

 private:
  int save(Databyte* db);
  int doRestore(Databyte* db);
  int rdScreen(Databyte* db, unsigned char code);
  int readImm(Databyte* db, unsigned char code);
  int invCmd(Databyte* db);
  int fail(Databyte* db, uint32_t sense);
};
