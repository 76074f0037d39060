#pragma once
// Taking top-level clients under management and following their
// properties.
#include <X11/Xlib.h>

#include <string>

struct ManagerState;
struct ManagedWindow;

struct MotifHints;

// Takes `window` under management with its class rules, Motif hints,
// transient owner and layer; returns the record, or null when the window is
// refused (gone, override-redirect, InputOnly, already managed). *iconic
// tells whether the client asked to start iconic.
ManagedWindow* ManageWindow(ManagerState* state, Window window, int restoreGeometry,
                            int* iconic = nullptr);
// _MOTIF_WM_HINTS of a window; absent when missing or malformed.
MotifHints ReadMotifHints(ManagerState* state, Window window);
// Adopts every viewable child of the root at session start.
void ManageExistingWindows(ManagerState* state);
// The managed record whose frame or client window is `window`, else null.
ManagedWindow* FindClientByWindow(ManagerState* state, Window window);
// The client's title: _NET_WM_NAME (UTF8_STRING, 8-bit) when valid, else
// WM_NAME (STRING, UTF8_STRING or COMPOUND_TEXT, 8-bit); control characters
// become '?', at most 255 bytes; "" when neither is usable.
std::string ReadClientTitle(ManagerState* state, Window window);
// Follows a PropertyNotify of a managed client.
void HandleClientPropertyChange(ManagerState* state, ManagedWindow* client, Atom atom);
// A ColormapNotify of a client: its colormap is recorded, and the active
// window's colormap is put back when another client's took its place.
void HandleColormapNotify(ManagerState* state, const XColormapEvent& event);
// A FocusIn on a client raises it unless it is already active.
void HandleClientActivate(ManagerState* state, Window window);
// 1 when the client lists WM_SAVE_YOURSELF in WM_PROTOCOLS.
int SupportsSaveYourself(ManagerState* state, ManagedWindow* client);
// Ends the management of every client. close = 1: clients that take
// WM_SAVE_YOURSELF are asked to save first (and waited for a while), every
// client is then closed; close = 0: clients only go back to the root, where
// their frames were, mapped as they were.
void ReleaseAllClients(ManagerState* state, int close);
// Brings forward the first client whose class key is `name`; 1 when found.
int ActivateClientByName(ManagerState* state, const char* name);
// Remembers the normal geometry of every managed top-level client with a
// class key in its class record.
void SaveAllClassGeometry(ManagerState* state);
// WM_CHANGE_STATE from a client asking to be iconified.
void HandleChangeState(ManagerState* state, const XClientMessageEvent& message);
// The synthetic UnmapNotify on the root by which an iconic client withdraws
// (ICCCM 4.1.4): its frame is let go.
void HandleWithdrawRequest(ManagerState* state, const XUnmapEvent& event);
