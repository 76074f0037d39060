#pragma once
// One field control word of a start-field order: reads its two bytes,
// remembers what it asks for, and later copies everything it gathered into
// the field being created. Lives inside the field-creation machine.
#include <cstdint>

#include "datastream/FSMNw.h"

class EntryField;

class FCW : public FSMNw {
 public:
  // What processInput answers the start-field order besides 0 and 3.
  static constexpr int kHighlightAccepted = 241;
  static constexpr int kDoubleByteField = 242;
  static constexpr int kSelectorPen = 243;
  static constexpr int kSelfCheck = 244;
  static constexpr int kWordWrap = 245;
  static constexpr int kContinuedEntry = 246;
  // The FFW copy when the field has no FFW (an output field).
  static constexpr unsigned char kNoFFW = 0x80;

  explicit FCW(Arena* arena) : FSMNw(arena) { reset(); }
  // Called on the word's first byte; the second byte follows it (the caller
  // has checked that it is there).
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
  // The sense code that loadFieldData would reject with, else 0.
  uint32_t checkFieldData(Databyte* db) const;
  // Copies the gathered settings into `field`; resets. 1, or 3 with the
  // sense set.
  int loadFieldData(Databyte* db, EntryField* field, unsigned char ffw1);
  void reset();

  uint32_t anyFCW;
  uint32_t wordWrapMarker;  // FCW 0x86 0x80
  uint32_t resequence;
  uint32_t progression;
  uint32_t pointerAid;
  uint32_t forwardEdge;
  uint32_t selectorPen;
  uint32_t modulus;
  uint32_t transparency;
  uint32_t continuedEntry;  // segment kind 1-3 of FCW 0x86
  uint32_t ffwCopy;
  uint32_t doubleByte;
  uint32_t highlight;
};
