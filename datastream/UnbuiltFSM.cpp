#include "datastream/UnbuiltFSM.h"

#include "base/LogMsg.h"

int UnbuiltFSM::processInput(Databyte* db) {
  LogMsg(LevelWarning, "QWC0705 %s is not interpreted by this display; record rejected\n", name_);
  return rejectRecord(db, sense_);
}

int UnbuiltFSM::endOfData(Databyte* db) { return processInput(db); }
