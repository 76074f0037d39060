#include "session/MasterRecord.h"

#include <unistd.h>

#include <cstring>

#include "base/ErrorHalt.h"

// This process keeps the record to itself: every start becomes the master of
// its own sessions, and no other start hands sessions to it.
namespace {
SharedEmulatorInfo g_record;
bool g_master = false;

void ClearRecordAtExit() {
  SharedEmulatorInfo info;
  SetGetSharedEmulatorInformation(SharedInfoClear, info);
}
}  // namespace

int SetGetSharedEmulatorInformation(SetGetSharedInfoCommand command, SharedEmulatorInfo& info) {
  switch (command) {
    case SharedInfoStartUp:
      if (g_record.processId == 0) {
        g_record.processId = static_cast<unsigned long>(getpid());
        g_record.masterWindow = 0;
        g_record.ready = 0;
      }
      if (g_record.processId == static_cast<unsigned long>(getpid()) && !g_master) {
        g_master = true;
        SetExitMasterCleanup(ClearRecordAtExit);
      }
      break;
    case SharedInfoClear:
      g_record.processId = 0;
      g_record.masterWindow = 0;
      g_record.ready = 0;
      break;
    case SharedInfoMasterReady:
      g_record.masterWindow = info.masterWindow;
      g_record.ready = 1;
      break;
    case SharedInfoStoreDefaultHost:
      std::memcpy(g_record.defaultHostName, info.defaultHostName, sizeof g_record.defaultHostName);
      g_record.defaultHostName[sizeof g_record.defaultHostName - 1] = '\0';
      break;
    case SharedInfoRead:
      break;
    default:
      return -1;
  }
  info = g_record;
  return 0;
}

bool IsMasterProcess() { return g_master; }

void StartSessionMessageHandler(Widget, XtPointer, XEvent*, Boolean* cont) {
  // No other process hands sessions to this one yet: every event goes on.
  if (cont) *cont = True;
}
