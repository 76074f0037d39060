#pragma once
// Control characters that the host puts in the text of a text screen, and
// that the editing code moves, skips or stops at.

namespace text_char {
constexpr unsigned char kRequiredTab = 0x02;
constexpr unsigned char kCarrierReturn = 0x03;
constexpr unsigned char kTab = 0x05;
constexpr unsigned char kPush = 0x0B;     // opens a segment of the other direction
constexpr unsigned char kPageEnd = 0x0C;
constexpr unsigned char kEndPush = 0x0D;  // closes it
constexpr unsigned char kPlaceholder = 0x12;

inline bool isTab(unsigned char c) { return c == kTab || c == kRequiredTab; }
}  // namespace text_char
