// The toolkit's options without a value, given to qw5250 as a program: it
// starts and runs with each. "-synchronous" makes every request wait for the
// server (seen by the server as a round trip after each request),
// "+synchronous" undoes it. "-rv", "-reverse" and "+rv" set the toolkit's
// reverse video, which swaps only the toolkit's default colours: the
// session's colours come from its colour scheme.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xproto.h>

#include <string>
#include <vector>

#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/SessionWindows.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XRequestRecorder.h"
#include "tests/support/XWindows.h"

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;

using ToolkitOptionsTest = Qw5250ProgramTest;

TEST_F(ToolkitOptionsTest, ValuelessOptionsStartTheProgramAndTakeEffect) {
  struct Case {
    std::vector<std::string> options;
    bool synchronous;
  };
  const Case cases[] = {
      {{"-synchronous"}, true}, {{"+synchronous"}, false}, {{"-synchronous", "+synchronous"}, false},
      {{"-rv"}, false},         {{"-reverse"}, false},     {{"+rv"}, false},
      {{"-rv", "+rv", "-synchronous"}, true},
  };
  for (const Case& c : cases) {
    std::string what;
    for (const std::string& o : c.options) what += o + " ";
    SCOPED_TRACE(what);
    XRequestRecorder recorder;
    ASSERT_TRUE(recorder.Start(server_.DisplayName()));
    TestHost5250 host;
    ASSERT_TRUE(host.Start());
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-PORT", std::to_string(host.Port()), "-RETRY_COUNT", "0", "127.0.0.1"});
    startQw(args);
    ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw_->Output();
    const Window shell = WaitForSessionWindow(display_, kWaitMs);
    ASSERT_NE(shell, static_cast<Window>(None)) << qw_->Output();
    const Window drawing = DrawingWindow(display_, shell);
    ASSERT_NE(drawing, static_cast<Window>(None));

    // Synchronous: about every other request is the round trip that waits
    // for the server (GetInputFocus); otherwise only a few are.
    XRequestRecorder::Counts counts;
    ASSERT_TRUE(WaitUntil(
        [&] {
          counts = recorder.CountsOf(shell);
          return counts.total >= 1000;
        },
        kWaitMs, display_));
    const unsigned long roundTrips = counts.byOpcode[X_GetInputFocus];
    if (c.synchronous)
      EXPECT_GE(roundTrips * 3, counts.total) << roundTrips << " of " << counts.total;
    else
      EXPECT_LT(roundTrips * 10, counts.total) << roundTrips << " of " << counts.total;

    EXPECT_TRUE(qw_->Running()) << qw_->Output();
    qw_->Stop();
  }
}

}  // namespace
}  // namespace qwtest
