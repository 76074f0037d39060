#include "platform/BrellStash.h"

#include <cstring>

namespace {

const char kHeader[] = "QW5250 STASH 1";

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits off the next line (without "\n" or "\r\n"); false at the end of
// the data. A line without a final newline is still a line.
bool NextLine(const unsigned char*& p, const unsigned char* end, std::string* line) {
  if (p >= end) return false;
  const unsigned char* nl = static_cast<const unsigned char*>(std::memchr(p, '\n', end - p));
  const unsigned char* stop = nl ? nl : end;
  line->assign(reinterpret_cast<const char*>(p), stop - p);
  if (!line->empty() && line->back() == '\r') line->pop_back();
  p = nl ? nl + 1 : end;
  return true;
}

bool ValidPassword(const std::string& pw) {
  if (pw.empty() || pw.size() > kBrellStashMaxPassword) return false;
  for (char c : pw)
    if (c == '\0' || c == '\r' || c == '\n') return false;
  return true;
}

}  // namespace

bool BrellParseStash(const unsigned char* data, std::size_t length, std::string* password) {
  password->clear();
  if (!data || length == 0 || length > kBrellStashMaxFile) return false;
  const unsigned char* p = data;
  const unsigned char* end = data + length;
  std::string header, body, extra;
  if (!NextLine(p, end, &header) || header != kHeader) return false;
  if (!NextLine(p, end, &body)) return false;
  if (NextLine(p, end, &extra)) return false;  // nothing may follow the password line

  std::string pw;
  if (body.compare(0, 6, "plain:") == 0) {
    pw = body.substr(6);
  } else if (body.compare(0, 4, "xor:") == 0) {
    const std::string hex = body.substr(4);
    if (hex.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < hex.size() / 2; ++i) {
      const int hi = HexValue(static_cast<unsigned char>(hex[2 * i]));
      const int lo = HexValue(static_cast<unsigned char>(hex[2 * i + 1]));
      if (hi < 0 || lo < 0) return false;
      const unsigned mask = (0xA5u + 29u * static_cast<unsigned>(i)) & 0xFFu;
      pw.push_back(static_cast<char>(((hi << 4) | lo) ^ mask));
    }
  } else {
    return false;
  }
  if (!ValidPassword(pw)) return false;
  *password = pw;
  return true;
}
