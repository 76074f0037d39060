#pragma once
// The stop on an internal inconsistency, and the end of the master process.
// Host data, files and other programs must never lead here: they are refused
// with a sense code or an operator error instead.

[[noreturn]] void ErrorHalt(unsigned short module, unsigned short error, unsigned long p0 = 0,
                            unsigned long p1 = 0, unsigned long p2 = 0, unsigned long p3 = 0);

// Clears the master record, logs, waits 200 ms and exits with `status`.
[[noreturn]] void ExitMaster(int status);

// Called by ExitMaster before it exits (the master process registers the
// clearing of its shared record here).
using ExitMasterCleanup = void (*)();
void SetExitMasterCleanup(ExitMasterCleanup fn);

// Tests: called by ErrorHalt with the module and error before anything
// else; a hook that throws keeps the process alive.
using ErrorHaltHook = void (*)(unsigned short module, unsigned short error);
void SetErrorHaltHook(ErrorHaltHook hook);

// Tests: the pause before ErrorHalt and the allocation failures end the
// process (2 s by default).
void SetFatalPauseMilliseconds(unsigned ms);
void FatalPause();
