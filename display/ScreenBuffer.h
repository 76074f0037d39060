#pragma once
// The base of the four screen planes: rows + 1 rows of `columns` positions
// (the last row is the message line) over a character store, with the range
// of positions changed since the last output. Offsets outside the plane are
// a caller's error and stop the program; sizes that come from outside are
// checked by sizeFits() before they are used.

class StationServices;
class CharacterBufferImplementation;

class ScreenBuffer {
 public:
  // Flag word bits.
  static constexpr unsigned int kCompareBeforeWrite = 0x80000000u;  // bit 31
  static constexpr unsigned int kPlaneClear = 0x20000000u;          // bit 29
  static constexpr unsigned int kClearSeen = 0x10000000u;           // bit 28
  static constexpr unsigned int kDeviceClearPending = 0x08000000u;  // bit 27
  static constexpr unsigned short kNoChange = 0xFFFF;

  ScreenBuffer(StationServices* station, CharacterBufferImplementation* store,
               unsigned int size, unsigned int rows, unsigned int columns,
               unsigned int compareFlag);
  ScreenBuffer(const ScreenBuffer&) = delete;
  ScreenBuffer& operator=(const ScreenBuffer&) = delete;

  // True when rows x columns + columns positions (non-zero rows and columns,
  // at most 255 each) fit into `size` positions.
  static bool sizeFits(unsigned int rows, unsigned int columns, unsigned int size);

  void writeCharacter(unsigned int offset, unsigned char byte);
  void orCharacter(unsigned int offset, unsigned char bits);
  void writeData(const unsigned char* bytes, unsigned int count, unsigned int first);
  void writeDataBackwards(const unsigned char* bytes, unsigned int count, unsigned int last);
  void fillRange(unsigned int first, unsigned int last, unsigned char byte);
  void fillVerticalRange(unsigned int first, unsigned int count, unsigned char byte);
  void copyRange(unsigned int first, unsigned int last, unsigned int destination);
  // -1 (no change) when the position at `end` is not null.
  int insertCharacter(unsigned int offset, unsigned int end, unsigned char byte);
  void deleteCharacters(unsigned int offset, unsigned int end, unsigned int count);
  int findCharacter(unsigned int first, unsigned int last, unsigned char byte) const;
  int findCharacter(unsigned int first, unsigned int last, unsigned char low,
                    unsigned char high) const;
  int findMismatch(unsigned int first, unsigned int last, unsigned char byte) const;
  void getData(unsigned int first, unsigned int count, unsigned char* out) const;
  unsigned char getCharacter(unsigned int offset) const;
  unsigned int getFirstPositionOfNextLine(unsigned int offset) const;
  void clearEntirePlane(unsigned int skipFill);
  // False (nothing changed) when the size does not fit the plane.
  bool changeScreenSize(unsigned int rows, unsigned int columns);
  void updateLimits(unsigned int first, unsigned int last);
  unsigned int reverseAddress(unsigned int offset) const;

  unsigned int lastOffset() const { return lastOffset_; }
  unsigned int rows() const { return rows_; }
  unsigned int columns() const { return columns_; }
  unsigned int bufferSize() const { return bufferSize_; }
  unsigned int flags() const { return flags_; }
  bool isClear() const { return (flags_ & kPlaneClear) != 0; }
  bool hasChanges() const { return changedLow_ != kNoChange; }
  unsigned int changedLow() const { return changedLow_; }
  unsigned int changedHigh() const { return changedHigh_; }
  // high - low + 1, 0 when nothing changed.
  unsigned int changedCount() const;
  CharacterBufferImplementation* store() { return store_; }
  const CharacterBufferImplementation* store() const { return store_; }

 protected:
  void checkOffset(unsigned int offset, unsigned short code) const;
  void checkRange(unsigned int first, unsigned int last, unsigned short code) const;
  // Widens the changed range over [first, last] (either order) after the
  // positions were changed; the plane is no longer clear.
  void markChanged(unsigned int first, unsigned int last);
  // Sets the range without touching the clear bit (output bookkeeping).
  void setChangedRange(unsigned int first, unsigned int last);
  void emptyChangedRange() { changedLow_ = changedHigh_ = kNoChange; }
  bool compareBeforeWrite() const { return (flags_ & kCompareBeforeWrite) != 0; }
  void setFlags(unsigned int bits) { flags_ |= bits; }
  void clearFlags(unsigned int bits) { flags_ &= ~bits; }
  void setGeometry(unsigned int rows, unsigned int columns);

  StationServices* station_;
  CharacterBufferImplementation* store_;
  unsigned short bufferSize_;
  unsigned short changedLow_ = kNoChange;
  unsigned short changedHigh_ = kNoChange;
  unsigned short lastOffset_ = 0;
  unsigned char rows_ = 0;
  unsigned char columns_ = 0;
  unsigned int flags_ = 0;

  friend class PrimaryECBScreenBuffer;
  friend class PresentationSpaceScreenBuffer;
};
