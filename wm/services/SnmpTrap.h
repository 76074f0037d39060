#pragma once
// The trap programs that report desktop events to network management: one
// program per event in the terminal's trap directory, run without
// arguments. Teldra waits for the program, but never for long: one that
// has not ended after kTrapWaitSeconds is killed with its process group.
enum { kTrapWaitSeconds = 5 };

// The directory of the trap programs: QX_SNMP_DIR when set, else
// "/usr/local/qx/snmp".
const char* SnmpTrapDirectory();
// Runs the program of `kind` ("login", "logout", "memFull", "diskFull");
// any other kind is reported on standard error and runs nothing (-1).
// Returns what RunTrapProgram returns.
int SendSnmpTrap(const char* kind);
// Runs "<directory>/<name>" and waits for it (bounded); the child exits
// with status 1 when the program cannot be run. Returns the wait status,
// or -1 when the program could not be started or the path does not fit.
int RunTrapProgram(const char* name);
