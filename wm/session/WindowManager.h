#pragma once
// Teldra's start-up, session start and the callbacks the SDK calls.
#include <X11/Xlib.h>

struct ScreenState;
struct SdkScreen;

// The program: 1 when another window manager runs or the display cannot be
// opened; otherwise it returns only when the loop ends.
int WindowManagerMain(int argc, char** argv);
void StartSession(ScreenState* state);

void InternWindowManagerAtoms(Display* display, ScreenState* state);
void CleanRootProperties(ScreenState* state);
unsigned int GetModifierMask(ScreenState* state, KeySym k1, KeySym k2, KeySym k3, KeySym k4);
void LoadDesktopPreferences(ScreenState* state);
// The user's web folder: the registry entry "documents/public_html" linked
// to $HOME/public_html, made on the first session.
void CreatePublicHtmlFolder(ScreenState* state);
// Sends the lock program's notice signal (SIGUSR1) once per process to the
// pid in QX_NOTIFY_PID; a pid of 1 or less (every process, init) is refused.
void NotifyLockProgram();
// The pid that QX_NOTIFY_PID's text names, or 0 when it names none that may
// be signalled (not a whole decimal number, or 1 or less).
int LockProgramPid(const char* text);

void MainLoopHead(SdkScreen* screen);
void HandleUnknownEvent(SdkScreen* screen, XEvent* event);
void HandleEnterLeave(SdkScreen* screen, XEvent* event);
void MessageBoxResetFocus(SdkScreen* screen);
