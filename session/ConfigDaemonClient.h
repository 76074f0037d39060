#pragma once
// The client of the terminal's local configuration daemon (IPv4 address in
// IPADDRESS, TCP port 6979): the shared-directory mount of the master and
// the user's credential for keystroke playback.
#include "session/ConfigDaemonMessages.h"

constexpr int kConfigDaemonPort = 6979;

// Builds a request; with no format the unit password is the registry value
// "unit-global-password" of "/config" (empty when it cannot be read). With any
// format the password field is that password followed by the three strings
// (the format text itself is not interpreted). The request's length, or 0.
int commandString(char* buffer, int size, const char* messageType, const char* key, const char* value,
                  const char* format);

// One exchange with the daemon; the result is in reply (return code -1 when
// the exchange failed). The first argument is not used. Bounded in time:
// each wait 2.5 s, the whole reply at most 10 s.
void qwlCommunicate(const char* host, const char* request, int length, response_struct* reply);

// Asks the daemon to mount the user's shared directory; its return code
// (0 mounted), -1 when no exchange took place.
int kdvmountAPI();

// The user's credential, unscrambled, into buffer (cut to size - 1); 0, or
// -1 when no password came back.
int qwgetcredAPI(char* buffer, int size);
