#pragma once
// The session engine's event loop mapped onto Xt: input sources and timers
// of one application context, and the monotonic clock.
#include <X11/Intrinsic.h>

#include <map>

#include "base/EventSources.h"

class XtEventSources : public EventSources {
 public:
  explicit XtEventSources(XtAppContext app) : app_(app) {}
  ~XtEventSources() override;
  XtEventSources(const XtEventSources&) = delete;
  XtEventSources& operator=(const XtEventSources&) = delete;

  Id AddInput(int fd, Callback onReadable) override;
  void RemoveInput(Id id) override;
  Id AddOutput(int fd, Callback onWritable) override;
  Id AddTimeOut(unsigned long milliseconds, Callback onExpiry) override;
  void RemoveTimeOut(Id id) override;
  uint64_t NowMilliseconds() const override;
  // Dispatches X events, inputs and timers for at most `milliseconds`
  // (0: what is pending now).
  void ProcessPending(unsigned long milliseconds) override;

  XtAppContext app() const { return app_; }

 private:
  static void InputProc(XtPointer id, int* fd, XtInputId* xtId);
  Id addSource(int fd, XtPointer condition, Callback cb);
  static void TimerProc(XtPointer id, XtIntervalId* xtId);
  static void WakeProc(XtPointer serial, XtIntervalId* xtId);

  struct Input {
    XtInputId xtId;
    Callback cb;
  };
  struct Timer {
    XtIntervalId xtId;
    Callback cb;
  };
  XtAppContext app_;
  std::map<Id, Input> inputs_;
  std::map<Id, Timer> timers_;
};

// The process-wide sources of the master's application context (created on
// first use; null before the toolkit is up).
XtEventSources* MasterEventSources();
