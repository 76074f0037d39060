#include "datastream/SF.h"

#include "datastream/DsmSense.h"
#include "session/base/LogMsg.h"

int SF::doSF(Databyte* db) {
  LogMsg(LevelWarning, "QWC0705 start field order is not interpreted by this display; record rejected\n");
  return rejectRecord(db, dsm_sense::kPrematureEnd);
}

int SF::endOfDS(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }
