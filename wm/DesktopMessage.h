#pragma once
// A message to the user on the desktop window (the message box with one
// "Ok" button). Until the SDK's message boxes are drawn, the text goes to
// standard error as "<program>: <message id>: <text>".
struct ScreenState;

void ShowDesktopMessage(ScreenState* state, const char* text, const char* messageId);
