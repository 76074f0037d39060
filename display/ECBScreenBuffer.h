#pragma once
// The three extended-attribute planes. They share one array of 16-bit words,
// one word per position, that the display station owns; each plane sees its
// own bit field of the word. The primary plane also acts on all three at once
// (clear, copy, save and restore).
#include "display/CharacterBufferImplementationOfSharedChars.h"
#include "display/ScreenBuffer.h"

class qrnOStream;
class qrnIStream;

class ECBScreenBuffer : public ScreenBuffer {
 public:
  // The nearest extended value 0x80-0x87 of this plane from offset leftwards
  // to limit; -1 when none.
  int getPreviousAttribute(unsigned int offset, unsigned int limit) const;
  CharacterBufferImplementationOfSharedChars& sharedStore() { return shared_; }
  const CharacterBufferImplementationOfSharedChars& sharedStore() const { return shared_; }

 protected:
  ECBScreenBuffer(StationServices* station, unsigned int size, unsigned int rows,
                  unsigned int columns, unsigned short* words, unsigned int mask,
                  unsigned int clamp);
  CharacterBufferImplementationOfSharedChars shared_;
};

class SecondaryECBScreenBuffer;
class ColorECBScreenBuffer;

class PrimaryECBScreenBuffer : public ECBScreenBuffer {
 public:
  static constexpr unsigned int kMask = 0x003F;
  // Zeroes the shared array.
  PrimaryECBScreenBuffer(StationServices* station, unsigned int size, unsigned int rows,
                         unsigned int columns, unsigned short* words);

  // True while any of the three planes is not clear.
  bool AreECBsInUse() const;
  // (-1, -1) clears the three planes whole; otherwise zeroes the words of the
  // range and widens the range of each plane that is not clear.
  void clearAllECBPlanes(int first, int last);
  void copyRangeInAllECBPlanes(unsigned int first, unsigned int last, unsigned int destination);

  void saveAllECBPlanes(qrnOStream* stream) const;
  // 0, or the restore's sense code when the stream is bad; nothing changes then.
  unsigned int restoreAllECBPlanes(qrnIStream* stream);

 private:
  unsigned short* words_;
};

class SecondaryECBScreenBuffer : public ECBScreenBuffer {
 public:
  static constexpr unsigned int kMask = 0x03C0;
  SecondaryECBScreenBuffer(StationServices* station, unsigned int size, unsigned int rows,
                           unsigned int columns, unsigned short* words);
};

class ColorECBScreenBuffer : public ECBScreenBuffer {
 public:
  static constexpr unsigned int kClampedMask = 0x3C00;  // with display feature bit 8
  static constexpr unsigned int kWideMask = 0x7C00;
  ColorECBScreenBuffer(StationServices* station, unsigned int size, unsigned int rows,
                       unsigned int columns, unsigned short* words, unsigned int colourFlag);
};
