#pragma once
// The root object of one emulator session: owns the session's window,
// macro recorder, translation tables, Telnet connection, host interface,
// renderer, display station, keyboard translator and SSL object, its option
// copies, code-page converters and the outbound data-stream buffer.
// Session creation (SessionTable) allocates it, constructs it in place and
// ends it with EndSession.
#include <cstddef>
#include <string>
#include <vector>

#include "datastream/BrellObject.h"
#include "datastream/RecordGlue.h"
#include "datastream/TelnetSessionLink.h"
#include "display/DisplayCharacteristics.h"
#include "keyboard/XlateTable.h"
#include "session/ConnectionRetry.h"
#include "session/MiscPreferences.h"
#include "session/SessionCodePages.h"
#include "session/SessionRecordLink.h"
#include "session/SessionTranslatorHost.h"
#include "tools/PlayRecord.h"
#include "xfront/XStuff.h"

class DisplayBag;
class HostInterface;
class Rendering;
class TAXlate;
class TelnetLAN;
struct LanguageRow;

constexpr size_t kOutboundBufferSize = 33000;
constexpr size_t kPresentationSpaceBufferSize = 3696;
constexpr size_t kSessionIdLength = 20;
constexpr const char* kNoSslString = "__NO_SSL_STRING";

class SessionControlBlock final : public TelnetSessionLink, public BrellSessionLink, public ConnectionRetryHost {
 public:
  // Builds the session's objects in order; `constructed` stays 0 when an
  // allocation failed (what was built is released by the destructor).
  SessionControlBlock(int slot, const char* ssl, const char* deviceName, const char* terminalName, char doubleByte,
                      char console);
  ~SessionControlBlock() override;
  SessionControlBlock(const SessionControlBlock&) = delete;
  SessionControlBlock& operator=(const SessionControlBlock&) = delete;

  // Code-page conversions: input and length, output and size; the number of
  // bytes written (0 on a conversion error where so stated).
  int convertKeyboardCodePointsToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size);
  int convertSessionKeyboardCodesToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size);
  int convertISO1ToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size);
  int convertASCIIToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size);
  int convertLocaleASCIIToEBCDIC(const unsigned char* in, int length, unsigned char* out, int size);
  int convertASCIIToLocaleASCII(const unsigned char* in, int length, unsigned char* out, int size);
  int convertISO1ToCodePageOfLocale(const unsigned char* in, int length, unsigned char* out, int size);
  int convertCodePageOfLocaleToISO1(const unsigned char* in, int length, unsigned char* out, int size);

  // The session language's row (ENU when it has none), and with it the
  // host and session ASCII code sets; opens the converters.
  void setEBCDICtoFW_Ptr();
  void openCodePages();
  // The screen sizes that the session window permits become capabilities of
  // the display station: the terminal type, the query reply and clear unit
  // alternate read them there.
  void permitScreenSizes(bool wide27x132);
  // Builds the host interface, renderer, display station (with
  // `characteristics`) and keyboard translator, and puts them in place of
  // any earlier ones. False, with the earlier ones kept, when an allocation
  // failed.
  bool buildStation(const DisplayCharacteristics& characteristics);

  // TelnetSessionLink.
  EventSources& eventSources() override;
  int s5250_accept(const unsigned char* data, int length) override;
  void s5250_accept_eor() override;
  void receiveBegins() override;
  void receiveDrained() override;
  int x_comm_msg(unsigned int number) override;
  void connectError(const char* msgName, int retry) override;
  void transparentModeReached() override;
  void terminalTypeSent(const char* type) override;
  void noteSocketInput() override { ++eventCount; retry.noteActivity(); }
  bool reconnecting() const override { return retry.reconnecting(); }
  void setPort(int p) override { port = p; }
  bool traceFlag() const override { return trace != 0; }
  int connectTimeoutSeconds() const override;
  int negotiateTimeoutSeconds() const override;
  bool languageValues(TelnetLanguageValues& values) const override;
  TelnetStream* secureStream() override;
  void DumpBuff(const unsigned char* data, int length, int level) override;

  // BrellSessionLink.
  void errorDialog(const char* msgName) override;

  // ConnectionRetryHost.
  int openErrorDialog(const char* msgName, int dialogOptions) override;
  void destroyDialog(int slot) override;
  void deiconifyIfConfigured() override;
  void removeSocketInput() override;
  void reconnect() override;
  void reconnectAfterInactivity() override;
  const char* macAddress() override;

  // Programming-interface accessors: the number of fields (attribute
  // bytes) on the screen; one 12-byte record per field into `buffer` (the
  // records written; `total`, when given, receives the number of fields, so
  // that a caller sees when the buffer was too small); the screen's size and
  // planes.
  int getNumberOfFields();
  int getFieldInfo(char* buffer, int size, int* total = nullptr);
  void getScreenInfo(struct ScreenInfo* info);

  // An X event of the session (the main loop counts them).
  void countEvent() { ++eventCount; retry.noteActivity(); }

  // 1. construction
  unsigned char constructed = 0;
  int slot;
  // 3. connection options
  int port = 0;
  unsigned char trace = 0;
  unsigned char dsmDebug = 0;
  unsigned char testCase = 0;
  // 4. owned objects
  HostInterface* hostInterface = nullptr;
  Rendering* renderer = nullptr;
  TAXlate* taxlate = nullptr;
  unsigned char* presentationSpaceBuffer = nullptr;
  DisplayBag* display = nullptr;
  // 5, 6. window and macro recorder
  XStuff xstuff;
  MiscPreferenceSet miscPreferences;
  PlayRecord playRecord;
  // 7. session ids
  char requestedSessionId[kSessionIdLength + 1] = {};
  char sessionId[kSessionIdLength + 1] = {};
  unsigned char defaultId = 0;
  // 8. options
  const char* sslInUse = nullptr;  // the setting in use, or null
  char* sslOption = nullptr;       // owned copy of the SSL value
  int wideOption = 0;
  int imageOption = 0;
  int largestImage = 0;
  char* deviceName = nullptr;    // owned
  char* terminalName = nullptr;  // owned
  int DisplayNameSoftRequirementOption = 0;
  unsigned char softDisplayName = 0;
  std::vector<unsigned char> initialKeypads;
  unsigned char euroState = 0;  // 0 none, 1 euro variant, 2 base variant
  unsigned char forceTranslatedFont = 0;
  int thaiDisplayMode = 0;
  int retryCount = 0;
  int retryInterval = 0;
  int CopyPasteOption = 0;
  int ECLOption = 0;
  unsigned char programmingInterface = 0;
  int FontSizesOption = 0;
  int PDTOption = 0;
  unsigned char pdtInUse = 0;
  int TitleOption = 0;
  // 9. connection state
  TelnetLAN* telnet = nullptr;
  EventSources::Id pendingConnectTimer = 0;
  int negotiationWord = -1;
  int inactivityTimeout = 0;
  unsigned long eventCount = 0;
  unsigned char firstConnect = 1;
  // 10. language and tables
  char languageId[4] = {};
  const LanguageRow* languageRow = nullptr;
  unsigned char ebcdicToAscii[256] = {};
  unsigned char traceTable[256] = {};
  // The national characters of the keyboard in the window's code set.
  unsigned char extraKeyboardChars[10] = {};
  // 11. outbound buffer, and the record glue with its reassembly buffer
  unsigned char* outboundBuffer = nullptr;
  unsigned char* reassemblyBuffer = nullptr;
  SessionRecordLink recordLink{this};
  RecordGlue glue{recordLink, nullptr, nullptr};
  // 12. translation tables, the keyboard-type byte that picks the default
  // one, and what the translator asks of the session
  XlateTable xlateTable;
  unsigned char keyboardType = 0;
  SessionTranslatorHost translatorHost{this};
  // 13. window-side state
  unsigned char windowState = 1;
  void* inputMethod = nullptr;
  void* inputContext = nullptr;
  unsigned char thaiMode = 0;
  // What the key pre-dispatch keeps: the Shift keys held, whether the
  // second layer is the national one, and the modifier bits inverted in
  // every key event.
  unsigned char leftShiftHeld = 0;
  unsigned short rightShiftHeld = 0;
  bool shiftKeyHeld() const { return leftShiftHeld != 0 || rightShiftHeld != 0; }
  int nationalLayer = 0;
  unsigned int modifierInversion = 0;
  // 14. code-page converters
  SessionCodePages codePages;
  // 15. SSL object
  BrellObject* brell = nullptr;

 private:
  EventSources* events_;

 public:
  // The reconnection schedule and inactivity timer.
  ConnectionRetry retry;
};

// The default display characteristics: 24 x 80, buffer 3,696, the fixed
// feature bits, and the two double-byte bits when `doubleByte` is set.
DisplayCharacteristics GetDefaultDisplayCharacteristics(char doubleByte);

// Builds the EBCDIC-to-ASCII table (and its trace copy) of the session and
// opens its ASCII converters. Returns 1.
int InitializeExternalTables(SessionControlBlock* block);

// The trace dump of a session (see TraceDump.h).
void DumpBuff(SessionControlBlock* block, const unsigned char* data, int length, int level);

// Fills `count` 16-bit attributes with `value`; returns the array.
unsigned short* AttribSet(unsigned short* array, unsigned short value, int count);

// The record glue's per-connection set-up: clears the outbound record and
// the reassembly state, starts the translator on the default table of the
// session's keyboard type, and gives the host interface its display
// station. 0, or -1 when the session has no translator to start.
int S5250_Init(SessionControlBlock* block, int columns, int rows);
