#include "print/PrintHandoff.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/LogMsg.h"

namespace {

unsigned long g_printCounter = 0;
constexpr int kKeyProbes = 10000;

// Creates a new segment at `*key` or the first free key above it.
int CreateSegment(long* key, unsigned size) {
  for (int i = 0; i < kKeyProbes; ++i, ++*key) {
    const int id = shmget(static_cast<key_t>(*key), size, IPC_CREAT | IPC_EXCL | 0600);
    if (id >= 0) return id;
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

std::vector<std::string> PrintProgramCommandLine(long key, int printerIndex, unsigned size, const std::string& locale,
                                                 bool banner) {
  char hex[32];
  std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(key));
  return {kPrintProgram, "-printBuffer", hex, "-printerIndex", std::to_string(printerIndex), "-printSize",
          std::to_string(size), "-printLocale", locale.empty() ? "C" : locale, "-printBanner", banner ? "Y" : "N",
          "-printCaller", "5250"};
}

PrintHandoffResult HandPrintJobToProgram(const unsigned char* data, unsigned size, const PrintHandoffRequest& request,
                                         const PrintTaskStarter& start, long* keyUsed) {
  if (!data || size == 0) return PrintHandoffResult::NothingToPrint;
  long key = kPrintKeyBase + static_cast<long>(getpid()) + 10L * static_cast<long>(g_printCounter++);
  int id = CreateSegment(&key, size);
  if (id < 0) {
    ++key;
    id = CreateSegment(&key, size);
    if (id < 0) {
      LogMsg(LevelError, "%s: unable to get shared memory for screen print. Not printing. size = %d.\n", "QWC0179",
             static_cast<int>(size));
      return PrintHandoffResult::NoSegment;
    }
    LogMsg(LevelDebug, "%s: shared memory for screen print worked 2nd time. size = %d.\n", "QWC0179",
           static_cast<int>(size));
  }
  void* address = shmat(id, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(id, IPC_RMID, nullptr);
    LogMsg(LevelError, "%s: unable to get shared memory for screen print. Not printing. size = %d.\n", "QWC0179",
           static_cast<int>(size));
    return PrintHandoffResult::NoSegment;
  }
  std::memcpy(address, data, size);
  shmdt(address);
  if (keyUsed) *keyUsed = key;
  const std::vector<std::string> argv =
      PrintProgramCommandLine(key, request.printerIndex, size, request.locale, request.banner);
  if (!start || start(argv) < 0) {
    // Nobody will take the job: the segment goes now.
    shmctl(id, IPC_RMID, nullptr);
    LogMsg(LevelError, "The print program %s could not be started; the screen was not printed.\n", kPrintProgram);
    return PrintHandoffResult::NotStarted;
  }
  return PrintHandoffResult::Started;
}

bool TakePrintSegment(long key, unsigned size, std::vector<unsigned char>& job, std::string& error) {
  const int id = shmget(static_cast<key_t>(key), 0, 0);
  if (id < 0) {
    error = std::string("no print segment: ") + std::strerror(errno);
    return false;
  }
  shmid_ds ds{};
  if (shmctl(id, IPC_STAT, &ds) != 0) {
    error = std::string("the print segment cannot be read: ") + std::strerror(errno);
    return false;
  }
  const uid_t me = geteuid();
  if (ds.shm_perm.uid != me || ds.shm_perm.cuid != me) {
    error = "the print segment belongs to another user";
    return false;
  }
  if ((ds.shm_perm.mode & 077) != 0) {
    shmctl(id, IPC_RMID, nullptr);
    error = "the print segment is open to other users";
    return false;
  }
  if (size == 0 || ds.shm_segsz < size) {
    shmctl(id, IPC_RMID, nullptr);
    error = "the print segment is smaller than the job";
    return false;
  }
  void* address = shmat(id, nullptr, SHM_RDONLY);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(id, IPC_RMID, nullptr);
    error = std::string("the print segment cannot be attached: ") + std::strerror(errno);
    return false;
  }
  const auto* bytes = static_cast<const unsigned char*>(address);
  job.assign(bytes, bytes + size);
  shmdt(address);
  shmctl(id, IPC_RMID, nullptr);
  return true;
}
