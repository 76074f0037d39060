// gtest fixture: a private Xvfb and one open connection for each test.
#pragma once

// gtest before Xlib: Xlib's None and Bool macros break gtest's headers.
#include <gtest/gtest.h>

#include "tests/support/XTestServer.h"

namespace qwtest {

class XServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    display_ = server_.Connect();
    ASSERT_NE(display_, nullptr) << "cannot connect to " << server_.DisplayName();
  }
  void TearDown() override { server_.Stop(); }

  XTestServer server_;
  Display* display_ = nullptr;
};


}  // namespace qwtest
