#include "keyboard/TypeAheadQueue.h"

void FIFOQueue::addToQueue(const TaxObj& obj) {
  if (full_) return;
  slots_[tail_] = obj;
  tail_ = incLoc(tail_);
  ++count_;
  full_ = tail_ == head_;
}

TaxObj FIFOQueue::deleteFromQueue() {
  const TaxObj obj = slots_[head_];
  if (count_ == 0) return obj;
  head_ = incLoc(head_);
  --count_;
  full_ = false;
  return obj;
}

const TaxObj* FIFOQueue::resetEntryPtr() {
  cursor_ = head_;
  cursorValid_ = count_ != 0;
  return cursorValid_ ? &slots_[cursor_] : nullptr;
}

const TaxObj* FIFOQueue::getNextEntryPtr() {
  if (!cursorValid_) return nullptr;
  cursor_ = incLoc(cursor_);
  if (cursor_ == tail_) {
    cursorValid_ = false;
    return nullptr;
  }
  return &slots_[cursor_];
}

void FIFOQueue::clear() {
  head_ = tail_ = cursor_ = 0;
  cursorValid_ = false;
  count_ = 0;
  full_ = false;
}

bool TABuffer::bfrcont() {
  for (const TaxObj* o = queue_.resetEntryPtr(); o; o = queue_.getNextEntryPtr())
    if (o->word.category != 32 && o->word.category != 33) return true;
  return false;
}
