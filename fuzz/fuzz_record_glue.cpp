// Random byte streams in random pieces through the record glue: reassembly
// against the end-of-record mark, opcode dispatch, the host interface with
// its contention buffer and the data stream manager of a display station.
// Control bytes of the input choose the pieces:
//   0xFF          the host's end of record
//   0xFE          the operator's next input (held records are replayed)
//   0xFD          Enter posted to the read manager
//   0xFC          system request state toggled (records meet contention)
//   anything else a piece of (byte & 0x3F) + 1 data bytes follows
// Whatever the input, nothing may crash, overflow or halt, every outbound
// record must be framed, and every work buffer must go back.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "datastream/HostInterfaceTCP.h"
#include "datastream/RecordGlue.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/TAXlate.h"

namespace {

// Checks every record the glue sends: a header whose length counts it.
class CheckingLink : public RecordGlueLink {
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
  std::vector<char> current;
};

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

struct Session {
  CheckingLink link;
  std::vector<unsigned char> outbound = std::vector<unsigned char>(kRecordBufferSize);
  std::vector<unsigned char> reassembly = std::vector<unsigned char>(kRecordBufferSize);
  RecordGlue glue{link, outbound.data(), reassembly.data()};
  HostInterfaceTCP host{&glue};
  CountingRendering rendering{3696, 24, 80};
  TAXlate tax;
  std::vector<unsigned char> screen = std::vector<unsigned char>(3696);
  DisplayBag display{nullptr, &rendering, &host, &tax, DisplayCharacteristics(), screen.data()};

  Session() {
    host.setDisplayObjectPtr(&display);
    glue.setHostInterface(&host);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Session s;
  size_t i = 0;
  while (i < size) {
    const uint8_t c = data[i++];
    switch (c) {
      case 0xFF:
        s5250_accept_eor(s.glue);
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
      default: {
        size_t n = (c & 0x3F) + 1u;
        if (n > size - i) n = size - i;
        s5250_accept(s.glue, data + i, n);
        i += n;
        break;
      }
    }
  }
  s5250_accept_eor(s.glue);
  if (s.host.heldBytes() > HostInterface::kContentionBufferSize) std::abort();
  if (s.rendering.outstanding != 0) std::abort();
  return 0;
}
