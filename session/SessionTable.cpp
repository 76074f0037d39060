#include "session/SessionTable.h"

#include <cstdlib>

#include "session/ErrorDialogs.h"
#include "session/MasterRecord.h"
#include "session/StartOptions.h"
#include "session/base/ErrorHalt.h"
#include "session/base/LocalMalloc.h"
#include "session/base/LogMsg.h"

namespace {
int g_numberOfSessions = 0;
}  // namespace

int createSession(const SessionStartOptions& options) {
  if (!IsMasterProcess()) {
    LogMsg(LevelError, "No master process takes the session; exiting.\n");
    std::exit(1);
  }
  createSessionUnderThisProcess(options, nullptr, nullptr);
  return 0;
}

void createSessionUnderThisProcess(const SessionStartOptions& options, ColorOptions* colors,
                                   XmRenderTable* renderTable) {
  if (options.hostName.empty()) {
    TheErrorDialogs().createHostNameDialog(options, colors, renderTable);
    return;
  }
  // The session itself (its control block, window and connection) is not
  // part of this program yet: say so instead of leaving nothing on screen.
  LogMsg(LevelError, "The session to host %s cannot be started: sessions are not available yet.\n",
         options.hostName.c_str());
  TheErrorDialogs().doExitCheck();
}

void EndSession(SessionControlBlock* block, int status) {
  if (!block || g_numberOfSessions == 0) return;
  --g_numberOfSessions;
  if (g_numberOfSessions == 0 && TheErrorDialogs().getNumberOfActiveDialogs() == 0 &&
      !LowMemoryDialogPosted()) {
    ExitMaster(status);
  }
}

void EndSessions(int /*status*/) {
  // No table entry is in use until sessions are built.
}

int getNumberOfSessions() { return g_numberOfSessions; }

int isAssociatedWithASession(Widget) { return 0; }
