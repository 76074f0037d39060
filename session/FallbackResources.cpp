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
  // Session window menus.
  "QW5250*cmdCascade.labelString: Command",
  "QW5250*new5250Button.labelString: New 5250...",
  "QW5250*quitButton.labelString: Exit 5250",
  "QW5250*editCascade.labelString: Edit",
  "QW5250*pasteButton.labelString: Paste",
  "QW5250*copyButton.labelString: Copy",
  "QW5250*cutButton.labelString: Cut",
  "QW5250*optCascade.labelString: Option",
  "QW5250*fontMenuCascade.labelString: Fonts",
  "QW5250*pfkeysButton.labelString: Keypad...",
  "QW5250*customizeButton.labelString: Customize Keypad...",
  "QW5250*recordButton.labelString: Record...",
  "QW5250*playbackButton.labelString: Playback...",
  "QW5250*miscButton.labelString: Miscellaneous Preferences...",
  "QW5250*colormapButton.labelString: Color Mapping...",
  "QW5250*keymapButton.labelString: Keyboard Remapping...",
  "QW5250*runAppletButton.labelString: Run Applet ...",
  "QW5250*ctlCascade.labelString: Control",
  "QW5250*resetButton.labelString: Reset key",
  "QW5250*sysreqButton.labelString: System Request key",
  "QW5250*attentionButton.labelString: Attention key",
  "QW5250*helpkeyButton.labelString: Help key",
  "QW5250*enterkeyButton.labelString: Enter key",
  "QW5250*prtCascade.labelString: Print",
  "QW5250*localButton.labelString: Screen Print...",
  // Screen print dialog.
  "QW5250*localPrintControls_popup.title: Screen Print",
  "QW5250*localPrintPrinterSelectButton.labelString: Printer...",
  "QW5250*localPrintPrinterValue.labelString: (no printer)",
  "QW5250*localPrintOrientationLabel.labelString: Orientation:",
  "QW5250*localPrintOrientationPortraitButton.labelString: Portrait",
  "QW5250*localPrintOrientationLandscapeButton.labelString: Landscape",
  "QW5250*localPrintFormFeedLabel.labelString: Form feed after the screen:",
  "QW5250*localPrintFormFeedYesButton.labelString: Yes",
  "QW5250*localPrintFormFeedNoButton.labelString: No",
  "QW5250*selectOptions.labelString: Choose the options, then Print.",
  "QW5250*printing.labelString: Printing...",
  "QW5250*startBtn.labelString: Print",
  "QW5250*cancelBtn.labelString: Cancel",
  "QW5250*localPrintPrinterSelectControls_popup.title: Choose a Printer",
  "QW5250*printerSelectOk.labelString: OK",
  "QW5250*printerSelectCancel.labelString: Cancel",
  "QW5250*ErrorMsgNoPrinters: No printer is set up.\\nAsk your administrator to add a printer.",
  "QW5250*systemButton.labelString: System",
  "QW5250*helpCascade.labelString: Help",
  nullptr,
};
// clang-format on
}  // namespace

char** QwFallbackResources() { return const_cast<char**>(kFallbacks); }
