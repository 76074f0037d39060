// Arabic shaping while the operator types into right-to-left fields: the
// keys through the input-object generator, an Arabic keyboard table on the
// translator, the shapes read back from the presentation space.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "display/ASD.h"
#include "display/CopiedDataInformation.h"
#include "display/EntryField.h"
#include "tests/keyboard/EditStation.h"

namespace {

using Bytes = std::vector<unsigned char>;

// CP420 code points typed from the Arabic keyboard (nominal shapes).
enum : unsigned char {
  kBeh = 0x58, kSeen = 0x77, kMeem = 0xBB, kNoon = 0xBD, kAin = 0x9A, kYeh = 0xDC, kLam = 0xB1,
  kAlef = 0x56, kReh = 0x75, kOne = 0xF1, kTwo = 0xF2, kSpace = 0x40,
};

// A station whose translator runs an Arabic right-to-left keyboard table,
// with a right-to-left field of ten positions at 1000-1009 and one of two
// at 1100-1101.
class ArabicStation : public EditStation {
 public:
  ArabicStation() {
    arabicTable = *tax().activeTable();
    arabicTable.keyboardCode = 0xE6D6;
    arabicTable.flags |= XlateTableInfo::kRightToLeft;
    tax().setUsesHostTables(true);
    tax().loadXlateTable(&arabicTable);
    rtl = field(kRTLField, {{1000, 1009}}, EntryField::kAlphanumericShift);
    small = field(kRTLField, {{1100, 1101}}, EntryField::kAlphanumericShift);
  }
  // Typing order of the field from its first position (the right end).
  Bytes logical(EntryField* f) {
    Bytes out;
    const EntryFieldSegment* s = f->getFirstSegmentPtr();
    for (unsigned int p = s->end + 1; p-- > s->start;) out.push_back(display.presentationSpace().getCharacter(p));
    while (!out.empty() && out.back() == 0) out.pop_back();
    return out;
  }
  void typeCodes(const Bytes& codes) {
    for (unsigned char c : codes) run(K(c >= 0xF0 && c <= 0xF9 ? 13 : 10, c));
  }

  XlateTableInfo arabicTable;
  EntryField* rtl;
  EntryField* small;
};

TEST(Shaping, TheArabicKeyboardSetsTheShapingLanguage) {
  ArabicStation s;
  EXPECT_EQ(s.display.asd().language(), ASD::kArabic);
  s.place(1009);
  EXPECT_TRUE(s.display.modeFlagsA() & DisplayBag::kARTLCursor) << "a right-to-left field types right to left";
}

struct WordCase {
  const char* name;
  Bytes typed;
  Bytes shaped;  // in typing order after Field Exit
};

// Expected shapes follow the code page: CP420 has one nominal code point for
// the isolated and final shapes of most letters and one for the initial and
// middle shapes; ain has all four; the seen family ends in a tail (0x45).
const WordCase kWords[] = {
    {"beh seen meem", {kBeh, kSeen, kMeem}, {0x59, 0x78, 0xBB}},
    {"ain yeh noon", {kAin, kYeh, kNoon}, {0x9C, 0xDE, 0xBD}},
    {"ain ain ain", {kAin, kAin, kAin}, {0x9C, 0x9D, 0x9B}},
    {"seen alone grows its tail", {kSeen}, {0x77, 0x45}},
    {"seen and a blank", {kSeen, kSpace, kBeh}, {0x77, 0x45, kSpace, kBeh}},
    {"lam alef ligature", {kLam, kAlef}, {0xB8}},
    {"beh lam alef", {kBeh, kLam, kAlef}, {0x59, 0xB9}},
    {"reh does not join on", {kReh, kBeh, kBeh}, {kReh, 0x59, kBeh}},
    {"digits between letters", {kBeh, kOne, kTwo, kBeh}, {kBeh, kOne, kTwo, kBeh}},
    {"letter then digits", {kBeh, kBeh, kOne}, {0x59, kBeh, kOne}},
};

TEST(Shaping, TypedWordsTakeTheirShapesInInsertAndReplaceMode) {
  for (bool insert : {true, false}) {
    for (const WordCase& w : kWords) {
      SCOPED_TRACE(std::string(w.name) + (insert ? " (insert)" : " (replace)"));
      ArabicStation s;
      s.place(1009);
      if (insert) s.run(kInsert);
      s.typeCodes(w.typed);
      EXPECT_EQ(s.error(), 0u);
      s.run(kFieldExit);
      EXPECT_EQ(s.error(), 0u);
      EXPECT_EQ(s.logical(s.rtl), w.shaped);
      EXPECT_TRUE(s.rtl->isModified());
    }
  }
}

TEST(Shaping, ShapesChangeWhileTyping) {
  ArabicStation s;
  s.place(1009);
  s.typeCodes({kAin});
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x9C})) << "the first letter waits to be joined";
  s.typeCodes({kAin});
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x9C, 0x9D}));
  s.typeCodes({kOne});
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x9C, 0x9B, kOne})) << "a digit ends the word";
}

TEST(Shaping, AnAidEndsTheWordAtTheCursor) {
  ArabicStation s;
  s.place(1009);
  s.typeCodes({kBeh, kBeh});
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x59, 0x59}));
  EXPECT_EQ(s.display.getCurrentArea()->interruptShaping(&s.display), 0);
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x59, kBeh}));
  EXPECT_EQ(s.cursor(), 1007u) << "the cursor stays";
}

// Attention ends the word too; only Help in the error
// state leaves the shaping run as it is.
TEST(Shaping, SignalKeysEndTheWord) {
  for (const Script& key : {kAttention}) {
    ArabicStation s;
    s.place(1009);
    s.typeCodes({kBeh, kBeh});
    s.run(key);
    EXPECT_EQ(s.logical(s.rtl), (Bytes{0x59, kBeh}));
  }
}

// The signal AIDs (system request 1, attention 2, test request 4) end the
// word when they are posted; Help in the error state (3) does not.
TEST(Shaping, EverySignalAidButHelpInErrorEndsTheWord) {
  for (const AidCode aid : {1, 2, 3, 4}) {
    SCOPED_TRACE(static_cast<int>(aid));
    ArabicStation s;
    s.place(1009);
    s.typeCodes({kBeh, kBeh});
    s.display.postAidCode(aid);
    EXPECT_EQ(s.logical(s.rtl), aid == 3 ? (Bytes{0x59, 0x59}) : (Bytes{0x59, kBeh}));
  }
}

TEST(Shaping, AnEditThatDoesNotFitIsRefusedWhole) {
  // Two positions: a seen, then a blank that would need the seen's tail and
  // itself. The key is refused with error 12; the seen stays (the error ends
  // the shaping run, so it takes its final shape and tail) and no blank is
  // typed.
  ArabicStation s;
  s.place(1101);
  s.run(kInsert);
  s.typeCodes({kSeen});
  const Bytes before = s.logical(s.small);
  const unsigned int cursor = s.cursor();
  EXPECT_EQ(before, (Bytes{0x78}));
  EXPECT_EQ(cursor, 1100u);
  s.typeCodes({kSpace});
  EXPECT_EQ(s.error(), 12u);
  EXPECT_EQ(s.logical(s.small), (Bytes{0x77, 0x45}));
  EXPECT_EQ(s.cursor(), cursor);
}

TEST(Shaping, DeleteRejoinsTheLettersAround) {
  ArabicStation s;
  s.place(1009);
  s.typeCodes({kAin, kReh, kAin});
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x9C, kReh, 0x9C}));
  // Delete the reh: the two ains join.
  s.place(1008);
  s.run(kDelete);
  EXPECT_EQ(s.error(), 0u);
  EXPECT_EQ(s.display.getCurrentArea()->interruptShaping(&s.display), 0);
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x9C, 0x9B}));
}

TEST(Shaping, LeftToRightFieldsAndLatinKeyboardsAreNotShaped) {
  ArabicStation s;
  s.place(EditStation::kAlnum);
  s.typeCodes({kBeh, kBeh});
  EXPECT_EQ(s.bytes(EditStation::kAlnum, EditStation::kAlnum + 1), std::string("\x58\x58"));
  EditStation latin;
  EntryField* rtl = latin.field(kRTLField, {{1000, 1009}}, EntryField::kAlphanumericShift);
  ASSERT_NE(rtl, nullptr);
  latin.place(1009);
  latin.run(K(10, kBeh) + K(10, kBeh));
  EXPECT_EQ(latin.bytes(1008, 1009), std::string("\x58\x58"));
}

TEST(Shaping, FarsiWordsTakeTheirShapes) {
  // CP1097: beh initial 0x58 / isolated 0x57, ain initial 0xAC / middle
  // 0xAD / final 0xAB, reh 0x77, farsi yeh initial 0xDF / final 0xDE.
  const struct {
    Bytes typed, shaped;
  } words[] = {
      {{0x58, 0x58}, {0x58, 0x57}},
      {{0xAC, 0xAC, 0xAC}, {0xAC, 0xAD, 0xAB}},
      {{0x58, 0x77, 0x58}, {0x58, 0x77, 0x57}},
      {{0x58, 0xDF}, {0x58, 0xDE}},
  };
  for (const auto& w : words) {
    SCOPED_TRACE(testing::PrintToString(w.typed));
    ArabicStation s;
    s.display.asd().setASDLanguage(ASD::kFarsi);
    s.place(1009);
    s.typeCodes(w.typed);
    s.run(kFieldExit);
    EXPECT_EQ(s.error(), 0u);
    EXPECT_EQ(s.logical(s.rtl), w.shaped);
  }
}

TEST(Shaping, ShapeKeysForceAShapeUntilPressedAgain) {
  ArabicStation s;
  s.display.asd().setASDLanguage(ASD::kFarsi);
  s.place(1009);
  s.run(kInsert);
  // Farsi beh (isolated 0x57) typed under the initial key stays initial.
  s.display.getCurrentArea()->asdKey(&s.display, 4);
  EXPECT_EQ(s.display.asd().state(), ASD::kForceInitial);
  s.typeCodes({0x57, 0x57});
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x58, 0x58}));
  s.display.getCurrentArea()->asdKey(&s.display, 4);
  EXPECT_EQ(s.display.asd().state(), 1u) << "released: automatic shaping again";
}

// Random words of letters that join in every way (dual-joining beh-like
// letters, ain, heh, yeh, right-joining letters) typed and ended: every
// letter in the form its neighbours call for, as the code page and Unicode
// describe it.
struct OracleLetter {
  unsigned int language, code, unicode, letters[2];
  char form, joining;
  int digit;
};
const OracleLetter kOracle[] = {
#include "tests/display/ArabicLetterOracle.inc"
};
const OracleLetter* Describe(unsigned char code) {
  for (const OracleLetter& l : kOracle)
    if (l.language == 1 && l.code == code) return &l;
  return nullptr;
}

TEST(Shaping, RandomWordsTakeTheFormsTheCodePageGivesTheirPlaces) {
  const unsigned char letters[] = {0x58, 0x63, 0x65, 0x67, 0x69, 0x71, 0xAB, 0xAD, 0xAF, 0xBB, 0xBD, 0x52,
                                   0x62, 0x73, 0x74, 0x75, 0x76, 0xCF, 0x9A, 0x9E, 0xBF, 0xDC};
  ASD asd(nullptr, ASD::kArabic);
  // The forms the code page has for a letter among the shaper's shapes.
  auto forms = [&](const OracleLetter* l) {
    std::string f;
    for (unsigned int c = 0x40; c < 0xFF; ++c) {
      const OracleLetter* o = Describe(static_cast<unsigned char>(c));
      if (o && o->letters[0] == l->letters[0] && o->form != '?' && asd.classifyCharacter(static_cast<unsigned char>(c)) != 0)
        f += o->form;
    }
    return f;
  };
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int word = 0; word < 150; ++word) {
    Bytes typed;
    const uint32_t length = 1 + next(9);
    for (uint32_t i = 0; i < length; ++i) typed.push_back(letters[next(sizeof letters)]);
    SCOPED_TRACE(testing::PrintToString(typed));
    ArabicStation s;
    s.place(1009);
    s.typeCodes(typed);
    s.run(kFieldExit);
    const Bytes shaped = s.logical(s.rtl);
    ASSERT_EQ(shaped.size(), typed.size());
    for (size_t i = 0; i < typed.size(); ++i) {
      const OracleLetter* t = Describe(typed[i]);
      const OracleLetter* r = Describe(shaped[i]);
      ASSERT_TRUE(t && r);
      EXPECT_EQ(r->letters[0], t->letters[0]) << "letter " << i;
      const bool joinsPrevious = i > 0 && Describe(typed[i - 1])->joining == 'D';
      const bool joinsNext = t->joining == 'D' && i + 1 < typed.size();
      // The wanted form, then what stands for it when the code page has no
      // code point of its own for it.
      const char* wanted = joinsPrevious && joinsNext ? "MN" : joinsNext ? "N" : joinsPrevious ? "F-I" : "I-";
      const std::string have = forms(t);
      char expected = '?';
      for (const char* w = wanted; *w && expected == '?'; ++w)
        if (have.find(*w) != std::string::npos) expected = *w;
      EXPECT_EQ(r->form, expected) << "letter " << i << " (" << have << ")";
    }
  }
}

// Dup and Erase EOF end the shaping run: the letter before the cursor takes
// its final form (the code page's isolated/final code point), as an AID or
// Field Exit would leave it.
TEST(Shaping, DupAndEraseEndOfFieldEndTheWord) {
  for (const Script& key : {kEraseEOF, kDup}) {
    ArabicStation s;
    s.rtl->setFormatByte(0, static_cast<unsigned char>(s.rtl->formatByte(0) | EntryField::kDupAllowed));
    s.place(1009);
    s.typeCodes({kBeh, kBeh});
    ASSERT_EQ(Describe(s.logical(s.rtl)[1])->form, 'N') << "the second beh waits to be joined";
    s.run(key);
    EXPECT_EQ(s.error(), 0u);
    const Bytes shaped = s.logical(s.rtl);
    ASSERT_GE(shaped.size(), 2u);
    EXPECT_EQ(shaped[0], 0x59);
    const OracleLetter* last = Describe(shaped[1]);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->letters[0], 0x0628u);
    EXPECT_EQ(last->form, '-') << "final: the shared isolated/final code point";
  }
}

// A paste of shaped text from another screen is typed in keyboard shapes,
// which then take the shapes of their new places.
struct LetterHost : CountingHost {
  unsigned char codePageCategory(unsigned char code) override {
    return code == kSpace ? 11 : (code >= 0xF0 && code <= 0xF9) ? 13 : 10;
  }
};

TEST(Shaping, PastedLettersAreTypedInTheirKeyboardShapes) {
  ArabicStation s;
  LetterHost letters;
  s.tax().setHost(&letters);
  CopiedDataInformation copy;
  copy.flags = CopiedDataInformation::kDataPresent;
  const Bytes initials = {0x9D, 0x9D, 0x9D};  // three ains, each in its middle shape
  copy.endCell = static_cast<unsigned int>(initials.size()) - 1;
  copy.word3 = 80;
  s.rendering.copied = &copy;
  s.rendering.copiedData = initials;
  s.place(1009);
  s.run(K(3, 31));
  s.run(kFieldExit);
  EXPECT_EQ(s.error(), 0u);
  EXPECT_EQ(s.logical(s.rtl), (Bytes{0x9C, 0x9D, 0x9B})) << "initial, middle, final";
  // A left-to-right field is not shaped: the letters stay in their
  // keyboard shapes, as typed.
  s.place(EditStation::kAlnum);
  s.run(K(3, 31));
  EXPECT_EQ(s.error(), 0u);
  EXPECT_EQ(s.bytes(82, 84), std::string("\x9A\x9A\x9A", 3));
}

}  // namespace
