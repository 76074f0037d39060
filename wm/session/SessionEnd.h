#pragma once
// The end of a session.
struct ScreenState;

// The end-session sequence of a desktop command (CmdLogoff, CmdEndSessionNow
// or CmdDesktopCommandEnded): the services and reports stop, the clients are
// closed (log-off) or let go, the user's processes end; exits the process
// with status 5.
[[noreturn]] void EndSession(ScreenState* state, int command);
