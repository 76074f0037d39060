#pragma once
// The keyboard translator's type-ahead: a ring of queued keys and the
// buffer that watches its limit.
#include "keyboard/XltState.h"

class FIFOQueue {
 public:
  static constexpr unsigned int kCapacity = 1008;

  void addToQueue(const TaxObj& obj);
  // The oldest key; an empty queue yields the slot under the head and
  // changes nothing.
  TaxObj deleteFromQueue();
  // The iteration cursor: the oldest entry (null when empty), then each
  // newer one (null past the newest).
  const TaxObj* resetEntryPtr();
  const TaxObj* getNextEntryPtr();
  unsigned int numOfEntries() const { return count_; }
  bool queueFull() const { return full_; }
  void clear();

 private:
  static unsigned int incLoc(unsigned int i) { return i + 1 == kCapacity ? 0 : i + 1; }

  TaxObj slots_[kCapacity];
  unsigned int head_ = 0;
  unsigned int tail_ = 0;
  unsigned int cursor_ = 0;
  bool cursorValid_ = false;
  unsigned int count_ = 0;
  bool full_ = false;
};

class TABuffer {
 public:
  static constexpr unsigned int kOverflowInUse = 1u << 26;
  static constexpr unsigned int kDefaultLimit = 1000;

  FIFOQueue& queue() { return queue_; }
  const FIFOQueue& queue() const { return queue_; }
  unsigned int count() const { return queue_.numOfEntries(); }
  bool empty() const { return queue_.numOfEntries() == 0; }
  unsigned int limit() const { return limit_; }
  bool overflowInUse() const { return (flags_ & kOverflowInUse) != 0; }
  void setOverflowInUse(bool on) { flags_ = on ? (flags_ | kOverflowInUse) : (flags_ & ~kOverflowInUse); }
  unsigned int& wasFull() { return wasFull_; }
  // Whether a key other than a shift key is queued.
  bool bfrcont();

 private:
  unsigned int flags_ = 0;
  FIFOQueue queue_;
  unsigned int limit_ = kDefaultLimit;
  unsigned int wasFull_ = 0;
};
