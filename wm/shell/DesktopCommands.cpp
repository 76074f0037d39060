#include "wm/shell/DesktopCommands.h"

#include <X11/Xatom.h>

#include <cstdlib>

#include "platform/sdk/MessageBox.h"
#include "platform/sdk/SimpleMenu.h"
#include "wm/manager/Frame.h"
#include "wm/manager/Stacking.h"
#include "wm/manager/Tiling.h"
#include "wm/manager/WindowOps.h"
#include "wm/services/CommandService.h"
#include "wm/shell/DesktopWindow.h"
#include "wm/shell/MessageCatalog.h"
#include "wm/shell/Preferences.h"
#include "wm/shell/ShellEvents.h"
#include "wm/shell/ShellState.h"

void LogoffConfirmCallback(void* state, int answer) {
  if (answer) DoDesktopCommand(static_cast<ShellState*>(state), CmdLogoff);
}

void LockConfirmCallback(void* state, int answer) {
  if (answer) DoDesktopCommand(static_cast<ShellState*>(state), CmdLockNow);
}

namespace {

[[noreturn]] void EndTheSession(ShellState* state, int command) {
  if (TheShellEvents().endSession) TheShellEvents().endSession(state, command);
  std::exit(5);
}

void MinimizeAll(ShellState* s) {
  // Each pass minimises the active window; one that cannot go ends it.
  for (int guard = 0; guard < 100000; ++guard) {
    ManagedWindow* m = GetActiveWindow(s);
    if (!m || m->minimized) return;
    MinimizeWindow(m);
    if (GetActiveWindow(s) == m) return;
  }
}

void RaiseLowestWindow(ShellState* s) {
  if (ManagedWindow* m = FindBottomWindow(s)) RaiseWindow(m);
}

}  // namespace

int RootMenuItemSensitive(ShellState* s, int command) {
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

void IconPlacementMenuCallback(ShellState* s, int value) {
  if (value < 0 || value > 7) return;
  s->iconPlacement = value;
  XClearArea(s->sdk.display, s->sdk.root, 0, 0, 0, 0, True);
  SaveDesktopPreferences(s);
}

int IconPlacementItemChecked(ShellState* s, int value) { return value == s->iconPlacement; }

void DoDesktopCommand(ShellState* state, int command) {
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
      // The desktop manager runs the change; without one Teldra asks itself.
      BroadcastToClients(state, nullptr, NoticeChangePIN);
      if (!ServiceClientsConnected(state) && TheShellEvents().changePin) TheShellEvents().changePin(state);
      return;
    case CmdScreenSaver:
      state->screenSaverDisabled = !state->screenSaverDisabled;
      if (TheShellEvents().screenSaverSwitched) TheShellEvents().screenSaverSwitched(state, !state->screenSaverDisabled);
      SetScreenSaverMenuLabel(state, state->screenSaverDisabled);
      SaveDesktopPreferences(state);
      return;
    case CmdConstrain:
      state->constrainedMode = !state->constrainedMode;
      SetConstrainMenuLabel(state, state->constrainedMode);
      SaveDesktopPreferences(state);
      return;
    case CmdLogoff:
      if (TheShellEvents().logoffRequested) TheShellEvents().logoffRequested(state);
      // Connected desktop programs end the session themselves (their
      // end-of-session request arrives as command 22).
      if (ServiceClientsConnected(state)) {
        BroadcastToClients(state, nullptr, NoticeWindowManagerExiting);
        return;
      }
      EndTheSession(state, CmdLogoff);
    case CmdEndSessionNow:
    case CmdDesktopCommandEnded:
      EndTheSession(state, command);
    case CmdLockNow:
      if (TheShellEvents().lockNow) TheShellEvents().lockNow(state);
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
