#pragma once
#include <cstdint>
#include <functional>

// The event loop as the session engine sees it: input sources on file
// descriptors, one-shot timers and a monotonic clock. The program maps it onto
// Xt (XtAppAddInput, XtAppAddTimeOut); tests drive the engine with a fake
// that runs timers on an injected clock.
class EventSources {
 public:
  using Id = uint64_t;  // 0 is never a valid id
  using Callback = std::function<void()>;

  virtual ~EventSources() = default;

  // Calls `onReadable` whenever `fd` has input (or end of file).
  virtual Id AddInput(int fd, Callback onReadable) = 0;
  // Removes an input source, or an output source of AddOutput.
  virtual void RemoveInput(Id id) = 0;
  // Calls `onWritable` whenever `fd` can take output (or has failed). 0 when
  // the loop has no such sources: the caller then tries again on a timer.
  virtual Id AddOutput(int fd, Callback onWritable) { return 0; }
  // Calls `onExpiry` once, `milliseconds` from now.
  virtual Id AddTimeOut(unsigned long milliseconds, Callback onExpiry) = 0;
  virtual void RemoveTimeOut(Id id) = 0;
  // Milliseconds on a monotonic clock.
  virtual uint64_t NowMilliseconds() const = 0;
  // Runs pending input and timer callbacks for at most `milliseconds`
  // (the nested loops of connection set-up use it); 0 polls once.
  virtual void ProcessPending(unsigned long milliseconds) = 0;
};
