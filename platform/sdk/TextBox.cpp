#include "platform/sdk/TextBox.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/sdk/Draw3D.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SdkScreen.h"

namespace {

void Wipe(TextBox* b) {
  // volatile: the wipe of a password must not be optimised away.
  volatile char* p = b->text;
  for (size_t i = 0; i < sizeof b->text; ++i) p[i] = 0;
  b->length = 0;
  b->caret = 0;
}

void Insert(TextBox* b, const char* bytes, int n) {
  if (n <= 0 || b->length + n > b->maxLength) return;
  std::memmove(b->text + b->caret + n, b->text + b->caret, b->length - b->caret);
  std::memcpy(b->text + b->caret, bytes, n);
  b->length += n;
  b->caret += n;
  b->text[b->length] = 0;
}

void Erase(TextBox* b, int at) {
  if (at < 0 || at >= b->length) return;
  std::memmove(b->text + at, b->text + at + 1, b->length - at - 1);
  b->length--;
  b->text[b->length] = 0;
  if (b->caret > at) b->caret--;
}

int ShownWidth(const TextBox* b, int bytes) {
  char shown[TextBoxMaxLength + 1];
  TextBoxShownText(b, shown, sizeof shown);
  return NLSTextWidth(b->font, shown, bytes);
}

}  // namespace

void TextBoxInit(TextBox* b, SdkScreen* screen, Window window, int x, int y, int width, int height,
                 NLSFont* font, int maxLength, int hidden) {
  std::memset(b, 0, sizeof *b);
  b->screen = screen;
  b->window = window;
  b->x = x;
  b->y = y;
  b->width = width;
  b->height = height;
  b->font = font;
  b->maxLength = std::max(0, std::min(maxLength, static_cast<int>(TextBoxMaxLength)));
  b->hidden = hidden;
}

void TextBoxSetContents(TextBox* b, const char* text) {
  Wipe(b);
  if (text) Insert(b, text, static_cast<int>(std::min(std::strlen(text), static_cast<size_t>(b->maxLength))));
  TextBoxExpose(b);
}

const char* TextBoxGetContents(const TextBox* b) { return b->text; }

int TextBoxShownText(const TextBox* b, char* buffer, int size) {
  if (size <= 0) return 0;
  const int n = std::min(b->length, size - 1);
  if (b->hidden)
    std::memset(buffer, '*', n);
  else
    std::memcpy(buffer, b->text, n);
  buffer[n] = 0;
  return n;
}

int TextBoxKey(TextBox* b, XKeyEvent* ev) {
  char bytes[16];
  KeySym sym = NoSymbol;
  const int n = XLookupString(ev, bytes, sizeof bytes, &sym, nullptr);
  int result = TextBoxChanged;
  switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
      return TextBoxEnter;
    case XK_Tab:
    case XK_ISO_Left_Tab:
      return TextBoxTab;
    case XK_BackSpace:
      Erase(b, b->caret - 1);
      break;
    case XK_Delete:
    case XK_KP_Delete:
      Erase(b, b->caret);
      break;
    case XK_Left:
    case XK_KP_Left:
      b->caret = std::max(0, b->caret - 1);
      break;
    case XK_Right:
    case XK_KP_Right:
      b->caret = std::min(b->length, b->caret + 1);
      break;
    case XK_Home:
      b->caret = 0;
      break;
    case XK_End:
      b->caret = b->length;
      break;
    default:
      if ((ev->state & ControlMask) && (sym == XK_u || sym == XK_U)) {
        Wipe(b);
        break;
      }
      if (n <= 0 || static_cast<unsigned char>(bytes[0]) < 0x20 || bytes[0] == 0x7f) return TextBoxIgnored;
      Insert(b, bytes, n);
  }
  b->caretOn = 1;
  TextBoxExpose(b);
  return result;
}

int TextBoxPress(TextBox* b, const XButtonEvent* ev) {
  if (ev->x < b->x || ev->x >= b->x + b->width || ev->y < b->y || ev->y >= b->y + b->height) return 0;
  const int want = ev->x - b->x - 4;
  int best = 0;
  for (int i = 0; i <= b->length; ++i)
    if (std::abs(ShownWidth(b, i) - want) < std::abs(ShownWidth(b, best) - want)) best = i;
  b->caret = best;
  b->caretOn = 1;
  TextBoxExpose(b);
  return 1;
}

void TextBoxBlink(TextBox* b) {
  b->caretOn = b->focused ? !b->caretOn : 0;
  TextBoxExpose(b);
}

void TextBoxSetFocus(TextBox* b, int focused) {
  b->focused = focused;
  b->caretOn = focused;
  TextBoxExpose(b);
}

void TextBoxExpose(TextBox* b) {
  if (!b->screen || !b->screen->display || !b->window || !b->font) return;
  Display* d = b->screen->display;
  GC gc = XCreateGC(d, b->window, 0, nullptr);
  XSetForeground(d, gc, b->screen->whitePixel);
  XFillRectangle(d, b->window, gc, b->x, b->y, b->width, b->height);
  Draw3DBox(d, b->window, gc, b->x, b->y, b->width, b->height, 1, 0x808080, 0xffffff, false);
  XRectangle clip = {static_cast<short>(b->x + 2), static_cast<short>(b->y + 2),
                     static_cast<unsigned short>(std::max(0, b->width - 4)),
                     static_cast<unsigned short>(std::max(0, b->height - 4))};
  XSetClipRectangles(d, gc, 0, 0, &clip, 1, Unsorted);
  char shown[TextBoxMaxLength + 1];
  const int n = TextBoxShownText(b, shown, sizeof shown);
  const int base = b->y + (b->height + b->font->ascent - b->font->descent) / 2;
  XSetForeground(d, gc, b->screen->blackPixel);
  NLSDrawString(d, b->window, b->font, gc, b->x + 4, base, shown, n);
  if (b->focused && b->caretOn) {
    const int cx = b->x + 4 + NLSTextWidth(b->font, shown, b->caret);
    XDrawLine(d, b->window, gc, cx, base - b->font->ascent, cx, base + b->font->descent);
  }
  XFreeGC(d, gc);
}

void TextBoxClear(TextBox* b) {
  Wipe(b);
  TextBoxExpose(b);
}
