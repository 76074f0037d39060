#pragma once
// The TN5250 record glue of one session. Inbound, it collects the host's
// data bytes (Telnet commands and doubled IACs already removed) into
// records; a record ends at the host's IAC EOR and is dispatched only when
// its header length agrees with the bytes that came. Outbound, it owns the
// session's outbound record and writes every reply with a 10-byte header
// followed by IAC EOR. Its operations are the free functions with the
// prefix s5250_ below.
#include <cstddef>
#include <cstdint>

#include "datastream/DsmSense.h"

class HostInterface;
class SimulatorHost;

constexpr size_t kRecordBufferSize = 33000;
constexpr unsigned int kRecordHeaderSize = 10;

// Header bytes 7 (flags byte 1) and 8 (flags byte 2).
constexpr unsigned char kFlagERR = 0x80;
constexpr unsigned char kFlagATN = 0x40;
constexpr unsigned char kFlagSRQ = 0x04;
constexpr unsigned char kFlagTRQ = 0x02;
constexpr unsigned char kFlagHLP = 0x01;
constexpr unsigned char kFlags1Kept = 0x38;      // copied from the request
constexpr unsigned char kFlags2Block = 0x80;     // a length-prefixed block leads the data
constexpr unsigned char kFlags2EndOfReply = 0x40;

// The negative responses to a keyboard-table download: the table is cut
// short, or too large to keep; its name or an entry is not valid.
constexpr uint32_t kSenseTableLength = 0x10050110u;
constexpr uint32_t kSenseTableData = 0x10050112u;


// What the glue needs of its session: the Telnet link, the window's event
// loop, and the keyboard translator for the keyboard-table download.
class RecordGlueLink {
 public:
  virtual ~RecordGlueLink() = default;
  // Telnet: 1 when the bytes were sent, 0 when the connection could not
  // take them.
  virtual int tel_senddata(const char* data, int length) = 0;
  virtual int tel_sendeor() = 0;
  // Runs before each record is dispatched: handles the session's pending
  // window events. True when the session was ended meanwhile.
  virtual bool drainPendingEvents() { return false; }
  // Opcode 0x11: registers the downloaded table image (`length` bytes at
  // `table`, all of them present) and makes it the active table. 0 when it
  // became active; else the sense of the refusal, and the table in use
  // stays.
  virtual uint32_t loadKeyboardTable(const unsigned char* table, uint32_t length) {
    return kSenseTableData;
  }
  // The 8-byte name of the translation table in use (zeros without one).
  virtual void currentTableName(unsigned char name[8]) const {
    for (int i = 0; i < 8; ++i) name[i] = 0;
  }
  // Flushes the window's pending painting after a host record.
  virtual void flushPainting() {}
  // The simulator commands of opcode 0x10; null when the session has none.
  virtual SimulatorHost* simulatorHost() { return nullptr; }
  // Level-8 trace dumps of records, only when set.
  virtual bool traceFlag() const { return false; }
  virtual void traceRecord(const char* what, const unsigned char* data, unsigned int length) {}
};

class RecordGlue {
 public:
  // `outbound` and `reassembly` are kRecordBufferSize bytes each and stay
  // the caller's.
  RecordGlue(RecordGlueLink& link, unsigned char* outbound, unsigned char* reassembly);
  RecordGlue(const RecordGlue&) = delete;
  RecordGlue& operator=(const RecordGlue&) = delete;

  void setHostInterface(HostInterface* host) { host_ = host; }
  HostInterface* hostInterface() const { return host_; }
  RecordGlueLink& link() { return link_; }

  // Inbound reassembly state.
  unsigned char* reassembly;
  size_t collected = 0;       // bytes of the current record kept (at most kRecordBufferSize)
  size_t seen = 0;            // bytes of the current record that came (may exceed the buffer)
  // Outbound record.
  unsigned char* outbound;
  size_t fill = 0;
  unsigned char outHeader[kRecordHeaderSize] = {0, 0, 0x12, 0xA0, 0, 0, 0x04, 0, 0, 0};
  // Session flags of the glue.
  unsigned char invited = 0;
  unsigned char endOfReply = 0;        // flags byte 2 bit 0x40 of the last opcode 2-9 record
  unsigned char simulatorMode = 0;
  unsigned char hostKeyboardTable = 0;
  unsigned char activity = 0;
  // The device type and model of the simulator's last open parameters
  // (EBCDIC digits).
  unsigned char deviceType[4] = {0xF3, 0xF4, 0xF8, 0xF7};
  unsigned char deviceModel[3] = {0xF0, 0xF0, 0xF1};
  // Records refused for their framing (for traces and tests).
  unsigned long framingErrors = 0;

 private:
  RecordGlueLink& link_;
  HostInterface* host_ = nullptr;
};

// Takes one piece of the host's data stream. Returns 1 when the session was
// ended meanwhile, else 0.
int s5250_accept(RecordGlue& glue, const unsigned char* bytes, size_t n);
// The host's IAC EOR: the record collected so far is complete; it is
// dispatched when its header agrees, else refused with a negative
// response (sense kBadLength) and a log line. Returns
// 1 when the session was ended meanwhile, else 0.
int s5250_accept_eor(RecordGlue& glue);
// Dispatches one complete record (header included, 10 bytes at least).
// Returns 1 when the session was ended meanwhile, else 0.
int s5250_dispatch(RecordGlue& glue, const unsigned char* record, size_t length);

// Appends n bytes to the outbound record; a piece that does not fit is
// dropped whole (false).
bool s5250_net_put(RecordGlue& glue, const unsigned char* data, size_t n);
// Sends the outbound record with its header and IAC EOR; the outbound data
// is emptied in every case. The Telnet result (0 = failed).
int s5250_net_eor(RecordGlue& glue, unsigned char flags, int endOfReply);
// A bare 10-byte record from the outbound header, then IAC EOR.
int sendResponse(RecordGlue& glue);
// A sense other than accepted or answered goes back as a negative response.
void processDSMSenseCode(RecordGlue& glue, uint32_t sense);
// 1 unless simulator mode is set; then the end-of-reply bit.
int cdHeld(const RecordGlue& glue);
// After a key or mouse event: replays the records held during contention
// and answers a negative result.
void s5250_replay_held(RecordGlue& glue);
// Sends one record of reply bytes built on `header` straight to Telnet (the
// simulator's replies; the outbound data stays as it is).
int s5250_send_direct(RecordGlue& glue, const unsigned char header[kRecordHeaderSize],
                      const unsigned char* data, size_t n);
