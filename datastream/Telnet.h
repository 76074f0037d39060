#pragma once
// The session's Telnet transport, as the rest of the session sees it. The
// virtual operations keep this slot order; TelnetLAN implements them.
class TelnetSessionLink;

class Telnet {
 public:
  explicit Telnet(TelnetSessionLink& session) : session(session) {}
  virtual ~Telnet() = default;

  // Reads and processes what the connection has: 0 when all available input
  // was taken, -2 when the record glue reported that the session ended, -3
  // on a Telnet protocol error, -4 when the connection failed or closed.
  virtual int tel_receive() = 0;
  // One negotiation step: 1 after a step, -1 on a receive failure or a
  // time-out with nothing processed, -2 when the session was ended.
  virtual int tel_checkinit(int mode, const char* termType, const char* devName) = 0;
  // The send operations return 1 when the bytes were sent, or queued in
  // order behind bytes the host has not taken yet; 0 when the connection is
  // broken (it is then closed and the failure reported).
  virtual int tel_sendbreak() = 0;
  virtual int tel_sendip() = 0;
  virtual void tel_close() = 0;
  virtual int tel_sendeor() = 0;
  // 0 connected, -1 no buffers, -2 failed (reported), -3 session ended.
  virtual int tel_init(const char* host, int port) = 0;
  // 1 once transparent mode is reached, 0 before and after tel_close.
  virtual int tel_socket() = 0;
  virtual int tel_senddata(const char* data, int len) = 0;
  virtual int tel_sendraw(const char* data, int len) = 0;
  // 0 transparent mode, -1 failed (reported), -2 mode 1 failed without a
  // report, -4 session ended.
  virtual int tel_setup(int mode, const char* termType, const char* devName) = 0;
  virtual char* tel_devname() = 0;
  virtual void tel_cleardevname() = 0;
  // Reports a failed connection (dialog and retries).
  virtual void tel_connecterror(const char* msgName, int retry) = 0;

 protected:
  TelnetSessionLink& session;
};
