// qw5250-demohost: a small TN5250 host on 127.0.0.1 to try QW5250 with.
//
//   qw5250-demohost [port]     (default 2323; 0 lets the system choose)
//
// Prints "port N" on standard output once it listens, then serves every
// connection at once, each in a thread of its own with its own sign-on,
// until it is killed: a sign-on screen, a Main Menu after Enter with a user
// name, F3 back to the sign-on screen. Log lines go to standard error.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#include "tests/demohost/DemoScreens.h"
#include "tests/demohost/HostLink.h"

namespace {

constexpr int kNegotiateMs = 15000;

// Printable ASCII for the log.
std::string Loggable(const std::string& s) {
  std::string out;
  for (char c : s) out += (c >= 0x20 && c < 0x7F) ? c : '?';
  return out;
}

void Serve(int fd) {
  demohost::HostLink link(fd);
  if (!link.Negotiate(kNegotiateMs)) {
    if (link.TerminalTypeRefused())
      std::fprintf(stderr, "qw5250-demohost: terminal type %s is no registered TN5250 display; refused\n",
                   Loggable(link.TerminalType()).c_str());
    std::fprintf(stderr, "qw5250-demohost: negotiation failed; connection closed\n");
    return;
  }
  std::string display = link.Environment("DEVNAME");
  if (display.empty()) display = link.TerminalType();
  std::fprintf(stderr, "qw5250-demohost: client %s negotiated\n", Loggable(link.TerminalType()).c_str());
  demohost::DemoSession session;
  if (!link.SendRecord(session.Start(display))) return;
  std::vector<uint8_t> record;
  while (link.ReadRecord(&record, -1)) {
    const demohost::Bytes answer = session.Answer(record);
    if (session.AnsweredHelp())
      std::fprintf(stderr, "qw5250-demohost: help for operator error %04u\n", session.HelpErrorCode());
    if (answer.empty()) {
      std::fprintf(stderr, "qw5250-demohost: record of %zu bytes not answered\n", record.size());
      continue;
    }
    if (session.OnMainMenu())
      std::fprintf(stderr, "qw5250-demohost: main menu for %s\n", Loggable(session.User()).c_str());
    if (!link.SendRecord(answer)) break;
  }
  std::fprintf(stderr, "qw5250-demohost: connection ended\n");
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  int port = 2323;
  if (argc > 1) {
    char* end = nullptr;
    const long p = std::strtol(argv[1], &end, 10);
    if (!end || *end || p < 0 || p > 65535) {
      std::fprintf(stderr, "usage: %s [port]\n", argv[0]);
      return 2;
    }
    port = static_cast<int>(p);
  }
  int bound = 0;
  const int listener = demohost::ListenLoopback(port, &bound);
  if (listener < 0) {
    std::fprintf(stderr, "qw5250-demohost: cannot listen on 127.0.0.1:%d: %s\n", port, std::strerror(errno));
    return 1;
  }
  std::printf("port %d\n", bound);
  std::fflush(stdout);
  std::fprintf(stderr, "qw5250-demohost: listening on 127.0.0.1:%d\n", bound);
  for (;;) {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE) continue;
      std::fprintf(stderr, "qw5250-demohost: accept: %s\n", std::strerror(errno));
      return 1;
    }
    // A thread per connection: a session waiting on its user never keeps
    // the next one from its sign-on screen.
    try {
      std::thread(Serve, fd).detach();
    } catch (const std::system_error& e) {
      std::fprintf(stderr, "qw5250-demohost: no thread for a new connection: %s\n", e.what());
      close(fd);
    }
  }
}
