#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "datastream/Telnet.h"
#include "datastream/TelnetParser.h"
#include "datastream/TelnetSocketStream.h"
#include "base/EventSources.h"

// The Telnet transport over TCP: connection, TN5250 option negotiation,
// receive path (Telnet commands removed, data to the record glue) and send
// path (output buffer, IAC doubling).
class TelnetLAN : public Telnet {
 public:
  static constexpr int kBufferSize = 8192;
  // Host data that arrives before transparent mode is kept up to this size
  // (one record buffer) and handed on once the negotiation is done.
  static constexpr size_t kEarlyDataLimit = 33000;
  // Bytes that a host which stops reading may leave unsent before the
  // connection is given up as broken.
  static constexpr size_t kSendQueueLimit = 256 * 1024;

  explicit TelnetLAN(TelnetSessionLink& session);
  ~TelnetLAN() override;
  TelnetLAN(const TelnetLAN&) = delete;
  TelnetLAN& operator=(const TelnetLAN&) = delete;

  int tel_receive() override;
  int tel_checkinit(int mode, const char* termType, const char* devName) override;
  int tel_sendbreak() override;
  int tel_sendip() override;
  void tel_close() override;
  int tel_sendeor() override;
  int tel_init(const char* host, int port) override;
  int tel_socket() override { return negotiated; }
  int tel_senddata(const char* data, int len) override;
  int tel_sendraw(const char* data, int len) override;
  int tel_setup(int mode, const char* termType, const char* devName) override;
  char* tel_devname() override { return devname; }
  void tel_cleardevname() override;
  void tel_connecterror(const char* msgName, int retry) override;

  // Registers the socket as an input source of the session's event loop,
  // calling TelnetSocketInput. The source belongs to the connection:
  // tel_close removes it, so no source outlives its socket.
  void addSocketInput();
  void removeSocketInput();
  bool hasSocketInput() const { return inputId != 0; }

  int socketDescriptor() const { return sock; }
  // Bytes accepted for sending that the connection has not taken yet.
  size_t unsentBytes() const { return sendQueue.size() - sendQueueHead; }

 protected:
  // Takes a socket connected by other means (tests, benchmarks), with
  // buffers, as tel_init leaves it; with `transparent` as after tel_setup.
  int adoptConnectedSocket(int fd, bool transparent);

 private:
  // Where input is processed: the first input of tel_setup (strict), a
  // tel_checkinit step (lenient), or transparent mode.
  enum class Phase { Setup, Step, Transparent };
  // Ok; Gone: the session and this object are gone; Closed: the connection
  // failed or was closed meanwhile; Failed: failed and reported;
  // ProtocolError: the host broke the protocol (reported); Overflow: too
  // much host data before transparent mode.
  enum class Outcome { Ok, Gone, Closed, Failed, ProtocolError, Overflow };

  int getdata();
  int waitForInput();
  Outcome processInput(Phase phase, int mode, const char* termType, const char* devName);
  Outcome handleData(const uint8_t* data, size_t length, Phase phase);
  Outcome handleCommand(const TelnetCommand& cmd, Phase phase, int mode, const char* termType,
                        const char* devName);
  Outcome deliverEarlyData();
  Outcome protocolError();
  int negotiate(uint8_t verb, uint8_t option);
  int sendcmd(uint8_t verb, uint8_t option);
  int sendTerminalType(int mode, const char* termType);
  int sendEnvironment(const char* devName);
  int sendbuff(const char* data, int len);
  int flush();
  int sendit(const char* data, int len);
  int queueUnsent(const char* data, int len);
  void sendQueued();
  void watchOutput();
  void unwatchOutput();
  void connectionBroken();
  void cancelFailureReport();
  int isTransparentModeYet() const;
  void prcmd(int cmd, int option, int sub);
  void initOptions(int mode);
  int setBlocking(bool blocking);
  TelnetStream& stream();
  bool alive(const std::shared_ptr<bool>& guard) const { return *guard; }

  int sock = 0;
  unsigned char* inbuff = nullptr;
  int readPos = 0;  // offset of the first unread byte
  unsigned char* outbuff = nullptr;
  int outPos = 0;   // first free byte of the output buffer
  int remaining = 0;
  TelnetParser parser;
  int options[256] = {};
  char devname[11] = {};
  int negotiated = 0;

  // Our own WILL/DO requests per option, so that the host's acknowledgement
  // of them is not answered again (RFC 854).
  bool sentWill[256] = {};
  bool sentDo[256] = {};
  std::vector<uint8_t> earlyData;
  std::vector<size_t> earlyEors;  // offsets in earlyData where IAC EOR came
  EventSources::Id inputId = 0;
  EventSources::Id waitInputId = 0;  // the socket, during a negotiation wait
  // What the socket would not take yet, in order: it goes out when the
  // socket becomes writable, and everything sent meanwhile goes after it.
  std::vector<uint8_t> sendQueue;
  size_t sendQueueHead = 0;
  EventSources::Id outputId = 0;  // writability source (or its retry timer)
  bool outputIsTimer = false;
  EventSources::Id failureTimer = 0;  // the report of a broken connection
  unsigned connection = 0;  // changes with every tel_close
  bool receiving = false;
  TelnetSocketStream plainStream;
  // False once the object is destroyed; nested waits and callbacks that may
  // end the session hold a copy and look at it before touching members.
  std::shared_ptr<bool> liveGuard;
};
