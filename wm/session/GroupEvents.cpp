#include "wm/session/GroupEvents.h"

#include "platform/sdk/MessageBox.h"
#include "platform/sdk/SimpleMenu.h"
#include "wm/manager/Frame.h"
#include "wm/manager/ManagerEvents.h"
#include "wm/manager/WindowMenu.h"
#include "wm/services/CommandService.h"
#include "wm/services/ServiceEvents.h"
#include "wm/services/SnmpTrap.h"
#include "wm/session/ChangePinDialog.h"
#include "wm/session/Launcher.h"
#include "wm/session/LoginDialog.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenSaver.h"
#include "wm/session/ScreenState.h"
#include "wm/session/SessionEnd.h"
#include "wm/session/SessionEvents.h"
#include "wm/session/WindowManager.h"
#include "wm/shell/DesktopCommands.h"
#include "wm/shell/DesktopWindow.h"
#include "wm/shell/MessageCatalog.h"
#include "wm/shell/ShellEvents.h"

namespace {

// The process's state, of which every group's part is a base.
ScreenState* Whole(ManagerState* part) { return static_cast<ScreenState*>(part); }

void WindowManaged(ManagerState* state, const ManagedWindow* m) {
  // Desktop programs waiting for this program's window learn that it came.
  RemoveCommandRecordsByName(Whole(state), m->classKey);
  if (m->realClass != m->classKey) RemoveCommandRecordsByName(Whole(state), m->realClass);
}

void StackingChanged(ManagerState* state) { BroadcastToClients(Whole(state), nullptr, NoticeStackingChanged); }

const char* WindowMenuLabel(int action) {
  switch (action) {
    case ActionRestore: return CatalogText(TextRestore);
    case ActionMove: return CatalogText(TextMove);
    case ActionSize: return CatalogText(TextSize);
    case ActionMinimize: return CatalogText(TextMinimize);
    case ActionMaximize: return CatalogText(TextMaximize);
    case ActionClose: return CatalogText(TextClose);
    default: return "";
  }
}

bool Launch(ServiceState* s, unsigned flags, const char* first, const char* second, const char* third,
            int priority, unsigned char id[8]) {
  LaunchRecord* record = nullptr;
  if (flags & 0x08) {
    if (s->sdk.display) {
      if (MessageBoxActive(&s->sdk)) PopDownMessageBox(&s->sdk);
      CreateMessageBox(&s->sdk, CatalogText(TextNotEnoughMemory), CatalogText(TextOk), "QXW3505", 0);
    }
    SendSnmpTrap("memFull");
  } else if (flags & 0x01) {
    record = LaunchProgram(first, (flags & 0x10) != 0, (flags & 0x08) != 0, (flags & 0x20) != 0);
  } else {
    record = LaunchJavaProgram(first, *third ? third : nullptr, *second ? second : nullptr,
                               static_cast<int>(flags & ~0x10u), (flags & 0x10) != 0, (flags & 0x20) != 0);
  }
  if (!record) return false;
  record->priority = priority;
  for (int i = 0; i < 8; ++i) id[i] = record->id[i];
  return true;
}

void PopDown(ServiceState* s) { PopDownMenus(Whole(s)); }

void PopupRootMenu(ServiceState* s, const XEvent* press) {
  if (SimpleMenu* menu = Whole(s)->rootMenu) PopupSimpleMenu(menu, press);
}

void LockOrLogoff(ServiceState* s, bool lock, bool confirm) {
  if (lock)
    DoDesktopCommand(Whole(s), confirm ? CmdLockConfirm : CmdLockNow);
  else
    DoDesktopCommand(Whole(s), confirm ? CmdLogoffConfirm : CmdLogoff);
}

void DesktopCommandEnded(ServiceState* s) { DoDesktopCommand(Whole(s), CmdDesktopCommandEnded); }

void SystemInformation(ServiceState* s, int kind) { ShowSystemInformation(Whole(s), kind); }

void LogoffRequested(ShellState* s) {
  ClearRestartActions();
  SessionLogoffRequested(Whole(s));
}

void EndTheSession(ShellState* s, int command) { EndSession(Whole(s), command); }

void LockNow(ShellState* s) { LockScreenNow(Whole(s)); }

void ScreenSaverSwitched(ShellState* s, int enabled) {
  if (enabled)
    StartScreenSaver(Whole(s));
  else
    StopScreenSaver(Whole(s));
}

void LockedDesktopEvent(ShellState* s, XEvent* event) { LockScreenWatchStacking(Whole(s), event); }

void LoginScreenPressed(ShellState* s) {
  // Without a card reader the log-in dialog comes back with the focus.
  ScreenState* state = Whole(s);
  if (state->loginDialog && !state->cardReader) ShowLoginDialog(state->loginDialog);
}

void ChangePin(ShellState* s) { OpenChangePinDialog(Whole(s)); }

}  // namespace

void ConnectGroupEvents() {
  // In the order of the tables' members.
  SetManagerEvents({WindowManaged, StackingChanged, NotifyLockProgram, WindowMenuLabel});
  SetServiceEvents({Launch, UnregisterApplication, PopDown, PopupRootMenu, LockOrLogoff, DesktopCommandEnded,
                    SystemInformation});
  SetShellEvents({LogoffRequested, EndTheSession, LockNow, ScreenSaverSwitched, LockedDesktopEvent,
                  LoginScreenPressed, ChangePin});
}
