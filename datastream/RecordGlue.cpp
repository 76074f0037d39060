#include "datastream/RecordGlue.h"

#include <cstring>

#include "datastream/HostInterface.h"
#include "datastream/S5250Simulator.h"
#include "base/LogMsg.h"

namespace {

unsigned int Get16(const unsigned char* p) { return (static_cast<unsigned int>(p[0]) << 8) | p[1]; }

uint32_t Get32(const unsigned char* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

void Put16(unsigned char* p, size_t v) {
  p[0] = static_cast<unsigned char>(v >> 8);
  p[1] = static_cast<unsigned char>(v);
}

void CopyHeader(RecordGlue& glue, const unsigned char* header) {
  std::memcpy(glue.outHeader, header, kRecordHeaderSize);
}

// Hands a record's data to the data stream through the host interface.
uint32_t HandOver(RecordGlue& glue, unsigned int op, const unsigned char* data, size_t n) {
  HostInterface* host = glue.hostInterface();
  if (!host) {
    LogMsg(LevelWarning, "s5250: a host record arrived before the session had a display station.\n");
    return dsm_sense::kAccepted;
  }
  return host->processNewDataStream(op, data, static_cast<unsigned int>(n));
}

void Remember(RecordGlue& glue, const unsigned char* header) {
  glue.endOfReply = header[8] & kFlags2EndOfReply;
}

// A keyboard-table download: the table's size (big-endian) at data byte
// 20, the table image from data byte 24; the image has a 42-byte header.
constexpr size_t kTableSizeOffset = 20;
constexpr size_t kTableBodyOffset = 24;
constexpr size_t kTableHeaderLength = 42;

uint32_t RefuseDownload(RecordGlue& glue, const unsigned char* header, uint32_t sense) {
  // The negative response names the download it refuses.
  CopyHeader(glue, header);
  LogMsg(LevelWarning, "s5250rep: keyboard table download refused (0x%08X); the table in use stays.\n", sense);
  return sense;
}

uint32_t DownloadKeyboardTable(RecordGlue& glue, const unsigned char* header, const unsigned char* data, size_t n) {
  // The whole table must have come with the record: its header, and as
  // many bytes as its size claims.
  if (n < kTableBodyOffset + kTableHeaderLength) return RefuseDownload(glue, header, kSenseTableLength);
  const uint32_t size = Get32(data + kTableSizeOffset);
  if (size < kTableHeaderLength || size > n - kTableBodyOffset) {
    if (DebugFlag())
      LogMsg(LevelDebug, "s5250rep: table size %u does not fit the %u bytes that came.\n", size,
             static_cast<unsigned>(n - kTableBodyOffset));
    return RefuseDownload(glue, header, kSenseTableLength);
  }
  const uint32_t sense = glue.link().loadKeyboardTable(data + kTableBodyOffset, size);
  if (sense != dsm_sense::kAccepted) return RefuseDownload(glue, header, sense);
  glue.hostKeyboardTable = 1;
  LogMsg(LevelInformational, "s5250rep: keyboard table of %u bytes downloaded from the host.\n", size);
  return dsm_sense::kAccepted;
}

uint32_t SimulatorCommand(RecordGlue& glue, const unsigned char* header, const unsigned char* data, size_t n) {
  glue.hostKeyboardTable = 1;
  if (sim_cmd_proc(glue, data, n, header) != 0xFF) return dsm_sense::kAccepted;
  static const unsigned char failed[4] = {0x08, 0x31, 0x00, 0x00};
  s5250_net_put(glue, failed, sizeof failed);
  s5250_net_eor(glue, kFlagERR, 1);
  static const unsigned char powerOnReset[1] = {12};
  sim_cmd_proc(glue, powerOnReset, sizeof powerOnReset, header);
  return dsm_sense::kAccepted;
}

}  // namespace

RecordGlue::RecordGlue(RecordGlueLink& link, unsigned char* outboundBuffer, unsigned char* reassemblyBuffer)
    : reassembly(reassemblyBuffer), outbound(outboundBuffer), link_(link) {}

int s5250_accept(RecordGlue& glue, const unsigned char* bytes, size_t n) {
  if (!bytes || n == 0) return 0;
  if (glue.collected < kRecordBufferSize) {
    const size_t take = n < kRecordBufferSize - glue.collected ? n : kRecordBufferSize - glue.collected;
    std::memcpy(glue.reassembly + glue.collected, bytes, take);
    glue.collected += take;
  }
  glue.seen += n;
  return 0;
}

int s5250_accept_eor(RecordGlue& glue) {
  const size_t seen = glue.seen;
  const size_t kept = glue.collected;
  glue.seen = 0;
  glue.collected = 0;
  if (seen == 0) return 0;  // an empty record: nothing to refuse
  // A record whose header length disagrees with the bytes that came is
  // refused with a negative response, so that the host does not wait for an
  // answer; it carries the record's own header when a whole one came.
  if (seen < kRecordHeaderSize) {
    ++glue.framingErrors;
    LogMsg(LevelWarning, "s5250: record of %u bytes is shorter than its header; refused.\n",
           static_cast<unsigned>(seen));
    processDSMSenseCode(glue, dsm_sense::kBadLength);
    return 0;
  }
  const unsigned int length = Get16(glue.reassembly);
  if (length != seen) {
    ++glue.framingErrors;
    LogMsg(LevelWarning, "s5250: record header gives %u bytes but %lu came before the end of record; refused.\n",
           length, static_cast<unsigned long>(seen));
    CopyHeader(glue, glue.reassembly);
    processDSMSenseCode(glue, dsm_sense::kBadLength);
    return 0;
  }
  if (seen > kRecordBufferSize) {
    // Framed correctly but larger than a record may be: refused with the
    // request's header.
    LogMsg(LevelWarning, "s5250: record of %lu bytes exceeds %u bytes; refused.\n", static_cast<unsigned long>(seen),
           static_cast<unsigned>(kRecordBufferSize));
    CopyHeader(glue, glue.reassembly);
    processDSMSenseCode(glue, dsm_sense::kBadLength);
    return 0;
  }
  return s5250_dispatch(glue, glue.reassembly, kept);
}

int s5250_dispatch(RecordGlue& glue, const unsigned char* record, size_t length) {
  if (!record || length < kRecordHeaderSize) return 0;
  // The window's pending events come first; they may end the session.
  if (glue.link().drainPendingEvents()) return 1;
  if (glue.link().traceFlag()) glue.link().traceRecord("Received record", record, static_cast<unsigned>(length));

  const unsigned char* header = record;
  const unsigned char* data = record + kRecordHeaderSize;
  size_t n = length - kRecordHeaderSize;

  if (header[4] & 0xC0) {
    CopyHeader(glue, header);
    if ((glue.outHeader[4] & 0x40) && DebugFlag()) LogMsg(LevelDebug, "Remote host closed connection.\n");
    return 0;
  }
  const unsigned char opcode = header[9];
  if (opcode != 0x0B && opcode != 0x0C && opcode != 0x11) CopyHeader(glue, header);

  if (header[8] & kFlags2Block) {
    // The leading block counts its own length byte.
    const size_t block = n ? data[0] : 0;
    if (block == 0 || block > n) {
      LogMsg(LevelWarning, "s5250: leading block of %u bytes does not fit the record's %u data bytes.\n",
             static_cast<unsigned>(block), static_cast<unsigned>(n));
      processDSMSenseCode(glue, dsm_sense::kBadLength);
      return 0;
    }
    data += block;
    n -= block;
  }

  uint32_t sense = dsm_sense::kAccepted;
  switch (opcode) {
    case 0x00:
      break;
    case 0x01:
      glue.invited = 1;
      sense = HandOver(glue, 0, data, n);
      break;
    case 0x02:
    case 0x06:
      Remember(glue, header);
      if (n) sense = HandOver(glue, 0, data, n);
      break;
    case 0x03:
      glue.invited = 1;
      Remember(glue, header);
      sense = HandOver(glue, 0, data, n);
      break;
    case 0x04: {
      Remember(glue, header);
      static const unsigned char saveScreen[2] = {0x04, 0x02};
      sense = n ? HandOver(glue, 0, data, n) : HandOver(glue, 0, saveScreen, sizeof saveScreen);
      break;
    }
    case 0x05:
    case 0x09:
      Remember(glue, header);
      sense = HandOver(glue, 0, data, n);
      break;
    case 0x08:
      Remember(glue, header);
      if (n)
        sense = HandOver(glue, 0, data, n);
      else
        s5250_net_eor(glue, 0, 1);
      break;
    case 0x0A:
      glue.invited = 0;
      sendResponse(glue);
      break;
    case 0x0B:
      sense = HandOver(glue, 1, nullptr, 0);
      break;
    case 0x0C:
      sense = HandOver(glue, 2, nullptr, 0);
      break;
    case 0x0D:
      s5250_net_eor(glue, 0, 1);
      break;
    case 0x10:
      sense = SimulatorCommand(glue, header, data, n);
      break;
    case 0x11:
      sense = DownloadKeyboardTable(glue, header, data, n);
      break;
    default:
      LogMsg(LevelWarning, "s5250: record with opcode 0x%02X refused.\n", opcode);
      sense = dsm_sense::kUnknownCommand;
      break;
  }
  processDSMSenseCode(glue, sense);
  return 0;
}

bool s5250_net_put(RecordGlue& glue, const unsigned char* data, size_t n) {
  if (n == 0) return true;
  if (!data || n > kRecordBufferSize - glue.fill) {
    LogMsg(LevelWarning, "s5250: %lu outbound bytes do not fit the record; dropped.\n", static_cast<unsigned long>(n));
    return false;
  }
  std::memcpy(glue.outbound + glue.fill, data, n);
  glue.fill += n;
  return true;
}

int s5250_net_eor(RecordGlue& glue, unsigned char flags, int endOfReply) {
  unsigned char header[kRecordHeaderSize];
  std::memcpy(header, glue.outHeader, sizeof header);
  const size_t fill = glue.fill;
  glue.fill = 0;
  Put16(header, fill + kRecordHeaderSize);
  header[4] = header[5] = 0;
  header[7] = static_cast<unsigned char>((header[7] & kFlags1Kept) | flags);
  // The request's end-of-reply bit goes back only at the end of the reply.
  header[8] &= 0x3F;
  if (endOfReply) {
    header[8] |= glue.endOfReply;
    glue.invited = 0;
    glue.endOfReply = 0;
  }
  if (glue.link().traceFlag()) {
    glue.link().traceRecord("Sent record header", header, kRecordHeaderSize);
    if (fill) glue.link().traceRecord("Sent record data", glue.outbound, static_cast<unsigned>(fill));
  }
  int rc = glue.link().tel_senddata(reinterpret_cast<const char*>(header), kRecordHeaderSize);
  if (rc && fill) rc = glue.link().tel_senddata(reinterpret_cast<const char*>(glue.outbound), static_cast<int>(fill));
  if (rc) rc = glue.link().tel_sendeor();
  if (!rc) LogMsg(LevelWarning, "s5250: sending a record to the host failed.\n");
  return rc;
}

int sendResponse(RecordGlue& glue) {
  unsigned char header[kRecordHeaderSize];
  std::memcpy(header, glue.outHeader, sizeof header);
  Put16(header, kRecordHeaderSize);
  header[4] = header[5] = 0;
  header[7] &= kFlags1Kept;
  header[8] &= 0x3F;
  int rc = glue.link().tel_senddata(reinterpret_cast<const char*>(header), kRecordHeaderSize);
  if (rc) rc = glue.link().tel_sendeor();
  return rc;
}

int s5250_send_direct(RecordGlue& glue, const unsigned char headerIn[kRecordHeaderSize], const unsigned char* data,
                      size_t n) {
  unsigned char header[kRecordHeaderSize];
  std::memcpy(header, headerIn, sizeof header);
  if (n > kRecordBufferSize - kRecordHeaderSize) return 0;
  Put16(header, n + kRecordHeaderSize);
  int rc = glue.link().tel_senddata(reinterpret_cast<const char*>(header), kRecordHeaderSize);
  if (rc && n) rc = glue.link().tel_senddata(reinterpret_cast<const char*>(data), static_cast<int>(n));
  if (rc) rc = glue.link().tel_sendeor();
  return rc;
}

void processDSMSenseCode(RecordGlue& glue, uint32_t sense) {
  if (sense == dsm_sense::kAccepted || sense == dsm_sense::kAnswered) return;
  if (DebugFlag()) LogMsg(LevelDebug, "s5250: negative response 0x%08X.\n", sense);
  const unsigned char bytes[4] = {static_cast<unsigned char>(sense >> 24), static_cast<unsigned char>(sense >> 16),
                                  static_cast<unsigned char>(sense >> 8), static_cast<unsigned char>(sense)};
  // A negative response replaces whatever was collected for the reply.
  glue.fill = 0;
  s5250_net_put(glue, bytes, sizeof bytes);
  s5250_net_eor(glue, kFlagERR, 1);
}

int cdHeld(const RecordGlue& glue) { return glue.simulatorMode ? glue.endOfReply : 1; }

void s5250_replay_held(RecordGlue& glue) {
  glue.activity = 1;
  if (HostInterface* host = glue.hostInterface()) processDSMSenseCode(glue, host->processBufferedDataStreamsIfNeeded());
}
