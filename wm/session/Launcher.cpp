#include "wm/session/Launcher.h"

#include <X11/Xlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "platform/AuthSession.h"
#include "platform/sdk/EvtApp.h"
#include "platform/sdk/SdkUtil.h"
#include "wm/services/CommandService.h"
#include "wm/services/DesktopMessage.h"
#include "wm/services/SnmpChannel.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenState.h"
#include "wm/shell/DesktopCommands.h"
#include "wm/shell/MessageCatalog.h"

// Last: it defines min and max as macros.
#include <X11/Xlibint.h>
#undef min
#undef max

struct RestartAction {
  std::string commandLine;  // a native program's, or a Java program's arguments
  bool java = false;
  std::string classPath, applicationName;  // empty: none
  int javaFlags = 0;
};

namespace {

std::vector<LaunchRecord> records;

// The ring between the child signal handler and ReapChildren.
constexpr int kRingSize = 32;
struct ExitSlot {
  pid_t pid;
  int status;
};
ExitSlot ring[kRingSize];
volatile sig_atomic_t ringWrite = 0;
volatile sig_atomic_t ringRead = 0;
volatile sig_atomic_t ringCount = 0;
EvtSignalNotice* childNotice = nullptr;

// Commands arrive as UTF-8; exec wants the locale's multibyte text.
std::string ConvertCommand(const char* text) {
  bool plain = true;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
    if (*p >= 0x80) plain = false;
  if (plain) return text;
  std::vector<wchar_t> wide;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    unsigned char c = *p;
    int extra = c >= 0xFC ? 5 : c >= 0xF8 ? 4 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c >= 0x80 && c < 0xC0) extra = 0;  // no lead byte: stands for itself
    unsigned long v = extra ? (c & (0x3F >> extra)) : c;
    ++p;
    for (int i = 0; i < extra && *p; ++i, ++p) v = (v << 6) | (*p & 0x3F);
    wide.push_back(static_cast<wchar_t>(v));
  }
  wide.push_back(0);
  size_t need = wcstombs(nullptr, wide.data(), 0);
  if (need == static_cast<size_t>(-1)) return text;
  std::string out(need, '\0');
  wcstombs(&out[0], wide.data(), need + 1);
  return out;
}

// Each program leads a session and process group of its own, away from
// Teldra's terminal and group, so that log-off reaches what it started too.
void OwnProcessGroup() {
  if (setsid() < 0) setpgid(0, 0);
}

int FindIndex(pid_t pid);

// A signal to the program's group; to the program alone only while it is
// still Teldra's unreaped child (so that its pid cannot belong to another
// process by now).
void SignalProgram(pid_t pid, int sig) {
  if (pid <= 1) return;
  if (kill(-pid, sig) != 0 && FindIndex(pid) >= 0) kill(pid, sig);
}

void ResetChildSignals() {
  for (int sig = 1; sig < 32; ++sig)
    if (sig != SIGKILL && sig != SIGSTOP) signal(sig, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

int FindIndex(pid_t pid) {
  for (size_t i = 0; i < records.size(); ++i)
    if (records[i].pid == pid) return static_cast<int>(i);
  return -1;
}

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// Whether this process adopts the orphans of its descendants.
bool ReapsOrphans() {
  int on = 0;
  return prctl(PR_GET_CHILD_SUBREAPER, &on) == 0 && on;
}

// Every living process below this one, from /proc (zombies left out: they
// are reaped, not signalled).
std::vector<pid_t> Descendants() {
  std::map<pid_t, std::vector<pid_t>> children;
  if (DIR* dir = opendir("/proc")) {
    while (dirent* e = readdir(dir)) {
      char* end = nullptr;
      const long pid = std::strtol(e->d_name, &end, 10);
      if (pid <= 0 || *end) continue;
      // Read with read(2): a process may end between the open and the read.
      const int fd = open((std::string("/proc/") + e->d_name + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      char buffer[1024];
      const ssize_t n = read(fd, buffer, sizeof buffer - 1);
      close(fd);
      if (n <= 0) continue;
      const std::string stat(buffer, static_cast<size_t>(n));
      // pid (name) state ppid ...: the name may hold blanks and parentheses.
      const size_t close = stat.rfind(')');
      if (close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z') continue;
      const long parent = std::strtol(stat.c_str() + close + 3, nullptr, 10);
      children[static_cast<pid_t>(parent)].push_back(static_cast<pid_t>(pid));
    }
    closedir(dir);
  }
  std::vector<pid_t> found;
  std::vector<pid_t> pending = {getpid()};
  while (!pending.empty()) {
    const pid_t p = pending.back();
    pending.pop_back();
    for (pid_t c : children[p]) {
      found.push_back(c);
      pending.push_back(c);
    }
  }
  return found;
}

void KillWindowTree(Display* d, Window w, Window root, XID base, XID mask) {
  Window rootRet, parent;
  Window* children = nullptr;
  unsigned int n = 0;
  if (XQueryTree(d, w, &rootRet, &parent, &children, &n)) {
    for (unsigned int i = 0; i < n; ++i) KillWindowTree(d, children[i], root, base, mask);
    if (children) XFree(children);
  }
  if (w != root && (w & ~mask) != base) XKillClient(d, w);
}

// A tenth of a second, then every exited child reaped and its record removed.
void PauseAndReap() {
  usleep(100 * 1000);
  int status;
  pid_t pid;
  while ((pid = waitpid(-1, &status, WNOHANG)) > 0) RemoveLaunchRecord(pid);
}

}  // namespace

int SplitCommandLine(char* text, char** words, int size) {
  int count = 0;
  char* p = text;
  while (count < size - 1) {
    while (*p && isspace(static_cast<unsigned char>(*p))) ++p;
    if (!*p) break;
    char* start;
    if (*p == '"') {
      start = ++p;
      while (*p && *p != '"') ++p;
    } else {
      start = p;
      while (*p && !isspace(static_cast<unsigned char>(*p))) ++p;
    }
    words[count++] = start;
    if (*p) *p++ = '\0';
  }
  if (size > 0) words[count] = nullptr;
  return count;
}

LaunchRecord* AddLaunchRecord(pid_t pid, const char* name, RestartAction* restart) {
  LaunchRecord r{};
  NewLaunchId(r.id);
  r.pid = pid;
  r.name = DupString(name ? name : "");
  r.restart = restart;
  records.push_back(r);
  return &records.back();
}

LaunchRecord* FindLaunchRecordByPid(pid_t pid) {
  int i = FindIndex(pid);
  return i < 0 ? nullptr : &records[i];
}

int LaunchRecordCount() { return static_cast<int>(records.size()); }
LaunchRecord* LaunchRecordAt(int index) {
  return index >= 0 && index < LaunchRecordCount() ? &records[index] : nullptr;
}

void RemoveLaunchRecord(pid_t pid) {
  SnmpProgramEndedNotify(pid);
  int i = FindIndex(pid);
  if (i < 0) return;
  LaunchRecord r = records[i];
  records.erase(records.begin() + i);
  free(r.name);
  if (r.restart) {
    const RestartAction& a = *r.restart;
    if (a.java)
      LaunchJavaProgram(a.commandLine.c_str(), a.classPath.empty() ? nullptr : a.classPath.c_str(),
                        a.applicationName.empty() ? nullptr : a.applicationName.c_str(), a.javaFlags, 0, 1);
    else
      LaunchProgram(a.commandLine.c_str(), 0, 0, 1);
    delete r.restart;
  }
}

void UnregisterApplication(const unsigned char id[8]) {
  for (size_t i = 0; i < records.size(); ++i)
    if (std::memcmp(records[i].id, id, 8) == 0) {
      // The process goes on; only the record goes.
      free(records[i].name);
      delete records[i].restart;
      records.erase(records.begin() + i);
      return;
    }
}

void ClearRestartActions() {
  for (auto& r : records) {
    delete r.restart;
    r.restart = nullptr;
  }
}

int OnlyDesktopCommandLeft() { return records.size() == 1 && records[0].desktopCommand ? 1 : 0; }

LaunchRecord* LaunchProgram(const char* commandLine, int debug, int, int restart) {
  if (!commandLine) return nullptr;
  std::string converted = ConvertCommand(commandLine);
  std::vector<char> text(converted.begin(), converted.end());
  text.push_back('\0');
  char* words[64];
  int first = debug ? 1 : 0;
  if (debug) words[0] = const_cast<char*>("qxdebug");
  int n = SplitCommandLine(text.data(), words + first, 64 - first);
  if (n == 0) return nullptr;
  pid_t pid = fork();
  if (pid < 0) return nullptr;
  if (pid == 0) {
    ResetChildSignals();
    OwnProcessGroup();
    // A program of the session runs as the logged-in user, never as Teldra.
    if (AuthBecomeSessionUser() != 0) _exit(EPERM + 130);
    (void)!nice(10);
    execvp(words[0], words);
    _exit(errno + 130);
  }
  RestartAction* action = restart ? new RestartAction{commandLine} : nullptr;
  const char* name = words[first];
  if (std::strcmp(name, "kdv_wrapper") == 0 && n > 1) name = words[first + 1];
  SnmpProgramStartedNotify(pid, commandLine);
  return AddLaunchRecord(pid, name, action);
}

std::string ExpandJarPath(const char* classPath) {
  if (!classPath) return "";
  const char* jarPath = std::getenv("JARPATH");
  if (!jarPath) return classPath;
  auto split = [](const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
      const size_t end = text.find(':', start);
      parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) return parts;
      start = end + 1;
    }
  };
  const std::vector<std::string> directories = split(jarPath);
  std::string out;
  for (const std::string& entry : split(classPath)) {
    if (entry.empty()) continue;
    std::string resolved = entry;
    if (entry.find('/') == std::string::npos)
      for (const std::string& dir : directories) {
        const std::string candidate = dir + "/" + entry;
        if (access(candidate.c_str(), F_OK) == 0) {
          resolved = candidate;
          break;
        }
      }
    if (!out.empty()) out += ':';
    out += resolved;
  }
  return out;
}

LaunchRecord* LaunchJavaProgram(const char* arguments, const char* classPath, const char* applicationName,
                                int javaFlags, int debug, int restart) {
  std::string converted = ConvertCommand(arguments ? arguments : "");
  std::vector<char> text(converted.begin(), converted.end());
  text.push_back('\0');
  char* words[64];
  int n = 0;
  if (debug) words[n++] = const_cast<char*>("qxdebug");
  words[n++] = const_cast<char*>((javaFlags & 0x04) ? "appletviewer" : (javaFlags & 0x10) ? "java_g" : "java");
  SplitCommandLine(text.data(), words + n, 64 - n);
  // Everything the child needs is made before the fork.
  std::string newClassPath;
  if (classPath && *classPath) {
    newClassPath = ExpandJarPath(classPath);
    const char* old = std::getenv("CLASSPATH");
    if (old && *old) newClassPath += std::string(":") + old;
  }
  const bool setName = applicationName && *applicationName && std::strcmp(applicationName, "VendorShell") != 0;
  pid_t pid = fork();
  if (pid < 0) return nullptr;
  if (pid == 0) {
    ResetChildSignals();
    OwnProcessGroup();
    if (AuthBecomeSessionUser() != 0) _exit(EPERM + 130);
    if (setName) setenv("JAVA_SHELL_WIDGET_APP_NAME", applicationName, 1);
    if (!newClassPath.empty()) setenv("CLASSPATH", newClassPath.c_str(), 1);
    (void)!nice(10);
    execvp(words[0], words);
    _exit(errno + 130);
  }
  RestartAction* action = nullptr;
  if (restart) {
    action = new RestartAction{arguments ? arguments : "", true, classPath ? classPath : "",
                               applicationName ? applicationName : "", javaFlags};
  }
  SnmpProgramStartedNotify(pid, arguments ? arguments : "");
  return AddLaunchRecord(pid, words[0], action);
}

void ChildSignalHandler(int) {
  const int saved = errno;
  int status;
  pid_t pid;
  while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
    if (ringCount < kRingSize) {
      ring[ringWrite] = ExitSlot{pid, status};
      ringWrite = (ringWrite + 1) % kRingSize;
      ringCount = ringCount + 1;
    }
  }
  EvtNoticeSignal(childNotice);
  errno = saved;
}

void SetChildSignalNotice(EvtSignalNotice* notice) { childNotice = notice; }

void InstallChildSignalHandler() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = ChildSignalHandler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigaction(SIGCHLD, &sa, nullptr);
}

void ReapChildren() {
  // The handler only adds; block it while an entry is taken out.
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGCHLD);
  for (;;) {
    sigprocmask(SIG_BLOCK, &block, &old);
    if (ringCount <= 0) {
      sigprocmask(SIG_SETMASK, &old, nullptr);
      return;
    }
    ExitSlot slot = ring[ringRead];
    ringRead = (ringRead + 1) % kRingSize;
    ringCount = ringCount - 1;
    sigprocmask(SIG_SETMASK, &old, nullptr);
    LaunchRecord* r = FindLaunchRecordByPid(slot.pid);
    if (!r) continue;
    ReportChildExit(r, slot.status, r->name);
    RemoveLaunchRecord(slot.pid);
  }
}

const char* DescribeExitStatus(int status) {
  if (WIFEXITED(status)) {
    const int code = WEXITSTATUS(status);
    if (code >= 131 && code <= 247) return strerror(code - 130);
    return nullptr;
  }
  if (WIFSIGNALED(status)) {
    switch (WTERMSIG(status)) {
      case SIGILL:
      case SIGABRT:
      case SIGFPE:
      case SIGBUS:
      case SIGSEGV:
      case SIGSYS:
        return strsignal(WTERMSIG(status));
      default:
        return nullptr;
    }
  }
  return nullptr;
}

int ReportChildExit(const LaunchRecord* record, int status, const char* name) {
  ScreenState* state = TheScreenState();
  if (record && state && LockProgramEnded(state, static_cast<int>(record->pid), status)) return 1;
  if (record && record->desktopCommand) {
    if (state && !state->serviceClientSeen) DoDesktopCommand(state, CmdDesktopCommandEnded);
    return 1;
  }
  if (record && state) BroadcastToClients(state, record->id, NoticeProgramEnded);
  if (const char* why = DescribeExitStatus(status)) {
    const std::string text = FormatCatalogText(TextExecutionFailed, {name && *name ? name : "<unknown>", why});
    ShowDesktopMessage(state, text.c_str(), "QXW4509");
  }
  return 1;
}

void WaitForChildren(int seconds) {
  for (int round = 0; round < seconds * 10; ++round) {
    if (records.empty() || OnlyDesktopCommandLeft()) return;
    PauseAndReap();
  }
}

int KillLowestPriorityApplication() {
  int best = -1;
  for (size_t i = 0; i < records.size(); ++i) {
    const LaunchRecord& r = records[i];
    if (r.desktopCommand || r.priority < 0) continue;
    if (best < 0 || r.priority > records[best].priority) best = static_cast<int>(i);
  }
  if (best < 0) return 0;
  kill(records[best].pid, SIGKILL);
  return 1;
}

void KillAllClients(ScreenState* state) {
  const bool sweep = ReapsOrphans();
  if (!records.empty() || (sweep && !Descendants().empty())) {
    signal(SIGCHLD, SIG_DFL);
    WaitForChildren(1);
    // Every program and what it started ends, the desktop command too (it
    // may ignore the hang-up): terminate, then kill what is left. The
    // groups are kept, as their leaders may end before the rest.
    std::vector<pid_t> groups;
    for (auto& r : records) {
      delete r.restart;
      r.restart = nullptr;
      if (r.pid > 1) groups.push_back(r.pid);
    }
    // What left its group (a session of its own, a daemon) is still below
    // Teldra when Teldra adopts orphans: it is signalled one by one.
    auto signalAll = [&](int sig) {
      for (pid_t g : groups) SignalProgram(g, sig);
      if (sweep)
        for (pid_t p : Descendants()) kill(p, sig);
    };
    auto settle = [&](int rounds) {
      for (int round = 0; round < rounds && (!records.empty() || (sweep && !Descendants().empty())); ++round)
        PauseAndReap();
    };
    signalAll(SIGTERM);
    settle(20);
    signalAll(SIGKILL);
    settle(10);
  }
  if (!state || !state->sdk.display) return;
  Display* d = state->sdk.display;
  XSync(d, False);
  XErrorHandler old = XSetErrorHandler(IgnoreXErrors);
  KillWindowTree(d, state->sdk.root, state->sdk.root, d->resource_base, d->resource_mask);
  XKillClient(d, AllTemporary);
  XSync(d, False);
  XSetErrorHandler(old);
}

int AdoptOrphans() { return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0 ? 0 : errno; }

void ResetLauncher() {
  for (auto& r : records) {
    free(r.name);
    delete r.restart;
  }
  records.clear();
  ringRead = ringWrite = ringCount = 0;
}
