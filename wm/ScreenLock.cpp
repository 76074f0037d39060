#include "wm/ScreenLock.h"

#include <X11/Xlib.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "login/card/SmartCard.h"
#include "login/pki/CryptoContext.h"
#include "login/record/CardRecord.h"
#include "platform/Auth.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SdkUtil.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/DesktopCommands.h"
#include "wm/Launcher.h"
#include "wm/LoginDialog.h"
#include "wm/MessageCatalog.h"
#include "wm/ScreenSaver.h"
#include "wm/ScreenState.h"

namespace {

void Wipe(void* p, size_t n) {
  volatile unsigned char* b = static_cast<volatile unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) b[i] = 0;
}

bool SameBytes(const char* a, const char* b) {
  const size_t n = std::strlen(a);
  if (n != std::strlen(b)) return false;
  unsigned char diff = 0;
  for (size_t i = 0; i < n; ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

LockScreenRecord* LockOf(SimpleWindow* w) { return static_cast<LockScreenRecord*>(w->data); }

void OpenUnlockDialog(LockScreenRecord* lock) {
  if (lock->dialog) return;
  ScreenState* s = lock->state;
  int mode = lock->lockPassword ? UnlockByLockPassword : lock->passwordUnlock ? UnlockByPassword : UnlockByCard;
  if (mode != UnlockByLockPassword && s->showLogoffDuringLock) mode |= LoginDialogThirdButton;
  LoginDialog* dlg = CreateLoginDialog(s, 350, 220, nullptr, mode);
  if (!dlg) return;
  dlg->lock = lock;
  lock->dialog = dlg;
  XMapRaised(s->sdk.display, dlg->window->window);
  XSync(s->sdk.display, False);
  GrabStackAdd(&s->sdk, dlg->window);
  XSetInputFocus(s->sdk.display, dlg->window->window, RevertToPointerRoot, CurrentTime);
}

void DrawLockMessage(LockScreenRecord* lock) {
  ScreenState* s = lock->state;
  NLSFont* f = s->generalFont;
  if (!f) return;
  int id = TextScreenLockedKey;
  if (!lock->passwordUnlock) id = s->card ? TextScreenLockedRemove : TextScreenLockedCard;
  const char* text = CatalogText(id);
  const int n = static_cast<int>(std::strlen(text));
  Display* d = s->sdk.display;
  GC gc = XCreateGC(d, lock->window->window, 0, nullptr);
  XSetForeground(d, gc, s->sdk.whitePixel);
  NLSDrawString(d, lock->window->window, f, gc, (s->sdk.width - NLSTextWidth(f, text, n)) / 2,
                s->sdk.height - f->ascent - f->descent, text, n);
  XFreeGC(d, gc);
}

int LockEvent(SimpleWindow* w, XEvent* ev) {
  LockScreenRecord* lock = LockOf(w);
  if (ev->type == KeyPress && lock->passwordUnlock) OpenUnlockDialog(lock);
  if (ev->type == FocusOut && ev->xfocus.mode == NotifyNormal) LockScreenKeepFocus(lock->state);
  return 1;  // every key stays here
}

int LockPress(SimpleWindow* w, XEvent*) {
  LockScreenRecord* lock = LockOf(w);
  if (lock->passwordUnlock) OpenUnlockDialog(lock);
  return 1;
}

int LockExpose(SimpleWindow* w, XEvent* ev) {
  LockScreenRecord* lock = LockOf(w);
  if (ev->xexpose.count) return 1;
  SaverStyleExpose(lock->style);
  DrawLockMessage(lock);
  return 1;
}

int Ignore(SimpleWindow*, XEvent*) { return 1; }

void FreeLock(LockScreenRecord* lock) {
  ScreenState* s = lock->state;
  DestroySaverStyle(lock->style);
  if (lock->lockPassword) {
    Wipe(lock->lockPassword, std::strlen(lock->lockPassword));
    std::free(lock->lockPassword);
  }
  if (lock->window) {
    lock->window->data = nullptr;
    DestroySimpleWindow(lock->window);
  }
  if (s->lockRecord == lock) s->lockRecord = nullptr;
  std::free(lock);
}

void MD5Of(const uint8_t* data, size_t length, unsigned char digest[16]) {
  CryptoContext* c = nullptr;
  std::memset(digest, 0xFF, 16);
  if (CryptoContextCreate(&c) != 0 || !c) return;
  size_t n = 16;
  DigestInit(c);
  DigestFinish(c, length, data, &n, digest);
  CryptoContextFree(c);
}

// The card unlock: 0 accepted, else the failure's text id.
int CardUnlock(ScreenState* s, const char* entry) {
  char pin[kCardMaxPinBytes + 1] = {};
  std::strncpy(pin, entry, kCardMaxPinBytes);
  uint8_t sw1 = 0, sw2 = 0;
  int32_t result = -1;
  const int done = s->card ? SmartCardVerifyPIN(s->card, reinterpret_cast<const uint8_t*>(pin),
                                                static_cast<int>(std::strlen(pin)), 1, &sw1, &sw2, &result)
                           : 0;
  Wipe(pin, sizeof pin);
  if (done == kSmartCardDone && result != 0) return TextIncorrectPIN;
  if (done != kSmartCardDone) return TextNotSameCard;
  CardVerifier* v = CardVerifierCreate();
  if (!v) return TextNotSameCard;
  static uint8_t buffer[kCardDataBytes];
  std::memset(buffer, 0xFF, sizeof buffer);
  SmartCardReadHeader(s->card, buffer, 0, kCardHeaderBytes, &sw1, &sw2, &result);
  int32_t position = 0;
  uint16_t length = 0;
  const int parsed = CardParseHeader(v, buffer, kCardHeaderBytes, &position, &length);
  CardVerifierDestroy(v);
  if (!parsed || length == 0 || length > sizeof buffer) return TextNotSameCard;
  SmartCardReadData(s->card, buffer, position, length, &sw1, &sw2, &result);
  unsigned char digest[16];
  MD5Of(buffer, length, digest);
  Wipe(buffer, sizeof buffer);
  return std::memcmp(digest, s->cardDigest, sizeof digest) == 0 ? 0 : TextNotSameCard;
}

const char* FailureId(int text) {
  switch (text) {
    case TextIncorrectPassword:
      return "QXL4554";
    case TextIncorrectPIN:
      return "QXL4551";
    case TextNotSameCard:
      return "QXL4552";
    default:
      return "QXL4550";
  }
}

}  // namespace

LockScreenRecord* LockScreen(ScreenState* s, const char* lockPassword) {
  auto* lock = static_cast<LockScreenRecord*>(std::calloc(1, sizeof(LockScreenRecord)));
  if (!lock) {
    std::fprintf(stderr, "%s: the screen could not be locked: out of memory\n", s->programName);
    return nullptr;
  }
  lock->state = s;
  lock->passwordUnlock = !(s->cardReader && !s->administratorSession);
  lock->attemptsLeft = s->maxUnlockAttempts;
  if (lockPassword && !(lock->lockPassword = DupString(lockPassword))) {
    std::free(lock);
    std::fprintf(stderr, "%s: the screen could not be locked: out of memory\n", s->programName);
    return nullptr;
  }
  Window parent = s->desktopWindow ? s->desktopWindow->window : s->sdk.root;
  lock->window = CreateSimpleWindow(&s->sdk, parent, 0, 0, static_cast<unsigned>(s->sdk.width),
                                    static_cast<unsigned>(s->sdk.height), s->sdk.blackPixel,
                                    ExposureMask | KeyPressMask | ButtonPressMask | FocusChangeMask);
  if (!lock->window) {
    FreeLock(lock);
    std::fprintf(stderr, "%s: the screen could not be locked: no lock window\n", s->programName);
    return nullptr;
  }
  Display* d = s->sdk.display;
  XSetWindowAttributes a;
  a.override_redirect = True;
  XChangeWindowAttributes(d, lock->window->window, CWOverrideRedirect, &a);
  XStoreName(d, lock->window->window, "screen lock");
  XDefineCursor(d, lock->window->window, s->sdk.cursors[SdkCursorLogoff]);
  lock->window->data = lock;
  lock->window->event = LockEvent;
  lock->window->press = LockPress;
  lock->window->release = Ignore;
  lock->window->motion = Ignore;
  lock->window->expose = LockExpose;
  lock->style = CreateSaverStyle(s, nullptr, None, lock->window->window);
  StopScreenSaver(s);
  XMapRaised(d, lock->window->window);
  XSync(d, False);
  if (GrabStackAdd(&s->sdk, lock->window) != GrabSuccess) {
    // Without the grabs the lock would be a picture over a usable desktop.
    std::fprintf(stderr, "%s: the screen could not be locked: another client holds the pointer or keyboard\n",
                 s->programName);
    FreeLock(lock);
    StartScreenSaver(s);
    return nullptr;
  }
  s->locked = 1;
  s->lockRecord = lock;
  XSetInputFocus(d, lock->window->window, RevertToPointerRoot, CurrentTime);
  if (!lock->passwordUnlock && s->card) OpenUnlockDialog(lock);
  return lock;
}

int ScreenIsLocked(const ScreenState* s) { return s->locked; }

void LockScreenKeepFocus(ScreenState* s) {
  LockScreenRecord* lock = s->lockRecord;
  if (!lock) return;
  Display* d = s->sdk.display;
  XRaiseWindow(d, lock->window->window);
  Window top = lock->window->window;
  if (lock->dialog) {
    XRaiseWindow(d, lock->dialog->window->window);
    top = lock->dialog->window->window;
  }
  if (SimpleWindow* box = GrabStackTop(&s->sdk)) {
    XRaiseWindow(d, box->window);
    top = box->window;
  }
  XSetInputFocus(d, top, RevertToPointerRoot, CurrentTime);
}

void LockScreenNow(ScreenState* s) {
  const char* program = std::getenv("QX_LOCK_PROGRAM");
  if (program && *program) {
    if (LaunchProgram(program, 0, 0, 0)) return;
    // The screen is never left unlocked because the program failed.
    std::fprintf(stderr, "%s: the lock program %s could not be started; Teldra locks the screen\n",
                 s->programName, program);
  }
  if (s->locked) return;
  if (s->promptForLockPassword)
    PromptLockPassword(s);
  else
    LockScreen(s, nullptr);
}

void PromptLockPassword(ScreenState* s) {
  LoginDialog* dlg = CreateLoginDialog(s, 350, 220, nullptr, EnterLockPassword);
  if (!dlg) return;
  XMapRaised(s->sdk.display, dlg->window->window);
  XSync(s->sdk.display, False);
  GrabStackAdd(&s->sdk, dlg->window);
}

int SetLockPassword(LoginDialog* dlg) {
  ScreenState* s = dlg->state;
  const char* a = TextBoxGetContents(&dlg->first);
  const char* b = TextBoxGetContents(&dlg->second);
  if (!*a && !*b) return 0;
  if (!SameBytes(a, b)) {
    CreateMessageBox(&s->sdk, CatalogText(TextPasswordsDontMatch), CatalogText(TextOk), "QXL4553", 1);
    return 0;
  }
  char* password = DupString(a);
  DestroyLoginDialog(dlg);  // wipes both boxes
  if (password) {
    LockScreen(s, password);
    Wipe(password, std::strlen(password));
    std::free(password);
  }
  return 1;
}

void CancelLockPassword(LoginDialog* dlg) { DestroyLoginDialog(dlg); }

int VerifyUnlock(LockScreenRecord* lock) {
  if (!lock || !lock->dialog) return 0;
  ScreenState* s = lock->state;
  const char* user = std::getenv("LOGNAME");
  if (!user || !*user) user = std::getenv("USER");
  if (!user || !*user) {
    // Without LOGNAME and USER the account is the process's own, so that
    // the screen can still be unlocked.
    const passwd* pw = getpwuid(getuid());
    user = pw ? pw->pw_name : nullptr;
  }
  const char* entry = TextBoxGetContents(&lock->dialog->second);
  int failure = 0;
  if (lock->lockPassword) {
    if (!SameBytes(entry, lock->lockPassword)) failure = TextIncorrectPassword;
  } else if (lock->passwordUnlock) {
    const char* server = std::getenv("QX_PCNFSD_SERVER");
    AuthLoginInfo info;
    int r = AuthRejected;
    if (!user || !*user)
      r = AuthRejected;
    else if (AuthACTLoginPresent(server))
      r = AuthACTLoginCheckPassword(entry);
    else if (server && *server)
      r = AuthAnyLogin(server, user, entry, &info, nullptr, 0, 0, nullptr);
    else
      r = AuthSimplePassword(user, entry, &info, s->allowRoot, 0);
    Wipe(&info, sizeof info);
    if (r != AuthOk) failure = TextIncorrectLogin;
  } else {
    failure = CardUnlock(s, entry);
  }
  TextBoxClear(&lock->dialog->second);
  if (!failure) {
    LoginDialog* dlg = lock->dialog;
    lock->dialog = nullptr;
    DestroyLoginDialog(dlg);
    FreeLock(lock);
    StartScreenSaver(s);
    s->locked = 0;
    return 1;
  }
  if (lock->attemptsLeft > 0 && --lock->attemptsLeft == 0) {
    DoDesktopCommand(s, CmdLogoff);
    return 0;
  }
  XBell(s->sdk.display, 100);
  CreateMessageBox(&s->sdk, CatalogText(failure), CatalogText(TextOk), FailureId(failure), 1);
  return 0;
}

void CloseUnlockDialog(LockScreenRecord* lock) {
  if (!lock || !lock->dialog) return;
  LoginDialog* dlg = lock->dialog;
  lock->dialog = nullptr;
  DestroyLoginDialog(dlg);
}

void UnlockDialogLogoff(LockScreenRecord* lock) {
  if (lock && lock->dialog) DoDesktopCommand(lock->state, CmdLogoff);
}

void LockScreenCardRemoved(LockScreenRecord* lock) {
  if (!lock || lock->passwordUnlock) return;
  CloseUnlockDialog(lock);
  XClearArea(lock->state->sdk.display, lock->window->window, 0, 0, 0, 0, True);
}

void LockScreenCardInserted(LockScreenRecord* lock) {
  if (!lock || lock->passwordUnlock || lock->dialog) return;
  OpenUnlockDialog(lock);
  XClearArea(lock->state->sdk.display, lock->window->window, 0, 0, 0, 0, True);
}

void LockScreenRestoreGrab(LockScreenRecord* lock) {
  if (!lock) return;
  SimpleWindow* top = lock->dialog ? lock->dialog->window : lock->window;
  GrabStackRemove(&lock->state->sdk, top);
  GrabStackAdd(&lock->state->sdk, top);
  LockScreenKeepFocus(lock->state);
}
