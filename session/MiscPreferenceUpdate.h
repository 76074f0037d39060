#pragma once
// Applying the miscellaneous preferences to sessions, reading the
// preferences file, and sending the values to the preferences program.
#include <X11/Xlib.h>

class SessionControlBlock;

// Applies one preference to one session (ids above 19 and values out of
// range are ignored).
void UpdateMiscellaneousPreference(SessionControlBlock* scb, unsigned char id, unsigned char value);
// The value of preference `id` that the application resources give.
unsigned char MiscPreferenceResourceValue(unsigned char id);
// Puts the drawing widget's translations in the state the preferences ask
// for: the keyboard mapper's table when it sent one, else the defaults, with
// the Enter key and print key variants over them.
void InstallKeyTranslations(SessionControlBlock* scb);
// Applies the twenty application resources to one session.
void ApplyMiscellaneousPreferences(SessionControlBlock* scb);
// The same for every session of the table.
void ApplyMiscellaneousPreferencesToAllSessions();
// Applies one preference to every session of the table.
void UpdateMiscellaneousPreferenceOfAllSessions(unsigned char id, unsigned char value);
// Reads the preferences file at `path` and applies it to the session. A
// missing file returns 0; a malformed one is logged and not applied (-1).
int ReadMiscellaneousPreferencesFile(SessionControlBlock* scb, const char* path);
// Sends the session's value of every preference to the preferences program,
// one message each, with sub-command `code`.
void SendDrevaskValuesToDrevask(SessionControlBlock* scb, Display* display, unsigned char code);
