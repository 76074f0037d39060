#pragma once
// The reconnection schedule of a session whose connection failed (three
// quick attempts, the first after a delay taken from the MAC address, then
// slow attempts at the retry interval up to the retry count, with the retry
// dialog), and the inactivity timer that reconnects an idle session.
#include <cstdint>
#include <memory>

#include "base/EventSources.h"

// What the schedule needs of its session.
class ConnectionRetryHost {
 public:
  virtual ~ConnectionRetryHost() = default;
  virtual EventSources& eventSources() = 0;
  // Opens an error dialog of the session with the message resource and the
  // dialog options (1 ends the session, 2 the retry dialog): its slot or -1.
  virtual int openErrorDialog(const char* msgName, int dialogOptions) = 0;
  virtual void destroyDialog(int slot) = 0;
  // An iconified session window does what ICONIFIED_ACTION says.
  virtual void deiconifyIfConfigured() = 0;
  virtual void removeSocketInput() = 0;
  // Closes the transport and runs session completion again. May end the
  // session (and destroy this schedule with it).
  virtual void reconnect() = 0;
  // The inactivity reconnection: clears the device name, removes the socket
  // input, closes the transport, resets the table entry's state and runs
  // session completion. May end the session.
  virtual void reconnectAfterInactivity() = 0;
  // The terminal's MAC address text, or null.
  virtual const char* macAddress() = 0;
};

struct RetrySettings {
  int retryCount = 144;             // 0: no attempts
  int retryIntervalSeconds = 300;
  int quickRetryIntervalSeconds = 20;
  int inactivityMinutes = 0;        // 0: no inactivity timer
};

class ConnectionRetry {
 public:
  static constexpr int kQuickAttempts = 3;
  static constexpr int kDialogEndsSession = 1;
  static constexpr int kRetryDialog = 2;

  explicit ConnectionRetry(ConnectionRetryHost& host);
  ~ConnectionRetry();  // cancels its timers
  ConnectionRetry(const ConnectionRetry&) = delete;
  ConnectionRetry& operator=(const ConnectionRetry&) = delete;

  void configure(const RetrySettings& settings) { settings_ = settings; }
  // The session's index in the session table (for the log).
  void setSessionIndex(int index) { sessionIndexForLog_ = index; }
  const RetrySettings& settings() const { return settings_; }

  // A failed connection: `retry` 1 when it may be retried.
  void connectError(const char* msgName, int retry);
  // The connection reached transparent mode: the retry dialog goes, the
  // counters return to 0 and the session counts as connected once.
  void transparentModeReached();

  // The retry dialog's OK: when `slot` still is this session's retry
  // dialog, cancels a pending attempt, forgets the dialog and (unless a
  // reconnection runs) reconnects at once. True when it was the dialog.
  bool retryDialogOk(int slot);
  // Its Cancel: true when `slot` still is the retry dialog (forgotten now);
  // the caller then ends the session.
  bool retryDialogCancel(int slot);

  // The inactivity timer: with `restart` a full period starts.
  void startInactivityTimeoutIfNeeded(bool restart);
  void cancelInactivityTimer();
  void noteActivity() { ++activityCount_; }
  void noteUserInput() { userInputSeen_ = true; }
  void clearUserInput() { userInputSeen_ = false; }

  // Delay of the first quick attempt in seconds: 10 plus the 11th and 12th
  // characters of the MAC address read as hexadecimal, modulo 16.
  static int FirstQuickDelaySeconds(const char* macAddress);
  // The inactivity tick in milliseconds and the ticks of one period.
  static unsigned long InactivityTickMilliseconds(int minutes);
  static int64_t InactivityTicksPerPeriod(int minutes);

  bool reconnecting() const { return reconnecting_; }
  bool connectedOnce() const { return connectedOnce_; }
  int quickAttempts() const { return quickAttempts_; }
  int slowAttempts() const { return slowAttempts_; }
  int retryDialog() const { return retryDialog_; }
  bool retryPending() const { return retryTimer_ != 0; }
  bool inactivityArmed() const { return inactivityTimer_ != 0; }
  int64_t inactivityTicksLeft() const { return ticksLeft_; }

 private:
  void openRetryDialog(const char* msgName);
  void schedule(unsigned long milliseconds);
  void cancelRetryTimer();
  void retryTimerFired();
  void inactivityTimerFired(EventSources::Id id);
  void armInactivityTick();

  ConnectionRetryHost& host_;
  RetrySettings settings_;
  int quickAttempts_ = 0;
  int slowAttempts_ = 0;
  EventSources::Id retryTimer_ = 0;
  int retryDialog_ = -1;
  bool connectedOnce_ = false;
  bool reconnecting_ = false;
  EventSources::Id inactivityTimer_ = 0;
  int64_t ticksLeft_ = 0;
  unsigned long activityCount_ = 0;
  bool userInputSeen_ = false;
  int sessionIndexForLog_ = 0;
  // False once destroyed: a reconnection may end the session under us.
  std::shared_ptr<bool> alive_;
};
