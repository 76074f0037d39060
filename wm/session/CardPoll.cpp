#include "wm/session/CardPoll.h"

#include <X11/Xlib.h>

#include "login/card/SmartCard.h"
#include "platform/sdk/EvtApp.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/session/ChangePinDialog.h"
#include "wm/session/LoginDialog.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenSaver.h"
#include "wm/session/ScreenState.h"
#include "wm/shell/DesktopCommands.h"

namespace {

void DefaultLogoff(ScreenState* s) { DoDesktopCommand(s, CmdLogoff); }

void (*gLogoff)(ScreenState*) = DefaultLogoff;

void PollTimer(void* closure, unsigned long) { PollSmartCard(static_cast<ScreenState*>(closure)); }

void CardRemoved(ScreenState* s) {
  Display* d = s->sdk.display;
  if (s->lockRecord) {
    LockScreenCardRemoved(s->lockRecord);
    return;
  }
  if (s->administratorSession && !s->passwordFallback) {
    s->administratorCard = 0;
    return;
  }
  if (!s->loginDialog) {
    // The card was the session's key: the session ends with it.
    if (!s->cardMayStay) gLogoff(s);
    return;
  }
  XUnmapWindow(d, s->loginDialog->window->window);
  ResetLoginDialog(s->loginDialog);
  XSetInputFocus(d, PointerRoot, RevertToPointerRoot, CurrentTime);
  if (s->passwordFallback) {
    // The password dialog of a card without credentials goes with the card.
    LoginDialog* old = s->loginDialog;
    s->loginDialog = nullptr;
    DestroyLoginDialog(old);
    s->loginDialog = CreateLoginDialog(s, 350, 220, nullptr, LoginByCard);
    s->administratorSession = 0;
    s->passwordFallback = 0;
    s->administratorCard = 0;
  }
}

void CardInserted(ScreenState* s) {
  if (s->lockRecord) {
    LockScreenCardInserted(s->lockRecord);
    return;
  }
  if (s->administratorSession || s->cardMayStay || !s->loginDialog) return;
  ResetScreenSaver(s);
  LoginDialog* dlg = s->loginDialog;
  dlg->mode = LoginByCard;
  dlg->oneBox = 1;
  ResetLoginDialog(dlg);
  ShowLoginDialog(dlg);
}

}  // namespace

void StartCardPoll(ScreenState* s) {
  if (s->cardPollTimer || !s->sdk.app) return;
  s->cardPollTimer = EvtAppAddRecurringTimeOut(s->sdk.app, 250, PollTimer, s);
}

void StopCardPoll(ScreenState* s) {
  if (s->cardPollTimer && s->sdk.app) EvtAppRemoveTimeOut(s->sdk.app, s->cardPollTimer);
  s->cardPollTimer = 0;
}

void PollSmartCard(ScreenState* s) {
  if (!s->cardReader) return;
  if (s->card) {
    if (!SmartCardPoll(s->card)) return;
    s->card = nullptr;  // the card object is gone with the card
    CloseChangePinDialog(s);  // its PIN belonged to the card that went
    CardRemoved(s);
    return;
  }
  SmartCardHandle card = nullptr;
  if (SmartCardOpen(&card) != kSmartCardDone || !card) return;
  s->card = card;
  CardInserted(s);
}

void SetCardRemovedLogoff(void (*logoff)(ScreenState*)) { gLogoff = logoff ? logoff : DefaultLogoff; }
