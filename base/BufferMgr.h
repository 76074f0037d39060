#pragma once
#include <cstddef>
#include <cstdint>

// A first-fit block allocator over a region that its owner supplies and
// keeps. Blocks are carved from the end of the first free block that fits;
// free blocks stay in address order and merge with their neighbours.
// Block headers hold offsets from the region start, never addresses, and
// every block is a multiple of 8 bytes, so headers stay aligned.
class BufferMgr {
 public:
  BufferMgr(char* region, size_t size);

  void* GetBuffer(size_t n);
  void FreeBuffer(void* p);
  // Non-zero when GetBuffer(n) would succeed: the fitting block's size less 16.
  size_t CheckBufferAvail(size_t n) const;

  // The size of the largest free block, headers included (for measurements).
  size_t LargestFreeBlock() const;
  size_t FreeBlockCount() const;

  static constexpr size_t kHeaderSize = 8;

 private:
  struct Header {
    uint32_t link;  // free: offset of the next free block (0 = none); used: own offset
    uint32_t size;  // block size including the header
  };
  static_assert(sizeof(Header) == kHeaderSize, "block header must be two 32-bit words");

  Header* At(uint32_t offset) const { return reinterpret_cast<Header*>(base_ + offset); }
  static size_t Needed(size_t n);

  char* base_;     // region start, aligned to 8
  uint32_t size_;  // usable size from base_
};
