#include "tests/support/TestPaths.h"

#include <cstdlib>

namespace qwtest {

namespace {
std::string EnvOr(const char* name, const char* fallback) {
  const char* v = getenv(name);
  return (v && *v) ? v : fallback;
}
}  // namespace

std::string Qw5250Binary() { return EnvOr("QW5250_BINARY", QW5250_BINARY_DEFAULT); }
std::string TestDataDir() { return EnvOr("QW_TEST_DATA", QW_TEST_DATA_DEFAULT); }

std::string SourceRoot() { return QW_SOURCE_ROOT; }

}  // namespace qwtest
