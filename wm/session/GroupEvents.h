#pragma once
// Connects what the window manager and the local services tell and ask
// (ManagerEvents, ServiceEvents) to the desktop shell and the session. Run
// at start-up and when a session starts; running it again changes nothing.
void ConnectGroupEvents();
