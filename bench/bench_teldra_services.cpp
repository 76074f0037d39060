// Teldra's desktop services as their users see them, on a real Xvfb: round
// trips through the "teldra" command service (a ping each), and a screen
// dump of a 1920x1080x24 screen from the print hot key until the bitmap is
// whole, beside xwd's time for the same screen.
#include <benchmark/benchmark.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/sdk/QXService.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

namespace {

struct Session {
  qwtest::XTestServer server;
  qwtest::TempDir home;
  qwtest::ChildProcess teldra;
  Display* display = nullptr;

  bool Start(int width, int height) {
    if (!server.Start(width, height)) return false;
    display = server.Connect();
    if (!display) return false;
    home.WriteFile("registry/desktop/preferences",
                   "desktop_command = /bin/sh -c \"exec xmessage -name desktop -geometry +0+0 up\"\n");
    setenv("QX_SERVICE_DIR", (home.Path() + "/services").c_str(), 1);
    qwtest::ChildProcess::Options o;
    o.argv = {TELDRA_BINARY, "-display", server.DisplayName()};
    o.env = qwtest::ChildProcess::BaseEnvironment(
        {"HOME=" + home.Path(), "QX_REGISTRY_DIR=" + home.Path() + "/registry",
         "QX_SERVICE_DIR=" + home.Path() + "/services", "DISPLAY=" + server.DisplayName()});
    o.discardOutput = true;
    if (!teldra.Start(o)) return false;
    return qwtest::WaitUntil([&] { return qwtest::WindowManagerRunning(display); }, 20000) &&
           qwtest::WaitForWindowByClass(display, "desktop", 20000) != None;
  }
  ~Session() {
    if (teldra.Running()) teldra.Stop(3000);
  }
};

long FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

void BM_CommandServiceRoundTrip(benchmark::State& state) {
  Session s;
  if (!s.Start(1024, 768)) {
    state.SkipWithError("no Teldra");
    return;
  }
  QXService* c = nullptr;
  if (!qwtest::WaitUntil([&] { return QXServiceOpen("teldra", &c) == 0; }, 10000)) {
    state.SkipWithError("no service");
    return;
  }
  unsigned char reply[QXServiceMaxMessage];
  for (auto _ : state) {
    const unsigned char ping = 'o';
    size_t n = 0;
    QXServiceSend(c, &ping, 1);
    pollfd p = {QXServiceSelectFD(c), POLLIN, 0};
    if (poll(&p, 1, 10000) != 1 || QXServiceReceive(c, reply, sizeof reply, &n) != 0 || n != 2) {
      state.SkipWithError("no reply");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  QXServiceClose(c);
}
BENCHMARK(BM_CommandServiceRoundTrip)->UseRealTime();

void BM_ScreenDump1920x1080(benchmark::State& state) {
  Session s;
  if (!s.Start(1920, 1080)) {
    state.SkipWithError("no Teldra");
    return;
  }
  const KeyCode print = XKeysymToKeycode(s.display, XK_Print);
  const std::string file = s.home.Path() + "/registry/documents/scrdump1.bmp";
  const std::string inf = s.home.Path() + "/registry/documents/scrdump1.inf";
  const long whole = 54 + 1920L * 3 * 1080;
  for (auto _ : state) {
    XTestFakeKeyEvent(s.display, print, True, CurrentTime);
    XTestFakeKeyEvent(s.display, print, False, CurrentTime);
    XFlush(s.display);
    // Polled finely: the dump takes tens of milliseconds.
    int waited = 0;
    while (FileSize(file) != whole && waited < 60000) {
      usleep(500);
      ++waited;
    }
    if (waited >= 60000) {
      state.SkipWithError("no dump");
      break;
    }
    state.PauseTiming();
    unlink(file.c_str());
    unlink(inf.c_str());
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ScreenDump1920x1080)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_XwdRoot1920x1080(benchmark::State& state) {
  Session s;
  if (!s.Start(1920, 1080)) {
    state.SkipWithError("no Teldra");
    return;
  }
  const std::string out = s.home.Path() + "/root.xwd";
  for (auto _ : state) {
    qwtest::ChildProcess p;
    if (!p.Start({"xwd", "-root", "-silent", "-out", out}, qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + s.server.DisplayName()})) ||
        !p.WaitExit(30000)) {
      state.SkipWithError("no xwd");
      break;
    }
  }
}
BENCHMARK(BM_XwdRoot1920x1080)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
