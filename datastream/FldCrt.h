#pragma once
// The field-creation machine of the start-field order: it takes the events
// of one start field (its FFW, each FCW, the end of the FCWs), keeps the
// rules of continued entry fields (fields of several segments, one start
// field each), chooses the field class, and creates the field and its
// segment in the format table. It lives inside the start-field machine and
// so for one Write to Display: a continued field spans several orders.
#include <cstdint>

#include "datastream/FCW.h"
#include "display/FieldClassID.h"

class EntryField;

class FldCrt : public FSMNw {
 public:
  enum State : unsigned char {
    kIdle = 0,
    kFFWStored = 1,
    kFirstSegment = 2,
    kContinuedOpen = 3,
    kMiddleSegment = 4,
    kLastSegment = 5,
  };
  // processInput answers 4 when the field goes on in a further segment.
  static constexpr int kFieldContinues = 4;

  explicit FldCrt(Arena* arena) : FSMNw(arena), fcw(arena) {}
  // A continued-entry FCW's segment kind (1 first, 2 last, 3 middle) in the
  // record cursor's current value.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

  int fFW(Databyte* db, unsigned char byte1, unsigned char byte2);
  int fCW(Databyte* db) { return fcw.processInput(db); }
  int cefNA(Databyte* db);
  int wordWrap(Databyte* db);
  // The end of the FCWs: builds the field or its next segment at the
  // display address. 1 done, 4 more segments to come, 3 rejected.
  int createField(Databyte* db);
  // Forgets a field whose segments did not all come (the format table
  // drops its record) and returns to idle.
  void abandon(Databyte* db);

  unsigned char ffw1 = FCW::kNoFFW;
  unsigned char ffw2 = 0;
  uint32_t wordWrapFlag = 0;
  uint32_t continued = 0;
  uint32_t noContinued = 0;
  uint32_t segmentPending = 0;
  FieldClassID fieldClass = kNoFieldClass;
  FCW fcw;
  uint32_t length = 0;
  // The field being built (a continued field between its segments), or the
  // field being redefined.
  EntryField* field = nullptr;

 private:
  int reject(Databyte* db, uint32_t sense = 0);
  int notExpected(Databyte* db) { return reject(db, 0); }
  void storeFFWs(unsigned char byte1, unsigned char byte2);
  int setCEFflag(Databyte* db);
  int setWordWrap(Databyte* db);
  int createFieldType(Databyte* db);
  int loadFieldParms(Databyte* db);
  int crtEFsegment(Databyte* db);
  unsigned int shift() const { return ffw1 & 0x07u; }
};
