// gtest fixture: qw5250 as a child program on a private Xvfb, with a
// private HOME.
#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/SharedMemoryKeys.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestLocales.h"
#include "tests/support/TestPaths.h"
#include "tests/support/XServerTest.h"

#include <memory>
#include <string>
#include <vector>

namespace qwtest {

class Qw5250ProgramTest : public XServerTest {
 protected:
  // Each test starts with no master record: the record outlives the
  // programs of a test (it remembers the last host typed, for one) and
  // would carry them into the next.
  void SetUp() override {
    RemoveSharedSegment(PrivateMasterRecordKey());
    XServerTest::SetUp();
  }
  void TearDown() override {
    if (qw_) qw_->Stop();
    XServerTest::TearDown();
    RemoveSharedSegment(PrivateMasterRecordKey());
  }

  // Starts qw5250 with `args` on the test server; its environment is `env`
  // followed by DISPLAY, HOME (the private one, unless !withHome) and LANG
  // (lang_).
  ChildProcess& startQw(const std::vector<std::string>& args, std::vector<std::string> env = {},
                        bool withHome = true) {
    std::vector<std::string> argv = {Qw5250Binary()};
    argv.insert(argv.end(), args.begin(), args.end());
    env.push_back("DISPLAY=" + server_.DisplayName());
    if (withHome) env.push_back("HOME=" + home_.Path());
    env.push_back("LANG=" + lang_);
    qw_ = std::make_unique<ChildProcess>();
    EXPECT_TRUE(qw_->Start(argv, ChildProcess::BaseEnvironment(env))) << qw_->Error();
    return *qw_;
  }

  TempDir home_;
  std::string lang_ = "C";
  std::unique_ptr<ChildProcess> qw_;
};

// The same, with LANG from the test's parameter.
template <class Base>
class InLocale : public Base, public ::testing::WithParamInterface<TestLocale> {
 protected:
  InLocale() { this->lang_ = LocaleName(GetParam()); }
};

}  // namespace qwtest
