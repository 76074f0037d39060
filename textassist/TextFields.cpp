// The text-assist structured fields (class 0xD9): the dispatcher and the
// commands that the text session executes itself. Every command checks all
// of its field before it changes anything.
#include <cstring>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "keyboard/TAXlate.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned char kClass = 0xD9;
constexpr uint32_t kExtendedAttributeCapability = 0x00000200u;  // characteristics word 0
constexpr unsigned int kControlErrorRowInUse = 0x00800000u;     // display-control bit 23

struct LengthBounds {
  unsigned int low, high;
};
// Types 0x30..0x3B; 0x38 has no command.
constexpr LengthBounds kBounds[12] = {{5, 516}, {5, 388}, {8, 8},  {7, 14}, {7, 14}, {8, 406},
                                      {8, 8000}, {7, 9}, {0, 0},  {5, 772}, {5, 85}, {7, 17}};

unsigned int fieldLength(const unsigned char* cmd) { return (cmd[0] << 8) | cmd[1]; }

TextHostTables* hostTables(DisplayBag* d) {
  HostInterface* host = d ? d->hostInterface() : nullptr;
  return host ? &host->textTables() : nullptr;
}

unsigned int keyboardState(DisplayBag* d) {
  return d ? d->keyboardState().state() : KeyboardState::kNormalUnlocked;
}
}  // namespace

bool TextSession::cmdLengthOK(const unsigned char* cmd, const unsigned char* end, uint32_t& sense) const {
  const unsigned int type = cmd[3];
  const unsigned int length = fieldLength(cmd);
  LengthBounds b = {0, 10000};
  if (type >= 0x30 && type <= 0x3B) b = kBounds[type - 0x30];
  if (length < b.low || length > b.high || length < 4) {
    sense = text_sense::kLength;
  } else if (static_cast<long>(length) - 1 > end - cmd) {
    sense = text_sense::kPastEnd;
  }
  return sense == 0;
}

void TextSession::wsfTextAssist(const unsigned char* begin, const unsigned char* end, uint32_t& sense) {
  sense = 0;
  bool wrote = false;
  const unsigned char* cmd = begin;
  while (cmd <= end && !sense) {
    // The head (length, class, type) must be there before it is read.
    if (end - cmd + 1 < 4) {
      sense = text_sense::kPastEnd;
      break;
    }
    const unsigned int type = cmd[3];
    if (cmd[2] != kClass || type < 0x30 || type > 0x3B || type == 0x38) {
      sense = text_sense::kClassOrType;
      break;
    }
    if (!cmdLengthOK(cmd, end, sense)) break;
    TextHostTables* tables = hostTables(displayBag);
    switch (type) {
      case 0x30:
        if (tables) tables->dfaud(cmd, sense);
        auditIndex = 0x00FF;
        break;
      case 0x31:
        if (tables) tables->dfcdk(cmd, sense);
        break;
      case 0x32:
        rdtxt(cmd, sense);
        break;
      case 0x33:
        dfpen(cmd, sense);
        break;
      case 0x34:
        dftxt(cmd, sense);
        marginCache = MarginCache();
        std::memset(insertCache, 0, sizeof insertCache);
        break;
      case 0x35:
        marginCache = MarginCache();
        dfscl(cmd, sense);
        break;
      case 0x36:
        wrtxt(cmd, sense);
        wrote = true;
        std::memset(insertCache, 0, sizeof insertCache);
        break;
      case 0x37:
        dfspc(cmd, sense);
        break;
      case 0x39:
        if (tables) tables->dfoem(cmd, sense);
        break;
      case 0x3A:
        if (tables) tables->dfpitch(cmd, sense);
        break;
      case 0x3B:
        dfdpc(cmd, sense);
        break;
    }
    if (!sense) cmd += fieldLength(cmd);
  }
  if (wrote && !(modes & text_mode::kKeyboardLocked) && !sense) timerUpdate(true);
}

void TextSession::dftxt(const unsigned char* cmd, uint32_t& sense) {
  const unsigned int length = fieldLength(cmd);
  switch (length) {
    case 7: case 9: case 11: case 12: case 13: case 14: break;
    default:
      sense = text_sense::kLength;
      return;
  }
  // The new geometry, taken from the screen's current width.
  const unsigned int screenColumns = displayBag ? displayBag->columns() : cols;
  const unsigned int newRows = screenColumns < 132 ? 24 : 27;
  const unsigned int newCols = screenColumns < 132 ? 80 : 132;

  TextDefinition def;
  def.defFlags = static_cast<uint32_t>(cmd[5]) << 24;
  def.defFlags2 = static_cast<uint32_t>(cmd[6] & 0xF0) << 24;
  def.defLevel = cmd[6] & 0x0F;
  const uint32_t f = def.defFlags, f2 = def.defFlags2;
  const bool extendedCapable =
      !displayBag || (displayBag->characteristics().word[0] & kExtendedAttributeCapability);
  if (cmd[4] != 0 || ((f & 0x80000000u) && (f & 0x08000000u)) || ((f & 0x01000000u) && (f2 & 0x40000000u)) ||
      ((f2 & 0x40000000u) && (f2 & 0x20000000u)) ||
      (!(f2 & 0x80000000u) && (f2 & 0x60000000u)) || ((f2 & 0x40000000u) && !extendedCapable)) {
    sense = text_sense::kInvalidData;
    return;
  }
  const bool fullScreen = (f2 & 0x20000000u) != 0;
  def.textLineCount = fullScreen ? newRows - 1 : newRows - 3;
  def.statusRow = fullScreen ? 0 : 1;
  def.scaleRow = fullScreen ? 0 : 2;
  def.firstTextRow = fullScreen ? 1 : 3;
  def.lineCmdFieldSize = 0;
  def.pitchColumn = 15;
  bool bad = false;
  if (length > 7 && cmd[7] != 0) bad = true;
  if (length > 8) {
    if (cmd[8] < 5 || cmd[8] > def.textLineCount) bad = true;
    def.textLineCount = cmd[8];
  }
  if (length > 10 && def.defLevel > 8) {
    def.statusRow = cmd[9];
    def.scaleRow = cmd[10];
    if (def.statusRow > newRows || def.scaleRow > newRows) bad = true;
  }
  if (length > 11) {
    def.lineCmdFieldSize = cmd[11];
    if (def.lineCmdFieldSize > newCols - 5 || ((f & 0x08000000u) && def.lineCmdFieldSize)) bad = true;
  }
  if (length > 12) {
    def.pitchColumn = cmd[12];
    if (def.pitchColumn < 1 || def.pitchColumn > newCols - 4) bad = true;
  }
  if (length > 13) {
    if (cmd[13] < def.firstTextRow) bad = true;
    def.firstTextRow = cmd[13];
  }
  if (def.firstTextRow + def.textLineCount > newRows) bad = true;
  if (bad) {
    sense = text_sense::kInvalidData;
    return;
  }
  def.lastTextRow = def.firstTextRow + def.textLineCount - 1;
  def.promptRow = fullScreen ? def.firstTextRow + def.textLineCount : newRows;

  // Checked: now the session changes.
  setTextScreenSize(screenColumns);
  setLanguageFlags();
  if (displayBag) displayBag->setTextOrEnptuiSymbolsInUse(1);
  setInsertMode(false);
  locateChar = 0;
  if (displayBag && displayBag->keyboardState().state() == KeyboardState::kSystemRequest)
    displayBag->keyboardState().exitSystemRequestState();
  clearTextModes();
  copyMoveDelState = 0;
  std::memset(coreCmdInvalidMask, 0, sizeof coreCmdInvalidMask);
  std::memset(pfKeyInvalidMask, 0, sizeof pfKeyInvalidMask);
  clearDPOstruct();
  std::memset(pageNumber, 0, sizeof pageNumber);
  setKBLocked(true);
  if (displayBag && displayBag->keyboardState().state() != KeyboardState::kWordProcessing)
    displayBag->keyboardState().enterWPState();
  reqCarrierReturnChar = 0x06;
  hyphenChar = 0xCA;
  modes &= ~text_mode::kSysReqInError;
  shownLineNumber = 0;
  if (displayBag) {
    DisplayControlData& c = displayBag->controlData();
    c.setCursorState(static_cast<unsigned char>(c.cursorState() | 0x01));
    c.clearCursorRequestBits(0x10 | 0x40 | 0x20);
  }
  if (!(f & 0x04000000u) && displayBag) {
    displayBag->presentationSpace().clearEntirePlane(0);
    displayBag->primaryPlane().clearAllECBPlanes(-1, -1);
    displayBag->presentationSpace().writeCharacter(0, 0x20);
    textFlagsB &= ~0x80000000u;
  }
  std::memset(scaleLineTable, 0, sizeof scaleLineTable);
  initLCDTable();
  textDef = def;
  if (displayBag && displayBag->keyboardState().errorRow() > rows)
    displayBag->controlData().clearControlBits(kControlErrorRowInUse);
  savedCursorPos = 0;
  cursorPos = 1;
  cursorPlane = Plane0;
  if (displayBag) displayBag->getRendering()->setShadowCursorRow(textDef.scaleRow);
  writeCursor();
}

void TextSession::rdtxt(const unsigned char* cmd, uint32_t& sense) {
  if (keyboardState(displayBag) != KeyboardState::kWordProcessing) {
    sense = text_sense::kKeyboardState;
    return;
  }
  if (fieldLength(cmd) != 8) {
    sense = text_sense::kLength;
    return;
  }
  if (cmd[4] != 0x00 || cmd[5] != 0x80 || cmd[6] != 0x00 || cmd[7] != 0x00) {
    sense = text_sense::kInvalidData;
    return;
  }
  modes |= text_mode::kHostWaits;
  modes &= ~text_mode::kSysReqInError;
  if (!scaleLineError(rowOf(cursorPos)) && (modes & text_mode::kAidPending)) {
    textSendAid(cursorPos, lastAid);
    modes &= ~text_mode::kAidPending;
  }
}

void TextSession::dfpen(const unsigned char* cmd, uint32_t& sense) {
  const unsigned int ks = keyboardState(displayBag);
  const bool locked = (modes & text_mode::kKeyboardLocked) ||
                      (displayBag && displayBag->keyboardState().isLockedState());
  if (!locked || ks == KeyboardState::kSystemRequest) {
    sense = text_sense::kNotLocked;
    return;
  }
  if (ks != KeyboardState::kWordProcessing) {
    sense = text_sense::kKeyboardState;
    return;
  }
  const unsigned int length = fieldLength(cmd);
  if (length != 7 && length != 14) {
    sense = text_sense::kLength;
    return;
  }
  if (cmd[4] != 0 || (cmd[6] & 0x7F)) {
    sense = text_sense::kInvalidData;
    return;
  }
  PendingOperation next = dpo;
  if (length == 14) {
    const unsigned int row = cmd[11], column = cmd[13];
    if (cmd[10] != 0 || cmd[12] != 0 || row < 1 || row > rows || !textLine(row) ||
        column < textDef.lineCmdFieldSize || column > cols) {
      sense = text_sense::kInvalidData;
      return;
    }
    std::memcpy(next.displaced, cmd + 7, 3);
    next.row = static_cast<uint16_t>(row);
    next.column = static_cast<uint16_t>(column);
  }
  setInsertMode((cmd[5] & 0x80) != 0);
  if (cmd[5] & 0x40)
    modes |= text_mode::kLocate;
  else
    modes &= ~text_mode::kLocate;
  if (displayBag) displayBag->getRendering()->enablePaste((cmd[5] & 0x40) ? 0 : 1);
  next.options = static_cast<uint32_t>(cmd[5] & 0x3F) << 26;
  if (cmd[6] & 0x80) {
    next.options |= 1u << 25;
    if (displayBag) displayBag->controlData().setCursorRequestBits(0x40);
  }
  modes &= ~text_mode::kCursorDraw;
  if (!(modes & text_mode::kLocate))
    modes &= ~(text_mode::kCopyMoveDel27 | text_mode::kCopyMoveDel26 | text_mode::kCopyMoveDel25);
  dpo = next;
}

void TextSession::dfspc(const unsigned char* cmd, uint32_t& sense) {
  const unsigned int ks = keyboardState(displayBag);
  if (ks != KeyboardState::kWordProcessing && ks != KeyboardState::kSystemRequest) {
    sense = text_sense::kKeyboardState;
    return;
  }
  const unsigned int length = fieldLength(cmd);
  if (cmd[0] != 0 || (length != 7 && length != 9)) {
    sense = text_sense::kLength;
    return;
  }
  if (cmd[4] || cmd[5] || cmd[6]) {
    sense = text_sense::kInvalidData;
    return;
  }
  if (length == 7) return;
  const unsigned char selector = cmd[7], ch = cmd[8];
  if (selector == 1 && (ch == 0x06 || ch == 0x1F || ch > 0x3F))
    reqCarrierReturnChar = ch;
  else if (selector == 2 && ch > 0x40)
    hyphenChar = ch;
  else
    sense = text_sense::kInvalidData;
}

void TextSession::dfscl(const unsigned char* cmd, uint32_t& sense) {
  const unsigned int ks = keyboardState(displayBag);
  if (ks != KeyboardState::kWordProcessing && ks != KeyboardState::kSystemRequest) {
    sense = text_sense::kKeyboardState;
    return;
  }
  const unsigned int length = fieldLength(cmd);
  const unsigned int n = length - 8;
  if (n > kScaleTableBytes - 3) {
    sense = text_sense::kLength;
    return;
  }
  const unsigned int lcf = textDef.lineCmdFieldSize;
  const unsigned int offsetLimit = (lcf - cols + 1) & 0xFF;
  if (cmd[4] || cmd[5] || (cmd[6] && !bidihosteditor()) ||
      (!(textDef.defFlags & 0x80000000u) && (cmd[6] > offsetLimit || cmd[7] > offsetLimit)) ||
      cmd[6] >= kRulerBytes || cmd[7] >= kRulerBytes) {
    sense = text_sense::kInvalidData;
    return;
  }
  const bool restricted = (textDef.defFlags & 0x08000000u) != 0;
  const TextHostTables* tables = hostTables(displayBag);
  const unsigned int pitches = tables ? tables->numPitchTableEntries(secLangTables() ? 1 : 0) : 0;
  const unsigned char* e = cmd + 8;
  for (unsigned int i = 0; i < n;) {
    const unsigned int len = e[i];
    if (len < 3 || len > n - i) {
      sense = text_sense::kLength;
      return;
    }
    if ((e[i + 1] & 0x1F) || ((len - 3) & 1)) {
      sense = text_sense::kInvalidData;
      return;
    }
    int lo = static_cast<int>(lcf) + 3, hi = static_cast<int>(cols) - 2;
    bool left = false, right = false, code11 = false, pitch = false, prevStop = false;
    bool ok = true;
    for (unsigned int p = i + 3; ok && p + 1 < i + len; p += 2) {
      const int column = e[p];
      const unsigned int code = e[p + 1];
      bool stop = false;
      if (code < 1 || code > 12 || (restricted && code > 2)) {
        ok = false;
      } else if (code == 1) {
        ok = !left && !right && lo - 1 <= column && column <= hi;
        lo = column + 1;
        left = true;
      } else if (code == 2) {
        ok = !right && lo <= column && column <= hi + 1;
        hi = column + 1;
        right = true;
      } else if (code <= 9) {
        stop = true;
        if (right) {
          ok = false;
        } else if (!left) {
          lo -= 1;
          left = true;
        } else {
          if (prevStop) lo += 1;
          if (column == hi + 1) {
            hi = column;
            right = true;
          }
        }
        ok = ok && lo <= column && column <= hi;
        lo = column + 1;
      } else if (code == 10) {
        ok = !right && lo <= column && column <= hi;
        left = true;
        lo = column + 1;
      } else if (code == 11) {
        ok = !code11 && !pitch && (!left || column >= lo) && static_cast<int>(lcf) + 2 <= column &&
             column <= static_cast<int>(cols);
        code11 = true;
        lo = column;
      } else {
        ok = !pitch && static_cast<unsigned int>(column) <= pitches;
        pitch = true;
        lo = column + 1;
        hi = column;
        right = true;
      }
      prevStop = stop;
    }
    if (!ok) {
      sense = text_sense::kInvalidData;
      return;
    }
    i += len;
  }
  // All entries passed: the old scale lines go.
  std::memset(scaleLineTable, 0, sizeof scaleLineTable);
  modes &= ~text_mode::kScaleError;
  scaleLineTable[0] = cmd[6];
  scaleLineTable[1] = cmd[7];
  if (n) {
    std::memcpy(scaleLineTable + 2, e, n);
    scaleFlags &= 0x00FFFFFFu;
  }
}

void TextSession::dfdpc(const unsigned char* cmd, uint32_t& sense) {
  if (!(textDef.defFlags & 0x08000000u)) {
    sense = text_sense::kNotRestricted;
    return;
  }
  const unsigned int length = fieldLength(cmd);
  if (cmd[0] != 0 || length < 7 || length > 17) {
    sense = text_sense::kLength;
    return;
  }
  if (cmd[4] || cmd[5] || cmd[6]) {
    sense = text_sense::kInvalidData;
    return;
  }
  unsigned char core[2], pf[4];
  std::memcpy(core, coreCmdInvalidMask, 2);
  std::memcpy(pf, pfKeyInvalidMask, 4);
  for (unsigned int i = 7; i < length;) {
    const unsigned int left = length - i;
    if (left < 2) {
      sense = text_sense::kLength;
      return;
    }
    const unsigned int len = cmd[i], kind = cmd[i + 1];
    if (((kind & 0xC0) == 0xC0) || !(kind & 0xC0)) {
      sense = text_sense::kInvalidData;
      return;
    }
    const unsigned int want = (kind & 0x80) ? 4 : 6;
    if (len != want || len > left) {
      sense = text_sense::kLength;
      return;
    }
    if (kind & 0x80)
      std::memcpy(core, cmd + i + 2, 2);
    else
      std::memcpy(pf, cmd + i + 2, 4);
    // The masks end with a zero byte.
    if (cmd[i + len - 1]) {
      sense = text_sense::kInvalidData;
      return;
    }
    i += len;
  }
  std::memcpy(coreCmdInvalidMask, core, 2);
  std::memcpy(pfKeyInvalidMask, pf, 4);
}

namespace {
constexpr uint32_t kArabicLanguage = 1u << 15, kHebrewLanguage = 1u << 14, kShapedLanguage = 1u << 13;
constexpr unsigned int kArabicKeyboard = 0xE6D6, kHebrewKeyboard = 0xE6D8, kFarsiKeyboard = 0xE6E2;
constexpr unsigned int kAltSpaceKeyboardA = 0xE6D2, kAltSpaceKeyboardB = 0xE6D9;

unsigned int KeyboardCode(const DisplayBag* d) { return d && d->taxlate() ? d->taxlate()->keyboardCode() : 0; }
}  // namespace

void TextSession::setLanguageFlags() {
  const unsigned int code = KeyboardCode(displayBag);
  textFlagsA &= ~(kArabicLanguage | kHebrewLanguage | kShapedLanguage);
  if (code == kArabicKeyboard) textFlagsA |= kArabicLanguage | kShapedLanguage;
  if (code == kHebrewKeyboard) textFlagsA |= kHebrewLanguage;
  if (code == kFarsiKeyboard) textFlagsA |= kShapedLanguage;
}

bool TextSession::languageUsesAltReqSpace() const {
  const unsigned int code = KeyboardCode(displayBag);
  return (textFlagsA & kHebrewLanguage) || code == kAltSpaceKeyboardA || code == kAltSpaceKeyboardB;
}
