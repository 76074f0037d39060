// Deadlines for the bounded waits of the test helpers (monotonic clock).
#pragma once

#include <chrono>
#include <functional>

namespace qwtest {

class Deadline {
 public:
  explicit Deadline(int timeoutMs)
      : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)) {}
  bool Expired() const { return std::chrono::steady_clock::now() >= end_; }
  // Milliseconds left, at least 0 and at most capMs.
  int RemainingMs(int capMs = 1 << 30) const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end_ - std::chrono::steady_clock::now())
                    .count();
    if (left < 0) left = 0;
    return left > capMs ? capMs : static_cast<int>(left);
  }

 private:
  std::chrono::steady_clock::time_point end_;
};

}  // namespace qwtest
