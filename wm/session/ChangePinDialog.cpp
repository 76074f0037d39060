#include "wm/session/ChangePinDialog.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "login/card/SmartCard.h"
#include "platform/sdk/Color.h"
#include "platform/sdk/Draw3D.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/session/ScreenState.h"
#include "wm/shell/MessageCatalog.h"

namespace {

constexpr unsigned long kBlinkMicroseconds = 500000;
constexpr int kWidth = 400, kHeight = 240;
constexpr int kMaxPin = 8;  // the card's PIN field
const int kLabels[3] = {TextOldPIN, TextNewPIN, TextNewPINAgain};
const int kButtons[2] = {TextOk, TextCancel};

ChangePinDialog* DialogOf(SimpleWindow* w) { return static_cast<ChangePinDialog*>(w->data); }

int TextWidth(NLSFont* f, const char* t) { return f ? NLSTextWidth(f, t, static_cast<int>(std::strlen(t))) : 0; }

bool Inside(const int* r, int x, int y) { return x >= r[0] && x < r[2] && y >= r[1] && y < r[3]; }

void Layout(ChangePinDialog* dlg) {
  NLSFont* f = dlg->state->generalFont;
  const int ascent = f ? f->ascent : 10, descent = f ? f->descent : 3;
  int widest = 0;
  for (int id : kLabels) widest = std::max(widest, TextWidth(f, CatalogText(id)));
  for (int i = 0; i < 3; ++i) {
    int* r = dlg->boxRect[i];
    r[0] = 30 + widest + 10, r[1] = 70 + 35 * i - ascent - 5, r[2] = dlg->width - 30, r[3] = r[1] + ascent + descent + 10;
    TextBox& b = dlg->boxes[i];
    b.x = r[0], b.y = r[1], b.width = std::max(0, r[2] - r[0]), b.height = r[3] - r[1];
  }
  int bw = 0;
  for (int id : kButtons) bw = std::max(bw, TextWidth(f, CatalogText(id)));
  bw += 24;
  const int bh = ascent + descent + 12, top = dlg->height - bh - 25;
  const int lefts[2] = {70, dlg->width - 70 - bw};
  for (int i = 0; i < 2; ++i) {
    int* r = dlg->buttonRect[i];
    r[0] = lefts[i], r[1] = top, r[2] = lefts[i] + bw, r[3] = top + bh;
  }
}

void DrawButtons(ChangePinDialog* dlg) {
  ScreenState* s = dlg->state;
  Display* d = s->sdk.display;
  Window w = dlg->window->window;
  GC gc = XCreateGC(d, w, 0, nullptr);
  const unsigned long dark = GetColor(&s->sdk, "grey40", s->sdk.blackPixel);
  NLSFont* f = s->generalFont;
  for (int i = 0; i < 2; ++i) {
    const int* r = dlg->buttonRect[i];
    const int bw = r[2] - r[0], bh = r[3] - r[1];
    const bool down = dlg->pressed == i;
    Draw3DBox(d, w, gc, r[0], r[1], bw, bh, 2, s->sdk.whitePixel, dark, down);
    if (!f) continue;
    const char* label = CatalogText(kButtons[i]);
    XSetForeground(d, gc, s->sdk.blackPixel);
    NLSDrawString(d, w, f, gc, r[0] + (bw - TextWidth(f, label)) / 2 + down, r[1] + 6 + f->ascent + down, label,
                  static_cast<int>(std::strlen(label)));
  }
  XFreeGC(d, gc);
}

void DrawDialog(ChangePinDialog* dlg) {
  ScreenState* s = dlg->state;
  Display* d = s->sdk.display;
  Window w = dlg->window->window;
  Layout(dlg);
  GC gc = XCreateGC(d, w, 0, nullptr);
  const unsigned long dark = GetColor(&s->sdk, "grey40", s->sdk.blackPixel);
  Draw3DBox(d, w, gc, 0, 0, dlg->width, dlg->height, 2, s->sdk.whitePixel, dark, false);
  XSetForeground(d, gc, s->sdk.blackPixel);
  const char* title = CatalogText(TextChangePINTitle);
  if (NLSFont* tf = s->largeFont ? s->largeFont : s->generalFont)
    NLSDrawString(d, w, tf, gc, (dlg->width - TextWidth(tf, title)) / 2, tf->ascent + 12, title,
                  static_cast<int>(std::strlen(title)));
  if (NLSFont* f = s->generalFont)
    for (int i = 0; i < 3; ++i) {
      const char* label = CatalogText(kLabels[i]);
      NLSDrawString(d, w, f, gc, 30, 70 + 35 * i, label, static_cast<int>(std::strlen(label)));
    }
  XFreeGC(d, gc);
  dlg->exposed = 1;
  for (TextBox& b : dlg->boxes) TextBoxExpose(&b);
  DrawButtons(dlg);
}

void Focus(ChangePinDialog* dlg, int box) {
  dlg->focus = box;
  for (int i = 0; i < 3; ++i) {
    TextBox& b = dlg->boxes[i];
    b.focused = b.caretOn = i == box;
    if (dlg->exposed) TextBoxExpose(&b);
  }
}

// Empties the boxes from `first` on and gives the keyboard to it.
void Retry(ChangePinDialog* dlg, int first) {
  for (int i = first; i < 3; ++i) TextBoxClear(&dlg->boxes[i]);
  Focus(dlg, first);
}

void Tell(ScreenState* s, const std::string& text, const char* id) {
  // System-modal: the box takes the grab from the dialog and gives it back.
  CreateMessageBox(&s->sdk, text.c_str(), CatalogText(TextOk), id, 1);
}

// Ok: the card changes the PIN, or the dialog says why not.
void ChangePin(ChangePinDialog* dlg) {
  ScreenState* s = dlg->state;
  const char* old = TextBoxGetContents(&dlg->boxes[0]);
  const char* fresh = TextBoxGetContents(&dlg->boxes[1]);
  const char* again = TextBoxGetContents(&dlg->boxes[2]);
  if (!*old) return Focus(dlg, 0);
  if (!s->card) {
    Tell(s, CatalogText(TextNoCard), "QXW3525");
    return CloseChangePinDialog(s);
  }
  if (std::strcmp(fresh, again) != 0) {
    Tell(s, CatalogText(TextPINsDontMatch), "QXW3521");
    return Retry(dlg, 1);
  }
  const int freshLength = static_cast<int>(std::strlen(fresh));
  if (freshLength < 1 || freshLength > kMaxPin) {
    Tell(s, CatalogText(TextPINLength), "QXW3522");
    return Retry(dlg, 1);
  }
  // As at log-in, only the first eight characters of the old PIN count.
  const int oldLength = std::min(static_cast<int>(std::strlen(old)), kMaxPin);
  uint8_t sw1 = 0, sw2 = 0;
  int32_t result = -1;
  const int done = SmartCardChangePIN(s->card, reinterpret_cast<const uint8_t*>(old), oldLength,
                                      reinterpret_cast<const uint8_t*>(fresh), freshLength, &sw1, &sw2, &result);
  if (done == kSmartCardDone && result == 0) {
    Tell(s, CatalogText(TextPINChanged), "QXW3520");
    return CloseChangePinDialog(s);
  }
  if (done == kSmartCardDone && result == 3) {
    Tell(s, CatalogText(TextPINBlocked), "QXW3524");
    return CloseChangePinDialog(s);
  }
  if (done == kSmartCardDone && sw1 == 0x63) {
    // 63 Cx: the card counts the tries left; 63 00: it does not say.
    if ((sw2 & 0xF0) == 0xC0)
      Tell(s, FormatCatalogText(TextWrongOldPINTries, {std::to_string(sw2 & 0x0F)}), "QXW3523");
    else
      Tell(s, CatalogText(TextWrongOldPIN), "QXW3523");
    return Retry(dlg, 0);
  }
  Tell(s, CatalogText(TextPINNotChanged), "QXW3525");
  Retry(dlg, 0);
}

void Run(ChangePinDialog* dlg, int button) {
  if (button == 0)
    ChangePin(dlg);
  else
    CloseChangePinDialog(dlg->state);
}

int KeyHandler(SimpleWindow* w, XEvent* ev) {
  if (ev->type != KeyPress) return 1;
  ChangePinDialog* dlg = DialogOf(w);
  if (MessageBoxActive(&dlg->state->sdk)) return 1;
  char bytes[16];
  KeySym sym = NoSymbol;
  XLookupString(&ev->xkey, bytes, sizeof bytes, &sym, nullptr);
  const bool back = sym == XK_ISO_Left_Tab || sym == XK_Up || sym == XK_KP_Up ||
                    ((sym == XK_Tab || sym == XK_KP_Tab) && (ev->xkey.state & ShiftMask));
  switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_Linefeed:
      // Return leads through the boxes; in the last one it is Ok.
      if (dlg->focus < 2)
        Focus(dlg, dlg->focus + 1);
      else
        Run(dlg, 0);
      return 1;
    case XK_Escape:
      Run(dlg, 1);
      return 1;
    case XK_Tab:
    case XK_KP_Tab:
    case XK_ISO_Left_Tab:
    case XK_Down:
    case XK_KP_Down:
    case XK_Up:
    case XK_KP_Up:
      Focus(dlg, (dlg->focus + (back ? 2 : 1)) % 3);
      return 1;
    default:
      TextBoxKey(&dlg->boxes[dlg->focus], &ev->xkey);
      return 1;
  }
}

int ExposeHandler(SimpleWindow* w, XEvent* ev) {
  if (ev->xexpose.count == 0) DrawDialog(DialogOf(w));
  return 1;
}

int PressHandler(SimpleWindow* w, XEvent* ev) {
  ChangePinDialog* dlg = DialogOf(w);
  if (!dlg->exposed || MessageBoxActive(&dlg->state->sdk)) return 1;
  XButtonEvent& b = ev->xbutton;
  for (int i = 0; i < 2; ++i)
    if (Inside(dlg->buttonRect[i], b.x, b.y)) {
      dlg->pressed = i;
      DrawButtons(dlg);
      return 1;
    }
  for (int i = 0; i < 3; ++i)
    if (Inside(dlg->boxRect[i], b.x, b.y)) {
      Focus(dlg, i);
      TextBoxPress(&dlg->boxes[i], &b);
      return 1;
    }
  return 1;
}

int ReleaseHandler(SimpleWindow* w, XEvent* ev) {
  ChangePinDialog* dlg = DialogOf(w);
  const int i = dlg->pressed;
  if (i < 0) return 1;
  dlg->pressed = -1;
  DrawButtons(dlg);
  // A release off the button it was pressed on does nothing.
  if (Inside(dlg->buttonRect[i], ev->xbutton.x, ev->xbutton.y)) Run(dlg, i);
  return 1;
}

void BlinkHandler(SimpleWindow* w) {
  ChangePinDialog* dlg = DialogOf(w);
  if (dlg->exposed) TextBoxBlink(&dlg->boxes[dlg->focus]);
  AddSimpleWindowTimeout(w, kBlinkMicroseconds);
}

void DestroyHandler(SimpleWindow* w) {
  ChangePinDialog* dlg = DialogOf(w);
  if (!dlg) return;
  w->data = nullptr;
  for (TextBox& b : dlg->boxes) TextBoxClear(&b);  // wipes the typed PINs
  if (dlg->state->changePinDialog == dlg) dlg->state->changePinDialog = nullptr;
  delete dlg;
}

}  // namespace

ChangePinDialog* OpenChangePinDialog(ScreenState* s) {
  if (!s->card || !s->sdk.display) return nullptr;
  if (ChangePinDialog* open = s->changePinDialog) {
    XRaiseWindow(s->sdk.display, open->window->window);
    return open;
  }
  auto* dlg = new (std::nothrow) ChangePinDialog();
  if (!dlg) return nullptr;
  dlg->state = s;
  dlg->pressed = -1;
  dlg->width = std::max(kWidth, TextWidth(s->largeFont ? s->largeFont : s->generalFont,
                                          CatalogText(TextChangePINTitle)) + 40);
  dlg->height = kHeight;
  const unsigned long face = GetColor(&s->sdk, "grey75", s->sdk.whitePixel);
  Window parent = s->desktopWindow ? s->desktopWindow->window : s->sdk.root;
  SimpleWindow* win = CreateSimpleWindow(&s->sdk, parent, (s->sdk.width - dlg->width) / 2,
                                         (s->sdk.height - dlg->height) / 2, static_cast<unsigned>(dlg->width),
                                         static_cast<unsigned>(dlg->height), face,
                                         KeyPressMask | ButtonPressMask | ButtonReleaseMask | ExposureMask);
  if (!win) {
    delete dlg;
    return nullptr;
  }
  XStoreName(s->sdk.display, win->window, CatalogText(TextChangePINTitle));
  dlg->window = win;
  win->data = dlg;
  win->event = KeyHandler;
  win->expose = ExposeHandler;
  win->press = PressHandler;
  win->release = ReleaseHandler;
  win->timeout = BlinkHandler;
  win->destroy = DestroyHandler;
  for (TextBox& b : dlg->boxes) TextBoxInit(&b, &s->sdk, win->window, 0, 0, 0, 0, s->generalFont, kMaxPin * 4, 1);
  Layout(dlg);
  Focus(dlg, 0);
  s->changePinDialog = dlg;
  MapSimpleWindow(win);
  XRaiseWindow(s->sdk.display, win->window);
  // The grab needs a viewable window.
  XSync(s->sdk.display, False);
  GrabStackAdd(&s->sdk, win);
  AddSimpleWindowTimeout(win, kBlinkMicroseconds);
  return dlg;
}

void CloseChangePinDialog(ScreenState* s) {
  ChangePinDialog* dlg = s->changePinDialog;
  if (!dlg) return;
  SimpleWindow* w = dlg->window;
  GrabStackRemove(&s->sdk, w);
  XUnmapWindow(s->sdk.display, w->window);
  DestroySimpleWindow(w);  // the destroy slot frees the record
  s->changePinDialog = nullptr;
}
