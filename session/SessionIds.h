#pragma once
// The choice of a session id and of a session's instance number per host.
#include <functional>
#include <string>

// True when a session in use holds the id.
using SessionIdInUse = std::function<bool(const std::string& id)>;

// The id of a new session (at most 20 characters):
// - "prefix+N" (N one or two digits): the first of prefix1 ... prefixN that
//   is free; when all are taken, a default id (logged, QWC0175);
// - any other request: itself when free, else a default id (QWC0176);
// - no request: a default id.
// Default ids are the first free of A ... Z, AA, AB ... ZZ; `isDefault` is
// set for them. Returns "" when all 702 default ids are taken.
std::string ChooseSessionId(const std::string& requested, const SessionIdInUse& inUse, bool* isDefault);

// The smallest n >= 1 that `taken(n)` denies.
int SmallestFreeInstance(const std::function<bool(int)>& taken);
