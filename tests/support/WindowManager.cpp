#include "tests/support/WindowManager.h"

#include "tests/support/XWindows.h"

namespace qwtest {

bool TestWindowManager::Start(Display* display, const std::string& displayName, int timeoutMs) {
  ChildProcess::Options o;
  const char* name = kind_ == Kind::Openbox ? "openbox" : "twm";
  if (kind_ == Kind::Openbox) {
    o.argv = {"openbox", "--config-file", "/etc/xdg/openbox/rc.xml"};
  } else {
    // RandomPlacement: twm would otherwise wait for a click to place each window.
    std::string rc = home_.WriteFile(".twmrc",
                                     "RandomPlacement\n"
                                     "NoGrabServer\n"
                                     "DecorateTransients\n"
                                     "BorderWidth 2\n");
    o.argv = {"twm", "-display", displayName, "-f", rc};
  }
  o.env = ChildProcess::BaseEnvironment({"HOME=" + home_.Path(), "DISPLAY=" + displayName});
  if (!wm_.Start(o)) {
    error_ = wm_.Error();
    return false;
  }
  if (!WaitUntil([&] { return WindowManagerRunning(display) || !wm_.Running(); }, timeoutMs,
                 display) ||
      !WindowManagerRunning(display)) {
    wm_.Pump();
    error_ = std::string(name) + " did not take the root window: " + wm_.Output();
    wm_.Stop(2000);
    return false;
  }
  // Taking the root comes before looking after windows: a window mapped in
  // between may go unframed. A probe window asks again until it is framed,
  // so the tests' own windows come when the manager handles maps.
  const Window probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 40, 40, 0, 0, 0);
  bool framed = false;
  for (int waited = 0; !framed && waited < timeoutMs && wm_.Running(); waited += 500) {
    XMapWindow(display, probe);
    XFlush(display);
    framed = WaitUntil([&] { return TopLevelAncestor(display, probe) != probe; }, 500, display);
  }
  XDestroyWindow(display, probe);
  XSync(display, False);
  if (!framed) {
    wm_.Pump();
    error_ = std::string(name) + " framed no window: " + wm_.Output();
    wm_.Stop(2000);
    return false;
  }
  return true;
}

}  // namespace qwtest
