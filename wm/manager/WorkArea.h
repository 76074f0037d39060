#pragma once
// The work area that the desktop bars leave free, the root properties that
// tell other programs about it and about the frame sizes, and the geometry
// remembered per window class.
#include <string>

struct QXRegObject;
struct ManagerState;

// One record per class key.
struct ClassRecord {
  int geometryValid;
  int pixmapsValid;
  int restoreFlagsValid;
  int x1, y1, x2, y2;  // the frame's normal rectangle
  int maximized;
  unsigned long iconPixmap, iconMask;
  int restoreSize, restorePosition;
  std::string key;
  ClassRecord* next;
};

// "_WIN_WORKAREA": x1, y1, x2, y2 of the work area.
void SetWorkAreaProperty(ManagerState* state);
// "_QX_BORDER_SIZES": top (title bar included), bottom, left, right of a
// decorated frame.
void SetBorderSizesProperty(ManagerState* state);
// A new work area: every client is moved into it (maximised ones fill it).
void SetWorkArea(ManagerState* state, int x1, int y1, int x2, int y2);
// Moves one rectangle (left, top, right, bottom) from the old work area to
// the new one.
void ConstrainToWorkArea(int rect[4], const int oldArea[4], const int newArea[4], int constrain,
                         int titleHeight);

int IsSpecialApplicationClass(const std::string& key);
// Merges `update` (its key and link ignored) into the record of `key`.
void FindOrAddClassRecord(ManagerState* state, const std::string& key, const ClassRecord& update);
// Copies the record of `key` into *out; 0 when there is none.
int LookupClassRecord(ManagerState* state, const std::string& key, ClassRecord* out);
// A remembered geometry value "x1,y1,x2,y2,maximised" named "class/KEY";
// 0 when the name or the value does not parse.
int ParseClassGeometry(ManagerState* state, const char* name, const char* value);
void FreeClassRecords(ManagerState* state);
// Writes every remembered geometry into the preferences object as
// "class/KEY" = "x1,y1,x2,y2,maximised"; reads back those of an object.
void SaveClassGeometry(ManagerState* state, QXRegObject* object);
void LoadClassGeometry(ManagerState* state, const QXRegObject* object);
