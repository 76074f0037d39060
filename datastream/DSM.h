#pragma once
// The root machine of a session's data stream: it expects an escape byte,
// takes the byte after it as a command code, and carries the command out
// itself or hands the record to the command's machine. States: 0 expecting
// an escape (or feeding the current command's machine), 1 expecting a
// command code, 2 expecting a command code while word processing.
#include <cstdint>

#include "datastream/FSMNw.h"

class DSM : public FSMNw {
 public:
  explicit DSM(Arena* arena) : FSMNw(arena) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

  uint32_t savePartialPending = 0;

 private:
  int command(Databyte* db, bool wordProcessing);
  int stepResult(Databyte* db, int result);
  // Builds the command's machine and enters it at the next byte; with
  // `bracket` inside the cursor-move bracket.
  template <class T, class... Args>
  int callChild(Databyte* db, bool bracket, Args&&... args);
  int checkText(Databyte* db);
  int checkLastCmd(Databyte* db);
  int processSavePartial(Databyte* db);
  int readCommand(Databyte* db);
  int clearFormatTable(Databyte* db);
  // Clears the screen to the size its parameter byte names (27 x 132, 32 x 80,
  // 43 x 80, or the current size keeping images).
  int clearUnitAlternate(Databyte* db);
  int refuse(Databyte* db, uint32_t sense);
  int error(Databyte* db);
  int reject(Databyte* db);
  int endInd(Databyte* db);
  int doneDeal(Databyte* db);
};
