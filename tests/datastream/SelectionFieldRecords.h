#pragma once
// Define selection field structures for the tests, built from readable
// pieces: choice-text minors from EBCDIC text, the structure with its type,
// geometry, flags and device parameter.
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/datastream/DsmRecords.h"

namespace selection_records {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kAllDevices = 0xE0;

// A choice-text minor: flag bytes 1 and 2, the items its flag byte 1 names
// (mnemonic offset, AID, numbers), then the text.
inline Bytes ChoiceText(unsigned char flags1, const Bytes& items, const std::string& text,
                        unsigned char devices = kAllDevices, unsigned char flags2 = 0x00) {
  const Bytes t = Cp037(text);
  Bytes m = {static_cast<unsigned char>(5 + items.size() + t.size()), 0x10, flags1, flags2, devices};
  m.insert(m.end(), items.begin(), items.end());
  m.insert(m.end(), t.begin(), t.end());
  return m;
}

// A define selection field structure of the given type and geometry. The
// device parameter (the same for every kind of display) 0xF2: no indicator
// column, mnemonics shown.
inline Bytes Definition(unsigned char type, unsigned char textSize, unsigned char rows, unsigned char columns,
                        const Bytes& minors, unsigned char flags1 = 0x00, unsigned char padding = 0,
                        unsigned char parameter = 0xF2, unsigned char selectionCharacter = 0x00) {
  const size_t n = 20 + minors.size();
  Bytes sf = {static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, 0x50,
              flags1, 0x00, 0x00, type, parameter, parameter, parameter, 0x00, 0x00, textSize, rows, columns,
              padding, 0x00, selectionCharacter, 0x00};
  sf.insert(sf.end(), minors.begin(), minors.end());
  return sf;
}

// The definition `sf` made a list that scrolls (flag byte 2 bit 0x80 with
// `flags2`'s other bits): total rows and slider position before its minors.
inline Bytes Scrolling(Bytes sf, uint32_t total, uint32_t slider, unsigned char flags2 = 0x00) {
  sf[5] = static_cast<unsigned char>(0x80 | flags2);
  const Bytes values = {static_cast<unsigned char>(total >> 24), static_cast<unsigned char>(total >> 16),
                        static_cast<unsigned char>(total >> 8),  static_cast<unsigned char>(total),
                        static_cast<unsigned char>(slider >> 24), static_cast<unsigned char>(slider >> 16),
                        static_cast<unsigned char>(slider >> 8),  static_cast<unsigned char>(slider)};
  sf.insert(sf.begin() + 20, values.begin(), values.end());
  sf[0] = static_cast<unsigned char>(sf.size() >> 8);
  sf[1] = static_cast<unsigned char>(sf.size());
  return sf;
}

inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The write to display structured field order (0x15) with the structure.
inline Record& Place(Record& r, unsigned int row, unsigned int column, const Bytes& sf) {
  r.sba(row, column).bytes({0x15});
  r.data.insert(r.data.end(), sf.begin(), sf.end());
  return r;
}

// Write to display, the display address, then the structure.
inline Record Define(unsigned int row, unsigned int column, const Bytes& sf) {
  Record r;
  r.wtd(0, 0);
  return Place(r, row, column, sf);
}

}  // namespace selection_records
