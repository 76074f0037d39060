#pragma once
// Helpers for the start-up tests: environment variables set for one test,
// the log lines written meanwhile, and argument vectors.
#include <cstdlib>
#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "tests/support/ScopedEnv.h"

namespace startuptest {

using qwtest::ScopedEnv;

// Collects the finished log lines while it exists.
class LogCapture {
 public:
  LogCapture() {
    Lines().clear();
    SetLogSyslogFunction(&LogCapture::Collect);
  }
  ~LogCapture() { SetLogSyslogFunction(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  const std::vector<std::string>& lines() const { return Lines(); }
  // The number of lines that contain text.
  int Count(const std::string& text) const {
    int n = 0;
    for (const std::string& l : Lines())
      if (l.find(text) != std::string::npos) ++n;
    return n;
  }
  std::string All() const {
    std::string all;
    for (const std::string& l : Lines()) all += l;
    return all;
  }

 private:
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static void Collect(int, const char* line) { Lines().push_back(line); }
};

// An argument vector "qw5250" + args with stable storage.
class Args {
 public:
  Args(std::initializer_list<const char*> args) : Args(std::vector<std::string>(args.begin(), args.end())) {}
  explicit Args(const std::vector<std::string>& args) : storage_{"qw5250"} {
    storage_.insert(storage_.end(), args.begin(), args.end());
    for (std::string& s : storage_) pointers_.push_back(&s[0]);
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(storage_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> storage_;
  std::vector<char*> pointers_;
};

}  // namespace startuptest
