#include "api/ProgrammingInterface.h"

#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>

#include <memory>
#include <string>

#include "api/ECLDialog.h"
#include "api/ECLServerSocket.h"
#include "api/EclSessions.h"
#include "api/EclWire.h"
#include "api/EventSocket.h"
#include "api/KeyNames.h"
#include "base/LogMsg.h"
#include "session/KeyGlue.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "xfront/SessionInputHooks.h"
#include "xfront/SessionMenuHooks.h"
#include "xfront/XStuff.h"

namespace {

std::unique_ptr<ECLServerSocket> g_server;
std::unique_ptr<EventSocket> g_events;

bool Subscribed(SessionControlBlock* s, EventSocket::Flag flag) {
  if (!s || !s->programmingInterface || !g_events) return false;
  g_events->dropIfClosed();
  return g_events->flag(flag, s->slot);
}

void OnSessionEvent(SessionControlBlock* block, const std::string& record) {
  if (record.empty()) return;
  const bool started = record[0] == 1;
  if (started) {
    StartProgrammingInterface();
    if (g_events && block->xstuff.shell()) {
      Dimension width = 0, height = 0;
      XtVaGetValues(block->xstuff.shell(), XtNwidth, &width, XtNheight, &height, nullptr);
      g_events->recordWindowSize(block->slot, width, height);
    }
  }
  if (g_events) {
    g_events->sendData(block, EventSocket::kSessionEvent, reinterpret_cast<const unsigned char*>(record.data()),
                       record.size());
    if (!started) g_events->clearSession(block->slot);
  }
}

void OnStatusLine(SessionControlBlock* block, int kind, int value) {
  if (!Subscribed(block, EventSocket::kOperatorInformation)) return;
  std::vector<unsigned char> data;
  ecl::Put32(data, static_cast<uint32_t>(kind));
  ecl::Put32(data, static_cast<uint32_t>(value));
  ecl::Put32(data, EclStatusWord(block));
  g_events->sendData(block, EventSocket::kOperatorInformationEvent, data.data(), data.size());
}

bool OnKey(SessionControlBlock* block, char kind, unsigned long value) {
  if (!block || !block->programmingInterface || !g_events) return false;
  if (kind == 'M') {
    if (Subscribed(block, EventSocket::kIntercept)) {
      if (const char* name = KeyNameOfCode(static_cast<unsigned int>(value))) {
        const size_t n = std::char_traits<char>::length(name);
        std::vector<unsigned char> data{'M'};
        ecl::Put32(data, static_cast<uint32_t>(n));
        ecl::PutBytes(data, name, n);
        if (g_events->sendData(block, EventSocket::kKeystrokeEvent, data.data(), data.size()) > 0) return true;
      }
    }
    if (g_events->presentationSpaceEvents(block->slot)) ReportPresentationSpaceEvent(block, 1);
    return false;
  }
  if (kind == 'A' && Subscribed(block, EventSocket::kIntercept)) {
    const unsigned char data[2] = {'A', static_cast<unsigned char>(value & 0xFF)};
    return g_events->sendData(block, EventSocket::kKeystrokeEvent, data, sizeof data) > 0;
  }
  return false;
}

void OnRunApplet(SessionControlBlock* block, Widget, XEvent*) { ECLDialog::Open(block); }

}  // namespace

void AttachProgrammingInterface() {
  static bool attached = false;
  if (attached) return;
  attached = true;
  SetSessionEventSink(OnSessionEvent);
  XStuffSetStatusLineSink(OnStatusLine);
  SetSessionKeyReportProc(OnKey);
  SetPresentationSpaceEventProc(ReportPresentationSpaceEvent);
  SetSessionMenuProc(SessionMenuCommand::RunApplet, OnRunApplet);
}

ECLServerSocket* ProgrammingInterfaceServer() { return g_server.get(); }
EventSocket* ProgrammingInterfaceEvents() { return g_events.get(); }

bool StartProgrammingInterface() {
  EventSources& sources = SessionEventSources();
  if (!g_server) g_server = std::make_unique<ECLServerSocket>(sources);
  // A listener that could not be made is tried again by the next session.
  if (!g_server->listening()) g_server->createSocket();
  if (!g_events) g_events = std::make_unique<EventSocket>(sources);
  return g_server->listening();
}

void StopProgrammingInterface() {
  g_server.reset();
  g_events.reset();
}

void ReportPresentationSpaceEvent(SessionControlBlock* session, int value) {
  if (!session || !session->programmingInterface || !g_events || !g_events->presentationSpaceEvents(session->slot))
    return;
  std::vector<unsigned char> data;
  ecl::Put32(data, static_cast<uint32_t>(value));
  g_events->sendData(session, EventSocket::kPresentationSpaceEvent, data.data(), data.size());
}
