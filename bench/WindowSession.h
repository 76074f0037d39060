#pragma once
// The session window a windowed benchmark measures: a session on a new
// loopback host, its window mapped and realized. The toolkit is started
// first.
#include "tests/support/SessionToolkit.h"  // first: gtest before Xlib

#include <string>

#include "session/AppResources.h"
#include "session/StartOptions.h"
#include "xfront/XStuff.h"

// False with `error` set when there is no host or no window.
inline bool OpenWindowSession(const char* title, qwtest::TestHost5250** host, SessionControlBlock** block,
                              std::string* error) {
  using namespace qwtest::session_toolkit;
  AppResources().MAX_SESSIONS = 99;
  *host = new qwtest::TestHost5250;
  if (!(*host)->Start()) {
    *error = "no loopback host";
    return false;
  }
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = (*host)->Port();
  o.title = title;
  createSessionUnderThisProcess(o, nullptr, nullptr);
  SessionControlBlock* b = *block = NewestSession();
  if (!b || !(*host)->WaitNegotiated(kWaitMs, [] { Pump(); }) ||
      !RunUntil([b] { return b->xstuff.mapped() && XtIsRealized(b->xstuff.x_get_text_widget()); })) {
    *error = "no session window";
    return false;
  }
  return true;
}
