#include "wm/manager/ManagerEvents.h"

namespace {

ManagerEvents events;

}  // namespace

void SetManagerEvents(const ManagerEvents& e) { events = e; }
const ManagerEvents& TheManagerEvents() { return events; }
