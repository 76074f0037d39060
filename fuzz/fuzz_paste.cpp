// Copied data from another X client pasted into the fields of a station:
// any descriptor (kind bits, start and end cells, the copied screen's
// columns, rows with their own lengths) over any data, at the cursor or at a
// click. Nothing may halt, crash, read past the data or keep the device's
// buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <vector>

#include "base/ErrorHalt.h"
#include "datastream/HostInterface.h"
#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/NullRendering.h"
#include "keyboard/GeneratedTables.h"
#include "keyboard/InObjGen.h"
#include "keyboard/TAXlate.h"
#include "keyboard/XlateTable.h"

#include "fuzz/FuzzStation.h"

namespace {

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // flags, start, end, columns (4 bytes each), then a control byte: bit 0
  // paste at the pointer, bit 1 by a click, bits 2-7 the cursor's row.
  if (size < 17) return 0;
  SetErrorHaltHook(HaltIsAFinding);
  {
    CopyRendering rendering;
    HostInterface host;
    std::vector<unsigned char> screen(3696);
    alignas(TAXlate) unsigned char taxStorage[sizeof(TAXlate)];
    DisplayBag display(nullptr, &rendering, &host, reinterpret_cast<TAXlate*>(taxStorage), DisplayCharacteristics(),
                       screen.data());
    TAXlate* tax = new (taxStorage) TAXlate(&display);
    XlateTable registry(BuiltInXlateTables());
    RuName name;
    tax->getDefaultTableRuName(name);
    if (XlateTableInfo* table = registry.FindAndIncrement(name, nullptr)) tax->loadXlateTable(table);
    tax->TaxPOR();
    FormatTable& t = display.formatTable();
    for (unsigned int row = 0; row < 23; row += 2) {
      EntryField* e = static_cast<EntryField*>(t.createField(row % 4 ? kLTRField : kWordWrapField, nullptr, 0));
      if (e) t.createEntryFieldSegment(e, row * 80 + 5, row * 80 + 60, 1);
    }
    rendering.copy.flags = Word(data) | CopiedDataInformation::kDataPresent;
    rendering.copy.startCell = Word(data + 4);
    rendering.copy.endCell = Word(data + 8);
    rendering.copy.word3 = Word(data + 12);
    const uint8_t control = data[16];
    rendering.data.assign(data + 17, data + size);
    display.options().pasteAtPointer = control & 1;
    display.cursor().moveCursorToNewArea(static_cast<int>(((control >> 2) % 24) * 80 + 5), CursorOffsetAsShown);
    const unsigned int click = (Word(data + 4) ^ Word(data + 8)) % 1920;
    FunctionWord word{27, 13};
    if (control & 2)
      display.inObjGen().processMouseEvent(&display, &word, click);
    else
      display.inObjGen().processMenuEvent(&display, InObjGen::kMenuPaste);
    tax->~TAXlate();
  }
  SetErrorHaltHook(nullptr);
  return 0;
}
