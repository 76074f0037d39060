// The toolkit of the master process on a private X server, for tests that
// run sessions in-process: making it once, pumping its event sources while
// a test waits, and finding the session created last.
#pragma once

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <cstdlib>
#include <functional>
#include <string>

#include "base/LogMsg.h"
#include "session/AppInit.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/XtEventSources.h"
#include "tests/support/SharedMemoryKeys.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestClock.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TestLocales.h"
#include "tests/support/XTestServer.h"
#include "xfront/XStuffPrivate.h"

namespace qwtest::session_toolkit {

constexpr int kWaitMs = 20000;

// The server and the HOME folder of the toolkit, alive as long as the process,
// and the LANG it was made with.
inline XTestServer* g_server = nullptr;
inline TempDir* g_home = nullptr;
inline std::string g_lang;

// Starts a private X server (of `depth` bits when not 0), points DISPLAY
// and HOME (a new temporary folder) at it, sets LANG to `lang` and makes the
// toolkit of this process there. False, with the reason in *error, when
// either step fails.
inline bool StartToolkit(int depth, std::string* error, const std::string& lang = LocaleName(SuiteLocale()),
                         int width = 1024,
                         int height = 768) {
  g_server = new XTestServer;
  if (depth != 0) g_server->SetDepth(depth);
  if (!g_server->Start(width, height)) {
    *error = g_server->Error();
    return false;
  }
  g_home = new TempDir;
  setenv("DISPLAY", g_server->DisplayName().c_str(), 1);
  setenv("HOME", g_home->Path().c_str(), 1);
  setenv("LANG", lang.c_str(), 1);
  g_lang = lang;
  UsePrivateMasterRecordKey();
  static char name[] = "qw5250";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  if (initializeApplication(&argc, argv) != 0) {
    *error = "initializeApplication failed";
    return false;
  }
  return true;
}

// For a suite of in-process sessions: the toolkit on a server of the
// default depth unless this process has one (debug logging on), a dialog that
// keeps the master alive when a test ends its last session, and a second
// connection to the server through which the test reads what a user sees.
// Null, with the reason in *error, when a step fails.
inline Display* StartSessionSuite(std::string* error, int width = 1024, int height = 768, int depth = 0) {
  if (!ApplicationContext()) {
    if (!StartToolkit(depth, error, LocaleName(SuiteLocale()), width, height)) return nullptr;
    SetDebugFlag(true);
  }
  if (TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr) < 0) {
    *error = "the keep-alive dialog could not be made";
    return nullptr;
  }
  Display* test = XOpenDisplay(DisplayString(XtDisplay(TopLevelWidget())));
  if (!test) *error = "cannot open a second connection to the server";
  return test;
}

inline void Pump(unsigned long ms = 20) { MasterEventSources()->ProcessPending(ms); }

// The X events queued now, each dispatched as the main loop does (with the
// keyboard's pre-dispatch, which Pump leaves out).
inline void DispatchPendingAsMainLoop() {
  XtAppContext app = ApplicationContext();
  for (int n = 0; n < 200 && (XtAppPending(app) & XtIMXEvent); ++n) DispatchNextEvent(app);
}

inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
  Deadline deadline(timeoutMs);
  while (!done()) {
    if (deadline.Expired()) return false;
    Pump();
  }
  return true;
}

// Waits until a session window has settled: mapped, every part the size
// the server has, and no resize still to finish (a click before that may
// land on a part that is about to move).
inline bool SameSizeOnServer(Display* d, Widget w) {
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XtNwidth, &width, XtNheight, &height, nullptr);
  XWindowAttributes a;
  return XGetWindowAttributes(d, XtWindow(w), &a) && a.width == width && a.height == height;
}
inline bool SettleSessionWindow(SessionControlBlock* b) {
  Display* d = XtDisplay(b->xstuff.shell());
  if (!RunUntil([b, d] {
        XWindowAttributes a;
        return XtIsRealized(b->xstuff.shell()) && XGetWindowAttributes(d, XtWindow(b->xstuff.shell()), &a) &&
               a.map_state == IsViewable;
      }))
    return false;
  int agreed = 0;
  return RunUntil(
      [b, d, &agreed] {
        XSync(d, False);
        Pump(1);
        XStuff::Private& p = *b->xstuff.privatePart();
        const bool same = SameSizeOnServer(d, b->xstuff.shell()) && SameSizeOnServer(d, b->xstuff.x_get_text_widget()) &&
                          SameSizeOnServer(d, p.optionArea) && (!p.menuBar || SameSizeOnServer(d, p.menuBar)) &&
                          p.finishResizeTimer == 0;
        agreed = same ? agreed + 1 : 0;
        return agreed >= 3;
      },
      5000);
}

inline TestHost5250::Pump HostPump() {
  return [] { Pump(); };
}

// The session created last (null when there is none).
inline SessionControlBlock* NewestSession() {
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

}  // namespace qwtest::session_toolkit
