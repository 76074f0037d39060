#include "session/PreDispatch.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <Xm/Xm.h>

#include <map>
#include <utility>

#include "display/DisplayBag.h"
#include "display/DisplayIndicators.h"
#include "keyboard/TAXlate.h"
#include "session/AppInit.h"
#include "session/KeyGlue.h"
#include "session/Language.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"

namespace {

constexpr int kMotifTranslator = 1, kToolkitTranslator = 0;
int g_translator = kMotifTranslator;
unsigned long g_translatorChanges = 0;
// The focus is asked again only after a focus change.
bool g_focusStale = true;
bool g_sessionFocused = false;

bool SessionHasFocus(Display* d) {
  Window focus = None;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  if (focus == None || focus == PointerRoot) return false;
  const int sessions = getNumberOfSessions();
  for (int slot = 0, seen = 0; slot < kMaxSessionSlots && seen < sessions; ++slot) {
    const SessionTableEntry* e = SessionEntry(slot);
    if (!e || !e->session) continue;
    ++seen;
    Widget drawing = e->session->xstuff.x_get_text_widget();
    if ((drawing && XtWindow(drawing) == focus) || (e->shell && XtWindow(e->shell) == focus)) return true;
  }
  return false;
}

KeySym LookUp(XKeyEvent* key) {
  char buffer[78];
  KeySym keysym = NoSymbol;
  XLookupString(key, buffer, sizeof buffer, &keysym, nullptr);
  return keysym;
}

void ShowShift(SessionControlBlock* s, bool on) {
  Indicators& i = s->display->indicators().current();
  const unsigned int before = i.get();
  if (on)
    i.set(Indicators::kShift);
  else
    i.reset(Indicators::kShift);
  if (s->xstuff.shell()) s->xstuff.x_shiftkey(on ? 1 : 0);
  if (i.get() != before) s->display->outputChanges();
}

void ShowCaps(SessionControlBlock* s, bool on) {
  Indicators& i = s->display->indicators().current();
  const unsigned int before = i.get();
  if (on)
    i.set(Indicators::kCapsLock);
  else
    i.reset(Indicators::kCapsLock);
  if (s->xstuff.shell()) s->xstuff.x_capslock(on ? 1 : 0);
  if (i.get() != before) s->display->outputChanges();
}

void SetLanguageShift(SessionControlBlock* s, bool on) {
  if (!s->taxlate) return;
  s->taxlate->setLanguageShift(on);
  s->display->outputChanges();
}

void ShiftPress(SessionControlBlock* s, KeySym keysym, unsigned int state) {
  s5250_shiftupdate(s, state);
  ShowShift(s, true);
  if (keysym == XK_Shift_L)
    s->leftShiftHeld = 1;
  else
    s->rightShiftHeld = 1;
  if (LanguageShiftSwitch() && (state & Mod1Mask))
    SetLanguageShift(s, keysym == XK_Shift_L ? s->nationalLayer == 0 : s->nationalLayer != 0);
  // Control with the right Shift switches the composition of a Thai
  // session's text on and off.
  if (keysym == XK_Shift_R && s->nationalLayer != 0 && (state & ControlMask) && s->xstuff.shell())
    s->xstuff.x_toggle_thaicompose();
}

void LockPress(SessionControlBlock* s, unsigned int state) {
  s5250_shiftupdate(s, state);
  // The press turns the lock off when it was on.
  const bool on = (state & LockMask) == 0;
  if (CapsLockBehaviour() == 'C') {
    ShowCaps(s, on);
  } else if (on || !s->shiftKeyHeld()) {
    ShowShift(s, on);
  }
}

SessionControlBlock* SessionOf(Widget w) {
  SessionControlBlock* s = FindSessionOfWidget(w);
  return s && s->display ? s : nullptr;
}

void InvertModifiers(Widget w, XtPointer, XEvent* event, Boolean* cont) {
  *cont = True;
  if (event->type != KeyPress && event->type != KeyRelease) return;
  if (SessionControlBlock* s = SessionOf(w)) event->xkey.state ^= s->modifierInversion;
}

void ShiftRelease(Widget w, XtPointer, XEvent* event, Boolean* cont) {
  *cont = True;
  if (event->type != KeyRelease) return;
  SessionControlBlock* s = SessionOf(w);
  if (!s) return;
  const KeySym keysym = LookUp(&event->xkey);
  if (keysym != XK_Shift_L && keysym != XK_Shift_R) return;
  if (keysym == XK_Shift_L)
    s->leftShiftHeld = 0;
  else
    s->rightShiftHeld = 0;
  const unsigned int state = event->xkey.state;
  s5250_shiftupdate(s, state);
  if (!s->shiftKeyHeld() && !(CapsLockBehaviour() == 'S' && (state & LockMask))) ShowShift(s, false);
}

// Xt's dispatchers that ours hand on to, by display and event type.
std::map<std::pair<Display*, int>, XtEventDispatchProc>& PreviousDispatchers() {
  static std::map<std::pair<Display*, int>, XtEventDispatchProc> previous;
  return previous;
}

// Every focus change and key of the display, in whatever loop Xt dispatches
// it (the main loop, a wait for the host, a modal dialog's loop): a focus
// change makes the focus be asked again, and a key is translated by the
// translator of the window that has the focus then. A focus change that
// only a loop other than the main one saw left the Motif translator in
// place, which reads F1 as the help key: Ctrl+F1 of a key file did nothing.
Boolean KeyAndFocusDispatcher(XEvent* event) {
  if (event->type == KeyPress || event->type == KeyRelease)
    SetTranslator();
  else
    g_focusStale = true;
  auto previous = PreviousDispatchers().find({event->xany.display, event->type});
  if (previous == PreviousDispatchers().end() || !previous->second) return False;
  return previous->second(event);
}

void InstallDispatchers(Display* d) {
  for (int type : {KeyPress, KeyRelease, FocusIn, FocusOut, DestroyNotify}) {
    const std::pair<Display*, int> key{d, type};
    if (PreviousDispatchers().count(key)) continue;
    PreviousDispatchers()[key] = XtSetEventDispatcher(d, type, KeyAndFocusDispatcher);
  }
}

void EnterWindow(Widget w, XtPointer, XEvent* event, Boolean* cont) {
  *cont = True;
  if (event->type != EnterNotify) return;
  if (SessionControlBlock* s = SessionOf(w)) s5250_shiftupdate(s, event->xcrossing.state);
}

}  // namespace

void SetTranslator() {
  Widget top = TopLevelWidget();
  if (!top) return;
  Display* d = XtDisplay(top);
  static int sessions = -1;
  const int now = getNumberOfSessions();
  if (g_focusStale || now != sessions) {
    g_sessionFocused = now > 0 && SessionHasFocus(d);
    g_focusStale = false;
    sessions = now;
  }
  const int wanted = g_sessionFocused ? kToolkitTranslator : kMotifTranslator;
  if (wanted == g_translator) return;
  XtSetKeyTranslator(d, wanted == kMotifTranslator ? XmTranslateKey : XtTranslateKey);
  g_translator = wanted;
  ++g_translatorChanges;
}

void PreDispatchProcess(XEvent* event, char* dispatch) {
  if (!event) return;
  if (event->type == FocusIn || event->type == FocusOut || event->type == DestroyNotify) g_focusStale = true;
  if (event->type != KeyPress) return;
  Widget w = XtWindowToWidget(event->xany.display, event->xany.window);
  if (!w) return;
  if (dispatch) *dispatch = 1;
  SessionControlBlock* s = SessionOf(w);
  if (!s) return;
  const KeySym keysym = LookUp(&event->xkey);
  if (keysym == XK_Shift_L || keysym == XK_Shift_R)
    ShiftPress(s, keysym, event->xkey.state);
  else if (keysym == XK_Caps_Lock || keysym == XK_Shift_Lock)
    LockPress(s, event->xkey.state);
}

void InstallPreDispatchHandlers(Widget drawing) {
  if (!drawing) return;
  XtInsertEventHandler(drawing, KeyPressMask | KeyReleaseMask, False, InvertModifiers, nullptr, XtListHead);
  XtAddEventHandler(drawing, KeyReleaseMask, False, ShiftRelease, nullptr);
  XtAddEventHandler(drawing, EnterWindowMask, False, EnterWindow, nullptr);
  InstallDispatchers(XtDisplay(drawing));
  g_focusStale = true;
}

int InstalledKeyTranslator() { return g_translator; }
unsigned long KeyTranslatorChanges() { return g_translatorChanges; }
