#include "wm/manager/WindowMenu.h"

#include "platform/sdk/SimpleMenu.h"
#include "wm/manager/ClassRules.h"
#include "wm/manager/Frame.h"
#include "wm/manager/FramePointer.h"
#include "wm/manager/ManagerEvents.h"
#include "wm/manager/ManagerState.h"
#include "wm/manager/Stacking.h"
#include "wm/manager/WindowOps.h"

namespace {

const char* Label(int action) {
  const auto label = TheManagerEvents().windowMenuLabel;
  return label ? label(action) : "";
}

void MenuProc(void* closure, int value) {
  auto* s = static_cast<ManagerState*>(closure);
  ManagedWindow* m = s->windowMenuFrame;
  s->windowMenuFrame = nullptr;
  if (m) DoWindowMenuAction(m, value);
}

int MenuSensitive(void* closure, int value) {
  auto* s = static_cast<ManagerState*>(closure);
  return s->windowMenuFrame ? WindowMenuItemSensitive(s->windowMenuFrame, value) : 0;
}

SimpleMenu* WindowMenuOf(ManagerState* s) {
  if (s->windowMenu) return s->windowMenu;
  const SimpleMenuItem kItems[] = {
      {Label(ActionRestore), ActionRestore},   {Label(ActionMove), ActionMove},
      {Label(ActionSize), ActionSize},         {Label(ActionMinimize), ActionMinimize},
      {Label(ActionMaximize), ActionMaximize}, {nullptr, -1},
      {Label(ActionClose), ActionClose}};
  s->windowMenu = CreateSimpleMenu(&s->sdk, kItems, static_cast<int>(sizeof kItems / sizeof kItems[0]),
                                   MenuProc, s, s->menuFont);
  if (s->windowMenu) SetSimpleMenuTests(s->windowMenu, MenuSensitive, nullptr);
  return s->windowMenu;
}

}  // namespace

int WindowMenuItemSensitive(ManagedWindow* m, int action) {
  switch (action) {
    case ActionRestore:
      return m->minimized || m->maximized;
    case ActionMinimize:
      return !m->minimized && !m->transient && (m->functions & FunctionMinimize);
    case ActionMaximize:
      return (!m->maximized || m->minimized) && (m->functions & FunctionMaximize) && m->resizable;
    case ActionRaise:
      return !m->minimized && !IsActiveWindow(m);
    case ActionLower:
      return !m->minimized && !m->transient && FindBottomWindow(m->state) != m;
    case ActionClose:
      return (m->functions & FunctionClose) != 0;
    case ActionMove:
      return !m->minimized && !m->maximized && (m->functions & FunctionMove);
    case ActionSize:
      return !m->minimized && m->resizable;
    default:
      return 0;
  }
}

void DoWindowMenuAction(ManagedWindow* m, int action) {
  if (!WindowMenuItemSensitive(m, action)) return;
  switch (action) {
    case ActionRestore:
      RestoreWindow(m);
      break;
    case ActionMinimize:
      MinimizeWindow(m);
      break;
    case ActionMaximize: {
      const bool wasMinimized = m->minimized;
      MaximizeWindow(m);
      if (wasMinimized) RestoreWindow(m);
      break;
    }
    case ActionRaise:
      if (m->minimized)
        RestoreWindow(m);
      else
        RaiseWindow(m);
      break;
    case ActionLower:
      LowerWindow(m);
      break;
    case ActionClose:
      CloseWindow(m);
      break;
    case ActionMove:
      StartKeyboardDrag(m, RegionTitle);
      break;
    case ActionSize:
      StartKeyboardDrag(m, RegionKeyboardSize);
      break;
    default:
      break;
  }
}

void PopupWindowMenu(ManagedWindow* m, const XEvent* press) {
  SimpleMenu* menu = WindowMenuOf(m->state);
  if (!menu) return;
  m->state->windowMenuFrame = m;
  PopupSimpleMenu(menu, press);
}

void PopupWindowMenuAt(ManagedWindow* m, int x, int y) {
  SimpleMenu* menu = WindowMenuOf(m->state);
  if (!menu) return;
  m->state->windowMenuFrame = m;
  PopupSimpleMenuNoEvent(menu, x, y);
}

void ForgetWindowMenu(ManagedWindow* m) {
  ManagerState* s = m->state;
  if (s->windowMenuFrame != m) return;
  s->windowMenuFrame = nullptr;
  PopDownMenu(&s->sdk);
}
