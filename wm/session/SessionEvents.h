#pragma once
// What Teldra reports when a user's session begins and ends: the SNMP
// agent's notifications and the trap programs. The session start
// (StartSession, after a log-in or without the log-in screen) calls
// SessionLoggedIn; the end of the session calls SessionLoggedOff once the
// display is closed.
struct ScreenState;

// Start-up: the SNMP agent channel, the memory monitor and, in log-in mode,
// the rusers and rwall services.
void StartDesktopReporting(ScreenState* state);
// Notifications 0x2000003 (USER) and 0x200000B (QX_PCNFSD_SERVER), the
// "login" trap, and the disk monitor.
void SessionLoggedIn(ScreenState* state);
// The log-off request: notification 0x2000004.
void SessionLogoffRequested(ScreenState* state);
// Before the session's windows go: the RPC services (when they were started
// in log-in mode) and both monitors stop.
void StopDesktopReporting(ScreenState* state);
// Notification 0x2000002 and the "logout" trap.
void SessionLoggedOff(ScreenState* state);
