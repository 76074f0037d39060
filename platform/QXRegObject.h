#pragma once
// The registry object's record, shared by the registry and profile code.
#include <string>
#include <utility>
#include <vector>

struct QXRegObject {
  std::vector<std::pair<std::string, std::string>> values;  // in file order
};

// True when every '/'-separated component of `path` is a real name: not
// empty, "." or "..". An object name built from it never leaves its area.
bool QXRegNamesOnly(const char* path);
