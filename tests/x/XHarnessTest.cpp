// Checks of the X test harness itself: servers, properties, windows, keys,
// child processes and the window manager.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "tests/support/ChildProcess.h"
#include "tests/support/WindowManager.h"
#include "tests/support/XKeys.h"
#include "tests/support/XProps.h"
#include "tests/support/XServerTest.h"
#include "tests/support/XWindows.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <csignal>

namespace qwtest {
namespace {

class XHarnessTest : public XServerTest {
 protected:
  Window makeWindow(const char* name, const char* cls, long mask = 0) {
    Window w =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 100, 1, 0, 0);
    XClassHint hint = {const_cast<char*>(name), const_cast<char*>(cls)};
    XSetClassHint(display_, w, &hint);
    XStoreName(display_, w, name);
    if (mask) XSelectInput(display_, w, mask);
    XMapWindow(display_, w);
    XSync(display_, False);
    return w;
  }
};

TEST_F(XHarnessTest, ServersInParallelGetTheirOwnDisplays) {
  XTestServer second;
  ASSERT_TRUE(second.Start()) << second.Error();
  EXPECT_NE(second.DisplayName(), server_.DisplayName());
  Display* d2 = second.Connect();
  ASSERT_NE(d2, nullptr);
  // A property on one server is not seen on the other.
  SetRootProperty8(display_, "QW_HARNESS", "STRING", "one");
  EXPECT_FALSE(ReadRootProperty(d2, "QW_HARNESS").exists);
  second.Stop();
  EXPECT_FALSE(second.Running());
}

TEST_F(XHarnessTest, RootPropertiesRoundTripInEveryFormat) {
  SetRootProperty32(display_, "QW_P32", "CARDINAL", {27, 5, 7, -2});
  PropertyValue p = ReadRootProperty(display_, "QW_P32");
  ASSERT_TRUE(p.exists);
  EXPECT_EQ(p.typeName, "CARDINAL");
  EXPECT_EQ(p.format, 32);
  EXPECT_EQ(p.values, (std::vector<long>{27, 5, 7, -2}));

  SetRootProperty16(display_, "QW_P16", "CARDINAL", {3, 4});
  p = ReadRootProperty(display_, "QW_P16");
  EXPECT_EQ(p.format, 16);
  EXPECT_EQ(p.values, (std::vector<long>{3, 4}));

  // Longer than one read chunk, with a NUL inside.
  std::string big(300000, 'x');
  big[1000] = '\0';
  big.back() = 'z';
  SetRootProperty8(display_, "QW_P8", "STRING", big);
  p = ReadRootProperty(display_, "QW_P8");
  EXPECT_EQ(p.format, 8);
  EXPECT_EQ(p.bytes, big);

  DeleteRootProperty(display_, "QW_P8");
  EXPECT_FALSE(ReadRootProperty(display_, "QW_P8").exists);
}

TEST_F(XHarnessTest, FindsWindowsByClassAndNameAndTrapsErrors) {
  Window w = makeWindow("harness-one", "QwHarness");
  EXPECT_EQ(WaitForWindowByClass(display_, "QwHarness", 5000), w);
  EXPECT_EQ(WaitForWindowByName(display_, "harness-one", 5000), w);
  EXPECT_EQ(WaitForWindowByClass(display_, "NoSuchClass", 200), None);

  XErrorTrap trap(display_);
  XMapWindow(display_, 0x7ffffff);  // no such window
  std::vector<int> errors = trap.Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], BadWindow);
}

TEST_F(XHarnessTest, XTestKeysReachAFocusedWindow) {
  ASSERT_TRUE(HasXTest(display_));
  Window w = makeWindow("keys", "QwKeys", KeyPressMask);
  XSetInputFocus(display_, w, RevertToParent, CurrentTime);
  XSync(display_, False);
  ASSERT_TRUE(TypeText(display_, "aB1"));
  ASSERT_TRUE(PressKey(display_, XK_Return));
  std::string typed;
  EXPECT_TRUE(WaitUntil(
      [&] {
        while (XPending(display_)) {
          XEvent ev;
          XNextEvent(display_, &ev);
          if (ev.type != KeyPress) continue;
          char buf[8];
          KeySym sym;
          int n = XLookupString(&ev.xkey, buf, sizeof buf, &sym, nullptr);
          if (sym == XK_Return)
            typed += "<ret>";
          else
            typed.append(buf, n);
        }
        return typed.size() >= 8;
      },
      5000));
  EXPECT_EQ(typed, "aB1<ret>");
}

TEST(ChildProcessTest, CapturesOutputExitAndSignals) {
  ChildProcess echo;
  ASSERT_TRUE(echo.Start({"sh", "-c", "echo out:$QW_VALUE; echo err >&2; exit 3"},
                         ChildProcess::BaseEnvironment({"QW_VALUE=42"})));
  EXPECT_TRUE(echo.WaitForOutput("out:42", 5000));
  EXPECT_TRUE(echo.WaitExit(5000));
  EXPECT_EQ(echo.ExitCode(), 3);
  EXPECT_EQ(echo.Stderr(), "err\n");

  ChildProcess sleeper;
  ASSERT_TRUE(
      sleeper.Start({"sh", "-c", "echo ready; exec sleep 100"}, ChildProcess::BaseEnvironment()));
  ASSERT_TRUE(sleeper.WaitForOutput("ready", 5000));
  EXPECT_FALSE(sleeper.WaitExit(50));  // still running
  EXPECT_TRUE(sleeper.Signal(SIGTERM));
  EXPECT_TRUE(sleeper.WaitExit(5000));
  EXPECT_EQ(sleeper.TermSignal(), SIGTERM);

  ChildProcess missing;
  EXPECT_FALSE(missing.Start({"/nonexistent/program"}, {}));
  EXPECT_NE(missing.Error().find("cannot run"), std::string::npos);
}

TEST_F(XHarnessTest, KillingTheServerEndsItsClients) {
  SetRootProperty8(display_, "QW_SPY", "STRING", "first");
  ChildProcess spy;
  ASSERT_TRUE(spy.Start({"xprop", "-display", server_.DisplayName(), "-root", "-spy", "QW_SPY"},
                        ChildProcess::BaseEnvironment()));
  ASSERT_TRUE(spy.WaitForOutput("first", 5000)) << spy.Output();
  // xprop selects the change events only after its first print: change
  // the property until a change is reported.
  int changes = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        SetRootProperty8(display_, "QW_SPY", "STRING", "change" + std::to_string(++changes));
        return spy.WaitForOutput("change", 100);
      },
      5000))
      << spy.Output();
  server_.Kill();
  EXPECT_FALSE(server_.Running());
  EXPECT_TRUE(spy.WaitExit(10000));
  EXPECT_NE(spy.ExitCode(), 0);
}

TEST_F(XHarnessTest, TwmReparentsAndFramesWindows) {
  TestWindowManager wm;
  ASSERT_TRUE(wm.Start(display_, server_.DisplayName())) << wm.Error();
  Window w = makeWindow("framed", "QwFramed");
  Window frame = None;
  EXPECT_TRUE(WaitUntil(
      [&] {
        frame = TopLevelAncestor(display_, w);
        return frame != None && frame != w;
      },
      10000, display_));
  EXPECT_EQ(WaitForWindowByClass(display_, "QwFramed", 5000), w);
}

}  // namespace
}  // namespace qwtest
