#pragma once
// The user's master record: which process runs the user's sessions, the
// window that takes start-session messages, and the default host name. It
// lives in System V shared memory (see SharedMemory.h) and outlives the
// master; a record whose process died or whose window is gone is stale and
// the next start takes it over.
#include <X11/Intrinsic.h>

struct SessionStartOptions;

enum SetGetSharedInfoCommand : int {
  SharedInfoStartUp = 0,         // become the master unless a live one stands in the record
  SharedInfoClear = 1,           // no master (only the master's own record is cleared)
  SharedInfoMasterReady = 2,     // store the master window, mark it ready
  SharedInfoStoreDefaultHost = 3,
  SharedInfoRead = 4,
};

constexpr unsigned kDefaultHostNameSize = 259;  // with the terminator
constexpr unsigned kMasterRecordBytes = 268;
constexpr unsigned kMasterSegmentBytes = 536;

struct SharedEmulatorInfo {
  unsigned long processId = 0;   // 0: no master
  unsigned long masterWindow = 0;
  unsigned char ready = 0;
  char defaultHostName[kDefaultHostNameSize] = {};
};

// Applies the command and copies the record into `info`. For command 2 the
// caller puts the master window into info.masterWindow, for command 3 the
// host into info.defaultHostName. Returns 0, or -1 when the record cannot be
// had (or, for command 2, the record is not this process's).
int SetGetSharedEmulatorInformation(SetGetSharedInfoCommand command, SharedEmulatorInfo& info);

// True once this process took the record as the master.
bool IsMasterProcess();

// For a start that found another master: waits (bounded) until that master
// is ready and its window exists on `display`. A master that never gets
// ready or whose window is gone is stale: its record is taken over. Returns
// 1 when this process became the master, 0 when a ready master waits for the
// session, -1 when the record cannot be had (logged).
int SettleMasterAfterDisplayOpen(Display* display);

// Client side of createSession: writes the options into a hand-off block,
// tells the master and waits for its acknowledgement. Returns 1 when the
// master took the session; otherwise logs why and ends the process with
// exit code 1.
int HandSessionToMaster(Display* display, const SessionStartOptions& options);

// Event handler on the master window's shell (non-maskable events) for the
// start-session messages of later starts of the program.
void StartSessionMessageHandler(Widget w, XtPointer clientData, XEvent* event, Boolean* cont);
