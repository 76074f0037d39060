#include "xfront/RenderingX.h"

#include <cstdlib>

#include "session/base/LocalMalloc.h"

RenderingX::RenderingX(unsigned int rows, unsigned int columns, SessionControlBlock* session, char* area, unsigned int)
    : Rendering(kBufferSize, rows, columns), session_(session), area_(area) {}

RenderingX::~RenderingX() { std::free(area_); }

void RenderingX::getCopiedData(CopiedDataInformation*, unsigned int) {}

unsigned char* RenderingX::getScreenWorkBuffer() {
  screenWork_.assign(kBufferSize, 0);
  return screenWork_.data();
}

const unsigned char* RenderingX::saveDeviceData(unsigned int& length) {
  length = 0;
  return nullptr;
}

const unsigned char* RenderingX::saveImage(unsigned int& length) {
  length = 0;
  return nullptr;
}

void* RenderingX::WsGetBuffer(unsigned int size) {
  // Never null: an exhausted memory ends the master.
  return LocalMalloc("WsGetBuffer", size ? size : 1, MallocFailExitMaster);
}

void RenderingX::WsFreeBuffer(void* buffer) { std::free(buffer); }
