// The connection manager and connection classes: starting, finding and
// stopping sessions, and what a session is connected to.
#include <cctype>

#include "api/EclFunctions.h"
#include "api/EclSessions.h"
#include "api/EclWire.h"
#include "base/LogMsg.h"
#include "session/Language.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"

namespace {

constexpr size_t kMaxHostName = 127;
constexpr size_t kMaxConnectionName = 79;

// The first slot in use whose host is `host` (and, when number > 0, whose
// session number is `number`); -1 when none.
int FindSession(const std::string& host, int number) {
  for (int slot = 0; slot < kMaxSessionSlots; ++slot) {
    SessionControlBlock* s = EclSession(slot);
    if (!s || host != s->xstuff.getHostname()) continue;
    if (number > 0 && EclSessionNumber(slot) != number) continue;
    return slot;
  }
  return -1;
}

int32_t Answer(EclCall& call, int slot) {
  ecl::Put32(*call.reply, static_cast<uint32_t>(slot));
  ecl::Put32(*call.reply, static_cast<uint32_t>(EclSessionNumber(slot)));
  return ecl::kSuccess;
}

int32_t FindOrStart(EclCall& call) {
  std::string name;
  if (!ecl::TextOf(*call.data, 0, kMaxConnectionName, &name)) return ecl::kNoSession;
  const size_t blank = name.find(' ');
  if (blank == std::string::npos) {
    if (name.empty()) return ecl::kNoSession;
    int slot = FindSession(name, 0);
    if (slot < 0) {
      EclStartSession(name);
      slot = FindSession(name, 0);
    }
    return slot < 0 ? ecl::kNoSession : Answer(call, slot);
  }
  // "host number": the number is one or two decimal digits.
  const std::string digits = name.substr(blank + 1);
  if (digits.empty() || digits.size() > 2) return ecl::kNoSession;
  for (char c : digits)
    if (!std::isdigit(static_cast<unsigned char>(c))) return ecl::kNoSession;
  const int number = std::stoi(digits);
  if (number <= 0) return ecl::kNoSession;
  const int slot = FindSession(name.substr(0, blank), number);
  return slot < 0 ? ecl::kNoSession : Answer(call, slot);
}

}  // namespace

int32_t eclconnmgr(EclCall& call) {
  switch (call.functionId) {
    case 0: {
      std::string host;
      // A name without its terminator within 127 bytes starts nothing.
      if (ecl::TextOf(*call.data, 0, kMaxHostName, &host) && !host.empty()) EclStartSession(host);
      return ecl::kSuccess;
    }
    case 1:
      return EclStopSession(ecl::SessionHandleOf(*call.data), call, true);
    default:
      LogMsg(LevelError, "eclconnmgr - invalid function id %d. \n", call.functionId);
      return ecl::kBadFunction;
  }
}

int32_t eclconnection(EclCall& call) {
  const int handle = ecl::SessionHandleOf(*call.data);
  SessionControlBlock* s = EclSession(handle);
  std::vector<unsigned char>& reply = *call.reply;
  switch (call.functionId) {
    case 0:
      return FindOrStart(call);
    case 1:
      ecl::Put32(reply, 5250);
      return ecl::kSuccess;
    case 4: {
      if (!s) return ecl::kNoSession;
      const LanguageRow* row = FindLanguageRow(s->languageId);
      if (!row || !row->codePage) return ecl::kNoCodePage;
      const std::string page = row->codePage;
      ecl::Put32(reply, static_cast<uint32_t>(page.size()));
      ecl::PutBytes(reply, page.data(), page.size());
      return ecl::kSuccess;
    }
    case 5: {
      if (!s) return ecl::kNoSession;
      ecl::Put32(reply, static_cast<uint32_t>(SessionEntry(handle)->sequence));
      return ecl::kSuccess;
    }
    case 6:
      reply.push_back(s ? 1 : 0);
      return ecl::kSuccess;
    case 7:
      return s ? ecl::kSuccess : ecl::kNoSession;
    case 8:
      return EclStopSession(handle, call, false);
    default:
      LogMsg(LevelError, "%s: eclconnection - invalid function id %d. \n", "QWC0713", call.functionId);
      return ecl::kBadFunction;
  }
}
