// The window-metrics class: title, position, size, stacking, focus and
// iconic state of a session's window.
#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "api/EclFunctions.h"
#include "api/EclSessions.h"
#include "api/EclWire.h"
#include "api/EventSocket.h"
#include "api/ProgrammingInterface.h"
#include "base/LogMsg.h"
#include "session/SessionControlBlock.h"

namespace {

constexpr size_t kMaxTitle = 255;

struct ShellGeometry {
  Position x = 0, y = 0;
  Dimension width = 0, height = 0;
};

ShellGeometry GeometryOf(Widget shell) {
  ShellGeometry g;
  XtVaGetValues(shell, XtNx, &g.x, XtNy, &g.y, XtNwidth, &g.width, XtNheight, &g.height, nullptr);
  return g;
}

// The word at `offset` of the data (0 when the data is shorter).
uint32_t Word(const std::vector<unsigned char>& data, size_t offset) {
  return data.size() >= offset + 4 ? ecl::Get32(data.data() + offset) : 0;
}
// Only the last byte of such a word counts.
int LastByte(const std::vector<unsigned char>& data, size_t offset) {
  return static_cast<int>(Word(data, offset) & 0xFF);
}

void Repaint(SessionControlBlock* s) { s->xstuff.Flush_X5250(0, 3696, 0, 0); }

void Deiconify(Display* display, Window window, SessionControlBlock* s) {
  if (!s->xstuff.isIconified()) return;
  XMapRaised(display, window);
}

}  // namespace

int32_t eclwinmetrics(EclCall& call) {
  const std::vector<unsigned char>& data = *call.data;
  const int handle = ecl::SessionHandleOf(data);
  SessionControlBlock* s = EclSession(handle);
  Widget shell = s ? s->xstuff.shell() : nullptr;
  if (!s || !shell) {
    LogMsg(LevelError, "%s: eclwinmetrics - No session exists for corresponding handle %d. \n", "QWC0713", handle);
    return ecl::kNoSession;
  }
  std::vector<unsigned char>& reply = *call.reply;
  Display* display = XtDisplay(shell);
  const Window window = XtWindow(shell);
  const ShellGeometry g = GeometryOf(shell);
  switch (call.functionId) {
    case 0: {
      const std::string title = s->xstuff.getSessionTitle();
      ecl::Put32(reply, static_cast<uint32_t>(title.size()));
      ecl::PutBytes(reply, title.data(), title.size());
      return ecl::kSuccess;
    }
    case 1: {
      std::string title;
      if (!ecl::TextOf(data, 4, kMaxTitle, &title)) return ecl::kSuccess;
      s->xstuff.setSessionTitle(title.c_str());
      return ecl::kSuccess;
    }
    case 2:
      ecl::Put32(reply, static_cast<uint32_t>(static_cast<int32_t>(g.x)));
      return ecl::kSuccess;
    case 3:
      XtVaSetValues(shell, XtNx, static_cast<Position>(LastByte(data, 4)), nullptr);
      Repaint(s);
      return ecl::kSuccess;
    case 4:
      ecl::Put32(reply, static_cast<uint32_t>(static_cast<int32_t>(g.y)));
      return ecl::kSuccess;
    case 5:
      XtVaSetValues(shell, XtNy, static_cast<Position>(static_cast<int32_t>(Word(data, 4))), nullptr);
      Repaint(s);
      return ecl::kSuccess;
    case 6:
      ecl::Put32(reply, g.width);
      return ecl::kSuccess;
    case 8:
      ecl::Put32(reply, g.height);
      return ecl::kSuccess;
    case 7:
    case 9: {
      // A window of no width or height is not something X can make.
      const int value = LastByte(data, 4);
      if (value <= 0) return ecl::kSuccess;
      XtVaSetValues(shell, call.functionId == 7 ? XtNwidth : XtNheight, static_cast<Dimension>(value), nullptr);
      s->xstuff.resizeWindow();
      Repaint(s);
      return ecl::kSuccess;
    }
    case 10:
      ecl::Put32(reply, static_cast<uint32_t>(static_cast<int32_t>(g.x)));
      ecl::Put32(reply, static_cast<uint32_t>(static_cast<int32_t>(g.y)));
      ecl::Put32(reply, g.width);
      ecl::Put32(reply, g.height);
      return ecl::kSuccess;
    case 11: {
      const int left = LastByte(data, 4), top = LastByte(data, 8);
      const int right = LastByte(data, 12), bottom = LastByte(data, 16);
      if (right <= left || bottom <= top || !window) return ecl::kSuccess;
      XtVaSetValues(shell, XtNx, static_cast<Position>(left), XtNy, static_cast<Position>(top), XtNwidth,
                    static_cast<Dimension>(right - left), XtNheight, static_cast<Dimension>(bottom - top), nullptr);
      return ecl::kSuccess;
    }
    case 12: {
      XWindowAttributes a;
      reply.push_back(window && XGetWindowAttributes(display, window, &a) && a.map_state == IsViewable ? 1 : 0);
      return ecl::kSuccess;
    }
    case 13:
      if (!window) return ecl::kSuccess;
      Deiconify(display, window, s);
      if (LastByte(data, 4) != 0)
        XRaiseWindow(display, window);
      else
        XLowerWindow(display, window);
      return ecl::kSuccess;
    case 14: {
      Window focus = 0;
      int revert = 0;
      XGetInputFocus(display, &focus, &revert);
      reply.push_back(window && focus == window ? 1 : 0);
      return ecl::kSuccess;
    }
    case 15:
      if (!window) return ecl::kSuccess;
      XSync(display, False);
      Deiconify(display, window, s);
      XSetInputFocus(display, LastByte(data, 4) != 0 ? window : PointerRoot, RevertToParent, CurrentTime);
      return ecl::kSuccess;
    case 16:
      reply.push_back(s->xstuff.isIconified() ? 1 : 0);
      return ecl::kSuccess;
    case 17:
      if (window) XIconifyWindow(display, window, 0);
      return ecl::kSuccess;
    case 18:
      reply.push_back(!s->xstuff.isIconified() && s->xstuff.fillsWorkArea() ? 1 : 0);
      return ecl::kSuccess;
    case 19:
      if (!window) return ecl::kSuccess;
      Deiconify(display, window, s);
      XtVaSetValues(shell, XtNx, static_cast<Position>(0), XtNy, static_cast<Position>(0), XtNwidth,
                    static_cast<Dimension>(DisplayWidth(display, DefaultScreen(display))), XtNheight,
                    static_cast<Dimension>(DisplayHeight(display, DefaultScreen(display))), nullptr);
      return ecl::kSuccess;
    case 20:
    case 21: {
      int width = 0, height = 0;
      EventSocket* events = ProgrammingInterfaceEvents();
      const bool known = events && events->windowSize(handle, &width, &height) && width > 0 && height > 0;
      if (call.functionId == 20) {
        reply.push_back(known && g.width == width && g.height == height ? 1 : 0);
      } else if (known && window) {
        Deiconify(display, window, s);
        XtVaSetValues(shell, XtNwidth, static_cast<Dimension>(width), XtNheight, static_cast<Dimension>(height),
                      nullptr);
      }
      return ecl::kSuccess;
    }
    default:
      LogMsg(LevelError, "%s: eclwinmetrics - invalid function id %d. \n", "QWC0713", call.functionId);
      return ecl::kBadFunction;
  }
}
