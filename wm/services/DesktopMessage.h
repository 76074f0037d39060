#pragma once
// A message to the user on the desktop window: any active box is popped
// down and a box with the text and one "Ok" button shown. The text is also
// logged on standard error as "<program>: <message id>: <text>".
struct ScreenHub;

void ShowDesktopMessage(ScreenHub* state, const char* text, const char* messageId);
