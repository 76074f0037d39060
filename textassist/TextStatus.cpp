// The rows around the text: the status row (audit window, line number,
// pitch), the scale row (the ruler of the cursor line's scale line) and
// the error row with its operator errors.
#include <cstring>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned int kControlErrorRowInUse = 0x00800000u;  // display-control bit 23
constexpr unsigned char kBlinkError = 0x10;
constexpr unsigned char kBlank = 0x40;
constexpr unsigned char kHalf = 0xB8;

// "....:....1....:....2 ... ....:...14" in EBCDIC, and its right-to-left twin.
struct Rulers {
  unsigned char ltr[TextSession::kRulerBytes];
  unsigned char rtl[TextSession::kRulerBytes];
  Rulers() {
    static const char kLtr[] =
        "....:....1....:....2....:....3....:....4....:....5....:....6....:....7....:....8....:....9"
        "....:...10....:...11....:...12....:...13....:...14";
    static const char kRtl[] =
        "....:....1....:....2....:....3....:....4....:....5....:....6....:....7....:....8....:....9"
        "....:....01...:....11...:....21...:....31...:....4";
    for (unsigned int i = 0; i < TextSession::kRulerBytes; ++i) {
      ltr[i] = ebcdic(kLtr[i]);
      rtl[i] = ebcdic(kRtl[i]);
    }
  }
  static unsigned char ebcdic(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned char>(0xF0 + (c - '0'));
    return c == ':' ? 0x7A : 0x4B;
  }
};
const Rulers& rulers() {
  static const Rulers r;
  return r;
}

// Symbols of the pair codes 1..12: < > T R C D M N X v | and none.
constexpr unsigned char kScaleSymbols[13] = {0x00, 0x4C, 0x6E, 0xE3, 0xD9, 0xC3, 0xC4,
                                             0xD4, 0xD5, 0xE7, 0xA5, 0x4F, 0x00};
constexpr unsigned char kArabicDigits[10] = {0xDF, 0xEA, 0xEB, 0xED, 0xEE, 0xEF, 0xFB, 0xFC, 0xFD, 0xFE};
}  // namespace

void TextSession::timerUpdate(bool fromWrite) {
  if (!displayBag) return;
  const unsigned int status = textDef.statusRow;
  if (status && status <= rows) {
    updateAuditWindow(status);
    if (!(textDef.defFlags & 0x08000000u)) {
      updateLineNumber(status);
      updatePitch(status);
    }
  }
  // The scale row follows the cursor whether or not there is a status row.
  if (textDef.scaleRow && textDef.scaleRow <= rows && rowOf(cursorPos) != textDef.promptRow) {
    updateScaleLine(textDef.scaleRow, fromWrite);
    if (modes & text_mode::kScaleError) return;
  }
  const unsigned int row = rowOf(cursorPos);
  const uint32_t busy = text_mode::kPromptInput | text_mode::kLocate | text_mode::kCopyMoveDel27 |
                        text_mode::kCopyMoveDel26 | text_mode::kCopyMoveDel25;
  if (row <= kRows && (line(row).ctl2 & 0x80000000u) && !(modes & busy)) {
    // The row carries a line prompt: show the host's prompt for it once.
    if (!(textFlagsB & 0x80000000u)) {
      textFlagsB |= 0x80000000u;
      showLinePrompt();
    }
  } else if (textFlagsB & 0x80000000u) {
    textFlagsB &= ~0x80000000u;
    nullline(textDef.promptRow);
  }
}

void TextSession::updateAuditWindow(unsigned int row) {
  const bool rtl = isRightToLeftLine(row);
  const unsigned int at = offsetOf(row, rtl ? 21 : 41);
  if (at + 20 > static_cast<unsigned int>(row) * cols) return;
  unsigned char id = cursorChar;
  if (cursorPlane == Plane0) {
    if (id == 0x0B && (modes & text_mode::kSegmentEnd)) id = 0x0D;
  } else if (cursorPlane == Plane1) {
    id &= 0x7F;
    if ((id & 1) && id != 1) id &= 0xFE;
    id |= 0x20;
  } else {
    switch (id) {
      case 0x80: id = 0x1D; break;
      case 0x85: id = 0x09; break;
      case 0x86: id = 0x01; break;
      case 0x81:
      case 0x82: {
        const unsigned int left = leftmar(rowOf(cursorPos));
        const int prev = cursorPos > left ? secondaryBuffer->getPreviousAttribute(cursorPos - 1u, left) : -1;
        const bool word = prev >= 0 && (prev & 0x04);
        id = word ? 0x10 : (id == 0x81 ? 0x09 : 0x01);
        break;
      }
      default: break;
    }
  }
  unsigned char entry[22];
  unsigned int index = 0xFE;
  HostInterface* host = displayBag->hostInterface();
  const bool found = host && host->textTables().getAuditWindowEntry(secLangTables() ? 1 : 0, id, entry, index);
  if (!found) {
    std::memset(entry, 0, sizeof entry);
    index = 0xFE;
  }
  if (index == auditIndex) return;
  // The entry's own length: nothing of an earlier, longer entry shows behind it.
  unsigned char text[20] = {};
  const unsigned int n = found && entry[0] > 2 ? entry[0] - 2u : 0;
  std::memcpy(text, entry + 2, n > 20 ? 20 : n);
  psBuffer->writeData(text, 20, at);
  auditIndex = static_cast<uint16_t>(index);
}

void TextSession::updateLineNumber(unsigned int row) {
  if (modes & text_mode::kPromptInput) return;
  const bool rtl = isRightToLeftLine(row);
  const unsigned int field = offsetOf(row, rtl ? 2 : 76);
  if (field + 4 > static_cast<unsigned int>(row) * cols) return;
  const unsigned int first = textDef.firstTextRow;
  if (first < 1 || first > kRows || line(first).spacing > 6) return;
  uint32_t n = firstLineNumber;
  const unsigned int cursorRow = rowOf(cursorPos);
  if (cursorRow >= first && cursorRow <= textDef.lastTextRow)
    for (unsigned int r = first; r < cursorRow; ++r) n += line(r).spacing;
  if (n == shownLineNumber) return;
  const bool half = (n & 1) != 0;
  // Four positions: the low-order digits that fit beside the half mark.
  uint32_t whole = n / 2;
  whole %= half ? 1000u : 10000u;
  if (!whole && !half) return;
  shownLineNumber = static_cast<uint16_t>(n);
  unsigned char text[4];
  unsigned int len = 0;
  char digits[8];
  unsigned int d = 0;
  for (uint32_t v = whole; v; v /= 10) digits[d++] = static_cast<char>(v % 10);
  const bool arabic = rtl && (textFlagsA & (1u << 15));
  while (d) {
    const unsigned int digit = static_cast<unsigned int>(digits[--d]);
    text[len++] = arabic ? kArabicDigits[digit] : static_cast<unsigned char>(0xF0 + digit);
  }
  if (half) text[len++] = (rtl && (textFlagsA & (1u << 15))) ? 0x4E : kHalf;
  psBuffer->fillRange(field, field + 3, kBlank);
  if (!len) return;
  if (rtl) {
    const unsigned int last = field + 3 + (half ? 1u : 0u);
    const unsigned int end = last <= static_cast<unsigned int>(row) * cols - 1 ? last : field + 3;
    psBuffer->writeData(text, len, end + 1 - len);
  } else {
    psBuffer->writeData(text, len, field);
  }
}

void TextSession::updatePitch(unsigned int row) {
  const bool rtl = isRightToLeftLine(row);
  const unsigned int column = rtl ? cols - textDef.pitchColumn - 2 : textDef.pitchColumn;
  const unsigned int at = (row - 1) * cols + column;
  if (column + 4 > cols) return;
  unsigned char text[4] = {kBlank, kBlank, kBlank, kBlank};
  unsigned int cursorRow = rowOf(cursorPos);
  if (cursorRow < textDef.firstTextRow || cursorRow > textDef.lastTextRow) cursorRow = textDef.firstTextRow;
  if (const unsigned char* s = scaleLineOfRow(cursorRow)) {
    const unsigned int len = s[0];
    if (len >= 5 && s[len - 1] == 12 && s[len - 2]) {
      unsigned char entry[4];
      HostInterface* host = displayBag->hostInterface();
      if (host && host->textTables().getPitchEntry(secLangTables() ? 1 : 0, s[len - 2], entry))
        std::memcpy(text, entry, 4);
    }
  }
  unsigned char shown[4];
  psBuffer->getData(at, 4, shown);
  if (mystrncmp(shown, text, 4)) psBuffer->writeData(text, 4, at);
}

int TextSession::mystrncmp(const unsigned char* a, const unsigned char* b, unsigned int n) {
  for (unsigned int i = 0; i < n; ++i)
    if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
  return 0;
}

void TextSession::updateScaleLine(unsigned int row, bool flag) {
  const unsigned int cursorRow = rowOf(cursorPos);
  if (cursorRow == textDef.scaleRow || cursorRow == textDef.statusRow) {
    scaleFlags &= 0x00FFFFFFu;
    return;
  }
  const unsigned char* s = scaleLineOfRow(cursorRow);
  if (!s) {
    if (!flag || !HQ600Host()) scaleLineError(cursorRow);
    return;
  }
  const unsigned int id = s[2];
  const bool rtl = isRightToLeftLine(cursorRow);
  const bool cachedRtl = (scaleFlags & (1u << 23)) != 0;
  if (!textLine(cursorRow) || ((scaleFlags >> 24) == id && rtl == cachedRtl)) return;
  scaleFlags = (id << 24) | (rtl ? 1u << 23 : 0) | (scaleFlags & 0x007FFFFFu);

  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  const unsigned int lcf = textDef.lineCmdFieldSize;
  unsigned int start = lcf + 2;  // column of the ruler's first position
  int offset = static_cast<int>(getScaleLineOffset(rtl));
  if ((textDef.defFlags & 0xC0000000u) == 0xC0000000u) {
    if (rtl)
      offset -= 4;
    else
      start += 4;
  }
  if (offset < 0) offset = 0;
  if (start > cols) start = cols;
  unsigned int width = cols - start + 1;
  // The ruler holds 140 positions: an offset never reads beyond them.
  if (static_cast<unsigned int>(offset) >= kRulerBytes) offset = kRulerBytes - 1;
  if (offset + width > kRulerBytes) width = kRulerBytes - static_cast<unsigned int>(offset);
  if (!rtl) {
    if (start > 1) {
      psBuffer->fillRange(first, first + start - 2, 0x00);
      if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(first), static_cast<int>(first + start - 2));
    }
    psBuffer->writeData(rulers().ltr + offset, width, first + start - 1);
  } else {
    psBuffer->fillRange(first, last, 0x00);
    if (width > cols - 1) width = cols - 1;
    psBuffer->writeDataBackwards(rulers().rtl + offset, width, last - 1);
  }
  // The marks of the scale line (the pitch pair is not shown).
  const unsigned int len = s[0];
  unsigned int pairsEnd = len;
  if (len >= 5 && s[len - 1] == 12) pairsEnd = len - 2;
  int rightMargin = -1;
  for (unsigned int p = 3; p + 1 < pairsEnd; p += 2) {
    unsigned int column = s[p], code = s[p + 1];
    if (code == 1 && scalelineflagset(0, cursorRow)) continue;
    if (code == 2 && scalelineflagset(1, cursorRow)) continue;
    if (rtl) {
      column = lcf + cols - column + 1;
      if (code == 1 || code == 2) code = 3 - code;
      else if (code == 3 || code == 4) code = 7 - code;
    }
    if (column < 1 || column > cols || code > 12) continue;
    psBuffer->writeCharacter(first + column - 1, kScaleSymbols[code]);
    if (code == 2) rightMargin = static_cast<int>(column);
  }
  if (rightMargin > 0 && scalelineflagset(1, cursorRow) && !rtl)
    psBuffer->fillRange(first + rightMargin - 1, last, 0x00);
  if (rtl && (textFlagsA & (1u << 15)))
    for (unsigned int p = first; p <= last; ++p) {
      const unsigned char c = psBuffer->getCharacter(p);
      if (c >= 0xF0 && c <= 0xF9) psBuffer->writeCharacter(p, kArabicDigits[c - 0xF0]);
    }
  if (textDef.defFlags & 0x80000000u) {
    psBuffer->writeCharacter(last, 0x00);
    const unsigned int l = leftmar(cursorRow) % cols, r = rightmar(cursorRow) % cols;
    const unsigned int lo = rtl ? cols - 1 - r + lcf : l, hi = rtl ? cols - 1 - l + lcf : r;
    if (lo > 0 && lo <= cols - 1) psBuffer->fillRange(first, first + lo - 1, 0x00);
    if (hi + 1 <= cols - 1) psBuffer->fillRange(first + hi + 1, last, 0x00);
  }
}

void TextSession::saveErrorLineData(unsigned int offset, unsigned int length) {
  if (length > kMaxColumns) length = kMaxColumns;
  psBuffer->getData(offset, length, errorLineSave[0]);
  if (extendedPlanes()) {
    primaryBuffer->getData(offset, length, errorLineSave[1]);
    secondaryBuffer->getData(offset, length, errorLineSave[2]);
  }
  errorLineSaveRTL = isRightToLeftLine(rows);
}

void TextSession::restoreErrorLineData(unsigned int offset, unsigned int length) {
  if (length > kMaxColumns) length = kMaxColumns;
  psBuffer->writeData(errorLineSave[0], length, offset);
  if (extendedPlanes()) {
    primaryBuffer->writeData(errorLineSave[1], length, offset);
    secondaryBuffer->writeData(errorLineSave[2], length, offset);
  }
}

void TextSession::copyerror(const unsigned char* text4) {
  errorLineText[0] = 0x2A;
  std::memcpy(errorLineText + 1, text4, 4);
  errorLineText[5] = 0x27;
}

void TextSession::operatorerror(unsigned int code) {
  if (modes & text_mode::kErrorShown) return;
  setKBLocked(true);
  modes |= text_mode::kErrorShown;
  lastOperatorErrorCode = static_cast<uint16_t>(code);
  if (!displayBag) return;
  displayBag->controlData().setCursorRequestBits(kBlinkError);
  KeyboardState& k = displayBag->keyboardState();
  if (k.state() == KeyboardState::kPostCopy) k.exitPostCopyState();
  const unsigned int row = geterrorlinerow();
  if (row < 1 || row > psBuffer->rows() + 1u) return;
  const unsigned int offset = (row - 1) * cols;
  if (offset + cols - 1 > psBuffer->lastOffset()) return;
  const bool extraRow = k.errorRow() > rows;
  saveErrorLineData(offset, cols);
  nullline(row);
  if (code == 255) {
    if (extraRow) displayBag->controlData().setControlBits(kControlErrorRowInUse);
    return;
  }
  const unsigned char* text = errorLineText;
  unsigned int length = 6;
  unsigned char entry[83];
  if (code == 253 || code == 254) {
    const unsigned char digit = code == 253 ? 0xF1 : 0xF9;
    const unsigned char four[4] = {digit, digit, digit, digit};
    lastOperatorErrorCode = code == 253 ? 0x1111 : 0x9999;
    copyerror(four);
  } else {
    unsigned char four[4] = {0xF0, 0xF0, 0xF0, 0xF0};
    unsigned int bcd = 0;
    unsigned int v = code % 10000;
    for (unsigned int i = 0; i < 4; ++i, v /= 10) {
      four[3 - i] = static_cast<unsigned char>(0xF0 | (v % 10));
      bcd |= (v % 10) << (4 * i);
    }
    copyerror(four);
    HostInterface* host = displayBag->hostInterface();
    if (host && host->textTables().getOperrEntry(secLangTables() ? 1 : 0, bcd, entry)) {
      text = entry + 3;
      length = entry[0] - 3u;
    }
  }
  if (length > cols) length = cols;
  psBuffer->writeData(text, length, offset);
  if (extraRow) displayBag->controlData().setControlBits(kControlErrorRowInUse);
}
