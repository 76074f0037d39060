#include "session/XErrorHandlers.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

namespace {

XErrorHandlerVariant g_variant = XErrorHandlerVariant::Client;
XtAppContext g_app = nullptr;
bool g_grabNoted = false;  // the failed grab has been said (once per installation)

[[noreturn]] void EndProcess(int status) {
  if (g_variant == XErrorHandlerVariant::Master) ExitMaster(status);
  std::exit(status);
}

int IOErrorHandler(Display* display) {
  int err = errno;
  const char* name = display ? DisplayString(display) : "";
  if (err != EPIPE) {
    LogMsg(LevelError, "%s: fatal IO error %d ( %s ) on X server \"%s\"\r\n", "QWC0015", err,
           IOErrorText(err), name);
  } else {
    std::fprintf(stderr, "%s %s: fatal IO error %d ( %s ) on X server \"%s\"\r\n", "QWC0014", "5250",
                 err, IOErrorText(err), name);
    LogMsg(LevelError,
           "%s: The connection was probably broken by a server shutdown or KillClient. \n",
           "QWC0014");
  }
  EndProcess(IOErrorExitStatus(err));
}

// A passive grab another client already holds: the pop-up Edit menu, which
// Motif posts through a grab of its button on the session window, then only
// opens from a click on the screen. Said once.
void NoteFailedGrab(int requestCode) {
  if (g_grabNoted || requestCode != X_GrabButton) return;
  g_grabNoted = true;
  LogMsg(LevelWarning,
         "Another client (the window manager) holds a mouse button grab on the session window; "
         "the pop-up Edit menu opens only from a click on the screen.\n");
}

int ProtocolErrorHandler(Display* display, XErrorEvent* event) {
  if (event->request_code == X_SetFontPath) {
    LogMsg(LevelError, "%s: Unable to set font path.\n", "QWC0016");
    return 0;
  }
  char errorText[256] = "";
  XGetErrorText(display, event->error_code, errorText, sizeof errorText);
  if (IsRoutineXError(event->error_code, event->request_code)) {
    char number[16];
    char request[128] = "";
    std::snprintf(number, sizeof number, "%d", event->request_code);
    XGetErrorDatabaseText(display, "XRequest", number, "", request, sizeof request);
    LogMsg(LevelWarning,
           "X protocol error ignored: %s, request %d (%s) minor %d, resource id 0x%lx.\n",
           errorText, event->request_code, request, event->minor_code, event->resourceid);
    if (event->error_code == BadAccess) NoteFailedGrab(event->request_code);
    return 0;
  }
  char message[256];
  XGetErrorDatabaseText(display, "XlibMessage", "XError", "X Error", message, sizeof message);
  std::fprintf(stderr, "%s: %s\n", message, errorText);
  XGetErrorDatabaseText(display, "XlibMessage", "MajorCode", "Request Major code %d", message,
                        sizeof message);
  // The format comes from the X error database; anything but a single %d
  // in it is not used as a format.
  const char* percent = std::strchr(message, '%');
  if (percent && percent[1] == 'd' && !std::strchr(percent + 2, '%')) {
    std::fprintf(stderr, "%.*s%d%s\n", static_cast<int>(percent - message), message,
                 event->request_code, percent + 2);
  } else {
    std::fprintf(stderr, "Request Major code %d\n", event->request_code);
  }
  EndProcess(1);
}

void XtWarningHandler(String message) {
  const char* text = message ? message : "";
  LogMsg(LevelError, "%s: Xt Warning: %s.\n", "QWC0017", text);
  static const char kConversion[] = "Cannot convert string";
  if (std::strlen(text) > sizeof kConversion - 1 &&
      std::strncmp(text, kConversion, sizeof kConversion - 1) == 0) {
    // A resource value that does not convert keeps its default.
    LogMsg(LevelWarning, "The resource keeps its default value.\n");
  }
}

// Xt's own formatting of warning messages refuses to work for the root user;
// this one only ever fills "%s" with the parameters, so it is safe for all.
void XtWarningMsgHandler(String name, String type, String klass, String defaultText,
                         String* params, Cardinal* numParams) {
  char text[1024] = "";
  XtAppGetErrorDatabaseText(g_app, name, type, klass, defaultText, text, sizeof text, nullptr);
  std::string message = FormatXtMessage(text, params, numParams ? *numParams : 0);
  XtWarningHandler(const_cast<String>(message.c_str()));
}

}  // namespace

std::string FormatXtMessage(const char* format, char** params, unsigned numParams) {
  std::string out;
  unsigned used = 0;
  for (const char* p = format ? format : ""; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      if (used < numParams && params && params[used]) out += params[used];
      ++used;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

bool IsRoutineXError(int errorCode, int requestCode) {
  switch (errorCode) {
    case BadWindow:
    case BadDrawable:
    case BadPixmap:
      // A window (or its pixmap) another client destroyed before the
      // request reached it.
    case BadColor:
      // A colormap of another client (the window manager's) freed meanwhile.
    case BadAccess:
      // A grab, an event selection or a colour cell another client holds.
    case BadAlloc:
      // The server's memory, which every client shares.
      return true;
    case BadMatch:
      // Focus on a window that was unmapped meanwhile; a restacking against
      // a sibling the window manager reparented.
      return requestCode == X_SetInputFocus || requestCode == X_ConfigureWindow;
    default:
      return false;
  }
}

const char* IOErrorText(int err) {
  if (err <= 0) return "";
  const char* text = strerrordesc_np(err);
  return text ? text : "";
}

int IOErrorExitStatus(int err) { return (err > 0 && err < 256) ? err : 1; }

void InstallXErrorHandlers(XErrorHandlerVariant variant) {
  g_variant = variant;
  g_grabNoted = false;
  XSetIOErrorHandler(IOErrorHandler);
  XSetErrorHandler(ProtocolErrorHandler);
}

void InstallXtWarningHandler(XtAppContext app, XErrorHandlerVariant variant) {
  g_variant = variant;
  g_app = app;
  XtAppSetWarningHandler(app, XtWarningHandler);
  XtAppSetWarningMsgHandler(app, XtWarningMsgHandler);
}
