#include "wm/session/Signals.h"

#include <csignal>
#include <cstring>

#include "platform/sdk/EvtApp.h"
#include "wm/session/Launcher.h"
#include "wm/session/ScreenState.h"
#include "wm/shell/DesktopCommands.h"

namespace {

EvtSignalNotice* terminateNotice = nullptr;
EvtSignalNotice* user1Notice = nullptr;

void Install(int sig, void (*handler)(int)) {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(sig, &sa, nullptr);
}

}  // namespace

void TerminateSignalHandler(int) { EvtNoticeSignal(terminateNotice); }
void User1SignalHandler(int) { EvtNoticeSignal(user1Notice); }

void InstallTeldraSignals() {
  Install(SIGINT, TerminateSignalHandler);
  Install(SIGTERM, TerminateSignalHandler);
  Install(SIGHUP, SIG_IGN);
  Install(SIGQUIT, SIG_IGN);
  Install(SIGPIPE, SIG_IGN);
  Install(SIGUSR1, User1SignalHandler);
  InstallChildSignalHandler();
}

void AddTeldraSignalNotices(ScreenState* state) {
  EvtAppContext* app = state->sdk.app;
  SetChildSignalNotice(EvtAppAddSignal(app, ChildSignalCallback, state));
  terminateNotice = EvtAppAddSignal(app, TerminateSignalCallback, state);
  user1Notice = EvtAppAddSignal(app, User1SignalCallback, state);
}

void TerminateSignalCallback(void* state) {
  DoDesktopCommand(static_cast<ScreenState*>(state), CmdLogoff);
}

void User1SignalCallback(void* state) {
  DoDesktopCommand(static_cast<ScreenState*>(state), CmdLogoffConfirm);
}

void ChildSignalCallback(void*) { ReapChildren(); }
