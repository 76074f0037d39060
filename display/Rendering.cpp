#include "display/Rendering.h"

#include "base/ErrorHalt.h"

namespace {
constexpr unsigned short kModuleRendering = 0x0B19;
}

Rendering::Rendering(unsigned int bufferSize, unsigned int rows, unsigned int columns)
    : bufferSize_(bufferSize) {
  // Not a virtual call: the base body applies while the object is built.
  Rendering::setScreenSize(rows, columns);
  flags_ &= ~0x80000000u;
}

Rendering::~Rendering() = default;

void Rendering::setScreenSize(unsigned int rows, unsigned int columns) {
  const unsigned long long size =
      static_cast<unsigned long long>(rows) * columns + columns;
  if (size > bufferSize_) ErrorHalt(kModuleRendering, 1, rows, columns, bufferSize_);
  rows_ = static_cast<unsigned short>(rows);
  columns_ = static_cast<unsigned short>(columns);
  screenSize_ = static_cast<unsigned int>(size);
}
