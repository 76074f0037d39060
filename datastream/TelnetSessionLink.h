#pragma once
// What the Telnet transport needs of its session. The session control block
// implements it; tests implement it with a recording stand-in.
class EventSources;
class TelnetStream;

// The three NEW-ENVIRON values that come from the session's language.
struct TelnetLanguageValues {
  const char* keyboardType;  // KBDTYPE, "USB"
  const char* codePage;      // CODEPAGE, "037"
  const char* characterSet;  // CHARSET, "697"
};

class TelnetSessionLink {
 public:
  virtual ~TelnetSessionLink() = default;

  // The event loop: nested waits during connect and negotiation dispatch
  // pending events through it and measure time on its monotonic clock.
  virtual EventSources& eventSources() = 0;

  // The record glue: takes the next data bytes of the host stream (Telnet
  // commands removed, doubled IAC bytes undone). Returns 1 when the session
  // was ended meanwhile (the transport is then gone too), else 0.
  virtual int s5250_accept(const unsigned char* data, int length) = 0;

  // The host's IAC EOR ended a record at this point of the stream.
  virtual void s5250_accept_eor() {}

  // The socket's input procedure takes what the connection has: the records
  // in between form one burst, painted when everything available is taken.
  virtual void receiveBegins() {}
  virtual void receiveDrained() {}

  // Shows the communication status number on the window's status line (0
  // hides it). Returns -1 when the session was ended meanwhile, else 0.
  virtual int x_comm_msg(unsigned int number) { return 0; }

  // The dialog and retry schedule of a failed connection; tel_connecterror
  // hands over here after clearing the device name.
  virtual void connectError(const char* msgName, int retry) = 0;

  // The terminal type named to the host in the negotiation; the display
  // station's query reply reports its device type and model.
  virtual void terminalTypeSent(const char* type) {}

  // The connection reached transparent mode: the retry bookkeeping is reset
  // (retry dialog destroyed, counters cleared, "connected once" set).
  virtual void transparentModeReached() {}

  // The session's socket had input (the activity count).
  virtual void noteSocketInput() {}

  // Set while a retry timer reconnects: no communication status is shown.
  virtual bool reconnecting() const { return false; }
  // The port in use is kept in the session.
  virtual void setPort(int port) {}
  // The session's trace flag (level-8 lines).
  virtual bool traceFlag() const { return false; }
  // The resources CONNECT_TIMEOUT and NEGOTIATE_TIMEOUT, in seconds.
  virtual int connectTimeoutSeconds() const { return 15; }
  virtual int negotiateTimeoutSeconds() const { return 60; }
  // The NEW-ENVIRON values of the session's language; false when the
  // language has none (the transport then sends the values of ENU).
  virtual bool languageValues(TelnetLanguageValues& values) const { return false; }
  // The secure session of the connection, or null when the session does not
  // use SSL. It reads and writes the transport's socket.
  virtual TelnetStream* secureStream() { return nullptr; }

  // Trace dump of received or sent bytes at the given level.
  virtual void DumpBuff(const unsigned char* data, int length, int level);
};
