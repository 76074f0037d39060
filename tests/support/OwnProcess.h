// A test that needs a process-wide toolkit other than the one this process
// made for earlier tests (another screen size, depth or locale) runs again
// in a new process of this test program, as ctest runs every test.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace qwtest {

// True in a process started by RunCurrentTestInOwnProcess.
bool InOwnProcess();
// Runs the current test alone in a new process of this program; true when
// it passed there. *output gets what it printed.
bool RunCurrentTestInOwnProcess(std::string* output);

}  // namespace qwtest

// For a fixture's SetUp when this process cannot run the test (`why`): the
// test runs in a process of its own and is reported here as skipped when it
// passed there, as failed (with that process's output) when it did not.
#define QW_RUN_IN_OWN_PROCESS(why)                                                         \
  do {                                                                                     \
    const std::string qw_why_ = (why);                                                     \
    if (::qwtest::InOwnProcess()) FAIL() << qw_why_ << ", even in a process of its own";   \
    std::string qw_output_;                                                                \
    if (::qwtest::RunCurrentTestInOwnProcess(&qw_output_))                                 \
      GTEST_SKIP() << qw_why_ << ": passed in a process of its own";                       \
    FAIL() << qw_why_ << ": failed in a process of its own:\n" << qw_output_;              \
  } while (0)
