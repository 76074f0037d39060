#pragma once
// Bringing up the toolkit and the master process, and the event loop.
#include <X11/Intrinsic.h>

// Installs the error handlers, settles master or client, opens the display
// and the resources, and prepares the master. 0 on success, -1 when this
// process cannot go on (logged).
int initializeApplication(int* argc, char** argv);

// The event loop of the master; does not return.
[[noreturn]] void mainloop(XtAppContext app);
// One turn of the main loop: the next event (waited for) is counted for its
// session, goes past the key translator choice and the keyboard's
// pre-dispatch, and is dispatched.
void DispatchNextEvent(XtAppContext app);

// Null until initializeApplication has created them.
XtAppContext ApplicationContext();
Widget TopLevelWidget();
// The shell whose window other starts of the program address.
Widget MasterWindowShell();

// Atoms interned at start-up.
struct QwAtoms {
  Atom drevaskInterface = None;
  Atom tintwellInterface = None;
  Atom tintwellState = None;
  Atom keymapInterface = None;
  Atom brastorState = None;
  Atom keypadInterface = None;
  Atom keypad3270State = None;
  Atom playbackEditorInterface = None;
  Atom vosmerkState = None;
  Atom workArea = None;
  Atom borderSizes = None;
};
const QwAtoms& ApplicationAtoms();
