#pragma once
// The messages of the terminal's local configuration daemon: a request of
// key/value strings with an index, and a reply of a 32-byte header and
// zero-terminated key/value strings.
#include <cstddef>

constexpr size_t kConfigHeaderBytes = 32;
constexpr size_t kConfigRequestBufferBytes = 1023;
// The longest string area of a reply that is read: the five values of at
// most 255 characters, their keys, and room for a few more.
constexpr size_t kConfigMaxReplyArea = 8192;
constexpr size_t kConfigValueBytes = 256;

enum ConfigPresentBits : unsigned {
  ConfigHasUserId = 0x01,
  ConfigHasPassword = 0x02,
  ConfigHasConfigServer = 0x04,
  ConfigHasAuthServer = 0x08,
  ConfigHasBoolean = 0x10,
};

struct response_struct {
  int returnCode = -1;
  unsigned present = 0;
  char strings[16][kConfigValueBytes] = {};  // user id, password, config server, auth server, boolean, spare
};

enum ConfigReplyString : int {
  ConfigUserId = 0,
  ConfigPassword = 1,
  ConfigServer = 2,
  ConfigAuthServer = 3,
  ConfigBoolean = 4,
};

// Builds the request into buffer (size bytes) with the unit password given;
// returns its length, or 0 when the buffer is under 45 bytes or the strings
// do not fit.
int BuildConfigRequest(char* buffer, int size, const char* messageType, const char* key, const char* value,
                       const char* unitPassword);

// The string-area length of a reply header (bytes 12-15, big-endian).
unsigned long ConfigReplyAreaLength(const unsigned char (&header)[kConfigHeaderBytes]);

// Reads a reply's string area into reply (cleared first). False, with the
// return code -1 and nothing present, when a key or value runs past the
// area without its terminator.
bool ParseConfigReply(const unsigned char* area, size_t length, response_struct& reply);

// Undoes in place the daemon's scrambling of a credential: every printable
// character other than the blank is rotated by 47 within '!' to '~'.
void qwgetcredDecode(char* data, int length);
