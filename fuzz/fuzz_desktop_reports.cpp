// What reaches Teldra's reporting from outside: messages from the SNMP
// agent over its local service (answered to a connected fake agent), the
// memory figures file, and wall texts from the network as they are shown.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/SystemFigures.h"
#include "platform/sdk/QXService.h"
#include "wm/services/RpcServices.h"
#include "wm/services/SnmpChannel.h"
#include "wm/session/ScreenState.h"

namespace {

QXService* listener = nullptr;  // kept for the whole run
QXService* agent = nullptr;
ScreenState state;
char serviceDir[] = "/tmp/fuzz-reports-XXXXXX";

// The listener's socket and its directory go at the end of the run.
void RemoveServiceDir() {
  if (agent) QXServiceClose(agent);
  CloseSnmpChannel(nullptr);
  if (listener) QXServiceClose(listener);
  rmdir(serviceDir);
}

void Connect() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!mkdtemp(serviceDir)) return;
  std::atexit(RemoveServiceDir);
  setenv("QX_SERVICE_DIR", serviceDir, 1);
  if (QXServiceListen("*snmp", &listener) != 0) return;
  state.sdk.width = 1920;
  state.sdk.height = 1080;
  state.sdk.depth = 24;
  if (OpenSnmpChannel(nullptr)) QXServiceAccept(listener, &agent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Connect();
  // Messages: a length byte, then that many bytes.
  for (size_t i = 0; i < size;) {
    size_t n = data[i++];
    if (n > size - i) n = size - i;
    SnmpHandleMessage(&state, data + i, n);
    i += n;
  }
  unsigned char answer[QXServiceMaxMessage];
  size_t length = 0;
  while (agent && QXServiceReceive(agent, answer, sizeof answer, &length) == 0)
    if (length < 8 || length > kSnmpSendSize) __builtin_trap();

  const std::string text(reinterpret_cast<const char*>(data), size);
  MemoryFigures figures;
  ParseMeminfo(text.c_str(), &figures);
  const std::string shown = WallTextShown(text.c_str());
  if (shown.size() > kWallMaxShown) __builtin_trap();
  for (char c : shown)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F) __builtin_trap();
  return 0;
}
