#include "wm/session/SessionEnd.h"

#include <X11/Xlib.h>

#include <cstdlib>

#include "platform/AuthSession.h"
#include "wm/manager/Clients.h"
#include "wm/services/CommandService.h"
#include "wm/services/Tempreg.h"
#include "wm/session/Launcher.h"
#include "wm/session/ScreenState.h"
#include "wm/session/SessionEvents.h"
#include "wm/shell/DesktopCommands.h"
#include "wm/shell/HotKeys.h"
#include "wm/shell/Preferences.h"

void EndSession(ScreenState* state, int command) {
  if (command == CmdDesktopCommandEnded) command = CmdLogoff;
  ClearRestartActions();
  StopDesktopReporting(state);
  StopTempregService(state);
  StopServiceListener(state);
  Display* d = state->sdk.display;
  if (d) {
    Window root = state->sdk.root;
    UnloadHotKeys(state);
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
  // The user's own processes end with the user's session, then Teldra's.
  AuthCloseSession();
  KillAllClients(state);
  ResetLauncher();
  if (d) XCloseDisplay(d);
  SessionLoggedOff(state);
  std::exit(5);
}
