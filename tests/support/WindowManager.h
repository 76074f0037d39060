// A reparenting window manager (twm) on a test server.
#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

#include <X11/Xlib.h>

#include <string>

namespace qwtest {

class TestWindowManager {
 public:
  // Starts twm on the display with a private configuration (windows are
  // placed without asking the user, title bars on) and waits (bounded)
  // until it has taken over the root window.
  bool Start(Display* display, const std::string& displayName, int timeoutMs = 10000);
  void Stop() { wm_.Stop(3000); }
  ChildProcess& Process() { return wm_; }
  const std::string& Error() const { return error_; }

 private:
  TempDir home_;
  ChildProcess wm_;
  std::string error_;
};

}  // namespace qwtest
