// The message layer without a window: handlers, fatal messages and the
// string helpers, with hostile and over-long texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xfront/XuMessages.h"

namespace {

std::vector<std::string>& Seen() {
  static std::vector<std::string> seen;
  return seen;
}
void Collect(const char* text) { Seen().push_back(std::string("E:") + text); }
void CollectWarning(const char* text) { Seen().push_back(std::string("W:") + text); }
void CollectPrint(const char* text) { Seen().push_back(std::string("P:") + text); }
int gHookNumber = 0;
int KeepRunning(int number) {
  gHookNumber = number;
  return 0;
}

class XuMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    XuReset();
    Seen().clear();
    gHookNumber = 0;
    XuSetErrorHandler(Collect);
    XuSetWarningHandler(CollectWarning);
    XuSetPrintHandler(CollectPrint);
  }
  void TearDown() override { XuReset(); }
};

TEST_F(XuMessagesTest, MessagesGoToTheirHandlers) {
  struct Case {
    unsigned code;
    const char* expect;
  } cases[] = {
      {0x00001, "E:number 1 host h"},
      {0x20002, "W:number 2 host h"},
      {0x10003, "E:number 3 host h"},  // bit 0x10000 is not part of the number
  };
  for (const Case& c : cases) {
    Seen().clear();
    XuError(c.code, "number %u host %s", c.code & 0xFFFFu, "h");
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0], c.expect);
  }
  Seen().clear();
  XuError(0, "nothing %s", "at all");
  EXPECT_TRUE(Seen().empty());
}

TEST_F(XuMessagesTest, AFatalMessageWhoseHookReturnsZeroKeepsTheProgramRunning) {
  XuSetFatalHook(KeepRunning);
  XuError(0x40000 | 77, "fatal %d", 77);
  EXPECT_EQ(gHookNumber, 77);
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_EQ(Seen()[0], "P:fatal 77");
  XuFatalError("the end\n");
  EXPECT_EQ(gHookNumber, -1);
}

TEST_F(XuMessagesTest, AFatalMessageWithoutHookEndsWithItsNumber) {
  EXPECT_EXIT(XuError(0x40000 | 9, "bye %s", "now"), ::testing::ExitedWithCode(9), "");
  EXPECT_EXIT(XuFatalError("bye"), ::testing::ExitedWithCode(255), "");
}

TEST_F(XuMessagesTest, ArgumentTextIsNeverAFormat) {
  const std::string hostile = "%s%s%n%x %999999999d";
  XuError(5, "value '%s'", hostile.c_str());
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_EQ(Seen()[0], "E:value '" + hostile + "'");
  // Over-long arguments are cut at the message size.
  Seen().clear();
  const std::string huge(100000, 'x');
  XuError(6, "%s", huge.c_str());
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_EQ(Seen()[0].size(), 2 + kXuMessageMax - 1);
  // The system-error form stays below the limit and ends with a line feed when cut.
  Seen().clear();
  errno = ENOENT;
  XuSysError(7, "%s", huge.c_str());
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_LT(Seen()[0].size() - 2, kXuMessageMax);
  EXPECT_EQ(Seen()[0].back(), '\n');
  Seen().clear();
  errno = ENOENT;
  XuSysError(7, "open %s", "f");
  EXPECT_EQ(Seen()[0], std::string("E:open f: ") + std::strerror(ENOENT));
}

TEST_F(XuMessagesTest, StringHelpers) {
  char* copy = XuStrCpy("a %s text");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "a %s text");
  std::free(copy);
  EXPECT_EQ(XuStrCpy(nullptr), nullptr);
  struct Case {
    int err;
    std::string expect;
  } cases[] = {{0, "Unknown Error code"}, {100000, "Unknown Error code"}, {-5, "Unknown Error code"},
               {EACCES, std::strerror(EACCES)}};
  for (const Case& c : cases) {
    errno = c.err;
    EXPECT_EQ(XuPerror(), c.expect) << c.err;
  }
}

TEST_F(XuMessagesTest, WithoutAWindowMessagesArePrinted) {
  XuReset();
  testing::internal::CaptureStdout();
  XuShowMessage("first %s %n line");
  XuPrintString("second");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "QW5250: first %s %n line\nQW5250: second");
  EXPECT_EQ(XuPendingMessageCount(), 0u);
}

}  // namespace
