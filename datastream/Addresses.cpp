#include "datastream/Addresses.h"

#include "datastream/DsmSense.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "base/LogMsg.h"

Addresses::Addresses(DisplayBag* d) : display(d) {}

void Addresses::resetAddresses(bool keepDisplayAddress) {
  lastFieldAddress = kNoAddress;
  if (!keepDisplayAddress) displayAddress = 0;
  moveCursorAddress = 0;
  insertCursorAddress = 0;
  flags &= ~(kSbaSeen | kAdjusted | kHostInsertCursor);
  resetWindowAddress();
}

void Addresses::resetWindowAddress() {
  windowAddress = windowFirstRow = windowFirstColumn = kNoAddress;
  windowLastRow = windowLastColumn = windowEnd = windowSpare = kNoAddress;
}

void Addresses::loadScreenSizeStuff() {
  rows = display->rows();
  columns = display->columns();
  lastBufferAddress = display->presentationSpace().lastOffset();
  lastDisplayAddress = lastBufferAddress - columns;
}

int Addresses::setSbaDetected(uint32_t row, uint32_t column) {
  flags |= kSbaSeen;
  if (column > columns || row == 0 || row > rows || (column == 0 && row != 1)) return kBad;
  displayAddress = column == 0 ? kNoAddress : (row - 1) * columns + column - 1;
  return kGood;
}

uint32_t Addresses::displayAddrSpacesLeftOnRow() const {
  if (displayAddress > lastBufferAddress) return columns;
  return columns - displayAddress % columns;
}

int Addresses::checkSbaR1C1(uint32_t& address) {
  if (!(flags & kSbaSeen) && lastFieldAddress != kNoAddress) displayAddress = lastFieldAddress;
  flags &= ~kSbaSeen;
  address = (displayAddress + 1) & 0xFFFF;
  return address > lastDisplayAddress ? kBad : kGood;
}

int Addresses::checkAttrR1C1Inc(uint32_t& address) {
  address = displayAddress;
  if (displayAddress == kNoAddress) {
    displayAddress = 0;
    return kGood;
  }
  if (displayAddress > lastDisplayAddress) return kBad;
  ++displayAddress;
  return kGood;
}

int Addresses::checkFieldEnd(uint32_t address) {
  lastFieldAddress = address;
  if (address == lastBufferAddress) return 1;
  if (windowAddress == kNoAddress || columns == 0) return 0;
  const uint32_t row = address / columns + 1;
  return row >= windowFirstRow && row <= windowLastRow && address % columns == windowLastColumn
             ? 1
             : 0;
}

bool Addresses::windowFits(uint32_t depth, uint32_t width) const {
  if (displayAddress > lastDisplayAddress || columns == 0) return false;
  const uint32_t row = displayAddress / columns + 2;
  const uint32_t column = displayAddress % columns + 4;
  return column > 2 && width > 0 && column + width + 2 <= columns && row > 1 && depth > 0 &&
         row + depth <= rows;
}

int Addresses::checkWindowLocation(uint32_t& row, uint32_t depth, uint32_t& column,
                                   uint32_t width) {
  if (!windowFits(depth, width)) return kBad;
  row = displayAddress / columns + 2;
  column = displayAddress % columns + 4;
  windowAddress = displayAddress;
  windowFirstRow = row;
  windowLastRow = row + depth - 1;
  windowFirstColumn = column;
  windowLastColumn = column + width - 1;
  windowEnd = displayAddress + (depth + 1) * columns + 4 + width;
  const uint32_t end = windowEnd > lastDisplayAddress ? lastDisplayAddress : windowEnd;
  display->formatTable().removeAllGUISelectionFieldConstructsInWindow(windowAddress + 1, end);
  return kGood;
}

int Addresses::checkWrtData(uint32_t& address, uint32_t length) {
  writeFlag = 1;
  if (displayAddress > lastDisplayAddress || length == 0 ||
      displayAddress + length - 1 > lastDisplayAddress)
    return kBad;
  address = displayAddress;
  displayAddress += length;
  return kGood;
}

uint32_t Addresses::keepWithinScreen(uint32_t address) const {
  return address > lastBufferAddress ? 0 : address;
}

void Addresses::adjustAddresses() {
  flags |= kAdjusted;
  FormatTable& table = display->formatTable();
  if (!(flags & kInsertCursorAdjusted)) {
    const uint32_t at = keepWithinScreen(insertCursorAddress);
    insertCursorAddress = keepWithinScreen(table.getNonBypassArea(at)->adjustCursorOffset(display, at));
    flags |= kInsertCursorAdjusted;
  }
  const uint32_t at = keepWithinScreen(moveCursorAddress);
  moveCursorAddress = keepWithinScreen(table.getNonBypassArea(at)->adjustCursorOffset(display, at));
}

void Addresses::removeGUIWindowStuff(bool all) {
  FormatTable& table = display->formatTable();
  if (all) {
    table.removeAllGUISelectionFieldConstructsInWindow(0, lastDisplayAddress);
  } else if (displayAddress == windowAddress && windowAddress != kNoAddress) {
    const uint32_t end = windowEnd > lastDisplayAddress ? lastDisplayAddress : windowEnd;
    table.removeAllGUISelectionFieldConstructsInWindow(windowAddress + 1, end);
  } else {
    return;
  }
  display->cursor().resetWindowRestrictedCursorMovement();
  resetWindowAddress();
}

void Addresses::saveAddresses(qrnOStream* out) const {
  out->save(static_cast<unsigned char>((flags & kHostInsertCursor) ? 1 : 0), 8);
  out->hostPut32(insertCursorAddress);
  out->hostPut32(columns);
  out->hostPut32(rows);
  out->hostPut32(lastDisplayAddress);
  out->hostPut32(lastBufferAddress);
}

uint32_t Addresses::restoreAddresses(qrnIStream* in) {
  unsigned char hostIC = 0;
  uint32_t ic = 0, cols = 0, rws = 0, lastDisplay = 0, lastBuffer = 0;
  in->restore(hostIC, 8);
  in->hostGet32(ic);
  in->hostGet32(cols);
  in->hostGet32(rws);
  in->hostGet32(lastDisplay);
  in->hostGet32(lastBuffer);
  const uint32_t size = display->presentationSpace().bufferSize();
  const bool good = !in->checkRestore() && hostIC <= 1 && cols >= 1 && cols <= 255 &&
                    rws >= 1 && rws <= 255 && (rws + 1) * cols <= size &&
                    lastBuffer == (rws + 1) * cols - 1 && lastDisplay == lastBuffer - cols &&
                    ic <= lastBuffer;
  if (!good) {
    LogMsg(LevelWarning, "QWC0702 restore of the write addresses refused: bad geometry\n");
    return dsm_sense::kRestoreInvalid;
  }
  flags = hostIC ? (flags | kHostInsertCursor) : (flags & ~kHostInsertCursor);
  insertCursorAddress = ic;
  columns = cols;
  rows = rws;
  lastDisplayAddress = lastDisplay;
  lastBufferAddress = lastBuffer;
  return 0;
}
