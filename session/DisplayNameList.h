#pragma once
// The device names that a session may ask for in the Telnet environment
// negotiation, from the value of -DISPLAY_NAME (a list of names separated by
// spaces, with the generated forms USE_MAC_ADDRESS, USE_USER_ID,
// xxxx+USE_USER_ID and USE_HOST_NAME, each with an optional "+N" session
// count).
#include <string>
#include <vector>

struct DisplayNameFacts {
  const char* macAddress = nullptr;  // 12 hex digits, or null
  char network = 'U';                // 'E' Ethernet, 'T' token ring, 'X' twinax, 'U' other
  const char* user = nullptr;        // USER
  const char* hostName = nullptr;    // HOSTNAME
};

struct DisplayNameCandidates {
  std::vector<std::string> names;  // in the order they are tried
  int rejected = 0;                // names refused (each shows "ErrorMsgInvalidName")
  bool endSession = false;         // a refusal that ends the session
};

// Builds the candidates (logging every refusal with its message).
DisplayNameCandidates BuildDisplayNameCandidates(const char* value, const DisplayNameFacts& facts);
