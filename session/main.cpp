// Entry point of QW5250.
#include <csignal>
#include <cstdio>
#include <string>

#include "api/ProgrammingInterface.h"
#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/CommandLineCheck.h"
#include "session/ResourceKeywords.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"
#include "xfront/XuXHelpers.h"

int main(int argc, char** argv) {
  // Before any X call: the keysym names of the emulator's keyboards.
  XuUseKeysymDatabase();
  // A closed connection is reported by write()'s result, not by a signal.
  std::signal(SIGPIPE, SIG_IGN);

  // An unknown option would be taken as the host name: report it before
  // anything starts.
  const std::string unknown = FirstUnknownOption(argc, argv);
  if (AsksForHelp(unknown)) {
    PrintUsage(stdout, argv[0]);
    return 0;
  }
  if (!unknown.empty()) {
    ReportUnknownOption(stderr, argv[0], unknown);
    return kUsageExitStatus;
  }
  SessionStartOptions options;
  PrepareStartOptions(argc, argv, options);
  if (options.commandLineError) return kUsageExitStatus;

  if (initializeApplication(&argc, argv) != 0) {
    LogMsg(LevelError, "QW5250 could not be initialised; exiting.\n");
    return 1;
  }
  if (options.browserStart) AppResources().browserStart = QwEnable;
  // Whatever the toolkit did not take and still looks like an option.
  if (argc > 1 && argv[1] && argv[1][0] == '-') {
    ReportUnknownOption(stderr, "qw5250", argv[1]);
    ExitMaster(kUsageExitStatus);
  }

  AttachProgrammingInterface();
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
