#pragma once
// The records the text session keeps for the host's text screen: the line
// control record of each screen row, the text definition that DFTXT
// installs, the pending copy/move/delete operation, and the sense codes of
// the text-assist structured fields.
#include <cstdint>

namespace text_sense {
constexpr uint32_t kLength = 0x10050110;          // field or inner record length out of bounds
constexpr uint32_t kClassOrType = 0x10050111;     // wrong class or unrecognised type
constexpr uint32_t kInvalidData = 0x10050112;     // invalid data in a field
constexpr uint32_t kPastEnd = 0x10050121;         // the field runs past the structured-field data
constexpr uint32_t kNotRestricted = 0x1005011B;   // DFDPC without restricted editing
constexpr uint32_t kKeyboardState = 0x1005011C;   // not allowed in this keyboard state
constexpr uint32_t kNotLocked = 0x1005011D;       // DFPEN while unlocked or in system request
constexpr uint32_t kDfTextRefused = 0x10030123;   // DFTXT on a keyboard without text assist
}  // namespace text_sense

// Bits of TextSession::modes.
namespace text_mode {
constexpr uint32_t kPromptInput = 1u << 31;
constexpr uint32_t kErrorShown = 1u << 30;
constexpr uint32_t kLocate = 1u << 28;
constexpr uint32_t kCopyMoveDel27 = 1u << 27;
constexpr uint32_t kCopyMoveDel26 = 1u << 26;
constexpr uint32_t kCopyMoveDel25 = 1u << 25;
constexpr uint32_t kHostWaits = 1u << 24;     // RDTXT came: the host waits for a record
constexpr uint32_t kAidPending = 1u << 23;    // an AID waits for RDTXT
constexpr uint32_t kCursorDraw = 1u << 22;
constexpr uint32_t kKeyboardLocked = 1u << 21;
constexpr uint32_t kScaleError = 1u << 20;
constexpr uint32_t kSegmentEnd = 1u << 19;
constexpr uint32_t kSysReqInError = 1u << 17;
constexpr uint32_t kHelpSent = 1u << 16;
}  // namespace text_mode

// Bits of LineControlRecord::ctl.
namespace line_ctl {
constexpr uint32_t kClearRow = 1u << 31;
constexpr uint32_t kShownOnly = 1u << 30;     // shown, not editable
constexpr uint32_t kNotText = 1u << 29;       // output only: no margins, no command field
constexpr uint32_t kChanged = 1u << 28;
constexpr uint32_t kChangedTag = 1u << 27;
constexpr uint32_t kHostFlags = 0xFE000000u;  // bits 31..25
}  // namespace line_ctl

// One screen row's control record; mirrors the 13-byte line control data
// exchanged with the host.
struct LineControlRecord {
  uint32_t ctl = 0;
  uint32_t ctl2 = 0;      // bit 31: a line prompt belongs to the line
  uint32_t spacing = 0;   // half lines
  uint16_t row = 0;
  uint32_t ctl3 = 0;      // bit 31 right to left, 30/29 bidirectional, 28..25 attributes
  uint16_t lineId = 0;
  uint8_t newLine = 0;
  uint8_t leftMarginOffset = 0;
  uint8_t indentOffset = 0;
  uint8_t scaleLineId = 0;
  uint32_t segments = 0;
  uint32_t editFlags = 0;
};

// The host's text screen definition (DFTXT).
struct TextDefinition {
  uint32_t defFlags = 0;
  uint32_t defFlags2 = 0xC0000000u;
  uint32_t defLevel = 0;
  uint32_t textLineCount = 21;
  uint32_t statusRow = 1;
  uint32_t scaleRow = 2;
  uint32_t lineCmdFieldSize = 0;
  uint32_t pitchColumn = 15;
  uint32_t firstTextRow = 3;
  uint32_t lastTextRow = 23;
  uint32_t promptRow = 24;
};

// The pending copy, move or delete operation.
struct PendingOperation {
  uint32_t options = 0;   // bits 31..25
  uint8_t displaced[3] = {0, 0, 0};
  uint16_t row = 0;
  uint16_t column = 0;
};

// The lcd_host_t layout: 13 bytes of line control data.
constexpr unsigned int kLcdBytes = 13;
