#include "tests/support/ChildProcess.h"

#include "tests/support/SharedMemoryKeys.h"
#include "tests/support/TestLocales.h"
#include "tests/support/TestClock.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qwtest {

namespace {

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  long fd = syscall(SYS_pidfd_open, pid, 0);
  if (fd >= 0) {
    fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    return static_cast<int>(fd);
  }
#endif
  return -1;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exited_) {
    kill(pid_, SIGKILL);
    reap(true);
  }
  closeFd(outFd_);
  closeFd(errFd_);
  closeFd(pidFd_);
}

std::vector<std::string> ChildProcess::BaseEnvironment(const std::vector<std::string>& extra) {
  UsePrivateMasterRecordKey();
  std::vector<std::string> env;
  for (const char* name : {"PATH", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "QW5250_SHM_KEY_BASE"}) {
    if (const char* v = getenv(name)) env.push_back(std::string(name) + "=" + v);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  // A program run in the UTF-8 pass of a test folder gets that locale unless
  // the test chose one.
  bool hasLang = false;
  for (const std::string& e : extra) hasLang = hasLang || e.rfind("LANG=", 0) == 0;
  if (!hasLang && SuiteLocale() == TestLocale::Utf8) env.push_back("LANG=" + LocaleName(TestLocale::Utf8));
  return env;
}

bool ChildProcess::Start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env) {
  Options o;
  o.argv = argv;
  o.env = env;
  return Start(o);
}

bool ChildProcess::Start(const Options& options) {
  if (pid_ > 0) {
    error_ = "already started";
    return false;
  }
  if (options.argv.empty()) {
    error_ = "empty argv";
    return false;
  }
  // Everything the child needs is built before fork: only async-signal-safe
  // calls happen between fork and exec.
  std::vector<char*> argv, envp;
  for (const auto& a : options.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : options.env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  // execvpe-like lookup in the child's PATH, resolved here.
  std::string program = options.argv[0];
  if (program.find('/') == std::string::npos) {
    std::string path = "/usr/local/bin:/usr/bin:/bin";
    for (const auto& e : options.env)
      if (e.compare(0, 5, "PATH=") == 0) path = e.substr(5);
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = path.find(':', start);
      if (end == std::string::npos) end = path.size();
      std::string cand = path.substr(start, end - start) + "/" + options.argv[0];
      if (access(cand.c_str(), X_OK) == 0) {
        program = cand;
        break;
      }
      start = end + 1;
    }
  }

  int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1}, execPipe[2] = {-1, -1};
  if (pipe2(execPipe, O_CLOEXEC) != 0 ||
      (!options.discardOutput &&
       (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0))) {
    error_ = std::string("pipe: ") + strerror(errno);
    for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], execPipe[0], execPipe[1]})
      if (fd >= 0) close(fd);
    return false;
  }
  int devNull = options.discardOutput ? open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
  pid_t parent = getpid();

  pid_t pid = fork();
  if (pid < 0) {
    error_ = std::string("fork: ") + strerror(errno);
    for (int fd :
         {outPipe[0], outPipe[1], errPipe[0], errPipe[1], execPipe[0], execPipe[1], devNull})
      if (fd >= 0) close(fd);
    return false;
  }
  if (pid == 0) {
    if (options.dieWithParent) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
    }
    setpgid(0, 0);  // own process group, so signals to the test don't reach it
    int in = open("/dev/null", O_RDONLY);
    if (in >= 0) dup2(in, STDIN_FILENO);
    int o = options.discardOutput ? devNull : outPipe[1];
    int e = options.discardOutput ? devNull : errPipe[1];
    if (o >= 0) dup2(o, STDOUT_FILENO);
    if (e >= 0) dup2(e, STDERR_FILENO);
    for (int fd : options.inheritFds) {
      int flags = fcntl(fd, F_GETFD);
      if (flags >= 0) fcntl(fd, F_SETFD, flags & ~FD_CLOEXEC);
    }
    // Default signal dispositions for the program.
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = SIG_DFL;
    for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2})
      sigaction(s, &sa, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) {
      int err = errno;
      ssize_t w = write(execPipe[1], &err, sizeof err);
      (void)w;
      _exit(127);
    }
    execve(program.c_str(), argv.data(), envp.data());
    int err = errno;
    ssize_t w = write(execPipe[1], &err, sizeof err);
    (void)w;
    _exit(127);
  }

  pid_ = pid;
  NoteStartedProcess(pid);
  exited_ = false;
  status_ = 0;
  out_.clear();
  err_.clear();
  if (devNull >= 0) close(devNull);
  close(execPipe[1]);
  if (!options.discardOutput) {
    close(outPipe[1]);
    close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    fcntl(outFd_, F_SETFL, O_NONBLOCK);
    fcntl(errFd_, F_SETFL, O_NONBLOCK);
  }
  int childErr = 0;
  ssize_t n;
  do {
    n = read(execPipe[0], &childErr, sizeof childErr);
  } while (n < 0 && errno == EINTR);
  close(execPipe[0]);
  if (n == static_cast<ssize_t>(sizeof childErr)) {
    error_ = "cannot run " + options.argv[0] + ": " + strerror(childErr);
    reap(true);
    closeFd(outFd_);
    closeFd(errFd_);
    return false;
  }
  pidFd_ = openPidFd(pid_);
  return true;
}

bool ChildProcess::readSome(int waitMs) {
  struct pollfd fds[2];
  int n = 0;
  if (outFd_ >= 0) fds[n++] = {outFd_, POLLIN, 0};
  if (errFd_ >= 0) fds[n++] = {errFd_, POLLIN, 0};
  if (n == 0) return false;
  int r = poll(fds, n, waitMs);
  if (r <= 0) return true;
  for (int i = 0; i < n; ++i) {
    if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    int& fd = fds[i].fd == outFd_ ? outFd_ : errFd_;
    std::string& sink = fds[i].fd == outFd_ ? out_ : err_;
    char buf[4096];
    for (;;) {
      ssize_t got = read(fd, buf, sizeof buf);
      if (got > 0) {
        sink.append(buf, static_cast<size_t>(got));
        continue;
      }
      if (got == 0) closeFd(fd);  // end of output
      break;                      // EAGAIN or error
    }
  }
  return outFd_ >= 0 || errFd_ >= 0;
}

void ChildProcess::Pump() { readSome(0); }

bool ChildProcess::WaitForOutput(const std::string& text, int timeoutMs) {
  Deadline deadline(timeoutMs);
  for (;;) {
    if (out_.find(text) != std::string::npos || err_.find(text) != std::string::npos) return true;
    if (deadline.Expired()) return false;
    if (!readSome(deadline.RemainingMs(200))) {
      // Both pipes closed: nothing more will come.
      return out_.find(text) != std::string::npos || err_.find(text) != std::string::npos;
    }
  }
}

bool ChildProcess::reap(bool block) {
  if (pid_ <= 0) return false;
  if (exited_) return true;
  int st = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &st, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == pid_) {
    exited_ = true;
    status_ = st;
    closeFd(pidFd_);
    return true;
  }
  return false;
}

bool ChildProcess::Running() {
  if (pid_ <= 0) return false;
  return !reap(false);
}

bool ChildProcess::Signal(int sig) {
  if (!Running()) return false;
  return kill(pid_, sig) == 0;
}

bool ChildProcess::WaitExit(int timeoutMs) {
  if (pid_ <= 0) return false;
  Deadline deadline(timeoutMs);
  for (;;) {
    if (reap(false)) {
      readSome(0);
      return true;
    }
    if (deadline.Expired()) return false;
    // Wait on the exit itself (pidfd) while draining the output pipes, so
    // a child that writes a lot never blocks on a full pipe.
    struct pollfd fds[3];
    int n = 0;
    if (pidFd_ >= 0) fds[n++] = {pidFd_, POLLIN, 0};
    if (outFd_ >= 0) fds[n++] = {outFd_, POLLIN, 0};
    if (errFd_ >= 0) fds[n++] = {errFd_, POLLIN, 0};
    // Without a pidfd the exit is noticed by a short re-check.
    int wait = deadline.RemainingMs(pidFd_ >= 0 ? 1000 : 20);
    if (n > 0) {
      if (poll(fds, n, wait) > 0) readSome(0);
    } else {
      poll(nullptr, 0, wait);
    }
  }
}

void ChildProcess::Stop(int graceMs) {
  if (!Running()) return;
  kill(pid_, SIGTERM);
  if (!WaitExit(graceMs)) {
    kill(pid_, SIGKILL);
    reap(true);
    readSome(0);
  }
}

bool ChildProcess::ExitedNormally() const { return exited_ && WIFEXITED(status_); }

int ChildProcess::ExitCode() const { return ExitedNormally() ? WEXITSTATUS(status_) : -1; }

int ChildProcess::TermSignal() const {
  return exited_ && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
}

}  // namespace qwtest
