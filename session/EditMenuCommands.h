#pragma once
// The Edit menu's Cut, Copy and Paste (menu bar and pop-up menu) of every
// session window: each hands its menu event to the session's display
// station, records it for playback and repaints.

// Attaches the three commands to the session windows' menus.
void AttachEditMenus();
