#pragma once
// Host records for the data-stream tests, built from readable pieces: text
// goes through glibc iconv into CP037, orders are named.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "tests/display/StationFixture.h"

inline std::vector<unsigned char> Cp037(const std::string& text) {
  iconv_t cd = iconv_open("CP037", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::vector<unsigned char> out(text.size() * 4 + 4);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

class Record {
 public:
  Record& bytes(std::initializer_list<unsigned int> b) {
    for (unsigned int x : b) data.push_back(static_cast<unsigned char>(x));
    return *this;
  }
  Record& text(const std::string& t) {
    const std::vector<unsigned char> e = Cp037(t);
    data.insert(data.end(), e.begin(), e.end());
    return *this;
  }
  Record& clearUnit() { return bytes({0x04, 0x40}); }
  Record& clearFormatTable() { return bytes({0x04, 0x50}); }
  Record& wtd(unsigned int cc1, unsigned int cc2) { return bytes({0x04, 0x11, cc1, cc2}); }
  Record& sba(unsigned int row, unsigned int column) { return bytes({0x11, row, column}); }
  Record& ic(unsigned int row, unsigned int column) { return bytes({0x13, row, column}); }
  Record& mc(unsigned int row, unsigned int column) { return bytes({0x14, row, column}); }
  Record& ra(unsigned int row, unsigned int column, unsigned int c) {
    return bytes({0x02, row, column, c});
  }
  Record& ea(unsigned int row, unsigned int column, std::initializer_list<unsigned int> types) {
    bytes({0x03, row, column, static_cast<unsigned int>(types.size() + 1)});
    for (unsigned int t : types) data.push_back(static_cast<unsigned char>(t));
    return *this;
  }
  Record& wea(unsigned int type, unsigned int value) { return bytes({0x12, type, value}); }
  Record& td(const std::vector<unsigned char>& raw) {
    bytes({0x10, static_cast<unsigned int>(raw.size() >> 8), static_cast<unsigned int>(raw.size() & 0xFF)});
    data.insert(data.end(), raw.begin(), raw.end());
    return *this;
  }
  Record& soh(std::initializer_list<unsigned int> header) {
    bytes({0x01, static_cast<unsigned int>(header.size())});
    for (unsigned int h : header) data.push_back(static_cast<unsigned char>(h));
    return *this;
  }

  std::vector<unsigned char> data;
};

// A station with its data stream manager.
class DsmStation : public Station {
 public:
  using Station::Station;
  DataStreamManager& manager() { return display.dataStreamManager(); }
  uint32_t run(const std::vector<unsigned char>& r) {
    unsigned int unlocked = 0;
    const uint32_t sense = manager().dsm(DataStreamManager::kRecord, r.data(),
                                         static_cast<uint32_t>(r.size()), unlocked);
    lastUnlocked = unlocked;
    return sense;
  }
  uint32_t run(const Record& r) { return run(r.data); }
  unsigned int offset(unsigned int row, unsigned int column) const {
    return (row - 1) * 80 + column - 1;
  }
  std::vector<unsigned char> screen(unsigned int at, unsigned int n) {
    return std::vector<unsigned char>(psBuffer.begin() + at, psBuffer.begin() + at + n);
  }
  // The planes and the cursor, for before/after comparisons.
  std::string planes() {
    std::string s(reinterpret_cast<const char*>(psBuffer.data()), psBuffer.size());
    PresentationSpaceScreenBuffer& ps = display.presentationSpace();
    for (unsigned int p = 0; p <= ps.lastOffset(); ++p) {
      s += static_cast<char>(display.primaryPlane().getCharacter(p));
      s += static_cast<char>(display.secondaryPlane().getCharacter(p));
      s += static_cast<char>(display.colourPlane().getCharacter(p));
    }
    s += "@" + std::to_string(display.cursor().getCursorOffset());
    return s;
  }
  unsigned int lastUnlocked = 0;
};
