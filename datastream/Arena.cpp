#include "datastream/Arena.h"

#include "base/LogMsg.h"

Arena::Arena(unsigned char* pool, unsigned int poolBytes) : pool_(pool), poolBytes_(poolBytes) {
  resetArena();
}

unsigned int Arena::size(unsigned int head) const {
  return (static_cast<unsigned int>(pool_[head + 3]) << 8) | pool_[head + 4];
}

unsigned int Arena::back(unsigned int head) const {
  return (static_cast<unsigned int>(pool_[head + 1]) << 8) | pool_[head + 2];
}

void Arena::setSize(unsigned int head, unsigned int n) {
  pool_[head + 3] = static_cast<unsigned char>(n >> 8);
  pool_[head + 4] = static_cast<unsigned char>(n);
}

void Arena::setBack(unsigned int head, unsigned int n) {
  pool_[head + 1] = static_cast<unsigned char>(n >> 8);
  pool_[head + 2] = static_cast<unsigned char>(n);
}

void Arena::resetArena() {
  for (unsigned int i = 0; i < kHead; ++i) pool_[i] = 0;
  setSize(0, poolBytes_ - kHead);
  rover_ = 0;
}

void* Arena::alloc(std::size_t n) {
  if (n > kMaxBody) return nullptr;
  const unsigned int want = roundUp(n ? n : 1);
  unsigned int best = poolBytes_;
  for (unsigned int h = rover_; h < poolBytes_; h = next(h)) {
    if (!inUse(h) && size(h) >= want && (best == poolBytes_ || size(h) < size(best))) best = h;
  }
  if (best == poolBytes_) return nullptr;
  const unsigned int body = size(best);
  if (body >= want + kHead) {
    // Split: the rest becomes a free block after this one.
    const unsigned int rest = best + kHead + want;
    pool_[rest] = 0;
    setBack(rest, want + kHead);
    setSize(rest, body - want - kHead);
    pool_[rest + 5] = pool_[rest + 6] = pool_[rest + 7] = 0;
    setSize(best, want);
    const unsigned int after = next(rest);
    if (after < poolBytes_) setBack(after, next(rest) - rest);
  }
  pool_[best] = 1;
  while (rover_ < poolBytes_ && inUse(rover_)) rover_ = next(rover_);
  if (next(best) > highWater_) highWater_ = next(best);
  return pool_ + best + kHead;
}

bool Arena::isHead(unsigned int head) const {
  for (unsigned int h = 0; h < poolBytes_; h = next(h))
    if (h == head) return true;
  return false;
}

void Arena::aFree(void* body) {
  unsigned char* p = static_cast<unsigned char*>(body);
  if (!p || p < pool_ + kHead || p >= pool_ + poolBytes_ ||
      !isHead(static_cast<unsigned int>(p - pool_) - kHead) || !inUse(static_cast<unsigned int>(p - pool_) - kHead)) {
    LogMsg(LevelError, "QWC0700 data-stream arena: free of a block it does not hold ignored\n");
    return;
  }
  unsigned int h = static_cast<unsigned int>(p - pool_) - kHead;
  pool_[h] = 0;
  if (h < rover_) rover_ = h;
  // Merge the following free block into this one.
  const unsigned int n = next(h);
  if (n < poolBytes_ && !inUse(n)) {
    setSize(h, size(h) + kHead + size(n));
    const unsigned int after = next(h);
    if (after < poolBytes_) setBack(after, after - h);
  }
  // Merge this one into a free block before it.
  if (h != 0) {
    const unsigned int prev = h - back(h);
    if (!inUse(prev)) {
      setSize(prev, size(prev) + kHead + size(h));
      const unsigned int after = next(prev);
      if (after < poolBytes_) setBack(after, after - prev);
      if (rover_ == h) rover_ = prev;
    }
  }
}

bool Arena::isEmpty() const { return !inUse(0) && size(0) == poolBytes_ - kHead; }

unsigned int Arena::blockCount() const {
  unsigned int count = 0;
  for (unsigned int h = 0; h < poolBytes_; h = next(h)) ++count;
  return count;
}

void* operator new(std::size_t size, Arena* arena) noexcept {
  return arena ? arena->alloc(size) : nullptr;
}

void operator delete(void* body, Arena* arena) noexcept {
  if (arena) arena->aFree(body);
}
