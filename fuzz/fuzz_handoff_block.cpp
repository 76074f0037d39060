// A hand-off block as another process may have written it: every string is
// read within its field, and the keypad list is taken only when its length,
// count and names agree with its bytes. Re-encoding what was read gives a
// block that reads back the same.
//
// Input: the block's bytes (shorter input is padded with zeros).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The block code needs only the option record and the log, not the toolkit
// that the rest of its library brings.
#include "session/HandoffBlock.cpp"  // NOLINT(bugprone-suspicious-include)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  unsigned char block[kHandoffBlockSize] = {};
  std::memcpy(block, data, size < sizeof block ? size : sizeof block);
  SessionStartOptions first;
  DecodeHandoffBlock(block, first);
  if (!first.initialKeypads.empty() &&
      !KeypadListIsWellFormed(first.initialKeypads.data(), first.initialKeypads.size()))
    std::abort();
  unsigned char again[kHandoffBlockSize];
  EncodeHandoffBlock(first, again);
  SessionStartOptions second;
  DecodeHandoffBlock(again, second);
  if (second.hostName != first.hostName || second.initialKeypads != first.initialKeypads ||
      second.retryCount != first.retryCount || std::memcmp(&second.geometry, &first.geometry, sizeof first.geometry) != 0)
    std::abort();
  return 0;
}
