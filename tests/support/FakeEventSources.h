// An event loop on an injected clock: time moves only when the test says so,
// or when ProcessPending finds nothing to do (then by the time it was given).
// Inputs on real descriptors are polled without waiting.
#pragma once

#include <functional>
#include <poll.h>

#include <map>

#include "base/EventSources.h"

namespace qwtest {

class FakeEventSources : public EventSources {
public:
    Id AddInput(int fd, Callback onReadable) override;
    void RemoveInput(Id id) override;
    Id AddOutput(int fd, Callback onWritable) override;
    Id AddTimeOut(unsigned long milliseconds, Callback onExpiry) override;
    void RemoveTimeOut(Id id) override;
    uint64_t NowMilliseconds() const override { return now_; }
    void ProcessPending(unsigned long milliseconds) override;

    // Moves the clock and runs the timers that came due, in order.
    void Advance(uint64_t milliseconds);
    // Runs before each ProcessPending (a test's scripted peer, or an action
    // that ends the session in the middle of a wait).
    void SetOnProcessPending(std::function<void()> hook) { hook_ = std::move(hook); }

    size_t InputCount() const { return inputs_.size(); }
    size_t TimerCount() const { return timers_.size(); }
    int ProcessPendingCalls() const { return calls_; }

private:
    struct Input { int fd; Callback cb; short events = POLLIN; };
    struct Timer { uint64_t due; Id id; Callback cb; };
    bool RunReadyInputs();
    Id next_ = 1;
    uint64_t now_ = 1000000;
    int calls_ = 0;
    std::map<Id, Input> inputs_;
    std::map<Id, Timer> timers_;
    std::function<void()> hook_;
};

}  // namespace qwtest
