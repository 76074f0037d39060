#pragma once
// A finished print job: one exact heap block (released with free()) and its
// size. Empty when the job could not be built.
#include <cstdlib>
#include <memory>

struct FreeBytes {
  void operator()(unsigned char* p) const { std::free(p); }
};

struct PrintData {
  std::unique_ptr<unsigned char, FreeBytes> bytes;
  unsigned size = 0;
  explicit operator bool() const { return bytes != nullptr && size > 0; }
  const unsigned char* data() const { return bytes.get(); }
};
