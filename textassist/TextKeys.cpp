// The text-assist keys as the keystrokes reach them. Editing of the text
// (insert, word spill, tabs, the prompt line) comes with the editing code;
// until then a handler notes its call, the data keys replace the character
// at the cursor, and Enter sends the text record.
#include "display/DisplayBag.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned char kAidEnter = 0xF1;
}  // namespace

void TextSession::enterKey() {
  lastHandler_ = "enterKey";
  if (modes & (text_mode::kErrorShown | text_mode::kKeyboardLocked)) return;
  textSendAid(cursorPos, kAidEnter);
}

void TextSession::datakeys(unsigned char code) {
  lastHandler_ = "datakeys";
  if (!displayBag || displayBag->keyboardState().state() != KeyboardState::kWordProcessing) return;
  if (modes & text_mode::kErrorShown) return;
  if (modes & text_mode::kKeyboardLocked) {
    // Replayed when the host unlocks the keyboard.
    pendingDataKey = code;
    return;
  }
  const unsigned int row = rowOf(cursorPos);
  if (scaleLineError(row)) return;
  // On a right-to-left line the margins are mirrored and the cursor
  // advances to the left.
  const bool rtl = isRightToLeftLine(row);
  const unsigned int left = rtl ? convertLVOffset(rightmar(row)) : leftmar(row);
  const unsigned int right = rtl ? convertLVOffset(leftmar(row)) : rightmar(row);
  if (!textLine(row) || cursorPos < left || cursorPos > right || inlinecmdfld(cursorPos)) {
    operatorerror(72);
    return;
  }
  psBuffer->writeCharacter(cursorPos, code);
  setModifiedLineTags(cursorPos, cursorPos, cursorPos);
  cursorChar = code;
  if (!rtl && cursorPos < right) ++cursorPos;
  if (rtl && cursorPos > left) --cursorPos;
  writeCursor();
}

void TextSession::c_textreset() {
  lastHandler_ = "c_textreset";
  if (!(modes & text_mode::kErrorShown)) return;
  const unsigned int row = geterrorlinerow();
  if (psBuffer && row >= 1 && (row - 1u) * cols + cols - 1u <= psBuffer->lastOffset())
    restoreErrorLineData((row - 1) * cols, cols);
  modes &= ~(text_mode::kErrorShown | text_mode::kScaleError | text_mode::kSysReqInError);
  if (displayBag) displayBag->controlData().clearCursorRequestBits(0x10);
  // A record that waits for the host's read keeps the keyboard locked.
  if (!(modes & text_mode::kAidPending)) setKBLocked(false);
}

void TextSession::c_textmouseclick(unsigned int) { lastHandler_ = "c_textmouseclick"; }
void TextSession::c_textbackspace() { lastHandler_ = "c_textbackspace"; }
void TextSession::c_textdown() { lastHandler_ = "c_textdown"; }
void TextSession::c_textup() { lastHandler_ = "c_textup"; }
void TextSession::c_textleft() { lastHandler_ = "c_textleft"; }
void TextSession::c_textright() { lastHandler_ = "c_textright"; }
void TextSession::c_textfastleft() { lastHandler_ = "c_textfastleft"; }
void TextSession::c_textfastright() { lastHandler_ = "c_textfastright"; }
void TextSession::c_texttabadvance() { lastHandler_ = "c_texttabadvance"; }
void TextSession::c_texttabfunction() { lastHandler_ = "c_texttabfunction"; }
void TextSession::c_textbacktab() { lastHandler_ = "c_textbacktab"; }
void TextSession::c_texthome() { lastHandler_ = "c_texthome"; }
void TextSession::c_textnewline() { lastHandler_ = "c_textnewline"; }
void TextSession::c_textrqcarrierreturn() { lastHandler_ = "c_textrqcarrierreturn"; }
void TextSession::c_textdup() { lastHandler_ = "c_textdup"; }
void TextSession::c_textbasekey() { lastHandler_ = "c_textbasekey"; }
void TextSession::c_textfarsibasekey() { lastHandler_ = "c_textfarsibasekey"; }
void TextSession::c_textfinalkey() { lastHandler_ = "c_textfinalkey"; }
void TextSession::c_textinitialkey() { lastHandler_ = "c_textinitialkey"; }
void TextSession::c_textmiddlekey() { lastHandler_ = "c_textmiddlekey"; }
void TextSession::c_textendpush() { lastHandler_ = "c_textendpush"; }
void TextSession::c_textdisplaytextsymbols() { lastHandler_ = "c_textdisplaytextsymbols"; }
void TextSession::c_texterase() { lastHandler_ = "c_texterase"; }
void TextSession::c_textinsertkey() { lastHandler_ = "c_textinsertkey"; }
void TextSession::c_textpush() { lastHandler_ = "c_textpush"; }
void TextSession::c_textattention() { lastHandler_ = "c_textattention"; }
void TextSession::c_textsysrequest() { lastHandler_ = "c_textsysrequest"; }
void TextSession::c_textunderscore() { lastHandler_ = "c_textunderscore"; }
void TextSession::c_textendattribute() { lastHandler_ = "c_textendattribute"; }
void TextSession::c_textintensify() { lastHandler_ = "c_textintensify"; }
void TextSession::c_textwordunderscore() { lastHandler_ = "c_textwordunderscore"; }
void TextSession::c_textstopcodefunction() { lastHandler_ = "c_textstopcodefunction"; }
void TextSession::c_textrqspace() { lastHandler_ = "c_textrqspace"; }
void TextSession::c_textstopcodeadvance() { lastHandler_ = "c_textstopcodeadvance"; }
void TextSession::c_textpageend() { lastHandler_ = "c_textpageend"; }
void TextSession::c_textcentertext() { lastHandler_ = "c_textcentertext"; }
void TextSession::c_textaltd() { lastHandler_ = "c_textaltd"; }
void TextSession::c_textcarrierreturn() { lastHandler_ = "c_textcarrierreturn"; }
void TextSession::c_textbeginofline() { lastHandler_ = "c_textbeginofline"; }
void TextSession::c_textendofline() { lastHandler_ = "c_textendofline"; }
void TextSession::c_textrqtabfunction() { lastHandler_ = "c_textrqtabfunction"; }
void TextSession::c_texttopofpage() { lastHandler_ = "c_texttopofpage"; }
void TextSession::c_textbottomofpage() { lastHandler_ = "c_textbottomofpage"; }
void TextSession::deleteKey(unsigned char, unsigned char) { lastHandler_ = "deleteKey"; }
void TextSession::processsecattr(unsigned char, unsigned char, unsigned char) {
  lastHandler_ = "processsecattr";
}
void TextSession::altAKey(unsigned char, unsigned char) { lastHandler_ = "altAKey"; }
