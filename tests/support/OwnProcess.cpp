#include "tests/support/OwnProcess.h"

#include <cstdlib>
#include <vector>

#include "tests/support/ChildProcess.h"

extern char** environ;

namespace qwtest {

namespace {
constexpr char kOwnProcessVariable[] = "QW_TEST_OWN_PROCESS";
constexpr int kTestTimeoutMs = 170000;
}  // namespace

bool InOwnProcess() { return std::getenv(kOwnProcessVariable) != nullptr; }

bool RunCurrentTestInOwnProcess(std::string* output) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!test) return false;
  const std::string name = std::string(test->test_suite_name()) + "." + test->name();
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.push_back(std::string(kOwnProcessVariable) + "=1");
  ChildProcess child;
  if (!child.Start({"/proc/self/exe", "--gtest_filter=" + name}, env)) {
    *output = child.Error();
    return false;
  }
  const bool ended = child.WaitExit(kTestTimeoutMs);
  if (!ended) child.Stop();
  *output = child.Output();
  return ended && child.ExitedNormally() && child.ExitCode() == 0 &&
         output->find("[  PASSED  ] 1 test.") != std::string::npos;
}

}  // namespace qwtest
