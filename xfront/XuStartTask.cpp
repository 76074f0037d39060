#include "xfront/XuStartTask.h"

#include <X11/Intrinsic.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include "base/LogMsg.h"

extern char** environ;

namespace {

struct ReaperState {
  std::vector<pid_t> running;
  std::deque<std::pair<pid_t, int>> finished;  // the last kFinishedKept statuses
  std::map<pid_t, std::function<void(int)>> whenEnded;
  XtAppContext app = nullptr;
  XtInputId input = 0;
  int pipeRead = -1;
  struct sigaction previous {};
};

constexpr size_t kFinishedKept = 32;

ReaperState& State() {
  static ReaperState state;
  return state;
}

// Written only by the handler; read end drained by the input callback.
volatile sig_atomic_t gPipeWrite = -1;
struct sigaction gPrevious {};

void OnSigchld(int sig, siginfo_t* info, void* context) {
  const int saved = errno;
  if (gPipeWrite >= 0) {
    const char byte = 'c';
    ssize_t ignored = write(gPipeWrite, &byte, 1);  // a full pipe already wakes the loop
    (void)ignored;
  }
  // Another part of the program may have its own SIGCHLD handler: keep it working.
  if (gPrevious.sa_flags & SA_SIGINFO) {
    if (gPrevious.sa_sigaction) gPrevious.sa_sigaction(sig, info, context);
  } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
    gPrevious.sa_handler(sig);
  }
  errno = saved;
}

void OnPipeReadable(XtPointer, int* fd, XtInputId*) {
  char buf[64];
  while (read(*fd, buf, sizeof buf) > 0) {
  }
  XuReapChildren();
}

}  // namespace

bool XuInstallChildReaper(XtAppContext app) {
  ReaperState& s = State();
  if (!app) return false;
  if (s.app) return s.app == app;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    LogMsg(LevelError, "XuInstallChildReaper: cannot make a pipe: %s\n", strerror(errno));
    return false;
  }
  struct sigaction sa {};
  sa.sa_sigaction = OnSigchld;
  sa.sa_flags = SA_SIGINFO | SA_RESTART | SA_NOCLDSTOP;
  sigemptyset(&sa.sa_mask);
  gPipeWrite = fds[1];
  if (sigaction(SIGCHLD, &sa, &gPrevious) != 0) {
    LogMsg(LevelError, "XuInstallChildReaper: cannot handle SIGCHLD: %s\n", strerror(errno));
    gPipeWrite = -1;
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  s.app = app;
  s.pipeRead = fds[0];
  s.input = XtAppAddInput(app, fds[0], reinterpret_cast<XtPointer>(XtInputReadMask), OnPipeReadable,
                          nullptr);
  XuReapChildren();  // children that ended before the handler was there
  return true;
}

int XuReapChildren() {
  ReaperState& s = State();
  int reaped = 0;
  // Handlers run after the walk: they may start new children.
  std::vector<std::pair<std::function<void(int)>, int>> handlers;
  for (auto it = s.running.begin(); it != s.running.end();) {
    int status = 0;
    const pid_t r = waitpid(*it, &status, WNOHANG);
    if (r == *it || (r < 0 && errno == ECHILD)) {
      // ECHILD: someone else (SIGCHLD ignored, or another waitpid) took it.
      if (r == *it) {
        s.finished.emplace_back(r, status);
        if (s.finished.size() > kFinishedKept) s.finished.pop_front();
        if (DebugFlag()) LogMsg(LevelDebug, "XuStartTask: child %d ended, status 0x%x.\n", (int)r, status);
      }
      auto handler = s.whenEnded.find(*it);
      if (handler != s.whenEnded.end()) {
        handlers.emplace_back(std::move(handler->second), r == *it ? status : 0);
        s.whenEnded.erase(handler);
      }
      it = s.running.erase(it);
      ++reaped;
    } else {
      ++it;
    }
  }
  for (auto& h : handlers) h.first(h.second);
  return reaped;
}

size_t XuRunningTaskCount() { return State().running.size(); }

std::vector<pid_t> XuRunningTasks() { return State().running; }

void XuWhenTaskEnds(pid_t pid, std::function<void(int status)> ended) {
  if (!ended) return;
  ReaperState& s = State();
  if (std::find(s.running.begin(), s.running.end(), pid) != s.running.end()) {
    s.whenEnded[pid] = std::move(ended);
    return;
  }
  int status = 0;
  if (XuTaskWaitStatus(pid, &status)) ended(status);
}

bool XuTaskWaitStatus(pid_t pid, int* status) {
  for (const auto& f : State().finished) {
    if (f.first == pid) {
      if (status) *status = f.second;
      return true;
    }
  }
  return false;
}

pid_t XuStartTask(const char* const argv[]) {
  if (!argv || !argv[0] || !argv[0][0]) {
    LogMsg(LevelError, "XuStartTask: no program given.\n");
    return -1;
  }
  XuReapChildren();

  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return -1;
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int sig : {SIGINT, SIGHUP}) {
    struct sigaction now {};
    if (sigaction(sig, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) sigaddset(&defaults, sig);
  }
  sigaddset(&defaults, SIGQUIT);
  sigaddset(&defaults, SIGTERM);
  sigset_t noneBlocked;
  sigemptyset(&noneBlocked);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &noneBlocked);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], nullptr, &attr, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    // The C library reports an exec failure here (and has waited for that child).
    LogMsg(LevelError, "XuStartTask: cannot start %.200s: %s\n", argv[0], strerror(rc));
    errno = rc;
    return -1;
  }
  State().running.push_back(pid);
  if (DebugFlag()) LogMsg(LevelDebug, "XuStartTask: started %.200s as %d.\n", argv[0], (int)pid);
  return pid;
}

pid_t XuStartTask(const std::vector<std::string>& argv) {
  std::vector<const char*> v;
  v.reserve(argv.size() + 1);
  for (const auto& a : argv) v.push_back(a.c_str());
  v.push_back(nullptr);
  return XuStartTask(v.data());
}
