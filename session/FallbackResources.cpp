#include "session/FallbackResources.h"

namespace {
// clang-format off
const char* const kFallbacks[] = {
  // Start-session dialog.
  "QW5250*hostNameDialog.dialogTitle: Start 5250 Session",
  "QW5250*hostNameDialog.selectionLabelString: Host name:",
  "QW5250*hostNameDialog.okLabelString: OK",
  "QW5250*hostNameDialog.cancelLabelString: Cancel",
  "QW5250*hostNameDialog*startupPlaybackChoice.labelString: Run the start-up playback file",
  // Message dialogs.
  "QW5250*errorMsgDialog.dialogTitle: 5250 Error",
  "QW5250*errorMsgDialog.okLabelString: OK",
  "QW5250*errorMsgDialog.cancelLabelString: Cancel",
  "QW5250*warningMsgDialog.dialogTitle: 5250 Warning",
  "QW5250*warningMsgDialog.okLabelString: OK",
  "QW5250*warningMsgDialog.cancelLabelString: Cancel",
  "QW5250*lowMemoryDialog.dialogTitle: 5250 Low Memory",
  "QW5250*lowMemoryDialog.messageString: The system is running out of memory.\\n"
      "Close a session or another program, then press OK.",
  "QW5250*lowMemoryDialog.okLabelString: OK",
  // Message texts, by message name.
  "QW5250*ErrorMsgUnknownHost: The host name is not known.\\nEnter the name of a host system.",
  "QW5250*ErrorMsgMaxSessions: The maximum number of sessions is already running.\\n"
      "End a session before starting another one.",
  "QW5250*ErrorMsgTelnetNegoFailed:     Telnet negotiations failed.",
  "QW5250*ErrorMsgUnableToConnect: Unable to connect to the host system.",
  nullptr,
};
// clang-format on
}  // namespace

char** QwFallbackResources() { return const_cast<char**>(kFallbacks); }
