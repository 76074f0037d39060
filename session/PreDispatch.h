#pragma once
// The keyboard's look at every X event before Xt dispatches it: the key
// translator that suits the window holding the input focus, and the shift,
// caps-lock and language indicators kept in step with the Shift and lock
// keys at once, before the key is translated. Nothing here swallows an event.
#include <X11/Intrinsic.h>

// Installs the toolkit translator while a session window has the input
// focus, the Motif translator otherwise (the focus is asked again after
// each focus change this process sees). Once a session window exists it is
// also done for every key Xt dispatches, in any event loop.
void SetTranslator();

// Looks at one event before dispatch: the Shift, Caps Lock and Shift Lock
// presses of a session window. *dispatch is left set.
void PreDispatchProcess(XEvent* event, char* dispatch);

// The three handlers of a session's drawing widget: the modifier inversion
// (first of all key handlers), the Shift releases and the pointer entering;
// and, once per display, the dispatchers of keys and focus changes that
// keep the translator right (SetTranslator).
void InstallPreDispatchHandlers(Widget drawing);

// 1 while the Motif translator is installed, 0 for the toolkit's; and how
// often it changed.
int InstalledKeyTranslator();
unsigned long KeyTranslatorChanges();
