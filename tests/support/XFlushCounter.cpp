#include "tests/support/XFlushCounter.h"

#include <map>

#include <X11/Xlibint.h>  // the connection's request buffer
#undef min
#undef max

namespace qwtest {

namespace {

std::map<Display*, XFlushCount>& Counts() {
  static std::map<Display*, XFlushCount> counts;
  return counts;
}

// Xlib calls it for each piece of one write: its request buffer, then the
// data of a large request and that data's padding (1 to 3 bytes). A write
// starts with the buffer, or, when the buffer is empty, with the data.
void BeforeFlush(Display* display, XExtCodes*, const char* data, long length) {
  if (length <= 0) return;
  XFlushCount& c = Counts()[display];
  const bool bufferEmpty = display->bufptr == display->buffer;
  if (data == display->buffer || (bufferEmpty && length >= 4)) ++c.flushes;
  c.bytes += static_cast<unsigned long>(length);
}

}  // namespace

bool CountXFlushes(Display* display) {
  if (!display) return false;
  if (Counts().count(display)) return true;
  XExtCodes* codes = XAddExtension(display);
  if (!codes) return false;
  XESetBeforeFlush(display, codes->extension, BeforeFlush);
  Counts()[display] = XFlushCount{};
  return true;
}

XFlushCount XFlushesOf(Display* display) {
  auto it = Counts().find(display);
  return it == Counts().end() ? XFlushCount{} : it->second;
}

}  // namespace qwtest
