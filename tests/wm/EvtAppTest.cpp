#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <unistd.h>

#include <csignal>
#include <vector>

#include "platform/sdk/EvtApp.h"

namespace {

class EvtAppTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(app_ = EvtCreateAppContext(), nullptr); }
  void TearDown() override { EvtDestroyAppContext(app_); }
  // Runs passes until cond() holds; false when 200 passes of 10 ms did not do.
  template <class F>
  bool RunUntil(F cond) {
    for (int i = 0; i < 200 && !cond(); ++i) EvtAppProcessOnce(app_, 10);
    return cond();
  }
  EvtAppContext* app_ = nullptr;
};

struct Log {
  std::vector<int> fired;
};

void Record(void* closure, unsigned long) { static_cast<Log*>(closure)->fired.push_back(0); }

TEST_F(EvtAppTest, TimersFireInDeadlineOrderAndRecurringOnesUntilRemoved) {
  std::vector<int> order;
  struct Tag {
    std::vector<int>* order;
    int n;
  } t30{&order, 30}, t10{&order, 10}, t20{&order, 20};
  auto proc = [](void* c, unsigned long) {
    auto* t = static_cast<Tag*>(c);
    t->order->push_back(t->n);
  };
  // Each deadline lies between the clock read before and after its add; a
  // loaded machine may stall between two adds, so only timers whose deadline
  // windows do not overlap have an order to check.
  std::map<int, std::pair<uint64_t, uint64_t>> window;
  auto add = [&](unsigned long ms, Tag* tag) {
    const uint64_t before = EvtNowMilliseconds() + ms;
    EvtAppAddTimeOut(app_, ms, proc, tag);
    window[tag->n] = {before, EvtNowMilliseconds() + ms};
  };
  add(30, &t30);
  add(10, &t10);
  unsigned long removed = EvtAppAddTimeOut(app_, 15, proc, &t20);
  EvtAppRemoveTimeOut(app_, removed);
  add(20, &t20);
  ASSERT_TRUE(RunUntil([&] { return order.size() == 3; }));
  ASSERT_EQ(std::count(order.begin(), order.end(), 20), 1) << "the removed timer did not fire";
  for (size_t i = 0; i < order.size(); ++i)
    for (size_t j = i + 1; j < order.size(); ++j)
      EXPECT_LE(window[order[i]].first, window[order[j]].second)
          << order[i] << " fired before " << order[j] << " although its deadline was later";
  EXPECT_EQ(EvtAppTimerCount(app_), 0);

  Log log;
  unsigned long every = EvtAppAddRecurringTimeOut(app_, 1, Record, &log);
  ASSERT_TRUE(RunUntil([&] { return log.fired.size() >= 3; }));
  EXPECT_EQ(EvtAppTimerCount(app_), 1) << "a recurring timer stays";
  EvtAppRemoveTimeOut(app_, every);
  const size_t seen = log.fired.size();
  EvtAppProcessOnce(app_, 5);
  EXPECT_EQ(log.fired.size(), seen);
}

TEST_F(EvtAppTest, TimerRemovedByAnEarlierCallbackOfTheSamePassDoesNotFire) {
  struct Pair {
    EvtAppContext* app;
    unsigned long other;
    int fired = 0;
  } p{app_, 0};
  auto first = [](void* c, unsigned long) {
    auto* q = static_cast<Pair*>(c);
    ++q->fired;
    EvtAppRemoveTimeOut(q->app, q->other);
  };
  EvtAppAddTimeOut(app_, 0, first, &p);
  p.other = EvtAppAddTimeOut(app_, 0, first, &p);
  usleep(2000);
  EvtAppProcessOnce(app_, 0);
  EXPECT_EQ(p.fired, 1);
}

TEST_F(EvtAppTest, ReadableDescriptorsRunTheirCallbackAndClosedOnesAreDropped) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  struct Reader {
    int reads = 0;
    char last = 0;
  } r;
  auto proc = [](void* c, int fd) {
    auto* rd = static_cast<Reader*>(c);
    ++rd->reads;
    (void)!read(fd, &rd->last, 1);
  };
  unsigned long id = EvtAppAddInput(app_, fds[0], proc, &r);
  EXPECT_EQ(EvtAppInputCount(app_), 1);
  EvtAppProcessOnce(app_, 0);
  EXPECT_EQ(r.reads, 0) << "nothing to read yet";
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  ASSERT_TRUE(RunUntil([&] { return r.reads == 1; }));
  EXPECT_EQ(r.last, 'x');
  EvtAppRemoveInput(app_, id);
  ASSERT_EQ(write(fds[1], "y", 1), 1);
  EvtAppProcessOnce(app_, 0);
  EXPECT_EQ(r.reads, 1) << "removed watches stay quiet";

  // A descriptor closed under its watch must not make the loop spin.
  EvtAppAddInput(app_, fds[0], proc, &r);
  close(fds[0]);
  EvtAppProcessOnce(app_, 0);
  EXPECT_EQ(EvtAppInputCount(app_), 0);
  close(fds[1]);
}

EvtSignalNotice* gNotice = nullptr;
volatile sig_atomic_t gHandlerRan = 0;

TEST_F(EvtAppTest, SignalNoticeRunsInTheLoopNotInTheHandler) {
  struct Seen {
    int calls = 0;
    bool handlerHadRun = false;
  } seen;
  gNotice = EvtAppAddSignal(app_, [](void* c) {
    auto* s = static_cast<Seen*>(c);
    ++s->calls;
    s->handlerHadRun = gHandlerRan;
  }, &seen);
  struct sigaction sa = {}, old = {};
  sa.sa_handler = [](int) {
    gHandlerRan = 1;
    EvtNoticeSignal(gNotice);
  };
  sigaction(SIGUSR2, &sa, &old);
  raise(SIGUSR2);
  raise(SIGUSR2);
  EXPECT_EQ(seen.calls, 0) << "the handler only posts";
  // A blocking wait ends: the self-pipe wakes the loop.
  EvtAppProcessOnce(app_, 5000);
  EXPECT_EQ(seen.calls, 1) << "two posts before one pass make one call";
  EXPECT_TRUE(seen.handlerHadRun);
  EvtRemoveSignal(gNotice);
  raise(SIGUSR2);
  EvtAppProcessOnce(app_, 0);
  EXPECT_EQ(seen.calls, 1) << "a removed notice does nothing";
  sigaction(SIGUSR2, &old, nullptr);
  EvtNoticeSignal(nullptr);  // ignored
}

}  // namespace
