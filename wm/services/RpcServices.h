#pragma once
// The rusers (who uses this terminal) and rwall (a message to its user)
// ONC RPC services over UDP, registered with the system's portmapper and
// served inside Teldra's event loop.
#include <ctime>
#include <string>

struct ServiceState;

enum : unsigned long {
  kRusersProgram = 100002,
  kRusersVersionIdle = 2,
  kRusersVersion3 = 3,
  kWallProgram = 100008,
  kWallVersion = 1,
};
enum { kRusersMaxUsers = 100, kRusersMaxNameV3 = 32, kWallMaxShown = 1024 };

// Starts both services; each one that cannot be registered is left out.
// Returns the number of services offered.
int StartRpcServices(ServiceState* state);
// Unregisters both at the portmapper and closes their sockets.
void StopRpcServices(ServiceState* state);
int RpcServicesRunning();

// The user rusers reports: LOGNAME, else USER; "anon" when neither is set or
// the user wants to stay anonymous.
std::string RusersUserName(int anonymous);
// The wall text as shown: at most kWallMaxShown bytes (not cutting a UTF-8
// character), control characters other than line ends and tabs as '?'.
std::string WallTextShown(const char* text);
