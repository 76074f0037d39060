// Counts the core protocol requests every client of a test server sends,
// through the server's RECORD extension: what a program under test asks of
// the server, seen from outside it.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

#include <map>
#include <string>

namespace qwtest {

class XRequestRecorder {
 public:
  struct Counts {
    unsigned long total = 0;
    std::map<int, unsigned long> byOpcode;  // major opcode -> requests
  };

  XRequestRecorder() = default;
  ~XRequestRecorder();
  XRequestRecorder(const XRequestRecorder&) = delete;
  XRequestRecorder& operator=(const XRequestRecorder&) = delete;

  // Starts recording the requests of all present and future clients; false
  // when the server has no RECORD extension or refuses.
  bool Start(const std::string& displayName);
  // Takes in what the server has recorded so far.
  void Poll();
  // The requests of the client that owns `resource` (a window of it): the
  // recorded client whose resource id base is the greatest not above it.
  Counts CountsOf(XID resource);

 private:
  static void Intercept(XPointer self, XRecordInterceptData* data);

  Display* control_ = nullptr;
  Display* data_ = nullptr;
  XRecordContext context_ = 0;
  std::map<XID, Counts> clients_;  // by resource id base
};

}  // namespace qwtest
