#include "session/ConfigDaemonMessages.h"

#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kIndexBytes = 64;
constexpr int kPairs = 4;
constexpr int kMinimumBuffer = 45;

void Put32(char* at, uint32_t v) {
  at[0] = static_cast<char>(v >> 24);
  at[1] = static_cast<char>(v >> 16);
  at[2] = static_cast<char>(v >> 8);
  at[3] = static_cast<char>(v);
}

}  // namespace

int BuildConfigRequest(char* buffer, int size, const char* messageType, const char* key, const char* value,
                       const char* unitPassword) {
  if (!buffer || size < kMinimumBuffer) return 0;
  const char* strings[2 * kPairs] = {"MESSAGETYPE",     messageType ? messageType : "",
                                     key ? key : "",    value ? value : "",
                                     "CONFIGDPASSWORD", unitPassword ? unitPassword : "",
                                     "TIMING",          "         1"};
  size_t area = 0;
  for (const char* s : strings) area += std::strlen(s) + 1;
  const size_t total = kConfigHeaderBytes + area + kIndexBytes;
  if (total > static_cast<size_t>(size)) return 0;
  std::memset(buffer, 0, total);
  Put32(buffer + 12, static_cast<uint32_t>(area));
  Put32(buffer + 16, kPairs);
  size_t offset = 0;
  char* index = buffer + kConfigHeaderBytes + area;
  for (int i = 0; i < 2 * kPairs; ++i) {
    const size_t len = std::strlen(strings[i]);
    std::memcpy(buffer + kConfigHeaderBytes + offset, strings[i], len + 1);
    Put32(index + 8 * i, static_cast<uint32_t>(offset));
    Put32(index + 8 * i + 4, static_cast<uint32_t>(len));
    offset += len + 1;
  }
  return static_cast<int>(total);
}

unsigned long ConfigReplyAreaLength(const unsigned char (&header)[kConfigHeaderBytes]) {
  return (static_cast<unsigned long>(header[12]) << 24) | (static_cast<unsigned long>(header[13]) << 16) |
         (static_cast<unsigned long>(header[14]) << 8) | header[15];
}

bool ParseConfigReply(const unsigned char* area, size_t length, response_struct& reply) {
  reply = response_struct();
  const char* text = reinterpret_cast<const char*>(area);
  // The terminated string at pos, or null when it runs past the area.
  auto next = [&](size_t& pos) -> const char* {
    if (pos >= length) return nullptr;
    const void* end = std::memchr(text + pos, 0, length - pos);
    if (!end) return nullptr;
    const char* s = text + pos;
    pos = static_cast<const char*>(end) - text + 1;
    return s;
  };
  struct Copied {
    const char* key;
    int slot;
    unsigned bit;
  };
  static const Copied kCopied[] = {
      {"AUTHSERVER", ConfigAuthServer, ConfigHasAuthServer}, {"CONFIGSERVER", ConfigServer, ConfigHasConfigServer},
      {"USERID", ConfigUserId, ConfigHasUserId},             {"PASSWORD", ConfigPassword, ConfigHasPassword},
      {"BOOLEAN", ConfigBoolean, ConfigHasBoolean},
  };
  size_t pos = 0;
  while (pos < length) {
    const char* key = next(pos);
    if (!key) break;
    const bool known = strcasecmp(key, "MESSAGETYPE") == 0 || strcasecmp(key, "RETURNCODE") == 0;
    const Copied* copied = nullptr;
    for (const Copied& c : kCopied)
      if (strcasecmp(key, c.key) == 0) copied = &c;
    if (!known && !copied) continue;  // an unknown key stands by itself
    const char* value = next(pos);
    if (!value) {
      reply = response_struct();
      return false;
    }
    if (strcasecmp(key, "RETURNCODE") == 0) {
      reply.returnCode = static_cast<int>(std::strtol(value, nullptr, 10));
    } else if (copied) {
      std::strncpy(reply.strings[copied->slot], value, kConfigValueBytes - 1);
      reply.present |= copied->bit;
    }
  }
  if (pos < length) {  // a key without its terminator
    reply = response_struct();
    return false;
  }
  return true;
}

void qwgetcredDecode(char* data, int length) {
  for (int i = 0; data && i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(data[i]);
    if (c >= '!' && c <= '~') data[i] = static_cast<char>('!' + (c - '!' + 47) % 94);
  }
}
