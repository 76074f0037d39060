#include "xfront/HelperMessages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "base/LogMsg.h"
#include "session/AppInit.h"
#include "session/KeyGlue.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "tools/HelperCommandLines.h"
#include "tools/HelperFrames.h"
#include "tools/HelperRequests.h"
#include "xfront/EmulatorActions.h"
#include "xfront/HelperLaunch.h"
#include "xfront/KeypadButtons.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

struct HelperConnection::Buffers {
  HelperFrameReader reader;
  HelperFrameWriter writer;
};

// Prints a translation table as text (libXt's own printer; its header is
// not installed).
extern "C" String _XtPrintXlations(Widget w, XtTranslations xlations, Widget accelWidget, _XtBoolean includeRHS);

namespace {

const char* HelperName(HelperKind kind) {
  switch (kind) {
    case HelperKind::KeyboardRemapper: return "Brastor";
    case HelperKind::KeypadCustomizer: return "Customize Keypad";
    case HelperKind::PlaybackEditor: return "Playback Editor";
    default: return "Tintwell";
  }
}

HelperProgram ProgramOf(HelperKind kind) {
  switch (kind) {
    case HelperKind::KeyboardRemapper: return HelperProgram::KeyboardMapper;
    case HelperKind::KeypadCustomizer: return HelperProgram::KeypadCustomizer;
    case HelperKind::PlaybackEditor: return HelperProgram::PlaybackEditor;
    default: return HelperProgram::ColorMapper;
  }
}

void CloseConnection(SessionControlBlock* scb, HelperKind kind) {
  scb->xstuff.helper(kind).connection.reset();
}

void OnWritable(XtPointer data, int*, XtInputId*);

// Writes what the socket takes; watches for writability while some is left.
// False when the connection was closed.
bool Flush(HelperConnection* c) {
  const int r = c->buffers->writer.flush(c->fd);
  if (r < 0) {
    LogMsg(LevelError, "%s: Write Error, on %s socket. errno = %d\n", "QWC0236", HelperName(c->kind), errno);
    CloseConnection(c->scb, c->kind);
    return false;
  }
  if (r == 0 && !c->writeInput) {
    c->writeInput = XtAppAddInput(ApplicationContext(), c->fd, reinterpret_cast<XtPointer>(XtInputWriteMask),
                                  OnWritable, c);
  } else if (r == 1 && c->writeInput) {
    XtRemoveInput(c->writeInput);
    c->writeInput = 0;
  }
  return true;
}

void OnWritable(XtPointer data, int*, XtInputId*) { Flush(static_cast<HelperConnection*>(data)); }

void ApplyTranslations(HelperConnection* c, const std::string& text) {
  XStuff& x = c->scb->xstuff;
  if (c->kind != HelperKind::KeyboardRemapper) {
    if (DebugFlag()) LogMsg(LevelDebug, "Received %zu bytes of translations from %s.\n", text.size(), HelperName(c->kind));
    return;
  }
  if (DebugFlag())
    LogMsg(LevelDebug, "ReceiveTranslations: Received translations from brastor, length: %d\n",
           static_cast<int>(text.size()));
  XtTranslations table = XtParseTranslationTable(text.c_str());
  Widget drawing = x.privatePart() ? x.privatePart()->drawing : nullptr;
  if (!table || !drawing) return;
  // The new table replaces the old one; the session's Enter key and print
  // key arrangements go over it again.
  x.helper(HelperKind::KeyboardRemapper).translations = text;
  InstallKeyTranslations(c->scb);
  if (DebugFlag()) LogMsg(LevelDebug, "ReceiveTranslations: Applied new translations from brastor.\n");
}

void OnReadable(XtPointer data, int*, XtInputId*) {
  auto* c = static_cast<HelperConnection*>(data);
  SessionControlBlock* scb = c->scb;
  const HelperKind kind = c->kind;
  unsigned char buf[4096];
  const ssize_t n = recv(c->fd, buf, sizeof buf, MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (n <= 0) {
    if (n < 0) LogMsg(LevelError, "%s: Read Error, on %s socket. errno = %d\n", "QWC0222", HelperName(kind), errno);
    else if (DebugFlag()) LogMsg(LevelDebug, "Socket needs to be closed... \n");
    CloseConnection(scb, kind);
    return;
  }
  const bool ok = c->buffers->reader.feed(buf, static_cast<size_t>(n), [&](const std::string& text) {
    ApplyTranslations(c, text);
    return true;
  });
  if (!ok) {
    LogMsg(LevelError, "Refused a message of %u bytes or more from %s: longer than %u bytes; connection closed.\n",
           c->buffers->reader.expectedLength(), HelperName(kind), HelperFrameReader::kMaxLength);
    CloseConnection(scb, kind);
  }
}

// The names of the drawing widget's actions, each as "name()" and a zero byte.
std::string ActionList(HelperKind kind) {
  std::string list;
  const EmulatorAction* table = EmulatorActionTable();
  for (size_t i = 0; i < kEmulatorActionCount; ++i) {
    list += table[i].name;
    list += "()";
    list.push_back('\0');
  }
  if (kind == HelperKind::PlaybackEditor) {
    list += "userid()";
    list.push_back('\0');
    list += "password()";
    list.push_back('\0');
  }
  return list;
}

void Connect(SessionControlBlock* scb, HelperKind kind, const HelperRequest& r) {
  HelperSessionState& h = scb->xstuff.helper(kind);
  h.window = r.window;
  h.connection.reset();
  auto c = std::make_shared<HelperConnection>(scb, kind);
  c->fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (c->fd < 0) {
    LogMsg(LevelError, "%s: Socket Error, cannot create %s socket. \n", "QWC0249", HelperName(kind));
    return;
  }
  const int one = 1;
  if (setsockopt(c->fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0)
    LogMsg(LevelError, "%s: Setsockopt Error, on %s socket. \n", "QWC0250", HelperName(kind));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(r.port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(c->fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
    LogMsg(LevelError, "%s: Connect Error, cannot connect to %s at: %s, port: %d. errno = %d.\n", "QWC0252",
           HelperName(kind), "127.0.0.1", r.port, errno);
    return;  // the descriptor closes with c
  }
  c->readInput = XtAppAddInput(ApplicationContext(), c->fd, reinterpret_cast<XtPointer>(XtInputReadMask),
                               OnReadable, c.get());
  h.connection = c;
  const std::string actions = ActionList(kind);
  const std::string translations = MassageTranslations(CurrentTranslationsText(scb));
  std::string translationsZ = translations;
  for (char& ch : translationsZ)
    if (ch == '\n') ch = '\0';
  HelperFrameWriter& w = c->buffers->writer;
  w.queue(actions.data(), actions.size());
  w.queue(translationsZ.data(), translationsZ.size());
  if (kind == HelperKind::KeypadCustomizer) {
    const std::string names = scb->playRecord.getDefaultFileNames(10000);
    w.queue(names.data(), names.size());
  }
  if (DebugFlag()) LogMsg(LevelDebug, "GetActions: action string length: %d written to socket. \n", (int)actions.size());
  Flush(c.get());
}

void Refuse(const char* helper, const char* why, const XClientMessageEvent& m) {
  LogMsg(LevelWarning, "Refused a %s message (word 0x%lx) to window 0x%lx: %s.\n", helper,
         static_cast<unsigned long>(m.data.l[0]) & 0xFFFFFFFFul, m.window, why);
}

void HandleHelper(SessionControlBlock* scb, HelperKind kind, const XClientMessageEvent& m, Boolean* cont) {
  if (kind == HelperKind::ColorMapper) {
    scb->xstuff.TintwellClientMessage(m);
    *cont = False;
    return;
  }
  HelperRequest r;
  const HelperRequestError e = DecodeHelperRequest(ProgramOf(kind), m.format, m.data.l, &r);
  if (e != HelperRequestError::Accepted) {
    Refuse(HelperName(kind), HelperRequestErrorText(e), m);
    *cont = False;
    return;
  }
  HelperSessionState& h = scb->xstuff.helper(kind);
  if (!h.owner) {
    Refuse(HelperName(kind), "this session started no such helper", m);
    *cont = False;
    return;
  }
  if (r.code == helper_code::kConnect) {
    if (h.window) {
      Refuse(HelperName(kind), "the helper is connected already", m);
    } else {
      Connect(scb, kind, r);
    }
    *cont = False;
    return;
  }
  if (!h.window) {
    Refuse(HelperName(kind), "the helper has not connected", m);
    *cont = False;
    return;
  }
  const bool disconnect = (kind == HelperKind::PlaybackEditor && r.code == helper_code::kPlaybackDisconnect) ||
                          (kind != HelperKind::PlaybackEditor && r.code == helper_code::kKeymapDisconnect);
  if (disconnect) {
    h.connection.reset();
    h.owner = false;
    h.startedHere = false;
    h.window = 0;
    if (kind == HelperKind::KeypadCustomizer) scb->xstuff.keypadButtons().rebuildAllActiveKeypads();
    return;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "%s: files changed (message %d).\n", HelperName(kind), r.code);
  if (kind == HelperKind::PlaybackEditor) updatePlaybackFileList(scb);
  else if (kind == HelperKind::KeypadCustomizer) scb->xstuff.keypadButtons().rebuildPullDownKeypads();
}

void HandlePreferences(SessionControlBlock* scb, const XClientMessageEvent& m, Boolean* cont) {
  *cont = False;
  HelperRequest r;
  const HelperRequestError e = DecodeHelperRequest(HelperProgram::Preferences, m.format, m.data.l, &r);
  if (e != HelperRequestError::Accepted) {
    Refuse("preferences", HelperRequestErrorText(e), m);
    return;
  }
  Display* display = XtDisplay(scb->xstuff.shell());
  if (r.code == helper_code::kPreferencesStarted) {
    if (!PreferencesProgramStarted() || PreferencesProgramWindow() || !scb->xstuff.ownsPreferencesProgram()) {
      Refuse("preferences", "no start of the preferences program is pending here", m);
      return;
    }
    SetPreferencesProgramWindow(r.window);
    SendDrevaskValuesToDrevask(scb, display, 21);
    return;
  }
  if (!PreferencesProgramWindow() || !scb->xstuff.ownsPreferencesProgram()) {
    Refuse("preferences", "the preferences program does not run for this session", m);
    return;
  }
  switch (r.code) {
    case helper_code::kPreferencesApply:
      if (!MiscPreferenceValueValid(r.preferenceId, r.preferenceValue)) {
        Refuse("preferences", "a preference value out of range", m);
        return;
      }
      if (DebugFlag()) LogMsg(LevelDebug, "Preference %d set to %d.\n", r.preferenceId, r.preferenceValue);
      UpdateMiscellaneousPreferenceOfAllSessions(static_cast<unsigned char>(r.preferenceId),
                                                 static_cast<unsigned char>(r.preferenceValue));
      break;
    case helper_code::kPreferencesReset:
      ApplyMiscellaneousPreferencesToAllSessions();
      SendDrevaskValuesToDrevask(scb, display, 27);
      break;
    case helper_code::kPreferencesClosed:
      sendMsgToDrevask(display, 26, 0, 0, 0);
      SetPreferencesProgramStarted(false);
      SetPreferencesProgramWindow(0);
      scb->xstuff.setOwnsPreferencesProgram(false);
      break;
    case helper_code::kPreferencesHelp: StartDaltrue(scb, "MIS"); break;
    default: break;
  }
}

}  // namespace

HelperConnection::HelperConnection(SessionControlBlock* scb, HelperKind kind)
    : scb(scb), kind(kind), buffers(std::make_unique<Buffers>()) {}

HelperConnection::~HelperConnection() {
  if (readInput) XtRemoveInput(readInput);
  if (writeInput) XtRemoveInput(writeInput);
  if (fd >= 0) close(fd);
}

std::string CurrentTranslationsText(SessionControlBlock* scb) {
  Widget drawing = scb->xstuff.privatePart() ? scb->xstuff.privatePart()->drawing : nullptr;
  if (!drawing) return "";
  XtTranslations table = nullptr;
  XtVaGetValues(drawing, XtNtranslations, &table, nullptr);
  if (!table) return "";
  String text = _XtPrintXlations(drawing, table, nullptr, True);
  std::string out = text ? text : "";
  XtFree(text);
  return out;
}

const std::string& HelperReceivedTranslations(SessionControlBlock* scb) {
  return scb->xstuff.helper(HelperKind::KeyboardRemapper).translations;
}

void HelperClientMessageHandler(Widget, XtPointer drawing, XEvent* event, Boolean* cont) {
  if (!event || event->type != ClientMessage) return;
  SessionControlBlock* scb = FindSessionOfWidget(static_cast<Widget>(drawing));
  if (!scb) return;
  const XClientMessageEvent& m = event->xclient;
  if (m.message_type == ApplicationAtoms().drevaskInterface) {
    HandlePreferences(scb, m, cont);
    return;
  }
  for (int k = 0; k < static_cast<int>(HelperKind::Count); ++k) {
    const auto kind = static_cast<HelperKind>(k);
    if (m.message_type == HelperInterfaceAtom(kind) && m.message_type != None) {
      HandleHelper(scb, kind, m, cont);
      return;
    }
  }
}
