#pragma once
// The messages of the helper programs that reach a session window: the
// ClientMessages on its shell (checked before anything acts on them, since
// any X client may send them) and the loopback TCP connection that a
// keyboard mapper, keypad customiser or playback editor offers with its
// connect message.
#include <X11/Intrinsic.h>

#include <memory>
#include <string>

#include "xfront/HelperPrograms.h"

class SessionControlBlock;

// The event handler of the session shells (client data: the drawing widget).
void HelperClientMessageHandler(Widget w, XtPointer drawing, XEvent* event, Boolean* continueDispatch);

// The connection of a helper: non-blocking, with its own frame reader and
// writer, so that a stalled or misbehaving helper never holds the session.
struct HelperConnection {
  HelperConnection(SessionControlBlock* scb, HelperKind kind);
  ~HelperConnection();
  HelperConnection(const HelperConnection&) = delete;
  HelperConnection& operator=(const HelperConnection&) = delete;

  SessionControlBlock* scb;
  HelperKind kind;
  int fd = -1;
  XtInputId readInput = 0;
  XtInputId writeInput = 0;
  struct Buffers;
  std::unique_ptr<Buffers> buffers;
};

// The drawing widget's translations printed as text, one production a line.
std::string CurrentTranslationsText(SessionControlBlock* scb);
// The translation table last received from the keyboard mapper, or "".
const std::string& HelperReceivedTranslations(SessionControlBlock* scb);
