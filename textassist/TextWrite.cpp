// WRTXT: the host writes text lines with their line control data and
// places the cursor. The whole field is checked before the first line is
// written, so a refused field leaves the screen and the line records alone.
#include <cstring>

#include "display/DisplayBag.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/Rendering.h"
#include "textassist/TextSession.h"

namespace {
constexpr uint32_t kNoEdit = line_ctl::kShownOnly | line_ctl::kNotText;

unsigned int fieldLength(const unsigned char* cmd) { return (cmd[0] << 8) | cmd[1]; }
}  // namespace

// The line control record that 13 bytes of line control data describe.
static LineControlRecord RecordFromHost(const unsigned char* lcd, bool midrange, bool bidi) {
  LineControlRecord r;
  r.ctl = static_cast<uint32_t>(lcd[0] & 0xFE) << 24;
  r.ctl2 = static_cast<uint32_t>(lcd[1] & 0xF8) << 24;
  r.spacing = lcd[1] & 0x07;
  r.row = static_cast<uint16_t>((lcd[2] << 8) | lcd[3]);
  if (midrange) {
    uint32_t b = lcd[4] & 0x8F;
    if (bidi) b |= lcd[4] & 0x60;
    r.ctl3 = ((b & 0xE0) << 24) | ((b & 0x0F) << 25);
  }
  r.lineId = static_cast<uint16_t>((lcd[7] << 8) | lcd[8]);
  r.newLine = lcd[9];
  r.leftMarginOffset = lcd[10];
  r.indentOffset = lcd[11];
  r.scaleLineId = lcd[12];
  return r;
}

namespace {
// How a line record's text reaches its row.
enum class LineWriter { kPlain, kSegments, kRightToLeft, kBoth };
}  // namespace

static LineWriter WriterFor(const TextSession& ts, const LineControlRecord& lcd, const unsigned char* text,
                            unsigned int n, bool twoByteLength) {
  const bool bidi = ts.HQ600Host() && ts.bidihosteditor();
  if (bidi && (lcd.ctl3 & 0x80000000u)) return LineWriter::kRightToLeft;
  if (!twoByteLength) return bidi && (lcd.ctl3 & TextSession::kLineHasSegments) ? LineWriter::kSegments : LineWriter::kPlain;
  // Text that starts (after the in-line command field) with an attribute
  // escape, a line the host marks as carrying attributes, or a host whose
  // definition asks for it, goes through the combined write.
  const unsigned int field = (lcd.ctl & line_ctl::kNotText) ? 0 : ts.sizelncmdfld();
  unsigned int i = field;
  while (i < n && !text[i]) ++i;
  if (i < n && text[i] == 0x10) return LineWriter::kBoth;
  if (ts.HQ600Host() && (lcd.ctl3 & 0x1E000000u)) return LineWriter::kBoth;
  const uint32_t f = ts.textDef.defFlags;
  if ((f & 0x80000000u) && (f & 0x60000000u)) return LineWriter::kBoth;
  return LineWriter::kPlain;
}

// Whether a line record's text can be written: 0, or the sense code.
static uint32_t CheckLineText(const TextSession& ts, const LineControlRecord& lcd, const unsigned char* text,
                              unsigned int n, bool twoByteLength) {
  const LineWriter w = WriterFor(ts, lcd, text, n, twoByteLength);
  if (w == LineWriter::kBoth) {
    const int characters = PresentationSpaceScreenBuffer::writeBothDataLength(text, n);
    return characters < 0 || static_cast<unsigned int>(characters) > ts.cols ? text_sense::kInvalidData : 0;
  }
  if (n > ts.cols) return text_sense::kLength;
  if (w == LineWriter::kSegments || w == LineWriter::kRightToLeft) {
    unsigned char shown[TextSession::kMaxColumns];
    bool endsWithAttribute = false;
    if (!ts.composeBidiLine(lcd, text, n, shown, endsWithAttribute)) return text_sense::kInvalidData;
  }
  return 0;
}

void TextSession::writeLine(const LineControlRecord& lcd, const unsigned char* text, unsigned int n,
                            bool twoByteLength) {
  const unsigned int first = (lcd.row - 1u) * cols;
  if (lcd.ctl & line_ctl::kClearRow) {
    psBuffer->fillRange(first, first + cols - 1, 0x00);
    if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(first), static_cast<int>(first + cols - 1));
  }
  line(lcd.row).segments = 0;
  if (!n) return;
  const LineWriter w = WriterFor(*this, lcd, text, n, twoByteLength);
  if (w == LineWriter::kBoth) {
    psBuffer->updateScreenWithWriteBothData(text, n, first, !(lcd.ctl & line_ctl::kClearRow),
                                            (lcd.ctl3 & (1u << 26)) ? this : nullptr);
    return;
  }
  if (w == LineWriter::kPlain) {
    psBuffer->writeData(text, n, first);
    return;
  }
  // Segments of the other direction come in reading order and are shown
  // reversed; a right-to-left line runs from the row's end backwards with
  // its in-line command field kept at the left.
  unsigned char shown[kMaxColumns];
  bool endsWithAttribute = false;
  composeBidiLine(lcd, text, n, shown, endsWithAttribute);
  if (endsWithAttribute) line(lcd.row).segments = 1;
  if (w == LineWriter::kSegments) {
    psBuffer->writeData(shown, n, first);
    return;
  }
  const unsigned int field = (lcd.ctl & line_ctl::kNotText) ? 0 : textDef.lineCmdFieldSize;
  const unsigned int head = n < field ? n : field;
  if (head) psBuffer->writeData(shown, head, first);
  if (n > head) psBuffer->writeDataBackwards(shown + head, n - head, first + cols - 1);
}

void TextSession::wrtxt(const unsigned char* cmd, uint32_t& sense) {
  if (!displayBag || displayBag->keyboardState().state() != KeyboardState::kWordProcessing) {
    sense = text_sense::kKeyboardState;
    return;
  }
  const unsigned int length = fieldLength(cmd);
  // Either no cursor at all or both of its words.
  if (length < 8 || (length > 8 && length < 12)) {
    sense = text_sense::kLength;
    return;
  }
  const unsigned char b5 = cmd[5], b6 = cmd[6], b7 = cmd[7];
  if (cmd[4] || !(b5 & 0x80) || (b5 & 0x07) || (b6 & ~0x20) || ((b5 & 0x10) && (b5 & 0x08)) ||
      (b7 & 0x80)) {
    sense = text_sense::kInvalidData;
    return;
  }
  unsigned int position = savedCursorPos;
  if (length > 8) {
    const unsigned int row = (cmd[8] << 8) | cmd[9], column = (cmd[10] << 8) | cmd[11];
    if (row < 1 || row > rows || column < 1 || column > cols) {
      sense = text_sense::kInvalidData;
      return;
    }
    position = offsetOf(row, column);
  }

  // Check every line record against the line records as they will be.
  const bool two = extendedPlanes();
  const unsigned int lenBytes = two ? 2 : 1;
  const bool midrange = HQ600Host(), bidi = bidihosteditor();
  struct Shadow {
    uint16_t lineId;
    uint8_t newLine;
    uint32_t ctl;
  } shadow[kRows];
  for (unsigned int r = 0; r < kRows; ++r)
    shadow[r] = {lineTable[r].lineId, lineTable[r].newLine, lineTable[r].ctl};
  for (unsigned int i = 12; i < length;) {
    const unsigned int left = length - i;
    const unsigned int len = left < lenBytes ? 0 : two ? (cmd[i] << 8) | cmd[i + 1] : cmd[i];
    if (len < lenBytes + kLcdBytes || len > left) {
      sense = text_sense::kLength;
      return;
    }
    const unsigned char* lcd = cmd + i + lenBytes;
    const LineControlRecord rec = RecordFromHost(lcd, midrange, bidi);
    if (const uint32_t bad = CheckLineText(*this, rec, lcd + kLcdBytes, len - lenBytes - kLcdBytes, two)) {
      sense = bad;
      return;
    }
    const unsigned int row = rec.row;
    bool bad = row < 1 || row > rows;
    if (!two && midrange && (lcd[4] & 0x0F)) bad = true;
    if (!bad && row > 1) {
      const Shadow& above = shadow[row - 2];
      if (above.lineId == rec.lineId && above.newLine == rec.newLine && !(above.ctl & kNoEdit) &&
          !(rec.ctl & kNoEdit))
        bad = true;
    }
    if (!bad && (row < textDef.firstTextRow || row > textDef.lastTextRow) && !(rec.ctl & kNoEdit)) bad = true;
    if (!bad && (rec.ctl & line_ctl::kShownOnly) && !(rec.ctl & line_ctl::kNotText) && row <= 2) bad = true;
    if (bad) {
      sense = text_sense::kInvalidData;
      return;
    }
    shadow[row - 1] = {rec.lineId, rec.newLine, rec.ctl};
    i += len;
  }

  // Checked: write.
  halfLineStart = (b5 & 0x40) ? 1 : 0;
  PlaneNumber plane = Plane0;
  if (two) plane = (b5 & 0x10) ? Plane1 : (b5 & 0x08) ? Plane2 : Plane0;
  if (b6 & 0x20) {
    setKBLocked(true);
    if (modes & text_mode::kErrorShown) modes |= text_mode::kSysReqInError;
  }
  for (unsigned int i = 12; i < length;) {
    const unsigned int len = two ? (cmd[i] << 8) | cmd[i + 1] : cmd[i];
    const unsigned char* lcd = cmd + i + lenBytes;
    const LineControlRecord rec = RecordFromHost(lcd, midrange, bidi);
    if (rec.row == rows) modes &= ~text_mode::kPromptInput;
    if (!midrange && rec.row == textDef.firstTextRow) std::memcpy(pageNumber, lcd + 4, 3);
    else if (midrange && rec.row == textDef.firstTextRow) savePageNum(lcd + 4);
    line(rec.row) = rec;
    writeLine(line(rec.row), lcd + kLcdBytes, len - lenBytes - kLcdBytes, two);
    i += len;
  }
  textFlagsA |= 1u << 27;

  const bool errorShown = (modes & text_mode::kErrorShown) != 0;
  if (!(b7 & 0x40) && !errorShown) {
    auditIndex = 0x00FF;
    const unsigned int row = rowOf(position), column = columnOf(position);
    const bool mirror = isRightToLeftLine(row) || ((scaleFlags & (1u << 23)) && row == textDef.scaleRow);
    if (mirror && !inlinecmdfld(position)) {
      unsigned int c = textDef.lineCmdFieldSize + cols - column + 1;
      if (!textLine(row)) c -= textDef.lineCmdFieldSize;
      if (c >= 1 && c <= cols) position = offsetOf(row, c);
    }
    modes &= ~text_mode::kSegmentEnd;
    // Inside a segment the host counts columns in the segment's own
    // direction: the position is reflected within the segment. On an end
    // marker the cursor goes to the segment's begin marker.
    const unsigned int at = rowOf(position);
    const bool rtlRow = isRightToLeftLine(at);
    const LineControlRecord& l = line(at);
    if (positionInSegment(position)) {
      const int br = findActiveBR(position, rtlRow), er = findActiveER(position, rtlRow);
      if (br >= 0 && er >= 0 && (charAt(static_cast<unsigned int>(br)) == kSegmentBegin || (l.ctl3 & (1u << 30))) &&
          (charAt(static_cast<unsigned int>(er)) == kSegmentEnd || l.segments))
        position = static_cast<unsigned int>(br + er) - position;
    } else if (charAt(position) == kSegmentEnd) {
      const unsigned int first = (at - 1) * cols, last = first + cols - 1;
      if (rtlRow ? position < last : position > first) {
        const int br = findActiveBR(rtlRow ? position + 1 : position - 1, rtlRow);
        if (br >= 0) {
          position = static_cast<unsigned int>(br);
          modes |= text_mode::kSegmentEnd;
        }
      }
    }
  }
  DisplayControlData& control = displayBag->controlData();
  if (b7 & 0x10) {
    control.setCursorRequestBits(0x20);
    control.setCursorState(static_cast<unsigned char>(control.cursorState() & ~0x08));
  }
  if (b7 & 0x20) {
    control.setCursorState(static_cast<unsigned char>(control.cursorState() | 0x08));
    control.clearCursorRequestBits(0x20);
  }
  const bool mayMove = !(b7 & 0x40) && !errorShown && (modes & text_mode::kKeyboardLocked);
  if (modes & text_mode::kPromptInput) {
    if (rowOf(position) != textDef.promptRow) {
      savedCursorPos = static_cast<uint16_t>(position);
    } else if (mayMove) {
      cursorPos = static_cast<uint16_t>(position);
      cursorPlane = plane;
      writeCursor();
    }
  } else {
    savedCursorPos = static_cast<uint16_t>(position);
    if (mayMove) {
      cursorPos = static_cast<uint16_t>(position);
      cursorPlane = plane;
      displayBag->getRendering()->setCursorPlane(plane);
      writeCursor();
    }
  }
  cursorChar = cursorPlane == Plane0 ? charAt(cursorPos)
                                     : cursorPlane == Plane1 ? primaryBuffer->getCharacter(cursorPos)
                                                             : secondaryBuffer->getCharacter(cursorPos);
  firstLineNumber = 2u * line(textDef.firstTextRow).lineId + halfLineStart;

  if ((b7 & 0x08) && (modes & text_mode::kKeyboardLocked)) {
    setKBLocked(false);
    if (pendingDataKey) {
      const unsigned char key = pendingDataKey;
      pendingDataKey = 0;
      if ((lastAid == 0xDD || lastAid == 0xD7) && cursorPos > 0 &&
          charAt(cursorPos - 1u) == reqCarrierReturnChar)
        --cursorPos;
      if (key == 5)
        c_texttabfunction();
      else if (key == 2)
        c_textrqtabfunction();
      else
        datakeys(key);
    }
  }
  if (b7 & 0x04) control.setControlBits(DisplayControlData::kAlarm);
  if (b7 & 0x01)
    setMsgWait(true);
  else if (b7 & 0x02)
    setMsgWait(false);
}
