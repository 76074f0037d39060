// A test with its own Xvfb and Teldra, real client programs and xdotool,
// and the X queries that tell where Teldra put things.
#pragma once
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XProps.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

namespace teldratest {

inline Window ParentOf(Display* d, Window w) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  qwtest::XErrorTrap trap(d);
  if (!XQueryTree(d, w, &root, &parent, &children, &n)) parent = 0;
  if (children) XFree(children);
  return parent;
}

// Children bottom to top.
inline std::vector<Window> ChildrenOf(Display* d, Window w) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  std::vector<Window> out;
  qwtest::XErrorTrap trap(d);
  if (XQueryTree(d, w, &root, &parent, &children, &n)) out.assign(children, children + n);
  if (children) XFree(children);
  return out;
}

inline XWindowAttributes Attributes(Display* d, Window w) {
  XWindowAttributes a = {};
  qwtest::XErrorTrap trap(d);
  XGetWindowAttributes(d, w, &a);
  return a;
}

inline bool Exists(Display* d, Window w) {
  qwtest::XErrorTrap trap(d);
  XWindowAttributes a;
  const bool ok = XGetWindowAttributes(d, w, &a) != 0;
  return ok && trap.Errors().empty();
}

class TeldraFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    display_ = server_.Connect();
    ASSERT_NE(display_, nullptr);
    root_ = DefaultRootWindow(display_);
    // Teldra ends every client when it is stopped, this connection too.
    qwtest::MakeIOErrorSurvivable(display_);
  }
  void TearDown() override {
    for (auto& c : clients_)
      if (c->Running()) c->Stop(2000);
    if (teldra_.Running()) teldra_.Stop(3000);
    if (HasFailure()) ADD_FAILURE() << "Teldra's output:\n" << teldra_.Output();
  }
  std::vector<std::string> Environment() {
    std::vector<std::string> env = {"HOME=" + home_.Path(), "QX_REGISTRY_DIR=" + home_.Path() + "/registry",
                                    "QX_SERVICE_DIR=" + home_.Path() + "/services",
                                    "DISPLAY=" + server_.DisplayName()};
    env.insert(env.end(), extraEnvironment_.begin(), extraEnvironment_.end());
    return qwtest::ChildProcess::BaseEnvironment(env);
  }
  // Teldra with a desktop command that only shows a small window.
  void StartTeldra(const std::string& preferences = "", const std::vector<std::string>& options = {}) {
    home_.WriteFile("registry/desktop/preferences",
                    "desktop_command = /bin/sh -c \"exec xmessage -name desktop -geometry +0+0 desktop\"\n" +
                        preferences);
    std::vector<std::string> argv = {TELDRA_BINARY, "-display", server_.DisplayName()};
    argv.insert(argv.end(), options.begin(), options.end());
    ASSERT_TRUE(teldra_.Start(argv, Environment()))
        << teldra_.Error();
    ASSERT_TRUE(qwtest::WaitUntil([&] { return qwtest::WindowManagerRunning(display_); }, 15000))
        << teldra_.Output();
    // The desktop command's window comes first: it cannot take the focus
    // from the clients of the test later.
    Window desktop = qwtest::WaitForWindowByClass(display_, "desktop", 15000);
    ASSERT_NE(desktop, None) << teldra_.Output();
    ASSERT_NE(WaitForFrame(desktop), None) << teldra_.Output();
  }
  // A client program; its window is found by its WM_CLASS instance or class.
  qwtest::ChildProcess* Run(const std::vector<std::string>& argv) {
    clients_.push_back(std::make_unique<qwtest::ChildProcess>());
    qwtest::ChildProcess* c = clients_.back().get();
    EXPECT_TRUE(c->Start(argv, Environment())) << c->Error();
    return c;
  }
  // Runs a tool (xdotool, xwininfo) to its end; its standard output.
  std::string Tool(const std::vector<std::string>& argv) {
    qwtest::ChildProcess p;
    if (!p.Start(argv, Environment())) return "";
    p.WaitExit(10000);
    p.Pump();
    return p.Stdout();
  }
  // The frame once Teldra reparented the client into it and shows it.
  Window WaitForFrame(Window client) {
    Window frame = None;
    qwtest::WaitUntil([&] {
      Window p = ParentOf(display_, client);
      if (p && p != root_ && Attributes(display_, p).map_state == IsViewable) frame = p;
      return frame != None;
    }, 15000);
    return frame;
  }
  Window WaitForClass(const std::string& cls) { return qwtest::WaitForWindowByClass(display_, cls, 15000); }
  // Text and keys typed through xdotool, handled by the server on return.
  void Type(const std::string& text) {
    Tool({"xdotool", "type", "--delay", "15", text});
    qwtest::XBarrier(display_);
  }
  void Keys(const std::vector<std::string>& keys, int delayMs = 20) {
    std::vector<std::string> argv = {"xdotool", "key", "--delay", std::to_string(delayMs)};
    argv.insert(argv.end(), keys.begin(), keys.end());
    Tool(argv);
    qwtest::XBarrier(display_);
  }
  // A window of that name is viewable, or none is any more.
  bool Viewable(const char* name, int timeoutMs = 20000) {
    return qwtest::WaitUntil([&] {
      for (Window w : qwtest::FindWindowsByName(display_, name))
        if (Attributes(display_, w).map_state == IsViewable) return true;
      return false;
    }, timeoutMs);
  }
  bool Gone(const char* name) {
    return qwtest::WaitUntil([&] {
      for (Window w : qwtest::FindWindowsByName(display_, name))
        if (Attributes(display_, w).map_state == IsViewable) return false;
      return true;
    }, 20000);
  }
  // Pointer actions through xdotool, at root coordinates. "mousemove
  // --sync" to where the pointer already is waits for a motion that never
  // comes: that move is left out.
  std::vector<std::string> MoveTo(int x, int y) {
    Window root = 0, child = 0;
    int rx = -1, ry = -1, wx = 0, wy = 0;
    unsigned int mask = 0;
    XQueryPointer(display_, root_, &root, &child, &rx, &ry, &wx, &wy, &mask);
    if (rx == x && ry == y) return {};
    return {"mousemove", "--sync", std::to_string(x), std::to_string(y)};
  }
  void Click(int x, int y, int button = 1) {
    std::vector<std::string> argv = {"xdotool"};
    for (auto& a : MoveTo(x, y)) argv.push_back(a);
    argv.insert(argv.end(), {"click", std::to_string(button)});
    Tool(argv);
    qwtest::XBarrier(display_);
  }
  void DoubleClick(int x, int y) {
    std::vector<std::string> argv = {"xdotool"};
    for (auto& a : MoveTo(x, y)) argv.push_back(a);
    argv.insert(argv.end(), {"click", "--repeat", "2", "--delay", "80", "1"});
    Tool(argv);
    qwtest::XBarrier(display_);
  }
  // The pointer stops at the screen's edges, and so do the moves here.
  void Drag(int x, int y, int dx, int dy) {
    auto onScreenX = [&](int v) { return std::max(0, std::min(v, DisplayWidth(display_, 0) - 1)); };
    auto onScreenY = [&](int v) { return std::max(0, std::min(v, DisplayHeight(display_, 0) - 1)); };
    std::vector<std::string> argv = {"xdotool"};
    for (auto& a : MoveTo(x, y)) argv.push_back(a);
    argv.insert(argv.end(), {"mousedown", "1", "mousemove", "--sync", std::to_string(onScreenX(x + dx / 2)),
                             std::to_string(onScreenY(y + dy / 2)), "mousemove",
                             std::to_string(onScreenX(x + dx)), std::to_string(onScreenY(y + dy)), "mouseup",
                             "1"});
    Tool(argv);
    qwtest::XBarrier(display_);
  }
  // Frame geometry in root coordinates.
  XRectangle FrameRect(Window frame) {
    const XWindowAttributes a = Attributes(display_, frame);
    return {static_cast<short>(a.x), static_cast<short>(a.y), static_cast<unsigned short>(a.width),
            static_cast<unsigned short>(a.height)};
  }
  // The frames (children of the root that hold a client), bottom to top.
  int StackIndex(Window frame) {
    const std::vector<Window> order = ChildrenOf(display_, root_);
    for (size_t i = 0; i < order.size(); ++i)
      if (order[i] == frame) return static_cast<int>(i);
    return -1;
  }
  std::vector<long> WMState(Window client) {
    return qwtest::ReadWindowProperty(display_, client, "WM_STATE").values;
  }
  Window Focus() {
    Window w = None;
    int revert = 0;
    XGetInputFocus(display_, &w, &revert);
    return w;
  }

  qwtest::XTestServer server_;
  Display* display_ = nullptr;
  Window root_ = None;
  qwtest::TempDir home_;
  qwtest::ChildProcess teldra_;
  std::vector<std::unique_ptr<qwtest::ChildProcess>> clients_;
  std::vector<std::string> extraEnvironment_;  // for Teldra and the clients
};

}  // namespace teldratest
