#pragma once
// Resource databases that the desktop publishes in root-window properties:
// "name: value" lines, one per resource, in the order added (a name added
// again replaces its value).
#include <X11/Xlib.h>

struct QXResourceDB;

QXResourceDB* QXResourceDBCreate();
// 0, or -1 for a name or value that would break the line format.
int QXResourceDBAddString(QXResourceDB* db, const char* name, const char* value);
// Writes the database as a STRING property of the root window.
int QXResourceDBSave(QXResourceDB* db, Display* display, Window root, Atom property);
void QXResourceDBFree(QXResourceDB* db);
// The text the database saves.
const char* QXResourceDBText(QXResourceDB* db);
