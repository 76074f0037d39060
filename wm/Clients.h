#pragma once
// Taking top-level clients under management and following their
// properties.
#include <X11/Xlib.h>

#include <string>

struct ScreenState;
struct ManagedWindow;

// Takes `window` under management; returns the record, or null when the
// window is refused (gone, override-redirect, InputOnly, already managed).
ManagedWindow* ManageWindow(ScreenState* state, Window window, int restoreGeometry);
// Adopts every viewable child of the root at session start.
void ManageExistingWindows(ScreenState* state);
// The managed record whose frame or client window is `window`, else null.
ManagedWindow* FindClientByWindow(ScreenState* state, Window window);
// The client's title: _NET_WM_NAME (UTF8_STRING, 8-bit) when valid, else
// WM_NAME (STRING, UTF8_STRING or COMPOUND_TEXT, 8-bit); control characters
// become '?', at most 255 bytes; "" when neither is usable.
std::string ReadClientTitle(ScreenState* state, Window window);
// Follows a PropertyNotify of a managed client.
void HandleClientPropertyChange(ScreenState* state, ManagedWindow* client, Atom atom);
// Asks the client to close with WM_DELETE_WINDOW when it lists it in
// WM_PROTOCOLS, else kills its connection.
void CloseWindow(ManagedWindow* client);
