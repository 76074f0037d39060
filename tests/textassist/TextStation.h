#pragma once
// A display station in text assist: the real data stream manager, display
// station and text session over a recording device whose text timer runs
// the session's periodic update at once (as the window's timer does), and a
// host side that keeps every inbound record. Host records are built from
// named pieces (DFTXT, DFSCL, WRTXT line records, RDTXT).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/InObjGen.h"
#include "keyboard/TAXlate.h"
#include "base/ErrorHalt.h"
#include "tests/display/RecordingRendering.h"

using Bytes = std::vector<unsigned char>;

struct TextHalted {
  unsigned short module, error;
};
inline void TextThrowingHalt(unsigned short module, unsigned short error) { throw TextHalted{module, error}; }

class TimerRendering : public RecordingRendering {
 public:
  using RecordingRendering::RecordingRendering;
  void textTimer(TextSession* session) override {
    RecordingRendering::textTimer(session);
    session->timerUpdate(false);
  }
};

class CapturingHost : public HostInterface {
 public:
  int sendDataToHost(unsigned char* data, unsigned int n, Rendering* r, unsigned int) override {
    sent.emplace_back(data, data + n);
    r->WsFreeBuffer(data);
    return 1;
  }
  std::vector<Bytes> sent;
};

// EBCDIC of upper-case letters, digits and blanks.
inline Bytes Ebc(const std::string& text) {
  Bytes out;
  for (char c : text) {
    unsigned char e = 0x40;
    if (c >= 'A' && c <= 'I') e = static_cast<unsigned char>(0xC1 + (c - 'A'));
    else if (c >= 'J' && c <= 'R') e = static_cast<unsigned char>(0xD1 + (c - 'J'));
    else if (c >= 'S' && c <= 'Z') e = static_cast<unsigned char>(0xE2 + (c - 'S'));
    else if (c >= '0' && c <= '9') e = static_cast<unsigned char>(0xF0 + (c - '0'));
    else if (c == '.') e = 0x4B;
    else if (c == ',') e = 0x6B;
    out.push_back(e);
  }
  return out;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A structured field: length, 0xD9, type, then the data.
inline Bytes Field(unsigned char type, const Bytes& data) {
  const unsigned int n = static_cast<unsigned int>(data.size()) + 4;
  return Bytes{static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, type} + data;
}
inline Bytes Wsf(const Bytes& fields) { return Bytes{0x04, 0xF3} + fields; }

// The text-assist fields.
inline Bytes Dftxt(unsigned char flags, unsigned char flags2, const Bytes& optional = {}) {
  return Field(0x34, Bytes{0x00, flags, flags2} + optional);
}
// The two ruler offsets: left to right (byte 6) and right to left (byte 7).
inline Bytes Dfscl(const Bytes& entries, unsigned char ltr = 0, unsigned char rtl = 0) {
  return Field(0x35, Bytes{0x00, 0x00, ltr, rtl} + entries);
}
// One scale line: id and (column, code) pairs.
inline Bytes ScaleLine(unsigned char id, std::initializer_list<std::pair<int, int>> pairs, unsigned char flags = 0) {
  Bytes e{static_cast<unsigned char>(3 + 2 * pairs.size()), flags, id};
  for (auto p : pairs) {
    e.push_back(static_cast<unsigned char>(p.first));
    e.push_back(static_cast<unsigned char>(p.second));
  }
  return e;
}
inline Bytes Rdtxt() { return Field(0x32, Bytes{0x00, 0x80, 0x00, 0x00}); }

struct TextLine {
  unsigned int row;
  Bytes text;
  unsigned int lineId = 0;
  unsigned char ctl = 0x80;       // clear the row first
  unsigned char spacing = 2;      // single spacing in half lines
  unsigned char byte4 = 0;        // midrange host: line flags
  unsigned char scaleId = 1;
  unsigned char newLine = 0;
};

// The 13 bytes of line control data and the text, with a 1- or 2-byte length.
inline Bytes LineRecord(const TextLine& l, bool twoByteLength = false) {
  Bytes lcd{l.ctl, l.spacing, static_cast<unsigned char>(l.row >> 8), static_cast<unsigned char>(l.row),
            l.byte4, 0x00, 0x00, static_cast<unsigned char>(l.lineId >> 8), static_cast<unsigned char>(l.lineId),
            l.newLine, 0x00, 0x00, l.scaleId};
  const unsigned int n = static_cast<unsigned int>(l.text.size()) + 13 + (twoByteLength ? 2 : 1);
  Bytes head = twoByteLength ? Bytes{static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)}
                             : Bytes{static_cast<unsigned char>(n)};
  return head + lcd + l.text;
}

inline Bytes Wrtxt(unsigned char b5, unsigned char b6, unsigned char wcc, unsigned int row, unsigned int column,
                   const Bytes& lines) {
  Bytes data{0x00, b5, b6, wcc};
  if (row) {
    data.push_back(static_cast<unsigned char>(row >> 8));
    data.push_back(static_cast<unsigned char>(row));
    data.push_back(static_cast<unsigned char>(column >> 8));
    data.push_back(static_cast<unsigned char>(column));
  }
  return Field(0x36, data + lines);
}

// The text lines of rows 3..23: `row3` on row 3, the rows below empty, the
// ids row - 2.
inline Bytes PageLines(const Bytes& row3, bool twoByteLength = false) {
  Bytes lines = LineRecord({3, row3, 1}, twoByteLength);
  for (unsigned int r = 4; r <= 23; ++r) lines = lines + LineRecord({r, Bytes{0x00}, r - 2}, twoByteLength);
  return lines;
}

// A text page: DFTXT with its flags, DFSCL with the scale lines, the lines
// written from row 3 column 2 with the keyboard unlocked, and a read if asked.
inline Bytes PageRecord(unsigned char flags, unsigned char flags2, const Bytes& scales, const Bytes& lines,
                        bool withRead = false) {
  Bytes fields = Dftxt(flags, flags2) + Dfscl(scales) + Wrtxt(0x80, 0x00, 0x08, 3, 2, lines);
  if (withRead) fields = fields + Rdtxt();
  return Wsf(fields);
}

class TextStation {
 public:
  explicit TextStation(DisplayCharacteristics c = DisplayCharacteristics())
      : rendering(c.bufferSize(), c.rows(), c.columns()),
        psBuffer(c.bufferSize()),
        display(nullptr, &rendering, &host, &tax, c, psBuffer.data()) {
    SetErrorHaltHook(TextThrowingHalt);
    // The keyboard's word-processing options.
    tax.setKeyboardType(0xB0);
  }
  ~TextStation() { SetErrorHaltHook(nullptr); }
  TextStation(const TextStation&) = delete;
  TextStation& operator=(const TextStation&) = delete;

  uint32_t run(const Bytes& record) {
    unsigned int unlocked = 0;
    return display.dataStreamManager().dsm(DataStreamManager::kRecord, record.data(),
                                           static_cast<uint32_t>(record.size()), unlocked);
  }
  void key(FunctionWord w) { display.inObjGen().processKeystrokeEvent(&display, &w); }
  void type(const std::string& text) {
    for (unsigned char e : Ebc(text)) key(FunctionWord{10, e});
  }
  void enter() { key(FunctionWord{6, 4}); }
  void tick() { rendering.textTimer(text()); }

  TextSession* text() { return display.textSession(); }
  KeyboardState& keyboard() { return display.keyboardState(); }
  unsigned int cols() { return display.columns(); }
  unsigned int offset(unsigned int row, unsigned int column) { return (row - 1) * cols() + column - 1; }
  Bytes screen(unsigned int at, unsigned int n) {
    Bytes b(n);
    display.presentationSpace().getData(at, n, b.data());
    return b;
  }
  Bytes row(unsigned int r) { return screen(offset(r, 1), cols()); }

  // After a key: with an AID, one record with it went to the host and the
  // keyboard is locked; without one (0) nothing went. The operator error
  // `error` is shown, or none (0).
  void expectOutcome(unsigned char aid, unsigned int error) {
    if (aid) {
      ASSERT_EQ(host.sent.size(), 1u);
      EXPECT_EQ(host.sent[0][2], aid);
      EXPECT_TRUE(keyboard().isLockedState());
    } else {
      EXPECT_TRUE(host.sent.empty());
    }
    EXPECT_EQ(text()->errorFlag(), error != 0);
    if (error) EXPECT_EQ(text()->lastOperatorError(), error);
  }

  TimerRendering rendering;
  CapturingHost host;
  TAXlate tax;
  std::vector<unsigned char> psBuffer;
  DisplayBag display;
};

// R1 of the smallest host records: a text screen, scale line 1 (left margin
// column 2, tab column 10, right margin column 70), 21 text lines (row 3
// "HELLO WORLD" and a carrier return, rows 4..23 empty, ids row - 2), the
// cursor at row 3 column 2 with the keyboard unlocked, and a read.
inline Bytes R1Lines() { return PageLines(Bytes{0x00} + Ebc("HELLO WORLD") + Bytes{0x03}); }
inline Bytes R1(bool withRead = true) {
  return PageRecord(0x00, 0x80, ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}}), R1Lines(), withRead);
}
// R2: a write that only unlocks the keyboard, and a read.
inline Bytes R2() { return Wsf(Wrtxt(0x80, 0x00, 0x08, 0, 0, {}) + Rdtxt()); }
// R3: Clear Unit.
inline Bytes R3() { return Bytes{0x04, 0x40}; }
