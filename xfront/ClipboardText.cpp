#include "xfront/ClipboardText.h"

#include <algorithm>
#include <cstring>

#include "base/Utf8.h"
#include "display/CopiedDataInformation.h"
#include "xfront/DisplayAttributes.h"

namespace clipboard {

namespace {

struct Range {
  int startRow, startColumn, endRow, endColumn;
};

bool MakeRange(const ScreenCells& s, unsigned int start, unsigned int end, Range* r) {
  if (!s.characters || s.rows <= 0 || s.columns <= 0) return false;
  const unsigned int cells = static_cast<unsigned int>(s.rows) * static_cast<unsigned int>(s.columns);
  if (start > end || end >= cells) return false;
  const unsigned int cols = static_cast<unsigned int>(s.columns);
  *r = Range{static_cast<int>(start / cols), static_cast<int>(start % cols), static_cast<int>(end / cols),
             static_cast<int>(end % cols)};
  return true;
}

// The character of a cell as it goes into the text.
char Cell(const ScreenCells& s, int position) {
  if (s.attributes && (s.attributes[position] & display_attribute::kNonDisplay)) return ' ';
  const unsigned char c = s.characters[position];
  return c == 0 ? ' ' : static_cast<char>(c);
}

void DropTrailingBlanks(std::string& row) {
  while (!row.empty() && row.back() == ' ') row.pop_back();
}

// The next character of UTF-8 text at *i; a malformed byte stands for
// itself (as ISO 8859-1).
unsigned long NextUtf8(const unsigned char* p, size_t length, size_t* i) {
  const unsigned char b = p[*i];
  size_t more = 0;
  unsigned long value = b;
  if (b >= 0xC2 && b < 0xE0) {
    more = 1;
    value = b & 0x1F;
  } else if (b >= 0xE0 && b < 0xF0) {
    more = 2;
    value = b & 0x0F;
  } else if (b >= 0xF0 && b < 0xF5) {
    more = 3;
    value = b & 0x07;
  }
  if (more == 0 || length - *i <= more) {
    ++*i;
    return b;
  }
  for (size_t k = 1; k <= more; ++k) {
    const unsigned char n = p[*i + k];
    if ((n & 0xC0) != 0x80) {
      ++*i;
      return b;
    }
    value = (value << 6) | (n & 0x3F);
  }
  const unsigned long minimum = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++*i;
    return b;
  }
  *i += more + 1;
  return value;
}

void Put32(std::vector<unsigned char>& out, size_t at, unsigned int v) {
  out[at] = static_cast<unsigned char>(v >> 24);
  out[at + 1] = static_cast<unsigned char>(v >> 16);
  out[at + 2] = static_cast<unsigned char>(v >> 8);
  out[at + 3] = static_cast<unsigned char>(v);
}

unsigned int Get32(const unsigned char* p) {
  return (static_cast<unsigned int>(p[0]) << 24) | (static_cast<unsigned int>(p[1]) << 16) |
         (static_cast<unsigned int>(p[2]) << 8) | p[3];
}

constexpr size_t kRowFlagsAt = 20, kRowFlagCount = 44, kLengthAt = 64;

}  // namespace

std::string LeftToRightText(const ScreenCells& s, unsigned int start, unsigned int end, bool block) {
  Range r;
  if (!MakeRange(s, start, end, &r)) return {};
  int firstColumn = r.startColumn, lastColumn = r.endColumn;
  if (block && firstColumn > lastColumn) std::swap(firstColumn, lastColumn);
  std::string text;
  text.reserve(static_cast<size_t>((r.endRow - r.startRow + 1) * (s.columns + 1)));
  for (int row = r.startRow; row <= r.endRow; ++row) {
    const int from = (row == r.startRow || block) ? firstColumn : 0;
    const bool last = row == r.endRow;
    const int to = (block || last) ? lastColumn : s.columns - 1;
    std::string cells;
    for (int c = from; c <= to; ++c) cells += Cell(s, row * s.columns + c);
    if (!block && !last) DropTrailingBlanks(cells);
    text += cells;
    if (!last) text += '\n';
  }
  return text;
}

std::string RightToLeftText(const ScreenCells& s, unsigned int start, unsigned int end, bool block) {
  Range r;
  if (!MakeRange(s, start, end, &r)) return {};
  std::string text;
  for (int row = r.startRow; row <= r.endRow; ++row) {
    const bool last = row == r.endRow;
    int low, high;
    if (block || r.startRow == r.endRow) {
      low = std::min(r.startColumn, r.endColumn);
      high = std::max(r.startColumn, r.endColumn);
    } else {
      low = row == r.startRow ? r.startColumn : 0;
      high = last ? r.endColumn : s.columns - 1;
    }
    std::string cells;
    for (int c = high; c >= low; --c) cells += Cell(s, row * s.columns + c);
    // Before the last row of a linear copy the row ends at its leftmost
    // cell that is neither blank nor null.
    if (!block && !last) DropTrailingBlanks(cells);
    text += cells;
    if (!last) text += '\n';
  }
  return text;
}

std::string BytesToUtf8(const std::string& bytes, const wchar_t table[256]) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (unsigned char b : bytes) {
    if (b == '\n') {
      out += '\n';
      continue;
    }
    const wchar_t w = table[b];
    AppendUtf8(out, w ? static_cast<unsigned long>(w) : ' ');
  }
  return out;
}

std::string Utf8ToLatin1(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  for (size_t i = 0; i < utf8.size();) {
    const unsigned long c = NextUtf8(p, utf8.size(), &i);
    out += c <= 0xFF ? static_cast<char>(c) : '?';
  }
  return out;
}

std::string Latin1ToUtf8(const char* text, size_t length) {
  std::string out;
  out.reserve(length * 2);
  for (size_t i = 0; i < length; ++i) AppendUtf8(out, static_cast<unsigned char>(text[i]));
  return out;
}

std::string Utf8ToBytes(const char* utf8, size_t length, const wchar_t table[256], size_t limit) {
  // The reverse of the drawing table: a direct table for the characters
  // below 0x100, a sorted list for the others; the lowest byte wins a
  // character that two bytes show.
  unsigned char low[256] = {};
  std::vector<std::pair<unsigned long, unsigned char>> high;
  for (int b = 255; b >= 0x20; --b) {
    const auto c = static_cast<unsigned long>(table[b]);
    if (c == 0) continue;
    if (c < 256)
      low[c] = static_cast<unsigned char>(b);
    else
      high.emplace_back(c, static_cast<unsigned char>(b));
  }
  std::sort(high.begin(), high.end());
  std::string out;
  if (!utf8) return out;
  out.reserve(std::min(length, limit));
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  for (size_t i = 0; i < length && out.size() < limit;) {
    const unsigned long c = NextUtf8(p, length, &i);
    if (c == '\n') {
      out += '\n';
      continue;
    }
    unsigned char b = 0;
    if (c < 256) {
      b = low[c];
    } else {
      auto it = std::lower_bound(high.begin(), high.end(), c,
                                 [](const auto& e, unsigned long v) { return e.first < v; });
      if (it != high.end() && it->first == c) b = it->second;
    }
    out += b ? static_cast<char>(b) : ' ';
  }
  return out;
}

PasteTarget ChoosePasteTarget(const unsigned long* targets, size_t count, const TargetAtoms& atoms,
                              unsigned long* chosen) {
  PasteTarget best = PasteTarget::Nothing;
  unsigned long bestAtom = 0;
  for (size_t i = 0; i < count && targets; ++i) {
    const unsigned long t = targets[i];
    if (t == 0) continue;
    if (t == atoms.privateFormat) {
      best = PasteTarget::Private;
      bestAtom = t;
      break;
    }
    if ((t == atoms.utf8 || t == atoms.utf8String) && best != PasteTarget::Utf8) {
      best = PasteTarget::Utf8;
      bestAtom = t;
    } else if (t == atoms.compoundText && (best == PasteTarget::Nothing || best == PasteTarget::String)) {
      best = PasteTarget::CompoundText;
      bestAtom = t;
    } else if (t == atoms.string && best == PasteTarget::Nothing) {
      best = PasteTarget::String;
      bestAtom = t;
    }
  }
  if (chosen) *chosen = bestAtom;
  return best;
}

std::vector<unsigned char> EncodePrivateCopy(const CopiedDataInformation& info, const unsigned char* data,
                                             unsigned int length) {
  if (!data) length = 0;
  std::vector<unsigned char> out(kPrivateHeaderBytes + length, 0);
  Put32(out, 0, info.flags);
  Put32(out, 4, info.startCell);
  Put32(out, 8, info.endCell);
  Put32(out, 12, info.word3 ? info.word3 : info.rowWidth);
  Put32(out, 16, info.word4);
  for (size_t i = 0; i < CopiedDataInformation::kMaxRows && i < kRowFlagCount; ++i)
    out[kRowFlagsAt + i] = info.nonDisplayRow[i] ? 1 : 0;
  Put32(out, kLengthAt, length);
  if (length) std::memcpy(out.data() + kPrivateHeaderBytes, data, length);
  return out;
}

bool DecodePrivateCopy(const unsigned char* bytes, size_t length, unsigned int screenCells,
                       CopiedDataInformation* info, std::vector<unsigned char>* data, std::string* why) {
  auto fail = [why](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  if (!bytes || length < kPrivateHeaderBytes) return fail("shorter than its descriptor");
  const unsigned int dataLength = Get32(bytes + kLengthAt);
  if (dataLength != length - kPrivateHeaderBytes) return fail("data length does not match the bytes received");
  if (dataLength > kMaxPasteBytes) return fail("more data than a screen holds");
  CopiedDataInformation d;
  d.flags = Get32(bytes);
  d.startCell = Get32(bytes + 4);
  d.endCell = Get32(bytes + 8);
  d.word3 = Get32(bytes + 12);
  d.word4 = Get32(bytes + 16);
  if (!(d.flags & CopiedDataInformation::kDataPresent)) return fail("no data present");
  if (d.startCell > d.endCell || d.endCell >= screenCells) return fail("range outside the screen");
  if (d.word3 == 0 || d.word3 > 255) return fail("impossible column count");
  for (size_t i = 0; i < CopiedDataInformation::kMaxRows; ++i) d.nonDisplayRow[i] = bytes[kRowFlagsAt + i] ? 1 : 0;
  d.rowWidth = static_cast<unsigned short>(d.word3);
  d.data = nullptr;
  d.length = dataLength;
  *info = d;
  data->assign(bytes + kPrivateHeaderBytes, bytes + length);
  return true;
}

}  // namespace clipboard
