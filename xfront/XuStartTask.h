#pragma once
// Starting helper programs. A program is given as an argument vector and
// executed directly (never through a shell, so no argument is ever
// interpreted); the parent does not wait, and finished children are reaped
// from the event loop.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

typedef struct _XtAppStruct* XtAppContext;

// Starts argv[0] (a path, or a name looked up in PATH) with the
// null-terminated argv. Returns the child's process id, or -1 when the
// program could not be started (no process, or the program cannot be
// executed; logged, and errno tells why). In the child SIGINT and SIGHUP return to their default
// handling unless they are ignored, SIGQUIT and SIGTERM always do, and no
// signal is blocked.
pid_t XuStartTask(const char* const argv[]);
pid_t XuStartTask(const std::vector<std::string>& argv);

// Reaping: a SIGCHLD handler only writes a byte into a pipe that is an input
// source of app; the input callback reaps, in the event loop. Installed on
// the first call (later calls with the same context do nothing); children
// started before are reaped too. False when the pipe or handler cannot be set.
bool XuInstallChildReaper(XtAppContext app);

// Reaps every finished child that XuStartTask started (never other
// children of the process); returns how many were reaped.
int XuReapChildren();

// Children started by XuStartTask and not reaped yet.
size_t XuRunningTaskCount();
std::vector<pid_t> XuRunningTasks();

// Calls `ended` with the wait status once, from the event loop, when the
// child `pid` of XuStartTask is reaped (at once when it was reaped
// already). One handler a child; a later one replaces it.
void XuWhenTaskEnds(pid_t pid, std::function<void(int status)> ended);

// The wait status of a child reaped lately (the last 32 are kept): true and
// *status when pid is among them.
bool XuTaskWaitStatus(pid_t pid, int* status);
