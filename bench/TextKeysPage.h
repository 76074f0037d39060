#pragma once
// The page the text-key benchmarks type into: margins at columns 2 and 78,
// a centre stop at 30 and a decimal stop at 60; rows 3..23: "WORDS AND MORE"
// tab "CENTRED" tab "1234.56" and a carrier return; the cursor at row 3
// column 2 and the keyboard unlocked. The Write Structured Field command and
// its fields, without the record header.
#include <vector>

inline std::vector<unsigned char> TextKeysPage() {
  using Bytes = std::vector<unsigned char>;
  auto field = [](unsigned char type, const Bytes& data) {
    const unsigned int n = static_cast<unsigned int>(data.size()) + 4;
    Bytes f{static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, type};
    f.insert(f.end(), data.begin(), data.end());
    return f;
  };
  const Bytes scale{0x00, 0x00, 0x00, 0x00, 11, 0x00, 0x01, 2, 1, 30, 5, 60, 6, 78, 2};
  const Bytes text{0x00, 0xE6, 0xD6, 0xD9, 0xC4, 0xE2, 0x40, 0xC1, 0xD5, 0xC4, 0x40, 0xD4, 0xD6, 0xD9, 0xC5,
                   0x05, 0xC3, 0xC5, 0xD5, 0xE3, 0xD9, 0xC5, 0xC4, 0x05, 0xF1, 0xF2, 0xF3, 0xF4, 0x4B, 0xF5,
                   0xF6, 0x03};
  Bytes lines;
  for (unsigned char r = 3; r <= 23; ++r) {
    const Bytes lcd{0x80, 2, 0, r, 0, 0, 0, 0, r, 0, 0, 0, 1};
    lines.push_back(static_cast<unsigned char>(1 + lcd.size() + text.size()));
    lines.insert(lines.end(), lcd.begin(), lcd.end());
    lines.insert(lines.end(), text.begin(), text.end());
  }
  Bytes wrtxt{0x00, 0x80, 0x00, 0x08, 0x00, 0x03, 0x00, 0x02};
  wrtxt.insert(wrtxt.end(), lines.begin(), lines.end());
  Bytes record{0x04, 0xF3};
  for (const Bytes& f : {field(0x34, Bytes{0x00, 0x00, 0x80}), field(0x35, scale), field(0x36, wrtxt)})
    record.insert(record.end(), f.begin(), f.end());
  return record;
}
