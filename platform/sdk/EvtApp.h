#pragma once
// The SDK's application context: watched descriptors, timers on the
// monotonic clock and signal notices, driven by one poll() loop. A signal
// handler posts a notice with EvtNoticeSignal (async-signal-safe: it sets a
// flag and writes one byte to the context's self-pipe); the notice's
// callback runs later in the loop. Links no X: the X connection is one more
// watched descriptor (SdkScreen.h).
#include <cstdint>

struct EvtAppContext;
struct EvtSignalNotice;

typedef void (*EvtSignalProc)(void* closure);
typedef void (*EvtTimerProc)(void* closure, unsigned long id);
typedef void (*EvtInputProc)(void* closure, int fd);

// A fresh context, or null when the self-pipe cannot be made.
EvtAppContext* EvtCreateAppContext();
// Frees the context; its notices stay valid (posting them does nothing).
void EvtDestroyAppContext(EvtAppContext* app);

// Notices. The handle lives as long as the process (a handler may post it
// at any time); EvtRemoveSignal disarms it.
EvtSignalNotice* EvtAppAddSignal(EvtAppContext* app, EvtSignalProc proc, void* closure);
void EvtNoticeSignal(EvtSignalNotice* notice);  // async-signal-safe; null is ignored
void EvtRemoveSignal(EvtSignalNotice* notice);

// Timers: ids are never 0 and never reused. A recurring timer fires every
// `milliseconds` until removed.
unsigned long EvtAppAddTimeOut(EvtAppContext* app, unsigned long milliseconds, EvtTimerProc proc,
                               void* closure);
unsigned long EvtAppAddRecurringTimeOut(EvtAppContext* app, unsigned long milliseconds,
                                        EvtTimerProc proc, void* closure);
void EvtAppRemoveTimeOut(EvtAppContext* app, unsigned long id);

// Descriptors watched for reading (and end of file); ids as for timers.
// A second watch of the same descriptor replaces the first.
unsigned long EvtAppAddInput(EvtAppContext* app, int fd, EvtInputProc proc, void* closure);
void EvtAppRemoveInput(EvtAppContext* app, unsigned long id);
void EvtAppRemoveInputFd(EvtAppContext* app, int fd);

// Milliseconds of the monotonic clock.
uint64_t EvtNowMilliseconds();

// One pass: waits at most `maxWaitMs` (-1: until something happens) for a
// descriptor, a notice or the next timer, then runs what is ready: notices
// first, then descriptors, then due timers. Returns the number of callbacks run.
int EvtAppProcessOnce(EvtAppContext* app, int maxWaitMs);

// The number of watched descriptors and pending timers.
int EvtAppInputCount(const EvtAppContext* app);
int EvtAppTimerCount(const EvtAppContext* app);
