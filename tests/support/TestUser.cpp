#include "tests/support/TestUser.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace qwtest {

namespace {

// Runs a shell command line, retrying while another process holds the
// account files' lock (useradd and chpasswd refuse rather than wait).
bool RunWithRetry(const std::string& command, const std::string& input, std::string* error) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int status = -1;
  do {
    FILE* p = popen((command + " 2>&1 >/dev/null").c_str(), input.empty() ? "r" : "w");
    if (!p) break;
    if (!input.empty()) std::fputs(input.c_str(), p);
    status = pclose(p);
    if (status == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the lock holder's turn
  } while (std::chrono::steady_clock::now() < deadline);
  *error = command + " failed with status " + std::to_string(status);
  return false;
}

}  // namespace

TestUser::TestUser(const std::string& password) : password_(password) {
  static std::atomic<int> counter{0};
  char name[32];
  std::snprintf(name, sizeof name, "qwt%x%x", static_cast<unsigned>(getpid()), counter++);
  name_ = name;
  if (!RunWithRetry("useradd -M -s /bin/false " + name_, "", &error_)) return;
  ok_ = RunWithRetry("chpasswd", name_ + ":" + password_ + "\n", &error_);
}

TestUser::~TestUser() {
  std::string ignored;
  RunWithRetry("userdel -f " + name_ + " || ! id " + name_, "", &ignored);
}

}  // namespace qwtest
