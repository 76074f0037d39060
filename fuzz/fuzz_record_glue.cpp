// Random byte streams in random pieces through the record glue: reassembly
// against the end-of-record mark, opcode dispatch with the simulator
// commands and keyboard-table downloads, the host interface with its
// contention buffer, the read manager and the data stream manager of a
// display station with its keyboard translator.
// Control bytes of the input choose the pieces:
//   0xFF          the host's end of record
//   0xFE          the operator's next input (held records are replayed)
//   0xFD          Enter posted to the read manager
//   0xFC          system request state toggled (records meet contention)
//   0xFB          the next byte typed through the keyboard translator
//   anything else a piece of (byte & 0x3F) + 1 data bytes follows
// A record whose header agrees with its bytes is dispatched from a copy of
// exactly its size, so that a read past its end is seen; every other one
// goes the glue's own way (refused). Whatever the input, nothing may crash,
// overflow or halt, every outbound record must be framed, and every work
// buffer must go back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "datastream/HostInterfaceTCP.h"
#include "datastream/RecordGlue.h"
#include "datastream/S5250Simulator.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/GeneratedTables.h"
#include "keyboard/TAXlate.h"
#include "keyboard/XlateTable.h"
#include "keyboard/XlateTableDownload.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

#include "fuzz/FuzzStation.h"

namespace {

// A copy of exactly `n` bytes on the heap (one byte for none).
std::unique_ptr<unsigned char[]> ExactCopy(const unsigned char* data, size_t n) {
  std::unique_ptr<unsigned char[]> copy(new unsigned char[n ? n : 1]);
  if (n) std::memcpy(copy.get(), data, n);
  return copy;
}

// Counts the work buffers taken and returned.
class CountingRendering : public NullRendering {
 public:
  using NullRendering::NullRendering;
  void* WsGetBuffer(unsigned int size) override {
    ++outstanding;
    return std::malloc(size ? size : 1);
  }
  void WsFreeBuffer(void* p) override {
    if (p) --outstanding;
    std::free(p);
  }
  long outstanding = 0;
};

// The session side of the glue: checks every record the glue sends (a
// header whose length counts it), takes table downloads into the
// translator, and runs the simulator commands against the station.
class FuzzLink : public RecordGlueLink, public SimulatorHost {
 public:
  int tel_senddata(const char* data, int length) override {
    if (length < 0) std::abort();
    current.insert(current.end(), data, data + length);
    return 1;
  }
  int tel_sendeor() override {
    if (current.size() < 10) std::abort();
    const size_t declared = (static_cast<size_t>(static_cast<unsigned char>(current[0])) << 8) |
                            static_cast<unsigned char>(current[1]);
    if (declared != current.size() || current.size() > kRecordBufferSize + 10) std::abort();
    current.clear();
    return 1;
  }
  uint32_t loadKeyboardTable(const unsigned char* table, uint32_t length) override {
    // The table is read from a copy of exactly its size.
    std::unique_ptr<unsigned char[]> copy = ExactCopy(table, length);
    if (InstallHostTable(*registry, *taxlate, copy.get(), length) != 0) return kSenseTableData;
    return 0;
  }
  SimulatorHost* simulatorHost() override { return this; }

  DisplayBag* display() override { return station; }
  unsigned int tax(unsigned int kind, const unsigned char* record, unsigned int n) override {
    if (kind > 0xFF) return TAXlate::kRecordRefused;
    if (!record) return taxlate->tax(static_cast<unsigned char>(kind), nullptr, n);
    std::unique_ptr<unsigned char[]> copy = ExactCopy(record, n);
    return taxlate->tax(static_cast<unsigned char>(kind), copy.get(), n);
  }
  void reloadTranslator() override { taxlate->TaxPOR(); }
  void powerOnReset() override { taxlate->TaxPOR(); }
  void keyRecord(const unsigned char* record, unsigned int n) override {
    if (n == 0) return;
    std::unique_ptr<unsigned char[]> copy = ExactCopy(record, n);
    taxlate->tax(0, copy.get(), n);
  }

  std::vector<char> current;
  DisplayBag* station = nullptr;
  TAXlate* taxlate = nullptr;
  XlateTable* registry = nullptr;
};

struct Session {
  FuzzLink link;
  std::vector<unsigned char> outbound = std::vector<unsigned char>(kRecordBufferSize);
  std::vector<unsigned char> reassembly = std::vector<unsigned char>(kRecordBufferSize);
  RecordGlue glue{link, outbound.data(), reassembly.data()};
  HostInterfaceTCP host{&glue};
  CountingRendering rendering{3696, 24, 80};
  alignas(TAXlate) unsigned char taxStorage[sizeof(TAXlate)];
  std::vector<unsigned char> screen = std::vector<unsigned char>(3696);
  DisplayBag display{nullptr, &rendering, &host, reinterpret_cast<TAXlate*>(taxStorage), DisplayCharacteristics(),
                     screen.data()};
  XlateTable registry{BuiltInXlateTables()};
  TAXlate* tax = nullptr;
  std::vector<unsigned char> record;  // the bytes since the last end of record

  Session() {
    tax = new (taxStorage) TAXlate(&display);
    RuName name;
    tax->getDefaultTableRuName(name);
    if (XlateTableInfo* table = registry.FindAndIncrement(name, nullptr)) tax->loadXlateTable(table);
    tax->TaxPOR();
    link.station = &display;
    link.taxlate = tax;
    link.registry = &registry;
    host.setDisplayObjectPtr(&display);
    glue.setHostInterface(&host);
  }
  ~Session() {
    glue.setHostInterface(nullptr);
    tax->~TAXlate();
  }

  void Accept(const unsigned char* data, size_t n) {
    s5250_accept(glue, data, n);
    record.insert(record.end(), data, data + n);
  }
  void EndOfRecord() {
    const size_t n = record.size();
    const bool framed =
        n >= kRecordHeaderSize && n <= kRecordBufferSize && ((static_cast<size_t>(record[0]) << 8) | record[1]) == n;
    if (framed) {
      // What the glue collected is dispatched from an exact copy instead.
      glue.collected = 0;
      glue.seen = 0;
      std::unique_ptr<unsigned char[]> copy = ExactCopy(record.data(), n);
      s5250_dispatch(glue, copy.get(), n);
    } else {
      s5250_accept_eor(glue);
    }
    record.clear();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Silence silence;
  SetErrorHaltHook(HaltIsAFinding);
  Session s;
  size_t i = 0;
  while (i < size) {
    const uint8_t c = data[i++];
    switch (c) {
      case 0xFF:
        s.EndOfRecord();
        break;
      case 0xFE:
        s5250_replay_held(s.glue);
        break;
      case 0xFD:
        s.display.readMgr().activateReadProcess(0xF1, 0);
        break;
      case 0xFC: {
        KeyboardState& k = s.display.keyboardState();
        if (k.state() == KeyboardState::kSystemRequest)
          k.exitSystemRequestState();
        else
          k.enterSystemRequestState();
        break;
      }
      case 0xFB: {
        if (i >= size) break;
        const unsigned char key[2] = {1, data[i++]};
        s.tax->tax(0, key, sizeof key);
        s5250_replay_held(s.glue);
        break;
      }
      default: {
        size_t n = (c & 0x3F) + 1u;
        if (n > size - i) n = size - i;
        s.Accept(data + i, n);
        i += n;
        break;
      }
    }
    s.display.postDatastreamProcessing();
  }
  s.EndOfRecord();
  if (s.host.heldBytes() > HostInterface::kContentionBufferSize) std::abort();
  if (s.rendering.outstanding != 0) std::abort();
  return 0;
}
