// Small file helpers for tests: a whole file as text (empty when it cannot be
// read) and an executable shell script.
#pragma once

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

namespace qwtest {

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteShellScript(const std::string& path, const std::string& body) {
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  chmod(path.c_str(), 0755);
}

}  // namespace qwtest
