// The host side of one TN5250 Telnet connection, for the demo host and the
// end-to-end benchmark: it negotiates as a host does (terminal type, the
// environment, then END-OF-RECORD and BINARY both ways), sends records with
// their IACs doubled and IAC EOR appended, and collects the client's
// records. Blocking calls with time-outs, one connection, no threads; every
// buffer is bounded, and odd client bytes are skipped, never trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace demohost {

// A listening socket on 127.0.0.1 (port 0: chosen by the system); -1 on
// failure. The port really used goes to *boundPort.
int ListenLoopback(int port, int* boundPort);

class HostLink {
 public:
  static constexpr size_t kMaxRecord = 65536;       // longer client records are dropped
  static constexpr size_t kMaxSubnegotiation = 1024;
  static constexpr size_t kMaxQueuedRecords = 64;

  explicit HostLink(int fd);  // owns the connected socket
  ~HostLink();
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;

  // Runs the host's side of the negotiation; true once the client agreed to
  // END-OF-RECORD and BINARY in both directions. timeoutMs < 0 waits forever.
  // A terminal type that is not a registered TN5250 display type is refused
  // (WONT and DONT END-OF-RECORD and BINARY) and the result is false.
  bool Negotiate(int timeoutMs);
  // One record: every 0xFF doubled, IAC EOR appended.
  bool SendRecord(const uint8_t* data, size_t n, int timeoutMs = 10000);
  bool SendRecord(const std::vector<uint8_t>& r, int timeoutMs = 10000) {
    return SendRecord(r.data(), r.size(), timeoutMs);
  }
  // Bytes as they stand (already framed).
  bool SendRaw(const uint8_t* data, size_t n, int timeoutMs = 10000);
  // The client's next record; false when the connection ended or the time
  // ran out (timeoutMs < 0 waits forever).
  bool ReadRecord(std::vector<uint8_t>* record, int timeoutMs);

  bool Open() const { return fd_ >= 0; }
  const std::string& TerminalType() const { return termType_; }
  bool TerminalTypeRefused() const { return refused_; }
  std::string Environment(const std::string& name) const;
  unsigned long DroppedRecords() const { return dropped_; }

 private:
  bool ReadSome(int timeoutMs);  // false when closed or timed out
  void Consume(uint8_t b);
  void OnCommand(uint8_t verb, uint8_t option);
  void OnSub();
  void Advance();
  void Send(uint8_t verb, uint8_t option);
  bool FlushOut(int timeoutMs);
  void Close();

  int fd_ = -1;
  std::vector<uint8_t> out_;
  enum class St { Data, Iac, Opt, Sub, SubIac } st_ = St::Data;
  uint8_t verb_ = 0;
  std::vector<uint8_t> sub_;
  bool subOverflow_ = false;
  std::vector<uint8_t> record_;
  bool recordOverflow_ = false;
  std::deque<std::vector<uint8_t>> records_;
  unsigned long dropped_ = 0;
  bool clientWill_[256] = {}, clientDo_[256] = {};
  bool sentDo_[256] = {}, sentWill_[256] = {}, sentDont_[256] = {}, sentWont_[256] = {};
  std::string termType_;
  bool gotTermType_ = false;
  std::vector<std::pair<std::string, std::string>> env_;
  bool envDone_ = false, envRefused_ = false;
  int phase_ = 0;
  bool negotiated_ = false;
  bool refused_ = false;
};

}  // namespace demohost
