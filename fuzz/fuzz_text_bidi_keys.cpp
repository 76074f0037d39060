// Key sequences in text assist under a bidirectional host editor: the
// input's first bytes define a text page whose rows run left to right or
// right to left and may carry segments of the other direction (0x0B ...
// 0x0D), with one scale line (margins and tab stops); the rest are data
// keys and the editing keys that act on such rows (insert, push, end push,
// tab, required tab, centring, carrier return, backspace, cursor keys),
// mouse clicks and what the host does between them. No sequence may halt,
// crash or hang, and after every key the cursor stays on the screen.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/InObjGen.h"
#include "keyboard/TAXlate.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

#include "fuzz/FuzzStation.h"

namespace {

// A text page from the input: DFTXT flags, a scale line, rows 3..23.
Bytes Page(Input& in) {
  // A bidirectional host editor; never column editing with restricted editing.
  const unsigned char flags = static_cast<unsigned char>((in.byte() & 0x5E) | 0x01);
  const unsigned char level = in.byte() & 0x0F;
  unsigned char left = 0;
  const Bytes dfscl = ScaleFromInput(in, left);
  static const unsigned char kAlphabet[] = {0x00, 0x40, 0x40, 0xC1, 0xC2, 0xC3, 0xC4, 0x03, 0x05, 0x02, 0x06,
                                            0x0C, 0x1E, 0x24, 0x20, 0x41, 0xCA, 0x0B, 0x0D, 0xF1, 0x40};
  Bytes lines;
  for (unsigned int r = 3; r <= 23; ++r) {
    Bytes text;
    for (unsigned int n = in.byte() % 80; n; --n) text.push_back(kAlphabet[in.byte() % sizeof kAlphabet]);
    if (text.empty()) text.push_back(0x00);
    const unsigned char ctl = static_cast<unsigned char>(0x80 | (in.byte() & 0x46));
    // Line flags: right to left, segments marked by 0x0B/0x0D.
    const unsigned char lineFlags = static_cast<unsigned char>(in.byte() & 0xA0);
    const unsigned char newLine = static_cast<unsigned char>(in.byte() & 0x03);
    AppendLine(lines, ctl, r, lineFlags, r * 2, newLine, text);
  }
  return TextPageRecord(flags, level, dfscl, left, lines);
}

FunctionWord Key(Input& in) {
  // Cursor keys, backspace, tab, required tab, carrier return, insert,
  // end push, push, reset, centring, attributes, required space, Enter.
  static const FunctionWord kKeys[] = {{1, 2},  {1, 3},  {1, 6},  {1, 7},  {1, 8},  {1, 12}, {1, 15},
                                       {1, 16}, {1, 17}, {2, 5},  {3, 1},  {3, 5},  {3, 6},  {4, 1},
                                       {26, 9}, {26, 1}, {26, 8}, {26, 10}, {6, 4}, {1, 10}};
  const uint8_t b = in.byte();
  if (b < 0x60) return kKeys[b % (sizeof kKeys / sizeof kKeys[0])];
  return FunctionWord{10, static_cast<unsigned char>(b < 0xB0 ? 0xC1 + b % 9 : (b < 0xD0 ? 0x40 : 0xF0 + b % 10))};
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
