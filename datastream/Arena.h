#pragma once
// The allocator of a session's data-stream machines: a pool that its owner
// provides, carved into blocks that each begin with an 8-byte head (byte 0
// in use, bytes 1-2 the distance back to the previous head, bytes 3-4 the
// body size, both big-endian). Machines of one command are freed one by one
// as their orders end and all at once when the command ends.
#include <cstddef>
#include <new>

class Arena {
 public:
  static constexpr unsigned int kHead = 8;
  // Bodies are multiples of this and start on it: every machine's alignment.
  static constexpr unsigned int kAlign = 8;
  static constexpr unsigned int kMaxBody = 0xFFFF - kHead;

  static constexpr unsigned int roundUp(std::size_t n) {
    return static_cast<unsigned int>((n + kAlign - 1) / kAlign * kAlign);
  }
  // The pool bytes that one block of n bytes takes.
  static constexpr unsigned int blockBytes(std::size_t n) { return kHead + roundUp(n); }

  // `pool` must be aligned to kAlign and hold kHead + a body of a multiple
  // of kAlign, at most kMaxBody.
  Arena(unsigned char* pool, unsigned int poolBytes);
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // The smallest free block from the roving pointer on that holds n bytes;
  // null when none does.
  void* alloc(std::size_t n);
  // Frees a body that alloc returned; anything else is ignored (logged).
  void aFree(void* body);
  // One free block over the whole pool.
  void resetArena();

  bool isEmpty() const;
  unsigned int bodyBytes() const { return poolBytes_ - kHead; }
  unsigned int highWater() const { return highWater_; }
  unsigned int blockCount() const;

 private:
  unsigned int size(unsigned int head) const;
  unsigned int back(unsigned int head) const;
  bool inUse(unsigned int head) const { return pool_[head] != 0; }
  void setSize(unsigned int head, unsigned int n);
  void setBack(unsigned int head, unsigned int n);
  unsigned int next(unsigned int head) const { return head + kHead + size(head); }
  bool isHead(unsigned int head) const;

  unsigned char* pool_;
  unsigned int poolBytes_;
  unsigned int rover_ = 0;
  unsigned int highWater_ = 0;
};

// Machines are built in the session's arena: `new (arena) WTD(...)` gives
// null when the arena is full, and the caller rejects the record.
void* operator new(std::size_t size, Arena* arena) noexcept;
void operator delete(void* body, Arena* arena) noexcept;
