// What a shell command prints on its standard output.
#pragma once

#include <cstdio>
#include <string>

namespace qwtest {

inline std::string CommandOutput(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

}  // namespace qwtest
