#include "display/NullRendering.h"

#include <cstdlib>

#include "base/ErrorHalt.h"

void* NullRendering::WsGetBuffer(unsigned int size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) ErrorHalt(0x0B19, 2, size);
  return p;
}

void NullRendering::WsFreeBuffer(void* buffer) { std::free(buffer); }
