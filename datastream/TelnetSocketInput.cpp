#include "datastream/TelnetSocketInput.h"

#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "base/LogMsg.h"

void TelnetSocketInput(TelnetLAN& telnet, TelnetSessionLink& session) {
  session.noteSocketInput();
  session.receiveBegins();
  const int received = telnet.tel_receive();
  if (received == -2) return;  // the session is gone
  session.receiveDrained();
  switch (received) {
    case -4:
      // The connection is over: closed, with its input source (the socket
      // stays readable at its end) and any output still waiting to go.
      telnet.tel_close();
      if (session.x_comm_msg(659) == -1) return;  // the session is gone
      LogMsg(LevelError, "%s:  tel_check() failed after session started.\n", "QWC0152");
      telnet.tel_connecterror("ErrorMsgNoHostData2", 1);
      return;
    case -3:
      // Protocol error, already reported: nothing more is read from it.
      telnet.removeSocketInput();
      return;
    default:  // 0: all taken
      return;
  }
}
