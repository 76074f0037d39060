#pragma once
// The user's master record: which process runs the user's sessions, the
// window that takes start-session messages, and the default host name.
#include <X11/Intrinsic.h>

enum SetGetSharedInfoCommand : int {
  SharedInfoStartUp = 0,         // become the master unless a live one stands in the record
  SharedInfoClear = 1,           // no master
  SharedInfoMasterReady = 2,     // store the master window, mark it ready
  SharedInfoStoreDefaultHost = 3,
  SharedInfoRead = 4,
};

constexpr unsigned kDefaultHostNameSize = 259;  // with the terminator

struct SharedEmulatorInfo {
  unsigned long processId = 0;   // 0: no master
  unsigned long masterWindow = 0;
  unsigned char ready = 0;
  char defaultHostName[kDefaultHostNameSize] = {};
};

// Applies the command and copies the record into `info`. For command 2 the
// caller puts the master window into info.masterWindow, for command 3 the
// host into info.defaultHostName. Returns 0, or -1 when the record cannot be
// had.
int SetGetSharedEmulatorInformation(SetGetSharedInfoCommand command, SharedEmulatorInfo& info);

// True once command 0 made this process the master.
bool IsMasterProcess();

// Event handler on the master window's shell (non-maskable events) for the
// start-session messages of later starts of the program.
void StartSessionMessageHandler(Widget w, XtPointer clientData, XEvent* event, Boolean* cont);
