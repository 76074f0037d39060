#include "wm/session/ScreenLock.h"

#include <X11/Xlib.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "login/card/SmartCard.h"
#include "login/pki/CryptoContext.h"
#include "login/record/CardRecord.h"
#include "platform/Auth.h"
#include "platform/AuthCheck.h"
#include "platform/sdk/EvtApp.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SdkUtil.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/session/Launcher.h"
#include "wm/session/LockWindowOwner.h"
#include "wm/session/LoginDialog.h"
#include "wm/session/ScreenSaver.h"
#include "wm/session/ScreenState.h"
#include "wm/session/SessionEnd.h"
#include "wm/shell/DesktopCommands.h"
#include "wm/shell/MessageCatalog.h"

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

// The lock checks that it still holds: every 200 ms, and at once when
// another client moves, unmaps or destroys what it stands on.
constexpr unsigned long kWatchMs = 200;
// After this many checks without the grabs the lock says why it waits.
constexpr int kUngrabbedNoticeTicks = 15;
// After the attempt limit: how long connected desktop programs have to end
// the session before Teldra ends it.
constexpr unsigned long kExhaustedEndMs = 3000;
constexpr const char* kGrabNotice =
    "Another program holds the keyboard or pointer: the screen locks as soon as it lets go.";

// A lock must be possible without memory.
LockScreenRecord reserveRecord;
bool reserveInUse = false;

// The running program of QX_LOCK_PROGRAM, 0 none.
int lockProgramPid = 0;

void HoldLock(LockScreenRecord* lock);

void OpenUnlockDialog(LockScreenRecord* lock) {
  if (lock->dialog || lock->exhausted) return;
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
  if (!lock->grabbed && lock->ungrabbedTicks >= kUngrabbedNoticeTicks) {
    const int m = static_cast<int>(std::strlen(kGrabNotice));
    NLSDrawString(d, lock->window->window, f, gc, (s->sdk.width - NLSTextWidth(f, kGrabNotice, m)) / 2,
                  s->sdk.height - 3 * (f->ascent + f->descent), kGrabNotice, m);
  }
  XFreeGC(d, gc);
}

int LockEvent(SimpleWindow* w, XEvent* ev) {
  LockScreenRecord* lock = LockOf(w);
  if (!lock) return 1;
  if (ev->type == KeyPress && lock->passwordUnlock) OpenUnlockDialog(lock);
  if (ev->type == FocusOut && ev->xfocus.mode == NotifyNormal) LockScreenKeepFocus(lock->state);
  // Another client took the lock window away, or put it into a window of
  // its own: it comes straight back (destroyed, a new one).
  if (ev->type == ReparentNotify && ev->xreparent.window == w->window && ev->xreparent.parent != lock->state->sdk.root)
    XReparentWindow(w->owner->display, w->window, lock->state->sdk.root, 0, 0);
  if ((ev->type == UnmapNotify && ev->xunmap.window == w->window) ||
      (ev->type == DestroyNotify && ev->xdestroywindow.window == w->window) || ev->type == ReparentNotify)
    HoldLock(lock);
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
  if (lock->watchTimer) EvtAppRemoveTimeOut(s->sdk.app, lock->watchTimer);
  if (lock->endTimer) EvtAppRemoveTimeOut(s->sdk.app, lock->endTimer);
  DestroySaverStyle(lock->style);
  if (lock->lockPassword) {
    Wipe(lock->lockPassword, std::strlen(lock->lockPassword));
    std::free(lock->lockPassword);
  }
  if (lock->window) {
    lock->window->data = nullptr;
    DestroySimpleWindow(lock->window);
  }
  DestroyLockWindowOwner(lock->owner);
  lock->owner = nullptr;
  if (s->lockRecord == lock) s->lockRecord = nullptr;
  if (lock->reserve)
    reserveInUse = false;
  else
    std::free(lock);
}

// The full-screen lock window with its handlers and the sphere. The window
// belongs to a connection of its own, so that killing its owner (xkill)
// does not end Teldra; Teldra's connection selects its events and grabs.
bool MakeLockWindow(LockScreenRecord* lock) {
  ScreenState* s = lock->state;
  Display* d = s->sdk.display;
  Window parent = s->desktopWindow ? s->desktopWindow->window : s->sdk.root;
  const auto width = static_cast<unsigned>(s->sdk.width);
  const auto height = static_cast<unsigned>(s->sdk.height);
  const long mask = ExposureMask | KeyPressMask | ButtonPressMask | FocusChangeMask | StructureNotifyMask;
  lock->owner = CreateLockWindowOwner(d, s->sdk.app, parent, 0, 0, width, height, s->sdk.blackPixel);
  if (lock->owner) {
    lock->window = WrapSimpleWindow(&s->sdk, lock->owner->window, mask);
  } else {
    std::fprintf(stderr, "%s: no X connection of its own for the lock window: Teldra's owns it\n", s->programName);
    lock->window = CreateSimpleWindow(&s->sdk, parent, 0, 0, width, height, s->sdk.blackPixel, mask);
  }
  if (!lock->window) {
    DestroyLockWindowOwner(lock->owner);
    lock->owner = nullptr;
    return false;
  }
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
  return true;
}

bool Alive(Display* d, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(d, w, &a) != 0;
}

// Another client destroyed the lock window, or killed its connection: a
// new one takes its place on the grab stack.
bool RebuildLockWindow(LockScreenRecord* lock) {
  ScreenState* s = lock->state;
  SimpleWindow* old = lock->window;
  LockWindowOwner* oldOwner = lock->owner;
  DestroySaverStyle(lock->style);
  lock->style = nullptr;
  if (!MakeLockWindow(lock)) {
    lock->window = old;  // tried again at the next check
    lock->owner = oldOwner;
    return false;
  }
  std::fprintf(stderr, "%s: the lock window was destroyed by another client: a new one covers the screen\n",
               s->programName);
  GrabStackChange(&s->sdk, old, lock->window);
  old->data = nullptr;
  DestroySimpleWindow(old);
  DestroyLockWindowOwner(oldOwner);
  return true;
}

// The lock on top, mapped, grabbing and focused, whatever another client
// did to it.
void HoldLock(LockScreenRecord* lock) {
  ScreenState* s = lock->state;
  Display* d = s->sdk.display;
  if (!Alive(d, lock->window->window) && !RebuildLockWindow(lock)) return;
  if (lock->dialog && !Alive(d, lock->dialog->window->window)) CloseUnlockDialog(lock);
  XMapRaised(d, lock->window->window);
  Window top = lock->window->window;
  if (lock->dialog) {
    XMapRaised(d, lock->dialog->window->window);
    top = lock->dialog->window->window;
  }
  SimpleWindow* grabTop = GrabStackTop(&s->sdk);
  if (grabTop && grabTop->window != top && grabTop->window != lock->window->window) {
    XRaiseWindow(d, grabTop->window);  // a message box over the lock
    top = grabTop->window;
  }
  const int was = lock->grabbed;
  lock->grabbed = GrabStackRetake(&s->sdk) == GrabSuccess;
  if (lock->grabbed) lock->ungrabbedTicks = 0;
  if (was != lock->grabbed) XClearArea(d, lock->window->window, 0, 0, 0, 0, True);
  Window focus = None;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  if (focus != top) XSetInputFocus(d, top, RevertToPointerRoot, CurrentTime);
  XFlush(d);
}

void WatchTick(void* closure, unsigned long) {
  auto* lock = static_cast<LockScreenRecord*>(closure);
  if (!lock->grabbed && ++lock->ungrabbedTicks == kUngrabbedNoticeTicks) {
    std::fprintf(stderr, "%s: another client still holds the pointer or keyboard: the lock keeps trying\n",
                 lock->state->programName);
    XClearArea(lock->state->sdk.display, lock->window->window, 0, 0, 0, 0, True);
  }
  HoldLock(lock);
}

void EndExhaustedSession(void* closure, unsigned long) {
  auto* lock = static_cast<LockScreenRecord*>(closure);
  lock->endTimer = 0;
  std::fprintf(stderr, "%s: the unlock attempts are used up and the session did not end: Teldra ends it\n",
               lock->state->programName);
  EndSession(lock->state, CmdLogoff);
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
  if (s->lockRecord) return s->lockRecord;
  auto* lock = static_cast<LockScreenRecord*>(std::calloc(1, sizeof(LockScreenRecord)));
  if (!lock && !reserveInUse) {
    // Out of memory the screen locks all the same.
    std::memset(static_cast<void*>(&reserveRecord), 0, sizeof reserveRecord);
    lock = &reserveRecord;
    lock->reserve = 1;
    reserveInUse = true;
  }
  if (!lock) {
    std::fprintf(stderr, "%s: the screen could not be locked: out of memory\n", s->programName);
    return nullptr;
  }
  lock->state = s;
  lock->passwordUnlock = !(s->cardReader && !s->administratorSession);
  lock->attemptsLeft = s->maxUnlockAttempts;
  // Without memory for the lock password the account's unlocks.
  if (lockPassword && !(lock->lockPassword = DupString(lockPassword)))
    std::fprintf(stderr, "%s: out of memory for the lock password: the account's password unlocks\n",
                 s->programName);
  if (!MakeLockWindow(lock)) {
    FreeLock(lock);
    std::fprintf(stderr, "%s: the screen could not be locked: no lock window\n", s->programName);
    return nullptr;
  }
  Display* d = s->sdk.display;
  StopScreenSaver(s);
  XMapRaised(d, lock->window->window);
  XSync(d, False);
  s->locked = 1;
  s->lockRecord = lock;
  // Another client's grab (an open menu) delays the lock, never cancels
  // it: the window covers the screen and the checks take the grabs.
  lock->grabbed = GrabStackAdd(&s->sdk, lock->window) == GrabSuccess;
  if (!lock->grabbed)
    std::fprintf(stderr, "%s: another client holds the pointer or keyboard: the lock waits for it\n",
                 s->programName);
  lock->watchTimer = EvtAppAddRecurringTimeOut(s->sdk.app, kWatchMs, WatchTick, lock);
  XSetInputFocus(d, lock->window->window, RevertToPointerRoot, CurrentTime);
  if (!lock->passwordUnlock && s->card) OpenUnlockDialog(lock);
  return lock;
}

int ScreenIsLocked(const ScreenState* s) { return s->locked; }

void LockScreenKeepFocus(ScreenState* s) {
  if (s->lockRecord) HoldLock(s->lockRecord);
}

void LockScreenWatchStacking(ScreenState* s, XEvent* ev) {
  LockScreenRecord* lock = s->lockRecord;
  if (!lock || ev->xany.window != s->sdk.root) return;
  Window w = None;
  switch (ev->type) {
    case MapNotify:
      w = ev->xmap.window;
      break;
    case ConfigureNotify:
      w = ev->xconfigure.window;
      break;
    case CirculateNotify:
      w = ev->xcirculate.window;
      break;
    default:
      return;
  }
  // The lock's own windows move because the lock moves them.
  if (w == lock->window->window || (lock->dialog && w == lock->dialog->window->window)) return;
  if (SimpleWindow* top = GrabStackTop(&s->sdk))
    if (w == top->window) return;
  HoldLock(lock);
}

int LockProgramEnded(ScreenState* s, int pid, int status) {
  if (!pid || pid != lockProgramPid) return 0;
  lockProgramPid = 0;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return 1;
  // The program could not be run, crashed or was killed: the screen is
  // never left open because of it.
  std::fprintf(stderr, "%s: the lock program ended without unlocking (status %d): Teldra locks the screen\n",
               s->programName, status);
  if (!s->locked) LockScreen(s, nullptr);
  return 1;
}

void LockScreenNow(ScreenState* s) {
  const char* program = std::getenv("QX_LOCK_PROGRAM");
  if (program && *program) {
    if (lockProgramPid) return;  // it runs: the screen is locked
    if (LaunchRecord* r = LaunchProgram(program, 0, 0, 0)) {
      lockProgramPid = static_cast<int>(r->pid);
      return;
    }
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

namespace {

// The end of an unlock check: 1 unlocked, 0 refused (failure: the text id).
int FinishUnlock(LockScreenRecord* lock, int failure) {
  ScreenState* s = lock->state;
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
    // No attempt counts any more. Connected desktop programs are told and
    // end the session; if they do not, Teldra does.
    lock->exhausted = 1;
    lock->endTimer = EvtAppAddTimeOut(s->sdk.app, kExhaustedEndMs, EndExhaustedSession, lock);
    DoDesktopCommand(s, CmdLogoff);
    return 0;
  }
  XBell(s->sdk.display, 100);
  CreateMessageBox(&s->sdk, CatalogText(failure), CatalogText(TextOk), FailureId(failure), 1);
  return 0;
}

// The account password's check came back from its child process.
void UnlockChecked(LoginDialog* dlg, int fd) {
  AuthLoginInfo info;
  const int r = AuthFinishCheck(fd, &info);
  Wipe(&info, sizeof info);
  LockScreenRecord* lock = dlg->lock;
  if (!lock || lock->dialog != dlg) return;
  if (!FinishUnlock(lock, r == AuthOk ? 0 : TextIncorrectLogin) && lock->dialog == dlg) LoginDialogFailed(dlg);
}

}  // namespace

int VerifyUnlock(LockScreenRecord* lock) {
  if (!lock || !lock->dialog || lock->exhausted) return 0;
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
    std::memset(&info, 0, sizeof info);
    int r = AuthRejected;
    if (!user || !*user) {
      r = AuthRejected;
    } else if (AuthACTLoginPresent(server)) {
      r = AuthACTLoginCheckPassword(entry);
    } else {
      // The account's check runs in a child: PAM's delay after a wrong
      // password never freezes the screen.
      const int fd = AuthStartCheck(server, user, entry, s->allowRoot);
      if (fd >= 0) {
        TextBoxClear(&lock->dialog->second);
        LoginDialogWaitForCheck(lock->dialog, fd, UnlockChecked);
        return 2;
      }
      if (server && *server)
        r = AuthAnyLogin(server, user, entry, &info, nullptr, 0, 0, nullptr);
      else
        r = AuthSimplePassword(user, entry, &info, s->allowRoot, 0);
    }
    Wipe(&info, sizeof info);
    if (r != AuthOk) failure = TextIncorrectLogin;
  } else {
    failure = CardUnlock(s, entry);
  }
  return FinishUnlock(lock, failure);
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
