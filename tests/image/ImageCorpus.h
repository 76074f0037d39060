// Test pictures and the Debian tools that encode and decode them: netpbm
// files written and read here, the tools run in a private folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace image_test {

using Bytes = std::vector<uint8_t>;

// A netpbm picture: P4 (rows packed, a set bit black), P5 or P6 with
// maxval 255.
struct Pnm {
  char kind = 0;  // '4', '5' or '6'
  unsigned int width = 0, height = 0;
  Bytes data;
  unsigned int rowBytes() const { return kind == '4' ? (width + 7) / 8 : kind == '5' ? width : 3 * width; }
  bool bit(unsigned int x, unsigned int y) const { return (data[y * rowBytes() + x / 8] >> (7 - x % 8)) & 1; }
};

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& b) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

inline Pnm ReadPnm(const std::string& path) {
  const Bytes b = ReadFile(path);
  Pnm p;
  size_t at = 0;
  auto skip = [&] {
    for (;;) {
      while (at < b.size() && isspace(b[at])) ++at;
      if (at < b.size() && b[at] == '#') {
        while (at < b.size() && b[at] != '\n') ++at;
        continue;
      }
      return;
    }
  };
  auto number = [&] {
    skip();
    unsigned int v = 0;
    while (at < b.size() && isdigit(b[at])) v = v * 10 + (b[at++] - '0');
    return v;
  };
  if (b.size() < 2 || b[0] != 'P') return p;
  p.kind = static_cast<char>(b[1]);
  at = 2;
  p.width = number();
  p.height = number();
  if (p.kind != '4') EXPECT_EQ(number(), 255u) << path;
  ++at;  // the one white-space character before the raster
  const size_t n = size_t{p.rowBytes()} * p.height;
  if (at + n <= b.size()) p.data.assign(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
  EXPECT_EQ(p.data.size(), n) << path;
  return p;
}

inline void WritePnm(const std::string& path, const Pnm& p) {
  std::ostringstream head;
  head << 'P' << p.kind << '\n' << p.width << ' ' << p.height << '\n';
  if (p.kind != '4') head << "255\n";
  const std::string h = head.str();
  Bytes all(h.begin(), h.end());
  all.insert(all.end(), p.data.begin(), p.data.end());
  WriteBytes(path, all);
}

// A page of black and white: blank margins and rows, bars, a checker
// block and noise, so that every fax code length and mode occurs.
inline Pnm TestPage(unsigned int width, unsigned int height, uint32_t seed = 1) {
  Pnm p;
  p.kind = '4';
  p.width = width;
  p.height = height;
  p.data.assign(size_t{p.rowBytes()} * height, 0);
  auto set = [&](unsigned int x, unsigned int y) { p.data[y * p.rowBytes() + x / 8] |= 0x80 >> (x % 8); };
  uint32_t r = seed;
  for (unsigned int y = 0; y < height; ++y) {
    if (y % 7 == 0) continue;  // blank rows
    for (unsigned int x = 0; x < width; ++x) {
      r = r * 1103515245u + 12345u;
      const bool bar = (x / 13 + y / 5) % 3 == 0 && x > width / 10 && x < width - width / 10;
      const bool checker = x < width / 2 && y > height / 2 && ((x / 2 + y / 2) % 2 == 0);
      const bool noise = x > width / 2 && y > height / 3 && (r >> 16) % 5 == 0;
      if (bar || checker || noise) set(x, y);
    }
  }
  return p;
}

inline Pnm GreyPicture(unsigned int width, unsigned int height) {
  Pnm p;
  p.kind = '5';
  p.width = width;
  p.height = height;
  for (unsigned int y = 0; y < height; ++y)
    for (unsigned int x = 0; x < width; ++x)
      p.data.push_back(static_cast<uint8_t>((x * 255 / (width ? width : 1) + ((x / 8 + y / 8) % 2) * 40 + y) & 0xFF));
  return p;
}

inline Pnm ColourPicture(unsigned int width, unsigned int height) {
  Pnm p;
  p.kind = '6';
  p.width = width;
  p.height = height;
  for (unsigned int y = 0; y < height; ++y)
    for (unsigned int x = 0; x < width; ++x) {
      p.data.push_back(static_cast<uint8_t>(x * 255 / width));
      p.data.push_back(static_cast<uint8_t>(y * 255 / height));
      p.data.push_back(static_cast<uint8_t>(((x / 6 + y / 6) % 2) ? 220 : 30));
    }
  return p;
}

// Runs a shell command in `dir`; true when it exits 0.
inline bool RunTool(const qwtest::TempDir& dir, const std::string& command) {
  const std::string line = "cd '" + dir.Path() + "' && " + command + " 2>/dev/null";
  const int status = std::system(line.c_str());
  EXPECT_EQ(status, 0) << command;
  return status == 0;
}

// The headerless fax page around Group 3 data read least significant bit
// first: length word, polarity byte (0 or 16), zeros to byte 12.
inline Bytes HeaderlessPage(const Bytes& fax, uint8_t polarity) {
  const uint32_t n = static_cast<uint32_t>(fax.size());
  Bytes page = {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                static_cast<uint8_t>(n), 0, polarity, 0, 0, 0, 0, 0, 0};
  page.insert(page.end(), fax.begin(), fax.end());
  return page;
}

}  // namespace image_test
