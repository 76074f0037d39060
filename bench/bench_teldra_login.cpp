// What a user waits for at the log-in and lock screens of Teldra on a real
// X server: from the Enter that sends a right user name and password to
// the moment the desktop command runs, and from the Enter of a right
// unlock password to the desktop shown again (the lock window gone). The
// typing before the Enter is not timed; PAM checks a real account.
#include <benchmark/benchmark.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestUser.h"
#include "tests/support/XProps.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

namespace {

constexpr const char* kPassword = "B3nch-pass";

struct Rig {
  qwtest::XTestServer server;
  Display* display = nullptr;
  qwtest::TempDir home;
  qwtest::TestUser user{kPassword};
  std::string marker;

  bool Start() {
    if (!user.Ok() || !server.Start()) return false;
    display = server.Connect();
    marker = home.Path() + "/up";
    home.WriteFile("registry/desktop/preferences",
                   "desktop_command = /bin/sh -c \"touch " + marker + "; exec xmessage -name desktop up\"\n");
    return display != nullptr;
  }
  bool Teldra(qwtest::ChildProcess* teldra, bool login) {
    qwtest::ChildProcess::Options o;
    o.argv = {TELDRA_BINARY, "-display", server.DisplayName()};
    if (login) o.argv.push_back("-login");
    o.env = qwtest::ChildProcess::BaseEnvironment(
        {"HOME=" + home.Path(), "QX_REGISTRY_DIR=" + home.Path() + "/registry",
         "QX_SERVICE_DIR=" + home.Path() + "/services", "DISPLAY=" + server.DisplayName(), "USER=" + user.Name(),
         "LOGNAME=" + user.Name()});
    o.discardOutput = true;
    return teldra->Start(o);
  }
  void Type(const std::string& text) {
    qwtest::ChildProcess p;
    p.Start({"xdotool", "type", "--delay", "5", text},
            qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server.DisplayName()}));
    p.WaitExit(10000);
  }
  void Key(KeySym sym) {
    const KeyCode code = XKeysymToKeycode(display, sym);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XFlush(display);
  }
  bool Viewable(const char* name) {
    for (Window w : qwtest::FindWindowsByName(display, name)) {
      XWindowAttributes a;
      if (XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) return true;
    }
    return false;
  }
};

void BM_LoginEnterToDesktopCommand(benchmark::State& state) {
  Rig rig;
  if (!rig.Start()) {
    state.SkipWithError("no Xvfb or no test account");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    unlink(rig.marker.c_str());
    qwtest::ChildProcess teldra;
    if (!rig.Teldra(&teldra, true) ||
        !qwtest::WaitUntil([&] { return rig.Viewable("Welcome to the Quexel"); }, 20000, rig.display)) {
      state.SkipWithError("no log-in dialog");
      return;
    }
    rig.Type(rig.user.Name());
    rig.Key(XK_Return);
    rig.Type(kPassword);
    qwtest::XBarrier(rig.display);
    state.ResumeTiming();
    rig.Key(XK_Return);
    struct stat st;
    const bool up = qwtest::WaitUntil([&] { return stat(rig.marker.c_str(), &st) == 0; }, 20000, rig.display);
    state.PauseTiming();
    if (!up) state.SkipWithError("the session did not start");
    teldra.Stop(5000);
    state.ResumeTiming();
    if (!up) return;
  }
}
BENCHMARK(BM_LoginEnterToDesktopCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_UnlockEnterToDesktop(benchmark::State& state) {
  Rig rig;
  qwtest::ChildProcess teldra;
  struct stat st;
  if (!rig.Start() || !rig.Teldra(&teldra, false) ||
      !qwtest::WaitUntil([&] { return stat(rig.marker.c_str(), &st) == 0; }, 20000, rig.display)) {
    state.SkipWithError("no session");
    return;
  }
  const Window root = DefaultRootWindow(rig.display);
  for (auto _ : state) {
    state.PauseTiming();
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = root;
    ev.xclient.message_type = XInternAtom(rig.display, "_QX_LOCK_SCREEN", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 1;
    XSendEvent(rig.display, root, False, SubstructureRedirectMask, &ev);
    XFlush(rig.display);
    if (!qwtest::WaitUntil([&] { return rig.Viewable("screen lock"); }, 20000, rig.display)) {
      state.SkipWithError("no lock");
      return;
    }
    rig.Key(XK_space);
    if (!qwtest::WaitUntil([&] { return rig.Viewable(("Screen Locked by " + rig.user.Name()).c_str()); }, 20000,
                           rig.display)) {
      state.SkipWithError("no unlock dialog");
      return;
    }
    rig.Type(kPassword);
    qwtest::XBarrier(rig.display);
    state.ResumeTiming();
    rig.Key(XK_Return);
    const bool unlocked = qwtest::WaitUntil([&] { return !rig.Viewable("screen lock"); }, 20000, rig.display);
    if (!unlocked) {
      state.SkipWithError("not unlocked");
      return;
    }
  }
  teldra.Stop(5000);
}
BENCHMARK(BM_UnlockEnterToDesktop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
