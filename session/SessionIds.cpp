#include "session/SessionIds.h"

#include <cctype>

#include "base/LogMsg.h"

namespace {

constexpr size_t kMaxIdLength = 20;

// prefix + "+" + one or two digits at the end: the count, else 0.
int CountOfForm(const std::string& id, std::string* prefix) {
  const size_t plus = id.rfind('+');
  if (plus == std::string::npos) return 0;
  const std::string digits = id.substr(plus + 1);
  if (digits.empty() || digits.size() > 2) return 0;
  for (char c : digits)
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
  *prefix = id.substr(0, plus);
  return std::stoi(digits);
}

std::string DefaultId(const SessionIdInUse& inUse) {
  for (char a = 'A'; a <= 'Z'; ++a) {
    const std::string id(1, a);
    if (!inUse(id)) return id;
  }
  for (char a = 'A'; a <= 'Z'; ++a)
    for (char b = 'A'; b <= 'Z'; ++b) {
      const std::string id{a, b};
      if (!inUse(id)) return id;
    }
  return "";
}

}  // namespace

std::string ChooseSessionId(const std::string& requestedIn, const SessionIdInUse& inUse, bool* isDefault) {
  if (isDefault) *isDefault = false;
  const std::string requested = requestedIn.substr(0, kMaxIdLength);
  if (!requested.empty()) {
    std::string prefix;
    const int count = CountOfForm(requested, &prefix);
    if (count > 0) {
      for (int n = 1; n <= count; ++n) {
        const std::string id = (prefix + std::to_string(n)).substr(0, kMaxIdLength);
        if (!inUse(id)) {
          if (DebugFlag()) LogMsg(LevelDebug, "session id of %s assigned.\n", id.c_str());
          return id;
        }
        if (DebugFlag()) LogMsg(LevelDebug, "session id of %s already in use.\n", id.c_str());
      }
      LogMsg(LevelError, "%s: all session ids of the form %s already in use. getting a default id instead.\n",
             "QWC0175", requested.c_str());
    } else if (!inUse(requested)) {
      if (DebugFlag()) LogMsg(LevelDebug, "session id of %s assigned.\n", requested.c_str());
      return requested;
    } else {
      LogMsg(LevelError, "%s: session id of %s already in use. getting a default id instead.\n", "QWC0176",
             requested.c_str());
    }
  }
  if (isDefault) *isDefault = true;
  const std::string id = DefaultId(inUse);
  if (!id.empty() && DebugFlag()) LogMsg(LevelDebug, "default session id of %s assigned.\n", id.c_str());
  return id;
}

int SmallestFreeInstance(const std::function<bool(int)>& taken) {
  int n = 1;
  while (taken(n)) ++n;
  return n;
}
