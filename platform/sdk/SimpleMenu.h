#pragma once
// SDK pop-up menus: a column of labelled items that takes the pointer and
// keyboard through the grab stack while it is up. Releasing the button on a
// sensitive item (or Return on the highlighted one) pops the menu down, then
// calls the menu's procedure with the item's value. Escape, or a release
// outside the menu, pops it down without a choice.
#include <X11/Xlib.h>

struct SdkScreen;
struct NLSFont;
struct SimpleMenu;

typedef void (*SimpleMenuProc)(void* closure, int value);
typedef int (*SimpleMenuTestProc)(void* closure, int value);

struct SimpleMenuItem {
  const char* label;  // copied; null makes a separator line
  int value;
};

SimpleMenu* CreateSimpleMenu(SdkScreen* screen, const SimpleMenuItem* items, int count,
                             SimpleMenuProc proc, void* closure, NLSFont* font);
// Optional: which items may be chosen (insensitive ones are drawn grey) and
// which carry a check mark; asked each time the menu pops up.
void SetSimpleMenuTests(SimpleMenu* menu, SimpleMenuTestProc sensitive, SimpleMenuTestProc checked);
void SetSimpleMenuLabel(SimpleMenu* menu, int value, const char* label);
// At the position of a button press, or at x, y (-1, -1: at the pointer).
void PopupSimpleMenu(SimpleMenu* menu, const XEvent* press);
void PopupSimpleMenuNoEvent(SimpleMenu* menu, int x, int y);
void PopDownMenu(SdkScreen* screen);
int SimpleMenuActive(SdkScreen* screen);
Window SimpleMenuWindow(const SimpleMenu* menu);
// Where the item with `value` lies in the menu's window while it is up;
// 1 when found, 0 when the menu is down or has no such item.
int SimpleMenuItemRect(const SimpleMenu* menu, int value, XRectangle* rect);
void DestroySimpleMenu(SimpleMenu* menu);
