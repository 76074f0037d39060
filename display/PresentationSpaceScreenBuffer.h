#pragma once
// The character plane: one byte per position, characters and 5250 field
// attributes inline. Besides the plane operations it batches the output of
// all four planes to the device, buffers image and audio/video commands until
// that output, mirrors the screen for right-to-left display, formats rows for
// inbound records, and saves and restores itself.
#include <cstdint>

#include "display/NormalCharacterBufferImplementation.h"
#include "display/ScreenBuffer.h"

class qrnOStream;
class qrnIStream;
class PrimaryECBScreenBuffer;
class SecondaryECBScreenBuffer;
class ColorECBScreenBuffer;
class EntryField;
class TextSession;

class PresentationSpaceScreenBuffer : public ScreenBuffer {
 public:
  static constexpr unsigned int kMaxBufferedCommands = 255;
  // The sense code of a command that finds its list full.
  static constexpr unsigned int kSenseCommandListFull = 0x10050111;

  // Zero-fills the caller's buffer of `size` bytes, which must outlive the plane.
  PresentationSpaceScreenBuffer(StationServices* station, unsigned int size, unsigned int rows,
                                unsigned int columns, unsigned int compareFlag,
                                unsigned char* buffer);
  ~PresentationSpaceScreenBuffer();

  // The nearest attribute byte (0x20-0x3F) from offset leftwards to limit; 0 when none.
  unsigned char getPreviousAttribute(unsigned int offset, unsigned int limit) const;
  void writeDoubleByteCharacter(unsigned int offset, unsigned short dbchar);
  // -1 (no change) when the two positions at end are not null.
  int insertDoubleByteCharacter(unsigned int offset, unsigned int end, unsigned short dbchar);
  void bulkInsert(unsigned int first, unsigned int last, unsigned char byte);
  // The self-check sums over positions first..last (0: valid).
  unsigned int modulo10(unsigned int first, unsigned int last) const;
  unsigned int modulo11(unsigned int first, unsigned int last) const;
  void convertTextSymbolsToNulls();

  // Hot spots: screen text that a click can act on. `isHotspot` gives the
  // AID of a function-key label or paging word at offset (0 when none) and
  // the hot spot's extent; `isMenuHotSpot` the offset of a numbered menu
  // option's number (-1 when none) and the option's extent; `isURLHotSpot`
  // 1 for a web address (only when enabled). Text inside an input field or
  // under a non-display attribute is never a hot spot.
  unsigned int isHotspot(unsigned int offset, unsigned int& start, unsigned int& length) const;
  int isMenuHotSpot(unsigned int offset, unsigned int& start, unsigned int& length) const;
  unsigned int isURLHotSpot(unsigned int offset, unsigned int& start, unsigned int& length,
                            unsigned int enabled) const;
  // ORs value into marks[p] for every position p of first..last that lies
  // in a hot spot of the kind; marks has one word per screen position.
  void markHotspotsInArea(unsigned int first, unsigned int last, unsigned short* marks,
                          unsigned short value) const;
  void markMenuHotSpots(unsigned int first, unsigned int last, unsigned short* marks,
                        unsigned short value) const;
  void markURLHotSpots(unsigned int first, unsigned int last, unsigned short* marks,
                       unsigned short value) const;
  // 1 when offset lies inside an occurrence of the zero-terminated text.
  unsigned int isWithin(unsigned int offset, const unsigned char* text, unsigned int& start,
                        unsigned int& length) const;
  void writeClearUnitAttribute();

  // The data is copied; 0, or kSenseCommandListFull when 255 commands wait
  // (the command is dropped).
  unsigned int bufferImageCommand(unsigned int command, const unsigned char* data,
                                  unsigned int length);
  unsigned int bufferAudioVideoCommand(unsigned int command, const unsigned char* data,
                                       unsigned int length);
  void clearImages();
  void clearAudioVideo();
  unsigned int bufferedImageCommands() const { return images_.count; }
  unsigned int bufferedAudioVideoCommands() const { return audioVideo_.count; }

  // Flushes the changes of all four planes to the device.
  void outputMultiplePlanesChanges(PrimaryECBScreenBuffer* primary,
                                   SecondaryECBScreenBuffer* secondary,
                                   ColorECBScreenBuffer* colour);
  // Flushes the character plane alone.
  void outputChanges();

  // Mirrors every row into `out` (last offset + 1 bytes) for a reversed
  // screen; outFirst/outLast give the rows to send for a change from first.
  void reverseScreen(unsigned char* out, unsigned int first, unsigned int last,
                     unsigned int& outFirst, unsigned int& outLast);
  void reverseArea(unsigned int first, unsigned int last);
  unsigned char swapCharacter(unsigned char c) const;

  // An entry field's data shown reversed while it has the focus on a
  // reversed screen (one field at a time). Reversing twice gives the data
  // back unchanged.
  void reverseEntryFieldData(EntryField* f);
  void unReverseEntryFieldData(EntryField* f);
  // Around reads and whole-screen mirrored output the field's data is put
  // back in the host's order for the time.
  void suspendReversedFieldDataIfAny();
  void unSuspendReversedFieldDataIfAny();
  // The format table is cleared: the reversed field's data goes back in the
  // host's order and the field is forgotten.
  void releaseReversedFieldData();
  EntryField* reversedField() const { return reversedField_; }
  // Mirrors [first, last] in place; characters pass only through the swaps
  // that work both ways.
  void mirrorArea(unsigned int first, unsigned int last);

  // Rows first..last for an inbound record: each row's bytes with escape
  // triples 0x10, plane, value before positions with extended attributes,
  // trailing nulls dropped, ended by 0xFF. rowIndex (when given, one entry
  // per row) receives where each row begins. The length, or -1 when the
  // rows do not fit `capacity`.
  int readFromRowWithEnder(unsigned char* out, unsigned int capacity, unsigned int first,
                           unsigned int last, unsigned short* rowIndex,
                           unsigned int rowIndexEntries);

  // The text session's variant for the positions first..last of one text
  // line: the line runs to `last` (its nulls included), with escape triples
  // of the primary and secondary planes only, ended by 0xFF. The length, or
  // -1 when it does not fit `capacity`.
  int readTextRowWithEnder(unsigned char* out, unsigned int capacity, unsigned int first,
                           unsigned int last) const;
  // The text session's write of one line with attributes, the inverse of
  // readTextRowWithEnder: characters from `offset` on, each escape triple
  // 0x10, plane (1 primary, 2 secondary), value giving the next character's
  // attribute in that plane; a last 0xFF ends the data. With `clearFirst`
  // the written positions lose their old attributes first. Given the text
  // session that underscores words (`wordUnderscore`), a secondary value
  // 0x80 marks a character of an underscored word
  // (TextSession::putWordUnderscore). Nonzero, and nothing changed, when
  // the data is not valid or runs past the row.
  int updateScreenWithWriteBothData(const unsigned char* data, unsigned int length, unsigned int offset,
                                    bool clearFirst, TextSession* wordUnderscore);
  // The characters such data writes, or -1 when it is not valid.
  static int writeBothDataLength(const unsigned char* data, unsigned int length);
  void refreshPresentationSpaceFromDeviceIfNeeded(unsigned int wholeScreen);

  void savePresentationSpace(qrnOStream* stream, unsigned int partial) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restorePresentationSpace(qrnIStream* stream);

  const unsigned char* buffer() const { return bytes_.data(); }
  unsigned char* buffer() { return bytes_.data(); }
  bool compressedUpdatePending() const { return compressed_ != nullptr; }
  unsigned int deviceRows() const { return deviceRows_; }
  unsigned int deviceColumns() const { return deviceColumns_; }

 private:
  struct BufferedCommand {
    uint32_t command;
    uint32_t length;
    unsigned char* data;  // a work buffer of its own, null for length 0
  };
  struct CommandList {
    BufferedCommand* entries = nullptr;
    unsigned char count = 0;
  };

  unsigned int bufferCommand(CommandList& list, unsigned int command, const unsigned char* data,
                             unsigned int length, const char* what);
  void dropCommands(CommandList& list);
  void freeBuffer(unsigned char*& p, uint32_t& length);
  bool reversed() const;
  bool swapping() const;
  // Hot-spot helpers.
  bool hotSpotQualifies(unsigned int offset) const;
  bool inTextAssist() const;
  unsigned int keyLabelAt(unsigned int p, unsigned int rowEnd) const;
  int labelLeftOf(unsigned int offset, unsigned int& key) const;
  unsigned int pagingAid(unsigned int offset, unsigned int& start, unsigned int& length) const;
  unsigned int hotSpotStop(unsigned int from, unsigned int rowEnd) const;
  bool urlWordAt(unsigned int p, unsigned int rowEnd) const;
  bool placeRowEndAttribute(unsigned char* out, unsigned int row, unsigned char attr);
  void sendMirrored(unsigned int first);
  // Sends a change inside the reversed field straight to its mirrored place.
  bool sendReversedField();
  void setWhole() { setChangedRange(0, lastOffset_); }

  NormalCharacterBufferImplementation bytes_;
  EntryField* reversedField_ = nullptr;
  EntryField* suspendedField_ = nullptr;
  unsigned char clearUnit_ = 0;
  unsigned char deviceRows_;
  unsigned char deviceColumns_;
  unsigned char* compressed_ = nullptr;
  uint32_t compressedLength_ = 0;
  unsigned char* deviceData_ = nullptr;
  uint32_t deviceDataLength_ = 0;
  unsigned char* image_ = nullptr;
  uint32_t imageLength_ = 0;
  CommandList audioVideo_;
  CommandList images_;
};
