// Print tests on a session of this process: the toolkit on a private X
// server, a private CUPS server with the suite's queues, the print program on
// PATH, the user's shared folder in a temporary directory and a session
// connected to the loopback host.
#pragma once

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <cups/cups.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "PrivateCups.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/StartOptions.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"

namespace printtest {

class PrintSessionFixture : public ::testing::Test {
 protected:
  // For SetUpTestSuite: the toolkit (once per process) and cupsd with `queues`.
  static void StartToolkitAndCups(const std::vector<TestQueue>& queues) {
    using namespace qwtest::session_toolkit;
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(StartToolkit(0, &error)) << error;
      // An open dialog keeps the master alive when a test ends its last session.
      ASSERT_GE(TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr), 0);
    }
    cups_ = new PrivateCups;
    std::string error;
    ASSERT_TRUE(cups_->Start(queues, &error)) << error;
    setenv("CUPS_SERVER", cups_->Server().c_str(), 1);
    cupsSetServer(nullptr);
  }
  static void TearDownTestSuite() {
    delete cups_;
    cups_ = nullptr;
  }

  // For SetUp: a new session, negotiated with the loopback host.
  void StartSession() {
    using namespace qwtest::session_toolkit;
    ASSERT_NE(ApplicationContext(), nullptr);
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    shared_ = std::make_unique<qwtest::ScopedEnv>("KDVSHARED", home_.Path().c_str());
    const std::string program = QW_LURVEND_BINARY;
    path_ = std::make_unique<qwtest::ScopedEnv>(
        "PATH", (program.substr(0, program.rfind('/')) + ":" + std::getenv("PATH")).c_str());
    ASSERT_TRUE(host_.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host_.Port();
    createSessionUnderThisProcess(o, nullptr, nullptr);
    block_ = NewestSession();
    ASSERT_NE(block_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, HostPump()));
  }
  void TearDown() override {
    using namespace qwtest::session_toolkit;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  static inline PrivateCups* cups_ = nullptr;
  qwtest::TempDir home_;
  std::unique_ptr<qwtest::ScopedEnv> shared_, path_;
  qwtest::TestHost5250 host_;
  SessionControlBlock* block_ = nullptr;
  AppResourceStruct saved_{};
};

}  // namespace printtest
