#include "base/CurrentTime.h"

#include <ctime>

unsigned long GetCurrentTime() {
  static long baseSeconds = -1;
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
  if (baseSeconds < 0) baseSeconds = static_cast<long>(now.tv_sec) - 20;
  const long seconds = static_cast<long>(now.tv_sec) - baseSeconds;
  return static_cast<unsigned long>(seconds) * 10 +
         static_cast<unsigned long>(now.tv_nsec / 100000000L);
}
