#pragma once
// The keyboard's look at every X event before Xt dispatches it.

typedef union _XEvent XEvent;

// Selects the keyboard translator of the window that holds the input focus.
void SetTranslator();

// Examines one event before Xt dispatch; clears *dispatch when the event was
// consumed here, leaves it alone otherwise.
void PreDispatchProcess(XEvent* event, char* dispatch);
