#pragma once
// The program-wide log: ten levels, lines collected from fragments until a
// newline, written to syslog and to standard output.

enum LogLevel : int {
  LevelEmergency = 0,
  LevelAlert = 1,
  LevelCritical = 2,
  LevelError = 3,
  LevelWarning = 4,
  LevelNotice = 5,
  LevelInformational = 6,
  LevelDebug = 7,
  LevelTrace = 8,
  LevelDsmDebug = 9,
};

// printf-style. Does not filter: callers test DebugFlag() before level 7
// and the session's trace flag before level 8.
void LogMsg(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The syslog priority of a level: 0-7 as they are, 8 and above at 7, a
// negative level at 3.
int LogPriorityOfLevel(int level);

// Where finished lines go besides standard output; the default is syslog(3).
// Tests replace it to see the priority of each line.
using LogSyslogFunction = void (*)(int priority, const char* line);
void SetLogSyslogFunction(LogSyslogFunction fn);

// Process-wide switches that gate debug and data-stream debug lines.
bool DebugFlag();
void SetDebugFlag(bool on);
bool DsmDebugFlag();
void SetDsmDebugFlag(bool on);

// While one of these lives, lines at the error level and below (error,
// warning, notice, ...) are dropped; emergency, alert and critical lines
// still go out. For code that runs on behalf of a client whose complaints
// were logged once already.
class LogMuteScope {
 public:
  LogMuteScope();
  ~LogMuteScope();
  LogMuteScope(const LogMuteScope&) = delete;
  LogMuteScope& operator=(const LogMuteScope&) = delete;
};
