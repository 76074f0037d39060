#pragma once
// The numbered desktop commands (1 to 26) that menus, hot keys, signals,
// service requests and child supervision run.
struct ScreenState;

enum DesktopCommand {
  CmdLogoff = 1,
  CmdEndSessionNow = 18,
  CmdDesktopCommandEnded = 22,
  CmdLockNow = 24,
  CmdLogoffConfirm = 25,
  CmdLockConfirm = 26,
};

void DoDesktopCommand(ScreenState* state, int command);
// The answers of the two Yes/No boxes: Yes runs command 1 or 24.
void LogoffConfirmCallback(void* state, int answer);
void LockConfirmCallback(void* state, int answer);
// The end-session sequence; exits the process with status 5.
[[noreturn]] void EndSession(ScreenState* state, int command);
