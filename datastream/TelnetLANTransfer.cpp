// TelnetLAN: the receive path and the send path.
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "base/LogMsg.h"

using namespace TelnetCode;

int TelnetLAN::getdata() {
  if (sock == 0 || !inbuff) return -1;
  if (remaining > 0) return 1;
  readPos = 0;
  const bool trace = session.traceFlag();
  if (trace && session.secureStream()) LogMsg(LevelTrace, "getting the data via SSL\n");
  const long n = stream().read(inbuff, kBufferSize);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    LogMsg(LevelError, "%s: Telnet::getdata(): recv() failed. errno = %d.\n", "QWC0052", errno);
    return -1;
  }
  if (n == 0) {
    LogMsg(LevelError, "%s: Telnet::getdata(): recv() returned 0.\n", "QWC0053");
    return -1;
  }
  remaining = static_cast<int>(n);
  if (trace) {
    LogMsg(LevelTrace, "Telnet::getdata received 0x%x bytes:\n", static_cast<unsigned>(n));
    session.DumpBuff(inbuff, static_cast<int>(n), LevelTrace);
    LogMsg(LevelTrace, "\n");
    usleep(static_cast<useconds_t>(10 * n));
  }
  return 1;
}

int TelnetLAN::tel_receive() {
  if (receiving) return 0;  // entered again from a callback of the record glue
  if (sock == 0 || !inbuff) return -4;
  auto guard = liveGuard;
  const unsigned conn = connection;
  receiving = true;
  Outcome o = negotiated ? deliverEarlyData() : Outcome::Ok;
  while (o == Outcome::Ok) {
    const int r = getdata();
    if (r == 0) break;
    if (r < 0) {
      o = Outcome::Closed;
      break;
    }
    o = processInput(Phase::Transparent, 0, nullptr, nullptr);
  }
  if (o == Outcome::Gone || !*guard) return -2;  // nothing of this object may be touched
  receiving = false;
  if (conn != connection) return 0;  // closed on purpose meanwhile: nothing left to read
  switch (o) {
    case Outcome::Ok:
      return 0;
    case Outcome::ProtocolError:
      return -3;
    default:
      return -4;
  }
}

// Writes the bytes through the stream. What the stream would not take now
// is queued and goes out when the socket becomes writable, so a host that
// stops reading never stops the event loop. 1 when the bytes were sent or
// queued; 0 when the connection is broken (it is then closed, and the
// failure reported through the event loop).
int TelnetLAN::sendit(const char* data, int len) {
  if (sock == 0) return 0;
  if (session.traceFlag()) {
    LogMsg(LevelTrace, "Telnet::sendit sending 0x%x bytes:\n", static_cast<unsigned>(len));
    session.DumpBuff(reinterpret_cast<const unsigned char*>(data), len, LevelTrace);
    LogMsg(LevelTrace, "\n");
    usleep(static_cast<useconds_t>(10 * len));
  }
  // Bytes queued before go first.
  if (unsentBytes() > 0) return queueUnsent(data, len);
  while (len > 0) {
    const long n = stream().write(data, static_cast<size_t>(len));
    if (n > 0) {
      data += n;
      len -= static_cast<int>(n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return queueUnsent(data, len);
    LogMsg(LevelError, "%s: Send data failed no data sent.\n", n == 0 ? "QWC0058" : "QWC0054");
    connectionBroken();
    return 0;
  }
  return 1;
}

int TelnetLAN::queueUnsent(const char* data, int len) {
  if (unsentBytes() + static_cast<size_t>(len) > kSendQueueLimit) {
    LogMsg(LevelError, "%s: Send data failed no data sent.\n", "QWC0056");
    LogMsg(LevelError, "Telnet: the host has not taken %lu bytes; the connection is given up.\n",
           static_cast<unsigned long>(unsentBytes() + static_cast<size_t>(len)));
    connectionBroken();
    return 0;
  }
  if (sendQueueHead > 0) {
    sendQueue.erase(sendQueue.begin(), sendQueue.begin() + static_cast<long>(sendQueueHead));
    sendQueueHead = 0;
  }
  sendQueue.insert(sendQueue.end(), data, data + len);
  watchOutput();
  return 1;
}

// The socket can take more: the queued bytes go out, as many as it takes.
void TelnetLAN::sendQueued() {
  while (unsentBytes() > 0) {
    const long n = stream().write(sendQueue.data() + sendQueueHead, unsentBytes());
    if (n > 0) {
      sendQueueHead += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      watchOutput();
      return;
    }
    LogMsg(LevelError, "%s: Send data failed no data sent.\n", n == 0 ? "QWC0058" : "QWC0054");
    connectionBroken();
    return;
  }
  sendQueue.clear();
  sendQueueHead = 0;
  unwatchOutput();
}

void TelnetLAN::watchOutput() {
  if (outputId != 0 || sock == 0) return;
  EventSources& events = session.eventSources();
  outputId = events.AddOutput(sock, [this]() { sendQueued(); });
  outputIsTimer = outputId == 0;
  // A loop without output sources: try again shortly.
  if (outputIsTimer)
    outputId = events.AddTimeOut(20, [this]() {
      outputId = 0;  // fired: the loop has forgotten it
      sendQueued();
    });
}

void TelnetLAN::unwatchOutput() {
  if (outputId == 0) return;
  EventSources::Id id = outputId;
  outputId = 0;
  if (outputIsTimer)
    session.eventSources().RemoveTimeOut(id);
  else
    session.eventSources().RemoveInput(id);
}

// A send that cannot complete breaks the connection: it is closed at once
// (the host sees it, and nothing later goes out of order), and the session
// hears of it from the event loop, outside whatever was sending, through
// its connection-failure path (dialog and retries). During the negotiation
// the failed send is reported by the negotiation itself.
void TelnetLAN::connectionBroken() {
  const bool transparent = negotiated != 0;
  tel_close();
  if (!transparent || failureTimer != 0) return;
  auto guard = liveGuard;
  failureTimer = session.eventSources().AddTimeOut(0, [this, guard]() {
    if (!*guard) return;
    failureTimer = 0;
    if (session.x_comm_msg(659) == -1 || !*guard) return;  // the session is gone
    LogMsg(LevelError, "%s:  tel_check() failed after session started.\n", "QWC0152");
    tel_connecterror("ErrorMsgNoHostData2", 1);
  });
}

void TelnetLAN::cancelFailureReport() {
  if (failureTimer == 0) return;
  EventSources::Id id = failureTimer;
  failureTimer = 0;
  session.eventSources().RemoveTimeOut(id);
}

int TelnetLAN::flush() {
  if (!outbuff) return 0;
  if (outPos == 0) return 1;
  const int n = outPos;
  outPos = 0;
  return sendit(reinterpret_cast<const char*>(outbuff), n);
}

int TelnetLAN::sendbuff(const char* data, int len) {
  if (!outbuff || len < 0 || (len > 0 && !data)) return 0;
  while (len > 0) {
    const int room = kBufferSize - outPos;
    if (len <= room) {
      memcpy(outbuff + outPos, data, static_cast<size_t>(len));
      outPos += len;
      return 1;
    }
    if (outPos > 0) {
      memcpy(outbuff + outPos, data, static_cast<size_t>(room));
      outPos = kBufferSize;
      data += room;
      len -= room;
      if (!flush()) return 0;
    } else {
      if (!sendit(data, kBufferSize)) return 0;
      data += kBufferSize;
      len -= kBufferSize;
    }
  }
  return 1;
}

int TelnetLAN::tel_senddata(const char* data, int len) {
  if (!outbuff || len < 0 || (len > 0 && !data)) return 0;
  // Every 0xFF goes out twice (RFC 854).
  const char* piece = data;
  const char* end = data + len;
  while (piece < end) {
    const char* ff = static_cast<const char*>(memchr(piece, 0xFF, static_cast<size_t>(end - piece)));
    if (!ff) return sendbuff(piece, static_cast<int>(end - piece));
    if (!sendbuff(piece, static_cast<int>(ff - piece + 1)) || !sendbuff(ff, 1)) return 0;
    piece = ff + 1;
  }
  return 1;
}

int TelnetLAN::tel_sendraw(const char* data, int len) { return sendbuff(data, len); }

namespace {
const char kEor[] = {'\xFF', '\xEF'};
const char kBreak[] = {'\xFF', '\xF3'};
const char kInterrupt[] = {'\xFF', '\xF4'};
}  // namespace

int TelnetLAN::tel_sendeor() {
  const int ok = sendbuff(kEor, 2) && flush();
  if (session.traceFlag()) LogMsg(LevelTrace, "Sent: EOR\n");
  return ok;
}

int TelnetLAN::tel_sendbreak() {
  const int ok = sendbuff(kBreak, 2) && flush();
  if (session.traceFlag()) LogMsg(LevelTrace, "Sent: BREAK\n");
  return ok;
}

int TelnetLAN::tel_sendip() {
  const int ok = sendbuff(kInterrupt, 2) && flush();
  if (session.traceFlag()) LogMsg(LevelTrace, "Sent: IP\n");
  return ok;
}

namespace {

const char* const kCommandNames[] = {"EOF", "SUSP", "ABORT", "EOR", "SE", "NOP", "DMARK", "BRK", "IP", "AO",
                                     "AYT", "EC",  "EL",    "GA",  "SB", "WILL", "WONT", "DO", "DONT", "IAC"};
const char* const kOptionNames[] = {
    "BINARY", "ECHO", "RCP", "SUPPRESS GO AHEAD", "NAME", "STATUS", "TIMING MARK", "RCTE", "NAOL", "NAOP",
    "NAOCRD", "NAOHTS", "NAOHTD", "NAOFFD", "NAOVTS", "NAOVTD", "NAOLFD", "EXTEND ASCII", "LOGOUT",
    "BYTE MACRO", "DATA ENTRY TERMINAL", "SUPDUP", "SUPDUP OUTPUT", "SEND LOCATION", "TERMINAL TYPE",
    "END OF RECORD", "TACACS UID", "OUTPUT MARKING", "TTYLOC", "3270 REGIME", "X.3 PAD", "NAWS", "TSPEED",
    "LFLOW", "LINEMODE", "XDISPLOC", "OLD-ENVIRON", "AUTHENTICATION", "ENCRYPT", "NEW-ENVIRON"};

}  // namespace

// Trace of one command: its name, the option's name, IS or SEND of a
// sub-negotiation (a negative option or sub is left out).
void TelnetLAN::prcmd(int cmd, int option, int sub) {
  if (cmd >= 236 && cmd <= 255)
    LogMsg(LevelTrace, "%s", kCommandNames[cmd - 236]);
  else
    LogMsg(LevelTrace, "<CMD %d>", cmd);
  LogMsg(LevelTrace, " ");
  if (option >= 0 && option <= 39)
    LogMsg(LevelTrace, "%s", kOptionNames[option]);
  else if (option > 0)
    LogMsg(LevelTrace, "<Option %d>", option);
  if (sub == 0) LogMsg(LevelTrace, " IS");
  if (sub == 1) LogMsg(LevelTrace, " SEND");
  LogMsg(LevelTrace, "\n");
}
