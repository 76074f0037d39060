#include "platform/sdk/EvtApp.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

struct EvtSignalNotice {
  volatile sig_atomic_t pending = 0;
  volatile sig_atomic_t wakeFd = -1;  // the context's self-pipe, -1 once disarmed
  EvtSignalProc proc = nullptr;
  void* closure = nullptr;
};

namespace {

struct Timer {
  EvtTimerProc proc;
  void* closure;
  unsigned long interval;  // 0: once
};

struct Input {
  int fd;
  EvtInputProc proc;
  void* closure;
};

using TimerKey = std::pair<uint64_t, unsigned long>;  // deadline, id

}  // namespace

struct EvtAppContext {
  int wakeRead = -1;
  int wakeWrite = -1;
  unsigned long nextId = 1;
  std::vector<EvtSignalNotice*> notices;
  std::map<TimerKey, Timer> timers;
  std::unordered_map<unsigned long, uint64_t> timerDeadlines;
  std::map<unsigned long, Input> inputs;
  std::unordered_map<int, unsigned long> inputByFd;
  std::vector<pollfd> pollSet;         // rebuilt only when the inputs change
  std::vector<unsigned long> pollIds;  // the input id of each pollSet entry after the first
  bool pollSetStale = true;
};

uint64_t EvtNowMilliseconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

EvtAppContext* EvtCreateAppContext() {
  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return nullptr;
  auto* app = new EvtAppContext;
  app->wakeRead = fds[0];
  app->wakeWrite = fds[1];
  return app;
}

void EvtDestroyAppContext(EvtAppContext* app) {
  if (!app) return;
  for (EvtSignalNotice* n : app->notices) {
    n->wakeFd = -1;
    n->proc = nullptr;
  }
  close(app->wakeRead);
  close(app->wakeWrite);
  delete app;
}

EvtSignalNotice* EvtAppAddSignal(EvtAppContext* app, EvtSignalProc proc, void* closure) {
  if (!app || !proc) return nullptr;
  // Notices are never freed: a handler may still hold the handle. They stay
  // reachable from one process-wide list.
  static std::vector<EvtSignalNotice*>* all = new std::vector<EvtSignalNotice*>;
  auto* n = new EvtSignalNotice;
  all->push_back(n);
  n->proc = proc;
  n->closure = closure;
  n->wakeFd = app->wakeWrite;
  app->notices.push_back(n);
  return n;
}

void EvtNoticeSignal(EvtSignalNotice* notice) {
  if (!notice) return;
  const int saved = errno;
  notice->pending = 1;
  const int fd = notice->wakeFd;
  if (fd >= 0) {
    const char byte = 0;
    // A full pipe already wakes the loop; the byte is not needed then.
    (void)!write(fd, &byte, 1);
  }
  errno = saved;
}

void EvtRemoveSignal(EvtSignalNotice* notice) {
  if (!notice) return;
  notice->wakeFd = -1;
  notice->pending = 0;
  notice->proc = nullptr;
}

namespace {

unsigned long AddTimer(EvtAppContext* app, unsigned long ms, EvtTimerProc proc, void* closure,
                       bool recurring) {
  if (!app || !proc) return 0;
  const unsigned long id = app->nextId++;
  const uint64_t deadline = EvtNowMilliseconds() + ms;
  // A recurring timer of 0 ms would starve the loop: it fires at most every millisecond.
  app->timers[{deadline, id}] = Timer{proc, closure, recurring ? (ms ? ms : 1) : 0};
  app->timerDeadlines[id] = deadline;
  return id;
}

}  // namespace

unsigned long EvtAppAddTimeOut(EvtAppContext* app, unsigned long milliseconds, EvtTimerProc proc,
                               void* closure) {
  return AddTimer(app, milliseconds, proc, closure, false);
}

unsigned long EvtAppAddRecurringTimeOut(EvtAppContext* app, unsigned long milliseconds,
                                        EvtTimerProc proc, void* closure) {
  return AddTimer(app, milliseconds, proc, closure, true);
}

void EvtAppRemoveTimeOut(EvtAppContext* app, unsigned long id) {
  if (!app) return;
  auto it = app->timerDeadlines.find(id);
  if (it == app->timerDeadlines.end()) return;
  app->timers.erase({it->second, id});
  app->timerDeadlines.erase(it);
}

unsigned long EvtAppAddInput(EvtAppContext* app, int fd, EvtInputProc proc, void* closure) {
  if (!app || !proc || fd < 0) return 0;
  EvtAppRemoveInputFd(app, fd);
  const unsigned long id = app->nextId++;
  app->inputs[id] = Input{fd, proc, closure};
  app->inputByFd[fd] = id;
  app->pollSetStale = true;
  return id;
}

void EvtAppRemoveInput(EvtAppContext* app, unsigned long id) {
  if (!app) return;
  auto it = app->inputs.find(id);
  if (it == app->inputs.end()) return;
  app->inputByFd.erase(it->second.fd);
  app->inputs.erase(it);
  app->pollSetStale = true;
}

void EvtAppRemoveInputFd(EvtAppContext* app, int fd) {
  if (!app) return;
  auto it = app->inputByFd.find(fd);
  if (it != app->inputByFd.end()) EvtAppRemoveInput(app, it->second);
}

int EvtAppInputCount(const EvtAppContext* app) { return app ? static_cast<int>(app->inputs.size()) : 0; }
int EvtAppTimerCount(const EvtAppContext* app) { return app ? static_cast<int>(app->timers.size()) : 0; }

namespace {

int RunNotices(EvtAppContext* app) {
  int ran = 0;
  // A callback may add notices: index, not iterators.
  for (size_t i = 0; i < app->notices.size(); ++i) {
    EvtSignalNotice* n = app->notices[i];
    if (!n->pending) continue;
    n->pending = 0;
    if (n->proc) {
      n->proc(n->closure);
      ++ran;
    }
  }
  return ran;
}

int RunTimers(EvtAppContext* app) {
  const uint64_t now = EvtNowMilliseconds();
  std::vector<TimerKey> due;
  for (const auto& t : app->timers) {
    if (t.first.first > now) break;
    due.push_back(t.first);
  }
  int ran = 0;
  for (const TimerKey& key : due) {
    auto it = app->timers.find(key);
    if (it == app->timers.end()) continue;  // removed by an earlier callback
    const Timer timer = it->second;
    app->timers.erase(it);
    if (timer.interval) {
      const uint64_t next = now + timer.interval;
      app->timers[{next, key.second}] = timer;
      app->timerDeadlines[key.second] = next;
    } else {
      app->timerDeadlines.erase(key.second);
    }
    timer.proc(timer.closure, key.second);
    ++ran;
  }
  return ran;
}

}  // namespace

int EvtAppProcessOnce(EvtAppContext* app, int maxWaitMs) {
  if (!app) return 0;
  int wait = maxWaitMs;
  if (!app->timers.empty()) {
    const uint64_t now = EvtNowMilliseconds();
    const uint64_t first = app->timers.begin()->first.first;
    const int untilTimer = first <= now ? 0 : static_cast<int>(std::min<uint64_t>(first - now, 1u << 30));
    if (wait < 0 || untilTimer < wait) wait = untilTimer;
  }
  for (EvtSignalNotice* n : app->notices)
    if (n->pending) wait = 0;

  if (app->pollSetStale) {
    app->pollSet.clear();
    app->pollIds.clear();
    app->pollSet.push_back(pollfd{app->wakeRead, POLLIN, 0});
    for (const auto& in : app->inputs) {
      app->pollSet.push_back(pollfd{in.second.fd, POLLIN, 0});
      app->pollIds.push_back(in.first);
    }
    app->pollSetStale = false;
  }
  int ready = poll(app->pollSet.data(), app->pollSet.size(), wait);
  if (ready < 0) ready = 0;  // EINTR: a handler ran; its notice is looked at below

  if (app->pollSet[0].revents & POLLIN) {
    char buf[64];
    while (read(app->wakeRead, buf, sizeof buf) > 0) {
    }
  }
  int ran = RunNotices(app);
  if (ready > 0) {
    for (size_t i = 1; i < app->pollSet.size(); ++i) {
      const short ev = app->pollSet[i].revents;
      if (!ev) continue;
      const unsigned long id = app->pollIds[i - 1];
      auto it = app->inputs.find(id);
      if (it == app->inputs.end()) continue;  // removed by an earlier callback
      if (ev & POLLNVAL) {
        // Closed under the watch: drop it rather than spin.
        EvtAppRemoveInput(app, id);
        continue;
      }
      const Input in = it->second;
      in.proc(in.closure, in.fd);
      ++ran;
    }
  }
  ran += RunTimers(app);
  return ran;
}
