// Host bytes into the trace masks: the scanner that covers what a host
// writes into non-display fields, and the mask of remembered field data. A
// copy keeps its length and changes only to the mask byte; nothing reads
// out of bounds.
//
// Input: the first byte is the length of a secret that follows (at most the
// rest); the rest of the input is the traced bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/TraceMask.h"
#include "datastream/NonDisplayWrites.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::size_t secret = data[0];
  ++data;
  --size;
  if (secret > size) secret = size;
  TraceMask mask;
  mask.hide(data, secret);
  // The traced bytes in a buffer of their exact size.
  const std::vector<unsigned char> traced(data + secret, data + size);
  std::vector<unsigned char> out = mask.mask(traced.data(), traced.size());
  if (out.size() != traced.size()) __builtin_trap();
  MaskNonDisplayFieldWrites(out.data(), out.size(), TraceMask::kMaskByte);
  for (std::size_t i = 0; i < out.size(); ++i)
    if (out[i] != traced[i] && out[i] != TraceMask::kMaskByte) __builtin_trap();
  return 0;
}
