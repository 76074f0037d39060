#include "wm/shell/DesktopCommands.h"

#include <X11/Xatom.h>

#include <cstdlib>

#include "platform/AuthSession.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/SimpleMenu.h"
#include "wm/shell/DesktopWindow.h"
#include "wm/manager/Frame.h"
#include "wm/shell/HotKeys.h"
#include "wm/shell/MessageCatalog.h"
#include "wm/manager/Stacking.h"
#include "wm/manager/Tiling.h"
#include "wm/manager/WindowOps.h"
#include "wm/manager/Clients.h"
#include "wm/services/CommandService.h"
#include "wm/session/Launcher.h"
#include "wm/shell/Preferences.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenSaver.h"
#include "wm/session/ScreenState.h"
#include "wm/session/SessionEvents.h"
#include "wm/services/Tempreg.h"

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

void LogoffConfirmCallback(void* state, int answer) {
  if (answer) DoDesktopCommand(static_cast<ScreenState*>(state), CmdLogoff);
}

void LockConfirmCallback(void* state, int answer) {
  if (answer) DoDesktopCommand(static_cast<ScreenState*>(state), CmdLockNow);
}

namespace {

void MinimizeAll(ScreenState* s) {
  // Each pass minimises the active window; one that cannot go ends it.
  for (int guard = 0; guard < 100000; ++guard) {
    ManagedWindow* m = GetActiveWindow(s);
    if (!m || m->minimized) return;
    MinimizeWindow(m);
    if (GetActiveWindow(s) == m) return;
  }
}

void RaiseLowestWindow(ScreenState* s) {
  if (ManagedWindow* m = FindBottomWindow(s)) RaiseWindow(m);
}

}  // namespace

int RootMenuItemSensitive(ScreenState* s, int command) {
  switch (command) {
    case CmdIconPlacement:
      if (s->disableMinimize) return 0;
      for (ManagedWindow* m = s->managedWindows; m; m = m->next)
        if (m->minimized && !m->transient) return 1;
      return 0;
    case CmdMinimizeAll: {
      if (s->disableMinimize) return 0;
      bool normal = false;
      for (ManagedWindow* m = s->managedWindows; m; m = m->next) {
        if (m->transient && !m->minimized) return 0;
        if (!m->minimized && !m->transient) normal = true;
      }
      return normal;
    }
    case CmdTileHorizontally:
    case CmdTileVertically:
    case CmdCascade:
      for (ManagedWindow* m = s->managedWindows; m; m = m->next)
        if (!m->minimized) return 1;
      return 0;
    case CmdChangePIN:
      return s->card != nullptr;  // a smart-card session is open
    case CmdLockNow:
    case CmdLockConfirm:
      return s->lockAllowed;
    default:
      return 1;
  }
}

void IconPlacementMenuCallback(ScreenState* s, int value) {
  if (value < 0 || value > 7) return;
  s->iconPlacement = value;
  XClearArea(s->sdk.display, s->sdk.root, 0, 0, 0, 0, True);
  SaveDesktopPreferences(s);
}

int IconPlacementItemChecked(ScreenState* s, int value) { return value == s->iconPlacement; }

void DoDesktopCommand(ScreenState* state, int command) {
  if (!state) return;
  switch (command) {
    case CmdIconPlacement:
      if (state->iconPlacementMenu) PopupSimpleMenuNoEvent(state->iconPlacementMenu, -1, -1);
      return;
    case CmdLowerActive:
      if (ManagedWindow* m = GetActiveWindow(state)) LowerWindow(m);
      return;
    case CmdRaiseLowest:
      RaiseLowestWindow(state);
      return;
    case CmdMinimizeAll:
      MinimizeAll(state);
      return;
    case CmdTileHorizontally:
      TileWindowsHorizontally(state);
      return;
    case CmdTileVertically:
      TileWindowsVertically(state);
      return;
    case CmdCascade:
      CascadeWindows(state);
      return;
    case CmdColorTheme:
      if (state->themeMenu) PopupSimpleMenuNoEvent(state->themeMenu, -1, -1);
      return;
    case CmdChangePIN:
      BroadcastToClients(state, nullptr, NoticeChangePIN);
      return;
    case CmdScreenSaver:
      state->screenSaverDisabled = !state->screenSaverDisabled;
      if (state->screenSaverDisabled)
        StopScreenSaver(state);
      else
        StartScreenSaver(state);
      SetScreenSaverMenuLabel(state, state->screenSaverDisabled);
      SaveDesktopPreferences(state);
      return;
    case CmdConstrain:
      state->constrainedMode = !state->constrainedMode;
      SetConstrainMenuLabel(state, state->constrainedMode);
      SaveDesktopPreferences(state);
      return;
    case CmdLogoff:
      ClearRestartActions();
      SessionLogoffRequested(state);
      // Connected desktop programs end the session themselves (their
      // end-of-session request arrives as command 22).
      if (ServiceClientsConnected(state)) {
        BroadcastToClients(state, nullptr, NoticeWindowManagerExiting);
        return;
      }
      EndSession(state, CmdLogoff);
    case CmdEndSessionNow:
    case CmdDesktopCommandEnded:
      EndSession(state, command);
    case CmdLockNow:
      LockScreenNow(state);
      return;
    case CmdLogoffConfirm:
      if (!state->confirmLogoff) {
        DoDesktopCommand(state, CmdLogoff);
        return;
      }
      CreateYesNoMessageBox(&state->sdk, CatalogText(TextConfirmLogoff), CatalogText(TextYes), CatalogText(TextNo),
                            LogoffConfirmCallback, state, "QXW3507", state->logoffBoxSystemModal);
      return;
    case CmdLockConfirm:
      if (!state->lockAllowed) return;
      if (!state->confirmLock) {
        DoDesktopCommand(state, CmdLockNow);
        return;
      }
      CreateYesNoMessageBox(&state->sdk, CatalogText(TextConfirmLock), CatalogText(TextYes), CatalogText(TextNo),
                            LockConfirmCallback, state, "QXW3508", state->lockBoxSystemModal);
      return;
    default:
      return;
  }
}
