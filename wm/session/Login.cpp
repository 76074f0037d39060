#include "wm/session/Login.h"

#include <X11/Xlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "login/card/SmartCard.h"
#include "login/pki/CryptoContext.h"
#include "login/record/CardRecord.h"
#include "platform/Auth.h"
#include "platform/AuthCheck.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/services/SnmpChannel.h"
#include "wm/session/CardPoll.h"
#include "wm/session/LoginDialog.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenState.h"
#include "wm/session/SessionEvents.h"
#include "wm/session/WindowManager.h"
#include "wm/shell/MessageCatalog.h"

namespace {

enum LoginResult { LoginOk = 0, LoginRefused = 2, LoginNoCard = 5, LoginNoCredentials = 6 };

void Wipe(void* p, size_t n) {
  volatile unsigned char* b = static_cast<volatile unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) b[i] = 0;
}

const char* NetworkServer() {
  const char* server = std::getenv("QX_PCNFSD_SERVER");
  return server && *server ? server : nullptr;
}

int PasswordLogin(ScreenState* s, const char* user, const char* password, AuthLoginInfo* info,
                  const char** server) {
  *server = NetworkServer();
  if (*server) {
    void* home = nullptr;
    void* profile = nullptr;
    return AuthAnyLogin(*server, user, password, info, &home, 0, 0, &profile);  // no profile is made
  }
  return AuthSimplePassword(user, password, info, s->allowRoot, 0);
}

struct CardLogin {
  int result = LoginRefused;
  int pinRefused = 0;
  CardRecord* record = nullptr;
  int administrator = 0;
  const char* server = nullptr;
  int checkFd = -1;  // the card's credentials are being checked in a child
  unsigned char digest[16] = {};  // of the card's data, kept on success
};

// The card log-in whose credentials a child checks (one at a time); its
// record is freed when the answer comes or the next check starts.
CardLogin pendingCard;

void MD5Of(const uint8_t* data, size_t length, unsigned char digest[16]) {
  CryptoContext* c = nullptr;
  std::memset(digest, 0, 16);
  if (CryptoContextCreate(&c) != 0 || !c) return;
  size_t n = 16;
  DigestInit(c);
  DigestFinish(c, length, data, &n, digest);
  CryptoContextFree(c);
}

// Reads and decodes the card's credential record after the PIN; the data
// length is the header's. Returns the bytes read into `buffer`, 0 on failure.
size_t ReadCardRecord(ScreenState* s, uint8_t* buffer, size_t capacity) {
  if (!s->cardVerifier) s->cardVerifier = CardVerifierCreate();
  if (!s->cardVerifier) return 0;
  std::memset(buffer, 0xFF, capacity);
  uint8_t sw1 = 0, sw2 = 0;
  int32_t result = 0;
  // A failed read leaves 0xFF bytes, which the parse refuses.
  SmartCardReadHeader(s->card, buffer, 0, kCardHeaderBytes, &sw1, &sw2, &result);
  int32_t position = 0;
  uint16_t length = 0;
  if (!CardParseHeader(s->cardVerifier, buffer, kCardHeaderBytes, &position, &length) || length == 0 ||
      length > capacity)
    return 0;
  if (SmartCardReadData(s->card, buffer, position, length, &sw1, &sw2, &result) != kSmartCardDone || result != 0)
    return 0;
  return length;
}

// The server accepted the card's credentials or refused them.
void CardCredentialsChecked(ScreenState* s, CardLogin* card, AuthLoginInfo* info) {
  if (card->result == LoginOk) {
    const char* fourth = CardRecordGetValue(card->record, 103);
    if (fourth && *fourth) std::snprintf(info->field8, sizeof info->field8, "%s", fourth);
    std::memcpy(s->cardDigest, card->digest, sizeof s->cardDigest);
  }
  Wipe(card->digest, sizeof card->digest);
}

void CardPinLogin(ScreenState* s, const char* pin, AuthLoginInfo* info, CardLogin* out) {
  if (!s->card && SmartCardOpen(&s->card) != kSmartCardDone) s->card = nullptr;
  char cut[kCardMaxPinBytes + 1] = {};
  std::strncpy(cut, pin, kCardMaxPinBytes);
  uint8_t sw1 = 0, sw2 = 0;
  int32_t result = -1;
  const int done = s->card ? SmartCardVerifyPIN(s->card, reinterpret_cast<const uint8_t*>(cut),
                                                static_cast<int>(std::strlen(cut)), 1, &sw1, &sw2, &result)
                           : 0;
  Wipe(cut, sizeof cut);
  if (done != kSmartCardDone) {
    out->result = LoginNoCard;
    return;
  }
  if (result != 0) {
    out->result = LoginRefused;
    out->pinRefused = 1;
    return;
  }
  static uint8_t buffer[kCardDataBytes];
  const size_t length = ReadCardRecord(s, buffer, sizeof buffer);
  if (length) out->record = CardRecordDecode(s->cardVerifier, buffer, length);
  if (!out->record) {
    Wipe(buffer, sizeof buffer);
    out->result = LoginRefused;
    return;
  }
  const char* user = CardRecordGetValue(out->record, 100);
  const char* password = CardRecordGetValue(out->record, 101);
  const char* server = CardRecordGetValue(out->record, 102);
  if (user && password && server) {
    out->server = server;
    MD5Of(buffer, length, out->digest);
    // The server's password check runs in a child like a typed one's;
    // without a child it runs here.
    out->checkFd = AuthStartCheck(server, user, password, 0);
    if (out->checkFd < 0) {
      void* home = nullptr;
      void* profile = nullptr;
      out->result = AuthAnyLogin(server, user, password, info, &home, 0, 1, &profile) == AuthOk ? LoginOk : LoginRefused;
      CardCredentialsChecked(s, out, info);
    }
  } else {
    out->result = s->dialUp ? LoginRefused : LoginNoCredentials;
  }
  if (CardRecordGetInfo(out->record, 0)) {
    CardVerifierLoadKeys(s->cardVerifier, buffer, length);
    out->administrator = 1;
  }
  Wipe(buffer, sizeof buffer);
}

void Refuse(ScreenState* s, int pinRefused) {
  XBell(s->sdk.display, 100);
  if (pinRefused)
    CreateMessageBox(&s->sdk, CatalogText(TextIncorrectPIN), CatalogText(TextOk), "QXL4551", 1);
  else
    CreateMessageBox(&s->sdk, CatalogText(TextIncorrectLogin), CatalogText(TextOk), "QXL4550", 1);
}

void EndDialog(ScreenState* s, LoginDialog* dlg) {
  XSetInputFocus(s->sdk.display, PointerRoot, RevertToPointerRoot, CurrentTime);
  if (s->loginDialog == dlg) s->loginDialog = nullptr;
  DestroyLoginDialog(dlg);
}

// After the check: the refusal, the password fallback of a card without
// credentials, or the session's start. 1 when the dialog is gone.
int Conclude(LoginDialog* dlg, CardLogin& card, AuthLoginInfo& info, const char* server) {
  ScreenState* s = dlg->state;
  // The typed secret is not needed any more, whatever the outcome.
  TextBoxClear(&dlg->second);
  bool success = false;
  if (card.result == LoginOk) success = !s->dialUp || (!card.administrator && s->cardReader);
  // The account's session opens before the dialog goes: an account that
  // cannot have one is refused like a wrong password.
  if (success && AuthSetLoginInfo(&info, 0, s->allowCore, nullptr, "/qxhome", card.administrator ? 1 : s->administratorSession,
                                  server, 0, 0, 0) != AuthOk)
    success = false;
  if (card.result != LoginNoCredentials && !success) {
    Refuse(s, card.pinRefused);
    CardRecordFree(card.record);
    Wipe(&info, sizeof info);
    return 0;
  }
  EndDialog(s, dlg);
  if (card.result == LoginNoCredentials) {
    if (card.administrator) s->administratorCard = s->administratorSession = 1;
    CardRecordFree(card.record);
    s->loginDialog = CreateLoginDialog(s, 350, 220, nullptr, LoginByPassword);
    s->passwordFallback = 1;
    if (s->loginDialog) ShowLoginDialog(s->loginDialog);
    return 1;
  }
  s->passwordFallback = 0;
  s->cardLogin = card.record != nullptr;
  if (card.administrator) s->administratorCard = s->administratorSession = 1;
  // The server text belongs to the record: the session start comes first.
  LoginSucceeded(s, &info, server);
  CardRecordFree(card.record);
  Wipe(&info, sizeof info);
  return 1;
}

// The password's check came back from its child process.
void PasswordChecked(LoginDialog* dlg, int fd) {
  ScreenState* s = dlg->state;
  AuthLoginInfo info;
  std::memset(&info, 0, sizeof info);
  CardLogin card;
  card.result = AuthFinishCheck(fd, &info) == AuthOk ? LoginOk : LoginRefused;
  card.administrator = s->administratorCard;
  if (!Conclude(dlg, card, info, NetworkServer())) LoginDialogFailed(dlg);
}

// The card's credentials came back from their check.
void CardChecked(LoginDialog* dlg, int fd) {
  ScreenState* s = dlg->state;
  AuthLoginInfo info;
  std::memset(&info, 0, sizeof info);
  CardLogin card = pendingCard;
  pendingCard = CardLogin();
  card.checkFd = -1;
  if (!s->card) {
    // The card was pulled while its credentials were checked: no session
    // starts without it (the dialog is hidden until a card comes).
    AuthCancelCheck(fd);
    Wipe(card.digest, sizeof card.digest);
    CardRecordFree(card.record);
    LoginDialogFailed(dlg);
    return;
  }
  card.result = AuthFinishCheck(fd, &info) == AuthOk ? LoginOk : LoginRefused;
  CardCredentialsChecked(s, &card, &info);
  if (!Conclude(dlg, card, info, card.server)) LoginDialogFailed(dlg);
}

int LogIn(LoginDialog* dlg) {
  ScreenState* s = dlg->state;
  AuthLoginInfo info;
  std::memset(&info, 0, sizeof info);
  CardLogin card;
  const char* server = nullptr;
  if (dlg->mode == LoginByPassword || !s->cardReader) {
    // The check runs in a child: PAM's delay after a wrong password never
    // freezes the screen. Without a child it runs here.
    const int fd = AuthStartCheck(NetworkServer(), TextBoxGetContents(&dlg->first), TextBoxGetContents(&dlg->second),
                                  s->allowRoot);
    if (fd >= 0) {
      TextBoxClear(&dlg->second);
      LoginDialogWaitForCheck(dlg, fd, PasswordChecked);
      return 2;
    }
    card.result = PasswordLogin(s, TextBoxGetContents(&dlg->first), TextBoxGetContents(&dlg->second), &info, &server)
                      == AuthOk
                      ? LoginOk
                      : LoginRefused;
    card.administrator = s->administratorCard;
  } else {
    CardPinLogin(s, TextBoxGetContents(&dlg->second), &info, &card);
    server = card.server;
    if (!card.record || !CardRecordGetInfo(card.record, 0)) card.administrator = s->administratorCard;
    if (card.checkFd >= 0) {
      TextBoxClear(&dlg->second);
      CardRecordFree(pendingCard.record);  // of a dialog that went while its check ran
      pendingCard = card;
      Wipe(card.digest, sizeof card.digest);
      LoginDialogWaitForCheck(dlg, card.checkFd, CardChecked);
      return 2;
    }
  }
  return Conclude(dlg, card, info, server);
}

}  // namespace

void LoginSucceeded(ScreenState* s, AuthLoginInfo*, const char*) {
  s->loginMode = 0;
  StartSession(s);
}

int DoLogin(LoginDialog* dlg) {
  switch (dlg->mode) {
    case LoginByPassword:
    case LoginByCard:
      return LogIn(dlg);
    case EnterLockPassword:
      return SetLockPassword(dlg);
    default:
      return VerifyUnlock(dlg->lock);
  }
}

void ReadLoginResources(ScreenState* s) {
  const char* service = XGetDefault(s->sdk.display, "teldra", "authService");
  AuthSetServiceName(service);
  const char* device = std::getenv("QX_SMARTCARD_DEVICE");
  s->cardReader = device && *device;
}

void ShowLoginScreen(ScreenState* s) {
  int opened = kSmartCardNoReader;
  if (s->cardReader) opened = s->card ? kSmartCardDone : SmartCardOpen(&s->card);
  s->loginDialog = CreateLoginDialog(s, 350, 220, nullptr, s->cardReader ? LoginByCard : LoginByPassword);
  if (s->cardReader && (opened == kSmartCardDone || opened == kSmartCardFailed)) {
    // The PIN dialog comes up when a card is in; the poll brings it when
    // one is inserted.
    StartCardPoll(s);
    if (s->card && s->loginDialog) ShowLoginDialog(s->loginDialog);
    return;
  }
  // No reader answered: the dialog shows all the same, the screen never
  // stands without a way in.
  if (s->loginDialog) ShowLoginDialog(s->loginDialog);
}

void LoginDialogShutdown(LoginDialog* dlg, int status) {
  ScreenState* s = dlg->state;
  Display* d = s->sdk.display;
  XSetInputFocus(d, PointerRoot, RevertToPointerRoot, CurrentTime);
  EndDialog(s, dlg);
  XSync(d, False);
  // The terminal goes down: network management hears of it, and the RPC
  // services leave the portmapper.
  SnmpNotify(s, SnmpSessionEnded, nullptr, 0);
  StopDesktopReporting(s);
  std::exit(status);
}

void LoginMessageBoxClosed(ScreenState* s) {
  if (s->lockRecord) {
    LockScreenRestoreGrab(s->lockRecord);
    return;
  }
  if (s->loginDialog) XSetInputFocus(s->sdk.display, s->loginDialog->window->window, RevertToPointerRoot, CurrentTime);
}
