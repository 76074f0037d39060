#pragma once
// The keyboard translator of one 5250 session. It takes the device input
// records of the session (key records, mouse and status records, stripe
// reader and light pen), turns each key into a FunctionWord through the
// active translation table, the shift states and the multi-key modes,
// holds keys as type-ahead while the keyboard is locked, and hands every
// finished word to the input-object generator of the display station.
//
// Members are spread over TAXlate.cpp (records, loop, type-ahead queue),
// TAXlateTables.cpp (active table and lookup), TAXlateShifts.cpp (shift
// states, defaults, type-ahead control) and TAXlateModes.cpp (modes and
// remaps).
#include "keyboard/FunctionWord.h"
#include "keyboard/TypeAheadQueue.h"
#include "keyboard/XlateTable.h"
#include "keyboard/XltState.h"

class DisplayBag;
class TranslatorHost;
class qrnOStream;
class qrnIStream;

// The control block of the record being translated.
struct TaxTCB {
  static constexpr unsigned int kOutputReady = 1u << 31;
  static constexpr unsigned int kDeviceRecord = 1u << 30;
  static constexpr unsigned int kKeyRecord = 1u << 29;
  static constexpr unsigned int kNonKeyRecord = 1u << 28;

  unsigned char seed[2] = {0, 0};  // seed[0] bit 7: the flag of the last poll
  unsigned char reserved = 0;
  unsigned char scan = 0;
  const unsigned char* record = nullptr;
  unsigned long length = 1;
  unsigned int flags = 0;
};

class TAXlate {
 public:
  // tax() results.
  static constexpr unsigned char kTaken = 0;
  static constexpr unsigned char kDeviceRecordError = 0xFF;  // negative response sent
  static constexpr unsigned char kRecordRefused = 0xFE;      // unknown or empty record
  static constexpr unsigned int kDeviceRecordLength = 40;
  // Translation modes.
  static constexpr unsigned char kDataProcessing = 4;
  static constexpr unsigned char kWordProcessing = 5;
  // Keyboard-type byte (low byte of the keyboard options).
  static constexpr unsigned int kTypewriter = 0x80;
  static constexpr unsigned int kNumericPadSwap = 0x40;
  static constexpr unsigned int kDigit5 = 0x20;
  static constexpr unsigned int kTypeBit08 = 0x08;
  // Keyboard option bits from the active table.
  static constexpr unsigned int kOptionDigit6 = 0x0010;
  static constexpr unsigned int kOption2000 = 0x2000;
  static constexpr unsigned int kOptionAltPlane1024 = 0x4000;
  static constexpr unsigned int kOptionRightToLeft = 0x8000;
  // The translator's own table bits.
  static constexpr unsigned int kTableBit80 = 1;
  static constexpr unsigned int kTableBit20 = 2;
  static constexpr unsigned int kTableBit01 = 4;
  // The display's input word.
  static constexpr unsigned int kInputInhibited = 1u << 28;
  static constexpr unsigned int kInputOverrun = 1u << 27;
  // Key-flags byte.
  static constexpr unsigned char kAttentionKey = 0x80;
  static constexpr unsigned char kBypass = 0x40;
  static constexpr unsigned char kQueueMode = 0x20;
  // Type-ahead byte.
  static constexpr unsigned char kTADeviceWish = 0x80;
  static constexpr unsigned char kTAOn = 0x40;
  static constexpr unsigned char kTAHostSet = 0x20;
  static constexpr unsigned char kTAOffPending = 0x10;
  // Get-key states.
  static constexpr unsigned char kWaitForKey = 5;
  static constexpr unsigned char kReplayNow = 6;
  static constexpr unsigned char kWaitForRecord = 0x57;

  explicit TAXlate(DisplayBag* display = nullptr);
  ~TAXlate() = default;
  TAXlate(const TAXlate&) = delete;
  TAXlate& operator=(const TAXlate&) = delete;

  // The host side it asks (null: the defaults of TranslatorHost).
  void setHost(TranslatorHost* host);
  TranslatorHost* host() const { return host_; }

  // ---- records and the translate loop (4.101) ----
  // Type 0 key record (the last byte is the scan code), 1 device record,
  // 2 stripe reader, 3 light pen, 4 fixed function.
  unsigned char tax(unsigned char type, const unsigned char* data, unsigned long length);
  unsigned char taxIntf(unsigned char mode);
  // After each input and each host record: poll the display, decide
  // whether keys are held, set the default shifts.
  void tawsmtcb();

  // ---- tables (4.102) ----
  void getDefaultTableRuName(RuName& name) const;
  void loadXlateTable(XlateTableInfo* info);
  FunctionWord getFW(unsigned char scan, const XltState* state);
  XlateTableInfo* activeTable() const { return active_; }
  bool usesHostTables() const { return hostTables_; }
  void setUsesHostTables(bool on) { hostTables_ = on; }

  // ---- shift states and type-ahead control (4.103) ----
  void checkind(const XltState& state);
  XltState chkl100(FunctionWord word, XltState state) const;
  void setDefaultShifts();
  void TaxPOR();
  void resetTaxlate();
  void resetTaxlateForWP();
  void rstmodes(unsigned int modes);
  void clrTABuf();
  void turnTAOnCtl();
  void turnTAOffCtl();
  void turnTAOnDev(int force);
  void turnTAOffDev(int force);
  void TAOverride(unsigned char value);
  // Sets the language shift of the arrival and the replay state and the
  // display's language indicator.
  void setLanguageShift(bool on);
  bool languageShift() const { return arrival_.languageShift(); }

  // ---- modes and remaps (4.106) ----
  XltModes setModes(FunctionWord word, const XltState* state, XltModes modes) const;
  FunctionWord hexmode(unsigned char scan, XltModes modes, const XltState& state, bool replay);
  FunctionWord specialHex(FunctionWord word) const;
  static FunctionWord setHexError() { return FunctionWord{23, 5}; }
  // The pending dead key with this key; the same with a given dead key.
  FunctionWord diacrit(FunctionWord word) const { return diacrit(pendingDead_, word); }
  FunctionWord diacrit(FunctionWord deadKey, FunctionWord word) const;
  FunctionWord frntface(unsigned char scan) const;
  FunctionWord gtcacmd(FunctionWord word) const;
  FunctionWord wpAltFunctions(unsigned char scan);
  FunctionWord monocaseCharacter(FunctionWord word) const;
  FunctionWord dpNormmode(FunctionWord word) const;
  FunctionWord wpNormmode(FunctionWord word) const;
  FunctionWord proofIt(FunctionWord word) const;
  FunctionWord categorizeCodePoint(unsigned char code);

  // ---- save and restore ----
  // One bit, the language shift of the arrival state, always written.
  void saveTaxStuff(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreTaxStuff(qrnIStream* in);

  // ---- what the session, the display and tests read and set ----
  DisplayBag* display() const { return display_; }
  unsigned int keyboardCode() const { return keyboardCode_; }
  unsigned int keyboardOptions() const { return keyboardOptions_; }
  // The host controls the keyboard (bit 31 of the option word).
  void setHostControl(bool on) {
    keyboardOptions_ = on ? (keyboardOptions_ | 0x80000000u) : (keyboardOptions_ & ~0x80000000u);
  }
  unsigned int keyboardType() const { return keyboardOptions_ & 0xFF; }
  void setKeyboardType(unsigned char type) { keyboardOptions_ = (keyboardOptions_ & ~0xFFu) | type; }
  unsigned int tableBits() const { return tableBits_; }
  unsigned char diacriticCountry() const { return diacCountry_; }
  unsigned char translationMode() const { return mode_; }
  unsigned int pollType() const { return pollType_; }
  bool queueMode() const { return (keyFlags_ & kQueueMode) != 0; }
  bool typeAheadOn() const { return (taByte_ & kTAOn) != 0; }
  unsigned char typeAheadByte() const { return taByte_; }
  unsigned char typeAheadOverride() const { return taOverride_; }
  bool queuedAttention() const { return queuedAttention_; }
  unsigned int queuedKeys() const { return ta_.count(); }
  const TABuffer& typeAhead() const { return ta_; }
  unsigned int& inputWord() { return inputWord_; }
  unsigned char getKeyState() const { return getKey_; }
  unsigned char talkMode() const { return talkMode_; }
  const XltState& arrivalState() const { return arrival_; }
  const XltState& replayState() const { return replay_; }
  XltModes arrivalModes() const { return arrivalModes_; }
  XltModes replayModes() const { return replayModes_; }
  // Where each of the four double-byte sub-tables begins (null without).
  const unsigned char* doubleByteTable(unsigned int i) const { return i < 4 ? dbLimits_[i] : nullptr; }
  // Called with every word handed to the input-object generator (traces
  // and tests).
  using OutputObserver = void (*)(void* context, FunctionWord word);
  void setOutputObserver(OutputObserver observer, void* context) {
    observer_ = observer;
    observerContext_ = context;
  }
  // How many times the translator has been polled.
  unsigned int continuations() const { return continued_; }

 private:
  friend class CmdState;

  // Records.
  unsigned char taxKeystrokeData(const unsigned char* data, unsigned long length);
  unsigned char taxOSBData(const unsigned char* data, unsigned long length);
  unsigned char taxMsrData(const unsigned char* data, unsigned long length);
  FunctionWord talkwtcb();
  FunctionWord xlate1(unsigned char scan);
  void xlate2();
  void normmode();
  void sndToWSM();
  void taCheck();
  void taActiveCheck();
  void putScan();
  TaxObj getScan();
  void setGetKy();
  void attnProc();
  void srqProc();
  void resetProc(unsigned char scan, FunctionWord& word);
  void pMaskFlg();
  void readOSB();
  void decode();
  void sendExportEvent();
  void dispatch(FunctionWord word);
  void emptyQueue();
  // Tables.
  void setDbTableLimits(unsigned int offset);
  FunctionWord entryAt(unsigned int byteOffset) const;
  // Shifts.
  XltState shiftKeys(FunctionWord word, const XltState& state, FunctionWord previous) const;
  void setShift(XltState* state) const;
  void bidisvst();
  void dpBidiDefaults(XltState& state);
  void wpBidiDefaults(XltState& state);
  bool acceptsDeviceRecords() const;
  bool rightToLeft() const { return (keyboardOptions_ & kOptionRightToLeft) != 0; }
  bool bgOrBh() const { return keyboardCode_ == kKeyboardBG || keyboardCode_ == kKeyboardBH; }

  DisplayBag* display_;
  TranslatorHost* host_;
  unsigned int word_ = 0;
  unsigned int keyboardCode_ = kKeyboardBC;
  unsigned int keyboardOptions_ = 0;
  unsigned int tableBits_ = 0;
  TaxTCB tcb_;
  TaxObj obj_;
  unsigned char device_[kDeviceRecordLength] = {};
  unsigned char recordKind_ = 0;  // kind of the device record in device_, 0 for others
  unsigned char getKey_ = 0;
  TABuffer ta_;
  unsigned int inputWord_ = 0;
  // The active table.
  XlateTableInfo* active_ = nullptr;
  const unsigned char* table_ = nullptr;
  unsigned int tableBytes_ = 0;
  unsigned short entryCount_ = 0;
  unsigned char diacCountry_ = 0;
  bool hostTables_ = false;
  const unsigned char* dbLimits_[4] = {nullptr, nullptr, nullptr, nullptr};
  // Modes and states.
  bool queuedAttention_ = true;
  unsigned char mode_ = kWordProcessing;
  unsigned char prevMode_ = kWordProcessing;
  XltModes arrivalModes_;
  XltModes replayModes_;
  XltState arrival_;
  XltState replay_;
  XltState default_;
  XltState savedDefault_;
  XltState sysreqSaved_;
  FunctionWord lastX1_;
  FunctionWord lastX2_;
  unsigned int pollType_ = 0;
  unsigned int prevPollType_ = 0;
  unsigned int pollFlag_ = 0;
  unsigned int bidiFlags_ = 0;
  unsigned char keyFlags_ = 0;
  // First hex digit of the arrival and of the replay side (each side runs
  // its own hex sequence, so a key arriving between two replayed digits
  // cannot change the character).
  unsigned char hexArrival_ = 0;
  unsigned char hexReplay_ = 0;
  unsigned char taOverride_ = 2;
  unsigned char taByte_ = kTADeviceWish | kTAOn;
  FunctionWord pendingDead_;
  unsigned char lightPen_ = 0;
  unsigned char talkMode_ = 0;
  unsigned int continued_ = 0;
  OutputObserver observer_ = nullptr;
  void* observerContext_ = nullptr;
};
