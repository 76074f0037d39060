#include "wm/services/ServiceEvents.h"

namespace {

ServiceEvents events;

}  // namespace

void SetServiceEvents(const ServiceEvents& e) { events = e; }
const ServiceEvents& TheServiceEvents() { return events; }
