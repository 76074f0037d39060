#pragma once
// Starting the desktop's helper programs from a session window's menus, or
// bringing forward the one that runs for this session. Each helper runs for
// one session at a time on the whole display; its state is a property of
// the root window ("0" not running, "1" being started, "2" running).
#include "xfront/HelperPrograms.h"

typedef struct _WidgetRec* Widget;
class SessionControlBlock;

// The colour mapper, keyboard mapper, keypad customiser or playback editor
// (`playbackFile`: the file to edit). `item` is the activated menu entry
// (may be null). A program that cannot be started is reported by a dialog
// and a log line naming it, and its state returns to "0".
void StartOrRaiseHelper(SessionControlBlock* scb, HelperKind kind, Widget item, const char* playbackFile = nullptr);
// The preferences program of the process.
void StartOrRaisePreferencesProgram(SessionControlBlock* scb);
// The help topic of what the session is doing: "CPY" text marked, "SCR"
// the print dialog up, "PLY" playing a macro, "REC" recording one, "OVE"
// text assist; null for none (first match wins).
const char* HelpTopicFor(SessionControlBlock* scb);
// A new help viewer; topic may be null. The pid, or -1.
int StartDaltrue(SessionControlBlock* scb, const char* topic);

// Attaches the work of the Options, Help and Command menu items.
void AttachHelperMenus();
