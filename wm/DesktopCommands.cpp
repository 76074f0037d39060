#include "wm/DesktopCommands.h"

#include <X11/Xatom.h>

#include <cstdlib>

#include "platform/sdk/MessageBox.h"
#include "wm/Clients.h"
#include "wm/Launcher.h"
#include "wm/Preferences.h"
#include "wm/ScreenState.h"
#include "wm/Tempreg.h"

void EndSession(ScreenState* state, int command) {
  if (command == CmdDesktopCommandEnded) command = CmdLogoff;
  ClearRestartActions();
  StopTempregService(state);
  Display* d = state->sdk.display;
  if (d) {
    Window root = state->sdk.root;
    SaveAllClassGeometry(state);
    XDeleteProperty(d, root, XInternAtom(d, "_WIN_WORKAREA", False));
    XDeleteProperty(d, root, XInternAtom(d, "_QX_BORDER_SIZES", False));
    SaveDesktopPreferences(state);
    ReleaseAllClients(state, command == CmdLogoff);
    XDefineCursor(d, root, state->sdk.cursors[SdkCursorLogoff]);
    if (command == CmdLogoff) XSetWindowBackground(d, root, state->sdk.blackPixel);
    if (state->systemColormap && state->sdk.depth <= 8) XUninstallColormap(d, state->systemColormap);
    XSetInputFocus(d, PointerRoot, RevertToPointerRoot, CurrentTime);
    XClearWindow(d, root);
    XFlush(d);
  }
  KillAllClients(state);
  ResetLauncher();
  if (d) XCloseDisplay(d);
  std::exit(5);
}

void LogoffConfirmCallback(void* state, int answer) {
  if (answer) DoDesktopCommand(static_cast<ScreenState*>(state), CmdLogoff);
}

void LockConfirmCallback(void* state, int answer) {
  if (answer) DoDesktopCommand(static_cast<ScreenState*>(state), CmdLockNow);
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
      if (!state->confirmLogoff) {
        DoDesktopCommand(state, CmdLogoff);
        return;
      }
      CreateYesNoMessageBox(&state->sdk, "Do you really wish to logoff and exit?", "Yes", "No",
                            LogoffConfirmCallback, state, "QXW3507", state->logoffBoxSystemModal);
      return;
    case CmdLockConfirm:
      if (!state->lockAllowed) return;
      if (!state->confirmLock) {
        DoDesktopCommand(state, CmdLockNow);
        return;
      }
      CreateYesNoMessageBox(&state->sdk, "Do you really wish to lock the screen?", "Yes", "No",
                            LockConfirmCallback, state, "QXW3508", state->lockBoxSystemModal);
      return;
    default:
      return;
  }
}
