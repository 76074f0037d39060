#include "keyboard/TAXlate.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/RestoreSense.h"
#include "session/base/LogMsg.h"

void TAXlate::saveTaxStuff(qrnOStream* out) const {
  out->startBitCompression();
  out->save(languageShift_, 1);
  out->endBitCompression();
}

unsigned int TAXlate::restoreTaxStuff(qrnIStream* in) {
  unsigned char shift = 0;
  in->startBitExpansion();
  in->restore(shift, 1);
  in->endBitExpansion();
  if (in->checkRestore()) {
    LogMsg(LevelWarning, "QWC0400 restore of the keyboard translator refused: stream ends early\n");
    return kSenseRestoreDataInvalid;
  }
  languageShift_ = shift;
  return 0;
}
