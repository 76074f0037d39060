#pragma once
// Helpers the text-assist tests share: rows written and read in a small
// readable alphabet, key sequences, and the independent model of a text line
// (line_model.py, run with python3).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "tests/textassist/TextStation.h"

// A row alphabet: the marks (character and code) a test uses besides
// letters and blanks; digits shown as digits or not. Writing falls back on
// Ebc, reading shows '?' for anything else; trailing nulls ('_') are dropped.
struct RowAlphabet {
  std::vector<std::pair<char, unsigned char>> marks;
  bool digits = true;

  Bytes encode(const std::string& text) const {
    Bytes b;
    for (char c : text) {
      bool found = false;
      for (const auto& m : marks) {
        if (m.first == c) {
          b.push_back(m.second);
          found = true;
          break;
        }
      }
      if (!found) b.push_back(Ebc(std::string(1, c))[0]);
    }
    return b;
  }
  char letter(unsigned char b) const {
    for (const auto& m : marks) {
      if (m.second == b) return m.first;
    }
    if (b == 0x40) return ' ';
    if (b >= 0xC1 && b <= 0xC9) return static_cast<char>('A' + (b - 0xC1));
    if (b >= 0xD1 && b <= 0xD9) return static_cast<char>('J' + (b - 0xD1));
    if (b >= 0xE2 && b <= 0xE9) return static_cast<char>('S' + (b - 0xE2));
    if (digits && b >= 0xF0 && b <= 0xF9) return static_cast<char>('0' + (b - 0xF0));
    return '?';
  }
  std::string show(const Bytes& row) const {
    std::string s;
    for (unsigned char b : row) s.push_back(letter(b));
    while (!s.empty() && s.back() == '_') s.pop_back();
    return s;
  }
};

// The text lines of rows 3..23 for the model's cases: the rows written in
// the case's alphabet from row 3 on (an empty one is a null), the rows below
// empty; the ids "high.low" from `ids`, the rows beyond them numbered on
// (10 + the row's index).0; every line's byte 4 (line flags) `byte4`.
inline Bytes ModelLines(const std::vector<std::string>& rows, const std::vector<std::string>& ids,
                        const std::function<Bytes(const std::string&)>& encode, unsigned char byte4 = 0) {
  Bytes lines;
  for (unsigned int r = 3; r <= 23; ++r) {
    const unsigned int i = r - 3;
    Bytes text = i < rows.size() ? encode(rows[i]) : Bytes{};
    if (text.empty()) text = Bytes{0x00};
    unsigned int high = 10 + i, low = 0;
    if (i < ids.size()) {
      const size_t dot = ids[i].find('.');
      high = static_cast<unsigned int>(std::stoi(ids[i].substr(0, dot)));
      low = static_cast<unsigned int>(std::stoi(ids[i].substr(dot + 1)));
    }
    TextLine l{r, text, high};
    l.newLine = static_cast<unsigned char>(low);
    l.byte4 = byte4;
    lines = lines + LineRecord(l);
  }
  return lines;
}

// Key sequences.
using Keys = std::vector<FunctionWord>;
inline FunctionWord K(unsigned char category, unsigned char code) { return FunctionWord{category, code}; }
inline Keys Repeat(FunctionWord w, unsigned int n) { return Keys(n, w); }
inline Keys operator+(Keys a, const Keys& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline Keys Type(const std::string& text) {
  Keys k;
  for (unsigned char e : Ebc(text)) k.push_back(FunctionWord{10, e});
  return k;
}

// The fields of s between the separators; an empty s has none, a
// trailing separator leaves an empty last field.
inline std::vector<std::string> SplitFields(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::stringstream in(s);
  std::string part;
  while (std::getline(in, part, sep)) out.push_back(part);
  if (!s.empty() && s.back() == sep) out.push_back("");
  return out;
}

// Runs the line model over the given input lines and returns its output
// lines: "python3 line_model.py < FILE", or with a mode, "line_model.py MODE
// FILE" with no standard input.
inline std::vector<std::string> RunLineModel(const std::vector<std::string>& lines, const char* mode = nullptr) {
  char inPath[] = "/tmp/qw-line-model-XXXXXX";
  const int fd = mkstemp(inPath);
  EXPECT_GE(fd, 0);
  close(fd);
  {
    std::ofstream in(inPath);
    for (const std::string& l : lines) in << l << "\n";
  }
  const std::string command = mode ? std::string("python3 ") + QW_LINE_MODEL + " " + mode + " " + inPath +
                                         " < /dev/null"
                                   : std::string("python3 ") + QW_LINE_MODEL + " < " + inPath;
  std::vector<std::string> out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[1024];
    while (fgets(buffer, sizeof buffer, p)) {
      std::string s(buffer);
      if (!s.empty() && s.back() == '\n') s.pop_back();
      out.push_back(s);
    }
    EXPECT_EQ(pclose(p), 0);
  }
  unlink(inPath);
  return out;
}
