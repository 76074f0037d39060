#include "textassist/TextSession.h"

#include <cstring>

#include "display/DisplayBag.h"
#include "display/Rendering.h"

namespace {
constexpr unsigned int kControlKeyboardLocked = 0x10000000u;  // display-control word bit 28
}  // namespace

TextSession::TextSession(DisplayBag* display)
    : displayBag(display),
      psBuffer(display ? &display->presentationSpace() : nullptr),
      primaryBuffer(display ? &display->primaryPlane() : nullptr),
      secondaryBuffer(display ? &display->secondaryPlane() : nullptr) {
  textDef.promptRow = rows;
  clearTextModes();
  clearDPOstruct();
  initLCDTable();
}

void TextSession::initLCDTable() {
  for (unsigned int i = 0; i < kRows; ++i) {
    lineTable[i] = LineControlRecord();
    lineTable[i].ctl = line_ctl::kNotText;
    lineTable[i].row = static_cast<uint16_t>(i + 1);
  }
}

void TextSession::setTextScreenSize(unsigned int columns) {
  if (columns < 132) {
    rows = 24;
    cols = 80;
  } else {
    rows = 27;
    cols = 132;
  }
  screenSize = static_cast<uint16_t>(rows * cols);
  if (displayBag && (displayBag->rows() != rows || displayBag->columns() != cols))
    displayBag->changeScreenSize(rows, cols);
}

void TextSession::setKBLocked(bool locked) {
  if (locked)
    modes |= text_mode::kKeyboardLocked;
  else
    modes &= ~text_mode::kKeyboardLocked;
  if (!displayBag) return;
  Indicators& ind = displayBag->indicators().current();
  DisplayControlData& c = displayBag->controlData();
  if (locked) {
    ind.set(Indicators::kSystem);
    c.setControlBits(kControlKeyboardLocked);
  } else {
    ind.reset(Indicators::kSystem);
    c.clearControlBits(kControlKeyboardLocked);
  }
}

void TextSession::setCursorDirection(bool rtl) {
  if (!displayBag) return;
  if (rtl) {
    displayBag->indicators().current().set(Indicators::kRightToLeftCursor);
    displayBag->modeFlagsA() |= DisplayBag::kARTLCursor;
  } else {
    displayBag->indicators().current().reset(Indicators::kRightToLeftCursor);
    displayBag->modeFlagsA() &= ~DisplayBag::kARTLCursor;
  }
}

void TextSession::setInsertMode(bool on) {
  if (!displayBag) return;
  if (on) {
    displayBag->indicators().current().set(Indicators::kInsert);
    displayBag->modeFlagsA() |= DisplayBag::kAInsert;
  } else {
    displayBag->indicators().current().reset(Indicators::kInsert);
    displayBag->modeFlagsA() &= ~DisplayBag::kAInsert;
  }
}

void TextSession::setMsgWait(bool on) {
  if (!displayBag) return;
  if (on)
    displayBag->indicators().current().set(Indicators::kMessageWait);
  else
    displayBag->indicators().current().reset(Indicators::kMessageWait);
}

bool TextSession::isRightToLeftLine(unsigned int row) const {
  return bidihosteditor() && row >= 1 && row <= kRows && (line(row).ctl3 & 0x80000000u);
}

void TextSession::writeCursor() {
  if (!displayBag) return;
  if (cursorPos > displayBag->presentationSpace().lastOffset()) cursorPos = 0;
  // Insert mode belongs to the text session: it stays while the cursor
  // moves through the text.
  const bool insert = (displayBag->modeFlagsA() & DisplayBag::kAInsert) != 0;
  displayBag->cursor().moveCursorToNewArea(cursorPos, CursorOffsetAsShown);
  if (insert) setInsertMode(true);
  const unsigned int row = rowOf(cursorPos);
  if (bidihosteditor()) {
    Indicators& ind = displayBag->indicators().current();
    if (isRightToLeftLine(row))
      ind.set(Indicators::kRightToLeftScreen);
    else
      ind.reset(Indicators::kRightToLeftScreen);
    if (charAt(cursorPos) != 0x0B) modes &= ~text_mode::kSegmentEnd;
    bool rtl = isRightToLeftLine(row);
    if ((modes & text_mode::kSegmentEnd) || positionInSegment(cursorPos)) rtl = !rtl;
    if (inlinecmdfld(cursorPos)) rtl = false;
    const bool current = (displayBag->modeFlagsA() & DisplayBag::kARTLCursor) != 0;
    if (rtl != current) textFlagsA |= 1u << 27;
    setCursorDirection(rtl);
  }
  if (row <= kRows && line(row).scaleLineId != marginCache.id) marginCache = MarginCache();
  cursorOutState = 1;
}

void TextSession::setModifiedLineTags(unsigned int pos, unsigned int start, unsigned int end) {
  const unsigned int row = rowOf(pos);
  if (row < 1 || row > kRows) return;
  LineControlRecord& l = line(row);
  l.ctl |= line_ctl::kChanged;
  const bool rtl = isRightToLeftLine(row);
  if ((!rtl && start <= pos && pos <= end) || (rtl && start >= pos && pos >= end))
    l.ctl |= line_ctl::kChangedTag;
}

bool TextSession::textLine(unsigned int row) const {
  return row >= 1 && row <= kRows && !(line(row).ctl & line_ctl::kNotText);
}

bool TextSession::inlinecmdfld(unsigned int pos) const {
  const unsigned int row = rowOf(pos);
  return textLine(row) && textDef.lineCmdFieldSize && columnOf(pos) <= textDef.lineCmdFieldSize;
}

unsigned int TextSession::convertLVOffset(unsigned int pos) const {
  const unsigned int start = (rowOf(pos) - 1) * cols;
  return start + textDef.lineCmdFieldSize + (cols - columnOf(pos));
}

unsigned int TextSession::geterrorlinerow() const {
  if (!displayBag) return rows;
  return displayBag->keyboardState().errorRow() > rows ? rows + 1u : rows;
}

void TextSession::setLocateChar(unsigned char ch, PlaneNumber plane) {
  if (plane == Plane2) {
    if (ch == 0x80) ch = 0x1D;
    else if (ch == 0x81) ch = 0x09;
    else if (ch == 0x82) ch = 0x01;
  }
  locateChar = ch;
}

bool TextSession::getPageNum(unsigned char* out3) const {
  if (HQ600Host()) {
    out3[1] = pageNumber[1];
    out3[2] = pageNumber[2];
  } else {
    std::memcpy(out3, pageNumber, 3);
  }
  return HQ600Host();
}

bool TextSession::savePageNum(const unsigned char* in3) {
  if (HQ600Host()) {
    pageNumber[1] = in3[1];
    pageNumber[2] = in3[2];
  } else {
    std::memcpy(pageNumber, in3, 3);
  }
  return HQ600Host();
}

unsigned char TextSession::charAt(unsigned int pos) const {
  if (!psBuffer || pos > psBuffer->lastOffset()) return 0;
  return psBuffer->getCharacter(pos);
}

void TextSession::nullline(unsigned int row) {
  if (!psBuffer || row < 1 || row > static_cast<unsigned int>(rows) + 1) return;
  const unsigned int first = (row - 1) * cols;
  psBuffer->fillRange(first, first + cols - 1, 0x00);
}

void TextSession::writeRow(unsigned int offset, const unsigned char* bytes, unsigned int n) {
  if (!psBuffer || !n || offset + n - 1 > psBuffer->lastOffset()) return;
  psBuffer->writeData(bytes, n, offset);
}

// Scale lines.

const unsigned char* TextSession::getscaleline(unsigned int id) const {
  unsigned int i = 2;
  while (i < kScaleTableBytes) {
    const unsigned int len = scaleLineTable[i];
    if (len <= 2 || i + len > kScaleTableBytes) return nullptr;
    if (scaleLineTable[i + 2] == id) return scaleLineTable + i;
    i += len;
  }
  return nullptr;
}

const unsigned char* TextSession::scaleLineOfRow(unsigned int row) const {
  if (row < 1 || row > kRows) return nullptr;
  return getscaleline(line(row).scaleLineId);
}

unsigned int TextSession::getScaleLineOffset(bool rtl) const {
  return rtl && bidihosteditor() ? scaleLineTable[1] : scaleLineTable[0];
}

unsigned int TextSession::getScaleLineTableLength(const unsigned char* p) const {
  const unsigned char* end = scaleLineTable + kScaleTableBytes;
  unsigned int n = 0;
  while (p >= scaleLineTable && p < end && *p) {
    n += *p;
    p += *p;
  }
  return n;
}

unsigned int TextSession::scalelineflagset(unsigned int kind, unsigned int row) const {
  const unsigned char* s = scaleLineOfRow(row);
  if (!s) return 0;
  const unsigned char bit = kind == 0 ? 0x40 : kind == 1 ? 0x80 : 0x20;
  return s[1] & bit;
}

bool TextSession::searchscaleline(unsigned int row, unsigned int code) const {
  if (code == 1 && scalelineflagset(0, row)) return false;
  if (code == 2 && scalelineflagset(1, row)) return false;
  const unsigned char* s = scaleLineOfRow(row);
  if (!s) return false;
  for (unsigned int i = 3; i + 1 < s[0]; i += 2)
    if (s[i + 1] == code) return true;
  return false;
}

