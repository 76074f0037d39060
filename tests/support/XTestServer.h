// A private Xvfb for a test: the server picks a free display number itself
// (-displayfd), so test programs can run in parallel.
#pragma once

#include "tests/support/ChildProcess.h"

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace qwtest {

class XTestServer {
 public:
  XTestServer() = default;
  ~XTestServer();  // Stop()
  XTestServer(const XTestServer&) = delete;
  XTestServer& operator=(const XTestServer&) = delete;

  // Starts "Xvfb -displayfd N -nolisten tcp -noreset -screen 0 WxHx24" and
  // waits (bounded) until it accepts a connection. False (see Error()) on failure.
  bool Start(int width = 1024, int height = 768, int timeoutMs = 15000);

  // The depth of the next Start (24 unless set).
  void SetDepth(int depth) { depth_ = depth; }

  const std::string& DisplayName() const { return displayName_; }  // ":N"
  int DisplayNumber() const { return displayNumber_; }
  bool Running();
  pid_t Pid() const { return server_.Pid(); }
  const std::string& Error() const { return error_; }

  // Opens a connection that this object owns: closed by Stop(), abandoned
  // (never touched again) by Kill(). Null when the server does not answer.
  Display* Connect();

  // Closes the connections and ends the server with SIGTERM (SIGKILL after a grace time).
  void Stop();
  // Ends the server abruptly with SIGKILL, as a crash would; the
  // connections opened by Connect() are left alone.
  void Kill();

 private:
  ChildProcess server_;
  std::string displayName_;
  int displayNumber_ = -1;
  int depth_ = 24;
  std::vector<Display*> connections_;
  std::string error_;
};

// Xlib's fatal I/O error handler exits the process; a test that kills the
// server under a connection it still uses calls this for that connection, so
// the error is survivable (the connection is then dead and must not be used).
void MakeIOErrorSurvivable(Display* display);

}  // namespace qwtest
