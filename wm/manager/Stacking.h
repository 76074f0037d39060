#pragma once
// Teldra's model of the stacking order of the client frames, imposed on the
// X server: frames in layers (a higher layer always above a lower one),
// transients in a tree above their owner, and the focus history that picks
// the active window. An owner is never taken from the window's own tree, so
// a WM_TRANSIENT_FOR cycle leaves the tree a tree.
struct ManagedWindow;
struct ManagerState;

// Enters a new frame at `layer` (a transient of a managed owner takes the
// owner's layer), and takes in the top-level windows that are transients of it.
void StackInsertWindow(ManagedWindow* window, int layer);
// Takes a frame out; its transients take its place in the same order.
void StackRemoveWindow(ManagedWindow* window);
// Makes a transient a top-level window of its layer, with its own transients.
void StackDetachWindow(ManagedWindow* window);
void StackRaiseTree(ManagedWindow* window);
void StackLowerTree(ManagedWindow* window);
// Imposes the model's position of the window's tree on the server.
void RestackWindowTree(ManagedWindow* window);
// Maps or unmaps the window's transients with it. Unmapped with a window
// that is minimised, their clients are iconic too (unmapped, WM_STATE
// Iconic), and normal again when it comes back.
void MapWindowTree(ManagedWindow* window, int map);
// The nearest minimised window of the transient's owners, or null.
ManagedWindow* MinimisedOwner(ManagedWindow* transient);
void NoteWindowFocus(ManagedWindow* window);
void FocusMostRecentWindow(ManagerState* state);
int HasMappedTransient(const ManagedWindow* window);
int IsActiveWindow(const ManagedWindow* window);
ManagedWindow* TopOfWindowTree(ManagedWindow* window);
// The top-level window of the tree that holds `window`.
ManagedWindow* RootOfWindowTree(ManagedWindow* window);
