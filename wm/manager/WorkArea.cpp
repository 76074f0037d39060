#include "wm/manager/WorkArea.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/QXRegistry.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/Frame.h"
#include "wm/manager/ManagerState.h"

namespace {

void SetFourItems(ManagerState* s, Atom atom, const long items[4]) {
  XChangeProperty(s->sdk.display, s->sdk.root, atom, atom, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(items), 4);
}

ClassRecord* Find(ManagerState* s, const std::string& key) {
  for (ClassRecord* r = s->classRecords; r; r = r->next)
    if (r->key == key) return r;
  return nullptr;
}

void CopyValues(ClassRecord* to, const ClassRecord& from) {
  to->geometryValid = from.geometryValid;
  to->pixmapsValid = from.pixmapsValid;
  to->restoreFlagsValid = from.restoreFlagsValid;
  to->x1 = from.x1;
  to->y1 = from.y1;
  to->x2 = from.x2;
  to->y2 = from.y2;
  to->maximized = from.maximized;
  to->iconPixmap = from.iconPixmap;
  to->iconMask = from.iconMask;
  to->restoreSize = from.restoreSize;
  to->restorePosition = from.restorePosition;
}

}  // namespace

void SetWorkAreaProperty(ManagerState* s) {
  const long items[4] = {s->workArea[0], s->workArea[1], s->workArea[2], s->workArea[3]};
  SetFourItems(s, s->atoms[AtomWinWorkarea], items);
}

void SetBorderSizesProperty(ManagerState* s) {
  const int textHeight = s->titleFont ? s->titleFont->ascent + s->titleFont->descent : 0;
  const long items[4] = {FrameTitleHeight(textHeight), 7, 5, 7};
  SetFourItems(s, s->atoms[AtomQxBorderSizes], items);
}

void ConstrainToWorkArea(int rect[4], const int oldArea[4], const int newArea[4], int constrain,
                         int titleHeight) {
  int w = rect[2] - rect[0], h = rect[3] - rect[1];
  int x = rect[0] + newArea[0] - oldArea[0];
  int y = rect[1] + newArea[1] - oldArea[1];
  const int x1 = newArea[0], y1 = newArea[1], x2 = newArea[2], y2 = newArea[3];
  if (constrain) {
    if (x - 10 >= x2 + 2) x = x2 - 8;
    if (x + w + 10 < x1) x = x1 - (w - 10);
    if (y - 10 >= y2 + 2) y = y2 - 8;
    if (y + h + 10 < y1) y = y1 + (10 - h);
    if (x + w > x2 + 2) {
      if (w > x2 - x1) {
        x = x1;
        w = x2 - x1;
      } else {
        x = x2 - w;
      }
    }
    if (y + h > y2 + 2) {
      if (h > y2 - y1) {
        y = y1;
        h = y2 - y1;
      } else {
        y = y2 - h;
      }
    }
  } else {
    y = std::max(y, y1);
    if (x + w - 32 < x1) x = x1 - (w - 32);
    if (x + 32 > x2) x = x2 - 32;
    if (y + titleHeight + 1 > y2) y = y2 - (titleHeight + 1);
  }
  rect[0] = x;
  rect[1] = y;
  rect[2] = x + w;
  rect[3] = y + h;
}

void SetWorkArea(ManagerState* s, int x1, int y1, int x2, int y2) {
  if (x2 <= x1 || y2 <= y1) return;
  const int oldArea[4] = {s->workArea[0], s->workArea[1], s->workArea[2], s->workArea[3]};
  const int newArea[4] = {x1, y1, x2, y2};
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) {
    const int constrain = s->constrainedMode && !m->notConstrained;
    const int title = m->top - m->left;
    const int oldW = m->width, oldH = m->height;
    if (m->maximized) {
      ConstrainToWorkArea(m->normal, oldArea, newArea, constrain, title);
      const int b = m->outlineWidth;
      PlaceFrame(m, x1 - 1, y1 - 1, x2 + b + 1, y2 + b + 1);
    } else {
      int r[4] = {m->x, m->y, m->x + m->width, m->y + m->height};
      ConstrainToWorkArea(r, oldArea, newArea, constrain, title);
      std::copy(r, r + 4, m->normal);
      PlaceFrame(m, r[0], r[1], r[2], r[3]);
    }
    if (oldW == m->width && oldH == m->height) SendSyntheticConfigure(m);
  }
  std::copy(newArea, newArea + 4, s->workArea);
  SetWorkAreaProperty(s);
  if (s->desktopWindow) XClearArea(s->sdk.display, s->sdk.root, 0, 0, 0, 0, True);
}

int IsSpecialApplicationClass(const std::string& key) {
  static const struct {
    const char* prefix;
    size_t length;
  } kSpecial[] = {{"Netscape", 8}, {"XV", 2},     {"xv", 2},     {"AWTapp", 6},
                  {"VendorShell", 11}, {"TopLevelShell", 11}, {"Wfcmgr", 6}, {"Wfica", 5},
                  {"ZE3270", 6}, {"QW5250", 6}, {"DAReve", 6}, {"xpdf", 4}};
  for (const auto& s : kSpecial)
    if (key.compare(0, s.length, s.prefix, s.length) == 0 && key.size() >= s.length) return 1;
  return 0;
}

void FindOrAddClassRecord(ManagerState* s, const std::string& key, const ClassRecord& update) {
  ClassRecord* r = Find(s, key);
  if (!r) {
    r = new ClassRecord();
    CopyValues(r, update);
    if (IsSpecialApplicationClass(key)) r->geometryValid = 0;
    r->key = key;
    r->next = s->classRecords;
    s->classRecords = r;
    return;
  }
  if (update.geometryValid && !IsSpecialApplicationClass(key)) {
    r->geometryValid = 1;
    r->x1 = update.x1;
    r->y1 = update.y1;
    r->x2 = update.x2;
    r->y2 = update.y2;
    r->maximized = update.maximized;
  }
  if (update.pixmapsValid) {
    if (update.pixmapsValid != 2 && r->pixmapsValid) {
      if (r->iconPixmap) XFreePixmap(s->sdk.display, r->iconPixmap);
      if (r->iconMask) XFreePixmap(s->sdk.display, r->iconMask);
    }
    r->pixmapsValid = 1;
    r->iconPixmap = update.iconPixmap;
    r->iconMask = update.iconMask;
  }
  if (update.restoreFlagsValid) {
    r->restoreFlagsValid = 1;
    r->restoreSize = update.restoreSize;
    r->restorePosition = update.restorePosition;
  }
}

int LookupClassRecord(ManagerState* s, const std::string& key, ClassRecord* out) {
  const ClassRecord* r = Find(s, key);
  if (!r) return 0;
  CopyValues(out, *r);
  return 1;
}

int ParseClassGeometry(ManagerState* s, const char* name, const char* value) {
  if (!name || !value || std::strncmp(name, "class/", 6) != 0 || !name[6]) return 0;
  if (std::strlen(name + 6) > 249) return 0;
  int v[5];
  char tail = 0;
  if (std::sscanf(value, "%d,%d,%d,%d,%d%c", &v[0], &v[1], &v[2], &v[3], &v[4], &tail) != 5) return 0;
  ClassRecord update = {};
  update.geometryValid = 1;
  update.x1 = v[0];
  update.y1 = v[1];
  update.x2 = v[2];
  update.y2 = v[3];
  update.maximized = v[4] != 0;
  FindOrAddClassRecord(s, name + 6, update);
  return 1;
}

void FreeClassRecords(ManagerState* s) {
  while (ClassRecord* r = s->classRecords) {
    s->classRecords = r->next;
    delete r;
  }
}

void SaveClassGeometry(ManagerState* s, QXRegObject* object) {
  for (const ClassRecord* r = s->classRecords; r; r = r->next) {
    if (!r->geometryValid || r->key.size() > 249) continue;
    char value[64];
    std::snprintf(value, sizeof value, "%d,%d,%d,%d,%d", r->x1, r->y1, r->x2, r->y2, r->maximized ? 1 : 0);
    // A key the registry cannot hold (a line end, blanks at its end) is
    // not remembered.
    QXRegSetStringValue(object, ("class/" + r->key).c_str(), value);
  }
}

void LoadClassGeometry(ManagerState* s, const QXRegObject* object) {
  const char* name = nullptr;
  const char* value = nullptr;
  for (int i = 0; QXRegEnumObject(object, i, &name, &value) == QXRegOk; ++i)
    if (std::strncmp(name, "class/", 6) == 0) ParseClassGeometry(s, name, value);
}
