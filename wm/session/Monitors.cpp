#include "wm/session/Monitors.h"

#include <sys/statfs.h>
#include <sys/time.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/QXRegistryProfile.h"
#include "platform/SystemFigures.h"
#include "platform/sdk/EvtApp.h"
#include "wm/services/DesktopMessage.h"
#include "wm/services/SnmpTrap.h"
#include "wm/session/Launcher.h"
#include "wm/session/ScreenState.h"
#include "wm/shell/MessageCatalog.h"

namespace {

ServiceBroadcastProc broadcast = nullptr;
unsigned long memoryTimer = 0;
bool warningShown = false;
long lastActionSeconds = 0;
unsigned long diskTimer = 0;

constexpr unsigned long kDiskFirstCheckMs = 10 * 1000;
constexpr unsigned long kDiskRecheckMs = 300 * 1000;
constexpr long kDefaultMinimumMB = 10;

void PutPair(unsigned char* p, long a, long b) {
  for (int i = 0; i < 4; ++i) {
    p[i] = static_cast<unsigned char>(static_cast<unsigned long>(a) >> (24 - 8 * i));
    p[4 + i] = static_cast<unsigned char>(static_cast<unsigned long>(b) >> (24 - 8 * i));
  }
}

void MemoryTimer(void* closure, unsigned long) {
  struct timeval now;
  gettimeofday(&now, nullptr);
  MemoryMonitorTick(static_cast<ScreenState*>(closure), ReadMemoryFigures(), static_cast<long>(now.tv_sec));
}

void DiskTimer(void* closure, unsigned long) {
  auto* state = static_cast<ScreenState*>(closure);
  diskTimer = 0;
  CheckDiskSpace(state);
  diskTimer = EvtAppAddTimeOut(state->sdk.app, kDiskRecheckMs, DiskTimer, state);
}

long MinimumSpaceMB() {
  const int areas[] = {QXAreaUser, QXAreaSystem};
  for (int area : areas) {
    QXProfile* p = nullptr;
    if (QXLoadRegistryProfile("desktop/disk", area, &p) != 0 || !p) continue;
    const long v = QXGetNumericValue(p, "minimum_space", kDefaultMinimumMB);
    QXDestroyProfile(p);
    return v;
  }
  return kDefaultMinimumMB;
}

}  // namespace

void SetMemoryBroadcast(ServiceBroadcastProc proc) { broadcast = proc; }

void StartMemoryMonitor(ScreenState* state) {
  if (memoryTimer || !state->sdk.app) return;
  memoryTimer = EvtAppAddRecurringTimeOut(state->sdk.app, 1000, MemoryTimer, state);
}

void StopMemoryMonitor(ScreenState* state) {
  if (memoryTimer && state->sdk.app) EvtAppRemoveTimeOut(state->sdk.app, memoryTimer);
  memoryTimer = 0;
}

void ResetMemoryMonitor(ScreenState* state) {
  for (long& f : state->memoryFigures) f = -1;
  warningShown = false;
  lastActionSeconds = 0;
}

void MemoryMonitorTick(ScreenState* s, const MemoryFigures& f, long nowSeconds) {
  const long free = f.freeKB, reported = f.reportedKB, physical = f.physicalKB;
  if (reported != -1 && physical != -1 && s->serviceClientCount > 0 && broadcast &&
      (reported != s->memoryFigures[0] || free != s->memoryFigures[1] || physical != s->memoryFigures[2])) {
    s->memoryFigures[0] = reported;
    s->memoryFigures[1] = free;
    s->memoryFigures[2] = physical;
    unsigned char data[8];
    PutPair(data, reported, physical);
    broadcast(s, kMemoryNotifyAvailable, data, sizeof data);
    PutPair(data, free, physical);
    broadcast(s, kMemoryNotifyFree, data, sizeof data);
  }
  if (free == -1) return;
  if (free < kMemoryKillBelowKB && nowSeconds - lastActionSeconds > 4) {
    SendSnmpTrap("memFull");
    if (KillLowestPriorityApplication()) s->lowMemoryCountdown = 20;
    lastActionSeconds = nowSeconds;
  }
  if (free < kMemoryWarnBelowKB && !warningShown) {
    ShowDesktopMessage(s, CatalogText(TextLowMemoryWarning), "QXW3510");
    warningShown = true;
  }
  if (free >= kMemoryWarnAgainFromKB) warningShown = false;
}

void StartDiskMonitor(ScreenState* state) {
  if (diskTimer || !state->sdk.app) return;
  diskTimer = EvtAppAddTimeOut(state->sdk.app, kDiskFirstCheckMs, DiskTimer, state);
}

void StopDiskMonitor(ScreenState* state) {
  if (diskTimer && state->sdk.app) EvtAppRemoveTimeOut(state->sdk.app, diskTimer);
  diskTimer = 0;
}

int DiskSpaceShort(const char* fsName, double available, long minimumMB) {
  if (minimumMB <= 0) return 0;
  if (LocalDiskFileSystem(fsName)) return 0;
  return available < static_cast<double>(minimumMB) * 1048576.0 ? 1 : 0;
}

void CheckDiskSpace(ScreenState* state) {
  const char* home = std::getenv("HOME");
  if (!home || !*home || std::strcmp(home, "/") == 0) return;
  const long minimumMB = MinimumSpaceMB();
  if (minimumMB <= 0) return;
  struct statfs fs;
  if (statfs(home, &fs) != 0) return;
  const double available = static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_bsize);
  if (!DiskSpaceShort(FileSystemTypeName(static_cast<long>(fs.f_type)), available, minimumMB)) return;
  ShowDesktopMessage(state, FormatCatalogText(TextDiskSpaceLeft, {std::to_string(minimumMB)}).c_str(), "QXW3503");
  SendSnmpTrap("diskFull");
}
