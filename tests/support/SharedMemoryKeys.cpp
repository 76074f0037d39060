#include "tests/support/SharedMemoryKeys.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace qwtest {
namespace {

long g_key = 0;

void RemoveAtExit() { RemoveSharedSegment(g_key); }

}  // namespace

void UsePrivateMasterRecordKey() {
  if (g_key != 0) return;
  // Far from the program's own base and from process ids (the keys of
  // hand-off blocks); 16 keys per test process.
  g_key = 0x50000000L + (static_cast<long>(getpid()) & 0x3FFFFF) * 16;
  const long base = g_key - static_cast<long>(getuid());
  setenv("QW5250_SHM_KEY_BASE", std::to_string(base).c_str(), 1);
  std::atexit(RemoveAtExit);
}

long PrivateMasterRecordKey() {
  UsePrivateMasterRecordKey();
  return g_key;
}

int SharedSegmentsWithKey(long key) { return shmget(static_cast<key_t>(key), 0, 0) >= 0 ? 1 : 0; }

void RemoveSharedSegment(long key) {
  const int id = shmget(static_cast<key_t>(key), 0, 0);
  if (id >= 0) shmctl(id, IPC_RMID, nullptr);
}

}  // namespace qwtest
