#include "tools/AppStartedFlag.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cerrno>

#include "base/LogMsg.h"

int SetGetAppStartedFlag(bool set, unsigned char value, key_t key) {
  bool created = false;
  int id = shmget(key, 1, 0600 | IPC_CREAT | IPC_EXCL);
  if (id >= 0) {
    created = true;
  } else if (errno == EEXIST) {
    id = shmget(key, 1, 0);
  }
  void* at = id >= 0 ? shmat(id, nullptr, 0) : reinterpret_cast<void*>(-1);
  if (at == reinterpret_cast<void*>(-1)) {
    LogMsg(LevelError, "unable to get shared memory for application started flag.\n");
    return 1;
  }
  auto* flag = static_cast<volatile unsigned char*>(at);
  if (set) {
    *flag = value;
  } else if (created) {
    LogMsg(LevelWarning, "shared memory for application started flag created on a 'Get' of value.\n");
  }
  const int result = *flag;
  shmdt(at);
  return result;
}

namespace {
key_t g_flagKey = kAppStartedFlagKey;
}  // namespace

key_t AppStartedFlagKey() { return g_flagKey; }
void SetAppStartedFlagKey(key_t key) { g_flagKey = key; }
