#pragma once
// SDK message boxes: a centred box with wrapped text and one ("Ok") or two
// ("Yes"/"No") buttons. One box at a time per screen; a system-modal box
// takes the grab stack. The box window is named after the message id.
// Closing a box calls the screen's messageBoxResetFocus hook, then the
// answer callback (1 for the first button or Return, 0 for the second or
// Escape; a box popped down by the program answers nothing).
struct SdkScreen;
struct SimpleWindow;

typedef void (*MessageBoxProc)(void* closure, int answer);

SimpleWindow* CreateMessageBox(SdkScreen* screen, const char* text, const char* button,
                               const char* messageId, int systemModal);
SimpleWindow* CreateYesNoMessageBox(SdkScreen* screen, const char* text, const char* yes,
                                    const char* no, MessageBoxProc proc, void* closure,
                                    const char* messageId, int systemModal);
int MessageBoxActive(SdkScreen* screen);
// The text the open box shows, its lines joined by '\n', cut to size - 1
// bytes and NUL-terminated; returns the full length, 0 when no box is open.
int MessageBoxText(SdkScreen* screen, char* buffer, int size);
void PopDownMessageBox(SdkScreen* screen);
