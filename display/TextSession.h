#pragma once
// The word-processing (text assist) session of a display station. This is
// the part the station, the keyboard state and the input objects call; the
// text pages, lines and host tables come with the text-assist code.
class DisplayBag;
class qrnOStream;
class qrnIStream;

class TextSession {
 public:
  // Bits of the state word.
  static constexpr unsigned int kErrorPending = 0x00200000;    // the error flag
  static constexpr unsigned int kErrorMode = 0x00100000;       // error mode on
  static constexpr unsigned int kKeyboardLocked = 0x00080000;  // keyboard locked in state 11
  static constexpr unsigned int kInputSuspended = 0x40000000;  // bit 30

  explicit TextSession(DisplayBag* display = nullptr) : display_(display) {}

  unsigned int stateWord() const { return state_; }
  void setStateWord(unsigned int state) { state_ = state; }
  bool errorFlag() const { return (state_ & kErrorPending) != 0; }
  bool keyboardLocked() const { return (state_ & kKeyboardLocked) != 0; }

  // Shows an operator error in the text session's own status row.
  void operatorerror(unsigned int code);
  unsigned int lastOperatorError() const { return lastError_; }
  // Reset key: ends the text session's error.
  void c_textreset();
  void c_textmouseclick(unsigned int offset);
  // The key handlers of text assist. Until the text pages come, each only
  // notes that it was called (lastHandler) and changes nothing.
  void c_textbackspace();
  void c_textdown();
  void c_textup();
  void c_textleft();
  void c_textright();
  void c_textfastleft();
  void c_textfastright();
  void c_texttabadvance();
  void c_texttabfunction();
  void c_textbacktab();
  void c_texthome();
  void c_textnewline();
  void c_textrqcarrierreturn();
  void c_textdup();
  void c_textbasekey();
  void c_textfarsibasekey();
  void c_textfinalkey();
  void c_textinitialkey();
  void c_textmiddlekey();
  void c_textendpush();
  void c_textdisplaytextsymbols();
  void c_texterase();
  void c_textinsertkey();
  void c_textpush();
  void c_textattention();
  void c_textsysrequest();
  void c_textunderscore();
  void c_textendattribute();
  void c_textintensify();
  void c_textwordunderscore();
  void c_textstopcodefunction();
  void c_textrqspace();
  void c_textstopcodeadvance();
  void c_textpageend();
  void c_textcentertext();
  void c_textaltd();
  void c_textcarrierreturn();
  void c_textbeginofline();
  void c_textendofline();
  void c_textrqtabfunction();
  void c_texttopofpage();
  void c_textbottomofpage();
  void datakeys(unsigned char code);
  void deleteKey(unsigned char a, unsigned char b);
  void processsecattr(unsigned char attribute, unsigned char kind, unsigned char symbol);
  void altAKey(unsigned char a, unsigned char b);
  const char* lastHandler() const { return lastHandler_; }

  unsigned int determinePollType(unsigned int& flag);
  // Whether the marked range may be cut out of the text page.
  int WPCutOK(unsigned int start, unsigned int width);
  unsigned int currentPlane() const { return 0; }
  bool isRightToLeftLine(unsigned int row) const { return false; }

  void saveTextSession(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreTextSession(qrnIStream* in);

  DisplayBag* display() const { return display_; }

 private:
  DisplayBag* display_;
  unsigned int state_ = 0;
  unsigned int lastError_ = 0;
  const char* lastHandler_ = "";
};
