#pragma once
// Character stores: the memory behind a screen plane. A store reads and
// writes one value per screen position; the planes use only this interface,
// so every range operation works on a plain byte store and on a bit field of
// a shared word alike. A range given with first > last is walked leftwards and
// includes both ends. Searches return -1 (all ones) when nothing is found.

class qrnOStream;
class qrnIStream;

class CharacterBufferImplementation {
 public:
  virtual ~CharacterBufferImplementation() = default;

  virtual int compareRanges(unsigned int first, unsigned int last, unsigned int other) const;
  virtual int compareRangeWithData(unsigned int first, unsigned int last,
                                   const unsigned char* bytes) const;
  virtual int compareRangeWithDataReversed(unsigned int first, unsigned int last,
                                           const unsigned char* bytes) const;
  // The last position of first..last (first <= last) whose value differs
  // from bytes[position - first]; -1 when there is none.
  virtual int findLastMismatchWithData(unsigned int first, unsigned int last,
                                       const unsigned char* bytes) const;
  virtual void copyCharacter(unsigned int from, unsigned int to);
  virtual void copyRange(unsigned int first, unsigned int last, unsigned int destination);
  virtual void fillRangeWithACharacter(unsigned int first, unsigned int last, unsigned char value);
  virtual int findCharacterInRange(unsigned int first, unsigned int last,
                                   unsigned char value) const;
  virtual int findCharacterInRange(unsigned int first, unsigned int last, unsigned char low,
                                   unsigned char high) const;
  virtual int findMismatchInRange(unsigned int first, unsigned int last,
                                  unsigned char value) const;
  virtual int findCharacterNotInValueRange(unsigned int first, unsigned int last,
                                           unsigned char low, unsigned char high) const;
  virtual unsigned char getCharacter(unsigned int offset) const = 0;
  virtual void getRangeOfCharacters(unsigned int first, unsigned int count,
                                    unsigned char* out) const;
  virtual void getRangeOfCharactersCompressed(unsigned int first, unsigned int count,
                                              qrnOStream* stream) const;
  virtual void getRangeOfCharactersReversed(unsigned int first, unsigned int count,
                                            unsigned char* out) const;
  virtual void writeCharacter(unsigned int offset, unsigned char value) = 0;
  virtual void writeRangeOfCharacters(const unsigned char* bytes, unsigned int count,
                                      unsigned int first);
  virtual void writeRangeOfCompressedCharacters(qrnIStream* stream, unsigned int count,
                                                unsigned int first);
  virtual void writeRangeOfCharactersReversed(const unsigned char* bytes, unsigned int count,
                                              unsigned int last);
};
