#pragma once
// The text side of copy and paste, without X: the text of a copied screen
// range, its UTF-8 and ISO 8859-1 forms, the choice among the targets a
// selection owner offers, the emulator's own selection format and the text
// to host characters of a paste.
#include <cstddef>
#include <string>
#include <vector>

class CopiedDataInformation;

namespace clipboard {

// A paste takes at most this many bytes of text.
constexpr size_t kMaxPasteBytes = 3696;
// The descriptor at the head of the emulator's own selection format.
constexpr size_t kPrivateHeaderBytes = 68;

// The screen a copy is taken from: one character byte of the session's
// ASCII code set per cell, row after row, and each cell's display word
// (cells under a non-display attribute never reach the text).
struct ScreenCells {
  const unsigned char* characters = nullptr;
  const unsigned short* attributes = nullptr;  // may be null
  int rows = 0;
  int columns = 0;
};

// The text of cells [start, end] of a left-to-right screen: rows joined by
// line feeds. A linear copy takes the rows before the last to their last
// column without trailing blanks and nulls; a block copy and the last row
// end at the end column. Nulls and hidden cells become blanks. Empty when
// the range lies outside the screen.
std::string LeftToRightText(const ScreenCells& screen, unsigned int start, unsigned int end, bool block);
// The same for a right-to-left screen: each row read from its high column
// down to its low one, so that the text comes out in reading order.
std::string RightToLeftText(const ScreenCells& screen, unsigned int start, unsigned int end, bool block);

// Session ASCII bytes to UTF-8 through the table of the characters the
// window draws for each byte (0: a blank).
std::string BytesToUtf8(const std::string& bytes, const wchar_t table[256]);
// UTF-8 to ISO 8859-1; characters beyond it become '?'. Malformed bytes
// are taken as ISO 8859-1 themselves.
std::string Utf8ToLatin1(const std::string& utf8);
std::string Latin1ToUtf8(const char* text, size_t length);
// UTF-8 to session ASCII bytes through the reverse of the drawing table:
// a character the session cannot show becomes a blank, a line end stays
// 0x0A. At most `limit` characters are taken.
std::string Utf8ToBytes(const char* utf8, size_t length, const wchar_t table[256], size_t limit);

// The targets of a paste, best first.
enum class PasteTarget { Nothing, Private, Utf8, CompoundText, String };
struct TargetAtoms {
  unsigned long privateFormat = 0;  // "QAV_X5250_STRING"
  unsigned long utf8 = 0;           // "UTF-8"
  unsigned long utf8String = 0;     // UTF8_STRING
  unsigned long compoundText = 0;
  unsigned long string = 0;
};
// The target to ask for among those an owner offers: the emulator's own
// format at once; else UTF-8 (either name); else compound text; else STRING.
PasteTarget ChoosePasteTarget(const unsigned long* targets, size_t count, const TargetAtoms& atoms,
                              unsigned long* chosen);

// The emulator's own selection format: the 68-byte descriptor (flags,
// start, end, columns and one more word, the 44 row flags, then the data
// length; each word big-endian), then the host data.
std::vector<unsigned char> EncodePrivateCopy(const CopiedDataInformation& info, const unsigned char* data,
                                             unsigned int length);
// Checks and reads a reply in that format from any selection owner: at
// least the descriptor, a data length that matches the bytes and is at
// most kMaxPasteBytes, the data-present bit, a range inside a screen of
// `screenCells` positions. The descriptor goes to *info (its data pointer
// left null), the host data to *data. False with the reason in *why.
bool DecodePrivateCopy(const unsigned char* bytes, size_t length, unsigned int screenCells,
                       CopiedDataInformation* info, std::vector<unsigned char>* data, std::string* why);

}  // namespace clipboard
