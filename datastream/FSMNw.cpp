#include "datastream/FSMNw.h"

#include "datastream/DsmSense.h"
#include "base/LogMsg.h"

FSMNw::~FSMNw() {
  if (child) deleteMachine(arena_, child);
  child = nullptr;
}

void deleteMachine(Arena* arena, FSMNw* machine) {
  if (!machine) return;
  machine->~FSMNw();
  arena->aFree(machine);
}

int FSMNw::fSMContinue(Databyte* db, uint32_t n) {
  if (db->loadNextValue(n) == 0) return kFsmDispatchAgain;
  return endOfData(db);
}

int FSMNw::fSMIndCall(Databyte* db) {
  if (!child) return rejectRecord(db, dsm_sense::kPrematureEnd);
  return child->processInput(db);
}

int FSMNw::fSMCheckEODInd(Databyte* db) {
  if (!child) return 0;
  const int result = child->endOfData(db);
  fSMEndInd(db);
  return result;
}

int FSMNw::fSMEndInd(Databyte*) {
  if (child) deleteMachine(arena_, child);
  child = nullptr;
  return 0;
}

int FSMNw::rejectRecord(Databyte* db, uint32_t defaultSense) {
  fSMEndInd(db);
  db->setDefaultSenseCode(defaultSense);
  return kFsmRejected;
}
