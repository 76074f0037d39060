// Collects the lines LogMsg writes while alive (header only: the programs
// that use it link the logging library themselves).
#pragma once

#include <string>
#include <vector>

#include "base/LogMsg.h"

namespace qwtest {

class LogCapture {
 public:
  LogCapture() {
    Store().clear();
    SetLogSyslogFunction(&LogCapture::collect);
  }
  ~LogCapture() { SetLogSyslogFunction(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  const std::vector<std::string>& Lines() const { return Store(); }
  // True when some line contains the text.
  bool Contains(const std::string& text) const {
    for (const auto& l : Lines())
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
  int Count(const std::string& text) const {
    int n = 0;
    for (const auto& l : Lines())
      if (l.find(text) != std::string::npos) ++n;
    return n;
  }
  void Clear() { Store().clear(); }

 private:
  static std::vector<std::string>& Store() {
    static std::vector<std::string> lines;
    return lines;
  }
  static void collect(int, const char* line) { Store().push_back(line ? line : ""); }
};

}  // namespace qwtest
