// TelnetLAN: TN5250 option negotiation (RFC 854, 855, 856, 885, 1091, 1572,
// 2877).
#include <cerrno>
#include <cstring>
#include <string>

#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "datastream/TerminalTypes.h"
#include "base/LogMsg.h"

using namespace TelnetCode;

namespace {

// Option states.
constexpr int kRefused = 0;       // neither offered nor accepted
constexpr int kOptional = 1;      // agreed when the host asks
constexpr int kOptWillSent = 2;   // optional, we sent WILL, waiting for the host's WILL
constexpr int kOptDoSent = 3;     // optional, we sent DO, waiting for the host's DO
constexpr int kEnvOffered = 4;    // NEW-ENVIRON offered, waiting for its sub-negotiation
constexpr int kRequired = -1;     // required both ways, nothing agreed yet
constexpr int kReqWaitWill = -2;  // we agreed to the host's DO, waiting for its WILL
constexpr int kReqWaitDo = -3;    // we agreed to the host's WILL, waiting for its DO
constexpr int kDone = 9;
constexpr int kFailed = -9;

const char kNop[] = {'\xFF', '\xF1'};

// The single commands of RFC 854 that TelnetCode leaves out, and the first
// and last of RFC 1184's (EOF 0xEC, SUSP, ABORT 0xEE).
constexpr uint8_t DM = 0xF2, AO = 0xF5, AYT = 0xF6, EC = 0xF7, EL = 0xF8;
constexpr uint8_t kFirstLinemodeCommand = 0xEC, kLastLinemodeCommand = 0xEE;

bool Pending(int state) {
  return state == kRequired || state == kReqWaitWill || state == kReqWaitDo || state == kEnvOffered;
}

// RFC 1572: VAR, VALUE, ESC and USERVAR bytes inside a name or value are
// escaped with ESC.
void AppendEscaped(std::string& out, const char* text) {
  for (const char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c <= 3) out += '\x02';
    out += static_cast<char>(c);
  }
}

void AppendVariable(std::string& out, const char* name, const char* value) {
  out += '\x03';  // USERVAR
  AppendEscaped(out, name);
  out += '\x01';  // VALUE
  AppendEscaped(out, value);
}

}  // namespace

void TelnetLAN::initOptions(int mode) {
  for (int& state : options) state = kRefused;
  options[OPT_BINARY] = kRequired;
  options[OPT_SGA] = kOptional;
  options[OPT_TIMING_MARK] = kOptional;
  options[OPT_TERMINAL_TYPE] = kRequired;
  options[OPT_EOR] = kRequired;
  if (mode == 1) options[OPT_NEW_ENVIRON] = kEnvOffered;
  memset(sentWill, 0, sizeof sentWill);
  memset(sentDo, 0, sizeof sentDo);
}

int TelnetLAN::isTransparentModeYet() const {
  for (int state : options)
    if (state < 0) return 0;
  return 1;
}

int TelnetLAN::sendcmd(uint8_t verb, uint8_t option) {
  if (session.traceFlag()) {
    LogMsg(LevelTrace, "Sent:  ");
    prcmd(verb, option, -1);
  }
  const char bytes[3] = {static_cast<char>(IAC), static_cast<char>(verb), static_cast<char>(option)};
  if (verb == WILL) sentWill[option] = true;
  if (verb == DO) sentDo[option] = true;
  return sendbuff(bytes, 3) && flush();
}

// Applies the host's verb to the option table. A request of ours that the
// host acknowledges is not answered again: answering an acknowledgement
// lets two peers echo each other for ever (RFC 854).
int TelnetLAN::negotiate(uint8_t verb, uint8_t option) {
  int& state = options[option];
  auto will = [&]() { return sentWill[option] ? 1 : sendcmd(WILL, option); };
  auto doIt = [&]() { return sentDo[option] ? 1 : sendcmd(DO, option); };
  switch (state) {
    case kRefused:
      if (verb == WILL) return sendcmd(DONT, option);
      if (verb == DO) return sendcmd(WONT, option);
      return 1;
    case kOptional:
      if (verb == WILL) {
        state = kOptDoSent;
        return doIt();
      }
      if (verb == DO) {
        // Every DO TIMING-MARK is a new request and is answered.
        if (option == OPT_TIMING_MARK) return sendcmd(WILL, option);
        state = kOptWillSent;
        return will();
      }
      return 1;
    case kOptWillSent:
      if (verb == WILL) {
        state = kDone;
        return doIt();
      }
      return 1;
    case kOptDoSent:
      if (verb == DO) {
        state = kDone;
        return will();
      }
      return 1;
    case kEnvOffered:
      if (verb == WILL) return sendcmd(DONT, option);
      if (verb == DO) return will();
      if (verb == DONT) state = kDone;
      return 1;
    case kRequired:
      if (verb == WILL) {
        state = kReqWaitDo;
        return doIt();
      }
      if (verb == DO) {
        state = kReqWaitWill;
        return will();
      }
      if (verb == WONT || verb == DONT) state = kFailed;
      return 1;
    case kReqWaitWill:
      if (verb == WILL) {
        state = kDone;
        return doIt();
      }
      if (verb == WONT || verb == DONT) state = kFailed;
      return 1;
    case kReqWaitDo:
      if (verb == DO) {
        state = kDone;
        return will();
      }
      if (verb == WONT || verb == DONT) state = kFailed;
      return 1;
    default:  // done or failed
      return 1;
  }
}

int TelnetLAN::sendTerminalType(int mode, const char* termType) {
  const char* type = (termType && *termType) ? termType : kTn5250DefaultType;
  session.terminalTypeSent(type);
  static const char head[] = {'\xFF', '\xFA', '\x18', '\x00'};
  static const char tail[] = {'\xFF', '\xF0'};
  return tel_sendraw(head, 4) && tel_senddata(type, static_cast<int>(strlen(type))) && tel_sendraw(tail, 2) &&
         flush();
}

int TelnetLAN::sendEnvironment(const char* devName) {
  TelnetLanguageValues values{"USB", "037", "697"};  // ENU when the language has no row
  TelnetLanguageValues own{nullptr, nullptr, nullptr};
  if (session.languageValues(own) && own.keyboardType && own.codePage && own.characterSet) values = own;

  std::string body;
  AppendVariable(body, "KBDTYPE", values.keyboardType);
  AppendVariable(body, "CODEPAGE", values.codePage);
  AppendVariable(body, "CHARSET", values.characterSet);
  if (devName && *devName) {
    AppendVariable(body, "DEVNAME", devName);
    strncpy(devname, devName, sizeof devname - 1);
    devname[sizeof devname - 1] = '\0';
  }
  static const char head[] = {'\xFF', '\xFA', '\x27', '\x00'};
  static const char tail[] = {'\xFF', '\xF0'};
  return tel_sendraw(head, 4) && tel_senddata(body.data(), static_cast<int>(body.size())) &&
         tel_sendraw(tail, 2) && flush();
}

TelnetLAN::Outcome TelnetLAN::handleData(const uint8_t* data, size_t length, Phase) {
  if (negotiated) {
    // The session may end in the record glue, and this object with it.
    return session.s5250_accept(data, static_cast<int>(length)) != 0 ? Outcome::Gone : Outcome::Ok;
  }
  // Host data before transparent mode is kept for the record glue.
  if (earlyData.size() + length > kEarlyDataLimit) {
    LogMsg(LevelError, "Telnet: more than %d bytes of host data before the negotiation ended.\n",
           static_cast<int>(kEarlyDataLimit));
    return Outcome::Overflow;
  }
  earlyData.insert(earlyData.end(), data, data + length);
  return Outcome::Ok;
}

TelnetLAN::Outcome TelnetLAN::deliverEarlyData() {
  if (earlyData.empty() && earlyEors.empty()) return Outcome::Ok;
  std::vector<uint8_t> data;
  std::vector<size_t> eors;
  data.swap(earlyData);
  eors.swap(earlyEors);
  auto guard = liveGuard;
  const unsigned conn = connection;
  size_t from = 0;
  eors.push_back(data.size() + 1);  // sentinel: the rest has no EOR after it
  for (size_t eor : eors) {
    const size_t to = eor > data.size() ? data.size() : eor;
    if (to > from && session.s5250_accept(data.data() + from, static_cast<int>(to - from)) != 0)
      return Outcome::Gone;
    if (!*guard) return Outcome::Gone;
    if (conn != connection) return Outcome::Closed;
    from = to;
    if (eor <= data.size()) session.s5250_accept_eor();
    if (!*guard) return Outcome::Gone;
  }
  return Outcome::Ok;
}

TelnetLAN::Outcome TelnetLAN::handleCommand(const TelnetCommand& cmd, Phase phase, int mode, const char* termType,
                                            const char* devName) {
  const bool trace = session.traceFlag();
  if (trace) {
    LogMsg(LevelTrace, "Got:  ");
    if (cmd.kind == TelnetCommand::Sub)
      prcmd(SB, cmd.option, cmd.subLength ? cmd.sub[0] : -1);
    else
      prcmd(cmd.code, cmd.kind == TelnetCommand::Verb ? cmd.option : -1, -1);
  }

  if (cmd.kind == TelnetCommand::Single) {
    if (cmd.code == EOR) {
      if (negotiated) {
        session.s5250_accept_eor();
        return Outcome::Ok;
      }
      // Every record end kept before transparent mode counts against the
      // same limit as the data, or a flood of them grows without bound.
      if (earlyData.size() + earlyEors.size() + 1 > kEarlyDataLimit) {
        LogMsg(LevelError, "Telnet: more than %d bytes of host data before the negotiation ended.\n",
               static_cast<int>(kEarlyDataLimit));
        return Outcome::Overflow;
      }
      earlyEors.push_back(earlyData.size());
      return Outcome::Ok;
    }
    // The other commands of RFC 854 (and those of RFC 1184) ask nothing of
    // a TN5250 client: they are ignored. Are You There is answered with a
    // NOP; text would be taken by the host as the start of a record.
    if (cmd.code == AYT) return sendbuff(kNop, 2) && flush() ? Outcome::Ok : Outcome::Closed;
    if (cmd.code == GA || cmd.code == NOP || cmd.code == DM || cmd.code == BRK || cmd.code == IP ||
        cmd.code == AO || cmd.code == EC || cmd.code == EL ||
        (cmd.code >= kFirstLinemodeCommand && cmd.code <= kLastLinemodeCommand))
      return Outcome::Ok;
    switch (phase) {
      case Phase::Setup:
        tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
        LogMsg(LevelError, "%s: Unexpected telnet command received.\n", "QWC0045");
        return Outcome::Failed;
      case Phase::Step:
        LogMsg(LevelError, "%s: Unexpected telnet (%d) command received. \n", "QWC0060", cmd.code);
        return Outcome::Ok;
      case Phase::Transparent:
        return protocolError();
    }
  }

  if (cmd.kind == TelnetCommand::Verb) {
    if (!negotiate(cmd.code, cmd.option)) return Outcome::Closed;
    return Outcome::Ok;
  }

  // Sub-negotiation. TN3270E (option 0x28) is skipped whole and ignored.
  if (cmd.option == OPT_TN3270E) return Outcome::Ok;
  const bool send = !cmd.subMalformed && cmd.subLength >= 1 && cmd.sub[0] == SUB_SEND;
  if (phase != Phase::Transparent && send && cmd.option == OPT_TERMINAL_TYPE) {
    if (!sendTerminalType(mode, termType)) return Outcome::Closed;
    options[OPT_TERMINAL_TYPE] = kDone;
    if (trace) LogMsg(LevelTrace, "Sent: SB TERMINAL TYPE IS\n");
    return Outcome::Ok;
  }
  if (phase != Phase::Transparent && send && cmd.option == OPT_NEW_ENVIRON) {
    if (!sendEnvironment(devName)) return Outcome::Closed;
    options[OPT_NEW_ENVIRON] = kDone;
    if (trace)
      LogMsg(LevelTrace, phase == Phase::Setup ? "5250 Sent: SB TELNET ENVIRONMENT IS\n"
                                               : "Sent: SB TELNET ENVIRONMENT IS\n");
    return Outcome::Ok;
  }
  switch (phase) {
    case Phase::Setup:
      tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
      LogMsg(LevelError, "%s: Invalid telnet sub-negotiation command received.\n", "QWC0044");
      return Outcome::Failed;
    case Phase::Step:
      LogMsg(LevelError, "%s: Invalid telnet sub-negotiation command received.\n", "QWC0059");
      return Outcome::Ok;
    case Phase::Transparent:
      break;
  }
  return protocolError();
}

// The host broke the protocol in transparent mode: the connection is closed,
// so that the host sees it too, and the failure is reported.
TelnetLAN::Outcome TelnetLAN::protocolError() {
  tel_close();
  tel_connecterror("ErrorMsgFatalTelnetError", 1);
  LogMsg(LevelError, "%s: Unexpected telnet command received.\n", "QWC0050");
  return Outcome::ProtocolError;
}

TelnetLAN::Outcome TelnetLAN::processInput(Phase phase, int mode, const char* termType, const char* devName) {
  auto guard = liveGuard;
  const unsigned conn = connection;
  while (remaining > 0) {
    uint8_t* p = inbuff + readPos;
    size_t dataLength = 0;
    bool got = false;
    TelnetCommand cmd;
    const size_t used = parser.parse(p, static_cast<size_t>(remaining), p, &dataLength, &cmd, &got);
    readPos += static_cast<int>(used);
    remaining -= static_cast<int>(used);
    if (dataLength) {
      Outcome o = handleData(p, dataLength, phase);
      if (o != Outcome::Ok) return o;
      if (!*guard) return Outcome::Gone;
      if (conn != connection) return Outcome::Closed;
    }
    if (got) {
      Outcome o = handleCommand(cmd, phase, mode, termType, devName);
      if (o != Outcome::Ok) return o;
      if (!*guard) return Outcome::Gone;
      if (conn != connection) return Outcome::Closed;
    }
  }
  return Outcome::Ok;
}

// Waits until the connection has input: 1 input, 0 time-out, -1 failure or
// end of connection, -2 the session (and this object) is gone.
int TelnetLAN::waitForInput() {
  auto guard = liveGuard;
  EventSources& events = session.eventSources();
  const int seconds = session.negotiateTimeoutSeconds() > 0 ? session.negotiateTimeoutSeconds() : 1;
  const uint64_t deadline = events.NowMilliseconds() + static_cast<uint64_t>(seconds) * 1000;
  int result = getdata();
  if (result != 0) return result > 0 ? 1 : -1;
  // The socket as an input source wakes the loop as soon as data arrive.
  if (waitInputId == 0) waitInputId = events.AddInput(sock, []() {});
  for (;;) {
    if (events.NowMilliseconds() >= deadline) {
      result = 0;
      break;
    }
    events.ProcessPending(100);
    if (!*guard) return -2;
    if (sock == 0 || !inbuff) {
      result = -1;  // closed meanwhile
      break;
    }
    result = getdata();
    if (result != 0) {
      result = result > 0 ? 1 : -1;
      break;
    }
  }
  if (waitInputId != 0) {
    EventSources::Id id = waitInputId;
    waitInputId = 0;
    events.RemoveInput(id);
  }
  return result;
}

int TelnetLAN::tel_checkinit(int mode, const char* termType, const char* devName) {
  if (sock == 0 || !inbuff) return -1;
  const int w = waitForInput();
  if (w == -2) {
    if (DebugFlag()) LogMsg(LevelDebug, "==> session killed during tel_checkinit. Exiting gracefully....\n");
    return -2;
  }
  if (w < 0) return -1;
  if (w == 0) {
    LogMsg(LevelError, "%s: tel_checkinit(): Receive timeout (%d secs). Perhaps increase %s value.\n", "QWC0042",
           session.negotiateTimeoutSeconds(), "NEGOTIATE_TIMEOUT");
    return -1;
  }
  switch (processInput(Phase::Step, mode, termType, devName)) {
    case Outcome::Ok:
      return 1;
    case Outcome::Gone:
      return -2;
    default:
      return -1;
  }
}

int TelnetLAN::tel_setup(int mode, const char* termType, const char* devName) {
  if (sock == 0 || !inbuff) {
    LogMsg(LevelError, "Telnet: tel_setup() without a connection.\n");
    return -1;
  }
  auto guard = liveGuard;
  initOptions(mode);
  negotiated = 0;
  earlyData.clear();
  earlyEors.clear();
  const bool quiet = session.reconnecting();
  const int seconds = session.negotiateTimeoutSeconds();
  if (!quiet && (session.x_comm_msg(655) == -1 || !*guard)) return -4;

  // The socket stays non-blocking from here on; waits go through the loop.
  if (setBlocking(false) < 0) {
    tel_connecterror("ErrorMsgTelnetNegoFailed", 0);
    LogMsg(LevelError, "%s: ioctl() failed to set non-blocking i/o in tel_setup().\n", "QWC0040");
    return -1;
  }
  const int w = waitForInput();
  if (w == -2) {
    if (DebugFlag()) LogMsg(LevelDebug, "==> session killed during negotiations. Exiting gracefully....\n");
    return -4;
  }
  if (w < 0) {
    if (mode == 1) return -2;
    tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
    LogMsg(LevelError, "%s: Telnet negotiations failed: getdata() failed.\n", "QWC0041");
    return -1;
  }
  if (w == 0) {
    tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
    LogMsg(LevelError, "%s: Telnet::tel_setup(): Receive timeout (%d secs). Perhaps increase %s value.\n",
           "QWC0042", seconds, "NEGOTIATE_TIMEOUT");
    return -1;
  }

  switch (processInput(Phase::Setup, mode, termType, devName)) {
    case Outcome::Ok:
      break;
    case Outcome::Gone:
      return -4;
    case Outcome::Failed:
      return -1;  // reported
    default:
      tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
      LogMsg(LevelError, "%s: Telnet negotiations failed: tel_checkinit detected error.\n", "QWC0046");
      return -1;
  }

  // Every required option that is not settled yet: offer our side and wait
  // until the host settles it. Each option's wait is bounded, also against
  // a host that keeps talking without settling it.
  EventSources& events = session.eventSources();
  // A required option that the host refused ends the waiting: transparent
  // mode cannot be reached any more.
  auto refused = [this]() {
    for (int state : options)
      if (state == kFailed) return true;
    return false;
  };
  for (int opt = 0; opt < 256 && !refused(); ++opt) {
    if (!Pending(options[opt])) continue;
    const uint64_t deadline = events.NowMilliseconds() + static_cast<uint64_t>(seconds > 0 ? seconds : 1) * 1000;
    bool ok = true;
    while (Pending(options[opt]) && !refused()) {
      const int state = options[opt];
      int sent = 1;
      if (state != kReqWaitWill && !sentWill[opt])
        sent = sendcmd(WILL, static_cast<uint8_t>(opt));
      else if (state == kReqWaitWill && !sentDo[opt])
        sent = sendcmd(DO, static_cast<uint8_t>(opt));
      if (!sent) {
        ok = false;
        break;
      }
      const int r = tel_checkinit(mode, termType, devName);
      if (r == -2 || !*guard) return -4;
      if (r < 0) {
        ok = false;
        break;
      }
      if (Pending(options[opt]) && events.NowMilliseconds() >= deadline) {
        LogMsg(LevelError, "%s: tel_checkinit(): Receive timeout (%d secs). Perhaps increase %s value.\n",
               "QWC0042", seconds, "NEGOTIATE_TIMEOUT");
        ok = false;
        break;
      }
    }
    if (!ok) {
      if (session.x_comm_msg(659) == -1 || !*guard) return -4;
      LogMsg(LevelError, "%s: Telnet negotiations failed: tel_checkinit detected error.\n", "QWC0046");
      tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
      return -1;
    }
  }

  if (!isTransparentModeYet()) {
    if (mode == 1) return -2;
    tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
    LogMsg(LevelError, "%s: Unable to succesfully negotiate required telnet options.\n", "QWC0047");
    return -1;
  }

  if (session.traceFlag()) LogMsg(LevelTrace, "Transparent mode!\n");
  if (setBlocking(false) < 0) {
    tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
    LogMsg(LevelError, "%s: ioctl() failed to set non-blocking i/o at the end of tel_setup().\n", "QWC0048");
    return -1;
  }
  // Cleared after a reconnection too: its attempts left the last message up.
  if (session.x_comm_msg(0) == -1 || !*guard) return -4;
  session.transparentModeReached();
  if (!*guard) return -4;
  negotiated = 1;

  // Host data that came with the negotiation, and bytes already read past
  // its end, go to the record glue now rather than wait for more input.
  Outcome o = deliverEarlyData();
  if (o == Outcome::Ok && remaining > 0) o = processInput(Phase::Transparent, mode, termType, devName);
  switch (o) {
    case Outcome::Ok:
      return 0;
    case Outcome::Gone:
      return -4;
    case Outcome::ProtocolError:
      return -1;  // reported
    default:
      tel_connecterror("ErrorMsgFatalTelnetError", 1);
      LogMsg(LevelError, "%s: Send data failed no data sent.\n", "QWC0054");
      return -1;
  }
}
