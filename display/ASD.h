#pragma once
// The Arabic/Farsi shaper of a display station: its language and the state
// of the shaping run at the cursor. The shaping itself comes with the
// shaping code.
class DisplayBag;
class qrnOStream;
class qrnIStream;

class ASD {
 public:
  ASD(DisplayBag* display, unsigned int language) : display_(display), language_(language) {}

  void setASDLanguage(unsigned int language) { language_ = language; }
  unsigned int language() const { return language_; }
  void initializeASD() { state_ = 0; }
  unsigned int state() const { return state_; }

  void saveASD(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreASD(qrnIStream* in);

  DisplayBag* display() const { return display_; }

 private:
  DisplayBag* display_;
  unsigned int language_;
  unsigned char state_ = 0;
};
