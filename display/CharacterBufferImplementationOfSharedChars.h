#pragma once
#include "display/CharacterBufferImplementation.h"

// A bit field of a shared multi-byte word per position (the extended
// attribute planes share one 16-bit word). An extended attribute byte 0x80 + n
// is kept as n + 1 in the field; 0 means no attribute and bytes below 0x80 are
// kept as 0. With the clamp flag, values above 0x8E are kept as 15.
class CharacterBufferImplementationOfSharedChars : public CharacterBufferImplementation {
 public:
  // Ends the program when the mask has no bit inside one position's bytes.
  CharacterBufferImplementationOfSharedChars(unsigned int mask, unsigned int clampFlag,
                                             unsigned char* words,
                                             unsigned int bytesPerPosition);

  int findCharacterInRange(unsigned int first, unsigned int last,
                           unsigned char value) const override;
  int findCharacterInRange(unsigned int first, unsigned int last, unsigned char low,
                           unsigned char high) const override;
  unsigned char getCharacter(unsigned int offset) const override;
  void writeCharacter(unsigned int offset, unsigned char value) override;

  // Whole-word operations: they act on every plane of the word at once.
  void clearAllSharedCharacters(unsigned int first, unsigned int last);
  int compareRangesOfSharedCharacters(unsigned int first, unsigned int last,
                                      unsigned int other) const;
  void copyRangeOfSharedCharacters(unsigned int first, unsigned int last,
                                   unsigned int destination);
  int findNonNullInAnySharedCharacter(unsigned int first, unsigned int last) const;
  void getRangeOfSharedCharactersCompressed(unsigned int first, unsigned int count,
                                            qrnOStream* stream) const;
  void writeRangeOfCompressedSharedCharacters(qrnIStream* stream, unsigned int count,
                                              unsigned int first);

  unsigned int word(unsigned int offset) const;
  void setWord(unsigned int offset, unsigned int value);
  unsigned int bytesPerPosition() const { return bytesPerPosition_; }

 private:
  unsigned int mask_;
  unsigned char clampFlag_;
  unsigned char shift_;
  unsigned char bytesPerPosition_;
  unsigned char* words_;
};
