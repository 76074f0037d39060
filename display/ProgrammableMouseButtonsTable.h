#pragma once
// The mouse buttons that the host programmed to post AIDs.
class StationServices;
class qrnOStream;
class qrnIStream;

struct PMBTableEntry {
  static constexpr unsigned char kTwoEvent = 0x80;     // a second event completes it
  static constexpr unsigned char kMoveCursor = 0x40;   // move the cursor to the click first
  static constexpr unsigned char kQueueable = 0x20;    // may wait while the keyboard is locked
  static constexpr unsigned char kMarkerBox = 0x10;    // marker box at the first click
  unsigned char flags = 0;
  unsigned char secondButton = 0;  // 1-18 with kTwoEvent
  unsigned char aid = 0;           // 0 = not programmed
};

class ProgrammableMouseButtonsTable {
 public:
  static constexpr unsigned int kButtons = 18;
  static constexpr unsigned char kNoBufferedButton = 99;

  ProgrammableMouseButtonsTable() = default;

  // False (nothing stored, logged) for a button outside 1-18, a two-event
  // entry whose second button is outside 1-18, or an AID of type 5.
  bool addTableEntry(StationServices* station, unsigned int button, const PMBTableEntry& entry);
  void clearTable();
  bool isClear() const { return clear_ != 0; }
  bool isProgrammed(unsigned int button) const;
  bool isProgrammedAndQueableInNormalLockedState(unsigned int button) const;
  const PMBTableEntry* entry(unsigned int button) const;

  // Keeps one event while the keyboard is locked; a second one is dropped.
  void bufferProgrammedMouseEvent(unsigned int button, unsigned int offset);
  bool hasBufferedEvent() const { return bufferedButton_ != kNoBufferedButton; }
  void processAnyBufferedProgrammedEvent(StationServices* station);
  void processProgrammedEvent(StationServices* station, unsigned int button, unsigned int offset);
  // In the two-mouse-event state entered for firstButton: an event of
  // `button` at `offset`.
  void twoEventStateProcessing(StationServices* station, unsigned int firstButton,
                               unsigned int button, unsigned int offset);
  void drawMarkerBoxIfNeeded(StationServices* station, unsigned int button, unsigned int offset);
  void eraseMarkerBoxIfNeeded(StationServices* station, unsigned int button, unsigned int offset);

  void saveProgrammableMouseButtonsTable(qrnOStream* stream) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreProgrammableMouseButtonsTable(StationServices* station, qrnIStream* stream);

 private:
  bool entryValid(StationServices* station, const PMBTableEntry& e) const;
  bool markerBoxButton(unsigned int button) const;

  unsigned char bufferedButton_ = kNoBufferedButton;
  unsigned short bufferedOffset_ = 0;
  PMBTableEntry entries_[kButtons];
  unsigned char clear_ = 1;
};
