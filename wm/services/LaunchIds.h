#pragma once
// The 8-byte ids of launched programs and of the launch names that desktop
// programs register: one sequence, so that no two of them are alike.

// The next id.
void NewLaunchId(unsigned char id[8]);
