#pragma once
// The indicator word that the device shows, and the station's pair of them:
// the current word and the word last sent to the device.
class qrnOStream;
class qrnIStream;

class Indicators {
 public:
  static constexpr unsigned int kMessageWait = 0x80000000u;  // bit 31
  static constexpr unsigned int kRightToLeftScreen = 0x40000000u;
  static constexpr unsigned int kShift = 0x20000000u;
  static constexpr unsigned int kLanguageShift = 0x10000000u;
  static constexpr unsigned int kInsert = 0x08000000u;
  static constexpr unsigned int kSystem = 0x04000000u;  // input inhibited
  static constexpr unsigned int kCapsLock = 0x02000000u;
  static constexpr unsigned int kRightToLeftCursor = 0x00800000u;
  static constexpr unsigned int kTypeAhead = 0x00400000u;
  static constexpr unsigned int kDiacritic = 0x00200000u;

  explicit Indicators(unsigned int word = kTypeAhead) : word_(word) {}
  unsigned int get() const { return word_; }
  void set(unsigned int bits) { word_ |= bits; }
  void reset(unsigned int bits) { word_ &= ~bits; }
  void assign(unsigned int word) { word_ = word; }

 private:
  unsigned int word_;
};

class DisplayIndicators {
 public:
  Indicators& current() { return current_; }
  const Indicators& current() const { return current_; }
  unsigned int lastSent() const { return lastSent_.get(); }
  bool changed() const { return current_.get() != lastSent_.get(); }
  void markSent() { lastSent_.assign(current_.get()); }

  void saveIndicators(qrnOStream* stream) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreIndicators(qrnIStream* stream);

 private:
  Indicators current_;
  // Nothing has been sent yet: the first output shows the current word.
  Indicators lastSent_{0};
};
