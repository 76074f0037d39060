// The field-list class: the fields of a session's screen.
#include "api/EclFunctions.h"
#include "api/EclSessions.h"
#include "api/EclWire.h"
#include "base/LogMsg.h"
#include "session/ScreenInfo.h"
#include "session/SessionControlBlock.h"

int32_t eclfieldlist(EclCall& call) {
  const int handle = ecl::SessionHandleOf(*call.data);
  SessionControlBlock* s = EclSession(handle);
  if (!s || !s->display) {
    LogMsg(LevelError, "%s: eclfieldlist - No session exists for corresponding handle %d. \n", "QWC0713", handle);
    return ecl::kNoSession;
  }
  std::vector<unsigned char>& reply = *call.reply;
  switch (call.functionId) {
    case 1: {
      const int fields = s->getNumberOfFields();
      const int size = fields * kFieldInfoRecordSize;
      std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 0));
      int total = 0;
      const int records = size > 0 ? s->getFieldInfo(buffer.data(), size, &total) : 0;
      ecl::Put32(reply, static_cast<uint32_t>(records));
      ecl::Put32(reply, static_cast<uint32_t>(size));
      ecl::PutBytes(reply, buffer.data(), static_cast<size_t>(records) * kFieldInfoRecordSize);
      return ecl::kSuccess;
    }
    case 2:
      ecl::Put32(reply, static_cast<uint32_t>(s->getNumberOfFields()));
      return ecl::kSuccess;
    default:
      return ecl::kSuccess;
  }
}
