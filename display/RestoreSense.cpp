#include "display/RestoreSense.h"

#include "base/LogMsg.h"

unsigned int RestoreRejected(const char* what, const char* why) {
  LogMsg(LevelWarning, "QWC0400 restore of the %s refused: %s\n", what, why);
  return kSenseRestoreDataInvalid;
}
