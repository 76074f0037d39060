// Events per second through the SDK loop: 100 watched descriptors that each
// become readable in turn, with 100 recurring timers pending beside them.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <vector>

#include "platform/sdk/EvtApp.h"

namespace {

struct Pipe {
  int fds[2];
};

void ReadOne(void* closure, int fd) {
  char c;
  if (read(fd, &c, 1) == 1) ++*static_cast<long*>(closure);
}

void Tick(void*, unsigned long) {}

void BM_SdkLoopDescriptorsAndTimers(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  EvtAppContext* app = EvtCreateAppContext();
  std::vector<Pipe> pipes(count);
  long handled = 0;
  for (auto& p : pipes) {
    if (pipe(p.fds) != 0) state.SkipWithError("pipe");
    EvtAppAddInput(app, p.fds[0], ReadOne, &handled);
  }
  for (int i = 0; i < count; ++i) EvtAppAddRecurringTimeOut(app, 1000 + i, Tick, nullptr);
  size_t next = 0;
  for (auto _ : state) {
    // One descriptor readable per pass, round robin.
    if (write(pipes[next].fds[1], "x", 1) != 1) state.SkipWithError("write");
    next = (next + 1) % pipes.size();
    EvtAppProcessOnce(app, -1);
  }
  state.SetItemsProcessed(handled);
  for (auto& p : pipes) {
    close(p.fds[0]);
    close(p.fds[1]);
  }
  EvtDestroyAppContext(app);
}
BENCHMARK(BM_SdkLoopDescriptorsAndTimers)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
