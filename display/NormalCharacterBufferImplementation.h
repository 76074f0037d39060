#pragma once
#include "display/CharacterBufferImplementation.h"

// One byte per position over a byte buffer (the character plane). Without a
// buffer the store allocates `size` bytes and frees them; a given buffer stays
// the caller's.
class NormalCharacterBufferImplementation : public CharacterBufferImplementation {
 public:
  NormalCharacterBufferImplementation(unsigned char* buffer, unsigned int size);
  ~NormalCharacterBufferImplementation() override;
  NormalCharacterBufferImplementation(const NormalCharacterBufferImplementation&) = delete;
  NormalCharacterBufferImplementation& operator=(const NormalCharacterBufferImplementation&) =
      delete;

  int compareRanges(unsigned int first, unsigned int last, unsigned int other) const override;
  int compareRangeWithData(unsigned int first, unsigned int last,
                           const unsigned char* bytes) const override;
  int compareRangeWithDataReversed(unsigned int first, unsigned int last,
                                   const unsigned char* bytes) const override;
  int findLastMismatchWithData(unsigned int first, unsigned int last,
                               const unsigned char* bytes) const override;
  void copyCharacter(unsigned int from, unsigned int to) override;
  void copyRange(unsigned int first, unsigned int last, unsigned int destination) override;
  void fillRangeWithACharacter(unsigned int first, unsigned int last,
                               unsigned char value) override;
  int findCharacterInRange(unsigned int first, unsigned int last,
                           unsigned char value) const override;
  int findCharacterInRange(unsigned int first, unsigned int last, unsigned char low,
                           unsigned char high) const override;
  int findMismatchInRange(unsigned int first, unsigned int last,
                          unsigned char value) const override;
  int findCharacterNotInValueRange(unsigned int first, unsigned int last, unsigned char low,
                                   unsigned char high) const override;
  unsigned char getCharacter(unsigned int offset) const override { return buffer_[offset]; }
  void getRangeOfCharacters(unsigned int first, unsigned int count,
                            unsigned char* out) const override;
  void getRangeOfCharactersCompressed(unsigned int first, unsigned int count,
                                      qrnOStream* stream) const override;
  void getRangeOfCharactersReversed(unsigned int first, unsigned int count,
                                    unsigned char* out) const override;
  void writeCharacter(unsigned int offset, unsigned char value) override {
    buffer_[offset] = value;
  }
  void writeRangeOfCharacters(const unsigned char* bytes, unsigned int count,
                              unsigned int first) override;
  void writeRangeOfCompressedCharacters(qrnIStream* stream, unsigned int count,
                                        unsigned int first) override;
  void writeRangeOfCharactersReversed(const unsigned char* bytes, unsigned int count,
                                      unsigned int last) override;

  unsigned char* data() { return buffer_; }
  const unsigned char* data() const { return buffer_; }

 private:
  unsigned char* buffer_;
  bool owned_;
};
