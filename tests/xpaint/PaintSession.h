// A toolkit on a private X server of a chosen depth, shared by the tests of
// this folder, and in-process sessions on it.
#pragma once

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <cstdlib>
#include <functional>

#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "session/XtEventSources.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestClock.h"
#include "tests/support/XTestServer.h"

namespace paint_test {

constexpr int kWaitMs = 20000;

inline int g_depth = 0;
inline qwtest::XTestServer* g_server = nullptr;
inline qwtest::TempDir* g_home = nullptr;

// Starts the toolkit on a server of `depth` unless this process already has
// one; false when it has one of another depth.
inline bool Toolkit(int depth) {
  if (!ApplicationContext()) {
    g_server = new qwtest::XTestServer;
    g_server->SetDepth(depth);
    if (!g_server->Start()) return false;
    g_home = new qwtest::TempDir;
    setenv("DISPLAY", g_server->DisplayName().c_str(), 1);
    setenv("HOME", g_home->Path().c_str(), 1);
    setenv("LANG", "C", 1);
    static char name[] = "qw5250";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    if (initializeApplication(&argc, argv) != 0) return false;
    g_depth = depth;
    // An open dialog keeps the master alive when a test ends its last session.
    TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr);
  }
  return g_depth == depth;
}

inline Display* ToolkitDisplay() { return XtDisplay(TopLevelWidget()); }
inline void Pump(unsigned long ms = 20) { MasterEventSources()->ProcessPending(ms); }
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
  qwtest::Deadline deadline(timeoutMs);
  while (!done()) {
    if (deadline.Expired()) return false;
    Pump();
  }
  return true;
}

inline SessionControlBlock* NewSession(int port) {
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = port;
  o.title = "QW5250 sign-on";
  createSessionUnderThisProcess(o, nullptr, nullptr);
  SessionControlBlock* newest = nullptr;
  int sequence = 0;
  for (int i = 0; i < kMaxSessionSlots; ++i) {
    const SessionTableEntry* e = SessionEntry(i);
    if (e->session && e->sequence > sequence) {
      sequence = e->sequence;
      newest = e->session;
    }
  }
  return newest;
}

}  // namespace paint_test
