#pragma once
// The secrets a trace must not show: the bytes of non-display fields that a
// session sends to its host. Trace dumps go through mask(), which covers
// every place where one of the remembered byte strings stands (also in its
// Telnet form, each 0xFF doubled) with asterisks. Only the most recent
// strings are kept.
#include <cstddef>
#include <vector>

class TraceMask {
 public:
  static constexpr size_t kMaxSecrets = 16;
  // EBCDIC asterisk: dumps show it as "*" and "5C".
  static constexpr unsigned char kMaskByte = 0x5C;

  // Remembers n bytes (nothing for n == 0).
  void hide(const unsigned char* data, size_t n);
  void clear() { secrets_.clear(); }
  bool empty() const { return secrets_.empty(); }
  // A copy of the n bytes with every remembered string covered.
  std::vector<unsigned char> mask(const unsigned char* data, size_t n) const;

 private:
  std::vector<std::vector<unsigned char>> secrets_;
};
