#pragma once
// The write addresses of a display station's data stream: where the next
// data byte goes, where the cursor is to move and where the insert cursor
// is, the screen geometry the orders check against, the window the current
// screen builds in, and whether the current command wrote to the screen.
// All addresses are 0-based buffer offsets; kNoAddress stands for row 1,
// column 0 (before the first position), or for none.
#include <cstdint>

class DisplayBag;
class qrnOStream;
class qrnIStream;

class Addresses {
 public:
  static constexpr uint32_t kNoAddress = 65535;
  // Flag word.
  static constexpr uint32_t kInsertCursorAdjusted = 0x80000000u;  // bit 31
  static constexpr uint32_t kSbaSeen = 0x40000000u;               // bit 30
  static constexpr uint32_t kAdjusted = 0x20000000u;              // bit 29
  static constexpr uint32_t kHostInsertCursor = 0x10000000u;      // bit 28
  // Results of the checks.
  static constexpr int kGood = 0;
  static constexpr int kBad = 3;

  explicit Addresses(DisplayBag* display);

  void resetAddresses(bool keepDisplayAddress = false);
  void resetWindowAddress();
  // Rows, columns and last buffer address from the display station.
  void loadScreenSizeStuff();
  // Validates an SBA's row and column and moves the display address there:
  // kBad for a column beyond the columns, a row of 0 or beyond the rows, or a
  // column of 0 on any row but 1 (row 1 column 0 gives kNoAddress).
  int setSbaDetected(uint32_t row, uint32_t column);
  void setDisplayAddress(uint32_t address) { displayAddress = address; }
  int checkAddress(uint32_t address) const {
    return address > lastDisplayAddress ? kBad : kGood;
  }
  int checkDisplayAddress() const { return checkAddress(displayAddress); }
  uint32_t displayAddrSpacesLeftOnRow() const;
  int checkSbaR1C1(uint32_t& address);
  int checkAttrR1C1Inc(uint32_t& address);
  int checkFieldEnd(uint32_t address);
  int checkWindowLocation(uint32_t& row, uint32_t depth, uint32_t& column, uint32_t width);
  // Whether checkWindowLocation would place the window, without placing it.
  bool windowFits(uint32_t depth, uint32_t width) const;
  // Checks a data run of `length` bytes at the display address and, when it
  // fits, returns the address and moves past the run.
  int checkWrtData(uint32_t& address, uint32_t length);
  void adjustAddresses();
  void removeGUIWindowStuff(bool all);

  void saveAddresses(qrnOStream* out) const;
  // 0, or the restore sense 0x10050127 when the values do not describe a
  // screen of this display; nothing changes then.
  uint32_t restoreAddresses(qrnIStream* in);

  // The display positions of the screen without its message line.
  uint32_t displayPositions() const { return lastDisplayAddress + 1; }

  DisplayBag* display;
  uint32_t lastFieldAddress = kNoAddress;
  uint32_t displayAddress = 0;
  uint32_t moveCursorAddress = 1;
  uint32_t insertCursorAddress = 0;
  uint32_t flags = 0;
  uint32_t lastBufferAddress = 1999;
  uint32_t lastDisplayAddress = 1919;
  uint32_t columns = 80;
  uint32_t rows = 24;
  uint32_t windowAddress = kNoAddress;
  // First row, first column, last row, last column, end address, and one
  // word kept for the window's owner.
  uint32_t windowFirstRow = kNoAddress;
  uint32_t windowFirstColumn = kNoAddress;
  uint32_t windowLastRow = kNoAddress;
  uint32_t windowLastColumn = kNoAddress;
  uint32_t windowEnd = kNoAddress;
  uint32_t windowSpare = kNoAddress;
  uint32_t writeFlag = 0;

 private:
  uint32_t keepWithinScreen(uint32_t address) const;
};
