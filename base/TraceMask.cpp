#include "base/TraceMask.h"

#include <algorithm>

void TraceMask::hide(const unsigned char* data, size_t n) {
  if (!data || n == 0) return;
  std::vector<unsigned char> plain(data, data + n);
  std::vector<unsigned char> telnet;
  for (unsigned char c : plain) {
    telnet.push_back(c);
    if (c == 0xFF) telnet.push_back(c);
  }
  for (std::vector<unsigned char>* s : {&plain, &telnet}) {
    if (s == &telnet && telnet.size() == plain.size()) break;
    if (std::find(secrets_.begin(), secrets_.end(), *s) != secrets_.end()) continue;
    if (secrets_.size() == kMaxSecrets) secrets_.erase(secrets_.begin());
    secrets_.push_back(*s);
  }
}

std::vector<unsigned char> TraceMask::mask(const unsigned char* data, size_t n) const {
  std::vector<unsigned char> out(data, data + (data ? n : 0));
  for (const std::vector<unsigned char>& s : secrets_) {
    auto at = out.begin();
    while ((at = std::search(at, out.end(), s.begin(), s.end())) != out.end()) {
      std::fill(at, at + static_cast<std::ptrdiff_t>(s.size()), kMaskByte);
      at += static_cast<std::ptrdiff_t>(s.size());
    }
  }
  return out;
}
