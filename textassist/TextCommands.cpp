// Command keys of the text: the PF keys and command keys looked up in the
// host's command-key table (a prompt with the operator's input on the
// prompt row, locate, the start of a copy, move or delete, the hyphen
// character, a prompt shown), Enter, and the completion of a copy, move or
// delete, which the host carries out.
#include <cstring>

#include "datastream/HostInterface.h"
#include "datastream/TextHostTables.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned char kAidEnter = 0xF1;
constexpr unsigned char kAidLocate = 0xEB;
constexpr unsigned int kLinePromptKey = 252;
constexpr uint32_t kPending = text_mode::kCopyMoveDel27 | text_mode::kCopyMoveDel26 | text_mode::kCopyMoveDel25;
}  // namespace

bool TextSession::fakeDpPfCmdKeyInvalid(unsigned int key) const {
  if (key < 1 || key > 24) return false;
  return (pfKeyInvalidMask[(key - 1) / 8] & (0x80u >> ((key - 1) % 8))) != 0;
}

bool TextSession::fakeDpCoreCmdKeyInvalid(unsigned int n) const {
  return n <= 7 && (coreCmdInvalidMask[0] & (0x80u >> n)) != 0;
}

void TextSession::enablePaste(bool on) {
  if (displayBag) displayBag->getRendering()->enablePaste(on ? 1 : 0);
}

unsigned int TextSession::cmdSearch(unsigned int key, unsigned char aid) {
  if (restrictedEditing()) {
    if (key >= 1 && key <= 24 && !fakeDpPfCmdKeyInvalid(key)) return 0;
    operatorerror(77);
    return 1;
  }
  return runCmdKeyEntry(key, aid);
}

unsigned int TextSession::runCmdKeyEntry(unsigned int key, unsigned char aid) {
  if (scaleLineError(rowOf(cursorPos))) return 1;
  HostInterface* host = displayBag ? displayBag->hostInterface() : nullptr;
  unsigned char entry[82];
  if (!host || !host->textTables().getCmdKeyEntry(secLangTables() ? 1 : 0, key, HQ600Host(), entry)) return 0;
  const bool rtl = isRightToLeftLine(rowOf(cursorPos));
  const unsigned int length = entry[0] >= 3 ? entry[0] - 3u : 0;
  switch (entry[2]) {
    case 1: genPromptFunc(aid, entry + 3, length, rtl); break;
    case 2: locateFunc(entry + 3, length, rtl); break;
    case 3: case 4: case 5: copyMoveDelFunc(aid, entry[2], entry + 3, length, rtl); break;
    case 6: datakeys(hyphenChar); break;
    case 7: dspPrompt(entry + 3, length, rtl); break;
    default: break;
  }
  return 1;
}

void TextSession::showLinePrompt() {
  // No key was pressed: restricted editing has nothing to refuse here.
  if (restrictedEditing())
    runCmdKeyEntry(kLinePromptKey, 0);
  else
    cmdSearch(kLinePromptKey, 0);
}

void TextSession::pfCmdKey(unsigned int key, unsigned char aid) {
  lastHandler_ = "pfCmdKey";
  if (cmdSearch(key, aid)) return;
  enablePaste(true);
  textSendAid(cursorPos, aid);
}

void TextSession::deleteKey(unsigned char key, unsigned char aid) {
  lastHandler_ = "deleteKey";
  if (!cmdSearch(key, aid)) operatorerror(77);
}

void TextSession::altAKey(unsigned char key, unsigned char aid) {
  lastHandler_ = "altAKey";
  if (restrictedEditing()) {
    operatorerror(77);
    return;
  }
  if (promptInput()) {
    operatorerror(74);
    return;
  }
  if (!editableRow(rowOf(cursorPos))) {
    operatorerror(72);
    return;
  }
  if (modes & text_mode::kLocate) {
    setLocateChar(0x10, Plane0);
    textSendAid(cursorPos, kAidLocate);
    return;
  }
  if (!cmdSearch(key, aid)) operatorerror(3);
}

void TextSession::dspPrompt(const unsigned char* text, unsigned int length, bool rtl) {
  const unsigned int row = textDef.promptRow;
  if (!psBuffer || row < 1 || row * cols - 1u > psBuffer->lastOffset()) return;
  emptyRow(row);
  const unsigned int start = (row - 1) * cols;
  unsigned int n = length < cols - 1u ? length : cols - 1u;
  if (rtl) {
    unsigned int k = 0;
    while (k < n && text[k]) ++k;
    n = k;
    if (n) psBuffer->writeData(text, n, start + cols - n);
  } else if (n) {
    psBuffer->writeData(text, n, start);
  }
  writeCursor();
  if (textDef.statusRow) updateAuditWindow(textDef.statusRow);
}

void TextSession::genPromptFunc(unsigned char func, const unsigned char* text, unsigned int length, bool rtl) {
  pendingPromptFunc = func;
  if (!promptInput()) {
    savedCursorPos = cursorPos;
    savedCursorPlane = cursorPlane;
    modes |= text_mode::kPromptInput;
  }
  const bool fullScreen = (textDef.defFlags2 & 0x20000000u) != 0;
  if (!(modes & kPending) && !(dpo.options & 0x02000000u) && !fullScreen) {
    modes &= ~text_mode::kLocate;
    enablePaste(true);
  } else {
    const unsigned int row = textDef.promptRow;
    if (psBuffer && row >= 1 && row * cols - 1u <= psBuffer->lastOffset()) {
      psBuffer->getData((row - 1) * cols, cols, promptLineSave);
      promptLineSaveRTL = row <= kRows && (line(row).ctl3 & 0x80000000u);
    }
  }
  const unsigned int row = textDef.promptRow;
  if (row >= 1 && row <= kRows) {
    if (rtl)
      line(row).ctl3 |= 0x80000000u;
    else
      line(row).ctl3 &= ~0x80000000u;
  }
  if (length > cols - 2u) length = cols - 2u;
  const unsigned int at = rtl ? (row - 1) * cols + cols - length - 1 : (row - 1) * cols + length;
  promptInputStart = static_cast<uint16_t>(at);
  cursorPos = static_cast<uint16_t>(at);
  cursorPlane = Plane0;
  cursorChar = 0;
  dspPrompt(text, length, rtl);
  textFlagsB &= ~0x80000000u;
}

void TextSession::locateFunc(const unsigned char* text, unsigned int length, bool rtl) {
  if (promptInput()) {
    operatorerror(74);
    return;
  }
  if (modes & text_mode::kLocate) return;
  modes |= text_mode::kLocate;
  enablePaste(false);
  dspPrompt(text, length, rtl);
  textFlagsB &= ~0x80000000u;
}

bool TextSession::promptLineInputError() const {
  const unsigned int row = textDef.promptRow;
  const bool rtl = row >= 1 && row <= kRows && (line(row).ctl3 & 0x80000000u) && bidihosteditor();
  if (!rtl) return cursorPos >= row * cols - 1u || cursorPos < promptInputStart;
  return cursorPos <= (row - 1) * cols || cursorPos > promptInputStart;
}

bool TextSession::promptLineInput(unsigned char ch, unsigned int pos) {
  if (!promptInput() || rowOf(pos) != textDef.promptRow) return false;
  if (promptLineInputError()) {
    operatorerror(insertMode() && bidihosteditor() ? 70 : 72);
    return true;
  }
  const unsigned int to = insertMode() && (ch == 0x0B || ch == 0x0D) ? insert(ch, pos) : replace(ch, pos);
  if (!(modes & text_mode::kErrorShown)) moveCursorWithTimer(to, Plane0);
  setLocateChar(ch, Plane0);
  return true;
}

void TextSession::revImage(unsigned int pos) {
  if (!psBuffer || !pos || pos + 1 > psBuffer->lastOffset()) return;
  if (extendedPlanes()) {
    const unsigned char a = planeByte(pos, 1), b = planeByte(pos + 1, 1);
    dpo.displaced[0] = (a & 0x80) ? a : 0;
    dpo.displaced[1] = charAt(pos);
    dpo.displaced[2] = (b & 0x80) ? b : 0;
    primaryBuffer->writeCharacter(pos + 1, (a & 0x80) ? a : 0x80);
    primaryBuffer->writeCharacter(pos, 0x83);
  } else {
    dpo.displaced[0] = charAt(pos - 1);
    dpo.displaced[1] = charAt(pos);
    dpo.displaced[2] = charAt(pos + 1);
    unsigned char previous = 0x20;
    for (unsigned int p = pos; p-- > (rowOf(pos) - 1) * cols;)
      if (charAt(p) >= 0x20 && charAt(p) <= 0x3F) {
        previous = charAt(p);
        break;
      }
    psBuffer->writeCharacter(pos - 1, 0x23);
    psBuffer->writeCharacter(pos + 1, previous);
    const unsigned char c = charAt(pos);
    if (c == 0x40 || (c >= 0x20 && c <= 0x3F)) psBuffer->writeCharacter(pos, 0x40);
  }
  line(rowOf(pos)).ctl |= line_ctl::kChanged;
  textFlagsA |= 1u << 31;
}

void TextSession::restoreDisplacedChars(unsigned int row, unsigned int column, bool markChanged) {
  if (!psBuffer || row < 1 || column < 1 || row > kRows) return;
  const unsigned int pos = (row - 1) * cols + column - 1;
  if (!pos || pos + 1 > psBuffer->lastOffset()) return;
  if (extendedPlanes()) {
    primaryBuffer->writeCharacter(pos, dpo.displaced[0]);
    primaryBuffer->writeCharacter(pos + 1, dpo.displaced[2]);
  } else {
    psBuffer->writeCharacter(pos - 1, dpo.displaced[0]);
    psBuffer->writeCharacter(pos + 1, dpo.displaced[2]);
  }
  psBuffer->writeCharacter(pos, dpo.displaced[1]);
  if (markChanged) line(row).ctl |= line_ctl::kChanged;
}

void TextSession::copyMoveDelFunc(unsigned char aid, unsigned int type, const unsigned char* text,
                                  unsigned int length, bool rtl) {
  if (promptInput()) {
    operatorerror(74);
    return;
  }
  if ((modes & kPending) || (dpo.options & 0x02000000u) || (modes & text_mode::kCursorDraw)) {
    operatorerror(71);
    return;
  }
  const unsigned int row = rowOf(cursorPos);
  const bool rtlRow = isRightToLeftLine(row);
  const unsigned int L = rtlRow ? convertLVOffset(rightmar(row)) : leftmar(row);
  const unsigned int R = rtlRow ? convertLVOffset(leftmar(row)) : rightmar(row);
  if (!textLine(row) || inlinecmdfld(cursorPos) || cursorPos < L || cursorPos > R) {
    operatorerror(72);
    return;
  }
  if (type == 3) {
    modes |= text_mode::kLocate | text_mode::kCopyMoveDel27;
  } else {
    if (line(row).ctl & line_ctl::kShownOnly) {
      operatorerror(72);
      return;
    }
    modes |= text_mode::kLocate | (type == 4 ? text_mode::kCopyMoveDel25 : text_mode::kCopyMoveDel26);
  }
  enablePaste(false);
  copyMoveDelAid = aid;
  dpo.row = static_cast<uint16_t>(row);
  dpo.column = static_cast<uint16_t>(columnOf(cursorPos));
  // The start's plane, told to the host with the pending operation.
  copyMoveDelState = static_cast<uint32_t>(cursorPlane);
  // What the prompt row shows comes back when the operation ends.
  keepPromptRow();
  dspPrompt(text, length, rtl);
  textFlagsB &= ~0x80000000u;
  revImage(cursorPos);
  if (displayBag) displayBag->controlData().setCursorRequestBits(0x40);
}

void TextSession::enterKey() {
  lastHandler_ = "enterKey";
  if (modes & (text_mode::kErrorShown | text_mode::kKeyboardLocked)) return;
  if (promptInput()) {
    textSendAid(cursorPos, pendingPromptFunc);
    return;
  }
  if (modes & kPending) {
    encmd();
    return;
  }
  textSendAid(cursorPos, kAidEnter);
}

void TextSession::encmd() {
  const unsigned int row = rowOf(cursorPos);
  if (scaleLineError(row)) return;
  const bool inCmd = inlinecmdfld(cursorPos);
  const bool rtl = isRightToLeftLine(row);
  const unsigned int L = rtl ? convertLVOffset(rightmar(row)) : leftmar(row);
  const unsigned int R = rtl ? convertLVOffset(leftmar(row)) : rightmar(row);
  if (!textLine(row) || (!inCmd && (cursorPos < L || cursorPos > R)) ||
      ((line(row).ctl & line_ctl::kShownOnly) && (modes & (text_mode::kCopyMoveDel26 | text_mode::kCopyMoveDel25)))) {
    operatorerror(72);
    return;
  }
  if (inCmd) {
    textSendAid(cursorPos, kAidEnter);
    return;
  }
  modes &= ~text_mode::kLocate;
  enablePaste(true);
  if (modes & text_mode::kCopyMoveDel26) {
    if (dpo.options & 0x20000000u) textFlagsA |= 1u << 30;
    if (!(dpo.options & 0x80000000u)) {
      wscDelete();
      return;
    }
  }
  modes &= ~(text_mode::kCopyMoveDel27 | text_mode::kCopyMoveDel25 | text_mode::kCopyMoveDel26);
  restoreDisplacedChars(dpo.row, dpo.column, true);
  textFlagsA &= ~(1u << 31);
  copyMoveDelState = 2;
  textSendAid(cursorPos, copyMoveDelAid);
}
