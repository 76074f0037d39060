// A real event loop for tests that use sockets: poll(2) over the registered
// descriptors, timers on the monotonic clock.
#pragma once

#include <poll.h>

#include <map>

#include "base/EventSources.h"

namespace qwtest {

class PollEventSources : public EventSources {
public:
    Id AddInput(int fd, Callback onReadable) override;
    void RemoveInput(Id id) override;
    Id AddOutput(int fd, Callback onWritable) override;
    Id AddTimeOut(unsigned long milliseconds, Callback onExpiry) override;
    void RemoveTimeOut(Id id) override;
    uint64_t NowMilliseconds() const override;
    // Waits up to `milliseconds` for input or a timer, then runs what is
    // ready once.
    void ProcessPending(unsigned long milliseconds) override;

    size_t InputCount() const { return inputs_.size(); }
    size_t TimerCount() const { return timers_.size(); }

private:
    struct Input { int fd; Callback cb; short events = POLLIN; };
    struct Timer { uint64_t due; Callback cb; };
    Id next_ = 1;
    std::map<Id, Input> inputs_;
    std::map<Id, Timer> timers_;
};

}  // namespace qwtest
