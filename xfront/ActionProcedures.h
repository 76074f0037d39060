#pragma once
// The work behind the emulator widget's actions: keystroke codes and typed
// data go to the session's key glue, mouse events to its mouse glue, and the
// local actions work on the session window. Installed when a session window
// is built (again each time, so a detached procedure comes back).
#include <vector>

void InstallEmulatorActionProcedures();

// Parses the parameter of the "hex" action: blanks skipped, an odd number of
// digits gets a leading zero nibble, at most 78 characters read. False for
// any other character or when no byte results.
bool ParseHexParameter(const char* text, std::vector<unsigned char>* bytes);
