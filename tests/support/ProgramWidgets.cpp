#include "tests/support/ProgramWidgets.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

#include "tests/support/XWindows.h"

namespace qwtest {
namespace {

std::vector<Window> Children(Display* d, Window w) {
  std::vector<Window> out;
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return out;
  out.assign(kids, kids + n);
  if (kids) XFree(kids);
  return out;
}

bool Viewable(Display* d, Window w, XWindowAttributes* a) {
  return XGetWindowAttributes(d, w, a) && a->map_state == IsViewable;
}

void CollectLeaves(Display* d, Window w, std::vector<PlacedWindow>* out) {
  bool hasViewableChild = false;
  for (Window k : Children(d, w)) {
    XWindowAttributes a;
    if (!Viewable(d, k, &a)) continue;
    hasViewableChild = true;
    CollectLeaves(d, k, out);
  }
  XWindowAttributes a;
  if (hasViewableChild || !Viewable(d, w, &a)) return;
  PlacedWindow p;
  p.window = w;
  Window child;
  XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &p.x, &p.y, &child);
  p.width = a.width;
  p.height = a.height;
  out->push_back(p);
}

std::string Tree(Display* d, Window w, int depth) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return "";
  std::string out = std::string(depth * 2, ' ') + std::to_string(w) + " " + std::to_string(a.x) + "," +
                    std::to_string(a.y) + " " + std::to_string(a.width) + "x" + std::to_string(a.height) +
                    (a.map_state == IsViewable ? " viewable" : " hidden") + "\n";
  for (Window k : Children(d, w)) out += Tree(d, k, depth + 1);
  return out;
}

}  // namespace

Window ViewableByInstance(Display* d, const std::string& instance) {
  XErrorTrap trap(d);
  for (Window w : FindWindowsByClass(d, instance)) {
    XClassHint hint = {};
    if (!XGetClassHint(d, w, &hint)) continue;
    const bool same = hint.res_name && instance == hint.res_name;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    XWindowAttributes a;
    if (same && Viewable(d, w, &a)) return w;
  }
  return None;
}

std::vector<PlacedWindow> ViewableLeaves(Display* d, Window top) {
  XErrorTrap trap(d);
  std::vector<PlacedWindow> out;
  if (top != None) CollectLeaves(d, top, &out);
  return out;
}

std::vector<PlacedWindow> LowestRow(const std::vector<PlacedWindow>& windows, int slack) {
  int lowest = -1;
  for (const PlacedWindow& w : windows) lowest = std::max(lowest, w.y + w.height);
  std::vector<PlacedWindow> row;
  for (const PlacedWindow& w : windows)
    if (w.y + w.height >= lowest - slack) row.push_back(w);
  std::sort(row.begin(), row.end(), [](const PlacedWindow& a, const PlacedWindow& b) { return a.x < b.x; });
  return row;
}

PlacedWindow Topmost(const std::vector<PlacedWindow>& windows) {
  PlacedWindow best;
  for (const PlacedWindow& w : windows)
    if (best.window == 0 || w.y < best.y) best = w;
  return best;
}

void ClickAt(Display* d, Window w, int x, int y) {
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, &rx, &ry, &child);
  XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XSync(d, False);
}

void ClickMiddleOf(Display* d, Window w) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return;
  ClickAt(d, w, a.width / 2, a.height / 2);
}

std::string WindowTree(Display* d, Window top) {
  XErrorTrap trap(d);
  return Tree(d, top, 0);
}

}  // namespace qwtest
