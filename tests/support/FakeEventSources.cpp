#include "tests/support/FakeEventSources.h"

#include <poll.h>

#include <vector>

namespace qwtest {

EventSources::Id FakeEventSources::AddInput(int fd, Callback onReadable) {
    Id id = next_++;
    inputs_[id] = Input{fd, std::move(onReadable)};
    return id;
}

void FakeEventSources::RemoveInput(Id id) { inputs_.erase(id); }

EventSources::Id FakeEventSources::AddOutput(int fd, Callback onWritable) {
    Id id = next_++;
    inputs_[id] = Input{fd, std::move(onWritable), POLLOUT};
    return id;
}

EventSources::Id FakeEventSources::AddTimeOut(unsigned long milliseconds, Callback onExpiry) {
    Id id = next_++;
    timers_[id] = Timer{now_ + milliseconds, id, std::move(onExpiry)};
    return id;
}

void FakeEventSources::RemoveTimeOut(Id id) { timers_.erase(id); }

void FakeEventSources::Advance(uint64_t milliseconds) {
    const uint64_t end = now_ + milliseconds;
    for (;;) {
        // The earliest timer due by the end; equal times run in creation order.
        auto first = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it)
            if (it->second.due <= end && (first == timers_.end() || it->second.due < first->second.due))
                first = it;
        if (first == timers_.end()) break;
        if (first->second.due > now_) now_ = first->second.due;
        Callback cb = std::move(first->second.cb);
        timers_.erase(first);
        cb();
    }
    now_ = end;
}

bool FakeEventSources::RunReadyInputs() {
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    for (const auto& in : inputs_) {
        fds.push_back(pollfd{in.second.fd, in.second.events, 0});
        ids.push_back(in.first);
    }
    if (fds.empty() || poll(fds.data(), fds.size(), 0) <= 0) return false;
    bool ran = false;
    for (size_t i = 0; i < fds.size(); ++i) {
        if (!(fds[i].revents & (fds[i].events | POLLHUP | POLLERR | POLLNVAL))) continue;
        auto it = inputs_.find(ids[i]);
        if (it == inputs_.end()) continue;
        Callback cb = it->second.cb;
        cb();
        ran = true;
    }
    return ran;
}

void FakeEventSources::ProcessPending(unsigned long milliseconds) {
    ++calls_;
    if (hook_) {
        auto hook = hook_;  // the hook may replace itself
        hook();
    }
    if (!RunReadyInputs()) Advance(milliseconds);
}

}  // namespace qwtest
