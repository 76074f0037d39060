// The text-assist keys as the keystrokes reach them: each handler decides
// whether the key is edited here, handed to the host's text editor with an
// AID, or refused with an operator error. The motions, the line editing and
// the attribute keys they call live in their own files.
#include "datastream/ContentionError.h"
#include "datastream/HostInterface.h"
#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/ASDInfoWP.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {
constexpr unsigned char kAidHelp = 0xF3;
constexpr unsigned char kAidRollDown = 0xF4;
constexpr unsigned char kAidRollUp = 0xF5;
constexpr unsigned char kAidPrint = 0xF6;
constexpr unsigned char kAidErase = 0xE3;
constexpr unsigned char kAidPendingCancelled = 0xE4;
constexpr unsigned char kAidTopOfPage = 0xE5;
constexpr unsigned char kAidBottomOfPage = 0xE6;
constexpr unsigned char kAidPageEnd = 0xE7;
constexpr unsigned char kAidHome = 0xEC;
constexpr unsigned char kAidHomeFunction = 0xF8;  // Home's entry in the command-key table
constexpr unsigned char kAidAltD = 0xD4;
constexpr unsigned char kAidClear = 0xBD;
constexpr unsigned char kDup = 0x1C;
}  // namespace


void TextSession::c_textreset() {
  lastHandler_ = "c_textreset";
  if (!(modes & text_mode::kErrorShown)) {
    resetModes();
    return;
  }
  // A row without its scale line stays refused until the host defines the
  // scale lines again (which ends this state); then Reset ends the error.
  if (modes & text_mode::kScaleError) return;
  if (lastOperatorErrorCode == 69) {
    // A shaping error: the character the shaper could not place goes.
    if (displayBag && psBuffer && cursorPos <= psBuffer->lastOffset()) {
      unsigned int start = 0, end = 0;
      shapingRange(rowOf(cursorPos), start, end);
      ASDInfoWP info(this, start, end);
      displayBag->asd().deleteLogicalCharacter(info);
      const unsigned int at = displayBag->cursor().getCursorOffset();
      if (at <= psBuffer->lastOffset()) cursorPos = static_cast<uint16_t>(at);
    }
  }
  const unsigned int row = geterrorlinerow();
  if (psBuffer && row >= 1 && (row - 1u) * cols + cols - 1u <= psBuffer->lastOffset())
    restoreErrorLineData((row - 1) * cols, cols);
  modes &= ~(text_mode::kErrorShown | text_mode::kSysReqInError | text_mode::kHelpSent);
  if (displayBag) displayBag->controlData().clearCursorRequestBits(0x10);
  // A record that waits for the host's read keeps the keyboard locked.
  if (!(modes & text_mode::kAidPending)) setKBLocked(false);
  lastOperatorErrorCode = 0;
  // Host records held while the error was shown may run now.
  if (displayBag) displayBag->contentionError().resetContentionError(displayBag);
  timerUpdate(false);
}

void TextSession::resetModes() {
  if (modes & text_mode::kKeyboardLocked) return;
  bool acted = false;
  if (modes & text_mode::kPromptInput) {
    modes &= ~(text_mode::kPromptInput | text_mode::kLocate);
    nullline(textDef.promptRow);
    moveCursor(savedCursorPos, Plane0);
    if (displayBag) displayBag->getRendering()->enablePaste(1);
    acted = true;
  }
  if ((modes & text_mode::kCopyMoveDel26) && (dpo.options & 0x20000000u)) {
    textFlagsA |= 1u << 29;
    acted = true;
  }
  const uint32_t pending = text_mode::kCopyMoveDel27 | text_mode::kCopyMoveDel26 | text_mode::kCopyMoveDel25;
  if (dpo.options & 0x40000000u) {
    dpo.options &= ~0x40000000u;
    modes &= ~pending;
    textFlagsA &= ~(1u << 31);
    textSendAid(cursorPos, kAidPendingCancelled);
    return;
  }
  if (modes & pending) {
    // The marked start and the prompt row show what they did before.
    restoreDisplacedChars(dpo.row, dpo.column, true);
    refillPromptRow();
    modes &= ~pending;
    textFlagsA &= ~(1u << 31);
    dpo.options &= ~0x02000000u;
    acted = true;
  }
  if (modes & text_mode::kLocate) {
    modes &= ~text_mode::kLocate;
    nullline(textDef.promptRow);
    if (displayBag) {
      displayBag->getRendering()->enablePaste(1);
      displayBag->getRendering()->textTimer(this);
    }
    acted = true;
  }
  if (!acted && insertMode() && !(dpo.options & 0x04000000u)) setInsertMode(false);
}

bool TextSession::commonOpening() { return !scaleLineError(rowOf(cursorPos)); }

// Keys that only report to the host.
void TextSession::c_textpgup() {
  lastHandler_ = "c_textpgup";
  textSendAid(cursorPos, kAidRollDown);
}
void TextSession::c_textpgdown() {
  lastHandler_ = "c_textpgdown";
  textSendAid(cursorPos, kAidRollUp);
}
void TextSession::c_textprint() {
  lastHandler_ = "c_textprint";
  textSendAid(cursorPos, kAidPrint);
}
void TextSession::c_texterase() {
  lastHandler_ = "c_texterase";
  textSendAid(cursorPos, kAidErase);
}
void TextSession::c_texttopofpage() {
  lastHandler_ = "c_texttopofpage";
  textSendAid(cursorPos, kAidTopOfPage);
}
void TextSession::c_textbottomofpage() {
  lastHandler_ = "c_textbottomofpage";
  textSendAid(cursorPos, kAidBottomOfPage);
}
void TextSession::c_textaltd() {
  lastHandler_ = "c_textaltd";
  textSendAid(cursorPos, kAidAltD);
}
void TextSession::c_textclear() {
  lastHandler_ = "c_textclear";
  textSendAid(cursorPos, kAidClear);
}

// Cursor and line keys.
void TextSession::c_textleft() {
  lastHandler_ = "c_textleft";
  if (!commonOpening()) return;
  if (modes & text_mode::kCursorDraw) {
    docursordraw(0);
    return;
  }
  leftKey();
}

// The left key apart from its opening: segments, right-to-left lines and
// (with reversed row order) the in-line command field move the other way.
void TextSession::leftKey() {
  const unsigned int row = rowOf(cursorPos);
  if (bidihosteditor() && row <= kRows && (line(row).ctl3 & kLineHasSegments)) {
    leftSegmentProcess(row);
    return;
  }
  const unsigned int target = cursorPos ? cursorPos - 1u : 0;
  if (isRightToLeftLine(row) || (inlinecmdfld(cursorPos) && reversedRowOrder()))
    bidimoveleft(target);
  else
    moveleft(target);
}

void TextSession::rightKey() {
  const unsigned int row = rowOf(cursorPos);
  if (bidihosteditor() && row <= kRows && (line(row).ctl3 & kLineHasSegments)) {
    rightSegmentProcess(row);
    return;
  }
  if (isRightToLeftLine(row))
    bidimoveright(cursorPos + 1u);
  else
    moveright(cursorPos + 1u);
}

void TextSession::c_textfastleft() {
  lastHandler_ = "c_textfastleft";
  if (!commonOpening()) return;
  if (modes & text_mode::kCursorDraw) {
    docursordraw(0);
    return;
  }
  if (bidihosteditor()) {
    leftKey();
    return;
  }
  if (cursorPos < 3) {
    cursorPos = 0;
    moveleft(0);
    return;
  }
  moveleft(cursorPos - 3u);
}

void TextSession::c_textright() {
  lastHandler_ = "c_textright";
  if (!commonOpening()) return;
  if (modes & text_mode::kCursorDraw) {
    docursordraw(1);
    return;
  }
  rightKey();
}

void TextSession::c_textfastright() {
  lastHandler_ = "c_textfastright";
  if (modes & text_mode::kCursorDraw) {
    docursordraw(1);
    return;
  }
  if (bidihosteditor()) {
    rightKey();
    return;
  }
  moveright(cursorPos + 3u);
}

void TextSession::c_textup() {
  lastHandler_ = "c_textup";
  if (modes & text_mode::kCursorDraw) {
    docursordraw(2);
    return;
  }
  moveup();
}

void TextSession::c_textdown() {
  lastHandler_ = "c_textdown";
  if (modes & text_mode::kCursorDraw) {
    docursordraw(3);
    return;
  }
  movedown();
}

void TextSession::c_textnewline() {
  lastHandler_ = "c_textnewline";
  bool failed = false;
  const unsigned int pos = newline(failed);
  if (!failed && pos != cursorPos) moveCursorWithTimer(pos, leftmostActivePlane(pos));
}

void TextSession::c_texthome() {
  lastHandler_ = "c_texthome";
  if (!commonOpening()) return;
  if (!asdcheck(0)) return;
  if (promptInput()) {
    resetModes();
    return;
  }
  if (restrictedEditing()) {
    operatorerror(77);
    return;
  }
  if (modes & text_mode::kCursorDraw) {
    operatorerror(72);
    return;
  }
  const unsigned int row = rowOf(cursorPos);
  unsigned int target;
  if (inlinecmdfld(cursorPos) || !textLine(row)) {
    target = savedCursorPos;
  } else if (textDef.lineCmdFieldSize > 0) {
    savedCursorPos = cursorPos;
    target = (row - 1) * cols;
  } else {
    // The host's command-key table may give Home a function of its own.
    if (!cmdSearch(0xFF, kAidHomeFunction)) textSendAid(cursorPos, kAidHome);
    lastHandler_ = "c_texthome";
    return;
  }
  moveCursorWithTimer(target, Plane0);
}

void TextSession::c_textendofline() {
  lastHandler_ = "c_textendofline";
  if (!commonOpening() || !asdcheck(0)) return;
  // A right-to-left line's end is at its left: the two keys exchange.
  const unsigned int pos = isRightToLeftLine(rowOf(cursorPos)) ? beginofline(cursorPos) : endofline(cursorPos);
  if (!(modes & text_mode::kErrorShown) && pos != cursorPos) moveCursorWithTimer(pos, Plane0);
}

void TextSession::c_textbeginofline() {
  lastHandler_ = "c_textbeginofline";
  if (!commonOpening() || !asdcheck(0)) return;
  if (isRightToLeftLine(rowOf(cursorPos))) {
    const unsigned int pos = endofline(cursorPos);
    if (!(modes & text_mode::kErrorShown) && pos != cursorPos) moveCursorWithTimer(pos, Plane0);
    return;
  }
  const unsigned int pos = beginofline(cursorPos);
  if (!(modes & text_mode::kErrorShown) && pos != cursorPos) moveCursorWithTimer(pos, leftmostActivePlane(pos));
}

void TextSession::c_textbacktab() {
  lastHandler_ = "c_textbacktab";
  if (!commonOpening() || !asdcheck(0)) return;
  const unsigned int pos = backtab(cursorPos);
  if (pos) moveCursorWithTimer(pos, leftmostActivePlane(pos));
}

void TextSession::c_textbackspace() {
  lastHandler_ = "c_textbackspace";
  if (!commonOpening()) return;
  bool failed = false;
  const unsigned int pos = isRightToLeftLine(rowOf(cursorPos)) && !inlinecmdfld(cursorPos) ? bidibackspace(failed)
                                                                                           : backspace(failed);
  if (!failed) moveCursorWithTimer(pos, cursorPlane);
}

void TextSession::carrierReturnKey(unsigned char ch) {
  if (!commonOpening()) return;
  unsigned int pos = cursorPos;
  bool moved = false;
  if (editkeys(ch, pos, moved)) {
    if (moved) moveCursorWithTimer(pos, Plane0);
    return;
  }
  if (process_carrier_return(ch, pos)) moveCursorWithTimer(pos, leftmostActivePlane(pos));
}

void TextSession::c_textcarrierreturn() {
  lastHandler_ = "c_textcarrierreturn";
  carrierReturnKey(kCarrierReturn);
}

void TextSession::c_textrqcarrierreturn() {
  lastHandler_ = "c_textrqcarrierreturn";
  carrierReturnKey(reqCarrierReturnChar);
}

void TextSession::c_texttabfunction() {
  lastHandler_ = "c_texttabfunction";
  if (!commonOpening() || !asdcheck(0)) return;
  unsigned int pos = cursorPos;
  bool moved = false;
  if (editkeys(kTab, pos, moved)) {
    if (moved) moveCursorWithTimer(pos, Plane0);
    return;
  }
  const bool done = isRightToLeftLine(rowOf(cursorPos)) ? biditabfunction(pos, kTab) : tabfunction(pos, kTab);
  if (done && !(modes & text_mode::kErrorShown)) moveCursorWithTimer(pos, leftmostActivePlane(pos));
}

void TextSession::c_textrqtabfunction() {
  lastHandler_ = "c_textrqtabfunction";
  if (!commonOpening() || !asdcheck(0)) return;
  unsigned int pos = cursorPos;
  bool moved = false;
  if (editkeys(kRequiredTab, pos, moved)) {
    if (moved) moveCursorWithTimer(pos, Plane0);
    return;
  }
  if (textDef.defFlags & 0x80000000u) {
    operatorerror(77);
    return;
  }
  if (insertMode()) {
    const bool done = isRightToLeftLine(rowOf(cursorPos)) ? biditabfunction(pos, kRequiredTab)
                                                          : tabfunction(pos, kRequiredTab);
    if (done && !(modes & text_mode::kErrorShown))
      moveCursorWithTimer(pos, leftmostActivePlane(pos));
    return;
  }
  pos = tabadvance(cursorPos, kRequiredTab);
  if (pos != cursorPos && !(modes & text_mode::kErrorShown)) moveCursorWithTimer(pos, leftmostActivePlane(pos));
}

void TextSession::c_texttabadvance() {
  lastHandler_ = "c_texttabadvance";
  const unsigned int row = rowOf(cursorPos);
  if ((modes & text_mode::kLocate) || restrictedEditing() || (promptInput() && row == textDef.promptRow)) {
    c_texttabfunction();
    return;
  }
  if (!commonOpening()) return;
  if ((dpo.options & 0x08000000u) && insertMode()) {
    c_texttabfunction();
    return;
  }
  const unsigned char here = charAt(cursorPos);
  if (here == kPageEnd) {
    c_texttabfunction();
    return;
  }
  if (insertMode() && (here == 0 || here == kCarrierReturn || here == reqCarrierReturnChar) && textLine(row)) {
    unsigned int last = leftmar(row);
    for (unsigned int p = rightmar(row) + 1; p-- > leftmar(row);)
      if (charAt(p)) {
        last = p;
        break;
      }
    if (cursorPos >= last) {
      c_texttabfunction();
      return;
    }
  }
  if (!asdcheck(0)) return;
  const unsigned int pos = tabadvance(cursorPos, kTab);
  if (!(modes & text_mode::kErrorShown) && pos != cursorPos) moveCursorWithTimer(pos, leftmostActivePlane(pos));
  lastHandler_ = "c_texttabadvance";
}

// Keys of state, help and host signals.
void TextSession::c_textinsertkey() {
  lastHandler_ = "c_textinsertkey";
  if ((dpo.options & 0x04000000u) && insertMode())
    setInsertMode(false);
  else
    setInsertMode(true);
}

void TextSession::c_textsysrequest() {
  lastHandler_ = "c_textsysrequest";
  if (modes & text_mode::kErrorShown) return;
  if (promptInput()) {
    operatorerror(74);
    return;
  }
  if (modes & text_mode::kKeyboardLocked) modes |= text_mode::kSysReqInError;
  if (displayBag) displayBag->keyboardState().enterSystemRequestState();
}

void TextSession::c_textattention() {
  lastHandler_ = "c_textattention";
  if (!displayBag) return;
  if (displayBag->keyboardState().state() == KeyboardState::kSystemRequest) {
    operatorerror(6);
    return;
  }
  if (HostInterface* h = displayBag->hostInterface()) h->sendAttnSignalToHost(displayBag->getRendering());
}

void TextSession::c_texthelp() {
  lastHandler_ = "c_texthelp";
  if (modes & text_mode::kErrorShown) {
    modes |= text_mode::kHelpSent;
    if (displayBag)
      if (HostInterface* h = displayBag->hostInterface())
        h->sendHelpInErrorSignalToHost(lastOperatorErrorCode, displayBag->getRendering());
    return;
  }
  if (modes & text_mode::kKeyboardLocked) return;
  textSendAid(cursorPos, kAidHelp);
}

void TextSession::c_texttestrequest() {
  lastHandler_ = "c_texttestrequest";
  setKBLocked(true);
  if (displayBag)
    if (HostInterface* h = displayBag->hostInterface()) h->sendTestRequestToHost(displayBag->getRendering());
}

void TextSession::c_textdisplaytextsymbols() {
  lastHandler_ = "c_textdisplaytextsymbols";
  if (displayBag) displayBag->controlData().cycleTextSymbolsDisplayState();
}

// Keys that enter text control characters or work on the page.
void TextSession::c_textrqspace() {
  lastHandler_ = "c_textrqspace";
  if (!commonOpening()) return;
  // Restricted editing: the host may forbid the required space.
  if (restrictedEditing() && fakeDpCoreCmdKeyInvalid(7)) {
    operatorerror(77);
    return;
  }
  const unsigned char ch = languageUsesAltReqSpace() ? 0x74 : 0x41;
  unsigned int pos = cursorPos;
  bool moved = false;
  if (editkeys(ch, pos, moved)) {
    if (moved) moveCursorWithTimer(pos, Plane0);
    return;
  }
  datakeys(ch);
  lastHandler_ = "c_textrqspace";
}

void TextSession::c_textpageend() {
  lastHandler_ = "c_textpageend";
  if (!commonOpening()) return;
  const unsigned int row = rowOf(cursorPos);
  if (modes & text_mode::kLocate) {
    if (inlinecmdfld(cursorPos)) {
      textSendAid(cursorPos, kAidPageEnd);
    } else if (row == textDef.statusRow || row == textDef.scaleRow) {
      operatorerror(72);
    } else {
      unsigned int found = cursorPos;
      if (locateSearch(kPageEnd, found)) moveCursorWithTimer(found, Plane0);
    }
    return;
  }
  if (promptLineInput(kPageEnd, cursorPos)) return;
  if ((textDef.defFlags & 0x80000000u) || restrictedEditing()) {
    operatorerror(77);
    return;
  }
  if (modes & text_mode::kCursorDraw) {
    operatorerror(72);
    return;
  }
  textSendAid(cursorPos, kAidPageEnd);
}

void TextSession::c_textdup() {
  lastHandler_ = "c_textdup";
  if (modes & text_mode::kLocate) {
    unsigned int found = cursorPos;
    if (locateSearch(kDup, found)) moveCursorWithTimer(found, Plane0);
    return;
  }
  if (promptLineInput(kDup, cursorPos)) return;
  operatorerror(77);
}

// Push and end push: TextBidiEdit.cpp.

// The Arabic and Farsi shape keys need the station's shaping language.
void TextSession::c_textbasekey() {
  lastHandler_ = "c_textbasekey";
  processshapekey(1);
}
void TextSession::c_textfarsibasekey() {
  lastHandler_ = "c_textfarsibasekey";
  processshapekey(2);
}
void TextSession::c_textfinalkey() {
  lastHandler_ = "c_textfinalkey";
  processshapekey(3);
}
void TextSession::c_textinitialkey() {
  lastHandler_ = "c_textinitialkey";
  processshapekey(4);
}
void TextSession::c_textmiddlekey() {
  lastHandler_ = "c_textmiddlekey";
  processshapekey(5);
}
