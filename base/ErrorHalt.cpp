#include "base/ErrorHalt.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "base/LogMsg.h"

namespace {
ExitMasterCleanup g_cleanup = nullptr;
ErrorHaltHook g_haltHook = nullptr;
unsigned g_fatalPauseMs = 2000;
}  // namespace

void SetExitMasterCleanup(ExitMasterCleanup fn) { g_cleanup = fn; }
void SetErrorHaltHook(ErrorHaltHook hook) { g_haltHook = hook; }
void SetFatalPauseMilliseconds(unsigned ms) { g_fatalPauseMs = ms; }

void FatalPause() { std::this_thread::sleep_for(std::chrono::milliseconds(g_fatalPauseMs)); }

void ErrorHalt(unsigned short module, unsigned short error, unsigned long p0, unsigned long p1,
               unsigned long p2, unsigned long p3) {
  if (g_haltHook) g_haltHook(module, error);
  LogMsg(LevelError,
         "%s: ErrorHalt(). Internal Error Detected.\n    Module ID = %x\n    Error ID = %x\n",
         "QWC0000", module, error);
  LogMsg(LevelError, "    Parm 0 = %lx\n    Parm 1 = %lx\n", p0, p1);
  LogMsg(LevelError, "    Parm 2 = %lx\n    Parm 3 = %lx\n", p2, p3);
  FatalPause();
  ExitMaster(1);
}

void ExitMaster(int status) {
  if (g_cleanup) {
    ExitMasterCleanup fn = g_cleanup;
    g_cleanup = nullptr;  // never twice, even when the cleanup fails fatally
    fn();
  }
  if (DebugFlag()) LogMsg(LevelDebug, "Exiting Master Process.\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::exit(status);
}
