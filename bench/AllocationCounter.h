// Counts every heap allocation of the benchmark program: include it in the
// one source file of a benchmark, which then reads HeapAllocations() before
// and after the work it measures. ThreadHeapAllocations() counts those of
// the calling thread alone; with BENCH_COUNT_MALLOC defined before the
// include, and no sanitizer in the program, it counts malloc, calloc and
// realloc as well (the C libraries' allocations, X's included).
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define BENCH_SANITIZED_HEAP 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BENCH_SANITIZED_HEAP 1
#endif
#if defined(BENCH_COUNT_MALLOC) && !defined(BENCH_SANITIZED_HEAP)
#define BENCH_MALLOC_COUNTED 1
#endif

namespace bench_alloc {
inline std::atomic<unsigned long> g_count{0};
// Per thread: operator new calls, and C library allocations when counted.
static __thread unsigned long t_new __attribute__((tls_model("initial-exec"))) = 0;
static __thread unsigned long t_malloc __attribute__((tls_model("initial-exec"))) = 0;
}  // namespace bench_alloc

inline unsigned long HeapAllocations() { return bench_alloc::g_count.load(std::memory_order_relaxed); }

// Whether ThreadHeapAllocations() sees the C library's allocations too.
inline bool ThreadHeapAllocationsCounted() {
#ifdef BENCH_MALLOC_COUNTED
  return true;
#else
  return false;
#endif
}

inline unsigned long ThreadHeapAllocations() {
#ifdef BENCH_MALLOC_COUNTED
  return bench_alloc::t_malloc;
#else
  return bench_alloc::t_new;
#endif
}

#ifdef BENCH_MALLOC_COUNTED
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t n) {
  ++bench_alloc::t_malloc;
  return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
  ++bench_alloc::t_malloc;
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
  ++bench_alloc::t_malloc;
  return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
}
#endif

void* operator new(std::size_t n) {
  bench_alloc::g_count.fetch_add(1, std::memory_order_relaxed);
  ++bench_alloc::t_new;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  bench_alloc::g_count.fetch_add(1, std::memory_order_relaxed);
  ++bench_alloc::t_new;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
