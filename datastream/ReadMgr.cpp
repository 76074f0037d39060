#include "datastream/ReadMgr.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/RestoreSense.h"
#include "session/base/LogMsg.h"

unsigned int ReadMgr::activateReadProcess(unsigned char aid, unsigned int) {
  lastAid_ = aid;
  ++activations_;
  return 0;
}

void ReadMgr::saveRead(qrnOStream* out) const {
  out->save(readPending_, 8);
  out->save(fieldSequencing_, 8);
  out->save(cc1_, 8);
  out->save(cc2_, 8);
  out->save(pendingAid_, 8);
}

unsigned int ReadMgr::restoreRead(qrnIStream* in) {
  unsigned char b[5] = {};
  for (unsigned char& x : b) in->restore(x, 8);
  if (in->checkRestore()) {
    LogMsg(LevelWarning, "QWC0400 restore of the read manager refused: stream ends early\n");
    return kSenseRestoreDataInvalid;
  }
  readPending_ = b[0];
  fieldSequencing_ = b[1];
  cc1_ = b[2];
  cc2_ = b[3];
  savedPendingAid_ = b[4];
  return 0;
}
