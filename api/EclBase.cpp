// The base class of the programming interface and the dispatch by class id.
#include "api/EclFunctions.h"
#include "api/EclSessions.h"
#include "api/EclWire.h"
#include "base/LogMsg.h"
#include "session/SessionTable.h"

int32_t eclbase(EclCall& call) {
  std::vector<unsigned char>& reply = *call.reply;
  switch (call.functionId) {
    case 0:
    case 1:
      return ecl::kSuccess;
    case 9:
      reply.push_back(1);
      return ecl::kSuccess;
    case 10: {
      std::vector<unsigned char> names;
      uint32_t count = 0;
      for (int slot = 0; slot < kMaxSessionSlots; ++slot) {
        if (!EclSession(slot)) continue;
        const std::string name = EclSessionName(slot);
        ecl::Put32(names, static_cast<uint32_t>(name.size()));
        ecl::PutBytes(names, name.data(), name.size());
        ++count;
      }
      ecl::Put32(reply, count);
      reply.insert(reply.end(), names.begin(), names.end());
      return ecl::kSuccess;
    }
    default:
      LogMsg(LevelError, "%s: eclbase - invalid function id %d. \n", "QWC0713", call.functionId);
      return ecl::kBadFunction;
  }
}

int32_t DispatchEclRequest(int32_t classId, EclCall& call) {
  switch (classId) {
    case ecl::kClassBase:
      return eclbase(call);
    case ecl::kClassConnectionManager:
      return eclconnmgr(call);
    case ecl::kClassConnection:
      return eclconnection(call);
    case ecl::kClassFieldList:
      return eclfieldlist(call);
    case ecl::kClassOia:
      return ecloia(call);
    case ecl::kClassPresentationSpace:
      return eclps(call);
    case ecl::kClassWindowMetrics:
      return eclwinmetrics(call);
    default:
      LogMsg(LevelError, "%s: ECL invalid class id, %d.\n", "QWC0707", classId);
      return ecl::kBadClass;
  }
}
