#pragma once
// The local services' part of the process's state.
#include "wm/manager/ManagerState.h"

struct CommandService;
struct TempregService;

struct ServiceState : ManagerState {
  CommandService* commandService;  // the "teldra" local service
  int serviceClientSeen;
  int serviceClientCount;
  TempregService* tempreg;
};
