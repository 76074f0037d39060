#include "wm/manager/Tiling.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/Frame.h"
#include "wm/manager/ManagerState.h"
#include "wm/manager/WindowOps.h"

namespace {

// Managed windows not minimised, transients counted too.
int CountNormalWindows(ManagerState* s) {
  int n = 0;
  for (ManagedWindow* m = s->managedWindows; m; m = m->next)
    if (!m->minimized) ++n;
  return n;
}

// The windows to arrange in the root's stacking order, bottom first.
std::vector<ManagedWindow*> EligibleBottomUp(ManagerState* s) {
  Display* d = s->sdk.display;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  std::vector<ManagedWindow*> out;
  if (!XQueryTree(d, s->sdk.root, &root, &parent, &children, &n)) return out;
  for (unsigned int i = 0; i < n; ++i)
    for (ManagedWindow* m = s->managedWindows; m; m = m->next)
      if (m->frame->window == children[i]) {
        if (!m->minimized && !m->transient) out.push_back(m);
        break;
      }
  if (children) XFree(children);
  return out;
}

// The client's resize increments above 1, else 1.
void Increments(ManagerState* s, const ManagedWindow* m, int* wInc, int* hInc) {
  *wInc = *hInc = 1;
  XSizeHints hints = {};
  long supplied = 0;
  if (!m->client || !XGetWMNormalHints(s->sdk.display, m->client, &hints, &supplied) ||
      !(hints.flags & PResizeInc))
    return;
  if (hints.width_inc > 1 && hints.width_inc <= 1000) *wInc = hints.width_inc;
  if (hints.height_inc > 1 && hints.height_inc <= 1000) *hInc = hints.height_inc;
}

// The frame takes the rectangle, which also becomes its normal geometry.
void Arrange(ManagedWindow* m, int left, int top, int right, int bottom) {
  m->maximized = 0;
  PlaceFrame(m, left, top, right, bottom);
  m->normal[0] = m->x;
  m->normal[1] = m->y;
  m->normal[2] = m->x + m->width;
  m->normal[3] = m->y + m->height;
  SendSyntheticConfigure(m);
  SetWMState(m);
}

void Finish(ManagerState* s) {
  RedrawFramesAndFocus(s);
  RedrawDesktop(s, 0);
}

}  // namespace

void TileWindowsHorizontally(ManagerState* s) {
  const int n = CountNormalWindows(s);
  if (!n) return;
  const int h = s->workArea[3] - s->workArea[1];
  if (h / n > 31) {
    TileWindows(s, n, 1);
    return;
  }
  const int rows = std::max(h / 32, 1);
  TileWindows(s, rows, (n + rows - 1) / rows);
}

void TileWindowsVertically(ManagerState* s) {
  const int n = CountNormalWindows(s);
  if (!n) return;
  const int w = s->workArea[2] - s->workArea[0];
  if (w / n > 79) {
    TileWindows(s, 1, n);
    return;
  }
  const int columns = std::max(w / 80, 1);
  TileWindows(s, (n + columns - 1) / columns, columns);
}

void TileWindows(ManagerState* s, int rows, int columns) {
  if (rows < 1 || columns < 1) return;
  const int x1 = s->workArea[0], y1 = s->workArea[1], x2 = s->workArea[2], y2 = s->workArea[3];
  const int cw = (x2 - x1) / columns, ch = (y2 - y1) / rows;
  std::vector<ManagedWindow*> windows = EligibleBottomUp(s);
  std::reverse(windows.begin(), windows.end());
  int c = 0, r = 0;
  for (ManagedWindow* m : windows) {
    if (r >= rows) break;  // more windows than cells: the rest stay
    const int left = x1 + cw * c, top = y1 + ch * r;
    int right = left + m->width, bottom = top + m->height;
    if (m->resizable) {
      right = c == columns - 1 ? x2 : x1 + cw * (c + 1);
      bottom = r == rows - 1 ? y2 : y1 + ch * (r + 1);
      int wInc = 1, hInc = 1;
      Increments(s, m, &wInc, &hInc);
      const int clientW = right - left - m->left - m->right, clientH = bottom - top - m->top - m->bottom;
      if (wInc > 1 && clientW > 0) right -= clientW % wInc;
      if (hInc > 1 && clientH > 0) bottom -= clientH % hInc;
    }
    Arrange(m, left, top, right, bottom);
    if (++c == columns) {
      c = 0;
      ++r;
    }
  }
  Finish(s);
}

void CascadeWindows(ManagerState* s) {
  const int x1 = s->workArea[0], y1 = s->workArea[1], x2 = s->workArea[2], y2 = s->workArea[3];
  int dx = 0, dy = 0, start = 0;
  for (ManagedWindow* m : EligibleBottomUp(s)) {
    const int left = x1 + dx, top = y1 + dy;
    int right = left + m->width, bottom = top + m->height;
    if (m->resizable) {
      int wInc = 1, hInc = 1;
      Increments(s, m, &wInc, &hInc);
      right = left + 480 - 480 % wInc + m->left + m->right;
      bottom = top + 320 - 320 % hInc + m->top + m->bottom;
    }
    Arrange(m, left, top, right, bottom);
    dx += 24;
    dy += 24;
    if (!(x1 + dx + 480 <= x2 && y1 + dy + 320 <= y2)) {
      start += 150;
      dx = start;
      dy = 0;
      if (x1 + start + 480 > x2) start = dx = 0;
    }
  }
  Finish(s);
}
