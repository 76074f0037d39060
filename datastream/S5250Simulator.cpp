#include "datastream/S5250Simulator.h"

#include <cstring>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "base/LogMsg.h"

namespace {

// The largest reply: a status byte and a whole plane.
constexpr size_t kReplyRoom = 4096;
constexpr unsigned int kLargestPlaneStart = 3696;
static_assert(kReplyRoom >= kLargestPlaneStart + 1, "a plane reply fits");
static_assert(kReplyRoom >= kDisplayInformationSize, "the display information reply fits");

constexpr unsigned char kStatusOk = 0x00;
constexpr unsigned char kStatusUnsupported = 0x03;
constexpr unsigned char kStatusBadPosition = 0x09;
constexpr unsigned char kStatusBadPlane = 0x0A;
// The key type of a double-byte key string for the keyboard glue.
constexpr unsigned char kKeyTypeDoubleByte = 2;

const char* const kDeviceTypes[] = {"3179", "3180", "3196", "3197", "3476", "3477", "3487",
                                    "3488", "3489", "5250", "5251", "5291", "5292", "5555"};
const char* const kDeviceModels[] = {"001", "011", "999"};

bool Bit(unsigned int word, unsigned int bit) { return ((word >> bit) & 1u) != 0; }

int Reply(RecordGlue& glue, const unsigned char* header, const unsigned char* data, size_t n) {
  return s5250_send_direct(glue, header, data, n);
}

int ReplyByte(RecordGlue& glue, const unsigned char* header, unsigned char status) {
  return Reply(glue, header, &status, 1);
}

void ReplayHeld(RecordGlue& glue) { s5250_replay_held(glue); }

// Command 3: cursor and the status bytes built from the indicator word I and
// the control word C of the station.
void CursorAndStatus(RecordGlue& glue, DisplayBag& d, unsigned char* out) {
  const unsigned int c = d.controlData().controlWord();
  const unsigned int i = d.indicators().current().get();
  out[0] = kStatusOk;
  out[1] = static_cast<unsigned char>(d.cursor().getCursorRow());
  out[2] = static_cast<unsigned char>(d.cursor().getCursorColumn());
  unsigned char b3 = 0, b4 = 0x01, b5 = 0, b6 = 0;
  if (Bit(i, 31)) b3 |= 0x80;
  if (Bit(i, 30)) b3 |= 0x40;
  if (Bit(i, 29) || Bit(i, 25)) b3 |= 0x20;
  if (Bit(i, 28)) b3 |= 0x10;
  if (Bit(i, 27)) b3 |= 0x08;
  if (Bit(i, 23) || Bit(i, 21)) b3 |= 0x04;
  if (Bit(i, 26)) b3 |= 0x02;
  if (Bit(i, 25)) b4 |= 0x80;
  if (Bit(i, 24)) b4 |= 0x40;
  if (Bit(i, 23)) b4 |= 0x20;
  if (Bit(i, 22)) b4 |= 0x10;
  if (Bit(i, 21)) b4 |= 0x08;
  if (Bit(c, 31)) b5 |= 0x80;
  if (glue.simulatorMode) b5 |= 0x40;
  if (Bit(c, 30)) b5 |= 0x20;
  if (Bit(c, 29)) b5 |= 0x08;
  if (Bit(c, 28)) b5 |= 0x02;
  if (Bit(c, 27)) b5 |= 0x01;
  if (d.columns() > 80 || d.rows() > 24) b6 = 0x08;
  out[3] = b3;
  out[4] = b4;
  out[5] = b5;
  out[6] = b6;
}

// Command 4: the message line as the keyboard shows it.
size_t MessageLine(DisplayBag& d, unsigned char* out, size_t room) {
  const KeyboardState::State s = d.keyboardState().state();
  const bool error = s == KeyboardState::kSystemRequest || s == KeyboardState::kError ||
                     s == KeyboardState::kPostHelpError ||
                     (s == KeyboardState::kWordProcessing && d.textSession() && d.textSession()->errorFlag());
  const unsigned int columns = d.columns();
  out[0] = kStatusOk;
  out[1] = error ? 0x03 : 0x00;
  out[2] = static_cast<unsigned char>(columns);
  size_t n = 3;
  const unsigned int row = d.keyboardState().errorRow();  // 1-based
  PresentationSpaceScreenBuffer& ps = d.presentationSpace();
  const unsigned int first = row ? (row - 1) * columns : 0;
  for (unsigned int k = 0; k < columns && n < room; ++k)
    out[n++] = first + k <= ps.lastOffset() ? ps.getCharacter(first + k) : 0x00;
  return n;
}

ScreenBuffer* Plane(DisplayBag& d, unsigned int plane) {
  switch (plane) {
    case 0:
      return &d.presentationSpace();
    case 1:
      return &d.primaryPlane();
    case 2:
      return &d.secondaryPlane();
    case 3:
      return &d.colourPlane();
    default:
      return nullptr;
  }
}

bool InList(const unsigned char* p, size_t n, const char* const* list, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (std::memcmp(p, list[i], n) == 0) return true;
  return false;
}

unsigned int OpenParameters(RecordGlue& glue, SimulatorHost& sim, const unsigned char* cmd, size_t n) {
  // Device type (4 ASCII digits) and model (3 ASCII digits) follow the
  // command byte.
  if (n < 8 || !InList(cmd + 1, 4, kDeviceTypes, sizeof kDeviceTypes / sizeof kDeviceTypes[0]) ||
      !InList(cmd + 5, 3, kDeviceModels, sizeof kDeviceModels / sizeof kDeviceModels[0]))
    return kStatusUnsupported;
  glue.simulatorMode = 1;
  if (HostInterface* host = glue.hostInterface()) host->setSimulatorPrefix(1);
  const bool changed = check_device_type(glue, cmd + 1) != 0;
  for (int k = 0; k < 4; ++k) glue.deviceType[k] = static_cast<unsigned char>(cmd[1 + k] | 0xF0);
  for (int k = 0; k < 3; ++k) glue.deviceModel[k] = static_cast<unsigned char>(cmd[5 + k] | 0xF0);
  if (DisplayBag* d = sim.display()) d->characteristicsForQuery().setDevice(glue.deviceType, glue.deviceModel);
  if (changed) sim.reloadTranslator();
  if (DisplayBag* d = sim.display()) d->readMgr().resetPendingAid();
  if (HostInterface* host = glue.hostInterface()) {
    static const unsigned char clearUnit[2] = {0x04, 0x40};
    unsigned int unlocked = 0;
    host->runDataStream(0, clearUnit, sizeof clearUnit, unlocked);
  }
  return kStatusOk;
}

}  // namespace

int check_device_type(const RecordGlue& glue, const unsigned char* parms) {
  for (int k = 0; k < 4; ++k)
    if (static_cast<unsigned char>(parms[k] | 0xF0) != glue.deviceType[k]) return 1;
  return 0;
}

unsigned int sim_cmd_proc(RecordGlue& glue, const unsigned char* cmd, size_t n,
                          const unsigned char header[kRecordHeaderSize]) {
  SimulatorHost* sim = glue.link().simulatorHost();
  if (!cmd || n == 0 || !sim) {
    ReplyByte(glue, header, kStatusUnsupported);
    return 0;
  }
  DisplayBag* d = sim->display();
  unsigned char reply[kReplyRoom];
  unsigned int result = 0;
  switch (cmd[0]) {
    case 1:
      for (size_t k = 2; k < n; ++k) {
        if (cmd[k] == 0) continue;
        const unsigned int rc = sim->tax(0, cmd + k, 1);
        ReplayHeld(glue);
        if (rc) break;
      }
      sim->flush();
      ReplyByte(glue, header, kStatusOk);
      return 0;
    case 2:
      if (n < 41) break;
      result = sim->tax(1, cmd + 1, 40);
      ReplayHeld(glue);
      sim->flush();
      ReplyByte(glue, header, kStatusOk);
      return result == 0xFF ? 0xFF : 0;
    case 3:
      if (!d) break;
      CursorAndStatus(glue, *d, reply);
      sim->flush();
      Reply(glue, header, reply, 7);
      return 0;
    case 4:
      if (!d) break;
      sim->flush();
      Reply(glue, header, reply, MessageLine(*d, reply, sizeof reply));
      return 0;
    case 5: {
      if (!d || n < 4) break;
      const unsigned int start = (static_cast<unsigned int>(cmd[2]) << 8) | cmd[3];
      ScreenBuffer* plane = Plane(*d, cmd[1]);
      const unsigned int last = d->presentationSpace().lastOffset();
      if (!plane) return ReplyByte(glue, header, kStatusBadPlane), 0;
      if (start >= last || start > kLargestPlaneStart) return ReplyByte(glue, header, kStatusBadPosition), 0;
      const unsigned int count = last - start + 1;
      if (count + 1 > sizeof reply) return ReplyByte(glue, header, kStatusBadPosition), 0;
      sim->flush();
      reply[0] = kStatusOk;
      plane->getData(start, count, reply + 1);
      Reply(glue, header, reply, count + 1);
      return 0;
    }
    case 6: {
      if (!d) break;
      // The window keeps no marked position here: only the explicit form.
      if (n < 4 || cmd[1] != 0x80 || cmd[2] == 0 || cmd[3] == 0)
        return ReplyByte(glue, header, kStatusBadPosition), 0;
      const unsigned int offset = (cmd[2] - 1u) * d->columns() + (cmd[3] - 1u);
      if (cmd[3] > d->columns() || offset > d->presentationSpace().lastOffset())
        return ReplyByte(glue, header, kStatusBadPosition), 0;
      reply[0] = kStatusOk;
      reply[1] = 0;
      reply[2] = d->presentationSpace().getCharacter(offset);
      Reply(glue, header, reply, 3);
      return 0;
    }
    case 7: {
      const size_t length = n - 1;
      if (length > 128)
        sim->tax(4, nullptr, 0x1F);
      else
        sim->tax(2, cmd + 1, static_cast<unsigned int>(length));
      sim->flush();
      ReplyByte(glue, header, kStatusOk);
      return 0;
    }
    case 8:
      if (n >= 3 && (cmd[1] & 0x40)) sim->tax(3, cmd + 1, 2);
      sim->flush();
      ReplyByte(glue, header, kStatusOk);
      return 0;
    case 11:
      ReplyByte(glue, header, OpenParameters(glue, *sim, cmd, n));
      return 0;
    case 12:
      sim->powerOnReset();
      sim->flush();
      ReplyByte(glue, header, kStatusOk);
      return 0;
    case 13:
      sim->flush();
      std::memset(reply, 0, kDisplayInformationSize);
      sim->readDisplayInformation(reply, kDisplayInformationSize);
      reply[0] = kStatusOk;
      Reply(glue, header, reply, kDisplayInformationSize);
      return 0;
    case 14: {
      static const unsigned char version[10] = {0x00, 0x09, 0x09, 0x09, 0x11, 0x09, 0x95, 0x11, 0x59, 0x59};
      Reply(glue, header, version, sizeof version);
      return 0;
    }
    case 15: {
      const unsigned int sub = n > 1 ? cmd[1] : 0;
      unsigned char status = kStatusOk;
      unsigned char value = 0;
      if (sub >= 1 && sub <= 3) {
        if (n < 3) break;
        value = sim->editFunction(sub, cmd[2], status);
      } else if (sub == 4) {
        // The key string's length (bytes 2-3), then the string: a key record
        // of type 2 (double-byte input) for the keyboard glue.
        if (n < 4) break;
        const size_t length = (static_cast<size_t>(cmd[2]) << 8) | cmd[3];
        if (length > n - 4 || length + 1 > sizeof reply) break;
        sim->useJapanese();
        glue.hostKeyboardTable = 0;
        reply[0] = kKeyTypeDoubleByte;
        std::memcpy(reply + 1, cmd + 4, length);
        sim->keyRecord(reply, static_cast<unsigned int>(length + 1));
      } else if (sub == 5) {
        value = sim->editFunction(5, 0, status);
      } else if (sub == 6) {
        if (n >= 3 && cmd[2] == 1) {
          static const unsigned char key[1] = {0x0B};
          glue.hostKeyboardTable = 0;
          sim->keyRecord(key, 1);
        }
        ReplyByte(glue, header, kStatusOk);
        return 0;
      } else {
        break;
      }
      reply[0] = status;
      reply[1] = value;
      Reply(glue, header, reply, 2);
      return 0;
    }
    default:
      break;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "s5250: simulator command %u not supported.\n", cmd[0]);
  ReplyByte(glue, header, kStatusUnsupported);
  return 0;
}
