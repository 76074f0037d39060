// The tempreg service's message decoder and store: any sequence of requests
// from up to four clients, with clients going away between them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wm/services/TempregStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TempregStore store(4096, 16);
  TempregClient clients[4];
  std::vector<unsigned char> reply;
  // Each request: a byte with the client (low 2 bits) and a drop flag (0x80),
  // a length byte, then that many bytes of request.
  size_t i = 0;
  while (i + 2 <= size) {
    TempregClient& c = clients[data[i] & 3];
    const bool drop = data[i] & 0x80;
    size_t n = data[i + 1];
    i += 2;
    if (n > size - i) n = size - i;
    if (drop) store.Drop(c);
    store.Handle(c, data + i, n, &reply);
    if (reply.size() > TempregStore::kMaxRead + 5) __builtin_trap();
    i += n;
  }
  for (auto& c : clients) store.Drop(c);
  return 0;
}
