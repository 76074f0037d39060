// Host records fed to the data stream manager of a display station. The
// input is one or more records separated by the pair 0xFF 0xEF; its first
// byte picks the display's capabilities (bits 0-3) and how the records
// arrive (bits 4-7): through the host interface and its contention buffer,
// with the operator pressing Enter after each (the read manager), with the
// keyboard in system request state for every other record, with held
// records replayed after each. Every record is read from a copy of exactly
// its size. No record may crash, hang or leak, and after every record the
// station must be consistent: a known sense, an empty arena, the root
// machine waiting for an escape, a valid format table and the cursor on the
// screen. The keyboard offers text assist, so text-assist records set up
// text pages; in text assist, Enter after a record types a character and
// presses Enter in the text, and the text session's share of the save
// stream must restore into the session that wrote it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/DsmSense.h"
#include "datastream/HostInterface.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/TAXlate.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"
#include "tests/support/SaveStreamImage.h"

namespace {

[[noreturn]] void HaltIsAFinding(unsigned short, unsigned short) { std::abort(); }

// The log lines of refused records are expected: they go nowhere.
struct Silence {
  Silence() {
    SetLogSyslogFunction([](int, const char*) {});
    std::freopen("/dev/null", "w", stdout);
  }
};

DisplayCharacteristics Pick(unsigned char b) {
  DisplayCharacteristics c;
  if (b & 0x01) c.word[0] |= 0x00000010u;  // separate message line
  if (b & 0x02) c.word[0] |= 0x00000002u;  // grid lines
  if (b & 0x04) c.word[1] |= 0x04000000u;  // direct output
  if (b & 0x08) c.word[0] &= ~(0x00000200u | 0x08000000u);  // no extended attributes, colour
  if (b & 0x10)  // the larger screens of clear unit alternate
    c.word[1] |= (1u << kWord1Wide27x132Bit) | (1u << kWord1Screen32x80Bit) | (1u << kWord1Screen43x80Bit);
  return c;
}

struct Station {
  explicit Station(DisplayCharacteristics c)
      : rendering(c.bufferSize(), c.rows(), c.columns()),
        screen(c.bufferSize()),
        display(nullptr, &rendering, &host, &tax, c, screen.data()) {
    host.setDisplayObjectPtr(&display);
    // The keyboard's word-processing options: DFTXT is accepted.
    tax.setKeyboardType(0xB0);
  }
  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

// How the records arrive (bits 4-7 of the first byte).
constexpr unsigned char kThroughHost = 0x10;
constexpr unsigned char kEnterAfterEach = 0x20;
constexpr unsigned char kSystemRequestBetween = 0x40;
constexpr unsigned char kReplayAfterEach = 0x80;

void Check(bool ok) {
  if (!ok) std::abort();
}

// The text session's share, written and read back into the same session.
void CheckTextShare(DisplayBag& d) {
  const std::vector<unsigned char> image =
      SaveStream([&](qrnOStream* out) { d.textSession()->saveTextSession(out); }, 4096);
  qrnIStream in(image.data(), image.size());
  Check(!in.checkFCS());
  Check(d.textSession()->restoreTextSession(&in) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 20000) return 0;
  static Silence silence;
  SetErrorHaltHook(HaltIsAFinding);
  Station s(Pick(data[0]));
  const unsigned char how = data[0];
  DataStreamManager& m = s.display.dataStreamManager();
  size_t start = 1;
  for (size_t i = 1; i <= size; ++i) {
    const bool end = i == size || (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0xEF);
    if (!end) continue;
    const size_t n = i - start;
    std::unique_ptr<unsigned char[]> record(new unsigned char[n ? n : 1]);
    if (n) std::memcpy(record.get(), data + start, n);
    KeyboardState& keys = s.display.keyboardState();
    if (how & kSystemRequestBetween) {
      if (keys.state() == KeyboardState::kSystemRequest)
        keys.exitSystemRequestState();
      else
        keys.enterSystemRequestState();
    }
    unsigned int unlocked = 0;
    uint32_t sense;
    if (how & kThroughHost) {
      sense = s.host.processNewDataStream(0, record.get(), static_cast<uint32_t>(n));
      unlocked = s.display.keyboardState().isLockedState() ? 0u : 1u;
    } else {
      sense = m.dsm(DataStreamManager::kRecord, record.get(), static_cast<uint32_t>(n), unlocked);
      s.display.postDatastreamProcessing();
    }
    Check(sense == dsm_sense::kAccepted || sense == dsm_sense::kAnswered ||
          dsm_sense::isNegativeResponse(sense));
    Check(s.host.heldBytes() <= HostInterface::kContentionBufferSize);
    Check(m.arena().isEmpty());
    Check(m.rootMachine().state == 0 && m.rootMachine().child == nullptr);
    Check(m.cursorMovePrepared == 0);
    Check(s.display.formatTable().validateFormatTable(nullptr) == 0);
    Check(s.display.cursor().getCursorOffset() <= s.display.presentationSpace().lastOffset());
    Check(unlocked == (s.display.keyboardState().isLockedState() ? 0u : 1u));
    const bool text = keys.state() == KeyboardState::kWordProcessing;
    if (text) {
      TextSession* t = s.display.textSession();
      Check(t->rows == s.display.rows() && t->cols == s.display.columns());
      Check(t->cursorPos <= s.display.presentationSpace().lastOffset());
      CheckTextShare(s.display);
    }
    if ((how & kEnterAfterEach) && text) {
      s.display.textSession()->datakeys(0xC1);
      s.display.textSession()->enterKey();
    } else if (how & kEnterAfterEach) {
      s.display.readMgr().activateReadProcess(0xF1, 0);
      s.display.postDatastreamProcessing();
    }
    if (how & kReplayAfterEach) {
      const uint32_t replayed = s.host.processBufferedDataStreamsIfNeeded();
      Check(replayed == dsm_sense::kAccepted || replayed == dsm_sense::kAnswered ||
            dsm_sense::isNegativeResponse(replayed));
      Check(m.arena().isEmpty());
    }
    start = i + 2;
    ++i;
  }
  return 0;
}
