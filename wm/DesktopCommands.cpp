#include "wm/DesktopCommands.h"

#include <X11/Xatom.h>

#include <cstdlib>

#include "wm/DesktopMessage.h"
#include "wm/Launcher.h"
#include "wm/ScreenState.h"
#include "wm/Tempreg.h"

void EndSession(ScreenState* state, int command) {
  if (command == CmdDesktopCommandEnded) command = CmdLogoff;
  ClearRestartActions();
  StopTempregService(state);
  Display* d = state->sdk.display;
  if (d) {
    Window root = state->sdk.root;
    XDeleteProperty(d, root, XInternAtom(d, "_WIN_WORKAREA", False));
    XDeleteProperty(d, root, XInternAtom(d, "_QX_BORDER_SIZES", False));
    XDefineCursor(d, root, state->sdk.cursors[SdkCursorLogoff]);
    if (command == CmdLogoff) XSetWindowBackground(d, root, state->sdk.blackPixel);
    XSetInputFocus(d, PointerRoot, RevertToPointerRoot, CurrentTime);
    XClearWindow(d, root);
    XFlush(d);
  }
  KillAllClients(state);
  if (d) XCloseDisplay(d);
  std::exit(5);
}

void DoDesktopCommand(ScreenState* state, int command) {
  if (!state) return;
  switch (command) {
    case CmdLogoff:
      ClearRestartActions();
      // With desktop programs connected to the command service the session
      // would end at their request; that service is not offered yet.
      EndSession(state, CmdLogoff);
    case CmdEndSessionNow:
    case CmdDesktopCommandEnded:
      EndSession(state, command);
    case CmdLockNow: {
      const char* program = std::getenv("QX_LOCK_PROGRAM");
      if (program && *program) LaunchProgram(program, 0, 0, 0);
      return;
    }
    case CmdLogoffConfirm:
      if (!state->confirmLogoff) EndSession(state, CmdLogoff);
      // The Yes/No box is not drawn yet: the question is only shown.
      ShowDesktopMessage(state, "Do you really wish to logoff and exit?", "QXW3507");
      return;
    case CmdLockConfirm:
      if (!state->lockAllowed) return;
      if (!state->confirmLock) {
        DoDesktopCommand(state, CmdLockNow);
        return;
      }
      ShowDesktopMessage(state, "Do you really wish to lock the screen?", "QXW3508");
      return;
    default:
      return;
  }
}
