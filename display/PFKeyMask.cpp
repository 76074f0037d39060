#include "display/PFKeyMask.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/RestoreSense.h"

void PFKeyMask::setPFKeyMask(unsigned int index, unsigned char mask) {
  if (index >= 1 && index <= 3) mask_[index - 1] = static_cast<unsigned char>(~mask);
}

void PFKeyMask::resetPFKeyMasks() { mask_[0] = mask_[1] = mask_[2] = 0xFF; }

bool PFKeyMask::isDataRequired(unsigned char aid) const {
  unsigned int key = 0;
  if (aid >= 0x31 && aid <= 0x3C)
    key = aid - 0x30u;
  else if (aid >= 0xB1 && aid <= 0xBC)
    key = aid - 0xB0u + 12;
  else
    return true;
  const unsigned int k = key - 1;
  return (mask_[2 - k / 8] >> (k % 8)) & 1u;
}

void PFKeyMask::savePFKeyMask(qrnOStream* stream) const { stream->hostPutData(mask_, 3); }

unsigned int PFKeyMask::restorePFKeyMask(qrnIStream* stream) {
  unsigned char m[3] = {};
  stream->hostGetData(m, 3);
  if (stream->checkRestore()) return RestoreRejected("PF-key mask", "stream ends early");
  for (int i = 0; i < 3; ++i) mask_[i] = m[i];
  return 0;
}
