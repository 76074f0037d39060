#include "session/DisplayNameList.h"

#include <cctype>
#include <cstring>
#include <sstream>

#include "base/LogMsg.h"

namespace {

constexpr size_t kMaxName = 10;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

// "+N" after a keyword: N (1-99, no leading 0), 0 without a count, -1 when bad.
int SessionCount(const std::string& rest) {
  if (rest.empty()) return 0;
  if (rest[0] != '+' || rest.size() < 2 || rest.size() > 3 || rest[1] == '0') return -1;
  for (size_t i = 1; i < rest.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(rest[i]))) return -1;
  return std::stoi(rest.substr(1));
}

void Numbered(const std::string& base, int count, std::vector<std::string>& out) {
  for (int n = 1; n <= count; ++n) {
    const std::string digits = std::to_string(n);
    out.push_back(base.substr(0, kMaxName - digits.size()) + digits);
  }
}

bool PlainName(std::string name, DisplayNameCandidates& c) {
  if (!std::isalpha(static_cast<unsigned char>(name[0]))) {
    LogMsg(LevelError, "%s: Name of %s is invalid for display session name.  Name must start with an alpha character.\n",
           "QWC0522", name.c_str());
    ++c.rejected;
    return false;
  }
  if (name.size() < 2) {
    LogMsg(LevelError, "%s: Name of %s is invalid for display session name.  Name must start with an alpha character.\n",
           "QWC0524", name.c_str());
    ++c.rejected;
    return false;
  }
  if (name.size() > kMaxName) {
    name.resize(kMaxName);
    LogMsg(LevelError, "%s:  -DISPLAY_NAME string > 10 characters.  Name truncated to %s\n", "QWC0533", name.c_str());
  }
  c.names.push_back(name);
  return true;
}

void UserIdName(const std::string& token, const std::string& prefix, const std::string& rest, const DisplayNameFacts& f,
                DisplayNameCandidates& c) {
  std::string user = Upper(f.user ? f.user : "");
  if (user.size() < 2) {
    LogMsg(LevelError, "%s: userid length invalid for use as -DISPLAY_NAME parameter.\n", "QWC0503");
    c.endSession = true;
    return;
  }
  if (!prefix.empty()) {
    const std::string p = prefix.substr(0, 8);
    if (p.size() < prefix.size()) LogMsg(LevelError, "%s: prefix of %s truncated.\n", "QWC0531", token.c_str());
    const std::string name = (p + user).substr(0, kMaxName);
    if (name.size() < p.size() + user.size()) LogMsg(LevelError, "%s: Userid truncated to %s.\n", "QWC0532", name.c_str());
    PlainName(name, c);
    return;
  }
  if (!rest.empty() && rest[0] != '+') {
    LogMsg(LevelError, "%s: invalid character following USE_MAC_ADDRESS or USE_USER_ID parameter.\n", "QWC0506");
    c.endSession = true;
    return;
  }
  const bool digits = rest.size() > 1 && std::isdigit(static_cast<unsigned char>(rest[1]));
  if (digits) {
    const int count = SessionCount(rest);
    if (count < 0) {
      LogMsg(LevelError, "%s: invalid session count value in multiple -DISPLAY_NAME request.\n", "QWC0508");
      c.endSession = true;
      return;
    }
    if (user.size() + std::to_string(count).size() > kMaxName)
      LogMsg(LevelError, "%s: Userid truncated to fit in multiple session name format.\n", "QWC0534");
    Numbered(user, count, c.names);
    return;
  }
  if (!rest.empty()) {
    const std::string suffix = rest.substr(1);
    if (suffix.size() > 8) {
      LogMsg(LevelError, "'xxx' portion of USE_USER_ID+xxx is too long. 8 is the max.\n");
      c.endSession = true;
      return;
    }
    PlainName(user.substr(0, kMaxName - suffix.size()) + suffix, c);
    return;
  }
  PlainName(user.substr(0, kMaxName), c);
}

}  // namespace

DisplayNameCandidates BuildDisplayNameCandidates(const char* value, const DisplayNameFacts& f) {
  DisplayNameCandidates c;
  std::istringstream words(value ? value : "");
  std::string token;
  while (!c.endSession && words >> token) {
    token = Upper(token);
    if (StartsWith(token, "USE_MAC_ADDRESS")) {
      const std::string rest = token.substr(std::strlen("USE_MAC_ADDRESS"));
      if (!f.macAddress || !*f.macAddress) {
        LogMsg(LevelError, "%s: MAC Address unavailable and -DISPLAY_NAME %s specified. Ending session.\n", "QWC0184",
               token.c_str());
        c.endSession = true;
        break;
      }
      const int count = SessionCount(rest);
      if (count < 0) {
        LogMsg(LevelError, rest[0] == '+' ? "%s: invalid session count value in multiple -DISPLAY_NAME request.\n"
                                          : "%s: invalid character following USE_MAC_ADDRESS or USE_USER_ID parameter.\n",
               rest[0] == '+' ? "QWC0505" : "QWC0506");
        c.endSession = true;
        break;
      }
      const std::string base = std::string(1, f.network) + Upper(f.macAddress);
      if (count == 0)
        PlainName(base, c);
      else
        Numbered(base, count, c.names);
    } else if (StartsWith(token, "USE_USER_ID")) {
      UserIdName(token, "", token.substr(std::strlen("USE_USER_ID")), f, c);
    } else if (token.find("+USE_USER_ID") != std::string::npos && token.find("+USE_USER_ID") > 0) {
      const size_t at = token.find("+USE_USER_ID");
      UserIdName(token, token.substr(0, at), token.substr(at + std::strlen("+USE_USER_ID")), f, c);
    } else if (StartsWith(token, "USE_HOST_NAME")) {
      const std::string rest = token.substr(std::strlen("USE_HOST_NAME"));
      if (!f.hostName || !*f.hostName) {
        LogMsg(LevelError, "%s: could not retrieve HOSTNAME for USE_HOST_NAME parameter.\n", "QWC0518");
        c.endSession = true;
        break;
      }
      if (!rest.empty() && rest[0] != '+') {
        LogMsg(LevelError, "%s: invalid character following USE_HOST_NAME parameter in -DISPLAY_NAME request.\n",
               "QWC0520");
        c.endSession = true;
        break;
      }
      const int count = SessionCount(rest);
      if (count < 0) {
        LogMsg(LevelError, "%s: invalid session count value in multiple -DISPLAY_NAME request.\n", "QWC0519");
        c.endSession = true;
        break;
      }
      std::string host = Upper(f.hostName);
      host = host.substr(0, host.find('.'));
      if (count == 0) {
        if (!PlainName(host.substr(0, kMaxName), c)) c.endSession = true;
      } else {
        Numbered(host.substr(0, kMaxName - 1), count, c.names);
      }
    } else {
      PlainName(token, c);
    }
  }
  return c;
}
