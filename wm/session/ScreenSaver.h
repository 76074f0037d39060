#pragma once
// The screen saver: the X server decides when it starts (MIT-SCREEN-SAVER)
// and Teldra draws it in its own full-screen window put inside the server's
// saver window. Styles: the animated shaded sphere ("ball", the default),
// a stippled bitmap ("bitmap") and an empty screen ("blank"). The lock
// window animates the sphere too.
#include <X11/Xlib.h>

struct ScreenState;
struct SimpleWindow;
struct SaverStyle;

void StartScreenSaver(ScreenState* state);
void StopScreenSaver(ScreenState* state);
void ResetScreenSaver(ScreenState* state);
// Style name (null: "ball"), timeout in seconds and bitmap file (or null);
// a running saver restarts with them.
void ConfigureScreenSaver(ScreenState* state, const char* style, int timeoutSeconds, const char* bitmapFile);
// 1 when the event was the extension's notice (handled), else 0.
int HandleScreenSaverNotify(ScreenState* state, XEvent* event);

// A style drawing in `window`, animated by a recurring timer of its own.
SaverStyle* CreateSaverStyle(ScreenState* state, const char* name, Pixmap bitmap, Window window);
void DestroySaverStyle(SaverStyle* style);
void SaverStyleExpose(SaverStyle* style);
void SaverStyleTick(SaverStyle* style);
void SaverStyleEvent(SaverStyle* style, XEvent* event);
// The configured style name ("ball" by default) and timeout.
const char* ScreenSaverStyleName();
int ScreenSaverTimeout();
