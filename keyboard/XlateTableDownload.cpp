#include "keyboard/XlateTableDownload.h"

#include <climits>
#include <cstring>

#include "keyboard/TAXlate.h"
#include "keyboard/XlateTable.h"
#include "base/LogMsg.h"

namespace {
constexpr unsigned char kName1 = 0xF1, kName6 = 0xF6;
}

int InstallHostTable(XlateTable& registry, TAXlate& tax, const unsigned char* table, unsigned long length) {
  if (!table || length < XlateTable::kHeaderLength) return kXlateTableTooShort;
  const int size = length > static_cast<unsigned long>(INT_MAX) ? INT_MAX : static_cast<int>(length);

  // The name: the active one with the keyboard code of the new table.
  RuName name;
  if (XlateTableInfo* old = tax.activeTable()) std::memcpy(name.bytes, old->name, 8);
  else tax.getDefaultTableRuName(name);
  name.bytes[6] = table[18];
  name.bytes[7] = table[19];
  const unsigned int code = static_cast<unsigned int>(table[18]) << 8 | table[19];
  if (name.bytes[3] == kName6) name.bytes[3] = kName1;
  if (code == kKeyboardBH || code == kKeyboardCA || code == kKeyboardCB) name.bytes[3] = kName6;
  else if (code == kKeyboardBK) name.bytes[3] = kName1;
  char qualifier[14];
  std::memcpy(qualifier, table + 24, sizeof qualifier);

  XlateTableInfo* info = registry.FindAndIncrement(name, qualifier);
  if (!info) {
    if (!registry.CheckSpace(size)) return kXlateTableNoRoom;
    if (const int refused = registry.AddTable(table, size, info)) {
      LogMsg(LevelDebug, "QWC0413 keyboard table refused: %d\n", refused);
      return refused;
    }
  }
  XlateTableInfo* old = tax.activeTable();
  tax.setUsesHostTables(true);
  tax.loadXlateTable(info);
  tax.TaxPOR();
  if (old) registry.DecrementAndDelete(old);
  return 0;
}
