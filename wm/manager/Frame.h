#pragma once
// The frame of a managed client: the window that holds the client, draws the
// title bar, border and buttons, turns presses and drags on the decoration
// into window operations, and answers the client's map, unmap, configure and
// destroy events.
#include <X11/Xlib.h>
#include <sys/time.h>

#include <string>

struct ManagerState;
struct SimpleWindow;

// What a point of a frame is over.
enum FrameRegion {
  RegionNone = 0,
  RegionMenuButton = 1,
  RegionMinimizeButton = 2,
  RegionMaximizeButton = 3,
  RegionCloseButton = 4,
  RegionTitle = 5,
  RegionTop = 6,
  RegionBottom = 7,
  RegionRight = 8,
  RegionLeft = 9,
  RegionTopLeft = 10,
  RegionTopRight = 11,
  RegionBottomLeft = 12,
  RegionBottomRight = 13,
  RegionClient = 14,
  RegionKeyboardSize = 15,
};

struct ManagedWindow {
  ManagerState* state;
  SimpleWindow* frame;  // the SDK record of the frame window
  ManagedWindow* next;  // the state's list of managed windows
  Window client;        // 0 once the client is gone
  int top, bottom, left, right;  // border widths; top includes the title bar
  int outlineWidth;              // 2 with decorations, 0 without
  int x, y, width, height;       // the frame's rectangle
  std::string title;
  std::string iconTitle;
  std::string classKey, realClass;
  int buttonOffset;     // of the 15-pixel buttons inside the title bar
  unsigned functions;   // FrameFunction bits
  int titleNumber;      // " (n)" after a title shared with other frames
  int notConstrained;
  int minimized, maximized, transient, modeless;
  int unmappedByClient;
  int unmapsExpected;  // UnmapNotify events of the client that Teldra's own unmaps cause
  int iconicWithOwner;  // a transient unmapped and iconic while a window it belongs to is minimised
  int resizable;
  int normal[4];  // left, top, right, bottom when neither minimised nor maximised
  int restoreOnMap;
  int clientBorderWidth;  // the client's own, restored on release
  int takesFocus;
  int closeRequested;  // the kill key asked it to close; the next one kills the client
  int focusGiven;
  int buttonsGrabbed;  // the first click into the inactive frame comes to Teldra
  int drawnActive;     // the title bar was last drawn active (1), inactive (0), never (-1)
  Colormap colormap;
  Window iconWindowShown;  // the client's own icon window, mapped on the desktop

  // Pointer work on the decoration.
  int dragMode;       // FrameRegion being pressed or dragged, -1 when none
  int pendingRegion;  // pressed while inactive; the drag starts at the first motion
  int pressX, pressY; // pointer inside the frame at the press
  int pressedButton;  // title button drawn pressed, -1 none, -2 held but outside
  int pointerGrabbed;
  Cursor cursorShown;
  Time lastTitleClick;
  int outline[4];     // the dragged rectangle: left, top, right, bottom
  int outlineDrawn;
  int minWidth, minHeight, maxWidth, maxHeight, widthInc, heightInc;  // frame sizes
  int keyboardDrag;   // a move or size from the window menu runs (keys drive it)
  int startPointer[2];  // root position of the pointer when the keyboard drag began
  int lastPointer[2];   // the last pointer position of the drag
  int startFrame[4];    // the frame's rectangle when the keyboard drag began

  // Stacking (Stacking.h).
  Window transientFor;
  int layer;
  ManagedWindow* owner;
  ManagedWindow* above;  // neighbours among the owner's transients or the top-level windows
  ManagedWindow* below;
  ManagedWindow* firstTransient;
  int visible;
  struct timeval focusTime;
};

// The frame offsets for a title font of `textHeight` pixels (ascent plus descent).
int FrameTitleHeight(int textHeight);

// A frame with the rectangle left, top, right, bottom (exclusive) in root
// coordinates; the client is not yet reparented. `removed` takes
// FrameFunction bits away. Null when the frame window cannot be made.
ManagedWindow* CreateFrame(ManagerState* state, int left, int top, int right, int bottom,
                           const std::string& title, const std::string& iconTitle, Window client,
                           int transient, int resizable, int decorations, int menuButton,
                           unsigned removed);
// The window's drop-shadow shape, when it has an outline.
void ApplyFrameShape(ManagedWindow* frame);
// The frames' graphics context and default colours, made once.
void EnsureFrameDrawing(ManagerState* state);
// Redraws the decoration.
void RedrawFrame(ManagedWindow* frame);
// The region of a point in frame coordinates.
int FrameHitTest(const ManagedWindow* frame, int x, int y);
// Moves and resizes the frame to left, top, right, bottom and the client to
// the inner rectangle.
void PlaceFrame(ManagedWindow* frame, int left, int top, int right, int bottom);
// Tells the client where it is (ICCCM synthetic ConfigureNotify).
void SendSyntheticConfigure(ManagedWindow* frame);
// WM_STATE: Normal (1), or Iconic (3) while minimised or hidden with its
// minimised owner; no icon window.
void SetWMState(ManagedWindow* frame);
// The number a new frame with `title` gets; renumbers the first one to 1.
int DuplicateTitleNumber(ManagerState* state, const std::string& title);
// " (n)" or "".
std::string FormatTitleSuffix(const ManagedWindow* frame);
// Ends management: a client still there goes back to the root at its
// place with its border width; the frame is destroyed.
void ReleaseFrame(ManagedWindow* frame);
// Destroys the frame and, when still there, the client window.
void DestroyFrame(ManagedWindow* frame);
