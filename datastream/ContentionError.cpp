#include "datastream/ContentionError.h"

#include "datastream/HostInterface.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/RestoreSense.h"
#include "base/LogMsg.h"

void ContentionError::resetContentionError(DisplayBag* display) {
  if (!flag_) return;
  if (HostInterface* host = display->hostInterface())
    host->sendContentionErrorResolvedToHost(display->getRendering());
  flag_ = 0;
}

void ContentionError::saveContentionErrorForAddressSharing(qrnOStream* out) const {
  out->save(static_cast<unsigned char>(flag_ ? 1 : 0), 8);
}

unsigned int ContentionError::restoreContentionErrorForAddressSharing(qrnIStream* in) {
  unsigned char flag = 0;
  in->restore(flag, 8);
  if (in->checkRestore() || flag > 1) {
    LogMsg(LevelWarning, "QWC0400 restore of the contention error refused: bad flag\n");
    return kSenseRestoreDataInvalid;
  }
  flag_ = flag;
  return 0;
}
