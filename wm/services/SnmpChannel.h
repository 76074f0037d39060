#pragma once
// The channel to the terminal's SNMP agent: one connection to the agent's
// local service "*snmp". Teldra tells the agent about the session (user,
// server, programs started and ended, log-off, end) and answers its request
// for the screen geometry. Messages both ways: a 32-bit big-endian total
// length (text + 8), a 32-bit big-endian code, then the text.
#include <cstddef>
#include <cstdint>
#include <string>

struct ServiceState;

enum : uint32_t {
  SnmpScreenGeometry = 0x2000001,  // request and answer
  SnmpSessionEnded = 0x2000002,
  SnmpUserLoggedIn = 0x2000003,
  SnmpLogoffRequested = 0x2000004,
  SnmpProgramStarted = 0x2000005,
  SnmpProgramEnded = 0x2000006,
  SnmpAgentPing = 0x6000001,  // request and answer
  SnmpServerLoggedIn = 0x200000B,
};

enum { kSnmpReceiveSize = 256, kSnmpSendSize = 1024, kSnmpMaxText = kSnmpSendSize - 8 };

// Opens and watches the channel; 1 when it is open (also when it already
// was), 0 when the agent's service cannot be reached.
int OpenSnmpChannel(ServiceState* state);
// Closes the channel; later notifications are dropped.
void CloseSnmpChannel(ServiceState* state);
// Sends one notification; 0 (and nothing sent) while the channel is not
// open. For SnmpScreenGeometry with a state the text is built from the
// screen. A text longer than kSnmpMaxText is cut to that length.
int SnmpNotify(ServiceState* state, uint32_t code, const void* text, size_t length);
// Frames and sends one message; 1 when sent.
int SnmpSend(size_t length, uint32_t code, const void* text);
// "x<width> y<height> c<depth> p<pid>".
std::string SnmpGeometryText(int width, int height, int depth, long pid);
// Sends the notifications of a program started (pid and command line with
// its NUL) and ended (pid).
void SnmpProgramStartedNotify(int pid, const char* commandLine);
void SnmpProgramEndedNotify(int pid);
// Handles one message from the agent (exposed for tests of the framing).
void SnmpHandleMessage(ServiceState* state, const unsigned char* message, size_t length);
