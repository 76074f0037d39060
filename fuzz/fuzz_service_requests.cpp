// Requests of the "teldra" command service as any local program may send
// them, the card requests among them (their lengths and PINs), served
// without a display or card: no crash, no read past the message, and a
// reply that fits one message. Requests that launch programs or end the
// session are left out.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/sdk/QXService.h"
#include "wm/services/CommandService.h"
#include "wm/session/ScreenState.h"

namespace {

ScreenState state;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > QXServiceMaxMessage) return 0;
  if (size > 0 && data[0] != 0 && std::strchr("sxlz", data[0])) return 0;
  // A copy of exactly the message's size, so that a read past it is seen.
  std::vector<uint8_t> message(data, data + size);
  std::vector<unsigned char> reply;
  const bool answered = ServeServiceRequest(&state, nullptr, message.data(), message.size(), &reply);
  if (answered && (reply.empty() || reply.size() > QXServiceMaxMessage || reply[0] != message[0])) __builtin_trap();
  if (!answered && !reply.empty()) __builtin_trap();
  return 0;
}
