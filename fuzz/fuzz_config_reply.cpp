// The string area of a configuration daemon reply: nothing is read past the
// area, every value copied stays within its 256 bytes, and a refused reply
// keeps nothing.
//
// Input: the string area.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The reply code needs nothing of its library but itself.
#include "session/ConfigDaemonMessages.cpp"  // NOLINT(bugprone-suspicious-include)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  response_struct reply;
  const bool taken = ParseConfigReply(data, size, reply);
  if (!taken && (reply.present != 0 || reply.returnCode != -1)) std::abort();
  for (const auto& s : reply.strings)
    if (std::memchr(s, 0, sizeof s) == nullptr) std::abort();
  return 0;
}
