#pragma once
// The pointer on a frame's decoration: presses on the title bar, buttons
// and edges, drags that move or resize the frame, and the cursors shown.
#include <X11/Xlib.h>

struct ManagedWindow;
struct SimpleWindow;

// The frame's handler slots for presses, releases and motion.
int FrameButtonPressHandler(SimpleWindow* frame, XEvent* event);
int FrameButtonReleaseHandler(SimpleWindow* frame, XEvent* event);
int FrameMotionHandler(SimpleWindow* frame, XEvent* event);

// The grab cursor for the drag or pending press; the hover cursor for a
// point of the frame; a cursor shown only when it changes.
Cursor FrameCursorForRegion(ManagedWindow* frame);
void UpdateHoverCursor(ManagedWindow* frame, int x, int y);
void ShowFrameCursor(ManagedWindow* frame, Cursor cursor);
// A drag of the frame's drag mode: the size limits from the client's
// WM_NORMAL_HINTS, the outline and the pointer grab.
void StartRubberBand(ManagedWindow* frame);
// Draws or (drawn again) removes the outline of a resize on the root.
void DrawOutline(ManagedWindow* frame);
void EndRubberBand(ManagedWindow* frame);

// A move (RegionTitle) or a size (RegionKeyboardSize) from the window menu:
// the pointer is warped into the frame and keys drive the drag.
void StartKeyboardDrag(ManagedWindow* frame, int mode);
// A key during a keyboard drag: arrows move (or, sizing, first choose an
// edge, then a corner), Return applies the outline, Escape gives it up.
void MoveResizeClientInteractive(ManagedWindow* frame, KeySym keysym);
// Ends a keyboard drag as Escape would, leaving the pointer where it is.
void AbortMoveResize(ManagedWindow* frame);
