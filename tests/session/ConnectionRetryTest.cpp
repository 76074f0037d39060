// The reconnection schedule and the inactivity timer on an injected clock.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "session/ConnectionRetry.h"
#include "tests/support/FakeEventSources.h"
#include "tests/support/LogCapture.h"

namespace {

using qwtest::FakeEventSources;

// A session whose reconnections fail (or succeed) as the test says, and
// that records every dialog and reconnection with the clock's time.
class FakeSession : public ConnectionRetryHost {
 public:
  FakeEventSources events;
  ConnectionRetry retry{*this};
  struct Dialog {
    std::string msg;
    int options;
    int slot;
  };
  std::vector<Dialog> dialogs;
  std::vector<int> destroyed;
  std::vector<uint64_t> reconnects;          // ms since start
  std::vector<uint64_t> inactivityReconnects;
  int socketInputRemovals = 0;
  bool reconnectSucceeds = false;
  const char* mac = nullptr;
  const uint64_t start = events.NowMilliseconds();

  EventSources& eventSources() override { return events; }
  int openErrorDialog(const char* msgName, int options) override {
    int slot = static_cast<int>(dialogs.size()) + 10;
    dialogs.push_back({msgName, options, slot});
    return slot;
  }
  void destroyDialog(int slot) override { destroyed.push_back(slot); }
  void deiconifyIfConfigured() override {}
  void removeSocketInput() override { ++socketInputRemovals; }
  void reconnect() override {
    reconnects.push_back(events.NowMilliseconds() - start);
    if (reconnectSucceeds)
      retry.transparentModeReached();
    else
      retry.connectError("ErrorMsgUnableToConnect", 1);
  }
  void reconnectAfterInactivity() override { inactivityReconnects.push_back(events.NowMilliseconds() - start); }
  const char* macAddress() override { return mac; }
};

TEST(ConnectionRetryTest, FirstQuickDelayComesFromTheMacAddress) {
  struct Case {
    const char* mac;
    int seconds;
  } cases[] = {
      {"0004AC12343F", 25}, {"0004AC123440", 10}, {"0004AC1234ff", 25}, {"0004AC12340A", 20},
      {nullptr, 10},        {"0004AC", 10},       {"0004AC1234ZZ", 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mac ? c.mac : "(none)");
    EXPECT_EQ(ConnectionRetry::FirstQuickDelaySeconds(c.mac), c.seconds);
  }
}

TEST(ConnectionRetryTest, ScheduleOfAttemptsAndDialog) {
  struct Case {
    const char* name;
    int retryCount;
    const char* mac;
    bool connectedOnce;
    std::vector<uint64_t> attemptsMs;  // when the reconnections ran
    std::string dialogText;            // of the one retry dialog
  } cases[] = {
      {"no retries", 0, nullptr, false, {}, "ErrorMsgUnableToConnect"},
      {"no retries after a connection", 0, nullptr, true, {}, "ErrorMsgNoHostData2"},
      {"one slow attempt", 1, "0004AC12343F", false, {25000, 45000, 65000, 365000}, "ErrorMsgUnableToConnect"},
      {"two slow attempts", 2, nullptr, true, {10000, 30000, 50000, 350000, 650000}, "ErrorMsgNoHostData2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSession s;
    s.mac = c.mac;
    RetrySettings settings;
    settings.retryCount = c.retryCount;
    s.retry.configure(settings);
    if (c.connectedOnce) s.retry.transparentModeReached();
    s.retry.connectError("ErrorMsgUnableToConnect", 1);
    s.events.Advance(24ull * 3600 * 1000);
    EXPECT_EQ(s.reconnects, c.attemptsMs);
    ASSERT_EQ(s.dialogs.size(), 1u);
    EXPECT_EQ(s.dialogs[0].msg, c.dialogText);
    EXPECT_EQ(s.dialogs[0].options, ConnectionRetry::kRetryDialog);
    EXPECT_EQ(s.retry.retryDialog(), s.dialogs[0].slot);
    EXPECT_FALSE(s.retry.retryPending());
    EXPECT_EQ(s.events.TimerCount(), 0u);
  }
}

TEST(ConnectionRetryTest, DefaultsTryThreeTimesThenEveryIntervalUpToTheCount) {
  FakeSession s;
  s.retry.configure(RetrySettings{});  // 144 attempts every 300 s, quick 20 s
  s.retry.connectError("ErrorMsgNoHostData2", 1);
  s.events.Advance(144ull * 300 * 1000 + 100000);
  ASSERT_EQ(s.reconnects.size(), 3u + 144u);
  EXPECT_EQ(s.reconnects[2], 50000u);
  EXPECT_EQ(s.reconnects.back() - s.reconnects[3], 143ull * 300 * 1000);
  EXPECT_EQ(s.dialogs.size(), 1u);
}

TEST(ConnectionRetryTest, NonRetriableFailureOpensASessionEndingDialogOnly) {
  FakeSession s;
  s.retry.connectError("ErrorMsgUnableToConnect", 1);  // a quick attempt pending
  s.retry.connectError("ErrorMsgTelnetUndefined", 0);
  s.events.Advance(3600 * 1000);
  EXPECT_TRUE(s.reconnects.empty());
  ASSERT_EQ(s.dialogs.size(), 1u);
  EXPECT_EQ(s.dialogs[0].msg, "ErrorMsgTelnetUndefined");
  EXPECT_EQ(s.dialogs[0].options, ConnectionRetry::kDialogEndsSession);
}

TEST(ConnectionRetryTest, RepeatedFailureKeepsOneAttemptPending) {
  FakeSession s;
  s.retry.connectError("ErrorMsgUnableToConnect", 1);
  s.retry.connectError("ErrorMsgUnableToConnect", 1);
  EXPECT_EQ(s.events.TimerCount(), 1u);
}

TEST(ConnectionRetryTest, SuccessfulAttemptResetsCountersAndClosesTheDialog) {
  FakeSession s;
  RetrySettings settings;
  settings.retryCount = 3;
  s.retry.configure(settings);
  s.retry.connectError("ErrorMsgUnableToConnect", 1);
  s.events.Advance(100000);  // three quick attempts failed: dialog, slow one pending
  ASSERT_EQ(s.dialogs.size(), 1u);
  s.reconnectSucceeds = true;
  s.events.Advance(300000);
  EXPECT_EQ(s.retry.quickAttempts(), 0);
  EXPECT_EQ(s.retry.slowAttempts(), 0);
  EXPECT_EQ(s.retry.retryDialog(), -1);
  EXPECT_EQ(s.destroyed, std::vector<int>{s.dialogs[0].slot});
  EXPECT_TRUE(s.retry.connectedOnce());
}

TEST(ConnectionRetryTest, RetryDialogButtonsActOnlyOnTheCurrentRetryDialog) {
  FakeSession s;
  RetrySettings settings;
  settings.retryCount = 0;
  s.retry.configure(settings);
  s.retry.connectError("ErrorMsgUnableToConnect", 1);
  const int slot = s.retry.retryDialog();
  EXPECT_FALSE(s.retry.retryDialogOk(slot + 1));
  EXPECT_FALSE(s.retry.retryDialogCancel(slot + 1));
  EXPECT_TRUE(s.reconnects.empty());
  s.reconnectSucceeds = true;
  EXPECT_TRUE(s.retry.retryDialogOk(slot));
  EXPECT_EQ(s.reconnects.size(), 1u);  // at once
  EXPECT_FALSE(s.retry.retryDialogCancel(slot));  // forgotten
}

TEST(ConnectionRetryTest, InactivityTickAndPeriod) {
  struct Case {
    int minutes;
    unsigned long tickMs;
    int64_t ticks;
  } cases[] = {{1, 1000, 60}, {5, 5000, 60}, {60, 60000, 60}, {90, 60000, 90}, {99999, 60000, 99999}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.minutes);
    EXPECT_EQ(ConnectionRetry::InactivityTickMilliseconds(c.minutes), c.tickMs);
    EXPECT_EQ(ConnectionRetry::InactivityTicksPerPeriod(c.minutes), c.ticks);
  }
}

TEST(ConnectionRetryTest, InactivityReconnects) {
  struct Case {
    const char* name;
    int minutes;
    bool userInput;
    uint64_t activityAtMs;  // 0: none
    std::vector<uint64_t> reconnectsMs;
  } cases[] = {
      {"off", 0, true, 0, {}},
      {"one minute idle after input", 1, true, 0, {60000}},
      {"five minutes idle", 5, true, 0, {300000}},
      {"idle without input restarts", 1, false, 0, {}},
      {"activity restarts the period", 1, true, 30500, {91000}},
      {"large value does not overflow", 99999, true, 0, {99999ull * 60000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSession s;
    RetrySettings settings;
    settings.inactivityMinutes = c.minutes;
    s.retry.configure(settings);
    if (c.userInput) s.retry.noteUserInput();
    s.retry.startInactivityTimeoutIfNeeded(true);
    EXPECT_EQ(s.retry.inactivityArmed(), c.minutes > 0);
    if (c.activityAtMs) {
      s.events.Advance(c.activityAtMs);
      s.retry.noteActivity();
    }
    const uint64_t horizon = static_cast<uint64_t>(c.minutes) * 60000 + 90000;
    s.events.Advance(horizon - c.activityAtMs);
    std::vector<uint64_t> first(s.inactivityReconnects.begin(),
                                s.inactivityReconnects.begin() + std::min<size_t>(1, s.inactivityReconnects.size()));
    EXPECT_EQ(first, c.reconnectsMs);
  }
}

TEST(ConnectionRetryTest, InactivityLogLineNamesMinutesAndSession) {
  qwtest::LogCapture log;
  FakeSession s;
  RetrySettings settings;
  settings.inactivityMinutes = 2;
  s.retry.configure(settings);
  s.retry.setSessionIndex(7);
  s.retry.noteUserInput();
  s.retry.startInactivityTimeoutIfNeeded(true);
  s.events.Advance(120000);
  EXPECT_TRUE(log.Contains("Inactivity timer of 2 min. expired on session index 7. Re-connecting...\n"));
}

TEST(ConnectionRetryTest, FailureCancelsTheInactivityTimer) {
  FakeSession s;
  RetrySettings settings;
  settings.inactivityMinutes = 1;
  s.retry.configure(settings);
  s.retry.startInactivityTimeoutIfNeeded(true);
  s.retry.connectError("ErrorMsgNoHostData2", 1);
  EXPECT_FALSE(s.retry.inactivityArmed());
  EXPECT_EQ(s.events.TimerCount(), 1u);  // only the attempt
}

TEST(ConnectionRetryTest, DestroyedScheduleLeavesNoTimer) {
  FakeSession s;
  {
    ConnectionRetry other(s);
    RetrySettings settings;
    settings.inactivityMinutes = 3;
    other.configure(settings);
    other.connectError("ErrorMsgUnableToConnect", 1);
    other.startInactivityTimeoutIfNeeded(true);
    EXPECT_EQ(s.events.TimerCount(), 2u);
  }
  EXPECT_EQ(s.events.TimerCount(), 0u);
}

}  // namespace
