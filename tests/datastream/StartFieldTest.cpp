// Start fields, field control words and field creation, through whole host
// records on a display station.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datastream/DsmSense.h"
#include "display/EntryField.h"
#include "display/FieldFormatBits.h"
#include "tests/datastream/DsmRecords.h"

namespace {

using Bytes = std::vector<unsigned char>;
using namespace field_format;

// SF with an FFW, FCWs, an attribute and a length.
Record& InputField(Record& r, unsigned int ffw1, unsigned int ffw2, const Bytes& fcws,
                   unsigned int attribute, unsigned int length) {
  r.bytes({0x1D, ffw1, ffw2});
  r.data.insert(r.data.end(), fcws.begin(), fcws.end());
  return r.bytes({attribute, length >> 8, length & 0xFF});
}

EntryField* FieldAt(DsmStation& s, unsigned int offset) {
  Field* f = s.table().getFieldByStartOffset(offset);
  return f && f->isEntryField() ? static_cast<EntryField*>(f) : nullptr;
}

TEST(StartField, AnInputFieldWritesItsAttributesAndBuildsItsField) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0x08).sba(6, 52);
  InputField(r, 0x40, 0x00, {}, 0x24, 10);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  const unsigned int first = s.offset(6, 53);
  EXPECT_EQ(s.screen(first - 1, 1), Bytes{0x24});
  EXPECT_EQ(s.screen(first + 10, 1), Bytes{0x20}) << "the ending attribute";
  EntryField* f = FieldAt(s, first);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->getFieldClassID(), kLTRField);
  EXPECT_EQ(f->getLastSegmentPtr()->end, first + 9);
  EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);
}

struct FfwCase {
  const char* name;
  unsigned int ffw1, ffw2;
  FieldClassID id;
  unsigned char flags;     // Field flags
  unsigned char format;    // format byte kFormat
  unsigned char control;   // format byte kControl
};

TEST(StartField, FieldFormatWordBitsLandInTheirFlags) {
  const FfwCase cases[] = {
      {"alphanumeric", 0x40, 0x00, kLTRField, 0, 0, 0},
      {"bypass", 0x60, 0x00, kLTRField, Field::kBypass, 0, 0},
      {"dup enable", 0x50, 0x00, kLTRField, 0, kDupEnable, 0},
      {"modified", 0x48, 0x00, kLTRField, Field::kMDT, 0, 0},
      {"numeric only", 0x43, 0x00, kLTRField, 0, 3, 0},
      {"digits only", 0x45, 0x00, kLTRField, 0, 5, 0},
      {"signed numeric", 0x47, 0x00, kSignedNumericField, 0, 7, 0},
      {"auto enter", 0x40, 0x80, kLTRField, Field::kAutoEnter, 0, 0},
      {"field exit required", 0x40, 0x40, kLTRField, 0, kFieldExitRequired, 0},
      {"monocase", 0x40, 0x20, kLTRField, 0, kMonocase, 0},
      {"mandatory enter", 0x40, 0x08, kLTRField, 0, kMandatoryEnter, 0},
      {"right adjust", 0x40, 0x05, kLTRField, 0, 0, 0x01},
      {"mandatory fill", 0x40, 0x07, kLTRField, 0, 0, 0x03},
  };
  for (const FfwCase& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    Record r;
    r.clearUnit().wtd(0, 0).sba(3, 10);
    InputField(r, c.ffw1, c.ffw2, {}, 0x20, 5);
    ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
    EntryField* f = FieldAt(s, s.offset(3, 11));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->getFieldClassID(), c.id);
    EXPECT_EQ(f->flags() & (Field::kBypass | Field::kMDT | Field::kAutoEnter), c.flags);
    EXPECT_EQ(f->formatByte(kFormat), c.format);
    EXPECT_EQ(f->formatByte(kControl), c.control);
  }
}

struct FcwCase {
  const char* name;
  Bytes fcws;
  unsigned int ffw1;
  uint32_t sense;           // 0: accepted
  FieldClassID id;          // when accepted
  unsigned int byte;        // format byte index checked
  unsigned char mask, value;
  unsigned char progression;
};

TEST(StartField, EveryFieldControlWord) {
  const FcwCase cases[] = {
      {"resequence, sequencing off", {0x80, 0x05}, 0x40, 0, kLTRField, kControl, 0x04, 0x00, 0},
      {"selector pen 1", {0x81, 0x01}, 0x40, 0, kLTRField, kControl, 0xE0, kSelectorPen1, 0},
      {"selector pen 6 (4 and 2)", {0x81, 0x06}, 0x40, 0, kLTRField, kControl, 0xE0,
       kSelectorPen4 | kSelectorPen2, 0},
      {"selector pen 5 ignored", {0x81, 0x05}, 0x40, 0, kLTRField, kControl, 0xE0, 0, 0},
      {"double byte on a single-byte display", {0x82, 0x20}, 0x40, 0, kLTRField, kControl, 0xFF, 0, 0},
      {"transparency", {0x84, 0x00}, 0x40, 0, kLTRField, kControl, kTransparent, kTransparent, 0},
      {"forward edge trigger", {0x85, 0x00}, 0x40, 0, kLTRField, kFormat, kForwardEdge, kForwardEdge, 0},
      {"continued 0", {0x86, 0x00}, 0x40, dsm_sense::kContinuedFieldOpen, kLTRField, 0, 0, 0, 0},
      {"continued 4 ignored", {0x86, 0x04}, 0x40, 0, kLTRField, kControl, 0xFF, 0, 0},
      {"word wrap", {0x86, 0x80}, 0x40, 0, kWordWrapField, kControl, 0xFF, 0, 0},
      {"word wrap in signed numeric", {0x86, 0x80}, 0x47, dsm_sense::kBadFieldControl, kLTRField, 0, 0, 0, 0},
      {"word wrap with self check", {0x86, 0x80, 0xB1, 0x40}, 0x40, dsm_sense::kBadFieldControl,
       kLTRField, 0, 0, 0, 0},
      {"cursor progression", {0x88, 0x07}, 0x40, 0, kLTRField, kControl, 0x04, 0x00, 7},
      {"highlight reverse", {0x89, 0x01}, 0x40, 0, kLTRField, kCheck, 0x3F, 0x21, 0},
      {"highlight monochrome only, colour display", {0x89, 0x45}, 0x40, 0, kLTRField, kCheck, 0x3F, 0, 0},
      {"highlight colour only, colour display", {0x89, 0x85}, 0x40, 0, kLTRField, kCheck, 0x3F, 0x25, 0},
      {"highlight ignored", {0x89, 0xC5}, 0x40, 0, kLTRField, kCheck, 0x3F, 0, 0},
      {"I/O with highlight: protected", {0x89, 0x05}, 0x46, 0, kProtectedField, kCheck, 0x3F, 0x25, 0},
      {"I/O with highlight 0x20: selection cursor", {0x89, 0x25}, 0x46, 0, kSelectionCursorField,
       kCheck, 0x3F, 0x25, 0},
      {"pointer AID", {0x8A, 0xF1}, 0x40, 0, kLTRField, kPointerAid, 0xFF, 0xF1, 0},
      {"pointer byte not an AID", {0x8A, 0x41}, 0x40, dsm_sense::kPrematureEnd, kLTRField, 0, 0, 0, 0},
      {"modulus 10", {0xB1, 0x40}, 0x40, 0, kLTRField, kCheck, 0xC0, kModulus10, 0},
      {"modulus 11", {0xB1, 0xA0}, 0x40, 0, kLTRField, kCheck, 0xC0, kModulus11, 0},
      {"bad modulus", {0xB1, 0x41}, 0x40, dsm_sense::kBadSelfCheck, kLTRField, 0, 0, 0, 0},
      {"unknown FCW ignored", {0x9F, 0x12}, 0x40, 0, kLTRField, kControl, 0xFF, 0, 0},
  };
  for (const FcwCase& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    Record r;
    r.clearUnit().wtd(0, 0).sba(4, 10);
    InputField(r, c.ffw1, 0x00, c.fcws, 0x20, 5);
    const uint32_t sense = s.run(r);
    if (c.sense) {
      EXPECT_EQ(sense, c.sense);
      EXPECT_EQ(s.table().fieldCount(), 0u);
      continue;
    }
    ASSERT_EQ(sense, dsm_sense::kAccepted);
    EntryField* f = FieldAt(s, s.offset(4, 11));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->getFieldClassID(), c.id);
    EXPECT_EQ(f->formatByte(c.byte) & c.mask, c.value);
    EXPECT_EQ(f->progression(), c.progression);
    // A field's control word never turns the station's field order.
    EXPECT_EQ(s.display.modeFlagsB() & DisplayBag::kBRTLOrder, 0u);
  }
}

TEST(StartField, HighlightOnAMonochromeDisplay) {
  DisplayCharacteristics mono;
  mono.word[0] &= ~0x10000000u;
  DsmStation s(mono);
  Record r;
  r.clearUnit().wtd(0, 0).sba(4, 10);
  InputField(r, 0x40, 0x00, {0x89, 0x45}, 0x20, 5);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  EXPECT_EQ(FieldAt(s, s.offset(4, 11))->formatByte(kCheck) & 0x3F, 0x25);
}

TEST(StartField, ResequencingUsesTheResequenceNumber) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).soh({0x00, 0x00, 0x01}).sba(4, 10);
  InputField(r, 0x40, 0x00, {0x80, 0x05, 0x88, 0x09}, 0x20, 5);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  EntryField* f = FieldAt(s, s.offset(4, 11));
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->isResequenced());
  EXPECT_EQ(f->progression(), 5);
}

struct SfSenseCase {
  const char* name;
  Record record;
  uint32_t sense;
};

TEST(StartField, RefusalsCarryTheirSenseCodes) {
  auto base = [] { Record r; r.clearUnit().wtd(0, 0); return r; };
  std::vector<SfSenseCase> cases;
  {
    Record r = base();
    r.sba(2, 1);
    InputField(r, 0x40, 0x00, {}, 0x20, 0);
    cases.push_back({"length 0", r, dsm_sense::kFieldLengthZero});
  }
  {
    Record r = base();
    r.sba(24, 71);  // the field ends exactly at the last display position: accepted
    InputField(r, 0x40, 0x00, {}, 0x20, 9);
    cases.push_back({"ends at the last position", r, dsm_sense::kAccepted});
  }
  {
    Record r = base();
    r.sba(24, 71);
    InputField(r, 0x40, 0x00, {}, 0x20, 10);
    cases.push_back({"one position past the screen", r, dsm_sense::kFieldOutsideScreen});
  }
  {
    Record r = base();
    r.sba(2, 1);
    InputField(r, 0x40, 0x00, {}, 0x41, 5);
    cases.push_back({"attribute not 0x20-0x3F", r, dsm_sense::kBadFieldAttribute});
  }
  {
    Record r = base();
    r.sba(1, 0);
    InputField(r, 0x40, 0x00, {}, 0x27, 5);
    cases.push_back({"non-display attribute before the first position", r, dsm_sense::kBadRowColumn});
  }
  {
    Record r = base();
    r.sba(2, 1).bytes({0x1D, 0x40, 0x00, 0x20});
    cases.push_back({"cut short", r, dsm_sense::kPrematureEnd});
  }
  {
    Record r = base();
    r.sba(2, 1);
    InputField(r, 0x47, 0x00, {}, 0x20, 1);
    cases.push_back({"signed numeric of one position", r, dsm_sense::kFieldLengthZero});
  }
  for (SfSenseCase& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    EXPECT_EQ(s.run(c.record), c.sense);
  }
}

TEST(StartField, SecondFieldWithoutAddressTakesTheFirstOnesEndingAttribute) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(5, 1);
  InputField(r, 0x40, 0x00, {}, 0x20, 5);
  InputField(r, 0x40, 0x00, {}, 0x24, 3);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  const unsigned int first = s.offset(5, 2);
  EXPECT_EQ(s.screen(first + 5, 1), Bytes{0x24}) << "the second attribute on the first end";
  ASSERT_NE(FieldAt(s, first + 6), nullptr);
  EXPECT_EQ(s.table().fieldCount(), 2u);
}

TEST(StartField, OutputOnlyStartFieldWritesTheAttributeAndMakesNoField) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0).sba(2, 5).bytes({0x1D, 0x22, 0x00, 0x04})),
            dsm_sense::kAccepted);
  EXPECT_EQ(s.screen(s.offset(2, 5), 1), Bytes{0x22});
  EXPECT_EQ(s.screen(s.offset(2, 10), 1), Bytes{0x20});
  EXPECT_EQ(s.table().fieldCount(), 0u);
}

TEST(StartField, ContinuedFieldOfThreeSegmentsIsOneField) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(10, 70);
  InputField(r, 0x40, 0x00, {0x86, 0x01}, 0x20, 10);
  r.sba(11, 1);
  InputField(r, 0x40, 0x00, {0x86, 0x03}, 0x20, 20);
  r.sba(12, 1);
  InputField(r, 0x40, 0x00, {0x86, 0x02}, 0x20, 5);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  ASSERT_EQ(s.table().fieldCount(), 1u);
  EntryField* f = FieldAt(s, s.offset(10, 71));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->segmentCount(), 3u);
  EXPECT_EQ(f->getTotalFieldSize(), 35u);
  EXPECT_EQ(f->getLastSegmentPtr()->start, s.offset(12, 2));
}

TEST(StartField, ContinuedFieldRules) {
  struct Case {
    const char* name;
    std::vector<Bytes> fcws;  // one start field each, on rows 10, 11, 12
    std::vector<unsigned int> lengths;
    uint32_t sense;
  };
  const Case cases[] = {
      {"first then an ordinary field", {{0x86, 0x01}, {}}, {5, 5}, dsm_sense::kContinuedFieldOpen},
      {"last without first", {{0x86, 0x02}}, {5}, dsm_sense::kContinuedFieldOpen},
      {"middle without first", {{0x86, 0x03}}, {5}, dsm_sense::kContinuedFieldOpen},
      {"first twice", {{0x86, 0x01}, {0x86, 0x01}}, {5, 5}, dsm_sense::kContinuedFieldOpen},
      {"first and end of record", {{0x86, 0x01}}, {5}, dsm_sense::kPrematureEnd},
      {"first with self check", {{0xB1, 0x40, 0x86, 0x01}}, {5}, dsm_sense::kContinuedFieldOpen},
      {"segment longer than its row", {{0x86, 0x01}, {0x86, 0x02}}, {5, 85}, dsm_sense::kContinuedFieldOpen},
      {"first and last", {{0x86, 0x01}, {0x86, 0x02}}, {5, 5}, dsm_sense::kAccepted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    Record r;
    r.clearUnit().wtd(0, 0);
    for (size_t i = 0; i < c.fcws.size(); ++i) {
      r.sba(10 + static_cast<unsigned int>(i), 5);
      InputField(r, 0x40, 0x00, c.fcws[i], 0x20, c.lengths[i]);
    }
    EXPECT_EQ(s.run(r), c.sense);
    // Nothing half-built stays behind: the next screen builds its fields.
    Record next;
    next.wtd(0, 0).sba(20, 5);
    InputField(next, 0x40, 0x00, {}, 0x20, 5);
    EXPECT_EQ(s.run(next), dsm_sense::kAccepted);
    EXPECT_NE(FieldAt(s, s.offset(20, 6)), nullptr);
  }
}

TEST(StartField, RedefinitionRebuildsTheFieldInPlaceAndKeepsItsControlWords) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(8, 10);
  InputField(r, 0x40, 0x00, {0x84, 0x00, 0xB1, 0x40}, 0x20, 6);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  EntryField* before = FieldAt(s, s.offset(8, 11));
  ASSERT_NE(before, nullptr);
  // The host defines the field again: numeric only, the length bytes are
  // not used.
  Record again;
  again.wtd(0, 0).sba(8, 10);
  InputField(again, 0x43, 0x00, {}, 0x24, 99);
  ASSERT_EQ(s.run(again), dsm_sense::kAccepted);
  EntryField* after = FieldAt(s, s.offset(8, 11));
  ASSERT_EQ(after, before);
  EXPECT_EQ(s.table().fieldCount(), 1u);
  EXPECT_EQ(after->shiftType(), 3u);
  EXPECT_EQ(after->getTotalFieldSize(), 6u);
  EXPECT_TRUE(after->isTransparent());
  EXPECT_EQ(after->formatByte(kCheck) & kModulus10, kModulus10);
  EXPECT_EQ(s.screen(s.offset(8, 10), 1), Bytes{0x24});
}

TEST(StartField, RedefinitionOfAContinuedFieldTakesItsSegmentsInOrder) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(10, 70);
  InputField(r, 0x40, 0x00, {0x86, 0x01}, 0x20, 10);
  r.sba(11, 1);
  InputField(r, 0x40, 0x00, {0x86, 0x02}, 0x20, 5);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  EntryField* f = FieldAt(s, s.offset(10, 71));
  ASSERT_NE(f, nullptr);
  Record again = r;
  again.data.erase(again.data.begin(), again.data.begin() + 2);  // no clear unit
  ASSERT_EQ(s.run(again), dsm_sense::kAccepted);
  EXPECT_EQ(FieldAt(s, s.offset(10, 71)), f);
  EXPECT_EQ(f->segmentCount(), 2u);
  EXPECT_EQ(s.table().fieldCount(), 1u);
  // The second segment out of order is refused.
  Record wrong;
  wrong.wtd(0, 0).sba(10, 70);
  InputField(wrong, 0x40, 0x00, {0x86, 0x01}, 0x20, 10);
  wrong.sba(11, 3);
  InputField(wrong, 0x40, 0x00, {0x86, 0x02}, 0x20, 5);
  EXPECT_EQ(s.run(wrong), dsm_sense::kFormatTableInvalid);
}

TEST(StartField, InputFieldOnAProtectedFieldStartIsRefused) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(8, 10);
  InputField(r, 0x46, 0x00, {0x89, 0x05}, 0x20, 6);
  ASSERT_EQ(s.run(r), dsm_sense::kAccepted);
  ASSERT_EQ(FieldAt(s, s.offset(8, 11))->getFieldClassID(), kProtectedField);
  // Redefinition: the existing field answers; a protected field is an
  // entry field and may be redefined, a selection field may not.
  Record again;
  again.wtd(0, 0).sba(8, 10);
  InputField(again, 0x40, 0x00, {}, 0x20, 6);
  EXPECT_EQ(s.run(again), dsm_sense::kAccepted);
}

TEST(StartField, AHeaderBetweenTwoSegmentsEndsTheContinuedField) {
  // Start of header clears the table while the continued field waits for
  // its last segment: that segment is refused, nothing halts.
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(10, 70);
  InputField(r, 0x40, 0x00, {0x86, 0x01}, 0x20, 10);
  r.soh({0x00});
  r.sba(11, 1);
  InputField(r, 0x40, 0x00, {0x86, 0x02}, 0x20, 5);
  EXPECT_EQ(s.run(r), dsm_sense::kContinuedFieldOpen);
  EXPECT_EQ(s.table().fieldBeingBuilt(), nullptr);
}

TEST(StartField, OnlyEntryFieldsMayBeRedefined) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), dsm_sense::kAccepted);
  ASSERT_NE(s.selection({{s.offset(9, 11), s.offset(9, 15)}}), nullptr);
  ASSERT_EQ(s.table().validateFormatTable(nullptr), 0);
  Record r;
  r.wtd(0, 0).sba(9, 10);
  InputField(r, 0x40, 0x00, {}, 0x20, 5);
  EXPECT_EQ(s.run(r), dsm_sense::kFormatTableInvalid);
  // The base check of a field that is not an entry field refuses with a
  // real data-stream sense code.
  ScrollBarField* bar = s.scrollBar(kVerticalScrollBar, s.offset(12, 79), 5);
  ASSERT_NE(bar, nullptr);
  Databyte db;
  EXPECT_EQ(bar->checkFieldCreation(&s.display, &db), 3);
  EXPECT_EQ(db.getSenseCode(), dsm_sense::kFormatTableInvalid);
}

}  // namespace
