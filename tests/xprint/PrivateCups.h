#pragma once
// A private CUPS scheduler for print tests: its own configuration and spool
// folders, listening on a free loopback port only, with queues whose device
// is a file (each queue's PPD passes jobs through unchanged). The test
// process and its children reach it through CUPS_SERVER.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace printtest {

struct TestQueue {
  std::string name;
  std::string makeAndModel;  // "... PCL ...", "... PostScript ...", or text
  std::string info;
  bool isDefault = false;
};

class PrivateCups {
 public:
  PrivateCups() = default;
  ~PrivateCups();
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;

  // Starts cupsd and waits until it answers; false with *error.
  bool Start(const std::vector<TestQueue>& queues, std::string* error);
  void Stop();
  // "127.0.0.1:<port>".
  std::string Server() const;
  // The file a queue prints into.
  std::string OutputOf(const std::string& queue) const;
  // Waits until `count` jobs of the queue are completed (or one was
  // stopped or aborted: false).
  bool WaitForCompletedJobs(const std::string& queue, int count, int timeoutMs = 20000) const;
  // Jobs of the queue completed so far.
  int CompletedJobs(const std::string& queue) const;
  // Jobs of the queue that are not completed.
  int PendingJobs(const std::string& queue) const;
  std::string ErrorLog() const;

 private:
  std::unique_ptr<qwtest::TempDir> dir_;
  std::string root_;
  int port_ = 0;
  qwtest::ChildProcess cupsd_;
  bool started_ = false;
};

// The whole of a file ("" when missing).
std::string ReadWholeFile(const std::string& path);

}  // namespace printtest
