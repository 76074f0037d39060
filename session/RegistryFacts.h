#pragma once
// Facts about the terminal read once from the registry at start-up.

// Reads the MAC address, adapter type and keyboard id; always returns 0.
int GetRegistryInformation();

const char* GetMACAddress();  // 12 characters, or null when unknown
int running_on_ethernet();
int running_on_tokenring();
int running_on_twinax();
int WhichKeyboard();
int is5250Keyboard(int id);
const char* getLangOfKeyboard();
// The name of a known keyboard id ("German 102"), or null.
const char* KeyboardName(int id);
// 'S' when the lock key of this keyboard acts as shift lock, else 'C'.
char LockKeyModeOfKeyboard(int id);
// The process-wide lock-key mode: 'S' (shift lock) for a 5250 keyboard or a
// keyboard whose lock key is a shift lock, else 'C' (caps lock).
char LockKeyMode();
