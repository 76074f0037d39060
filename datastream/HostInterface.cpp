#include "datastream/HostInterface.h"

#include <chrono>
#include <cstring>

#include "datastream/DataStreamManager.h"
#include "datastream/DsmSense.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "base/LogMsg.h"

namespace {

unsigned int EntryLength(const unsigned char* entry) {
  return (static_cast<unsigned int>(entry[0]) << 8) | entry[1];
}

// A record that may be processed although a contention error is
// outstanding: the clear-unit kind empties the held records first.
enum class InContention { Hold, ClearAndProcess, Process };

InContention Classify(const unsigned char* data, unsigned int n, const DisplayBag* display) {
  if (n < 2 || data[0] != 0x04) return InContention::Hold;
  switch (data[1]) {
    case 0x40:
    case 0x20:
    case 0x12:
    case 0x13:
      return InContention::ClearAndProcess;
    case 0x02:
    case 0x21:
    case 0x22:
      return InContention::Process;
    case 0x72:
      if (display && const_cast<DisplayBag*>(display)->keyboardState().state() == KeyboardState::kPostHelpError)
        return InContention::Process;
      return InContention::Hold;
    default:
      return InContention::Hold;
  }
}

}  // namespace

void HostInterface::setDisplayObjectPtr(DisplayBag* display) {
  if (display == display_) return;
  if (burst_) holdDevice(false);
  display_ = display;
  if (burst_) holdDevice(true);
}

void HostInterface::holdDevice(bool hold) {
  Rendering* r = display_ ? display_->getRendering() : nullptr;
  if (!r) return;
  if (hold)
    r->holdScreenRebuilds();
  else
    r->releaseScreenRebuilds();
}

void HostInterface::freeBuffer(unsigned char* data, Rendering* rendering) {
  if (data && rendering) rendering->WsFreeBuffer(data);
}

int HostInterface::sendDataToHost(unsigned char* data, unsigned int, Rendering* rendering, unsigned int) {
  freeBuffer(data, rendering);
  return 0;
}

int HostInterface::sendSystemRequestToHost(unsigned char* data, unsigned int, Rendering* rendering) {
  freeBuffer(data, rendering);
  return 0;
}

uint32_t HostInterface::runDataStream(unsigned int op, const unsigned char* data, unsigned int n,
                                      unsigned int& unlocked) {
  unlocked = 0;
  if (!display_) return dsm_sense::kAccepted;
  return display_->dataStreamManager().dsm(op, data, n, unlocked);
}

uint32_t HostInterface::processNewDataStream(unsigned int op, const unsigned char* data, unsigned int n) {
  uint32_t sense = dsm_sense::kAccepted;
  if (!contention_ || op != 0) {
    sense = processDataStreamAndBufferIfContentionError(op, data, n);
  } else {
    if (DebugFlag()) LogMsg(LevelDebug, "\nDatastream received in contention error state.\n");
    switch (Classify(data, n, display_)) {
      case InContention::ClearAndProcess:
        if (DebugFlag()) LogMsg(LevelDebug, "Removing all buffered datastreams due to clear unit or the like.\n");
        total_ = 0;
        contention_ = 0;
        sense = processDataStreamAndBufferIfContentionError(op, data, n);
        break;
      case InContention::Process:
        if (DebugFlag()) LogMsg(LevelDebug, "save, wec, wecw, or read immd. received in contention error state.\n");
        sense = processDataStreamAndBufferIfContentionError(op, data, n);
        break;
      case InContention::Hold:
        // A record that cannot be held whole is refused rather than cut.
        sense = bufferDataStream(op, data, n) ? dsm_sense::kAccepted : dsm_sense::kContention;
        break;
    }
  }
  recordDone();
  return sense;
}

uint64_t HostInterface::nowMilliseconds() const {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

void HostInterface::paintNow() {
  paintPending_ = 0;
  if (display_ && display_->getRendering()) display_->getRendering()->settleScreen();
  flushPainting();
}

void HostInterface::recordDone() {
  if (!burst_) {
    paintNow();
    return;
  }
  const uint64_t now = nowMilliseconds();
  if (!paintPending_) {
    paintPending_ = 1;
    pendingSince_ = now;
  } else if (now - pendingSince_ >= kBurstPaintIntervalMs) {
    paintNow();
  }
}

void HostInterface::beginRecordBurst() {
  if (!burst_++) holdDevice(true);
}

void HostInterface::endRecordBurst() {
  if (!burst_) {
    paintPendingRecords();
    return;
  }
  if (--burst_) return;
  // The device catches up first, whether or not a paint follows.
  holdDevice(false);
  paintPendingRecords();
}

uint32_t HostInterface::processDataStreamAndBufferIfContentionError(unsigned int op, const unsigned char* data,
                                                                     unsigned int n) {
  unsigned int unlocked = 0;
  uint32_t sense = runDataStream(op, data, n, unlocked);
  if (sense == dsm_sense::kContention) {
    if (bufferDataStream(op, data, n)) {
      contention_ = 1;
      sense = dsm_sense::kAccepted;
    }
  }
  if (display_) display_->postDatastreamProcessing();
  return sense;
}

bool HostInterface::bufferDataStream(unsigned int op, const unsigned char* data, unsigned int n) {
  if (DebugFlag()) LogMsg(LevelDebug, "HostInterfaceTCP::bufferDataStream(): Datastream length = %u.\n", n);
  if (n > kLargestHeldRecord || (n && !data)) {
    LogMsg(LevelWarning, "HostInterfaceTCP::bufferDataStream(): a record of %u bytes cannot be held.\n", n);
    return false;
  }
  if (total_ && total_ + kEntryHead + n > kContentionBufferSize) {
    if (DebugFlag()) {
      LogMsg(LevelDebug, "Not enough room to buffer datastream.\n");
      LogMsg(LevelDebug, "Total length of datastreams already buffered = %u.\n", total_);
    }
    removeBufferedDatastreams(kLargestHeldRecord - n);
  }
  unsigned char* entry = buffer_ + total_;
  entry[0] = static_cast<unsigned char>(n >> 8);
  entry[1] = static_cast<unsigned char>(n);
  entry[2] = static_cast<unsigned char>(op);
  if (n) std::memcpy(entry + kEntryHead, data, n);
  total_ += kEntryHead + n;
  if (DebugFlag()) {
    LogMsg(LevelDebug, "Datastream buffered.\n");
    LogMsg(LevelDebug, "Total length of datastreams now buffered = %u.\n", total_);
    LogMsg(LevelDebug, "HostInterfaceTCP::bufferDataStream(): End.\n");
  }
  return true;
}

unsigned int HostInterface::firstEntryFitting(unsigned int limit) const {
  unsigned int from = 0;
  while (from < total_ && total_ - from > limit) from += kEntryHead + EntryLength(buffer_ + from);
  return from < total_ ? from : total_;
}

void HostInterface::removeBufferedDatastreams(unsigned int limit) {
  if (total_ <= limit) return;
  const unsigned int from = firstEntryFitting(limit);
  if (from >= total_) {
    if (DebugFlag()) LogMsg(LevelDebug, "Removing all %u buffered datastreams.\n", heldRecordCount());
    total_ = 0;
    return;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "Removing %u of the oldest datastreams of total length = %u.\n", from, total_);
  std::memmove(buffer_, buffer_ + from, total_ - from);
  total_ -= from;
}

unsigned int HostInterface::heldRecordCount() const {
  unsigned int count = 0;
  for (unsigned int at = 0; at < total_; at += kEntryHead + EntryLength(buffer_ + at)) ++count;
  return count;
}

uint32_t HostInterface::processBufferedDataStreamsIfNeeded() {
  // A record replayed here may run type-ahead keys, which come back here:
  // the outer replay goes on with the next record.
  if (contention_ || total_ == 0 || replaying_) return dsm_sense::kAccepted;
  replaying_ = 1;
  uint32_t sense = dsm_sense::kAccepted;
  unsigned int number = 0;
  while (total_ && !contention_) {
    const unsigned int n = EntryLength(buffer_);
    const unsigned int op = buffer_[2];
    if (DebugFlag()) LogMsg(LevelDebug, "processing buffered datastream #%u of length %u.\n", ++number, n);
    // The record is taken out before it runs, so that whatever it does to
    // the buffer leaves it intact.
    std::memcpy(replay_, buffer_ + kEntryHead, n);
    unsigned int unlocked = 0;
    sense = runDataStream(op, replay_, n, unlocked);
    if (display_) display_->postDatastreamProcessing();
    if (sense == dsm_sense::kContention) {
      if (DebugFlag()) LogMsg(LevelDebug, "a contention error was detected in the buffered datastream.\n");
      contention_ = 1;
      sense = dsm_sense::kAccepted;
      break;
    }
    if (sense != dsm_sense::kAccepted && sense != dsm_sense::kAnswered) {
      if (DebugFlag()) LogMsg(LevelDebug, "neg. rsp. %lx was detected in the buffered datastream.\n",
                              static_cast<unsigned long>(sense));
      total_ = 0;
      contention_ = 0;
      break;
    }
    if (DebugFlag()) LogMsg(LevelDebug, "buffered datastream processed successfully.\n");
    const unsigned int used = kEntryHead + n;
    if (used <= total_) {
      std::memmove(buffer_, buffer_ + used, total_ - used);
      total_ -= used;
    } else {
      total_ = 0;
    }
  }
  replaying_ = 0;
  paintNow();
  return sense;
}

void HostInterface::saveHostInterface(qrnOStream* out) {
  out->hostPut32(contention_);
  // The newest held records that fit in what is left of the save image go
  // with it; the held records themselves stay.
  const unsigned long used = out->lengthOfData() + 4;
  const unsigned int room = used < kSaveImageLimit ? static_cast<unsigned int>(kSaveImageLimit - used) : 0;
  const unsigned int from = firstEntryFitting(room);
  const unsigned int saved = total_ - from;
  if (DebugFlag() && saved) LogMsg(LevelDebug, "saving %u bytes of buffered datastreams.\n", saved);
  out->hostPut32(saved);
  if (saved) out->hostPutData(buffer_ + from, saved);
}

bool HostInterface::chainValid(const unsigned char* data, unsigned int total) {
  unsigned int at = 0;
  while (at < total) {
    if (total - at < kEntryHead) return false;
    const unsigned int n = EntryLength(data + at);
    if (n > total - at - kEntryHead) return false;
    at += kEntryHead + n;
  }
  return true;
}

unsigned int HostInterface::restoreHostInterface(qrnIStream* in) {
  unsigned int flag = 0, total = 0;
  in->hostGet32(flag);
  in->hostGet32(total);
  if (in->checkRestore() || flag > 1 || total > kContentionBufferSize || total > in->bytesLeft()) {
    LogMsg(LevelWarning, "QWC0400 restore of the host interface refused: bad flag or length\n");
    return kSenseRestoreDataInvalid;
  }
  unsigned char held[kContentionBufferSize];
  if (total) in->hostGetData(held, total);
  if (in->checkRestore() || !chainValid(held, total)) {
    LogMsg(LevelWarning, "QWC0400 restore of the host interface refused: held records are not whole\n");
    return kSenseRestoreDataInvalid;
  }
  contention_ = flag;
  std::memcpy(buffer_, held, total);
  total_ = total;
  return 0;
}
