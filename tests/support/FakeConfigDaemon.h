// A stand-in for the terminal's configuration daemon: listens on a loopback
// address of the test process's own at port 6979, reads one request and
// answers each connection with the bytes it was given, then closes.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qwtest {

class FakeConfigDaemon {
 public:
  FakeConfigDaemon() = default;
  ~FakeConfigDaemon();  // Stop()
  FakeConfigDaemon(const FakeConfigDaemon&) = delete;
  FakeConfigDaemon& operator=(const FakeConfigDaemon&) = delete;

  // A 127.x.y.z address derived from the process id, so that tests running
  // side by side each have their own daemon on the fixed port.
  static std::string PrivateAddress();

  // Listens on PrivateAddress():6979; false when it cannot.
  bool Start();
  void Stop();

  // What each connection gets after its request: these bytes, then the
  // connection closes (or, with holdOpen, stays open until Stop()).
  void SetReply(const std::vector<unsigned char>& bytes, bool holdOpen = false);

  // A reply of the daemon's form: 32-byte header, then the strings.
  static std::vector<unsigned char> Reply(const std::vector<std::string>& strings);

  // The bytes of the requests received so far, one per connection.
  std::vector<std::string> Requests();

 private:
  void serve();

  int listenFd_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<unsigned char> reply_;
  bool holdOpen_ = false;
  std::vector<std::string> requests_;
};

}  // namespace qwtest
