#include "datastream/HostInterface.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/RestoreSense.h"
#include "session/base/LogMsg.h"

void HostInterface::holdRecord(const unsigned char* data, unsigned int length) {
  if (held_.size() + length > kContentionBufferSize) return;
  held_.insert(held_.end(), data, data + length);
}

void HostInterface::saveHostInterface(qrnOStream* out) {
  out->hostPut32(contention_);
  // Whatever does not fit the save image is dropped, oldest first.
  const std::size_t used = out->lengthOfData();
  const std::size_t room = used + 4 < kSaveImageLimit ? kSaveImageLimit - used - 4 : 0;
  if (held_.size() > room) held_.erase(held_.begin(), held_.end() - static_cast<long>(room));
  out->hostPut32(static_cast<unsigned int>(held_.size()));
  if (!held_.empty()) out->hostPutData(held_.data(), held_.size());
}

unsigned int HostInterface::restoreHostInterface(qrnIStream* in) {
  unsigned int flag = 0, total = 0;
  in->hostGet32(flag);
  in->hostGet32(total);
  if (in->checkRestore() || flag > 1 || total > kContentionBufferSize || total > in->bytesLeft()) {
    LogMsg(LevelWarning, "QWC0400 restore of the host interface refused: bad flag or length\n");
    return kSenseRestoreDataInvalid;
  }
  std::vector<unsigned char> held(total);
  if (total) in->hostGetData(held.data(), total);
  if (in->checkRestore()) {
    LogMsg(LevelWarning, "QWC0400 restore of the host interface refused: stream ends early\n");
    return kSenseRestoreDataInvalid;
  }
  contention_ = flag;
  held_.swap(held);
  return 0;
}
