// Key sequences in text assist: the input's first bytes define a text page
// (the DFTXT flags, one scale line with its margins and tab stops, the text
// of the rows), the rest are keys of the text-assist keyboard (cursor, data,
// line editing, attribute, centring, stop-code, PF and AID keys, with a
// command-key table of a prompt, locate, delete and the hyphen; cursor draw
// on or off; on a bidirectional page right-to-left rows, pushed segments,
// Arabic or Farsi shaping and the shape keys), mouse clicks
// and what the host does between them (a read, a write that unlocks the
// keyboard). No sequence may halt, crash or hang, and after every key the
// cursor stays on the screen and the session's rows match the display.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/InObjGen.h"
#include "keyboard/TAXlate.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

#include "fuzz/FuzzStation.h"

namespace {

// A text page from the input: DFTXT flags, a scale line, rows 3..23. The
// level byte's bit 0x10 asks for a bidirectional host editor; then a row's
// new-line byte marks it right to left (0x80) or with pushed segments (0x20),
// whose markers take the places of 0x1C and 0x07 in its text.
Bytes Page(Input& in) {
  unsigned char flags = in.byte() & 0xDE;  // never column editing with restricted editing
  const unsigned char levelByte = in.byte();
  const unsigned char level = levelByte & 0x0F;
  const bool bidi = (levelByte & 0x10) != 0;
  if (bidi) flags |= 0x01;
  unsigned char left = 0;
  const Bytes dfscl = ScaleFromInput(in, left);
  static const unsigned char kAlphabet[] = {0x00, 0x40, 0x40, 0xC1, 0xC2, 0xC3, 0xC4, 0x03, 0x05, 0x02,
                                            0x06, 0x0C, 0x1E, 0x24, 0x20, 0x41, 0xCA, 0x1C, 0x07, 0xF1};
  Bytes lines;
  for (unsigned int r = 3; r <= 23; ++r) {
    Bytes text;
    for (unsigned int n = in.byte() % 80; n; --n) text.push_back(kAlphabet[in.byte() % sizeof kAlphabet]);
    if (text.empty()) text.push_back(0x00);
    const unsigned char ctl = static_cast<unsigned char>(0x80 | (in.byte() & 0x46));
    const unsigned char newLine = in.byte();
    const unsigned char lineFlags = bidi ? static_cast<unsigned char>(newLine & 0xA0) : 0;
    if (lineFlags & 0x20)
      for (unsigned char& c : text) c = c == 0x1C ? 0x0B : c == 0x07 ? 0x0D : c;
    AppendLine(lines, ctl, r, lineFlags, r * 2, static_cast<unsigned char>(newLine & 0x03), text);
  }
  return TextPageRecord(flags, level, dfscl, left, lines);
}

FunctionWord Key(Input& in) {
  static const FunctionWord kKeys[] = {
      {1, 1},  {1, 2},  {1, 3},  {1, 4},  {1, 5},  {1, 6},  {1, 7},  {1, 8},  {1, 9},  {1, 10}, {1, 12},
      {1, 13}, {1, 15}, {1, 16}, {1, 17}, {2, 1},  {2, 4},  {2, 5},  {3, 1},  {3, 3},  {3, 5},  {3, 6},
      {3, 15}, {4, 1},  {4, 2},  {4, 3},  {6, 1},  {6, 3},  {6, 7},  {6, 11}, {26, 1}, {26, 2}, {26, 3},
      {26, 4}, {26, 5}, {26, 6}, {26, 7}, {26, 8}, {26, 9}, {26, 10}, {26, 11}, {26, 12}, {26, 13},
      {5, 1},  {5, 2},  {5, 3},  {5, 4},  {5, 5},  {3, 2},  {6, 4},
      // The shape keys: base, initial, middle, final, Farsi base.
      {3, 7},  {3, 18}, {3, 19}, {3, 20}, {3, 21}};
  const uint8_t b = in.byte();
  if (b < 0x80) return kKeys[b % (sizeof kKeys / sizeof kKeys[0])];
  return FunctionWord{10, static_cast<unsigned char>(0xC1 + b % 9)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 8000) return 0;
  static Silence silence;
  SetErrorHaltHook(HaltIsAFinding);
  Input in(data, size);
  Station s;
  if (s.run(Page(in)) != 0) return 0;
  TextSession* t = s.display.textSession();
  // PF2..PF5: a prompt, locate, delete and the hyphen; cursor draw on
  // when the input asks.
  static const unsigned char kKeys[] = {0x00, 0x15, 0xD9, 0x30, 0x04, 7, 2, 1, 0xC6, 0xC9, 0xD5, 0xC4,
                                        3,    3,    2,    3,    4,    5, 3, 5, 6};
  uint32_t sense = 0;
  s.host.textTables().dfcdk(kKeys, sense);
  // The same byte: bit 0 cursor draw, bits 1 and 2 Arabic or Farsi shaping.
  const uint8_t modes = in.byte();
  if (modes & 1) t->modes |= 1u << 22;
  if (modes & 6) {
    s.display.asd().setASDLanguage((modes & 2) ? 1 : 2);
    t->textFlagsA |= 1u << 13;
  }
  const unsigned int last = s.display.presentationSpace().lastOffset();
  for (int steps = 0; steps < 3000 && !in.empty(); ++steps) {
    const uint8_t op = in.byte();
    if (op < 0xE0) {
      FunctionWord w = Key(in);
      s.display.inObjGen().processKeystrokeEvent(&s.display, &w);
    } else if (op < 0xF0) {
      t->c_textmouseclick(static_cast<unsigned int>(in.byte()) << 4 | in.byte());
    } else if (op < 0xF8) {
      // The host reads, then writes a record that unlocks the keyboard.
      s.run(Bytes{0x04, 0xF3, 0x00, 0x08, 0xD9, 0x32, 0x00, 0x80, 0x00, 0x00});
      s.run(Bytes{0x04, 0xF3, 0x00, 0x08, 0xD9, 0x36, 0x00, 0x80, 0x00, 0x08});
    } else {
      t->c_textreset();
    }
    Check(t->cursorPos <= last);
    Check(s.display.cursor().getCursorOffset() <= last);
    if (s.display.keyboardState().state() == KeyboardState::kWordProcessing)
      Check(t->rows == s.display.rows() && t->cols == s.display.columns());
  }
  return 0;
}
