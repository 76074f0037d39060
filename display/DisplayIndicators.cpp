#include "display/DisplayIndicators.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/RestoreSense.h"

namespace {
// The saved indicator bits, in stream order.
constexpr unsigned char kSavedBits[] = {30, 28, 27, 26, 24, 23, 22, 21};
}

void DisplayIndicators::saveIndicators(qrnOStream* stream) const {
  stream->startBitCompression();
  for (unsigned char bit : kSavedBits) stream->save((current_.get() >> bit) & 1u, 1);
  stream->endBitCompression();
}

unsigned int DisplayIndicators::restoreIndicators(qrnIStream* stream) {
  unsigned int word = current_.get();
  stream->startBitExpansion();
  for (unsigned char bit : kSavedBits) {
    unsigned char v = 0;
    stream->restore(v, 1);
    word = (word & ~(1u << bit)) | (static_cast<unsigned int>(v & 1u) << bit);
  }
  stream->endBitExpansion();
  if (stream->checkRestore()) return RestoreRejected("indicators", "stream ends early");
  current_.assign(word);
  return 0;
}
