#pragma once
// What the function classes share about the session table: the session of
// a handle, the name a client knows a session by, and starting and stopping
// sessions on a client's request.
#include <string>

#include "api/EclFunctions.h"

class SessionControlBlock;

// The session of a slot in use; null for any other handle.
SessionControlBlock* EclSession(int handle);
// The session number (instance) of a slot in use, else 0.
int EclSessionNumber(int handle);
// Host name, a blank and the session number in decimal ("h 12").
std::string EclSessionName(int handle);
// A new session to `host` with the options and title of the first session
// in use, 17 pixels to the right of its window. Nothing without a session.
void EclStartSession(const std::string& host);
// Ends the session of a slot in use; the return code 1 goes out first when
// it is the last session (ending it may end the process). 5 for a slot not
// in use, else 1.
int32_t EclStopSession(int handle, EclCall& call, bool logCount);
// The status word of the operator information area of a session.
uint32_t EclStatusWord(SessionControlBlock* session);
