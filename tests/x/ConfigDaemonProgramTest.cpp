// qw5250 on the terminal (PRODUCT_TYPE=QAV): the master asks the
// configuration daemon to mount the shared directory before it goes on, and
// ends at once when no daemon answers.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "tests/support/FakeConfigDaemon.h"
#include "tests/support/Qw5250ProgramTest.h"

#include <chrono>
#include <string>

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;

using ConfigDaemonProgramTest = Qw5250ProgramTest;

TEST_F(ConfigDaemonProgramTest, MasterMountsThroughTheDaemon) {
  FakeConfigDaemon daemon;
  ASSERT_TRUE(daemon.Start());
  daemon.SetReply(FakeConfigDaemon::Reply({"MESSAGETYPE", "0000000E", "RETURNCODE", "0"}));
  startQw({"-debug"}, {"PRODUCT_TYPE=QAV", "IPADDRESS=" + FakeConfigDaemon::PrivateAddress()});
  ASSERT_TRUE(qw_->WaitForOutput("After kdvmountAPI().", kWaitMs)) << qw_->Output();
  EXPECT_EQ(daemon.Requests().size(), 1u);
  EXPECT_NE(daemon.Requests()[0].find("KDVMOUNT"), std::string::npos);
  EXPECT_TRUE(qw_->Running());
  qw_->Stop();
}

TEST_F(ConfigDaemonProgramTest, WithoutADaemonTheMasterEndsWithinTheTimeLimit) {
  for (const char* reply : {"none", "refusal"}) {
    SCOPED_TRACE(reply);
    FakeConfigDaemon daemon;
    if (std::string(reply) == "refusal") {
      ASSERT_TRUE(daemon.Start());
      daemon.SetReply(FakeConfigDaemon::Reply({"RETURNCODE", "3"}));
    }
    const auto start = std::chrono::steady_clock::now();
    startQw({}, {"PRODUCT_TYPE=QAV", "IPADDRESS=" + FakeConfigDaemon::PrivateAddress()});
    ASSERT_TRUE(qw_->WaitExit(kWaitMs)) << qw_->Output();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(qw_->ExitCode(), 255) << qw_->Output();
    const std::string rc = std::string(reply) == "none" ? "-1" : "3";
    EXPECT_NE(qw_->Output().find("QWC0201: kdvmountAPI failed. rc = " + rc + ".  Exiting..."), std::string::npos)
        << qw_->Output();
  }
}

}  // namespace
}  // namespace qwtest
