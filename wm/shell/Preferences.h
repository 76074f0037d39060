#pragma once
// The user's desktop preferences in the registry object
// "/desktop/preferences": written back when the user changes one of them
// from Teldra's menus.
struct ShellState;

// Writes the five preferences the menus change (only those that differ
// from what is stored) and the remembered class geometry.
void SaveDesktopPreferences(ShellState* state);
