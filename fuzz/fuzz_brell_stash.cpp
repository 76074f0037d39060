// Random bytes into the readers of the secure-socket layer's files: the
// stash-file decoder and the key-ring parser. Both must refuse what they do
// not understand with a result code, never crash or read out of bounds.
//
// Input: the first byte picks the reader (even: stash, odd: key ring); for
// the key ring the next byte is the length of a password that follows.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/BrellKeyRing.h"
#include "platform/BrellStash.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool keyRing = data[0] & 1;
  ++data;
  --size;
  if (!keyRing) {
    std::string password;
    if (BrellParseStash(data, size, &password)) {
      if (password.empty() || password.size() > kBrellStashMaxPassword) __builtin_trap();
      if (password.find('\0') != std::string::npos) __builtin_trap();
    }
    return 0;
  }
  if (size < 1) return 0;
  std::size_t pwLen = data[0];
  ++data;
  --size;
  if (pwLen > size) pwLen = size;
  const std::string password(reinterpret_cast<const char*>(data), pwLen);
  const std::string text(reinterpret_cast<const char*>(data + pwLen), size - pwLen);
  BrellKeyRing ring;
  const int rc = ring.parse(text.data(), text.size(), password.c_str());
  if (rc == 0 && ring.trusted().empty()) __builtin_trap();
  if (rc != 0 && (!ring.trusted().empty() || ring.clientKey() || ring.clientCertificate()))
    __builtin_trap();
  return 0;
}
