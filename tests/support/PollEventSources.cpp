#include "tests/support/PollEventSources.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <vector>

namespace qwtest {

EventSources::Id PollEventSources::AddInput(int fd, Callback onReadable) {
    Id id = next_++;
    inputs_[id] = Input{fd, std::move(onReadable)};
    return id;
}

void PollEventSources::RemoveInput(Id id) { inputs_.erase(id); }

EventSources::Id PollEventSources::AddOutput(int fd, Callback onWritable) {
    Id id = next_++;
    inputs_[id] = Input{fd, std::move(onWritable), POLLOUT};
    return id;
}

EventSources::Id PollEventSources::AddTimeOut(unsigned long milliseconds, Callback onExpiry) {
    Id id = next_++;
    timers_[id] = Timer{NowMilliseconds() + milliseconds, std::move(onExpiry)};
    return id;
}

void PollEventSources::RemoveTimeOut(Id id) { timers_.erase(id); }

uint64_t PollEventSources::NowMilliseconds() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void PollEventSources::ProcessPending(unsigned long milliseconds) {
    uint64_t now = NowMilliseconds();
    uint64_t wait = milliseconds;
    for (const auto& t : timers_) {
        uint64_t left = t.second.due > now ? t.second.due - now : 0;
        if (left < wait) wait = left;
    }
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    for (const auto& in : inputs_) {
        fds.push_back(pollfd{in.second.fd, in.second.events, 0});
        ids.push_back(in.first);
    }
    int ready = poll(fds.data(), fds.size(), static_cast<int>(wait));
    if (ready > 0) {
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & (fds[i].events | POLLHUP | POLLERR | POLLNVAL))) continue;
            auto it = inputs_.find(ids[i]);  // an earlier callback may have removed it
            if (it == inputs_.end()) continue;
            Callback cb = it->second.cb;
            cb();
        }
    }
    now = NowMilliseconds();
    std::vector<Id> due;
    for (const auto& t : timers_)
        if (t.second.due <= now) due.push_back(t.first);
    for (Id id : due) {
        auto it = timers_.find(id);
        if (it == timers_.end()) continue;
        Callback cb = std::move(it->second.cb);
        timers_.erase(it);
        cb();
    }
}

}  // namespace qwtest
