// The operator-information-area class: indicators and the status word, and
// switching a session's operator-information events.
#include "api/EclFunctions.h"
#include "api/EclSessions.h"
#include "api/EclWire.h"
#include "api/EventSocket.h"
#include "api/ProgrammingInterface.h"
#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "display/DisplayIndicators.h"
#include "session/SessionControlBlock.h"

int32_t ecloia(EclCall& call) {
  const int handle = ecl::SessionHandleOf(*call.data);
  SessionControlBlock* s = EclSession(handle);
  if (!s || !s->display) {
    LogMsg(LevelError, "%s: ecloia - No session exists for corresponding handle %d. \n", "QWC0713", handle);
    return ecl::kNoSession;
  }
  std::vector<unsigned char>& reply = *call.reply;
  const unsigned int indicators = s->display->indicators().current().get();
  switch (call.functionId) {
    case 0:
      reply.push_back(s->xstuff.shiftIndicator() ? 1 : 0);
      return ecl::kSuccess;
    case 1:
      reply.push_back(s->xstuff.capsLockIndicator() ? 1 : 0);
      return ecl::kSuccess;
    case 2:
      reply.push_back((indicators & Indicators::kInsert) ? 1 : 0);
      return ecl::kSuccess;
    case 3:
      reply.push_back((indicators & Indicators::kMessageWait) ? 1 : 0);
      return ecl::kSuccess;
    case 4:
      reply.push_back(0);
      return ecl::kSuccess;
    case 5:
      ecl::Put32(reply, !(indicators & Indicators::kSystem) ? 0u : s->xstuff.systemWait() ? 1u : 5u);
      return ecl::kSuccess;
    case 6:
      ecl::Put32(reply, EclStatusWord(s));
      return ecl::kSuccess;
    case 7:
    case 8:
      if (EventSocket* events = ProgrammingInterfaceEvents())
        events->setFlag(EventSocket::kOperatorInformation, handle, call.functionId == 7);
      return ecl::kSuccess;
    case 9:
      reply.push_back(1);
      return ecl::kSuccess;
    default:
      LogMsg(LevelError, "%s: ecloia - invalid function id %d. \n", "QWC0713", call.functionId);
      return ecl::kBadFunction;
  }
}
