#pragma once
// The memory and disk monitors. Free memory is read once a second: the
// desktop programs are told the figures, the user is warned when memory
// runs low, and when it is nearly gone the lowest-priority application is
// killed. The disk monitor checks the free space of the home file system
// 10 s after the session starts, then every 300 s.
#include <cstddef>

struct MemoryFigures;
struct ScreenState;

enum {
  kMemoryKillBelowKB = 1024,
  kMemoryWarnBelowKB = 4096,
  kMemoryWarnAgainFromKB = 6145,
  kMemoryNotifyAvailable = 5,  // service notification: reported, physical
  kMemoryNotifyFree = 8,       // service notification: free, physical
};

// How the monitor reaches the command service's clients: a broadcast of one
// notification (code and data) to every connected client. Without one, no
// figures are sent.
typedef void (*ServiceBroadcastProc)(ScreenState* state, int code, const void* data, size_t length);
void SetMemoryBroadcast(ServiceBroadcastProc proc);

void StartMemoryMonitor(ScreenState* state);
void StopMemoryMonitor(ScreenState* state);
// One tick with the figures read and the time of day in seconds.
void MemoryMonitorTick(ScreenState* state, const MemoryFigures& figures, long nowSeconds);
// Forgets the last figures, the warning and the time of the last action.
void ResetMemoryMonitor(ScreenState* state);

void StartDiskMonitor(ScreenState* state);
void StopDiskMonitor(ScreenState* state);
void CheckDiskSpace(ScreenState* state);
// The check after the home file system's figures: 1 when the user is to be
// warned. `fsName` is the file system's type, `available` its free bytes
// for ordinary users, `minimumMB` the threshold (0: never).
int DiskSpaceShort(const char* fsName, double available, long minimumMB);
