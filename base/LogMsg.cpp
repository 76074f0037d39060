#include "base/LogMsg.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <syslog.h>

namespace {

const char* const kLevelNames[] = {
    "EMERGENCY", "ALERT", "CRITICAL", "ERROR", "WARNING",
    "NOTICE", "INFORMATIONAL", "DEBUG", "TRACE", "DSM DEBUG",
};

void DefaultSyslog(int priority, const char* line) { syslog(priority, "%s", line); }

struct LogState {
  std::string line;  // text collected since the last newline
  bool busy = false;
  LogSyslogFunction toSyslog = DefaultSyslog;
  bool debug = false;
  bool dsmDebug = false;
};

LogState& State() {
  static LogState state;
  return state;
}

void AppendFormatted(std::string& out, const char* format, va_list args) {
  char small[512];
  va_list copy;
  va_copy(copy, args);
  int n = vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  vsnprintf(&big[0], big.size(), format, args);
  big.resize(static_cast<size_t>(n));
  out += big;
}

}  // namespace

int LogPriorityOfLevel(int level) {
  // Levels 8 and 9 log at the debug priority; a level above 9 is clamped to
  // it too, and a negative one, never a valid level, is logged as an error.
  if (level < 0) return LOG_ERR;
  return level > 7 ? LOG_DEBUG : level;
}

void SetLogSyslogFunction(LogSyslogFunction fn) { State().toSyslog = fn ? fn : DefaultSyslog; }

bool DebugFlag() { return State().debug; }
void SetDebugFlag(bool on) { State().debug = on; }
bool DsmDebugFlag() { return State().dsmDebug; }
void SetDsmDebugFlag(bool on) { State().dsmDebug = on; }

namespace {
int g_muted = 0;
}  // namespace

LogMuteScope::LogMuteScope() { ++g_muted; }
LogMuteScope::~LogMuteScope() { --g_muted; }

void LogMsg(int level, const char* format, ...) {
  LogState& st = State();
  if (st.busy) return;
  if (g_muted > 0 && level >= LevelError) return;
  st.busy = true;
  try {
    if (st.line.empty()) {
      const char* name = (level >= 0 && level <= 9) ? kLevelNames[level] : "UNKNOWN";
      st.line += "[ ";
      st.line += name;
      st.line += " ]: ";
    }
    va_list args;
    va_start(args, format);
    AppendFormatted(st.line, format ? format : "", args);
    va_end(args);
  } catch (const std::bad_alloc&) {
    const int size = static_cast<int>(st.line.size() + 1000);
    char msg[160];
    snprintf(msg, sizeof msg,
             "[ ERROR ]: %s: Not enough memory for a %d byte buffer. Losing a message.\n",
             "QWC0172", size);
    st.toSyslog(LOG_ERR, msg);
    printf("%s-> %s", "5250", msg);
    st.line.clear();
    st.line.shrink_to_fit();
    st.line = "\n";
  }
  if (!st.line.empty() && st.line.back() == '\n') {
    st.toSyslog(LogPriorityOfLevel(level), st.line.c_str());
    printf("%s: %s", "5250", st.line.c_str());
    fflush(stdout);
    st.line.clear();
  }
  st.busy = false;
}
