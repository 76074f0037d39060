#pragma once
// The app-started flag: one byte in a System V shared-memory segment that a
// helper program sets once its window is up, so that the session knows when
// to take the watch cursor away. The segment is created private to the user
// (mode 0600) on first use.
#include <sys/types.h>

constexpr key_t kAppStartedFlagKey = 54363102;  // 0x033D83DE

// Sets the flag to `value` (set true) or reads it (set false). Returns the
// byte; 1 with a log line when the segment cannot be had, so that nobody
// waits for it.
int SetGetAppStartedFlag(bool set, unsigned char value, key_t key = kAppStartedFlagKey);

// The key that the session's watch cursor uses: kAppStartedFlagKey unless
// changed (tests give each process a key of its own).
key_t AppStartedFlagKey();
void SetAppStartedFlagKey(key_t key);
