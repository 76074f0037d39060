#include "platform/sdk/MessageBox.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SdkScreenPrivate.h"
#include "platform/sdk/SimpleWindow.h"

namespace {

constexpr int kMargin = 16;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 12;
constexpr size_t kWrapColumns = 56;

struct Box {
  std::vector<std::string> lines;
  std::vector<std::string> buttons;
  std::vector<XRectangle> buttonRects;
  MessageBoxProc proc = nullptr;
  void* closure = nullptr;
  int systemModal = 0;
  XFontStruct* font = nullptr;
  GC gc = nullptr;
};

std::vector<std::string> Wrap(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find('\n', pos);
    std::string para = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    while (para.size() > kWrapColumns) {
      size_t cut = para.rfind(' ', kWrapColumns);
      if (cut == std::string::npos || cut == 0) cut = kWrapColumns;
      lines.push_back(para.substr(0, cut));
      para.erase(0, cut + (para[cut] == ' ' ? 1 : 0));
    }
    lines.push_back(para);
    if (nl == std::string::npos) break;
    pos = nl + 1;
  }
  return lines;
}

int TextWidth(XFontStruct* f, const std::string& s) {
  return f ? XTextWidth(f, s.c_str(), static_cast<int>(s.size())) : static_cast<int>(s.size()) * 6;
}

int DrawBox(SimpleWindow* w, XEvent* ev) {
  if (ev->xexpose.count) return 1;
  auto* box = static_cast<Box*>(w->data);
  Display* d = w->owner->display;
  const int ascent = box->font ? box->font->ascent : 10;
  const int lineHeight = box->font ? box->font->ascent + box->font->descent : 13;
  int y = kMargin + ascent;
  for (const auto& line : box->lines) {
    XDrawString(d, w->window, box->gc, kMargin, y, line.c_str(), static_cast<int>(line.size()));
    y += lineHeight;
  }
  for (size_t i = 0; i < box->buttons.size(); ++i) {
    const XRectangle& r = box->buttonRects[i];
    XDrawRectangle(d, w->window, box->gc, r.x, r.y, r.width, r.height);
    const std::string& label = box->buttons[i];
    XDrawString(d, w->window, box->gc, r.x + (r.width - TextWidth(box->font, label)) / 2,
                r.y + (r.height + ascent) / 2 - 1, label.c_str(), static_cast<int>(label.size()));
  }
  return 1;
}

void Close(SdkScreen* screen, int answer, bool answered) {
  SimpleWindow* w = screen->sdk->messageBox;
  if (!w) return;
  auto* box = static_cast<Box*>(w->data);
  screen->sdk->messageBox = nullptr;
  MessageBoxProc proc = box->proc;
  void* closure = box->closure;
  GrabStackRemove(screen, w);
  if (box->gc) XFreeGC(screen->display, box->gc);
  if (box->font) XFreeFont(screen->display, box->font);
  delete box;
  w->data = nullptr;
  DestroySimpleWindow(w);
  XFlush(screen->display);
  if (screen->messageBoxResetFocus) screen->messageBoxResetFocus(screen);
  if (answered && proc) proc(closure, answer);
}

int Press(SimpleWindow* w, XEvent* ev) {
  auto* box = static_cast<Box*>(w->data);
  if (!box || ev->type != ButtonPress) return 1;
  for (size_t i = 0; i < box->buttonRects.size(); ++i) {
    const XRectangle& r = box->buttonRects[i];
    if (ev->xbutton.x >= r.x && ev->xbutton.x < r.x + r.width && ev->xbutton.y >= r.y &&
        ev->xbutton.y < r.y + r.height) {
      Close(w->owner, i == 0 ? 1 : 0, true);
      return 1;
    }
  }
  return 1;
}

int Event(SimpleWindow* w, XEvent* ev) {
  auto* box = static_cast<Box*>(w->data);
  if (!box || ev->type != KeyPress) return 1;
  KeySym sym = XLookupKeysym(&ev->xkey, 0);
  if (sym == XK_Return || sym == XK_KP_Enter)
    Close(w->owner, 1, true);
  else if (sym == XK_Escape)
    Close(w->owner, 0, true);
  return 1;
}

SimpleWindow* Create(SdkScreen* screen, const char* text, std::vector<std::string> buttons,
                     MessageBoxProc proc, void* closure, const char* messageId, int systemModal) {
  PopDownMessageBox(screen);
  Display* d = screen->display;
  auto* box = new Box;
  box->lines = Wrap(text ? text : "");
  box->buttons = std::move(buttons);
  box->proc = proc;
  box->closure = closure;
  box->systemModal = systemModal;
  box->font = XLoadQueryFont(d, "fixed");
  const int lineHeight = box->font ? box->font->ascent + box->font->descent : 13;
  int width = 0;
  for (const auto& l : box->lines) width = std::max(width, TextWidth(box->font, l));
  int buttonWidth = 80;
  for (const auto& b : box->buttons) buttonWidth = std::max(buttonWidth, TextWidth(box->font, b) + 24);
  const int n = static_cast<int>(box->buttons.size());
  const int rowWidth = n * buttonWidth + (n - 1) * kButtonGap;
  width = std::max(width, rowWidth) + 2 * kMargin;
  const int textHeight = static_cast<int>(box->lines.size()) * lineHeight;
  const int height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
  int x0 = (width - rowWidth) / 2;
  for (int i = 0; i < n; ++i) {
    XRectangle r;
    r.x = static_cast<short>(x0 + i * (buttonWidth + kButtonGap));
    r.y = static_cast<short>(kMargin + textHeight + kMargin);
    r.width = static_cast<unsigned short>(buttonWidth);
    r.height = kButtonHeight;
    box->buttonRects.push_back(r);
  }

  SimpleWindow* w = CreateSimpleWindow(
      screen, 0, (screen->width - width) / 2, (screen->height - height) / 2, width, height,
      screen->whitePixel, ExposureMask | ButtonPressMask | KeyPressMask);
  if (!w) {
    if (box->font) XFreeFont(d, box->font);
    delete box;
    return nullptr;
  }
  XSetWindowAttributes a;
  a.override_redirect = True;
  a.border_pixel = screen->blackPixel;
  XChangeWindowAttributes(d, w->window, CWOverrideRedirect | CWBorderPixel, &a);
  XSetWindowBorderWidth(d, w->window, 2);
  if (messageId) XStoreName(d, w->window, messageId);
  XGCValues gv;
  gv.foreground = screen->blackPixel;
  gv.background = screen->whitePixel;
  unsigned long mask = GCForeground | GCBackground;
  if (box->font) {
    gv.font = box->font->fid;
    mask |= GCFont;
  }
  box->gc = XCreateGC(d, w->window, mask, &gv);
  w->data = box;
  w->expose = DrawBox;
  w->press = Press;
  w->event = Event;
  screen->sdk->messageBox = w;
  MapSimpleWindow(w);
  XRaiseWindow(d, w->window);
  if (systemModal) {
    // The grab needs a viewable window.
    XSync(d, False);
    GrabStackAdd(screen, w);
  } else {
    XSetInputFocus(d, w->window, RevertToPointerRoot, CurrentTime);
  }
  XFlush(d);
  return w;
}

}  // namespace

SimpleWindow* CreateMessageBox(SdkScreen* screen, const char* text, const char* button,
                               const char* messageId, int systemModal) {
  return Create(screen, text, {button ? button : "Ok"}, nullptr, nullptr, messageId, systemModal);
}

SimpleWindow* CreateYesNoMessageBox(SdkScreen* screen, const char* text, const char* yes,
                                    const char* no, MessageBoxProc proc, void* closure,
                                    const char* messageId, int systemModal) {
  return Create(screen, text, {yes ? yes : "Yes", no ? no : "No"}, proc, closure, messageId,
                systemModal);
}

int MessageBoxActive(SdkScreen* screen) { return screen->sdk && screen->sdk->messageBox ? 1 : 0; }

int MessageBoxText(SdkScreen* screen, char* buffer, int size) {
  std::string text;
  SimpleWindow* w = screen->sdk ? screen->sdk->messageBox : nullptr;
  if (w && w->data) {
    const std::vector<std::string>& lines = static_cast<Box*>(w->data)->lines;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
  }
  if (buffer && size > 0) {
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    text.copy(buffer, n);
    buffer[n] = '\0';
  }
  return static_cast<int>(text.size());
}

void PopDownMessageBox(SdkScreen* screen) {
  if (screen->sdk) Close(screen, 0, false);
}
