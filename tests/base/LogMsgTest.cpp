#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/LogMsg.h"

namespace {

std::vector<std::pair<int, std::string>> g_syslog;

void RecordSyslog(int priority, const char* line) { g_syslog.emplace_back(priority, line); }

class LogMsgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_syslog.clear();
    SetLogSyslogFunction(RecordSyslog);
  }
  void TearDown() override { SetLogSyslogFunction(nullptr); }
};

TEST_F(LogMsgTest, FragmentsMakeOneLineWithOnePrefix) {
  testing::internal::CaptureStdout();
  LogMsg(LevelDebug, "Got:  ");
  LogMsg(LevelDebug, "%s", "WTD");
  EXPECT_TRUE(g_syslog.empty()) << "nothing is written before the newline";
  LogMsg(LevelError, "\n");
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(g_syslog.size(), 1u);
  EXPECT_EQ(g_syslog[0].second, "[ DEBUG ]: Got:  WTD\n");
  EXPECT_EQ(g_syslog[0].first, 3) << "the call that ends the line decides the priority";
  EXPECT_EQ(out, "5250: [ DEBUG ]: Got:  WTD\n");
}

TEST_F(LogMsgTest, LevelNamesAndPriorities) {
  struct Case {
    int level;
    const char* prefix;
    int priority;
  } cases[] = {
      {0, "[ EMERGENCY ]: ", 0}, {1, "[ ALERT ]: ", 1},     {2, "[ CRITICAL ]: ", 2},
      {3, "[ ERROR ]: ", 3},     {4, "[ WARNING ]: ", 4},   {5, "[ NOTICE ]: ", 5},
      {6, "[ INFORMATIONAL ]: ", 6}, {7, "[ DEBUG ]: ", 7}, {8, "[ TRACE ]: ", 7},
      {9, "[ DSM DEBUG ]: ", 7}, {12, "[ UNKNOWN ]: ", 7},  {-1, "[ UNKNOWN ]: ", 3},
  };
  testing::internal::CaptureStdout();
  for (const auto& c : cases) LogMsg(c.level, "x\n");
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(g_syslog.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].level);
    EXPECT_EQ(g_syslog[i].second, std::string(cases[i].prefix) + "x\n");
    EXPECT_EQ(g_syslog[i].first, cases[i].priority);
  }
}

TEST_F(LogMsgTest, LongMessagesAreWrittenWhole) {
  std::string big(50000, 'q');
  testing::internal::CaptureStdout();
  LogMsg(LevelError, "%s: %s\n", "QWC0001", big.c_str());
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(g_syslog.size(), 1u);
  EXPECT_EQ(g_syslog[0].second, "[ ERROR ]: QWC0001: " + big + "\n");
}

TEST_F(LogMsgTest, CollectedTextIsNeverUsedAsAFormat) {
  testing::internal::CaptureStdout();
  LogMsg(LevelError, "%s\n", "%s%s%n%x");
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(g_syslog.size(), 1u);
  EXPECT_EQ(g_syslog[0].second, "[ ERROR ]: %s%s%n%x\n");
  EXPECT_EQ(out, "5250: [ ERROR ]: %s%s%n%x\n");
}

void ReenteringSyslog(int priority, const char* line) {
  g_syslog.emplace_back(priority, line);
  LogMsg(LevelError, "from inside\n");  // ignored: a message is being written
}

TEST_F(LogMsgTest, CallsWhileWritingReturnAtOnce) {
  SetLogSyslogFunction(ReenteringSyslog);
  testing::internal::CaptureStdout();
  LogMsg(LevelError, "outer\n");
  LogMsg(LevelError, "next\n");
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(g_syslog.size(), 2u);
  EXPECT_EQ(g_syslog[0].second, "[ ERROR ]: outer\n");
  EXPECT_EQ(g_syslog[1].second, "[ ERROR ]: next\n");
}

}  // namespace
