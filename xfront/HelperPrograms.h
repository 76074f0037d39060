#pragma once
// What the session windows keep about the desktop's helper programs: the
// one-byte state properties on the root window, the ClientMessages sent to a
// helper, and the preferences program, which serves every session of the
// process.
#include <X11/Xlib.h>

#include <memory>
#include <string>

struct HelperConnection;

// The helpers that one session at a time may own.
enum class HelperKind : int { KeypadCustomizer = 0, KeyboardRemapper, PlaybackEditor, ColorMapper, Count };

// Per session and helper: `owner` (this session started the helper that runs
// and may talk to it), `startedHere` (this session set the helper's root
// state), and the helper's window as its connect message gave it.
struct HelperSessionState {
  bool owner = false;
  bool startedHere = false;
  Window window = 0;
  // The loopback connection, made on the helper's connect message.
  std::shared_ptr<HelperConnection> connection;
  // Keyboard mapper: the translation table it sent last ("" for none).
  std::string translations;
};

// The message that tells a helper that its session ends: 21 for the keypad
// customiser and the keyboard remapper, 22 for the playback editor, 5 for the
// colour mapper.
int HelperSessionEndCode(HelperKind kind);

// The interface atom (message type) and the state atom of a helper, from the
// atoms interned at start-up.
Atom HelperInterfaceAtom(HelperKind kind);
Atom HelperStateAtom(HelperKind kind);

// Sends a helper its sub-command: format 32, the code in the top byte of
// the first 32-bit word (the colour mapper takes the code as the whole
// word), propagate true, no event mask; then flushes. Nothing for window 0.
void SendHelperMessage(Display* display, Window window, HelperKind kind, int code);

// The state byte of a helper on the default root window: the first byte of
// the property, '1' when it cannot be read or does not exist.
unsigned char GetAppState(Atom atom, Display* display);
// Replaces the property with the state and a NUL (STRING, format 8).
void SetAppState(Atom atom, Display* display, unsigned char state);

// The preferences program of the process: whether a session started it, and
// its window (from its connect message).
bool PreferencesProgramStarted();
void SetPreferencesProgramStarted(bool started);
Window PreferencesProgramWindow();
void SetPreferencesProgramWindow(Window window);

// One message to the preferences program's window: code, id and value in
// the three top bytes of the first 32-bit word, `extra` (a window) in the
// second word when not 0. Nothing while no window is known.
void sendMsgToDrevask(Display* display, unsigned char code, unsigned char id, unsigned char value,
                      unsigned long extra);
