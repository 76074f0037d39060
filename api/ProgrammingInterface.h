#pragma once
// The programming interface inside the program: attaching it to the
// sessions (session start and end, status-line changes, the operator's keys,
// the "Run Applet" menu entry) and the one server and event socket that the
// first session with the interface switched on creates.
class ECLServerSocket;
class EventSocket;
class SessionControlBlock;

// Registers the interface with the session table, the session windows and
// their menus. Called once at start-up (later calls do nothing).
void AttachProgrammingInterface();

// The server and the event socket, once a session with the interface on
// made them (null before).
ECLServerSocket* ProgrammingInterfaceServer();
EventSocket* ProgrammingInterfaceEvents();

// Creates the server and the event socket when they do not exist yet (the
// first session with the interface on). False when the server could not
// listen.
bool StartProgrammingInterface();
// Tests: closes the server, its clients and the event socket.
void StopProgrammingInterface();

// A presentation-space event of a session with a subscription: 0 after a
// data key, 1 after a function key or at the end of a host input.
void ReportPresentationSpaceEvent(SessionControlBlock* session, int value);
