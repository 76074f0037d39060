#include "session/SharedMemory.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/LogMsg.h"

namespace {

constexpr int kMaxKeyTries = 10000;
constexpr int kOwnerOnly = 0600;

}  // namespace

long MasterRecordKey() {
  long base = kMasterRecordKeyBase;
  if (const char* text = std::getenv("QW5250_SHM_KEY_BASE")) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 0);
    if (errno == 0 && end != text && *end == '\0' && value > 0 && value < 0x7FFF0000L)
      base = value;
    else
      LogMsg(LevelWarning, "QW5250_SHM_KEY_BASE value %s ignored.\n", text);
  }
  return base + static_cast<long>(getuid());
}

bool SharedSegmentIsOurs(int id, unsigned size) {
  struct shmid_ds info;
  if (shmctl(id, IPC_STAT, &info) != 0) {
    LogMsg(LevelError, "Shared memory segment %d cannot be examined. errno = %d.\n", id, errno);
    return false;
  }
  const uid_t me = geteuid();
  if (info.shm_perm.uid != me || info.shm_perm.cuid != me) {
    LogMsg(LevelError, "Shared memory segment %d of key %ld belongs to user %u, not %u: refused.\n", id,
           static_cast<long>(info.shm_perm.__key), static_cast<unsigned>(info.shm_perm.uid),
           static_cast<unsigned>(me));
    return false;
  }
  if ((info.shm_perm.mode & 0777) != kOwnerOnly) {
    LogMsg(LevelError, "Shared memory segment %d of key %ld has mode %03o, not 600: refused.\n", id,
           static_cast<long>(info.shm_perm.__key), static_cast<unsigned>(info.shm_perm.mode & 0777));
    return false;
  }
  if (info.shm_segsz < size) {
    LogMsg(LevelError, "Shared memory segment %d of key %ld has %lu bytes, not %u: refused.\n", id,
           static_cast<long>(info.shm_perm.__key), static_cast<unsigned long>(info.shm_segsz), size);
    return false;
  }
  return true;
}

int GetPointerToSharedMemory(long* key, unsigned size, void** address, char& created, char mayCreate,
                             char useExisting) {
  *address = nullptr;
  created = 0;
  int id = -1;
  for (int tries = 0;; ++tries) {
    if (tries >= kMaxKeyTries) {
      LogMsg(LevelError, "%s: shmget could not get unused key for screen print.\n", "QWC0170");
      return -1;
    }
    id = shmget(static_cast<key_t>(*key), 0, 0);
    if (id >= 0) {
      if (useExisting) break;
      ++*key;
      continue;
    }
    if (errno != ENOENT || !mayCreate) {
      LogMsg(LevelError, "%s: shmget failed. errno = %d, key = %ld, size = %d.\n", "QWC0169", errno, *key,
             static_cast<int>(size));
      return -1;
    }
    // Exclusive: of two starts creating the same key, one creates and the
    // other finds it existing.
    id = shmget(static_cast<key_t>(*key), size, IPC_CREAT | IPC_EXCL | kOwnerOnly);
    if (id >= 0) {
      created = 1;
      break;
    }
    if (errno == EEXIST) continue;
    LogMsg(LevelError, "%s: shmget failed to create. errno = %d, key = %ld, size = %d.\n", "QWC0168", errno, *key,
           static_cast<int>(size));
    return -1;
  }
  if (!created && !SharedSegmentIsOurs(id, size)) return -1;
  void* at = shmat(id, nullptr, 0);
  if (at == reinterpret_cast<void*>(-1)) {
    LogMsg(LevelError, "%s: shmat failed. errno = %d.\n", "QWC0171", errno);
    if (created) shmctl(id, IPC_RMID, nullptr);
    created = 0;
    return -1;
  }
  *address = at;
  return id;
}

int DetachSharedMemory(void* address, int id) {
  int rc = address ? shmdt(address) : 0;
  if (id >= 1) rc = shmctl(id, IPC_RMID, nullptr);
  return rc;
}
