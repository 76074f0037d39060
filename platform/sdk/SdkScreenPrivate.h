#pragma once
// The SDK's own bookkeeping behind SdkScreen::sdk (not for programs).
#include <X11/Xlib.h>

#include <unordered_map>
#include <vector>

struct SimpleWindow;

struct SdkScreenPrivate {
  std::unordered_map<Window, SimpleWindow*> windows;
  std::vector<SimpleWindow*> order;  // creation order; MoveWindowToEndOfList
  std::vector<SimpleWindow*> grabStack;
  unsigned long xInputId = 0;
  SimpleWindow* messageBox = nullptr;  // the active box
  struct SimpleMenu* activeMenu = nullptr;
  bool quit = false;
};
