// Keypad files come from the keypad customiser and from default paths. The
// text is read as a keypad file; an accepted one must have a sane grid and
// at most 64 buttons of bounded length; every button line is split and its
// action list parsed; labels are converted from UTF-8 with a stand-in
// converter.

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/KeypadFile.h"

namespace {

bool Ascii(const char* s, size_t n, std::string* out, void*) {
  if (n != 1) return false;
  out->assign(s, 1);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  KeypadFile k;
  const KeypadFileError e = ParseKeypadFile(text, &k);
  (void)KeypadFileErrorText(e, "fuzz", k);
  if (e != KeypadFileError::kNone) return 0;
  if (k.rows < 1 || k.cols < 1 || k.rows * k.cols > kMaxKeypadButtons) __builtin_trap();
  if (KeypadCellCount(k) > kMaxKeypadButtons + 1) __builtin_trap();
  if (k.buttonLines.size() > static_cast<size_t>(kMaxKeypadButtons)) __builtin_trap();
  for (const std::string& line : k.buttonLines) {
    if (line.size() > kMaxKeypadLine) __builtin_trap();  // 511 without a feed: the last line
    std::string label, actions, converted;
    if (!SplitKeypadButtonLine(line, &label, &actions)) continue;
    for (const ButtonAction& a : ParseKeypadActions(actions))
      if (a.name.size() > line.size()) __builtin_trap();
    ConvertUtf8Text(label, true, Ascii, nullptr, &converted);
    if (converted.size() > label.size()) __builtin_trap();
  }
  return 0;
}
