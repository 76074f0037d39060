#include "session/XtEventSources.h"

#include <cstdint>
#include <ctime>
#include <set>

#include "session/AppInit.h"

namespace {

// Every source of every XtEventSources object, by id: Xt's client data
// carries the id, never a pointer, so a callback of a source that was
// removed meanwhile finds nothing.
std::map<EventSources::Id, XtEventSources*>& Owners() {
  static std::map<EventSources::Id, XtEventSources*> owners;
  return owners;
}
EventSources::Id g_nextId = 1;

// Wake-up timers of ProcessPending that have fired, by serial number.
std::set<uintptr_t>& FiredWakes() {
  static std::set<uintptr_t> fired;
  return fired;
}
uintptr_t g_nextWake = 1;

XtPointer IdData(EventSources::Id id) { return reinterpret_cast<XtPointer>(static_cast<uintptr_t>(id)); }
EventSources::Id DataId(XtPointer data) { return static_cast<EventSources::Id>(reinterpret_cast<uintptr_t>(data)); }

}  // namespace

XtEventSources::~XtEventSources() {
  for (auto& in : inputs_) {
    XtRemoveInput(in.second.xtId);
    Owners().erase(in.first);
  }
  for (auto& t : timers_) {
    XtRemoveTimeOut(t.second.xtId);
    Owners().erase(t.first);
  }
}

EventSources::Id XtEventSources::addSource(int fd, XtPointer condition, Callback cb) {
  Id id = g_nextId++;
  XtInputId xtId = XtAppAddInput(app_, fd, condition, InputProc, IdData(id));
  inputs_[id] = Input{xtId, std::move(cb)};
  Owners()[id] = this;
  return id;
}

EventSources::Id XtEventSources::AddInput(int fd, Callback onReadable) {
  return addSource(fd, reinterpret_cast<XtPointer>(XtInputReadMask), std::move(onReadable));
}

EventSources::Id XtEventSources::AddOutput(int fd, Callback onWritable) {
  return addSource(fd, reinterpret_cast<XtPointer>(XtInputWriteMask), std::move(onWritable));
}

void XtEventSources::RemoveInput(Id id) {
  auto it = inputs_.find(id);
  if (it == inputs_.end()) return;
  XtRemoveInput(it->second.xtId);
  inputs_.erase(it);
  Owners().erase(id);
}

EventSources::Id XtEventSources::AddTimeOut(unsigned long milliseconds, Callback onExpiry) {
  Id id = g_nextId++;
  XtIntervalId xtId = XtAppAddTimeOut(app_, milliseconds, TimerProc, IdData(id));
  timers_[id] = Timer{xtId, std::move(onExpiry)};
  Owners()[id] = this;
  return id;
}

void XtEventSources::RemoveTimeOut(Id id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  XtRemoveTimeOut(it->second.xtId);
  timers_.erase(it);
  Owners().erase(id);
}

uint64_t XtEventSources::NowMilliseconds() const {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

void XtEventSources::InputProc(XtPointer data, int*, XtInputId*) {
  Id id = DataId(data);
  auto owner = Owners().find(id);
  if (owner == Owners().end()) return;
  XtEventSources* self = owner->second;
  auto it = self->inputs_.find(id);
  if (it == self->inputs_.end()) return;
  // A copy: the callback may remove its own source (or end its session).
  Callback cb = it->second.cb;
  cb();
}

void XtEventSources::TimerProc(XtPointer data, XtIntervalId*) {
  Id id = DataId(data);
  auto owner = Owners().find(id);
  if (owner == Owners().end()) return;
  XtEventSources* self = owner->second;
  auto it = self->timers_.find(id);
  if (it == self->timers_.end()) return;
  Callback cb = std::move(it->second.cb);
  self->timers_.erase(it);  // Xt has forgotten a timer that fired
  Owners().erase(id);
  cb();
}

void XtEventSources::WakeProc(XtPointer serial, XtIntervalId*) {
  FiredWakes().insert(reinterpret_cast<uintptr_t>(serial));
}

void XtEventSources::ProcessPending(unsigned long milliseconds) {
  if (milliseconds == 0) {
    for (int rounds = 0; rounds < 100 && XtAppPending(app_); ++rounds) XtAppProcessEvent(app_, XtIMAll);
    return;
  }
  const uintptr_t serial = g_nextWake++;
  XtIntervalId wake = XtAppAddTimeOut(app_, milliseconds, WakeProc, reinterpret_cast<XtPointer>(serial));
  // Blocks until something happens (the wake-up at the latest) and runs it;
  // whatever ran, the caller looks at its state again.
  XtAppProcessEvent(app_, XtIMAll);
  if (FiredWakes().erase(serial) == 0) XtRemoveTimeOut(wake);
}

XtEventSources* MasterEventSources() {
  static XtEventSources* sources = nullptr;
  if (!sources && ApplicationContext()) sources = new XtEventSources(ApplicationContext());
  return sources;
}
