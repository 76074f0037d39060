#pragma once
// The master's table of sessions: creating a session from its options,
// completing its connection, ending sessions, and finding the session of a
// widget.
#include <X11/Intrinsic.h>

#include <string>

#include "session/DialogTypes.h"

struct SessionStartOptions;
struct Geometry;
class SessionControlBlock;
class EventSources;

constexpr int kMaxSessionSlots = 99;

struct SessionTableEntry {
  Widget shell = nullptr;        // null: entry free
  int socket = 0;                // the connection's descriptor, or the negative connect result
  SessionControlBlock* session = nullptr;
  int sequence = 0;              // creation sequence number
  int instance = 0;              // per-host instance number, from 1
  unsigned char bottomUp = 1;    // 1 when the slot was chosen from the bottom
  unsigned char connected = 0;   // 1 once the connection was completed
};

// In the master: creates the session under this process and returns 0. In
// any other process the options are handed to the master (1).
int createSession(const SessionStartOptions& options);

// Creates the session or reports why not. Without a host name it opens the
// start-session dialog with the other options, which calls back here.
void createSessionUnderThisProcess(const SessionStartOptions& options, ColorOptions* colors,
                                   XmRenderTable* renderTable);

// The options a session was created with (null for a free slot).
const SessionStartOptions* SessionStartOptionsOf(int slot);
// A new session in this process with all the options of the session in
// `slot` and `geometry`, without a start-up playback file.
void createSessionFromSession(int slot, const Geometry& geometry);

// Completes the connection of the session in `slot` (the timer 100 ms after
// creation, and every reconnection). Does nothing for a free entry.
void finishCreateSessionUnderThisProcess(int slot);

// Ends one session; when none is left and no dialog is open, the master ends
// with `status`. A block that is not in the table is left alone.
void EndSession(SessionControlBlock* block, int status);
// Ends every session.
void EndSessions(int status);

int getNumberOfSessions();

// The entry of a slot (null outside 0-98).
const SessionTableEntry* SessionEntry(int slot);
// The slot of session number `number` (1-99: each new session takes the
// lowest number free), or -1 when no session has it.
int SlotOfSessionNumber(int number);
// The inactivity reconnection puts the entry back to its state at creation.
void ResetSessionEntryForReconnection(int slot);

// The session of a widget of a session window. Halts (module 256) for a
// widget of no session: callers pass only session widgets.
SessionControlBlock* getSCBPointer(Widget w);
// 1 when the widget belongs to a session's window, else 0.
int isAssociatedWithASession(Widget w);
// The session of a widget, or null.
SessionControlBlock* FindSessionOfWidget(Widget w);

// The main loop counts each X event of a session.
void NoteSessionEvent(Widget w);

// What a session's dialog does on OK or Cancel (options 1 and 2); the
// dialog's parent names the session. A session that ended meanwhile, or a
// retry dialog that is not the session's any more, is left alone.
void SessionDialogAction(Widget parent, int dialogSlot, int dialogOptions, bool ok);

// The event loop that sessions use: the master's Xt loop unless a test set
// another.
EventSources& SessionEventSources();
void SetSessionEventSources(EventSources* sources);

// The record of a session-started (1) or session-ended (0) event for the
// programming interface: type; slot, 32-bit; length n, 32-bit; the host name
// followed by the instance number in decimal.
std::string SessionEventRecord(unsigned char type, int slot, const char* host, int instance);
// Where those records go (the programming interface registers itself).
using SessionEventSink = void (*)(SessionControlBlock* block, const std::string& record);
void SetSessionEventSink(SessionEventSink sink);
