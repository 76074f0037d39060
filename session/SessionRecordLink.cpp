#include "session/SessionRecordLink.h"

#include <X11/Intrinsic.h>
#include <Xm/PushB.h>
#include <Xm/Xm.h>

#include <climits>
#include <cstring>

#include "datastream/HostInterface.h"
#include "datastream/TelnetLAN.h"
#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"
#include "keyboard/XlateTableDownload.h"
#include "session/AppInit.h"
#include "session/KeyGlue.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "base/LogMsg.h"
#include "xfront/RenderingX.h"

namespace {
// The window events handled before one record, at most.
constexpr int kEventsPerRecord = 200;
// How often the X connection is read between records, at most.
constexpr uint64_t kEventCheckIntervalMs = 1;
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
  // Looking at the X connection costs system calls: between the records of
  // one receive it is read at most once a millisecond, and in between only
  // the events that Xlib holds already are taken.
  Widget shell = block_->xstuff.shell();
  const uint64_t now = block_->eventSources().NowMilliseconds();
  if (!readEvents_ && shell && now - lastEventCheck_ < kEventCheckIntervalMs &&
      XEventsQueued(XtDisplay(shell), QueuedAlready) == 0)
    return false;
  readEvents_ = false;
  lastEventCheck_ = now;
  const int sequence = entry->sequence;
  // The window's queued events come first, as the main loop would take
  // them: keys typed ahead reach the translator before the record.
  for (int n = 0; n < kEventsPerRecord && (XtAppPending(app) & XtIMXEvent); ++n) {
    DispatchNextEvent(app);
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

unsigned int SessionRecordLink::tax(unsigned int kind, const unsigned char* record, unsigned int n) {
  if (!block_->taxlate || !block_->display || kind > 0xFF) return TAXlate::kRecordRefused;
  return block_->taxlate->tax(static_cast<unsigned char>(kind), record, n);
}

uint32_t SessionRecordLink::loadKeyboardTable(const unsigned char* table, uint32_t length) {
  if (!block_->taxlate) return kSenseTableData;
  const int refused = InstallHostTable(block_->xlateTable, *block_->taxlate, table, length);
  if (refused == 0) return dsm_sense::kAccepted;
  if (DebugFlag()) LogMsg(LevelDebug, "s5250rep: AddTable() failed. rc = %d.\n", refused);
  // A table that is cut short or has no room is refused for its length;
  // one with a bad name or entry for its data.
  if (refused == kXlateTableTooShort || refused == kXlateTableNoSubTables || refused == kXlateTableNoRoom)
    return kSenseTableLength;
  return kSenseTableData;
}

void SessionRecordLink::currentTableName(unsigned char name[8]) const {
  const XlateTableInfo* info = block_->taxlate ? block_->taxlate->activeTable() : nullptr;
  for (int i = 0; i < 8; ++i) name[i] = info ? info->name[i] : 0;
}

void SessionRecordLink::reloadTranslator() { LoadDefaultXlateTable(block_); }

void SessionRecordLink::keyRecord(const unsigned char* record, unsigned int n) {
  if (n > 0 && n <= static_cast<unsigned int>(INT_MAX)) s5250_key(block_, record, static_cast<int>(n));
}

void SessionRecordLink::readDisplayInformation(unsigned char* out, unsigned int size) {
  if (const auto* rendering = dynamic_cast<const RenderingX*>(block_->renderer))
    rendering->getReadDPLInformation(out, size);
}

unsigned char SessionRecordLink::editFunction(unsigned int sub, unsigned int request, unsigned char& status) {
  constexpr unsigned char kRefused = 0x03;
  constexpr unsigned int kAskSensitive = 1, kRun = 2;
  status = 0;
  if (sub == 5) return block_->windowState;
  static const char* const kItems[] = {"*cutButton", "*copyButton", "*pasteButton"};
  Widget shell = block_->xstuff.shell();
  Widget item = shell && sub >= 1 && sub <= 3 ? XtNameToWidget(shell, kItems[sub - 1]) : nullptr;
  if (!item || (request != kAskSensitive && request != kRun)) {
    status = kRefused;
    return 0;
  }
  const bool sensitive = XtIsSensitive(item) == True;
  if (request == kRun && sensitive) {
    // As the menu item's activation would run it, stamped with the last
    // time the session's display reported.
    XEvent event = {};
    event.xbutton.type = ButtonRelease;
    event.xbutton.display = XtDisplayOfObject(item);
    event.xbutton.window = XtWindowOfObject(item);
    event.xbutton.time = XtLastTimestampProcessed(XtDisplayOfObject(item));
    XmPushButtonCallbackStruct cbs = {};
    cbs.reason = XmCR_ACTIVATE;
    cbs.event = &event;
    XtCallCallbacks(item, XmNactivateCallback, &cbs);
  }
  return sensitive ? 1 : 0;
}

void SessionRecordLink::useJapanese() {
  std::strcpy(block_->languageId, "JPN");
  block_->setEBCDICtoFW_Ptr();
}

void SessionRecordLink::powerOnReset() {
  SessionControlBlock* b = block_;
  if (!b->hostInterface || !b->display || !b->taxlate) return;
  // What outlives the reset: the characteristics, the session's
  // preferences held by the station and the translator, and type-ahead as
  // the host set it.
  const DisplayCharacteristics characteristics = b->display->characteristics();
  const StationOptions options = b->display->options();
  TAXlate* tax = b->taxlate;
  const bool hostSetTypeAhead = (tax->typeAheadByte() & TAXlate::kTAHostSet) != 0;
  const bool typeAheadOn = tax->typeAheadOn();
  const unsigned char typeAheadOverride = tax->typeAheadOverride();
  // A paste that waits in a nested event loop still uses the station: then
  // the station is only reset, not rebuilt.
  XlateTableInfo* replaced = nullptr;  // the old translator's table
  if (!b->xstuff.pasteInProgress()) {
    b->xstuff.releasePasteData();
    XlateTableInfo* active = tax->activeTable();
    if (b->buildStation(characteristics)) {
      replaced = active;
      tax = b->taxlate;
      b->display->options() = options;
      tax->TAOverride(typeAheadOverride);
    } else {
      LogMsg(LevelError, "s5250: power-on reset keeps the station: no memory for a new one.\n");
    }
  }
  if (b->xstuff.shell()) {
    b->xstuff.x_clear();
    b->xstuff.x_set_rows_columns(static_cast<int>(b->display->rows()), static_cast<int>(b->display->columns()));
    b->xstuff.x_cursor(0);
  }
  // The translator starts again on the default table.
  LoadDefaultXlateTable(b);
  if (replaced) b->xlateTable.DecrementAndDelete(replaced);
  if (hostSetTypeAhead) {
    if (typeAheadOn)
      tax->turnTAOnCtl();
    else
      tax->turnTAOffCtl();
  }
  unsigned int unlocked = 0;
  b->hostInterface->runDataStream(4, nullptr, 0, unlocked);
  b->display->postDatastreamProcessing();
}

bool LoadDefaultXlateTable(SessionControlBlock* block) {
  TAXlate* tax = block ? block->taxlate : nullptr;
  if (!tax) return false;
  tax->setKeyboardType(block->keyboardType);
  RuName name;
  tax->getDefaultTableRuName(name);
  XlateTableInfo* info = block->xlateTable.FindAndIncrement(name, nullptr);
  if (!info) {
    LogMsg(LevelError, "s5250: the built-in translation table for keyboard type 0x%02X is missing.\n",
           block->keyboardType);
    return false;
  }
  XlateTableInfo* old = tax->activeTable();
  tax->setUsesHostTables(block->glue.hostKeyboardTable != 0);
  tax->loadXlateTable(info);
  tax->TaxPOR();
  if (old) block->xlateTable.DecrementAndDelete(old);
  return true;
}
