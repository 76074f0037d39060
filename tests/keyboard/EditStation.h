#pragma once
// A 24x80 station with its translator and a screen of mixed input fields,
// and helpers that write key scripts as function words and read fields back
// as readable text.
#include <string>
#include <vector>

#include "display/EntryField.h"
#include "tests/keyboard/KeyStation.h"

// EBCDIC for test text: A-Z, a-z, 0-9 and blank as themselves; '_' null,
// '-' minus, '*' Dup, '#' Field Mark, '}' 0xD0.
inline unsigned char ToEbcdic(char c) {
  if (c >= 'A' && c <= 'I') return static_cast<unsigned char>(0xC1 + (c - 'A'));
  if (c >= 'J' && c <= 'R') return static_cast<unsigned char>(0xD1 + (c - 'J'));
  if (c >= 'S' && c <= 'Z') return static_cast<unsigned char>(0xE2 + (c - 'S'));
  if (c >= 'a' && c <= 'i') return static_cast<unsigned char>(0x81 + (c - 'a'));
  if (c >= 'j' && c <= 'r') return static_cast<unsigned char>(0x91 + (c - 'j'));
  if (c >= 's' && c <= 'z') return static_cast<unsigned char>(0xA2 + (c - 's'));
  if (c >= '0' && c <= '9') return static_cast<unsigned char>(0xF0 + (c - '0'));
  switch (c) {
    case ' ': return 0x40;
    case '-': return 0x60;
    case '*': return 0x1C;
    case '#': return 0x1E;
    case '}': return 0xD0;
    case '.': return 0x4B;
    default: return 0x00;
  }
}

inline std::string Ebcdic(const std::string& text) {
  std::string s;
  for (char c : text) s += static_cast<char>(ToEbcdic(c));
  return s;
}

using Script = std::vector<FunctionWord>;
inline Script operator+(Script a, const Script& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Data keys for text: letters as alphabetic keys, digits from the top row,
// '-' as the data-entry minus key, other characters as punctuation.
inline Script Type(const std::string& text) {
  Script s;
  for (char c : text) {
    const unsigned char e = ToEbcdic(c);
    unsigned char category = 11;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) category = 10;
    if (c >= '0' && c <= '9') category = 13;
    if (c == '-') category = 17;
    s.push_back(FunctionWord{category, e});
  }
  return s;
}

inline Script K(unsigned char category, unsigned char code) { return Script{FunctionWord{category, code}}; }
inline const Script kNewline = K(1, 1), kLeft = K(1, 2), kRight = K(1, 3), kFastRight = K(1, 5),
                    kUp = K(1, 6), kDown = K(1, 7), kCharBackspace = K(1, 8), kFieldBackspace = K(1, 9),
                    kTab = K(1, 10), kHome = K(1, 13), kCharAdvance = K(1, 14), kEndOfLine = K(1, 17);
inline const Script kFieldExit = K(2, 1), kFieldMinus = K(2, 2), kFieldPlus = K(2, 3), kDup = K(2, 4);
inline const Script kInsert = K(3, 1), kDelete = K(3, 2), kEraseInput = K(3, 3), kClose = K(3, 5),
                    kReverse = K(3, 6), kEraseEOF = K(3, 10), kFieldMark = K(3, 11), kCursorSelect = K(3, 12);
inline const Script kReset = K(4, 1), kAttention = K(4, 2), kSystemRequest = K(4, 3);
inline const Script kEnter = K(6, 4);

class EditStation : public KeyStation {
 public:
  // Field starts of the fixture screen.
  enum : unsigned int {
    kAlnum = 82,         // 82-89, alphanumeric shift
    kAlpha = 100,        // 100-104, alphabetic only
    kNumeric = 162,      // 162-166, numeric only
    kSigned = 180,       // 180-185, signed numeric (sign at 185)
    kMandFill = 242,     // 242-245, mandatory fill
    kMandEntry = 260,    // 260-264, alphanumeric (mandatory entry where a case asks)
    kWrap = 322,         // 322-331 and 402-411, word wrap
    kWrapRow2 = 402,
    kMod10 = 482,        // 482-492, numeric only, modulus 10
    kAuto = 562,         // 562-564, auto-enter
    kExitReq = 570,      // 570-573, field exit required
    kAdjust = 650,       // 650-654, numeric only, right adjust zero fill
    kDupField = 660,     // 660-664, Dup allowed
  };

  EditStation() {
    alnum = field(kLTRField, {{82, 89}}, EntryField::kAlphanumericShift);
    alpha = field(kLTRField, {{100, 104}}, EntryField::kAlphabeticOnly);
    numeric = field(kLTRField, {{162, 166}}, EntryField::kNumericOnly);
    sign = field(kSignedNumericField, {{180, 185}}, EntryField::kSignedNumericShift);
    mandFill = field(kLTRField, {{242, 245}}, EntryField::kAlphanumericShift);
    mandFill->setFormatByte(1, EntryField::kMandatoryFill);
    mandEntry = field(kLTRField, {{260, 264}}, EntryField::kAlphanumericShift);
    wrap = field(kWordWrapField, {{322, 331}, {402, 411}}, EntryField::kAlphanumericShift);
    mod10 = field(kLTRField, {{482, 492}}, EntryField::kNumericOnly);
    mod10->setFormatByte(2, EntryField::kModulus10);
    autoEnter = field(kLTRField, {{562, 564}}, EntryField::kAlphanumericShift);
    autoEnter->setFlags(Field::kAutoEnter);
    exitReq = field(kLTRField, {{570, 573}}, EntryField::kAlphanumericShift);
    exitReq->setFormatByte(0, static_cast<unsigned char>(exitReq->formatByte(0) | EntryField::kFieldExitRequired));
    adjust = field(kLTRField, {{650, 654}}, EntryField::kNumericOnly);
    adjust->setFormatByte(1, EntryField::kRightAdjustZero);
    dupField = field(kLTRField, {{660, 664}}, EntryField::kAlphanumericShift);
    dupField->setFormatByte(0, static_cast<unsigned char>(dupField->formatByte(0) | EntryField::kDupAllowed));
    display.cursor().setHomePosition(kAlnum);
  }

  EntryField* field(FieldClassID id, const std::vector<std::pair<unsigned int, unsigned int>>& segments,
                    unsigned int shift) {
    FormatTable& t = display.formatTable();
    EntryField* e = static_cast<EntryField*>(t.createField(id, nullptr, 0));
    for (size_t i = 0; i < segments.size(); ++i)
      t.createEntryFieldSegment(e, segments[i].first, segments[i].second, i + 1 == segments.size());
    e->setShiftType(shift);
    return e;
  }

  void place(unsigned int offset) { display.cursor().moveCursorToNewArea(static_cast<int>(offset), CursorOffsetAsShown); }
  void run(const Script& script) {
    for (FunctionWord w : script) display.inObjGen().processKeystrokeEvent(&display, &w);
  }
  // The bytes of [first, last].
  std::string bytes(unsigned int first, unsigned int last) {
    std::string s;
    for (unsigned int p = first; p <= last; ++p) s += static_cast<char>(display.presentationSpace().getCharacter(p));
    return s;
  }
  void write(unsigned int first, const std::string& text) {
    const std::string e = Ebcdic(text);
    for (size_t i = 0; i < e.size(); ++i)
      display.presentationSpace().writeCharacter(first + static_cast<unsigned int>(i), static_cast<unsigned char>(e[i]));
  }
  unsigned int cursor() { return display.cursor().getCursorOffset(); }
  // The error number shown, 0 when the keyboard is not in an error state.
  unsigned int error() {
    const KeyboardState::State s = keyboard().state();
    if (s != KeyboardState::kError && s != KeyboardState::kPostHelpError) return 0;
    const unsigned int code = keyboard().getErrorCode();
    return ((code >> 12) & 0xF) * 1000 + ((code >> 8) & 0xF) * 100 + ((code >> 4) & 0xF) * 10 + (code & 0xF);
  }
  unsigned char aid() { return display.readMgr().lastActivatedAid(); }

  EntryField *alnum, *alpha, *numeric, *sign, *mandFill, *mandEntry, *wrap, *mod10, *autoEnter, *exitReq,
      *adjust, *dupField;
};
