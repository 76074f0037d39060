#pragma once
// A screen for the print builders, built from text rows: every position a
// character (its presentation-space byte a character, its local character
// the text), with field attributes and underlines placed by the test.
#include <string>
#include <vector>

#include "print/ScreenPrint.h"

namespace printtest {

class ScreenFixture {
 public:
  ScreenFixture(int rows, int columns) : rows_(rows), columns_(columns) {
    ebcdic_.assign(rows * columns, 0x40);
    local_.assign(rows * columns, ' ');
    attributes_.assign(rows * columns, 0);
  }
  // A screen whose rows are filled with distinct readable text.
  static ScreenFixture Numbered(int rows, int columns) {
    ScreenFixture s(rows, columns);
    for (int r = 0; r < rows; ++r) {
      std::string text = "Row " + std::to_string(r + 1) + ":";
      for (int c = static_cast<int>(text.size()); c < columns; ++c)
        text += static_cast<char>(c % 10 == 9 ? '|' : 'a' + (r + c) % 26);
      s.text(r, 0, text);
    }
    return s;
  }

  int pos(int row, int column) const { return row * columns_ + column; }
  void text(int row, int column, const std::string& t) {
    for (std::size_t i = 0; i < t.size() && column + static_cast<int>(i) < columns_; ++i) {
      local_[pos(row, column) + i] = static_cast<unsigned char>(t[i]);
      ebcdic_[pos(row, column) + i] = t[i] == ' ' ? 0x40 : 0xC1;
    }
  }
  // A field attribute byte (prints as a blank).
  void attribute(int position, unsigned char byte) {
    ebcdic_[position] = byte;
    local_[position] = ' ';
  }
  void control(int position, unsigned char code) {
    ebcdic_[position] = code;
    local_[position] = ' ';
  }
  void underline(int from, int to) {
    for (int p = from; p <= to; ++p) attributes_[p] |= 0x80;
  }
  // The text rows as they should print.
  std::vector<std::string> rowsText() const {
    std::vector<std::string> out;
    for (int r = 0; r < rows_; ++r) out.emplace_back(local_.begin() + pos(r, 0), local_.begin() + pos(r, 0) + columns_);
    return out;
  }

  PrintScreen screen() const {
    PrintScreen s;
    s.rows = rows_;
    s.columns = columns_;
    s.ebcdic = ebcdic_.data();
    s.local = local_.data();
    s.attributes = attributes_.data();
    return s;
  }

 private:
  int rows_, columns_;
  std::vector<unsigned char> ebcdic_, local_;
  std::vector<unsigned short> attributes_;
};

inline std::string AsString(const PrintData& d) {
  return d ? std::string(reinterpret_cast<const char*>(d.data()), d.size) : std::string();
}

inline std::string RightTrimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
  return s;
}

}  // namespace printtest
