#pragma once
// The registry object's record, shared by the registry and profile code.
#include <string>
#include <utility>
#include <vector>

struct QXRegObject {
  std::vector<std::pair<std::string, std::string>> values;  // in file order
};
