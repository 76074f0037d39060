#include "xfront/ThaiComposition.h"

#include <cstddef>
#include <vector>

namespace thai {

namespace {
bool IsAttribute(unsigned char c) { return c >= 0x20 && c <= 0x3F; }

struct ClassTable {
  unsigned char cls[256];
  ClassTable() {
    for (unsigned char& c : cls) c = kSpacing;
    auto set = [this](unsigned int first, unsigned int last, unsigned char k) {
      for (unsigned int c = first; c <= last; ++c) cls[c] = k;
    };
    for (unsigned int c : {0xED, 0xEE, 0xEF, 0xFA, 0xFB}) cls[c] = kTone;
    for (unsigned int c : {0x71, 0xBC, 0xBF, 0xCB, 0xCC, 0xCD, 0xEC, 0xFC}) cls[c] = kUpperVowel;
    cls[0x40] = kBase;
    set(0x42, 0x48, kBase);
    set(0x52, 0x58, kBase);
    set(0x62, 0x68, kBase);
    cls[0x70] = kBase;
    set(0x72, 0x78, kBase);
    set(0x8A, 0x8F, kBase);
    set(0x9A, 0x9F, kBase);
    set(0xAA, 0xAF, kBase);
    for (unsigned int c : {0xCE, 0xCF, 0xDA}) cls[c] = kLowerVowel;
    for (unsigned int c : {0x51, 0xCA, 0xE1, 0xFD, 0xFE}) cls[c] = kBase2;
    for (unsigned int c : {0xBA, 0xBB, 0xBD, 0xDB, 0xDC, 0xE0, 0xEA, 0xEB}) cls[c] = kSpacing6;
    for (unsigned int c : {0xDD, 0xDE, 0xDF}) cls[c] = kSpacing7;
    cls[0xBE] = kSpacing8;
  }
};
const ClassTable kClasses;

unsigned char MarkBit(unsigned int cls) {
  return cls == kTone ? kJoinsTone : cls == kUpperVowel ? kJoinsUpper : kJoinsLower;
}
}  // namespace

unsigned int ClassOf(unsigned char ebcdic) { return kClasses.cls[ebcdic]; }

int FindFieldAttributeLocation(const unsigned char* ebcdic, int columns, int cells, int position, bool backwards) {
  if (columns <= 0 || position < 0 || position >= cells) return position;
  const int rowStart = position - position % columns;
  const int rowEnd = rowStart + columns - 1 < cells ? rowStart + columns - 1 : cells - 1;
  int p = position;
  if (backwards) {
    while (p > rowStart && !IsAttribute(ebcdic[p])) --p;
  } else {
    while (p < rowEnd && !IsAttribute(ebcdic[p])) ++p;
  }
  return p;
}

void ComposeInfo(const unsigned char* ebcdic, int from, int to, const Options& options, unsigned char* absorbed,
                 unsigned char* flags) {
  unsigned int count = 0;     // positions drawn into earlier cells so far
  bool haveBase = false;      // the current cell has a base that marks may join
  unsigned char marks = 0;    // the mark kinds the current cell has
  int blanks = 0;
  unsigned char nextFlags = 0;
  bool pairOpen = false;      // the first of two end-of-field characters was seen
  for (int p = from; p <= to; ++p) {
    const unsigned char c = ebcdic[p];
    unsigned char f = nextFlags;
    nextFlags = 0;
    const bool isNull = c == 0x00 || IsAttribute(c);
    const bool eof = options.endOfFieldAlign && c == options.endOfFieldChar && !isNull;
    unsigned int cls = isNull ? 0 : ClassOf(c);
    if (c == options.endOfFieldChar) cls = kBase;
    if (c != 0x40) blanks = 0;
    if (isNull) {
      // The text after a null realigns with the screen columns.
      count = 0;
      haveBase = false;
      marks = 0;
      pairOpen = false;
      absorbed[p - from] = 0;
      flags[p - from] = static_cast<unsigned char>(f | kRealigned);
      continue;
    }
    if (eof) {
      f |= kEndOfField;
      if (pairOpen) {
        // The second of two is drawn into the first one's cell.
        pairOpen = false;
        ++count;
      } else {
        f |= kFirstEndOfField;
        if (p < to && ebcdic[p + 1] == options.endOfFieldChar) {
          pairOpen = true;
        } else {
          // After a single one the text realigns with the screen columns.
          absorbed[p - from] = static_cast<unsigned char>(count > 255 ? 255 : count);
          flags[p - from] = f;
          count = 0;
          haveBase = false;
          marks = 0;
          continue;
        }
      }
      haveBase = false;
      marks = 0;
      absorbed[p - from] = static_cast<unsigned char>(count > 255 ? 255 : count);
      flags[p - from] = f;
      continue;
    }
    switch (cls) {
      case kTone:
      case kUpperVowel:
      case kLowerVowel: {
        const unsigned char bit = MarkBit(cls);
        if (haveBase && !(marks & bit)) {
          marks |= bit;
          ++count;
          f |= static_cast<unsigned char>(kJoined | bit);
        } else {
          // A mark of its own cell.
          f |= bit;
          haveBase = false;
          marks = bit;
        }
        break;
      }
      case kBase:
      case kBase2:
        haveBase = true;
        marks = 0;
        if (c == 0x40 && ++blanks >= options.spaceCount && options.spaceAlign) {
          count = 0;
          blanks = 0;
          nextFlags = kRealigned;
        }
        break;
      default:
        haveBase = false;
        marks = 0;
        break;
    }
    absorbed[p - from] = static_cast<unsigned char>(count > 255 ? 255 : count);
    flags[p - from] = f;
  }
}

namespace {
// The field around `position` on its row, composed.
struct Composed {
  int from = 0, to = -1;
  std::vector<unsigned char> absorbed, flags;
  Composed(const unsigned char* ebcdic, int columns, int cells, int position, const Options& options) {
    if (position < 0 || position >= cells || columns <= 0) return;
    from = FindFieldAttributeLocation(ebcdic, columns, cells, position, true);
    to = FindFieldAttributeLocation(ebcdic, columns, cells, position, false);
    absorbed.assign(static_cast<std::size_t>(to - from + 1), 0);
    flags.assign(static_cast<std::size_t>(to - from + 1), 0);
    ComposeInfo(ebcdic, from, to, options, absorbed.data(), flags.data());
  }
  int cellOf(int p) const { return p - absorbed[static_cast<std::size_t>(p - from)]; }
};
}  // namespace

int CellOf(const unsigned char* ebcdic, int columns, int cells, int position, const Options& options) {
  const Composed c(ebcdic, columns, cells, position, options);
  if (c.to < c.from) return position;
  return c.cellOf(position);
}

int MarkPos(const unsigned char* ebcdic, int columns, int cells, int cell, bool adjust, const Options& options) {
  const Composed c(ebcdic, columns, cells, cell, options);
  if (c.to < c.from) return -1;
  for (int p = c.from; p <= c.to; ++p) {
    if (c.cellOf(p) != cell) continue;
    int at = p;
    for (int step = 0; adjust && step < 2 && at < c.to && c.cellOf(at + 1) == cell; ++step) ++at;
    return at;
  }
  return -1;
}

}  // namespace thai
