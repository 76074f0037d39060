#pragma once
// Helpers for the start-up tests: environment variables set for one test,
// the log lines written meanwhile, and argument vectors.
#include <cstdlib>
#include <string>
#include <vector>

#include "session/base/LogMsg.h"

namespace startuptest {

// Sets (or, with null, unsets) an environment variable until destroyed.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_)
      setenv(name_.c_str(), old_.c_str(), 1);
    else
      unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_;
  std::string old_;
};

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
