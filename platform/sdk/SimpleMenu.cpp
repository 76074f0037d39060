#include "platform/sdk/SimpleMenu.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sdk/NLSText.h"
#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SdkScreenPrivate.h"
#include "platform/sdk/SimpleWindow.h"

namespace {

constexpr int kPadX = 20;
constexpr int kSeparatorHeight = 7;
constexpr unsigned long kGrey = 0x808080;
constexpr unsigned long kHighlight = 0x000080;

struct Item {
  std::string label;  // as shown, without the mnemonic's '&'
  int value;
  bool separator;
  int mnemonic = -1;  // index in label of the character after '&'
  bool sensitive = true;
  bool checked = false;
  int y = 0, height = 0;
};

}  // namespace

struct SimpleMenu {
  SdkScreen* screen = nullptr;
  std::vector<Item> items;
  SimpleMenuProc proc = nullptr;
  void* closure = nullptr;
  SimpleMenuTestProc sensitive = nullptr;
  SimpleMenuTestProc checked = nullptr;
  NLSFont* font = nullptr;
  bool ownsFont = false;
  SimpleWindow* window = nullptr;
  GC gc = nullptr;
  int width = 0, height = 0;
  int highlighted = -1;
  int popupX = 0, popupY = 0;  // root position the menu popped up at
  bool dragged = false;        // the pointer left that spot since
};

namespace {

// "Mi&nimize": the label "Minimize" with 'n' as its mnemonic; "&&" is a
// plain '&'.
Item MakeItem(const char* text, int value) {
  Item it{"", value, text == nullptr};
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '&' && p[1] && p[1] != '&' && it.mnemonic < 0) {
      it.mnemonic = static_cast<int>(it.label.size());
      continue;
    }
    if (*p == '&' && p[1] == '&') ++p;
    it.label += *p;
  }
  return it;
}

int RowHeight(const SimpleMenu* m) { return m->font->ascent + m->font->descent + 6; }

void Layout(SimpleMenu* m) {
  int y = 2, width = 60;
  for (auto& it : m->items) {
    it.y = y;
    it.height = it.separator ? kSeparatorHeight : RowHeight(m);
    y += it.height;
    if (!it.separator)
      width = std::max(width, NLSTextWidth(m->font, it.label.c_str(), static_cast<int>(it.label.size())) +
                                  2 * kPadX);
  }
  m->width = width;
  m->height = y + 2;
}

void Draw(SimpleMenu* m) {
  SdkScreen* s = m->screen;
  Display* d = s->display;
  Window w = m->window->window;
  for (size_t i = 0; i < m->items.size(); ++i) {
    const Item& it = m->items[i];
    const bool lit = static_cast<int>(i) == m->highlighted;
    XSetForeground(d, m->gc, lit ? kHighlight : s->whitePixel);
    XFillRectangle(d, w, m->gc, 2, it.y, m->width - 4, it.height);
    if (it.separator) {
      XSetForeground(d, m->gc, kGrey);
      XDrawLine(d, w, m->gc, 4, it.y + it.height / 2, m->width - 5, it.y + it.height / 2);
      continue;
    }
    XSetForeground(d, m->gc, !it.sensitive ? kGrey : lit ? s->whitePixel : s->blackPixel);
    const int base = it.y + 3 + m->font->ascent;
    NLSDrawString(d, w, m->font, m->gc, kPadX, base, it.label.c_str(), static_cast<int>(it.label.size()));
    if (it.mnemonic >= 0 && it.mnemonic < static_cast<int>(it.label.size())) {
      const int x0 = kPadX + NLSTextWidth(m->font, it.label.c_str(), it.mnemonic);
      const int x1 = kPadX + NLSTextWidth(m->font, it.label.c_str(), it.mnemonic + 1);
      XDrawLine(d, w, m->gc, x0, base + 1, x1 - 1, base + 1);
    }
    if (it.checked) XFillRectangle(d, w, m->gc, 6, base - m->font->ascent / 2 - 3, 6, 6);
  }
  XSetForeground(d, m->gc, s->blackPixel);
  XDrawRectangle(d, w, m->gc, 0, 0, m->width - 1, m->height - 1);
}

int ItemAt(const SimpleMenu* m, int x, int y) {
  if (x < 0 || x >= m->width) return -1;
  for (size_t i = 0; i < m->items.size(); ++i)
    if (y >= m->items[i].y && y < m->items[i].y + m->items[i].height) return static_cast<int>(i);
  return -1;
}

void Highlight(SimpleMenu* m, int index) {
  if (index >= 0 && (m->items[index].separator || !m->items[index].sensitive)) index = -1;
  if (index == m->highlighted) return;
  m->highlighted = index;
  Draw(m);
}

void Choose(SimpleMenu* m, int index) {
  const bool ok = index >= 0 && !m->items[index].separator && m->items[index].sensitive;
  const int value = ok ? m->items[index].value : 0;
  PopDownMenu(m->screen);
  if (ok && m->proc) m->proc(m->closure, value);
}

SimpleMenu* MenuOf(SimpleWindow* w) { return static_cast<SimpleMenu*>(w->data); }

int OnExpose(SimpleWindow* w, XEvent* ev) {
  if (ev->xexpose.count == 0) Draw(MenuOf(w));
  return 1;
}

bool AwayFromPopup(const SimpleMenu* m, int xRoot, int yRoot) {
  return std::abs(xRoot - m->popupX) > 3 || std::abs(yRoot - m->popupY) > 3;
}

int OnMotion(SimpleWindow* w, XEvent* ev) {
  SimpleMenu* m = MenuOf(w);
  if (AwayFromPopup(m, ev->xmotion.x_root, ev->xmotion.y_root)) m->dragged = true;
  Highlight(MenuOf(w), ItemAt(MenuOf(w), ev->xmotion.x, ev->xmotion.y));
  return 1;
}

int OnRelease(SimpleWindow* w, XEvent* ev) {
  SimpleMenu* m = MenuOf(w);
  // The release of the click that popped the menu up leaves it posted.
  if (!m->dragged && !AwayFromPopup(m, ev->xbutton.x_root, ev->xbutton.y_root)) {
    m->dragged = true;
    return 1;
  }
  Choose(m, ItemAt(m, ev->xbutton.x, ev->xbutton.y));
  return 1;
}

int OnPress(SimpleWindow*, XEvent*) { return 1; }

int OnEvent(SimpleWindow* w, XEvent* ev) {
  if (ev->type != KeyPress) return 1;
  SimpleMenu* m = MenuOf(w);
  const KeySym sym = XLookupKeysym(&ev->xkey, 0);
  const int n = static_cast<int>(m->items.size());
  if (sym == XK_Escape) {
    PopDownMenu(m->screen);
  } else if (sym == XK_Return || sym == XK_KP_Enter) {
    Choose(m, m->highlighted);
  } else if (sym == XK_Down || sym == XK_Up) {
    const int step = sym == XK_Down ? 1 : n - 1;
    int i = m->highlighted < 0 ? (sym == XK_Down ? n - 1 : 0) : m->highlighted;
    for (int k = 0; k < n; ++k) {
      i = (i + step) % n;
      if (!m->items[i].separator && m->items[i].sensitive) {
        Highlight(m, i);
        break;
      }
    }
  } else if (sym > 0x20 && sym < 0x7f) {
    // A mnemonic chooses its item at once.
    const int c = std::tolower(static_cast<int>(sym));
    for (int i = 0; i < n; ++i) {
      const Item& it = m->items[i];
      if (it.separator || it.mnemonic < 0 || !it.sensitive) continue;
      if (std::tolower(static_cast<unsigned char>(it.label[static_cast<size_t>(it.mnemonic)])) == c) {
        Choose(m, i);
        break;
      }
    }
  }
  return 1;
}

}  // namespace

SimpleMenu* CreateSimpleMenu(SdkScreen* screen, const SimpleMenuItem* items, int count,
                             SimpleMenuProc proc, void* closure, NLSFont* font) {
  auto* m = new SimpleMenu;
  m->screen = screen;
  m->proc = proc;
  m->closure = closure;
  m->font = font;
  if (!m->font) {
    m->font = NLSCreateFont(screen->display, 12, 0);
    m->ownsFont = true;
  }
  if (!m->font) {
    delete m;
    return nullptr;
  }
  for (int i = 0; i < count; ++i)
    m->items.push_back(MakeItem(items[i].label, items[i].value));
  return m;
}

void SetSimpleMenuTests(SimpleMenu* m, SimpleMenuTestProc sensitive, SimpleMenuTestProc checked) {
  if (!m) return;
  m->sensitive = sensitive;
  m->checked = checked;
}

void SetSimpleMenuLabel(SimpleMenu* m, int value, const char* label) {
  if (!m || !label) return;
  for (auto& it : m->items)
    if (!it.separator && it.value == value) it = MakeItem(label, value);
}

void PopupSimpleMenuNoEvent(SimpleMenu* m, int x, int y) {
  if (!m) return;
  SdkScreen* s = m->screen;
  PopDownMenu(s);
  Display* d = s->display;
  if (x < 0 || y < 0) {
    Window rootRet, child;
    int wx, wy;
    unsigned int mask;
    XQueryPointer(d, s->root, &rootRet, &child, &x, &y, &wx, &wy, &mask);
  }
  for (auto& it : m->items) {
    it.sensitive = !it.separator && (!m->sensitive || m->sensitive(m->closure, it.value));
    it.checked = !it.separator && m->checked && m->checked(m->closure, it.value);
  }
  Layout(m);
  // Kept on the screen.
  x = std::max(0, std::min(x, s->width - m->width));
  y = std::max(0, std::min(y, s->height - m->height));
  m->window = CreateSimpleWindow(s, 0, x, y, m->width, m->height, s->whitePixel,
                                 ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                     PointerMotionMask | KeyPressMask);
  if (!m->window) return;
  XSetWindowAttributes a;
  a.override_redirect = True;
  a.save_under = True;
  XChangeWindowAttributes(d, m->window->window, CWOverrideRedirect | CWSaveUnder, &a);
  m->window->data = m;
  m->window->expose = OnExpose;
  m->window->motion = OnMotion;
  m->window->release = OnRelease;
  m->window->press = OnPress;
  m->window->event = OnEvent;
  m->gc = XCreateGC(d, m->window->window, 0, nullptr);
  m->highlighted = -1;
  Window rootRet, child;
  int wx, wy;
  unsigned int mask;
  m->popupX = x;
  m->popupY = y;
  XQueryPointer(d, s->root, &rootRet, &child, &m->popupX, &m->popupY, &wx, &wy, &mask);
  m->dragged = false;
  s->sdk->activeMenu = m;
  MapSimpleWindow(m->window);
  XRaiseWindow(d, m->window->window);
  XSync(d, False);
  GrabStackAdd(s, m->window);
}

void PopupSimpleMenu(SimpleMenu* m, const XEvent* press) {
  if (!press || press->type != ButtonPress) {
    PopupSimpleMenuNoEvent(m, -1, -1);
    return;
  }
  PopupSimpleMenuNoEvent(m, press->xbutton.x_root, press->xbutton.y_root);
}

void PopDownMenu(SdkScreen* s) {
  if (!s || !s->sdk) return;
  SimpleMenu* m = s->sdk->activeMenu;
  if (!m) return;
  s->sdk->activeMenu = nullptr;
  GrabStackRemove(s, m->window);
  XFreeGC(s->display, m->gc);
  m->gc = nullptr;
  DestroySimpleWindow(m->window);
  m->window = nullptr;
  XFlush(s->display);
}

int SimpleMenuActive(SdkScreen* s) { return s && s->sdk && s->sdk->activeMenu ? 1 : 0; }

Window SimpleMenuWindow(const SimpleMenu* m) { return m && m->window ? m->window->window : None; }

int SimpleMenuItemRect(const SimpleMenu* m, int value, XRectangle* rect) {
  if (!m || !m->window) return 0;
  for (const Item& it : m->items)
    if (!it.separator && it.value == value) {
      rect->x = 0;
      rect->y = static_cast<short>(it.y);
      rect->width = static_cast<unsigned short>(m->width);
      rect->height = static_cast<unsigned short>(it.height);
      return 1;
    }
  return 0;
}

void DestroySimpleMenu(SimpleMenu* m) {
  if (!m) return;
  if (m->screen->sdk->activeMenu == m) PopDownMenu(m->screen);
  if (m->ownsFont) NLSFreeFont(m->screen->display, m->font);
  delete m;
}
