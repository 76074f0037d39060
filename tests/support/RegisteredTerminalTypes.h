#pragma once
// The TN5250 display terminal types registered in RFC 1205 (section 2) and
// RFC 2877, as a host checks them: the name the client sends must be one of
// these, compared literally. Header only and without a test framework: the
// demo host and the tests' loopback host both use it. Kept apart from the
// emulator's own list so that a misspelt name there is caught here.
#include <string>

namespace tn5250_host {

inline const char* const kRegisteredDisplayTypes[] = {
    "IBM-3179-2",  "IBM-3180-2",  "IBM-3196-A1", "IBM-3477-FC",  "IBM-3477-FG",
    "IBM-3486-BA", "IBM-3487-HA", "IBM-3487-HC", "IBM-5251-11",  "IBM-5291-1",
    "IBM-5292-2",  "IBM-5555-B01", "IBM-5555-C01",
};

inline bool IsRegisteredDisplayType(const std::string& name) {
  for (const char* t : kRegisteredDisplayTypes)
    if (name == t) return true;
  return false;
}

}  // namespace tn5250_host
