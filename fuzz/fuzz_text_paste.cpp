// Copied data from another X client pasted into a text-assist page: any
// descriptor (kind bits, start and end cells, the copied screen's columns)
// over any data, by the edit menu at the cursor or by the shifted right
// button at a click, in replace or insert mode, on a page whose rows the
// input writes too; then a menu Cut of a range and a double click. Nothing
// may halt, crash, hang, read past the data or keep the device's buffer,
// and the cursor stays on the screen.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "base/ErrorHalt.h"
#include "base/LogMsg.h"
#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/InObjGen.h"
#include "keyboard/TAXlate.h"

#include "fuzz/FuzzStation.h"

namespace {

// Scale line 1 (margins 2 and 70), rows 3..23 of text drawn from `text`,
// and the read that unlocks the keyboard for the text.
Bytes Page(const uint8_t* text, size_t n, unsigned char flags2) {
  static const unsigned char kAlphabet[] = {0x00, 0x40, 0xC1, 0xC2, 0x03, 0x05, 0x06, 0x1C, 0x07, 0x1D, 0x24, 0x0B};
  Bytes lines;
  const bool twoBytes = flags2 & 0x40;
  for (unsigned int r = 3; r <= 23; ++r) {
    Bytes t{0x00};
    for (unsigned int i = 0; i < 12 && (r - 3) * 12 + i < n; ++i)
      t.push_back(kAlphabet[text[(r - 3) * 12 + i] % sizeof kAlphabet]);
    Bytes lcd{0x80, 2, 0, static_cast<unsigned char>(r), 0, 0, 0, 0, static_cast<unsigned char>(r), 0, 0, 0, 1};
    const unsigned int length = static_cast<unsigned int>(lcd.size() + t.size()) + (twoBytes ? 2 : 1);
    if (twoBytes) lines.push_back(static_cast<unsigned char>(length >> 8));
    lines.push_back(static_cast<unsigned char>(length));
    lines.insert(lines.end(), lcd.begin(), lcd.end());
    lines.insert(lines.end(), t.begin(), t.end());
  }
  Bytes wrtxt{0x00, 0x80, 0x00, 0x08, 0x00, 0x03, 0x00, 0x02};
  wrtxt.insert(wrtxt.end(), lines.begin(), lines.end());
  Bytes record{0x04, 0xF3};
  for (const Bytes& f : {Field(0x34, Bytes{0x00, 0x00, flags2}), Field(0x35, Bytes{0, 0, 0, 0, 7, 0, 1, 2, 1, 70, 2}),
                         Field(0x36, wrtxt), Field(0x32, Bytes{0x00, 0x80, 0x00, 0x00})})
    record.insert(record.end(), f.begin(), f.end());
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // flags, start, end, columns (4 bytes each), a control byte (bit 0 paste
  // at the pointer, bit 1 by a click, bit 2 insert mode, bit 3 attribute
  // planes, bit 4 the copy came from a text page, bits 5-7 the cursor's
  // row), the page's text length, the page's text, then the copied data.
  if (size < 18 || size > 6000) return 0;
  static Silence silence;
  SetErrorHaltHook(HaltIsAFinding);
  {
    CopyRendering rendering;
    HostInterface host;
    TAXlate tax;
    Bytes screen(3696);
    DisplayBag display(nullptr, &rendering, &host, &tax, DisplayCharacteristics(), screen.data());
    host.setDisplayObjectPtr(&display);
    tax.setKeyboardType(0xB0);
    const uint8_t control = data[16];
    const size_t pageText = data[17] < size - 18 ? data[17] : size - 18;
    const Bytes page = Page(data + 18, pageText, (control & 8) ? 0xC0 : 0x80);
    unsigned int unlocked = 0;
    if (display.dataStreamManager().dsm(DataStreamManager::kRecord, page.data(), static_cast<uint32_t>(page.size()),
                                        unlocked) == 0) {
      display.postDatastreamProcessing();
      TextSession* t = display.textSession();
      // PF4 deletes: the cut may hand a range to the host.
      static const unsigned char kKeys[] = {0x00, 0x0B, 0xD9, 0x30, 0x04, 6, 4, 5, 0xC4, 0xC5, 0xD3};
      uint32_t sense = 0;
      host.textTables().dfcdk(kKeys, sense);
      rendering.copy.flags = Word(data) | CopiedDataInformation::kDataPresent;
      rendering.copy.startCell = Word(data + 4);
      rendering.copy.endCell = Word(data + 8);
      rendering.copy.word3 = Word(data + 12);
      rendering.copy.textAssist = (control & 16) ? 1 : 0;
      rendering.data.assign(data + 18 + pageText, data + size);
      display.options().pasteAtPointer = control & 1;
      display.options().set(StationOptions::kCopyPaste, true);
      if (control & 4) {
        FunctionWord insert{3, 1};
        display.inObjGen().processKeystrokeEvent(&display, &insert);
      }
      t->moveCursor(((3 + (control >> 5)) - 1) * 80 + 1 + (data[4] % 70), Plane0);
      const unsigned int click = (Word(data + 4) ^ Word(data + 8)) % 2000;
      FunctionWord word{27, 13};
      if (control & 2)
        display.inObjGen().processMouseEvent(&display, &word, click);
      else
        display.inObjGen().processMenuEvent(&display, InObjGen::kMenuPaste);
      const unsigned int last = display.presentationSpace().lastOffset();
      Check(t->cursorPos <= last);
      // A menu Cut of a range after Reset, and a double click.
      t->c_textreset();
      const unsigned int from = Word(data + 12) % 1920, to = from + data[3] % 200;
      FunctionWord shiftPress{27, 10}, move{27, 0}, shiftRelease{27, 11}, cut{3, 33}, twice{27, 3};
      display.inObjGen().processMouseEvent(&display, &shiftPress, from);
      display.inObjGen().processMouseEvent(&display, &move, to % 1920);
      display.inObjGen().processMouseEvent(&display, &shiftRelease, to % 1920);
      display.inObjGen().processKeystrokeEvent(&display, &cut);
      Check(t->cursorPos <= last);
      display.inObjGen().processMouseEvent(&display, &twice, click);
      Check(t->cursorPos <= last);
    }
  }
  SetErrorHaltHook(nullptr);
  return 0;
}
