#pragma once
// A display station with its keyboard translator on the built-in tables,
// built in the order the session builds them (the station first, then the
// translator in the storage the station already points at). Records every
// word the translator hands to the input-object generator.
#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "keyboard/TAXlate.h"
#include "keyboard/TranslatorHost.h"
#include "keyboard/XlateTable.h"
#include "base/ErrorHalt.h"
#include "tests/display/RecordingRendering.h"

struct KeyHalted {
  unsigned short module, error;
};
inline void KeyThrowingHalt(unsigned short module, unsigned short error) { throw KeyHalted{module, error}; }

inline bool operator==(FunctionWord a, FunctionWord b) { return a.category == b.category && a.code == b.code; }
inline std::ostream& operator<<(std::ostream& o, FunctionWord w) {
  return o << "{" << unsigned(w.category) << ", 0x" << std::hex << unsigned(w.code) << std::dec << "}";
}

// A host side that counts what the translator sends.
struct CountingHost : TranslatorHost {
  void sendOSBErrorToHost() override { ++osbErrors; }
  void setGlobalTypeAheadState(unsigned char on) override { globalTypeAhead = on; }
  int osbErrors = 0;
  int globalTypeAhead = -1;
};

// Keyboard-type bytes that select the built-in tables.
enum : unsigned char { kTable1 = 0x80, kTable2 = 0x00, kTable3 = 0x88, kTable4 = 0x08, kTable5 = 0x20 };

// Scan codes of the built-in "BC" tables.
enum : unsigned char {
  kScanZ = 0x01, kScanSpace = 0x0F, kScanA = 0x11, kScanE = 0x23, kScanB = 0x05, kScanK = 0x18,
  kScanM = 0x07, kScanQ = 0x21, kScanU = 0x27, kScanTop1 = 0x31, kScanTop3 = 0x33, kScanTop4 = 0x34,
  kScanTop5 = 0x35, kScanHex = 0x3E, kScanDead = 0x3E, kScanNotValidEntry = 0x51,
  kScanTab = 0x52, kScanShiftLock = 0x54, kScanCapsLock = 0x54, kScanRightShift = 0x56,
  kScanLeftShift = 0x57, kScanCommand = 0x58, kScanEnter = 0x59, kScanReset = 0x5A,
  kScanAttention = 0x5B, kScanInsert = 0x62, kScanHelp = 0x68, kScanPF1 = 0x70, kScanRelease = 0x80,
};

// A host interface that keeps every record the station sends.
struct RecordingHostInterface : HostInterface {
  int sendDataToHost(unsigned char* data, unsigned int n, Rendering* rendering, unsigned int op) override {
    records.emplace_back(data, data + n);
    return HostInterface::sendDataToHost(data, n, rendering, op);
  }
  std::vector<std::vector<unsigned char>> records;
};

class KeyStation {
 public:
  explicit KeyStation(unsigned char keyboardType = kTable1, DisplayCharacteristics c = DisplayCharacteristics())
      : rendering(c.bufferSize(), c.rows(), c.columns()),
        psBuffer(c.bufferSize()),
        display(nullptr, &rendering, &hostInterface, reinterpret_cast<TAXlate*>(taxStorage), c, psBuffer.data()),
        registry(BuiltInXlateTables()) {
    SetErrorHaltHook(KeyThrowingHalt);
    tax_ = new (taxStorage) TAXlate(&display);
    tax_->setHost(&host);
    tax_->setOutputObserver(&KeyStation::record, this);
    tax_->setKeyboardType(keyboardType);
    RuName name;
    tax_->getDefaultTableRuName(name);
    XlateTableInfo* table = registry.FindAndIncrement(name, nullptr);
    EXPECT_NE(table, nullptr);
    tax_->loadXlateTable(table);
    tax_->TaxPOR();
    // The host waits for input: keys act at once.
    display.readMgr().setReadPending(1);
    tax_->tawsmtcb();
  }
  ~KeyStation() {
    tax_->~TAXlate();
    SetErrorHaltHook(nullptr);
  }
  KeyStation(const KeyStation&) = delete;
  KeyStation& operator=(const KeyStation&) = delete;

  TAXlate& tax() { return *tax_; }
  KeyboardState& keyboard() { return display.keyboardState(); }

  unsigned char key(unsigned char scan) { return tax_->tax(0, &scan, 1); }
  void press(unsigned char scan) { key(scan); }
  void release(unsigned char scan) { key(static_cast<unsigned char>(scan | kScanRelease)); }
  void keys(std::initializer_list<unsigned char> scans) {
    for (unsigned char s : scans) key(s);
  }
  // The host locks the keyboard (a record that leaves it locked).
  void lock() {
    keyboard().enterNormalLockedState();
    display.postDatastreamProcessing();
  }
  // The host unlocks it and waits for input again.
  void unlock() {
    keyboard().enterNormalUnlockState();
    display.readMgr().setReadPending(1);
    display.postDatastreamProcessing();
  }
  FunctionWord last() const { return words.empty() ? FunctionWord{0, 0} : words.back(); }
  // An alphanumeric input field over [start, end] (data keys need one).
  EntryField* inputField(unsigned int start, unsigned int end) {
    FormatTable& t = display.formatTable();
    EntryField* e = static_cast<EntryField*>(t.createField(kLTRField, nullptr, 0));
    if (e) t.createEntryFieldSegment(e, start, end, 1);
    return e;
  }

  static void record(void* self, FunctionWord w) { static_cast<KeyStation*>(self)->words.push_back(w); }

  alignas(TAXlate) unsigned char taxStorage[sizeof(TAXlate)];
  RecordingRendering rendering;
  RecordingHostInterface hostInterface;
  CountingHost host;
  std::vector<unsigned char> psBuffer;
  DisplayBag display;
  XlateTable registry;
  std::vector<FunctionWord> words;

 private:
  TAXlate* tax_ = nullptr;
};
