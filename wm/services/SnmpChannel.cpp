#include "wm/services/SnmpChannel.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/sdk/QXService.h"
#include "platform/sdk/SdkScreen.h"
#include "wm/services/ServiceState.h"

namespace {

QXService* channel = nullptr;
int channelFd = -1;
bool opened = false;
ServiceState* channelState = nullptr;

void PutWord(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}

uint32_t GetWord(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void ChannelReadable(void* closure, int) {
  auto* state = static_cast<ServiceState*>(closure);
  unsigned char buffer[kSnmpReceiveSize];
  size_t length = 0;
  const int e = QXServiceReceive(channel, buffer, sizeof buffer, &length);
  if (e == EPIPE) {
    // The agent has gone: a descriptor at its end would wake the loop for
    // ever.
    CloseSnmpChannel(state);
    return;
  }
  if (e != 0) return;
  SnmpHandleMessage(state, buffer, length);
}

}  // namespace

std::string SnmpGeometryText(int width, int height, int depth, long pid) {
  return "x" + std::to_string(width) + " y" + std::to_string(height) + " c" + std::to_string(depth) + " p" +
         std::to_string(pid);
}

int OpenSnmpChannel(ServiceState* state) {
  if (opened) return 1;
  if (!channel && QXServiceOpen("*snmp", &channel) != 0) {
    channel = nullptr;
    return 0;
  }
  if (channelFd < 0) channelFd = QXServiceSelectFD(channel);
  if (channelFd < 0) return 0;
  if (state) AddSelectFile(&state->sdk, channelFd, ChannelReadable, state);
  channelState = state;
  opened = true;
  return 1;
}

void CloseSnmpChannel(ServiceState* state) {
  if (!state) state = channelState;
  if (state && channelFd >= 0 && opened) RemoveSelectFile(&state->sdk, channelFd);
  if (channel) QXServiceClose(channel);
  channel = nullptr;
  channelFd = -1;
  opened = false;
  channelState = nullptr;
}

int SnmpSend(size_t length, uint32_t code, const void* text) {
  if (!channel) return 0;
  length = std::min<size_t>(length, kSnmpMaxText);
  unsigned char message[kSnmpSendSize];
  PutWord(message, static_cast<uint32_t>(length + 8));
  PutWord(message + 4, code);
  if (length && text) std::memcpy(message + 8, text, length);
  return QXServiceSend(channel, message, (text ? length : 0) + 8) == 0 ? 1 : 0;
}

int SnmpNotify(ServiceState* state, uint32_t code, const void* text, size_t length) {
  if (!opened) return 0;
  if (code == SnmpScreenGeometry && state) {
    const std::string geometry =
        SnmpGeometryText(state->sdk.width, state->sdk.height, state->sdk.depth, static_cast<long>(getpid()));
    return SnmpSend(geometry.size(), code, geometry.data());
  }
  return SnmpSend(text ? length : 0, code, text);
}

void SnmpProgramStartedNotify(int pid, const char* commandLine) {
  if (!opened) return;
  unsigned char data[kSnmpMaxText];
  PutWord(data, static_cast<uint32_t>(pid));
  const char* command = commandLine ? commandLine : "";
  // The command line keeps its NUL, unless it has to be cut.
  const size_t n = std::min(std::strlen(command) + 1, sizeof data - 4);
  std::memcpy(data + 4, command, n);
  SnmpNotify(nullptr, SnmpProgramStarted, data, n + 4);
}

void SnmpProgramEndedNotify(int pid) {
  if (!opened) return;
  unsigned char data[4];
  PutWord(data, static_cast<uint32_t>(pid));
  SnmpNotify(nullptr, SnmpProgramEnded, data, sizeof data);
}

void SnmpHandleMessage(ServiceState* state, const unsigned char* message, size_t length) {
  if (length < 8 || GetWord(message) != length) return;
  switch (GetWord(message + 4)) {
    case SnmpScreenGeometry:
      SnmpNotify(state, SnmpScreenGeometry, nullptr, 0);
      return;
    case SnmpAgentPing:
      SnmpNotify(state, SnmpAgentPing, nullptr, 0);
      return;
    default:
      return;
  }
}
