#include "xfront/HelperPrograms.h"

#include <X11/Xatom.h>

#include "session/AppInit.h"
#include "base/LogMsg.h"

namespace {

bool g_preferencesStarted = false;
Window g_preferencesWindow = 0;

void SendClientMessage(Display* display, Window window, Atom type, long word0, long word1) {
  if (!display || !window || type == None) return;
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.display = display;
  event.xclient.window = window;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = word0;
  event.xclient.data.l[1] = word1;
  XSendEvent(display, window, True, NoEventMask, &event);
  XFlush(display);
}

}  // namespace

int HelperSessionEndCode(HelperKind kind) {
  switch (kind) {
    case HelperKind::PlaybackEditor: return 22;
    case HelperKind::ColorMapper: return 5;
    default: return 21;
  }
}

Atom HelperInterfaceAtom(HelperKind kind) {
  const QwAtoms& a = ApplicationAtoms();
  switch (kind) {
    case HelperKind::KeypadCustomizer: return a.keypadInterface;
    case HelperKind::KeyboardRemapper: return a.keymapInterface;
    case HelperKind::PlaybackEditor: return a.playbackEditorInterface;
    case HelperKind::ColorMapper: return a.tintwellInterface;
    default: return None;
  }
}

Atom HelperStateAtom(HelperKind kind) {
  const QwAtoms& a = ApplicationAtoms();
  switch (kind) {
    case HelperKind::KeypadCustomizer: return a.keypad3270State;
    case HelperKind::KeyboardRemapper: return a.brastorState;
    case HelperKind::PlaybackEditor: return a.vosmerkState;
    case HelperKind::ColorMapper: return a.tintwellState;
    default: return None;
  }
}

void SendHelperMessage(Display* display, Window window, HelperKind kind, int code) {
  const long word0 = kind == HelperKind::ColorMapper ? code : static_cast<long>(static_cast<unsigned>(code & 0xFF) << 24);
  if (DebugFlag()) LogMsg(LevelDebug, "Sending message %d to helper window %lu.\n", code, window);
  SendClientMessage(display, window, HelperInterfaceAtom(kind), word0, 0);
}

unsigned char GetAppState(Atom atom, Display* display) {
  if (!display || atom == None) return '1';
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, 1, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) != Success) {
    return '1';
  }
  unsigned char state = '1';
  if (data && type != None && format == 8 && count >= 1) state = data[0];
  if (data) XFree(data);
  return state;
}

void SetAppState(Atom atom, Display* display, unsigned char state) {
  if (!display || atom == None) return;
  const unsigned char value[2] = {state, 0};
  XChangeProperty(display, DefaultRootWindow(display), atom, XA_STRING, 8, PropModeReplace, value, 2);
  XFlush(display);
}

bool PreferencesProgramStarted() { return g_preferencesStarted; }
void SetPreferencesProgramStarted(bool started) { g_preferencesStarted = started; }
Window PreferencesProgramWindow() { return g_preferencesWindow; }
void SetPreferencesProgramWindow(Window window) { g_preferencesWindow = window; }

void sendMsgToDrevask(Display* display, unsigned char code, unsigned char id, unsigned char value,
                      unsigned long extra) {
  const long word0 = static_cast<long>((static_cast<unsigned long>(code) << 24) |
                                       (static_cast<unsigned long>(id) << 16) |
                                       (static_cast<unsigned long>(value) << 8));
  SendClientMessage(display, g_preferencesWindow, ApplicationAtoms().drevaskInterface, word0,
                    static_cast<long>(extra & 0xFFFFFFFFul));
}
