#include "tests/support/XTestServer.h"

#include "tests/support/TestClock.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qwtest {

XTestServer::~XTestServer() { Stop(); }

bool XTestServer::Start(int width, int height, int timeoutMs) {
  if (displayNumber_ >= 0) {
    error_ = "already started";
    return false;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error_ = std::string("pipe: ") + strerror(errno);
    return false;
  }
  ChildProcess::Options o;
  o.argv = {
      "Xvfb",      "-displayfd", std::to_string(fds[1]),
      "-nolisten", "tcp",        "-noreset",
      "-screen",   "0",          std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth_)};
  o.env = ChildProcess::BaseEnvironment();
  o.inheritFds = {fds[1]};
  if (!server_.Start(o)) {
    error_ = server_.Error();
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  close(fds[1]);

  // The server writes its display number and a newline once it is ready.
  std::string number;
  Deadline deadline(timeoutMs);
  bool done = false;
  while (!done && !deadline.Expired()) {
    struct pollfd p = {fds[0], POLLIN, 0};
    server_.Pump();  // keep its stderr from filling the pipe
    int r = poll(&p, 1, deadline.RemainingMs(200));
    if (r <= 0) continue;
    char c;
    ssize_t n = read(fds[0], &c, 1);
    if (n == 1) {
      if (c == '\n')
        done = true;
      else if (c >= '0' && c <= '9')
        number += c;
    } else if (n == 0) {
      break;  // server gone before reporting
    }
  }
  close(fds[0]);
  if (!done || number.empty()) {
    server_.Pump();
    error_ = "Xvfb did not report a display: " + server_.Stderr();
    server_.Stop(2000);
    return false;
  }
  displayNumber_ = std::atoi(number.c_str());
  displayName_ = ":" + number;

  // Wait until it answers a connection.
  while (true) {
    if (Display* d = XOpenDisplay(displayName_.c_str())) {
      XCloseDisplay(d);
      return true;
    }
    if (deadline.Expired() || !server_.Running()) break;
    poll(nullptr, 0, deadline.RemainingMs(20));
  }
  error_ = "Xvfb on " + displayName_ + " does not answer";
  server_.Stop(2000);
  displayNumber_ = -1;
  return false;
}

bool XTestServer::Running() { return server_.Running(); }

Display* XTestServer::Connect() {
  if (displayNumber_ < 0) return nullptr;
  Display* d = XOpenDisplay(displayName_.c_str());
  if (d) connections_.push_back(d);
  return d;
}

void XTestServer::Stop() {
  if (server_.Running()) {
    for (Display* d : connections_) XCloseDisplay(d);
  }
  connections_.clear();
  server_.Stop(5000);
  displayNumber_ = -1;
}

void XTestServer::Kill() {
  // The connections are abandoned with the server; kept reachable here so
  // the leak checker does not count them.
  static std::vector<Display*>* abandoned = new std::vector<Display*>;
  abandoned->insert(abandoned->end(), connections_.begin(), connections_.end());
  connections_.clear();
  if (server_.Running()) {
    server_.Signal(SIGKILL);
    server_.WaitExit(10000);
  }
  displayNumber_ = -1;
}

namespace {
int survivableIOError(Display*) { return 0; }
void survivableIOExit(Display*, void*) {
  // Returning marks the connection dead instead of exiting the process.
}
}  // namespace

void MakeIOErrorSurvivable(Display* display) {
  XSetIOErrorHandler(survivableIOError);
  XSetIOErrorExitHandler(display, survivableIOExit, nullptr);
}

}  // namespace qwtest
