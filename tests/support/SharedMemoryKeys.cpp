#include "tests/support/SharedMemoryKeys.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace qwtest {
namespace {

long g_key = 0;
std::set<int>* g_started = nullptr;

// Segments that a started program created and no one has attached.
void RemoveLeftByChildren() {
  if (!g_started) return;
  std::ifstream table("/proc/sysvipc/shm");
  std::string line;
  std::getline(table, line);  // the column names
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    long key = 0, size = 0;
    int id = 0, perms = 0, cpid = 0, lpid = 0, attached = 0;
    if (!(fields >> key >> id >> perms >> size >> cpid >> lpid >> attached)) continue;
    if (attached == 0 && g_started->count(cpid)) shmctl(id, IPC_RMID, nullptr);
  }
}

void RemoveAtExit() {
  RemoveSharedSegment(g_key);
  RemoveLeftByChildren();
}

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

void NoteStartedProcess(int pid) {
  UsePrivateMasterRecordKey();
  if (!g_started) g_started = new std::set<int>;
  g_started->insert(pid);
}

int SharedSegmentsWithKey(long key) { return shmget(static_cast<key_t>(key), 0, 0) >= 0 ? 1 : 0; }

void RemoveSharedSegment(long key) {
  const int id = shmget(static_cast<key_t>(key), 0, 0);
  if (id >= 0) shmctl(id, IPC_RMID, nullptr);
}

}  // namespace qwtest
