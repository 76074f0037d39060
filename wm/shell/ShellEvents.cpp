#include "wm/shell/ShellEvents.h"

namespace {

ShellEvents events;

}  // namespace

void SetShellEvents(const ShellEvents& e) { events = e; }
const ShellEvents& TheShellEvents() { return events; }
