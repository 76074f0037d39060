#include "session/ConnectionRetry.h"

#include <cstring>

#include "base/LogMsg.h"

ConnectionRetry::ConnectionRetry(ConnectionRetryHost& host) : host_(host), alive_(std::make_shared<bool>(true)) {}

ConnectionRetry::~ConnectionRetry() {
  *alive_ = false;
  cancelRetryTimer();
  cancelInactivityTimer();
}

int ConnectionRetry::FirstQuickDelaySeconds(const char* mac) {
  int value = 0;
  if (mac && std::strlen(mac) >= 12) {
    auto hex = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    const int hi = hex(mac[10]), lo = hex(mac[11]);
    if (hi >= 0 && lo >= 0) value = (hi * 16 + lo) % 16;
  }
  return 10 + value;
}

unsigned long ConnectionRetry::InactivityTickMilliseconds(int minutes) {
  int64_t tick = static_cast<int64_t>(minutes) * 1000;
  if (tick < 1000) tick = 1000;
  if (tick > 60000) tick = 60000;
  return static_cast<unsigned long>(tick);
}

int64_t ConnectionRetry::InactivityTicksPerPeriod(int minutes) {
  // 64 bits: 99,999 minutes are 5,999,940,000 ms.
  return static_cast<int64_t>(minutes) * 60000 / static_cast<int64_t>(InactivityTickMilliseconds(minutes));
}

void ConnectionRetry::cancelRetryTimer() {
  if (retryTimer_ == 0) return;
  EventSources::Id id = retryTimer_;
  retryTimer_ = 0;
  host_.eventSources().RemoveTimeOut(id);
}

void ConnectionRetry::cancelInactivityTimer() {
  if (inactivityTimer_ == 0) return;
  EventSources::Id id = inactivityTimer_;
  inactivityTimer_ = 0;
  host_.eventSources().RemoveTimeOut(id);
}

void ConnectionRetry::schedule(unsigned long milliseconds) {
  cancelRetryTimer();  // never two attempts pending
  retryTimer_ = host_.eventSources().AddTimeOut(milliseconds, [this]() {
    retryTimer_ = 0;  // fired: Xt has forgotten it
    retryTimerFired();
  });
}

void ConnectionRetry::openRetryDialog(const char* msgName) {
  retryDialog_ = host_.openErrorDialog(connectedOnce_ ? "ErrorMsgNoHostData2" : msgName, kRetryDialog);
  host_.deiconifyIfConfigured();
  host_.removeSocketInput();
}

void ConnectionRetry::connectError(const char* msgName, int retry) {
  cancelInactivityTimer();
  if (retry != 1) {
    cancelRetryTimer();
    if (retryDialog_ >= 0) {
      int slot = retryDialog_;
      retryDialog_ = -1;
      host_.destroyDialog(slot);
    }
    host_.openErrorDialog(msgName, kDialogEndsSession);
    host_.deiconifyIfConfigured();
    return;
  }
  if (settings_.retryCount <= 0) {
    cancelRetryTimer();
    if (retryDialog_ < 0) openRetryDialog(msgName);
    return;
  }
  if (quickAttempts_ < kQuickAttempts) {
    ++quickAttempts_;
    const int seconds =
        quickAttempts_ == 1 ? FirstQuickDelaySeconds(host_.macAddress()) : settings_.quickRetryIntervalSeconds;
    schedule(static_cast<unsigned long>(seconds) * 1000ul);
    return;
  }
  ++slowAttempts_;
  if (retryDialog_ < 0) openRetryDialog(msgName);
  if (slowAttempts_ > settings_.retryCount) {
    cancelRetryTimer();
    return;
  }
  schedule(static_cast<unsigned long>(settings_.retryIntervalSeconds) * 1000ul);
}

void ConnectionRetry::transparentModeReached() {
  if (retryDialog_ >= 0) {
    int slot = retryDialog_;
    retryDialog_ = -1;
    host_.destroyDialog(slot);
  }
  quickAttempts_ = 0;
  slowAttempts_ = 0;
  connectedOnce_ = true;
}

void ConnectionRetry::retryTimerFired() {
  auto alive = alive_;
  reconnecting_ = true;
  host_.reconnect();
  if (!*alive) return;  // the session ended during the attempt
  reconnecting_ = false;
}

bool ConnectionRetry::retryDialogOk(int slot) {
  if (slot < 0 || slot != retryDialog_) return false;
  cancelRetryTimer();
  retryDialog_ = -1;
  if (!reconnecting_) retryTimerFired();
  return true;
}

bool ConnectionRetry::retryDialogCancel(int slot) {
  if (slot < 0 || slot != retryDialog_) return false;
  cancelRetryTimer();
  retryDialog_ = -1;
  return true;
}

void ConnectionRetry::armInactivityTick() {
  cancelInactivityTimer();
  const unsigned long tick = InactivityTickMilliseconds(settings_.inactivityMinutes);
  auto id = std::make_shared<EventSources::Id>(0);
  *id = host_.eventSources().AddTimeOut(tick, [this, id]() { inactivityTimerFired(*id); });
  inactivityTimer_ = *id;
  activityCount_ = 0;
}

void ConnectionRetry::startInactivityTimeoutIfNeeded(bool restart) {
  if (settings_.inactivityMinutes <= 0) return;
  if (restart) ticksLeft_ = InactivityTicksPerPeriod(settings_.inactivityMinutes);
  armInactivityTick();
}

void ConnectionRetry::inactivityTimerFired(EventSources::Id id) {
  if (id == 0 || id != inactivityTimer_) return;  // a stale timer
  inactivityTimer_ = 0;
  if (activityCount_ == 0) {
    --ticksLeft_;
    if (ticksLeft_ > 0) {
      startInactivityTimeoutIfNeeded(false);
      return;
    }
    if (userInputSeen_) {
      LogMsg(LevelInformational, "Inactivity timer of %d min. expired on session index %d. Re-connecting...\n",
             settings_.inactivityMinutes, sessionIndexForLog_);
      host_.reconnectAfterInactivity();
      return;
    }
  }
  startInactivityTimeoutIfNeeded(true);
}
