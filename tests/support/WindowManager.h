// A reparenting window manager on a test server: twm, or openbox with
// Debian's default configuration.
#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

#include <X11/Xlib.h>

#include <string>

namespace qwtest {

class TestWindowManager {
 public:
  enum class Kind { Twm, Openbox };
  explicit TestWindowManager(Kind kind = Kind::Twm) : kind_(kind) {}

  // Starts the window manager on the display and waits (bounded) until it
  // has taken over the root window. twm gets a private configuration
  // (windows are placed without asking the user, title bars on); openbox
  // runs "--config-file /etc/xdg/openbox/rc.xml" with a private HOME.
  bool Start(Display* display, const std::string& displayName, int timeoutMs = 10000);
  void Stop() { wm_.Stop(3000); }
  ChildProcess& Process() { return wm_; }
  const std::string& Error() const { return error_; }

 private:
  Kind kind_;
  TempDir home_;
  ChildProcess wm_;
  std::string error_;
};

}  // namespace qwtest
