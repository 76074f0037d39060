#include "display/ASD.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/RestoreSense.h"

void ASD::saveASD(qrnOStream* out) const { out->save(state_, 8); }

unsigned int ASD::restoreASD(qrnIStream* in) {
  unsigned char state = 0;
  in->restore(state, 8);
  if (in->checkRestore()) return RestoreRejected("shaper", "stream ends early");
  state_ = state;
  return 0;
}
