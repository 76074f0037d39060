#include "wm/session/SessionEvents.h"

#include <cstdlib>
#include <cstring>

#include "wm/services/RpcServices.h"
#include "wm/services/SnmpChannel.h"
#include "wm/services/SnmpTrap.h"
#include "wm/session/Monitors.h"
#include "wm/session/ScreenState.h"

void StartDesktopReporting(ScreenState* state) {
  StartMemoryMonitor(state);
  OpenSnmpChannel(state);
  if (state->loginMode) StartRpcServices(state);
}

void SessionLoggedIn(ScreenState* state) {
  if (const char* user = std::getenv("USER")) SnmpNotify(state, SnmpUserLoggedIn, user, std::strlen(user));
  if (const char* server = std::getenv("QX_PCNFSD_SERVER"))
    SnmpNotify(state, SnmpServerLoggedIn, server, std::strlen(server));
  SendSnmpTrap("login");
  StartDiskMonitor(state);
}

void SessionLogoffRequested(ScreenState* state) { SnmpNotify(state, SnmpLogoffRequested, nullptr, 0); }

void StopDesktopReporting(ScreenState* state) {
  if (state->servicesStartedInLoginMode) StopRpcServices(state);
  StopDiskMonitor(state);
  StopMemoryMonitor(state);
}

void SessionLoggedOff(ScreenState* state) {
  SnmpNotify(state, SnmpSessionEnded, nullptr, 0);
  SendSnmpTrap("logout");
}
