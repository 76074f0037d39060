#include "api/EclSessions.h"

#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>

#include "api/ECLSessionSocket.h"
#include "api/EclWire.h"
#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "display/DisplayIndicators.h"
#include "keyboard/KeyboardState.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "textassist/TextSession.h"
#include "textassist/TextTypes.h"

SessionControlBlock* EclSession(int handle) {
  const SessionTableEntry* e = SessionEntry(handle);
  return e && e->shell && e->session ? e->session : nullptr;
}

int EclSessionNumber(int handle) {
  const SessionTableEntry* e = SessionEntry(handle);
  return e && e->shell && e->session ? e->instance : 0;
}

std::string EclSessionName(int handle) {
  SessionControlBlock* s = EclSession(handle);
  if (!s) return std::string();
  return std::string(s->xstuff.getHostname()) + " " + std::to_string(EclSessionNumber(handle));
}

void EclStartSession(const std::string& host) {
  int first = -1;
  for (int i = 0; i < kMaxSessionSlots && first < 0; ++i)
    if (EclSession(i)) first = i;
  if (first < 0) return;
  SessionControlBlock* from = EclSession(first);
  const SessionStartOptions* kept = SessionStartOptionsOf(first);
  SessionStartOptions options = kept ? *kept : SessionStartOptions();
  options.hostName = host;
  options.title = from->xstuff.getSessionTitle();
  options.playbackFile.clear();
  Geometry g{};
  if (Widget shell = from->xstuff.shell()) {
    Position x = 0, y = 0;
    Dimension width = 0, height = 0;
    XtVaGetValues(shell, XtNx, &x, XtNy, &y, XtNwidth, &width, XtNheight, &height, nullptr);
    g.xGiven = g.yGiven = g.widthGiven = g.heightGiven = 1;
    g.x = static_cast<int16_t>(x + 17);
    g.y = static_cast<int16_t>(y);
    g.width = width;
    g.height = height;
  }
  options.geometry = g;
  createSessionUnderThisProcess(options, nullptr, nullptr);
}

int32_t EclStopSession(int handle, EclCall& call, bool logCount) {
  SessionControlBlock* s = EclSession(handle);
  if (!s) return ecl::kNoSession;
  const int active = getNumberOfSessions();
  if (logCount && DebugFlag()) LogMsg(LevelDebug, "number Of Active Session = %d\n", active);
  if (active == 1 && call.client) {
    call.client->sendReturnCode(ecl::kSuccess);
    call.replied = true;
  }
  EndSession(s, 1);
  return ecl::kSuccess;
}

uint32_t EclStatusWord(SessionControlBlock* session) {
  uint32_t word = 7;
  DisplayBag* d = session ? session->display : nullptr;
  if (!d) return word;
  const unsigned int state = d->keyboardState().state();
  uint32_t textModes = 0;
  if (state == KeyboardState::kWordProcessing && d->textSession()) textModes = d->textSession()->stateWord();
  const bool textLocked = (textModes & text_mode::kKeyboardLocked) != 0;
  const bool textError = (textModes & text_mode::kErrorShown) != 0;
  bool inhibited = state == KeyboardState::kError || state == KeyboardState::kPostHelpError ||
                   state == KeyboardState::kNormalLocked ||
                   (state == KeyboardState::kWordProcessing && textLocked && !textError);
  if (inhibited) word += 0x20;
  const unsigned int indicators = d->indicators().current().get();
  if (indicators & Indicators::kInsert) word += 0x8000;
  if (state == KeyboardState::kSystemRequest || state == KeyboardState::kError ||
      state == KeyboardState::kPostHelpError || (state == KeyboardState::kWordProcessing && !textError))
    word += 0x4000;
  if (indicators & Indicators::kMessageWait) word += 0x400000;
  // An operator error holds the input inhibited.
  if (inhibited && (state == KeyboardState::kError || state == KeyboardState::kPostHelpError)) word += 0x40;
  return word;
}
