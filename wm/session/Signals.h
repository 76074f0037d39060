#pragma once
// Teldra's signals. Handlers only post SDK notices; the work runs in the loop.
struct ScreenState;

// Interrupt and terminate post the terminate notice, the first user signal
// the user-signal notice, the child signal fills the launcher's ring; hang-up,
// quit and broken pipes are ignored. Faults (SIGSEGV, SIGBUS, ...) keep their
// default action: ignoring them would make a fault spin.
void InstallTeldraSignals();
// Registers the three notices with the state's application context.
void AddTeldraSignalNotices(ScreenState* state);

void TerminateSignalHandler(int sig);
void User1SignalHandler(int sig);
void TerminateSignalCallback(void* state);
void User1SignalCallback(void* state);
void ChildSignalCallback(void* state);
