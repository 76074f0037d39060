// Screen Print from qw5250 started as the first README command starts it: the
// program of the build tree against the demo host, with a PATH that does not
// hold the print program. Screen Print opens the print dialog, a click on
// its Print button (XTEST) hands the screen to the print program found
// beside the program, and the job reaches the CUPS queue.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "PrivateCups.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/XKeys.h"
#include "tests/support/XWindows.h"

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;

// The viewable children of a window, bottom first (creation order for
// windows that were never restacked).
std::vector<Window> ViewableChildren(Display* d, Window w) {
  std::vector<Window> out;
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return out;
  for (unsigned i = 0; i < n; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, kids[i], &a) && a.map_state == IsViewable) out.push_back(kids[i]);
  }
  if (kids) XFree(kids);
  return out;
}

// The largest viewable window below `top`: the session's drawing area.
Window LargestBelow(Display* d, Window top) {
  Window best = None;
  long bestArea = 0;
  std::vector<Window> todo = ViewableChildren(d, top);
  while (!todo.empty()) {
    const Window w = todo.back();
    todo.pop_back();
    XWindowAttributes a;
    if (XGetWindowAttributes(d, w, &a) && static_cast<long>(a.width) * a.height > bestArea) {
      bestArea = static_cast<long>(a.width) * a.height;
      best = w;
    }
    for (Window k : ViewableChildren(d, w)) todo.push_back(k);
  }
  return best;
}

// A viewable window of the WM_CLASS instance `name` (None when there is none).
Window ViewableByInstance(Display* d, const std::string& name) {
  for (Window w : FindWindowsByClass(d, name)) {
    XClassHint hint = {};
    if (!XGetClassHint(d, w, &hint)) continue;
    const bool same = std::string(hint.res_name) == name;
    XFree(hint.res_name);
    XFree(hint.res_class);
    XWindowAttributes a;
    if (same && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) return w;
  }
  return None;
}

// Of the windows, the one lowest on the screen (or, with leftmost, the one
// furthest to the left).
Window Lowest(Display* d, const std::vector<Window>& windows, bool leftmost) {
  Window best = None;
  int bestAt = -1;
  for (Window w : windows) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) continue;
    const int at = leftmost ? -a.x : a.y;
    if (best == None || at > bestAt) {
      best = w;
      bestAt = at;
    }
  }
  return best;
}

std::string Tree(Display* d, Window w, int depth) {
  XWindowAttributes a;
  XGetWindowAttributes(d, w, &a);
  std::string out = std::string(depth * 2, ' ') + std::to_string(w) + " " + std::to_string(a.x) + "," +
                    std::to_string(a.y) + " " + std::to_string(a.width) + "x" + std::to_string(a.height) +
                    (a.map_state == IsViewable ? " viewable" : " hidden") + "\n";
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  if (XQueryTree(d, w, &root, &parent, &kids, &n))
    for (unsigned i = 0; i < n; ++i) out += Tree(d, kids[i], depth + 1);
  if (kids) XFree(kids);
  return out;
}

// Button 1 pressed and released at the middle of a window, through XTEST.
void ClickMiddleOf(Display* d, Window w) {
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(d, w, &a));
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(d, w, DefaultRootWindow(d), a.width / 2, a.height / 2, &x, &y, &child);
  XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XSync(d, False);
}

class ScreenPrintProgramTest : public Qw5250ProgramTest {
 protected:
  static void SetUpTestSuite() {
    cups_ = new printtest::PrivateCups;
    std::string error;
    ASSERT_TRUE(cups_->Start({{"screen", "QW screen printer", "Screen printer", true}}, &error)) << error;
  }
  static void TearDownTestSuite() {
    delete cups_;
    cups_ = nullptr;
  }
  static inline printtest::PrivateCups* cups_ = nullptr;
};

TEST_F(ScreenPrintProgramTest, PrintButtonOfTheDialogPutsTheScreenIntoTheQueue) {
  ASSERT_TRUE(HasXTest(display_));
  ChildProcess host;
  ASSERT_TRUE(host.Start({QW_DEMOHOST_BINARY, "0"}, ChildProcess::BaseEnvironment())) << host.Error();
  ASSERT_TRUE(host.WaitForOutput("\n", kWaitMs)) << host.Output();
  ASSERT_EQ(host.Stdout().rfind("port ", 0), 0u) << host.Stdout();
  const std::string port = std::to_string(std::stoi(host.Stdout().substr(5)));

  // As run.sh starts it: the print program is not on PATH.
  ScopedEnv path("PATH", "/usr/bin:/bin");
  startQw({"-trace", "-port", port, "127.0.0.1"}, {"CUPS_SERVER=" + cups_->Server(), "KDVSHARED=" + home_.Path()});
  // The first record is the sign-on screen; it is shown before the keys
  // typed after it are read.
  ASSERT_TRUE(qw_->WaitForOutput("Received record", kWaitMs)) << qw_->Output();
  Window shell = None;
  ASSERT_TRUE(WaitUntil([&] { return (shell = ViewableByInstance(display_, "QW5250")) != None; }, kWaitMs, display_))
      << qw_->Output();
  const Window drawing = LargestBelow(display_, shell);
  ASSERT_NE(drawing, static_cast<Window>(None));
  const int before = cups_->CompletedJobs("screen");

  // Shift+Print (Screen Print of a PC keyboard) opens the dialog; its
  // buttons are the last row, Print first.
  XSetInputFocus(display_, drawing, RevertToParent, CurrentTime);
  XSync(display_, False);
  ASSERT_TRUE(PressKey(display_, XK_Print, {XK_Shift_L}));
  Window dialog = None;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = ViewableByInstance(display_, "localPrintControls_popup")) != None; },
                        kWaitMs, display_))
      << qw_->Output();
  Window start = None;
  ASSERT_TRUE(WaitUntil(
      [&] {
        // dialog shell > form dialog > localPrintForm > its rows; the lowest
        // row holds Print and Cancel, Print on the left.
        std::vector<Window> level = ViewableChildren(display_, dialog);
        if (level.size() != 1) return false;
        level = ViewableChildren(display_, level[0]);
        if (level.size() != 1) return false;
        level = ViewableChildren(display_, level[0]);
        if (level.empty()) return false;
        level = ViewableChildren(display_, Lowest(display_, level, false));
        if (level.size() != 2) return false;
        level[0] = Lowest(display_, level, true);
        start = level[0];
        return true;
      },
      kWaitMs, display_)) << Tree(display_, dialog, 0);
  ClickMiddleOf(display_, start);

  ASSERT_TRUE(cups_->WaitForCompletedJobs("screen", before + 1)) << cups_->ErrorLog() << qw_->Output();
  const std::string job = printtest::ReadWholeFile(cups_->OutputOf("screen"));
  EXPECT_NE(job.find("Sign On"), std::string::npos) << job;
  EXPECT_EQ(qw_->Output().find("was not found"), std::string::npos) << qw_->Output();
  qw_->Stop();
}

}  // namespace
}  // namespace qwtest
