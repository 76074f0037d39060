#include "wm/services/SnmpTrap.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdk/EvtApp.h"

namespace {

struct TrapKind {
  const char* kind;
  const char* file;
};

const TrapKind kKinds[] = {
    {"login", "login.trap"}, {"logout", "logoff.trap"}, {"memFull", "memFull.trap"}, {"diskFull", "diskFull.trap"}};

// Waits for `pid` until the deadline; 1 with the status when it ended.
int WaitUntil(pid_t pid, uint64_t deadline, int* status) {
  for (;;) {
    pid_t r = waitpid(pid, status, WNOHANG);
    if (r == pid) return 1;
    if (r < 0 && errno != EINTR) return -1;
    if (EvtNowMilliseconds() >= deadline) return 0;
    struct timespec pause = {0, 10 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}

}  // namespace

const char* SnmpTrapDirectory() {
  const char* dir = std::getenv("QX_SNMP_DIR");
  return dir && *dir ? dir : "/usr/local/qx/snmp";
}

int SendSnmpTrap(const char* kind) {
  for (const TrapKind& k : kKinds)
    if (kind && std::strcmp(kind, k.kind) == 0) return RunTrapProgram(k.file);
  std::fprintf(stderr, "VRSNMP: kind error(%s)\n", kind ? kind : "(null)");
  return -1;
}

int RunTrapProgram(const char* name) {
  char path[280];
  const int n = std::snprintf(path, sizeof path, "%s/%s", SnmpTrapDirectory(), name ? name : "");
  if (n < 0 || static_cast<size_t>(n) >= sizeof path) return -1;

  // The child's end must not be taken by the launcher's child handler: the
  // child signal stays blocked until this child has been reaped.
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGCHLD);
  sigprocmask(SIG_BLOCK, &block, &old);
  pid_t pid = fork();
  if (pid < 0) {
    const int e = errno;
    sigprocmask(SIG_SETMASK, &old, nullptr);
    errno = e;
    return -1;
  }
  if (pid == 0) {
    setpgid(0, 0);
    const int reset[] = {SIGCHLD, SIGHUP, SIGQUIT, SIGPIPE, SIGINT, SIGTERM, SIGUSR1};
    for (int sig : reset) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execl(path, path, static_cast<char*>(nullptr));
    _exit(1);
  }
  setpgid(pid, pid);  // either side may win the race; both ask for the same
  int status = 0;
  int ended = WaitUntil(pid, EvtNowMilliseconds() + kTrapWaitSeconds * 1000ull, &status);
  if (ended == 0) {
    std::fprintf(stderr, "teldra: the trap program %s did not end in %d s and was stopped\n", path,
                 static_cast<int>(kTrapWaitSeconds));
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  // Other children may have ended meanwhile: their signal was held, and is
  // delivered when the old mask comes back.
  sigprocmask(SIG_SETMASK, &old, nullptr);
  return ended < 0 ? -1 : status;
}
