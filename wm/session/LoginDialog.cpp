#include "wm/session/LoginDialog.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/AuthCheck.h"
#include "platform/sdk/Color.h"
#include "platform/sdk/Draw3D.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SdkUtil.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/session/Login.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenState.h"
#include "wm/shell/MessageCatalog.h"

namespace {

constexpr unsigned long kBlinkMicroseconds = 500000;

LoginDialog* DialogOf(SimpleWindow* w) { return static_cast<LoginDialog*>(w->data); }

NLSFont* TitleFont(ScreenState* s) { return s->largeFont ? s->largeFont : s->generalFont; }
NLSFont* LabelFont(ScreenState* s) { return s->generalFont; }

int TextWidth(NLSFont* f, const char* t) { return f ? NLSTextWidth(f, t, static_cast<int>(std::strlen(t))) : 0; }

bool TwoBoxes(const LoginDialog* dlg) { return !dlg->oneBox; }

const char* FirstLabel(const LoginDialog* dlg) {
  return CatalogText(dlg->mode == EnterLockPassword ? TextPassword : TextUserName);
}

const char* SecondLabel(const LoginDialog* dlg) {
  switch (dlg->mode) {
    case LoginByCard:
    case UnlockByCard:
      return CatalogText(TextEnterPIN);
    case EnterLockPassword:
      return CatalogText(TextReEnterPassword);
    default:
      return CatalogText(TextPassword);
  }
}

void Layout(LoginDialog* dlg) {
  ScreenState* s = dlg->state;
  NLSFont* f = LabelFont(s);
  const int ascent = f ? f->ascent : 10, descent = f ? f->descent : 3;
  const int boxHeight = ascent + descent + 10;
  if (TwoBoxes(dlg)) {
    const int reference = dlg->mode == LoginByPassword ? TextWidth(f, FirstLabel(dlg)) : TextWidth(f, SecondLabel(dlg));
    const int left = reference + 40, right = dlg->width - 35;
    int* a = dlg->boxRect[0];
    a[0] = left, a[1] = 85 - ascent, a[2] = right, a[3] = a[1] + boxHeight;
    int* b = dlg->boxRect[1];
    b[0] = left, b[1] = 120 - ascent, b[2] = right, b[3] = b[1] + boxHeight;
  } else {
    const int left = TextWidth(f, SecondLabel(dlg)) + 40;
    std::memset(dlg->boxRect[0], 0, sizeof dlg->boxRect[0]);
    int* b = dlg->boxRect[1];
    b[0] = left, b[1] = 105 - ascent, b[2] = dlg->width - 35, b[3] = b[1] + boxHeight;
  }
  TextBox* boxes[2] = {&dlg->first, &dlg->second};
  for (int i = 0; i < 2; ++i) {
    const int* r = dlg->boxRect[i];
    boxes[i]->x = r[0];
    boxes[i]->y = r[1];
    boxes[i]->width = std::max(0, r[2] - r[0]);
    boxes[i]->height = std::max(0, r[3] - r[1]);
  }
  NLSFont* bf = LabelFont(s);
  int widest = 0;
  const int count = dlg->threeButtons ? 3 : 2;
  for (int i = 0; i < count; ++i) widest = std::max(widest, TextWidth(bf, dlg->labels[i]));
  const int bw = widest + 16, bh = (bf ? bf->ascent + bf->descent : 13) + 12;
  int lefts[3] = {70, dlg->width - 70 - bw, 0};
  if (count == 3) {
    lefts[1] = (dlg->width - widest - 16) / 2;
    lefts[2] = dlg->width - 70 - bw;
  }
  for (int i = 0; i < 3; ++i) {
    int* r = dlg->buttonRect[i];
    if (i >= count) {
      std::memset(r, 0, sizeof dlg->buttonRect[i]);
      continue;
    }
    r[0] = lefts[i], r[1] = 160, r[2] = lefts[i] + bw, r[3] = 160 + bh;
  }
}

bool Inside(const int* r, int x, int y) { return x >= r[0] && x < r[2] && y >= r[1] && y < r[3]; }

void DrawButtons(LoginDialog* dlg) {
  ScreenState* s = dlg->state;
  Display* d = s->sdk.display;
  Window w = dlg->window->window;
  GC gc = XCreateGC(d, w, 0, nullptr);
  const unsigned long face = GetColor(&s->sdk, "grey75", s->sdk.whitePixel);
  const unsigned long dark = GetColor(&s->sdk, "grey40", s->sdk.blackPixel);
  NLSFont* f = LabelFont(s);
  const int count = dlg->threeButtons ? 3 : 2;
  for (int i = 0; i < count; ++i) {
    const int* r = dlg->buttonRect[i];
    const int bw = r[2] - r[0], bh = r[3] - r[1];
    XSetForeground(d, gc, face);
    XFillRectangle(d, w, gc, r[0] - 5, r[1] - 5, bw + 10, bh + 10);
    const bool pressed = dlg->pressed[i] == 1;
    Draw3DBox(d, w, gc, r[0], r[1], bw, bh, 2, s->sdk.whitePixel, dark, pressed);
    if (f) {
      XSetForeground(d, gc, s->sdk.blackPixel);
      const int tw = TextWidth(f, dlg->labels[i]);
      const int shift = pressed ? 1 : 0;
      NLSDrawString(d, w, f, gc, r[0] + (bw - tw) / 2 + shift, r[1] + 6 + f->ascent + shift, dlg->labels[i],
                    static_cast<int>(std::strlen(dlg->labels[i])));
    }
    if (i == dlg->current) Draw3DBox(d, w, gc, r[0] - 4, r[1] - 4, bw + 8, bh + 8, 1, s->sdk.whitePixel, dark, false);
  }
  XFreeGC(d, gc);
}

void DrawBoxes(LoginDialog* dlg) {
  if (!dlg->exposed) return;
  if (TwoBoxes(dlg)) TextBoxExpose(&dlg->first);
  TextBoxExpose(&dlg->second);
}

void ExposeDialog(LoginDialog* dlg) {
  ScreenState* s = dlg->state;
  Display* d = s->sdk.display;
  Window w = dlg->window->window;
  Layout(dlg);
  GC gc = XCreateGC(d, w, 0, nullptr);
  const unsigned long dark = GetColor(&s->sdk, "grey40", s->sdk.blackPixel);
  Draw3DBox(d, w, gc, 0, 0, dlg->width, dlg->height, 2, s->sdk.whitePixel, dark, false);
  Draw3DBox(d, w, gc, 5, 5, dlg->width - 10, dlg->height - 10, 2, s->sdk.whitePixel, dark, true);
  XSetForeground(d, gc, s->sdk.blackPixel);
  if (NLSFont* tf = TitleFont(s)) {
    const int tw = TextWidth(tf, dlg->title);
    NLSDrawString(d, w, tf, gc, (dlg->width - tw) / 2, tf->ascent + 30, dlg->title,
                  static_cast<int>(std::strlen(dlg->title)));
  }
  if (NLSFont* f = LabelFont(s)) {
    if (TwoBoxes(dlg)) {
      const char* l1 = FirstLabel(dlg);
      const char* l2 = SecondLabel(dlg);
      NLSDrawString(d, w, f, gc, 35, 90, l1, static_cast<int>(std::strlen(l1)));
      const int x2 = dlg->mode == LoginByPassword ? 35 + TextWidth(f, l1) - TextWidth(f, l2) : 35;
      NLSDrawString(d, w, f, gc, x2, 125, l2, static_cast<int>(std::strlen(l2)));
    } else {
      const char* l = SecondLabel(dlg);
      NLSDrawString(d, w, f, gc, 35, 110, l, static_cast<int>(std::strlen(l)));
    }
  }
  XFreeGC(d, gc);
  dlg->exposed = 1;
  DrawBoxes(dlg);
  DrawButtons(dlg);
}

void SetFocus(LoginDialog* dlg, int focus) {
  if (focus == FocusFirstBox && !TwoBoxes(dlg)) focus = FocusSecondBox;
  dlg->focus = focus;
  // Drawing waits for the first expose: the boxes have no place before it.
  const bool draw = dlg->exposed != 0;
  dlg->first.focused = focus == FocusFirstBox;
  dlg->first.caretOn = dlg->first.focused;
  dlg->second.focused = focus == FocusSecondBox;
  dlg->second.caretOn = dlg->second.focused;
  if (draw) {
    DrawBoxes(dlg);
    DrawButtons(dlg);
  }
}

// The box next/previous moves lead into.
int LastBox(const LoginDialog*) { return FocusSecondBox; }

void Next(LoginDialog* dlg) {
  switch (dlg->focus) {
    case FocusFirstBox:
      SetFocus(dlg, FocusSecondBox);
      return;
    case FocusSecondBox:
      SetFocus(dlg, FocusButtons);
      return;
    default:
      if (dlg->current == 0) {
        dlg->current = dlg->threeButtons ? 2 : 1;
        DrawButtons(dlg);
      } else if (dlg->current == 2) {
        dlg->current = 1;
        DrawButtons(dlg);
      } else {
        dlg->current = 0;
        SetFocus(dlg, FocusFirstBox);
      }
  }
}

void Previous(LoginDialog* dlg) {
  switch (dlg->focus) {
    case FocusSecondBox:
      dlg->current = 1;
      SetFocus(dlg, TwoBoxes(dlg) ? FocusFirstBox : FocusButtons);
      return;
    case FocusFirstBox:
      dlg->current = 1;
      SetFocus(dlg, FocusButtons);
      return;
    default:
      if (dlg->current == 0) {
        SetFocus(dlg, LastBox(dlg));
      } else if (dlg->current == 1) {
        dlg->current = dlg->threeButtons ? 2 : 0;
        DrawButtons(dlg);
      } else {
        dlg->current = 0;
        DrawButtons(dlg);
      }
  }
}

void ClearBoxes(LoginDialog* dlg) {
  TextBoxClear(&dlg->first);
  TextBoxClear(&dlg->second);
}

void AfterFailure(LoginDialog* dlg) {
  dlg->pressed[0] = 0;
  ClearBoxes(dlg);
  SetFocus(dlg, (dlg->mode == LoginByPassword || dlg->mode == EnterLockPassword) ? FocusFirstBox : FocusSecondBox);
}

// Runs button `which`; false when the dialog stays after a failed first
// button (the caller then clears it). The dialog may be gone on return
// true.
bool RunButton(LoginDialog* dlg, int which) {
  ScreenState* s = dlg->state;
  const int mode = dlg->mode;
  if (which == 0) {
    dlg->pressed[0] = 1;
    DrawButtons(dlg);
    XSync(s->sdk.display, False);
    return DoLogin(dlg) != 0;
  }
  switch (mode) {
    case LoginByPassword:
    case LoginByCard:
      LoginDialogShutdown(dlg, which == 1 ? 0 : 6);
      return true;
    case EnterLockPassword:
      CancelLockPassword(dlg);
      return true;
    default:
      if (which == 1)
        CloseUnlockDialog(dlg->lock);
      else
        UnlockDialogLogoff(dlg->lock);
      return true;
  }
}

// Return, Enter or Linefeed (byReturn), or space on a button.
void Activate(LoginDialog* dlg, bool byReturn) {
  if (dlg->focus == FocusFirstBox) {
    SetFocus(dlg, FocusSecondBox);
    return;
  }
  if ((dlg->mode == LoginByPassword || dlg->mode == EnterLockPassword) && dlg->first.length == 0) {
    SetFocus(dlg, FocusFirstBox);
    return;
  }
  int which = dlg->current;
  // Return in a box runs the first button, whichever button the focus moves
  // left current; on the log-in screen Return never shuts the terminal down
  // or reboots it: those run only from their own buttons (click or space).
  const bool logInScreen = dlg->mode == LoginByPassword || dlg->mode == LoginByCard;
  if (byReturn && (dlg->focus != FocusButtons || logInScreen)) which = 0;
  if (!RunButton(dlg, which)) AfterFailure(dlg);
}

void Clear(LoginDialog* dlg) {
  if (dlg->mode == EnterLockPassword) {
    ClearBoxes(dlg);
    RunButton(dlg, 1);
    return;
  }
  ClearBoxes(dlg);
  SetFocus(dlg, dlg->mode == LoginByPassword ? FocusFirstBox : FocusSecondBox);
}

int KeyHandler(SimpleWindow* w, XEvent* ev) {
  if (ev->type != KeyPress) return 1;
  LoginDialog* dlg = DialogOf(w);
  if (dlg->checkFd >= 0) return 1;  // one check at a time
  char bytes[16];
  KeySym sym = NoSymbol;
  XLookupString(&ev->xkey, bytes, sizeof bytes, &sym, nullptr);
  const bool shift = (ev->xkey.state & ShiftMask) != 0;
  const bool onButtons = dlg->focus == FocusButtons;
  switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_Linefeed:
      Activate(dlg, true);
      return 1;
    case XK_Tab:
    case XK_KP_Tab:
    case XK_ISO_Left_Tab:
      if (shift || sym == XK_ISO_Left_Tab)
        Previous(dlg);
      else
        Next(dlg);
      return 1;
    case XK_Down:
    case XK_KP_Down:
      Next(dlg);
      return 1;
    case XK_Up:
    case XK_KP_Up:
      Previous(dlg);
      return 1;
    case XK_Escape:
      Clear(dlg);
      return 1;
    default:
      break;
  }
  if (onButtons) {
    if (sym == XK_space) Activate(dlg, false);
    if (sym == XK_Right || sym == XK_KP_Right) Next(dlg);
    if (sym == XK_Left || sym == XK_KP_Left) Previous(dlg);
    return 1;
  }
  TextBoxKey(dlg->focus == FocusFirstBox ? &dlg->first : &dlg->second, &ev->xkey);
  return 1;
}

int ExposeHandler(SimpleWindow* w, XEvent* ev) {
  if (ev->xexpose.count == 0) ExposeDialog(DialogOf(w));
  return 1;
}

int PressHandler(SimpleWindow* w, XEvent* ev) {
  LoginDialog* dlg = DialogOf(w);
  if (!dlg->exposed || dlg->pressButton >= 0 || dlg->checkFd >= 0) return 1;
  const XButtonEvent& b = ev->xbutton;
  const int count = dlg->threeButtons ? 3 : 2;
  for (int i = 0; i < count; ++i)
    if (Inside(dlg->buttonRect[i], b.x, b.y)) {
      dlg->current = i;
      dlg->pressed[i] = 1;
      dlg->pressButton = static_cast<int>(b.button);
      DrawButtons(dlg);
      return 1;
    }
  for (int i = TwoBoxes(dlg) ? 0 : 1; i < 2; ++i)
    if (Inside(dlg->boxRect[i], b.x, b.y)) {
      SetFocus(dlg, i == 0 ? FocusFirstBox : FocusSecondBox);
      XButtonEvent local = b;
      TextBoxPress(i == 0 ? &dlg->first : &dlg->second, &local);
      return 1;
    }
  return 1;
}

int MotionHandler(SimpleWindow* w, XEvent* ev) {
  LoginDialog* dlg = DialogOf(w);
  if (dlg->pressButton < 0) return 1;
  const int i = dlg->current;
  const int state = Inside(dlg->buttonRect[i], ev->xmotion.x, ev->xmotion.y) ? 1 : 2;
  if (state != dlg->pressed[i]) {
    dlg->pressed[i] = state;
    DrawButtons(dlg);
  }
  return 1;
}

int ReleaseHandler(SimpleWindow* w, XEvent* ev) {
  LoginDialog* dlg = DialogOf(w);
  if (dlg->pressButton < 0 || static_cast<int>(ev->xbutton.button) != dlg->pressButton) return 1;
  dlg->pressButton = -1;
  for (int& p : dlg->pressed) p = 0;
  const int i = dlg->current;
  if (!Inside(dlg->buttonRect[i], ev->xbutton.x, ev->xbutton.y)) {
    DrawButtons(dlg);
    return 1;
  }
  if (!RunButton(dlg, i)) AfterFailure(dlg);
  return 1;
}

void BlinkHandler(SimpleWindow* w) {
  LoginDialog* dlg = DialogOf(w);
  if (dlg->exposed && dlg->focus != FocusButtons)
    TextBoxBlink(dlg->focus == FocusFirstBox ? &dlg->first : &dlg->second);
  AddSimpleWindowTimeout(w, kBlinkMicroseconds);
}

void CheckReadable(void* closure, int fd) {
  auto* dlg = static_cast<LoginDialog*>(closure);
  RemoveSelectFile(&dlg->state->sdk, fd);
  dlg->checkFd = -1;
  dlg->checkDone(dlg, fd);
}

void DestroyHandler(SimpleWindow* w) {
  LoginDialog* dlg = DialogOf(w);
  if (!dlg) return;
  w->data = nullptr;
  if (dlg->checkFd >= 0) {
    RemoveSelectFile(&dlg->state->sdk, dlg->checkFd);
    AuthCancelCheck(dlg->checkFd);
    dlg->checkFd = -1;
  }
  TextBoxClear(&dlg->first);  // wipes a typed secret
  TextBoxClear(&dlg->second);
  if (dlg->ownsTitle) std::free(dlg->title);
  ScreenState* s = dlg->state;
  if (s->loginDialog == dlg) s->loginDialog = nullptr;
  dlg->~LoginDialog();
  std::free(dlg);
}

}  // namespace

LoginDialog* CreateLoginDialog(ScreenState* s, int width, int height, const char* initialText, int modeWord) {
  auto* dlg = static_cast<LoginDialog*>(std::calloc(1, sizeof(LoginDialog)));
  if (!dlg) return nullptr;
  dlg->state = s;
  dlg->mode = modeWord & 7;
  dlg->threeButtons = (modeWord & LoginDialogThirdButton) != 0;
  dlg->oneBox = dlg->mode != LoginByPassword && dlg->mode != EnterLockPassword;
  dlg->pressButton = -1;
  dlg->checkFd = -1;
  switch (dlg->mode) {
    case LoginByPassword:
    case LoginByCard:
      dlg->title = const_cast<char*>(CatalogText(TextWelcome));
      dlg->labels[0] = CatalogText(TextLogin);
      dlg->labels[1] = CatalogText(TextShutdown);
      dlg->labels[2] = CatalogText(TextRebootButton);
      break;
    case UnlockByPassword:
    case UnlockByCard: {
      const char* user = std::getenv("USER");
      if (user && *user && !s->anonymous) {
        dlg->title = DupString(FormatCatalogText(TextWelcomeUnlockBy, {user}).c_str());
        dlg->ownsTitle = dlg->title != nullptr;
      }
      if (!dlg->title) dlg->title = const_cast<char*>(CatalogText(TextWelcomeUnlock));
      dlg->labels[0] = CatalogText(TextUnlockButton);
      dlg->labels[1] = CatalogText(TextLockButton);
      dlg->labels[2] = CatalogText(TextLogoffButton);
      break;
    }
    case EnterLockPassword:
      dlg->title = const_cast<char*>(CatalogText(TextEnterLockPassword));
      dlg->labels[0] = CatalogText(TextOk);
      dlg->labels[1] = CatalogText(TextCancel);
      dlg->labels[2] = "";
      dlg->threeButtons = 0;
      break;
    default:
      dlg->mode = UnlockByLockPassword;
      dlg->title = const_cast<char*>(CatalogText(TextWelcomeUnlock));
      dlg->labels[0] = CatalogText(TextUnlockButton);
      dlg->labels[1] = CatalogText(TextLockButton);
      dlg->labels[2] = "";
      dlg->threeButtons = 0;
      break;
  }
  NLSFont* bf = LabelFont(s);
  int widest = 0;
  for (int i = 0; i < (dlg->threeButtons ? 3 : 2); ++i) widest = std::max(widest, TextWidth(bf, dlg->labels[i]));
  int w = std::max(width, dlg->threeButtons ? 3 * widest + 218 : 2 * widest + 202);
  w = std::max(w, TextWidth(TitleFont(s), dlg->title) + 40);
  dlg->width = w;
  dlg->height = height;
  const unsigned long face = GetColor(&s->sdk, "grey75", s->sdk.whitePixel);
  Window parent = s->desktopWindow ? s->desktopWindow->window : s->sdk.root;
  SimpleWindow* win = CreateSimpleWindow(&s->sdk, parent, (s->sdk.width - w) / 2, (s->sdk.height - height) / 2,
                                         static_cast<unsigned>(w), static_cast<unsigned>(height), face,
                                         KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                             ExposureMask);
  if (!win) {
    if (dlg->ownsTitle) std::free(dlg->title);
    std::free(dlg);
    return nullptr;
  }
  XStoreName(s->sdk.display, win->window, dlg->title);
  dlg->window = win;
  win->data = dlg;
  win->event = KeyHandler;
  win->expose = ExposeHandler;
  win->press = PressHandler;
  win->release = ReleaseHandler;
  win->motion = MotionHandler;
  win->timeout = BlinkHandler;
  win->destroy = DestroyHandler;
  NLSFont* f = LabelFont(s);
  TextBoxInit(&dlg->first, &s->sdk, win->window, 0, 0, 0, 0, f, TextBoxMaxLength, dlg->mode == EnterLockPassword);
  TextBoxInit(&dlg->second, &s->sdk, win->window, 0, 0, 0, 0, f, TextBoxMaxLength, 1);
  Layout(dlg);
  dlg->focus = TwoBoxes(dlg) ? FocusFirstBox : FocusSecondBox;
  if (initialText) {
    dlg->first.screen = nullptr;  // no drawing before the first expose
    TextBoxSetContents(&dlg->first, initialText);
    dlg->first.screen = &s->sdk;
    dlg->focus = FocusSecondBox;
  }
  dlg->first.focused = dlg->focus == FocusFirstBox;
  dlg->second.focused = dlg->focus == FocusSecondBox;
  AddSimpleWindowTimeout(win, kBlinkMicroseconds);
  return dlg;
}

void DestroyLoginDialog(LoginDialog* dlg) {
  if (!dlg) return;
  XUnmapWindow(dlg->state->sdk.display, dlg->window->window);
  DestroySimpleWindow(dlg->window);
}

void ResetLoginDialog(LoginDialog* dlg) {
  if (!dlg) return;
  ClearBoxes(dlg);
  SetFocus(dlg, FocusFirstBox);
}

void ShowLoginDialog(LoginDialog* dlg) {
  Display* d = dlg->state->sdk.display;
  XMapRaised(d, dlg->window->window);
  XSync(d, False);
  XSetInputFocus(d, dlg->window->window, RevertToPointerRoot, CurrentTime);
}

void LoginDialogActivate(LoginDialog* dlg) { Activate(dlg, true); }

void LoginDialogWaitForCheck(LoginDialog* dlg, int fd, void (*done)(LoginDialog*, int)) {
  dlg->checkFd = fd;
  dlg->checkDone = done;
  AddSelectFile(&dlg->state->sdk, fd, CheckReadable, dlg);
}

void LoginDialogFailed(LoginDialog* dlg) {
  AfterFailure(dlg);
  DrawButtons(dlg);
}
