#include "keyboard/PreDispatch.h"

// No session has a keyboard translator yet: nothing is selected and every
// event goes on to Xt.
void SetTranslator() {}

void PreDispatchProcess(XEvent* /*event*/, char* /*dispatch*/) {}
