#include "base/BufferMgr.h"

#include <cstdint>
#include <limits>

#include "base/ErrorHalt.h"

namespace {
constexpr unsigned short kModule = 2846;
}

size_t BufferMgr::Needed(size_t n) {
  // The block for n bytes (at least one): the header plus n, rounded up to 8.
  if (n == 0) n = 1;
  return (n + kHeaderSize + 7) & ~static_cast<size_t>(7);
}

BufferMgr::BufferMgr(char* region, size_t size) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(region);
  const uintptr_t aligned = (start + 7) & ~static_cast<uintptr_t>(7);
  const size_t skew = aligned - start;
  size_t usable = size > skew ? (size - skew) & ~static_cast<size_t>(7) : 0;
  if (usable > std::numeric_limits<uint32_t>::max() - 7) usable = (std::numeric_limits<uint32_t>::max() - 7) & ~7u;
  if (region == nullptr || size < 17 || usable < kHeaderSize) ErrorHalt(kModule, 1, size);
  base_ = reinterpret_cast<char*>(aligned);
  size_ = static_cast<uint32_t>(usable);
  Header* head = At(0);
  head->link = 0;
  head->size = size_;
}

void* BufferMgr::GetBuffer(size_t n) {
  if (n > size_) return nullptr;
  const size_t need = Needed(n);
  // The free block keeps at least its own header, so the head block is
  // never handed out.
  for (uint32_t off = 0;; ) {
    Header* h = At(off);
    if (h->size >= need + kHeaderSize) {
      h->size -= static_cast<uint32_t>(need);
      const uint32_t blockOff = off + h->size;
      Header* b = At(blockOff);
      b->link = blockOff;
      b->size = static_cast<uint32_t>(need);
      return base_ + blockOff + kHeaderSize;
    }
    if (h->link == 0) return nullptr;
    off = h->link;
  }
}

size_t BufferMgr::CheckBufferAvail(size_t n) const {
  if (n > size_) return 0;
  const size_t need = Needed(n);
  for (uint32_t off = 0;; ) {
    const Header* h = At(off);
    if (h->size >= need + kHeaderSize) return h->size > 16 ? h->size - 16 : 1;
    if (h->link == 0) return 0;
    off = h->link;
  }
}

void BufferMgr::FreeBuffer(void* p) {
  const uintptr_t addr = reinterpret_cast<uintptr_t>(p);
  const uintptr_t base = reinterpret_cast<uintptr_t>(base_);
  // The header must lie strictly after the head block and inside the region.
  if (addr < base + 2 * kHeaderSize || addr > base + size_ || (addr - base) % 8 != 0)
    ErrorHalt(kModule, 2, addr);
  const uint32_t off = static_cast<uint32_t>(addr - base - kHeaderSize);
  Header* b = At(off);
  if (b->link != off || off < At(0)->size) ErrorHalt(kModule, 2, addr, b->link);
  const uint32_t bsize = b->size;
  if (bsize < kHeaderSize || bsize % 8 != 0) ErrorHalt(kModule, 2, addr, bsize);

  // The last free block below the header, and its successor.
  uint32_t prevOff = 0;
  while (At(prevOff)->link != 0 && At(prevOff)->link < off) prevOff = At(prevOff)->link;
  Header* prev = At(prevOff);
  const uint32_t nextOff = prev->link;

  if (nextOff == 0) {
    if (static_cast<uint64_t>(off) + bsize > size_) ErrorHalt(kModule, 3, addr, bsize);
    b->link = 0;
  } else {
    if (static_cast<uint64_t>(off) + bsize > nextOff) ErrorHalt(kModule, 4, addr, bsize);
    b->link = nextOff;
    if (off + bsize == nextOff) {
      Header* next = At(nextOff);
      b->size += next->size;
      b->link = next->link;
    }
  }
  if (static_cast<uint64_t>(prevOff) + prev->size > off) ErrorHalt(kModule, 5, addr, prev->size);
  prev->link = off;
  if (prevOff + prev->size == off) {
    prev->size += b->size;
    prev->link = b->link;
  }
}

size_t BufferMgr::LargestFreeBlock() const {
  size_t best = 0;
  for (uint32_t off = 0;; ) {
    const Header* h = At(off);
    if (h->size > best) best = h->size;
    if (h->link == 0) return best;
    off = h->link;
  }
}

size_t BufferMgr::FreeBlockCount() const {
  size_t count = 0;
  for (uint32_t off = 0;; ) {
    ++count;
    const Header* h = At(off);
    if (h->link == 0) return count;
    off = h->link;
  }
}
