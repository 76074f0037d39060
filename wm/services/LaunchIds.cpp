#include "wm/services/LaunchIds.h"

#include <cstring>

namespace {

unsigned char idCounter[8];

}  // namespace

void NewLaunchId(unsigned char id[8]) {
  for (int i = 0; i < 8; ++i)
    if (++idCounter[i] != 0) break;
  std::memcpy(id, idCounter, 8);
}
