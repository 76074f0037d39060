// Key records, device records and host table downloads into the keyboard
// translator of a whole display station, mixed with what the host does to
// the keyboard between them (lock, unlock, errors, type-ahead switches).
// Nothing the operator or the host sends may halt, crash, hang or leak.
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/NullRendering.h"
#include "keyboard/GeneratedTables.h"
#include "keyboard/TAXlate.h"
#include "keyboard/XlateTable.h"
#include "keyboard/XlateTableDownload.h"
#include "base/ErrorHalt.h"

namespace {

[[noreturn]] void AbortOnHalt(unsigned short, unsigned short) { std::abort(); }

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  // Up to `n` bytes (fewer at the end).
  std::vector<uint8_t> bytes(size_t n) {
    std::vector<uint8_t> v;
    while (n-- && at_ < size_) v.push_back(data_[at_++]);
    return v;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

struct KeyboardStation {
  explicit KeyboardStation(uint8_t keyboardType)
      : rendering(3696, 24, 80),
        screen(3696),
        display(nullptr, &rendering, &host, reinterpret_cast<TAXlate*>(taxStorage), DisplayCharacteristics(),
                screen.data()),
        registry(BuiltInXlateTables()) {
    tax = new (taxStorage) TAXlate(&display);
    FormatTable& t = display.formatTable();
    EntryField* e = static_cast<EntryField*>(t.createField(kLTRField, nullptr, 0));
    t.createEntryFieldSegment(e, 10, 29, 1);
    tax->setKeyboardType(keyboardType);
    RuName name;
    tax->getDefaultTableRuName(name);
    if (XlateTableInfo* table = registry.FindAndIncrement(name, nullptr)) tax->loadXlateTable(table);
    tax->TaxPOR();
    display.readMgr().setReadPending(1);
    tax->tawsmtcb();
  }
  ~KeyboardStation() { tax->~TAXlate(); }

  alignas(TAXlate) unsigned char taxStorage[sizeof(TAXlate)];
  NullRendering rendering;
  HostInterface host;
  std::vector<unsigned char> screen;
  DisplayBag display;
  XlateTable registry;
  TAXlate* tax = nullptr;
};

void HostAction(KeyboardStation& st, uint8_t what) {
  KeyboardState& k = st.display.keyboardState();
  TAXlate& t = *st.tax;
  switch (what % 14) {
    case 0: k.enterNormalLockedState(); break;
    case 1: k.enterNormalUnlockState(); break;
    case 2: st.display.readMgr().setReadPending(what & 0x10); break;
    case 3: k.exitErrorState(); break;
    case 4: k.enterErrorState(what, 0, 1, 0, 0); break;
    case 5: t.TAOverride(what >> 4); break;
    case 6: (what & 0x10) ? t.turnTAOnCtl() : t.turnTAOffCtl(); break;
    case 7: (what & 0x10) ? t.turnTAOnDev(what & 0x20) : t.turnTAOffDev(what & 0x20); break;
    case 8: t.clrTABuf(); break;
    case 9: t.resetTaxlate(); break;
    case 10: t.TaxPOR(); break;
    case 11: st.display.options().optionWord ^= (what & 0x10) ? 0x00200000u : StationOptions::kHiddenDataCheck;
      break;
    case 12: k.enterSystemRequestState(); break;
    default: break;
  }
  st.display.postDatastreamProcessing();
}

void Download(KeyboardStation& st, Input& in) {
  const uint8_t how = in.byte();
  std::vector<uint8_t> table;
  if (how & 1) {
    // A built-in table with a few changes: deep enough to be taken.
    const unsigned int i = (how >> 1) % keyboard_data::kBuiltInTableCount;
    const unsigned char* b = keyboard_data::kBuiltInTables[i];
    table.assign(b, b + keyboard_data::kBuiltInTableLengths[i]);
    for (uint8_t n = in.byte() % 8; n && !in.empty(); --n) {
      const size_t at = (static_cast<size_t>(in.byte()) << 8 | in.byte()) % (table.size() + 64);
      if (at >= table.size()) table.resize(at + 1, 0);
      table[at] = in.byte();
    }
    if (how & 0x40) table.resize(table.size() > 8 ? table.size() - (in.byte() % 64) : 0);
  } else {
    table = in.bytes(static_cast<size_t>(in.byte()) << 3);
  }
  InstallHostTable(st.registry, *st.tax, table.data(), table.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetErrorHaltHook(AbortOnHalt);
  Input in(data, size);
  KeyboardStation st(in.byte());
  for (int steps = 0; steps < 4000 && !in.empty(); ++steps) {
    const uint8_t op = in.byte();
    switch (op % 8) {
      case 0:
      case 1: {
        const uint8_t scan = in.byte();
        st.tax->tax(0, &scan, 1);
        break;
      }
      case 2: {
        std::vector<uint8_t> r = in.bytes(1 + in.byte() % 4);
        st.tax->tax(0, r.data(), r.size());
        break;
      }
      case 3: {
        std::vector<uint8_t> r = in.bytes(in.byte() % 48);
        st.tax->tax(1, r.data(), r.size());
        break;
      }
      case 4: {
        std::vector<uint8_t> r = in.bytes(in.byte() % 4);
        st.tax->tax(static_cast<unsigned char>(2 + (op >> 3) % 8), r.data(), r.size());
        break;
      }
      case 5:
        HostAction(st, in.byte());
        break;
      case 6:
        Download(st, in);
        break;
      default: {
        // A run of the same key: fills the type-ahead queue quickly.
        const uint8_t scan = in.byte();
        for (int n = in.byte() * 5; n > 0; --n) st.tax->tax(0, &scan, 1);
        break;
      }
    }
  }
  return 0;
}
