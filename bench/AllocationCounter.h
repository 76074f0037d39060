// Counts every heap allocation of the benchmark program: include it in the
// one source file of a benchmark, which then reads HeapAllocations() before
// and after the work it measures.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench_alloc {
inline std::atomic<unsigned long> g_count{0};
}  // namespace bench_alloc

inline unsigned long HeapAllocations() { return bench_alloc::g_count.load(std::memory_order_relaxed); }

void* operator new(std::size_t n) {
  bench_alloc::g_count.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  bench_alloc::g_count.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
