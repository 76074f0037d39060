// Start-up time of Teldra to a managed, empty desktop: from exec to the
// moment its desktop command runs (the root's redirect is taken before that).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

namespace {

void BM_TeldraStartToDesktop(benchmark::State& state) {
  qwtest::XTestServer server;
  if (!server.Start()) {
    state.SkipWithError("no Xvfb");
    return;
  }
  Display* display = server.Connect();
  qwtest::TempDir home;
  const std::string marker = home.Path() + "/up";
  home.WriteFile("registry/desktop/preferences",
                 "desktop_command = /bin/sh -c \"touch " + marker + "; exec xmessage -name desktop up\"\n");
  for (auto _ : state) {
    unlink(marker.c_str());
    qwtest::ChildProcess teldra;
    qwtest::ChildProcess::Options o;
    o.argv = {TELDRA_BINARY, "-display", server.DisplayName()};
    o.env = qwtest::ChildProcess::BaseEnvironment(
        {"HOME=" + home.Path(), "QX_REGISTRY_DIR=" + home.Path() + "/registry",
         "QX_SERVICE_DIR=" + home.Path() + "/services", "DISPLAY=" + server.DisplayName()});
    o.discardOutput = true;
    if (!teldra.Start(o)) {
      state.SkipWithError("teldra did not start");
      return;
    }
    struct stat st;
    const bool up = qwtest::WaitUntil([&] { return stat(marker.c_str(), &st) == 0; }, 20000, display);
    state.PauseTiming();
    if (!up) state.SkipWithError("no desktop");
    teldra.Stop(5000);
    state.ResumeTiming();
    if (!up) return;
  }
}
BENCHMARK(BM_TeldraStartToDesktop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
