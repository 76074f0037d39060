#include "session/SessionControlBlock.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "datastream/HostInterfaceTCP.h"
#include "datastream/NonDisplayWrites.h"
#include "datastream/TelnetLAN.h"
#include "datastream/TerminalTypes.h"
#include "display/DisplayBag.h"
#include "keyboard/HotSpotActions.h"
#include "keyboard/TAXlate.h"
#include "session/AppResources.h"
#include "session/EditMenuCommands.h"
#include "session/ErrorDialogs.h"
#include "session/ResourceKeywords.h"
#include "session/KeyGlue.h"
#include "xfront/BrowserStart.h"
#include "xfront/HelperLaunch.h"
#include "session/Language.h"
#include "session/RegistryFacts.h"
#include "session/ScreenInfo.h"
#include "session/SessionTable.h"
#include "session/TraceDump.h"
#include "base/LocalMalloc.h"
#include "base/TraceMask.h"
#include "base/LogMsg.h"
#include "xfront/RenderingX.h"

namespace {
// A web-address hot spot of the station's screen goes to the browser.
void OpenBrowserFromScreen(DisplayBag* d, unsigned int start, unsigned int length) {
  StartBrowser(d->getSessionControlBlock(), start, length);
}

char* CopyString(const char* label, const char* text) {
  if (!text) return nullptr;
  const size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(LocalMalloc(label, n, MallocFailLowMemoryDialog));
  if (copy) std::memcpy(copy, text, n);
  return copy;
}

template <typename T, typename... Args>
T* Build(const char* label, Args&&... args) {
  void* p = LocalMalloc(label, sizeof(T), MallocFailLowMemoryDialog);
  return p ? new (p) T(std::forward<Args>(args)...) : nullptr;
}

template <typename T>
void Destroy(T*& object) {
  if (!object) return;
  object->~T();
  std::free(object);
  object = nullptr;
}

constexpr uint32_t kDoubleByteBits = 0x00800100u;  // bits 23 and 8

}  // namespace

DisplayCharacteristics GetDefaultDisplayCharacteristics(char doubleByte) {
  DisplayCharacteristics dc;
  if (doubleByte) dc.word[0] |= kDoubleByteBits;
  // The terminal type sent when the session names none, until the
  // negotiation names the one in use.
  unsigned char type[4], model[3];
  if (Tn5250DeviceIdentity(kTn5250DefaultType, type, model)) dc.setDevice(type, model);
  return dc;
}

SessionControlBlock::SessionControlBlock(int slotNumber, const char* ssl, const char* devName, const char* termName,
                                         char doubleByte, char /*console*/)
    : slot(slotNumber),
      xstuff(this),
      playRecord(this),
      xlateTable(BuiltInXlateTables()),
      events_(&SessionEventSources()),
      retry(*this) {
  retry.setSessionIndex(slot);
  outboundBuffer = static_cast<unsigned char*>(LocalMalloc("dspt_buff_ptr", kOutboundBufferSize, MallocFailLowMemoryDialog));
  if (!outboundBuffer) return;
  std::memset(outboundBuffer, 0, kOutboundBufferSize);
  reassemblyBuffer = static_cast<unsigned char*>(LocalMalloc("record_buff_ptr", kRecordBufferSize, MallocFailLowMemoryDialog));
  if (!reassemblyBuffer) return;
  static_assert(kOutboundBufferSize == kRecordBufferSize, "the glue's outbound record is the session's buffer");
  glue.outbound = outboundBuffer;
  glue.reassembly = reassemblyBuffer;

  telnet = Build<TelnetLAN>("telnet_object_ptr", static_cast<TelnetSessionLink&>(*this));
  if (!telnet) return;

  if (ssl && *ssl) {
    sslOption = CopyString("ssl_option_ptr", ssl);
    if (!sslOption) return;
    if (std::strcmp(sslOption, kNoSslString) != 0) sslInUse = sslOption;
  } else {
    const char* resource = AppResources().SSL;
    sslInUse = resource && *resource ? resource : nullptr;
  }

  if (!buildStation(GetDefaultDisplayCharacteristics(doubleByte))) return;

  if (devName && *devName) {
    deviceName = CopyString("dev_name_ptr", devName);
    if (!deviceName) return;
  }
  if (termName && *termName) {
    terminalName = CopyString("term_name_ptr", termName);
    if (!terminalName) return;
  }

  brell = Build<BrellObject>("brell_object_ptr", static_cast<BrellSessionLink*>(this));
  if (!brell) return;
  // The window's menus and key callback hand their keystroke codes to the
  // key glue.
  AttachKeyGlueToWindows();
  AttachHelperMenus();
  AttachEditMenus();
  constructed = 1;
}

bool SessionControlBlock::buildStation(const DisplayCharacteristics& characteristics) {
  HostInterfaceTCP* host = Build<HostInterfaceTCP>("host_interface_object_ptr", &glue);
  char* area =
      host ? static_cast<char*>(LocalMalloc("needed_rendx_memory", RenderingX::kAreaSize, MallocFailLowMemoryDialog))
           : nullptr;
  RenderingX* rendering =
      area ? Build<RenderingX>("rendering_object_ptr", 24u, 80u, this, area, RenderingX::kAreaSize) : nullptr;
  if (area && !rendering) std::free(area);
  // The translator's storage comes first: the station keeps its address,
  // and the translator is built once the station exists.
  void* taxStorage = rendering ? LocalMalloc("taxlate_object_ptr", sizeof(TAXlate), MallocFailLowMemoryDialog) : nullptr;
  auto* buffer = taxStorage ? static_cast<unsigned char*>(LocalMalloc(
                                  "presentation_space_buffer", kPresentationSpaceBufferSize, MallocFailLowMemoryDialog))
                            : nullptr;
  if (buffer) std::memset(buffer, 0, kPresentationSpaceBufferSize);
  DisplayBag* station = buffer ? Build<DisplayBag>("display_object_ptr", this, static_cast<Rendering*>(rendering),
                                                   static_cast<HostInterface*>(host), static_cast<TAXlate*>(taxStorage),
                                                   characteristics, buffer)
                               : nullptr;
  if (!station) {
    std::free(buffer);
    std::free(taxStorage);
    Destroy(rendering);
    Destroy(host);
    return false;
  }
  // The objects of an earlier station go; the station first, as it holds
  // the others.
  Destroy(display);
  Destroy(hostInterface);
  Destroy(renderer);
  Destroy(taxlate);
  std::free(presentationSpaceBuffer);
  hostInterface = host;
  glue.setHostInterface(hostInterface);
  renderer = rendering;
  presentationSpaceBuffer = buffer;
  display = station;
  taxlate = new (taxStorage) TAXlate(display);
  // The window sends its pointer's clicks as mouse records.
  display->options().optionWord |= StationOptions::kDeviceRecords;
  // Web addresses on the screen are hot spots when the browser may start.
  display->options().browserStart = AppResources().browserStart == QwEnable;
  SetBrowserStarter(OpenBrowserFromScreen);
  taxlate->setHost(&translatorHost);
  hostInterface->setDisplayObjectPtr(display);
  return true;
}

void SessionControlBlock::permitScreenSizes(bool wide27x132) {
  if (!display) return;
  uint32_t& word = display->characteristicsForQuery().word[1];
  if (wide27x132)
    word |= 1u << kWord1Wide27x132Bit;
  else
    word &= ~(1u << kWord1Wide27x132Bit);
}

SessionControlBlock::~SessionControlBlock() {
  codePages.close();
  Destroy(telnet);
  // The station first: it holds the host interface, the renderer, the
  // translator and the presentation-space buffer.
  Destroy(display);
  Destroy(hostInterface);
  Destroy(renderer);
  Destroy(taxlate);
  std::free(presentationSpaceBuffer);
  presentationSpaceBuffer = nullptr;
  std::free(sslOption);
  sslOption = nullptr;
  sslInUse = nullptr;
  std::free(deviceName);
  deviceName = nullptr;
  std::free(terminalName);
  terminalName = nullptr;
  initialKeypads.clear();
  if (pendingConnectTimer != 0) {
    EventSources::Id id = pendingConnectTimer;
    pendingConnectTimer = 0;
    events_->RemoveTimeOut(id);
  }
  glue.setHostInterface(nullptr);
  glue.outbound = nullptr;
  glue.reassembly = nullptr;
  std::free(outboundBuffer);
  outboundBuffer = nullptr;
  std::free(reassemblyBuffer);
  reassemblyBuffer = nullptr;
  Destroy(brell);
}

// Conversions.
int SessionControlBlock::convertKeyboardCodePointsToEBCDIC(const unsigned char* in, int length, unsigned char* out,
                                                           int size) {
  return codePages.convertKeyboardCodePointsToEBCDIC(in, length, out, size);
}
int SessionControlBlock::convertSessionKeyboardCodesToEBCDIC(const unsigned char* in, int length, unsigned char* out,
                                                             int size) {
  return codePages.convertSessionKeyboardCodesToEBCDIC(in, length, out, size, euroState == 1);
}
int SessionControlBlock::convertISO1ToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) {
  return codePages.convertISO1ToEBCDIC(in, length, out, size);
}
int SessionControlBlock::convertASCIIToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) {
  return codePages.convertASCIIToEBCDIC(in, length, out, size);
}
int SessionControlBlock::convertLocaleASCIIToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size) {
  return codePages.convertLocaleASCIIToEBCDIC(in, length, out, size);
}
int SessionControlBlock::convertASCIIToLocaleASCII(const unsigned char* in, int length, unsigned char* out, int size) {
  return codePages.convertASCIIToLocaleASCII(in, length, out, size);
}
int SessionControlBlock::convertISO1ToCodePageOfLocale(const unsigned char* in, int length, unsigned char* out,
                                                       int size) {
  return codePages.convertISO1ToCodePageOfLocale(in, length, out, size);
}
int SessionControlBlock::convertCodePageOfLocaleToISO1(const unsigned char* in, int length, unsigned char* out,
                                                       int size) {
  return codePages.convertCodePageOfLocaleToISO1(in, length, out, size);
}

void SessionControlBlock::setEBCDICtoFW_Ptr() {
  languageRow = FindLanguageRow(languageId);
  if (!languageRow) languageRow = &LanguageTable()[0];
}

void SessionControlBlock::openCodePages() {
  if (!languageRow) setEBCDICtoFW_Ptr();
  codePages.open(languageRow->hostCodeSet, languageRow->localCodeSet);
  InitializeExternalTables(this);
}

int InitializeExternalTables(SessionControlBlock* block) {
  block->codePages.buildEbcdicToAsciiTable(block->ebcdicToAscii);
  std::memcpy(block->traceTable, block->ebcdicToAscii, sizeof block->traceTable);
  return 1;
}

// TelnetSessionLink.
EventSources& SessionControlBlock::eventSources() { return *events_; }

int SessionControlBlock::s5250_accept(const unsigned char* data, int length) {
  if (length <= 0) return 0;
  return ::s5250_accept(glue, data, static_cast<size_t>(length));
}

// Dispatching may end the session (through its window's events): nothing
// of the block is touched after it.
void SessionControlBlock::s5250_accept_eor() {
  // The end of a host input is reported before the record runs: the record
  // may end the session.
  ReportPresentationSpaceChange(this, 1);
  ::s5250_accept_eor(glue);
}

// The records of one receive are painted together (the host interface may
// be rebuilt in between by a power-on reset: the new one starts outside).
void SessionControlBlock::receiveBegins() {
  recordLink.readEventsBeforeNextRecord();
  if (hostInterface) hostInterface->beginRecordBurst();
}

void SessionControlBlock::receiveDrained() {
  if (hostInterface) hostInterface->endRecordBurst();
}

int SessionControlBlock::x_comm_msg(unsigned int number) { return xstuff.x_comm_msg(number); }

void SessionControlBlock::connectError(const char* msgName, int retryFlag) { retry.connectError(msgName, retryFlag); }

void SessionControlBlock::transparentModeReached() { retry.transparentModeReached(); }

void SessionControlBlock::terminalTypeSent(const char* type) {
  unsigned char deviceType[4], model[3];
  if (!Tn5250DeviceIdentity(type, deviceType, model)) return;
  std::memcpy(glue.deviceType, deviceType, sizeof deviceType);
  std::memcpy(glue.deviceModel, model, sizeof model);
  if (display) display->characteristicsForQuery().setDevice(deviceType, model);
}

int SessionControlBlock::connectTimeoutSeconds() const { return AppResources().CONNECT_TIMEOUT; }
int SessionControlBlock::negotiateTimeoutSeconds() const { return AppResources().NEGOTIATE_TIMEOUT; }

bool SessionControlBlock::languageValues(TelnetLanguageValues& values) const {
  const LanguageRow* row = FindLanguageRow(languageId);
  if (!row) return false;
  values.keyboardType = row->keyboard;
  values.codePage = row->codePage;
  values.characterSet = row->characterSet;
  return true;
}

TelnetStream* SessionControlBlock::secureStream() { return sslInUse ? brell : nullptr; }

void SessionControlBlock::DumpBuff(const unsigned char* data, int length, int level) {
  if (!data || length <= 0) return;
  // The data of non-display fields does not reach the log: what the
  // session sent from them, and what the host writes into them.
  std::vector<unsigned char> masked = display ? display->readMgr().traceMask().mask(data, static_cast<size_t>(length))
                                              : std::vector<unsigned char>(data, data + length);
  MaskNonDisplayFieldWrites(masked.data(), masked.size(), TraceMask::kMaskByte);
  DumpBytesWithTable(traceTable, masked.data(), length, level);
}

void DumpBuff(SessionControlBlock* block, const unsigned char* data, int length, int level) {
  if (block) block->DumpBuff(data, length, level);
}

// BrellSessionLink: the SSL failure ends the session, so its dialog is not
// parented to the session's window.
void SessionControlBlock::errorDialog(const char* msgName) {
  TheErrorDialogs().createErrorDialog(msgName, nullptr, nullptr, nullptr, DialogCloseOnly);
}

// ConnectionRetryHost.
int SessionControlBlock::openErrorDialog(const char* msgName, int dialogOptions) {
  Widget parent = xstuff.x_get_text_widget();
  return TheErrorDialogs().createErrorDialog(msgName, nullptr, nullptr, parent,
                                             static_cast<DialogOptions>(dialogOptions));
}

void SessionControlBlock::destroyDialog(int dialogSlot) { TheErrorDialogs().destroyErrorDialogByNumber(dialogSlot); }

void SessionControlBlock::deiconifyIfConfigured() { xstuff.doIconifiedActionIfNeeded(0); }

void SessionControlBlock::removeSocketInput() {
  if (telnet) telnet->removeSocketInput();
}

void SessionControlBlock::reconnect() {
  if (telnet) telnet->tel_close();
  finishCreateSessionUnderThisProcess(slot);
}

void SessionControlBlock::reconnectAfterInactivity() {
  if (telnet) {
    telnet->tel_cleardevname();
    telnet->removeSocketInput();
    telnet->tel_close();
  }
  ResetSessionEntryForReconnection(slot);
  finishCreateSessionUnderThisProcess(slot);
}

const char* SessionControlBlock::macAddress() { return GetMACAddress(); }

unsigned short* AttribSet(unsigned short* array, unsigned short value, int count) {
  if (!array) return array;
  for (int i = 0; i < count; ++i) array[i] = value;
  return array;
}

int S5250_Init(SessionControlBlock* block, int, int) {
  if (!block) return 0;
  if (block->outboundBuffer) std::memset(block->outboundBuffer, 0, kOutboundBufferSize);
  RecordGlue& glue = block->glue;
  glue.collected = 0;
  glue.seen = 0;
  glue.fill = 0;
  glue.invited = 0;
  glue.endOfReply = 0;
  // A new connection starts on the built-in table of the keyboard type: a
  // table that an earlier host downloaded is not in force any more.
  glue.hostKeyboardTable = 0;
  // The window starts blank at the station's size, the cursor at the first
  // position.
  if (block->xstuff.shell() && block->display) {
    block->xstuff.x_clear();
    block->xstuff.x_set_rows_columns(static_cast<int>(block->display->rows()),
                                     static_cast<int>(block->display->columns()));
    block->xstuff.x_cursor(0);
  }
  const bool translatorReady = LoadDefaultXlateTable(block);
  if (block->hostInterface) block->hostInterface->setDisplayObjectPtr(block->display);
  return translatorReady ? 0 : -1;
}

int SessionControlBlock::getNumberOfFields() { return display ? CountScreenFields(*display) : 0; }

int SessionControlBlock::getFieldInfo(char* buffer, int size, int* total) {
  if (!display) {
    if (total) *total = 0;
    return 0;
  }
  return ScreenFieldInfo(*display, buffer, size, total);
}

void SessionControlBlock::getScreenInfo(ScreenInfo* info) {
  if (info && display) FillScreenInfo(*display, nullptr, info);
}
