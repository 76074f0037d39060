#pragma once
// The keyboard translator of a session as the display station calls it:
// continue after a host record, and its part of the station's save image.
class qrnOStream;
class qrnIStream;

class TAXlate {
 public:
  TAXlate() = default;
  virtual ~TAXlate() = default;
  TAXlate(const TAXlate&) = delete;
  TAXlate& operator=(const TAXlate&) = delete;

  // Replays type-ahead now that the host record is done.
  virtual void tawsmtcb() { ++continued_; }
  virtual unsigned int taxIntf(unsigned int why) { return 0; }
  unsigned int continuations() const { return continued_; }

  bool languageShift() const { return languageShift_ != 0; }
  void setLanguageShift(bool on) { languageShift_ = on ? 1 : 0; }

  // One bit, the language shift of the arrival state, always written so
  // that a reader never has to guess whether it is there.
  void saveTaxStuff(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreTaxStuff(qrnIStream* in);

 private:
  unsigned int continued_ = 0;
  unsigned char languageShift_ = 0;
};
