// Entry point of QW5250.
#include <csignal>

#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ResourceKeywords.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "base/LogMsg.h"
#include "xfront/XuXHelpers.h"

int main(int argc, char** argv) {
  // Before any X call: the keysym names of the emulator's keyboards.
  XuUseKeysymDatabase();
  // A closed connection is reported by write()'s result, not by a signal.
  std::signal(SIGPIPE, SIG_IGN);

  SessionStartOptions options;
  PrepareStartOptions(argc, argv, options);

  if (initializeApplication(&argc, argv) != 0) {
    LogMsg(LevelError, "QW5250 could not be initialised; exiting.\n");
    return 1;
  }
  if (options.browserStart) AppResources().browserStart = QwEnable;

  // What the toolkit left over: the first argument names the host.
  options.hostName = argc > 1 && argv[1] ? argv[1] : "";
  if (createSession(options) == 1) {
    if (DebugFlag()) {
      if (!options.title.empty())
        LogMsg(LevelDebug, "session title = %s. Session handed off.\n", options.title.c_str());
      else
        LogMsg(LevelDebug, "Session handed off.\n");
    }
    return 0;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "before mainloop\n");
  mainloop(ApplicationContext());
}
