#pragma once
// The operations on a managed window that the frame buttons, the window
// menu and the desktop apply (with the window's transients carried along),
// the input focus, colormaps and the desktop icons of minimised windows.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

struct ManagedWindow;
struct ManagerState;

void RestoreWindow(ManagedWindow* window);
void MinimizeWindow(ManagedWindow* window);
void MaximizeWindow(ManagedWindow* window);
// WM_DELETE_WINDOW when the client lists it; else the frame and the client
// window are destroyed.
void CloseWindow(ManagedWindow* window);
void RaiseWindow(ManagedWindow* window);
// Remembers the window's normal geometry and maximised state in the
// record of its class (top-level windows with a class key only).
void StoreClassGeometry(ManagedWindow* window);
// 1 when the client lists `protocol` in WM_PROTOCOLS.
int ListsProtocol(ManagerState* state, Window client, Atom protocol);
void LowerWindow(ManagedWindow* window);

ManagedWindow* GetActiveWindow(ManagerState* state);
// The lowest frame in the server's stacking order that is not minimised.
ManagedWindow* FindBottomWindow(ManagerState* state);
// Gives the focus to the active window's client.
void SetFocusWindow(ManagerState* state);
void RedrawFramesAndFocus(ManagerState* state);

void InstallWindowColormap(ManagerState* state, ManagedWindow* window);
void InstallClientColormap(ManagerState* state, Colormap colormap);
void ScreenSystemColormap(ManagerState* state);
void ScreenRevertColormap(ManagerState* state);

// Lays out the icons of minimised windows in the work area: mode 0 draws
// them (clipped to `region` when given) and returns null; mode 1 returns the
// window whose icon holds the root point x, y.
ManagedWindow* DrawDesktopIcons(ManagerState* state, int mode, int x, int y, Region region = nullptr);
void DrawDesktopIconsNow(ManagerState* state);
ManagedWindow* FindDesktopIconAt(ManagerState* state, int x, int y);
// Draws the icons at once, or clears the root with exposures.
void RedrawDesktop(ManagerState* state, int now);

// The desktop window's requests for windows that are not managed yet.
void HandleDesktopMapRequest(ManagerState* state, XEvent* event);
