#include "session/SessionTable.h"

#include <X11/Xutil.h>
#include <arpa/inet.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "datastream/TelnetLAN.h"
#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/Language.h"
#include "session/MasterRecord.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionIds.h"
#include "session/StartOptions.h"
#include "session/WMGeometry.h"
#include "session/XtEventSources.h"
#include "base/ErrorHalt.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"

namespace {

constexpr unsigned short kModuleSessionTable = 261;
constexpr unsigned short kModuleWidgetLookup = 256;
constexpr unsigned long kFinishDelayMs = 100;
constexpr const char* kMaxSessionsHost = "__startmaxsessions";

SessionTableEntry g_entries[kMaxSessionSlots];
int g_order[kMaxSessionSlots];
bool g_orderInitialised = false;
// The options each session was started with (for the copies that
// "__startmaxsessions" asks for).
std::unique_ptr<SessionStartOptions> g_startOptions[kMaxSessionSlots];
int g_numberOfSessions = 0;
int g_sequence = 0;
bool g_repeatSessions = false;
EventSources* g_events = nullptr;
SessionEventSink g_eventSink = nullptr;

void InitialiseOrder() {
  if (g_orderInitialised) return;
  for (int& o : g_order) o = -1;
  g_orderInitialised = true;
}

bool InUse(int slot) { return slot >= 0 && slot < kMaxSessionSlots && g_entries[slot].shell; }

int SlotOfBlock(const SessionControlBlock* block) {
  if (!block) return -1;
  for (int i = 0; i < kMaxSessionSlots; ++i)
    if (g_entries[i].session == block) return i;
  return -1;
}

// WMGeometry's view of the table.
Widget HookShell(int slot) { return InUse(slot) ? g_entries[slot].shell : nullptr; }
bool HookRepeat() { return g_repeatSessions; }
void HookClearRepeat() { g_repeatSessions = false; }
int HookCount() { return g_numberOfSessions; }
int HookMax() { return AppResources().MAX_SESSIONS; }
void HookCopy(int slot) {
  if (slot < 0 || slot >= kMaxSessionSlots || !g_startOptions[slot]) return;
  SessionStartOptions copy = *g_startOptions[slot];
  copy.geometry = Geometry{};
  createSessionUnderThisProcess(copy, nullptr, nullptr);
}

void InstallHooks() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  WMMeasureHooks hooks;
  hooks.sessionShell = HookShell;
  hooks.copyRequestPending = HookRepeat;
  hooks.clearCopyRequest = HookClearRepeat;
  hooks.sessionCount = HookCount;
  hooks.maxSessions = HookMax;
  hooks.createSessionFromSession = HookCopy;
  SetWMMeasureHooks(hooks);
  if (Widget top = TopLevelWidget()) XStuff::setShellParent(top);
}

void CopyId(char (&dest)[kSessionIdLength + 1], const std::string& id) {
  std::memset(dest, 0, sizeof dest);
  std::strncpy(dest, id.c_str(), kSessionIdLength);
}

bool SessionIdTaken(const std::string& id, const SessionControlBlock* self) {
  for (const SessionTableEntry& e : g_entries)
    if (e.session && e.session != self && e.shell && id == e.session->sessionId) return true;
  return false;
}

void determineSessionID(SessionControlBlock* block, const char* requested) {
  block->defaultId = 0;
  bool isDefault = false;
  const std::string id = ChooseSessionId(requested ? requested : "",
                                         [block](const std::string& candidate) { return SessionIdTaken(candidate, block); },
                                         &isDefault);
  if (id.empty()) ErrorHalt(kModuleSessionTable, 17);
  block->defaultId = isDefault ? 1 : 0;
  CopyId(block->sessionId, id);
}

int InstanceFor(const std::string& host) {
  return SmallestFreeInstance([&host](int n) {
    for (const SessionTableEntry& e : g_entries)
      if (e.session && e.instance == n && host == e.session->xstuff.getHostname()) return true;
    return false;
  });
}

// Geometry: the resource EMULATOR_GEOMETRY for a session that gives none.
void SettleGeometry(Geometry& g) {
  if (g.geometryString[0] == '\0' && !g.xGiven) {
    const char* res = AppResources().EMULATOR_GEOMETRY;
    if (res && *res && std::strlen(res) <= kMaxGeometryStringLength) std::strcpy(g.geometryString, res);
  }
  if (g.geometryString[0] != '\0') {
    int x = 0, y = 0;
    unsigned int w = 0, h = 0;
    const int mask = XParseGeometry(g.geometryString, &x, &y, &w, &h);
    g.xGiven = (mask & XValue) ? 1 : 0;
    g.yGiven = (mask & YValue) ? 1 : 0;
    g.widthGiven = (mask & WidthValue) ? 1 : 0;
    g.heightGiven = (mask & HeightValue) ? 1 : 0;
    g.x = static_cast<int16_t>(x);
    g.y = static_cast<int16_t>(y);
    g.width = static_cast<uint16_t>(w);
    g.height = static_cast<uint16_t>(h);
  } else {
    g.widthGiven = g.heightGiven = 0;
    if (!g.xGiven) g.yGiven = 0;
  }
}

int ChooseSlot(const Geometry& g, unsigned char* bottomUp) {
  const bool fromTop = g.geometryString[0] != '\0' && (g.xGiven || g.yGiven);
  *bottomUp = fromTop ? 0 : 1;
  for (int k = 0; k < kMaxSessionSlots; ++k) {
    const int i = fromTop ? kMaxSessionSlots - 1 - k : k;
    if (!g_entries[i].shell && !g_entries[i].session) return i;
  }
  return -1;
}

int TitleOptionFromResource() {
  switch (AppResources().TITLE_OPTION) {
    case QwTextOnly: return 2;
    case QwSessionIdOnly: return 3;
    case QwTextAndHost: return 4;
    case QwTextHostAndSessionId: return 5;
    default: return 1;
  }
}

// The euro variant of the language: the language id to use and the euro
// state (1 euro, 2 base).
void EuroTest(const char* id, int euroOption, char (&out)[4], unsigned char* euroState) {
  const char* monetary = std::setlocale(LC_MONETARY, nullptr);
  bool wantEuro = monetary && (std::strstr(monetary, "@euro") || std::strstr(monetary, "@EURO"));
  bool forceBase = false;
  const unsigned char resource = AppResources().EURO;
  if (resource == QwEnable) wantEuro = true;
  if (resource == QwDisable) { wantEuro = false; forceBase = true; }
  if (euroOption == 1) { wantEuro = true; forceBase = false; }
  if (euroOption == 2) { wantEuro = false; forceBase = true; }
  const LanguageRow* row = FindLanguageRow(id);
  const char* chosen = id;
  if (row && wantEuro) {
    chosen = row->id[0] == '@' ? row->id : LanguageEuroTwin(row)->id;
    *euroState = 1;
  } else if (row && forceBase) {
    chosen = row->id[0] == '@' ? LanguageEuroTwin(row)->id : row->id;
    *euroState = 2;
  } else {
    *euroState = (id && id[0] == '@') ? 1 : 2;
  }
  std::memset(out, 0, sizeof out);
  std::strncpy(out, chosen ? chosen : "ENU", 3);
  if (DebugFlag()) LogMsg(LevelDebug, "language resource after Euro-symbol test:  %s\n", out);
}

void CopyOptions(SessionControlBlock* b, const SessionStartOptions& o) {
  const AppResourceStruct& res = AppResources();
  b->wideOption = o.wideOption;
  b->imageOption = o.imageOption;
  b->largestImage = o.largestImage ? o.largestImage : res.LARGEST_IMAGE * 1000;
  b->PDTOption = o.PDTOption;
  b->pdtInUse = o.PDTOption == 0 ? (res.PDT == QwEnable) : (o.PDTOption != 1);
  b->TitleOption = o.TitleOption ? o.TitleOption : TitleOptionFromResource();
  b->euroState = 0;
  b->forceTranslatedFont = (o.forceTranslatedFont || res.FORCE_MRI_FONT == QwEnable) ? 1 : 0;
  b->DisplayNameSoftRequirementOption = o.DisplayNameSoftRequirementOption;
  b->softDisplayName = o.DisplayNameSoftRequirementOption == 0 ? (res.DISPLAY_NAME_SOFT == QwEnable)
                                                               : (o.DisplayNameSoftRequirementOption != 1);
  b->thaiDisplayMode = o.thaiDisplayMode > 0 ? o.thaiDisplayMode : res.THAI_DISPLAY_MODE;
  b->retryCount = o.retryCount >= 0 ? o.retryCount : res.RETRY_COUNT;
  b->retryInterval = o.retryInterval != 0 ? o.retryInterval : res.RETRY_INTERVAL;
  b->inactivityTimeout = o.inactivityTimeout >= 0 ? o.inactivityTimeout : res.INACTIVITY_TIMEOUT;
  b->CopyPasteOption = o.CopyPasteOption;
  b->ECLOption = o.ECLOption;
  b->programmingInterface = o.ECLOption == 0 ? (res.ECL == QwEnable) : (o.ECLOption != 1);
  b->FontSizesOption = o.FontSizesOption;
  b->dsmDebug = res.DSMDEBUG ? 1 : 0;
  b->testCase = res.testcase ? 1 : 0;
  b->trace = (o.trace || res.TRACE) ? 1 : 0;
  b->initialKeypads = o.initialKeypads;
  b->port = o.port ? o.port : res.PORT;

  RetrySettings retry;
  retry.retryCount = b->retryCount;
  retry.retryIntervalSeconds = b->retryInterval;
  retry.quickRetryIntervalSeconds = res.QUICK_RETRY_INTERVAL;
  retry.inactivityMinutes = b->inactivityTimeout;
  b->retry.configure(retry);
}

void SendSessionEvent(SessionControlBlock* block, unsigned char type, int slot) {
  if (!block->programmingInterface || !g_eventSink) return;
  g_eventSink(block, SessionEventRecord(type, slot, block->xstuff.getHostname(), g_entries[slot].instance));
}

}  // namespace

EventSources& SessionEventSources() {
  if (g_events) return *g_events;
  XtEventSources* xt = MasterEventSources();
  if (!xt) ErrorHalt(kModuleSessionTable, 20);
  return *xt;
}

void SetSessionEventSources(EventSources* sources) { g_events = sources; }

void SetSessionEventSink(SessionEventSink sink) { g_eventSink = sink; }

std::string SessionEventRecord(unsigned char type, int slot, const char* host, int instance) {
  const std::string name = std::string(host ? host : "") + std::to_string(instance);
  std::string record(1, static_cast<char>(type));
  auto put32 = [&record](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) record.push_back(static_cast<char>((v >> shift) & 0xFF));
  };
  put32(static_cast<uint32_t>(slot));
  put32(static_cast<uint32_t>(name.size()));
  record += name;
  return record;
}

const SessionStartOptions* SessionStartOptionsOf(int slot) {
  return slot >= 0 && slot < kMaxSessionSlots ? g_startOptions[slot].get() : nullptr;
}

void createSessionFromSession(int slot, const Geometry& geometry) {
  const SessionStartOptions* from = SessionStartOptionsOf(slot);
  if (!from) return;
  SessionStartOptions copy = *from;
  copy.geometry = geometry;
  copy.playbackFile.clear();
  copy.startupPlayback = 0;
  createSessionUnderThisProcess(copy, nullptr, nullptr);
}

int createSession(const SessionStartOptions& options) {
  if (!IsMasterProcess()) return HandSessionToMaster(XtDisplay(TopLevelWidget()), options);
  createSessionUnderThisProcess(options, nullptr, nullptr);
  return 0;
}

void createSessionUnderThisProcess(const SessionStartOptions& optionsIn, ColorOptions* colors,
                                   XmRenderTable* renderTable) {
  InitialiseOrder();
  InstallHooks();
  if (optionsIn.hostName.empty()) {
    TheErrorDialogs().createHostNameDialog(optionsIn, colors, renderTable);
    return;
  }
  SessionStartOptions options = optionsIn;
  if (options.hostName == kMaxSessionsHost) {
    options.hostName = "npt";
    g_repeatSessions = true;
  }
  const AppResourceStruct& res = AppResources();
  if (g_numberOfSessions >= res.MAX_SESSIONS) {
    TheErrorDialogs().createErrorDialog("ErrorMsgMaxSessions", colors, renderTable, nullptr, DialogCloseOnly);
    return;
  }

  void* memory = LocalMalloc("scb_ptr", sizeof(SessionControlBlock), MallocFailLowMemoryDialog);
  if (!memory) return;
  std::memset(memory, 0, sizeof(SessionControlBlock));
  ++g_numberOfSessions;
  if (DebugFlag())
    LogMsg(LevelDebug, "createSessionUnderThisProcess:  session title = %s.\n", options.title.c_str());

  const int instance = InstanceFor(options.hostName);
  SettleGeometry(options.geometry);
  unsigned char bottomUp = 1;
  const int slot = ChooseSlot(options.geometry, &bottomUp);
  if (slot < 0) ErrorHalt(kModuleSessionTable, 18);  // MAX_SESSIONS <= 99 leaves a free entry
  SessionTableEntry& entry = g_entries[slot];
  entry = SessionTableEntry();
  entry.sequence = ++g_sequence;
  entry.instance = instance;
  entry.bottomUp = bottomUp;
  entry.connected = 0;
  for (int& o : g_order)
    if (o == -1) {
      o = slot;
      break;
    }
  g_startOptions[slot].reset(new SessionStartOptions(options));

  if (DebugFlag()) LogMsg(LevelDebug, "language resource currently set to:  %s\n", options.languageId.c_str());
  const char* language = ResolveSessionLanguage(options.languageId.empty() ? nullptr : options.languageId.c_str());
  if (DebugFlag()) LogMsg(LevelDebug, "language resource after modified:  %s\n", language ? language : "");

  const char* displayName = !options.displayName.empty() ? options.displayName.c_str() : res.DISPLAY_NAME;
  const char* terminalName = !options.terminalName.empty() ? options.terminalName.c_str() : res.TERMINAL_TYPE;
  const char doubleByte = options.title.compare(0, 6, "__ITCM") == 0 ? 1 : 0;
  auto* block = new (memory) SessionControlBlock(slot, options.sslValue.empty() ? nullptr : options.sslValue.c_str(),
                                                 displayName, terminalName, doubleByte, 0);
  entry.session = block;
  if (!block->constructed) {
    EndSession(block, 1);
    return;
  }

  std::string requested = !options.sessionId.empty() ? options.sessionId : (res.SESSION_ID ? res.SESSION_ID : "");
  requested = requested.substr(0, kSessionIdLength);
  CopyId(block->requestedSessionId, requested);
  determineSessionID(block, requested.empty() ? nullptr : requested.c_str());

  CopyOptions(block, options);
  EuroTest(language, options.EuroOption, block->languageId, &block->euroState);
  block->setEBCDICtoFW_Ptr();
  block->openCodePages();

  if (block->xstuff.initializeSession(options.hostName.c_str(), options.title.c_str(), block->port,
                                      options.playbackFile.c_str(), static_cast<char>(options.startupPlayback),
                                      options.keyFile.c_str(), static_cast<char>(options.iconic), options.geometry,
                                      entry.shell) != 0) {
    EndSession(block, 1);
    return;
  }
  block->permitScreenSizes(block->xstuff.wideScreenAllowed());
  if (DebugFlag())
    LogMsg(LevelDebug, "session %s on host %s in slot %d, instance %d.\n", block->sessionId,
           options.hostName.c_str(), slot, instance);

  block->pendingConnectTimer = block->eventSources().AddTimeOut(kFinishDelayMs, [slot, block]() {
    // The entry may hold another session by now: only ours is completed.
    if (!InUse(slot) || g_entries[slot].session != block) return;
    block->pendingConnectTimer = 0;
    finishCreateSessionUnderThisProcess(slot);
  });

  SendSessionEvent(block, 1, slot);
}

void EndSession(SessionControlBlock* block, int status) {
  const int slot = SlotOfBlock(block);
  if (slot < 0) return;  // not (or no longer) a session of the table
  SessionTableEntry& entry = g_entries[slot];

  if (block->telnet) block->telnet->removeSocketInput();
  if (block->pendingConnectTimer != 0) {
    EventSources::Id id = block->pendingConnectTimer;
    block->pendingConnectTimer = 0;
    block->eventSources().RemoveTimeOut(id);
  }
  block->retry.cancelInactivityTimer();
  if (block->telnet) block->telnet->tel_close();
  const bool constructed = block->constructed != 0;
  if (constructed) SendSessionEvent(block, 0, slot);
  block->xstuff.endSession();

  entry.shell = nullptr;
  entry.sequence = 0;
  entry.session = nullptr;
  entry.connected = 0;
  entry.instance = 0;
  for (int& o : g_order)
    if (o == slot) o = -1;
  g_startOptions[slot].reset();

  block->~SessionControlBlock();
  std::free(block);

  if (g_numberOfSessions > 0) --g_numberOfSessions;
  if (g_numberOfSessions == 0 && TheErrorDialogs().getNumberOfActiveDialogs() == 0 && !LowMemoryDialogPosted())
    ExitMaster(status);
}

void EndSessions(int status) {
  for (int i = 0; i < kMaxSessionSlots; ++i)
    if (g_entries[i].session) EndSession(g_entries[i].session, status);
}

int getNumberOfSessions() { return g_numberOfSessions; }

int SlotOfSessionNumber(int number) {
  InitialiseOrder();
  if (number < 1 || number > kMaxSessionSlots) return -1;
  const int slot = g_order[number - 1];
  return InUse(slot) ? slot : -1;
}

const SessionTableEntry* SessionEntry(int slot) {
  return (slot >= 0 && slot < kMaxSessionSlots) ? &g_entries[slot] : nullptr;
}

void ResetSessionEntryForReconnection(int slot) {
  if (slot >= 0 && slot < kMaxSessionSlots) g_entries[slot].connected = 0;
}

namespace {

// The widget just below the application shell, or null.
Widget SessionShellOf(Widget w, bool* isAppShell) {
  *isAppShell = false;
  Widget top = TopLevelWidget();
  if (!w || !top) return nullptr;
  if (w == top) {
    *isAppShell = true;
    return nullptr;
  }
  while (w && XtParent(w) != top) w = XtParent(w);
  return w;
}

}  // namespace

SessionControlBlock* FindSessionOfWidget(Widget w) {
  bool appShell = false;
  Widget shell = SessionShellOf(w, &appShell);
  if (!shell) return nullptr;
  for (const SessionTableEntry& e : g_entries)
    if (e.shell == shell) return e.session;
  return nullptr;
}

SessionControlBlock* getSCBPointer(Widget w) {
  bool appShell = false;
  Widget shell = SessionShellOf(w, &appShell);
  if (appShell) ErrorHalt(kModuleWidgetLookup, 1);
  if (!shell || !IsMasterProcess()) ErrorHalt(kModuleWidgetLookup, 8);
  for (const SessionTableEntry& e : g_entries)
    if (e.shell == shell && e.session) return e.session;
  ErrorHalt(kModuleWidgetLookup, 2);
}

int isAssociatedWithASession(Widget w) { return FindSessionOfWidget(w) ? 1 : 0; }

void NoteSessionEvent(Widget w) {
  if (SessionControlBlock* block = FindSessionOfWidget(w)) block->countEvent();
}

void SessionDialogAction(Widget parent, int dialogSlot, int dialogOptions, bool ok) {
  SessionControlBlock* block = FindSessionOfWidget(parent);
  if (!block) return;  // the session has ended meanwhile
  if (dialogOptions == DialogEndsSession) {
    EndSession(block, 1);
    return;
  }
  if (dialogOptions != DialogRetry) return;
  if (ok) {
    // May reconnect at once, and so end the session: nothing after it.
    block->retry.retryDialogOk(dialogSlot);
    return;
  }
  if (block->retry.retryDialogCancel(dialogSlot)) EndSession(block, 1);
}
