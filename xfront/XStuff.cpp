#include "xfront/XStuff.h"

#include <X11/Shell.h>
#include <X11/StringDefs.h>

#include <cstdint>
#include <ctime>

namespace {
Widget g_shellParent = nullptr;

constexpr int kIdleRounds = 20;
constexpr long kPauseNanoseconds = 15 * 1000 * 1000;
}  // namespace

XStuff::XStuff(SessionControlBlock* session) : session_(session), alive_(std::make_shared<bool>(true)) {}

XStuff::~XStuff() {
  *alive_ = false;
  endSession();
}

void XStuff::setShellParent(Widget parent) { g_shellParent = parent; }

int XStuff::initializeSession(const char* host, const char* title, int, const char*, char, const char*, char iconic,
                              Geometry geometry, Widget& shell) {
  if (!g_shellParent) return 1;
  host_ = host ? host : "";
  title_ = title && *title ? title : host_;
  Arg args[8];
  Cardinal n = 0;
  XtSetArg(args[n], XtNtitle, const_cast<char*>(title_.c_str())); ++n;
  XtSetArg(args[n], XtNiconName, const_cast<char*>(title_.c_str())); ++n;
  XtSetArg(args[n], XtNiconic, iconic ? True : False); ++n;
  XtSetArg(args[n], XtNwidth, geometry.widthGiven ? geometry.width : 642); ++n;
  XtSetArg(args[n], XtNheight, geometry.heightGiven ? geometry.height : 420); ++n;
  if (geometry.xGiven) { XtSetArg(args[n], XtNx, geometry.x); ++n; }
  if (geometry.yGiven) { XtSetArg(args[n], XtNy, geometry.y); ++n; }
  shell_ = XtCreatePopupShell("qw5250Session", topLevelShellWidgetClass, g_shellParent, args, n);
  if (!shell_) return 1;
  XtPopup(shell_, XtGrabNone);
  shell = shell_;
  return 0;
}

void XStuff::endSession() {
  if (!shell_) return;
  Widget w = shell_;
  shell_ = nullptr;
  XtDestroyWidget(w);
}

int XStuff::x_comm_msg(unsigned int number) {
  if (commStatus_ == number) return 0;
  commStatus_ = number;
  if (!shell_) return 0;
  XtAppContext app = XtWidgetToApplicationContext(shell_);
  auto alive = alive_;
  XFlush(XtDisplay(shell_));
  for (int idle = 0; idle < kIdleRounds;) {
    if (XtAppPending(app)) {
      XtAppProcessEvent(app, XtIMAll);
      if (!*alive) return -1;
      continue;
    }
    ++idle;
    struct timespec pause = {0, kPauseNanoseconds};
    nanosleep(&pause, nullptr);
  }
  return *alive && shell_ ? 0 : -1;
}

int XStuff::get_width() const {
  if (!shell_) return 0;
  Dimension w = 0;
  XtVaGetValues(shell_, XtNwidth, &w, nullptr);
  return w;
}

int XStuff::get_height() const {
  if (!shell_) return 0;
  Dimension h = 0;
  XtVaGetValues(shell_, XtNheight, &h, nullptr);
  return h;
}
