#include "base/LocalMalloc.h"

#include <cstdlib>

#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

namespace {
LocalMallocAllocator g_alloc = nullptr;
LowMemoryDialogHooks g_hooks;
bool g_posted = false;
void* g_reserve = nullptr;
size_t g_reserveSize = 0;
constexpr size_t kReserveBytes = 20000;

void* Allocate(size_t n) { return g_alloc ? g_alloc(n) : std::malloc(n); }
}  // namespace

void SetLocalMallocAllocator(LocalMallocAllocator fn) { g_alloc = fn; }
void SetLowMemoryDialogHooks(const LowMemoryDialogHooks& hooks) { g_hooks = hooks; }
bool LowMemoryDialogPosted() { return g_posted; }
size_t LowMemoryReserveSize() { return g_reserveSize; }

void* LocalMalloc(const char* label, size_t size, LocalMallocFailOption option) {
  void* p = Allocate(size ? size : 1);
  if (p) return p;
  LogMsg(LevelError, "%s: -----------  malloc failure  ------------.\n", "QWC0514");
  LogMsg(LevelError, "malloc id = %s.\n", label ? label : "");
  LogMsg(LevelError, "malloc size = %zu.\n", size);
  switch (option) {
    case MallocFailExitProcess:
      LogMsg(LevelError, "exiting...\n");
      FatalPause();
      std::exit(1);
    case MallocFailExitMaster:
      ExitMaster(1);
    case MallocFailLowMemoryDialog:
      LogMsg(LevelError, "posting low memory dialog.\n");
      FatalPause();
      PostLowMemoryDialog();
      return nullptr;
    default:
      LogMsg(LevelError, "no malloc fail option.\n");
      return nullptr;
  }
}

void ReserveLowMemoryBlock() {
  if (g_reserve) return;
  for (size_t n = kReserveBytes; n > 0; n = n > 1000 ? n - 1000 : 0) {
    g_reserve = Allocate(n);
    if (g_reserve) {
      g_reserveSize = n;
      return;
    }
  }
}

void PostLowMemoryDialog() {
  if (g_posted) return;
  void* probe = Allocate(kReserveBytes);
  if (probe) {
    std::free(probe);
  } else {
    std::free(g_reserve);
    g_reserve = nullptr;
    g_reserveSize = 0;
  }
  if (g_hooks.show) g_hooks.show();
  g_posted = true;
}

void LowMemoryDialogClosed() {
  g_posted = false;
  ReserveLowMemoryBlock();
}
