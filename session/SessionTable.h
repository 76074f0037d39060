#pragma once
// The master's table of sessions: creating a session from its options,
// ending sessions, and finding the session of a widget.
#include <X11/Intrinsic.h>

#include "session/DialogTypes.h"

struct SessionStartOptions;
class SessionControlBlock;

constexpr int kMaxSessionSlots = 99;

// In the master: creates the session under this process and returns 0. In
// any other process the options are handed to the master (1).
int createSession(const SessionStartOptions& options);

// Creates the session or reports why not. Without a host name it opens the
// start-session dialog with the other options, which calls back here.
void createSessionUnderThisProcess(const SessionStartOptions& options, ColorOptions* colors,
                                   XmRenderTable* renderTable);

// Ends one session; when none is left and no dialog is open, the master ends
// with `status`.
void EndSession(SessionControlBlock* block, int status);
// Ends every session.
void EndSessions(int status);

int getNumberOfSessions();

// 1 when the widget belongs to a session's window, else 0.
int isAssociatedWithASession(Widget w);
