#pragma once
// Where an entry field keeps what its field format word and field control
// words asked for: the index of each format byte and its bits.
namespace field_format {
// Format byte indexes.
constexpr unsigned int kFormat = 0;      // FFW settings and the shift type
constexpr unsigned int kControl = 1;     // selector pen, transparency, sequencing, fill
constexpr unsigned int kCheck = 2;       // self-check modulus and highlight
constexpr unsigned int kPointerAid = 3;  // the pointer device's AID

// kFormat.
constexpr unsigned char kDupEnable = 0x80;
constexpr unsigned char kFieldExitRequired = 0x40;
constexpr unsigned char kForwardEdge = 0x20;
constexpr unsigned char kMandatoryEnter = 0x10;
constexpr unsigned char kMonocase = 0x08;
// kControl.
constexpr unsigned char kSelectorPen4 = 0x80;
constexpr unsigned char kSelectorPen2 = 0x40;
constexpr unsigned char kSelectorPen1 = 0x20;
constexpr unsigned char kTransparent = 0x10;
constexpr unsigned char kFillMask = 0x03;  // mandatory fill, right adjust
// kCheck.
constexpr unsigned char kModulus11 = 0x80;
constexpr unsigned char kModulus10 = 0x40;
constexpr unsigned char kHighlightMask = 0x3F;

// Shift types (low three bits of kFormat).
constexpr unsigned int kShiftAlphanumeric = 0;
constexpr unsigned int kShiftAlphabeticOnly = 1;
constexpr unsigned int kShiftNumericShift = 2;
constexpr unsigned int kShiftNumericOnly = 3;
constexpr unsigned int kShiftKatakana = 4;
constexpr unsigned int kShiftDigitsOnly = 5;
constexpr unsigned int kShiftIO = 6;
constexpr unsigned int kShiftSignedNumeric = 7;
}  // namespace field_format
