#pragma once
// The handlers for a lost X server, X protocol errors and Xt warnings. The
// client variants end the process with exit(), the master variants through
// ExitMaster so that the master record is cleared.
#include <X11/Intrinsic.h>

#include <string>

enum class XErrorHandlerVariant { Client, Master };

// Installs the Xlib I/O-error and protocol-error handlers of the variant.
void InstallXErrorHandlers(XErrorHandlerVariant variant);
// Installs the Xt warning handler of the variant on the application context.
void InstallXtWarningHandler(XtAppContext app, XErrorHandlerVariant variant);

// Protocol errors that other clients (the window manager among them) can
// cause: a window destroyed before a request reached it, a grab another
// client holds, the server's memory used up. They are logged and the session
// goes on; every other error means QW5250's own state is broken and ends it.
bool IsRoutineXError(int errorCode, int requestCode);

// The text of errno for the I/O-error message: empty when errno names no
// known error.
const char* IOErrorText(int err);

// The exit status after a lost X server: errno, or 1 when errno does not
// give a failure status (0 or beyond what an exit status holds).
int IOErrorExitStatus(int err);

// An Xt warning text with each "%s" replaced by the next parameter (none
// left: empty); every other character, "%" included, stands as it is.
std::string FormatXtMessage(const char* format, char** params, unsigned numParams);
