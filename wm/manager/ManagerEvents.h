#pragma once
// What the window manager tells the parts of Teldra above it, and the texts
// it takes from them. The session connects them at start-up; until then
// nothing is told and the window menu's labels are empty.
struct ManagedWindow;
struct ManagerState;

struct ManagerEvents {
  // A client was taken under management (the programs waiting for a window
  // of its class learn that it came).
  void (*windowManaged)(ManagerState* state, const ManagedWindow* window) = nullptr;
  // The stacking order of the frames changed.
  void (*stackingChanged)(ManagerState* state) = nullptr;
  // Clients are being let go at the session's end: told while Teldra waits
  // for them and once they are gone.
  void (*releasingClients)() = nullptr;
  // The label of a window menu entry (WindowMenuAction).
  const char* (*windowMenuLabel)(int action) = nullptr;
};

void SetManagerEvents(const ManagerEvents& events);
const ManagerEvents& TheManagerEvents();
