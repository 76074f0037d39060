// Counts what a client's Xlib connection writes to its X server: each flush
// of the request buffer (a write to the server's socket) and the bytes.
// Benchmarks and tests read it around what they measure.
#pragma once

#include <X11/Xlib.h>

namespace qwtest {

struct XFlushCount {
  unsigned long flushes = 0;
  unsigned long bytes = 0;
};

// Starts counting the flushes of `display` (once per connection; later
// calls only return). False when Xlib refused the hook.
bool CountXFlushes(Display* display);
// What `display` has flushed since CountXFlushes.
XFlushCount XFlushesOf(Display* display);

}  // namespace qwtest
