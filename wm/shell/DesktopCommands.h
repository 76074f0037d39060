#pragma once
// The numbered desktop commands (1 to 26) that menus, hot keys, signals,
// service requests and child supervision run.
struct ShellState;

enum DesktopCommand {
  CmdLogoff = 1,
  CmdIconPlacement = 8,
  CmdLowerActive = 10,
  CmdRaiseLowest = 11,
  CmdMinimizeAll = 13,
  CmdTileHorizontally = 14,
  CmdTileVertically = 15,
  CmdCascade = 16,
  CmdColorTheme = 19,
  CmdChangePIN = 20,
  CmdScreenSaver = 21,
  CmdConstrain = 23,
  CmdEndSessionNow = 18,
  CmdDesktopCommandEnded = 22,
  CmdLockNow = 24,
  CmdLogoffConfirm = 25,
  CmdLockConfirm = 26,
};

void DoDesktopCommand(ShellState* state, int command);
// 1 when the root-menu item of the command may be chosen.
int RootMenuItemSensitive(ShellState* state, int command);
// The icon-placement submenu: the chosen placement (0 to 7) is stored, the
// icons laid out again and the preferences saved; the current one is checked.
void IconPlacementMenuCallback(ShellState* state, int value);
int IconPlacementItemChecked(ShellState* state, int value);
// The answers of the two Yes/No boxes: Yes runs command 1 or 24.
void LogoffConfirmCallback(void* state, int answer);
void LockConfirmCallback(void* state, int answer);
