#pragma once
// The watch cursor that a session window shows while a helper program
// starts: on the shell of the given widget (or the session's top-level
// shell), until the helper sets the app-started flag, checked every 250 ms.
typedef struct _WidgetRec* Widget;
class SessionControlBlock;

// Nothing while a watch is pending.
void MakeWatchCursorUntilAppStarts(SessionControlBlock* scb, Widget widget);
// Ends a pending watch at once (the helper could not be started).
void EndWatchCursor();
// The widget whose window shows the watch cursor, or null.
Widget WatchCursorWidget();
