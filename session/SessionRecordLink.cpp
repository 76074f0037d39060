#include "session/SessionRecordLink.h"

#include <X11/Intrinsic.h>

#include "datastream/HostInterface.h"
#include "datastream/TelnetLAN.h"
#include "display/DisplayBag.h"
#include "keyboard/PreDispatch.h"
#include "session/AppInit.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/base/LogMsg.h"

namespace {
// The window events handled before one record, at most.
constexpr int kEventsPerRecord = 200;
}  // namespace

int SessionRecordLink::tel_senddata(const char* data, int length) {
  return block_->telnet ? block_->telnet->tel_senddata(data, length) : 0;
}

int SessionRecordLink::tel_sendeor() { return block_->telnet ? block_->telnet->tel_sendeor() : 0; }

bool SessionRecordLink::drainPendingEvents() {
  const int slot = block_->slot;
  const SessionTableEntry* entry = SessionEntry(slot);
  XtAppContext app = ApplicationContext();
  if (!entry || !entry->connected || entry->session != block_ || !app) return false;
  const int sequence = entry->sequence;
  // The window's queued events come first, as the main loop would take
  // them: keys typed ahead reach the translator before the record.
  for (int n = 0; n < kEventsPerRecord && (XtAppPending(app) & XtIMXEvent); ++n) {
    XEvent event;
    XtAppNextEvent(app, &event);
    Widget w = XtWindowToWidget(event.xany.display, event.xany.window);
    if (w) NoteSessionEvent(w);
    SetTranslator();
    char dispatch = 1;
    PreDispatchProcess(&event, &dispatch);
    if (dispatch) XtDispatchEvent(&event);
    entry = SessionEntry(slot);
    if (!entry || entry->sequence != sequence || entry->session != block_) return true;
  }
  return false;
}

void SessionRecordLink::flushPainting() { block_->xstuff.Flush_X5250(0); }

bool SessionRecordLink::traceFlag() const { return block_->trace != 0; }

void SessionRecordLink::traceRecord(const char* what, const unsigned char* data, unsigned int length) {
  LogMsg(LevelTrace, "%s:\n", what);
  block_->DumpBuff(data, static_cast<int>(length), LevelTrace);
}

DisplayBag* SessionRecordLink::display() { return block_->display; }

unsigned int SessionRecordLink::tax(unsigned int kind, const unsigned char*, unsigned int) {
  // The translator takes no host-injected input yet: refused.
  LogMsg(LevelWarning, "s5250: simulator input of kind %u refused: the translator does not take it.\n", kind);
  return 1;
}

void SessionRecordLink::powerOnReset() {
  if (!block_->hostInterface || !block_->display) return;
  unsigned int unlocked = 0;
  block_->hostInterface->runDataStream(4, nullptr, 0, unlocked);
  block_->display->postDatastreamProcessing();
}
